// What the two windows' layouts must achieve: each window's place, size and background, and,
// whatever the numbers, that every shown control lies inside its window and stays where it is
// when the window is resized, that no two overlap while the lists are closed, that every caption
// shows whole in the font the window draws with, in labels that wrap and have no background of
// their own, and that each window shows exactly its captions. Controls are found as the window's
// children, so a control added later is held to the same rules.
#include "TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace forms;

namespace {

QWidgetList shownControls(const Form &form)
{
    QWidgetList shown;
    for (QWidget *w : form.widget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!w->isHidden())
            shown << w;
    }
    return shown;
}

QString captionOf(const QWidget *w)
{
    if (auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<const QPushButton *>(w))
        return button->text();
    return {};
}

Form &windowOf(int category) // -1: the main menu
{
    return category < 0 ? static_cast<Form &>(frmMain.instance()) : openSearchFor(category);
}

} // namespace

class Layout : public QObject
{
    Q_OBJECT

private slots:
    // Ten twips from the screen's corner, grey where nothing is drawn, owned by no window.
    void windowPlaceSizeAndBackground_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<QSize>("size");
        QTest::newRow("main menu") << -1 << QSize(467, 316);
        QTest::newRow("search") << 0 << QSize(469, 318);
    }
    void windowPlaceSizeAndBackground()
    {
        QFETCH(int, category);
        QFETCH(QSize, size);
        ProgramScope scope;
        Form &form = windowOf(category);
        form.Show();
        QWidget *w = form.widget();
        QCOMPARE(w->pos(), QPoint(1, 1));
        QCOMPARE(w->size(), size);
        QCOMPARE(w->grab().toImage().pixelColor(3, w->height() - 3), QColor(224, 224, 224));
        QVERIFY(!w->parentWidget());
        // Resized, the window neither moves nor scales its controls.
        const auto geometries = [&form] {
            QList<QRect> placed;
            for (QWidget *control : shownControls(form))
                placed << control->geometry();
            return placed;
        };
        const QList<QRect> placed = geometries();
        for (QSize other : {QSize(900, 700), QSize(150, 100)}) {
            w->resize(other);
            QCOMPARE(w->size(), other);
            QCOMPARE(geometries(), placed);
        }
    }

    void windowHoldsItsControls_data()
    {
        QTest::addColumn<int>("category"); // -1: the main menu
        QTest::addColumn<QStringList>("captions");
        QStringList menu = {"Win 98 and up", "&Analog",       "&Digital", "Digital &Color",
                            "&Facsimile",    "&Printer",      "S&telmar", "&Scanner",
                            "&Wide Format",  "Prod&uct Code", "E&xit"};
        QStringList boxes = {"Tevra", "Dunel", "Brevikant", "Ostrum", "Prod Code", "Group"};
        if (internalEdition()) {
            menu << "Internal Use Only Do Not Distribute"
                 << "Development &Name";
            boxes << "Dev Name";
        }
        QTest::newRow("main menu") << -1 << menu;
        QTest::newRow("search, brand lists")
                << 3 << boxes + QStringList{"Tevra", "Dunel", "Brevikant", "Ostrum", "&Main Menu"};
        QTest::newRow("search, one list") << 8 << boxes + QStringList{"Product Code", "&Main Menu"};
    }
    void windowHoldsItsControls()
    {
        QFETCH(int, category);
        QFETCH(QStringList, captions);
        ProgramScope scope;
        Form &form = windowOf(category);
        form.Show();
        if (category < 0)
            captions << frmMain->lblVersion.Caption; // whatever version the build carries
        const QRect client = form.widget()->rect();
        const QWidgetList controls = shownControls(form);
        QStringList shownCaptions;
        for (int i = 0; i < controls.size(); ++i) {
            QWidget *w = controls[i];
            const QString name =
                    w->metaObject()->className() + QString(" \"%1\"").arg(captionOf(w));
            QVERIFY2(client.contains(w->geometry()), qPrintable(name + " leaves its window"));
            for (int j = 0; j < i; ++j) {
                QVERIFY2(!w->geometry().intersects(controls[j]->geometry()),
                         qPrintable(name + " overlaps " + controls[j]->metaObject()->className()
                                    + " \"" + captionOf(controls[j]) + "\""));
            }
            const QString caption = captionOf(w);
            if (caption.isEmpty())
                continue;
            shownCaptions << caption;
            if (auto *label = qobject_cast<QLabel *>(w)) {
                QVERIFY2(label->wordWrap() && (label->alignment() & Qt::AlignLeft),
                         qPrintable(name + " does not wrap from the left"));
                QVERIFY2(!label->autoFillBackground(), qPrintable(name + " fills its background"));
                QCOMPARE(label->focusPolicy(), Qt::NoFocus);
            }
            // The caption as drawn: without its access-key marker, wrapped at the control's width;
            // on one line, what must fit below is the letters' ink, not the line's whole height.
            const QFontMetrics metrics = w->fontMetrics();
            const QRect drawn =
                    metrics.boundingRect(QRect(0, 0, w->width(), 1000),
                                         Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
            const int oneLine =
                    metrics.boundingRect(QRect(0, 0, 100000, 1000), Qt::TextShowMnemonic, caption)
                            .height();
            const int bottom = drawn.height() > oneLine ? drawn.height()
                                                        : metrics.ascent()
                            + metrics.tightBoundingRect(QString(caption).remove('&')).bottom() + 1;
            QVERIFY2(drawn.width() <= w->width(), qPrintable(name + " is cut off on the right"));
            QVERIFY2(bottom <= w->height(), qPrintable(name + " is cut off below"));
        }
        shownCaptions.sort();
        captions.sort();
        QCOMPARE(shownCaptions, captions);
        // The record boxes start empty and take typing.
        for (QLineEdit *edit : form.widget()->findChildren<QLineEdit *>()) {
            if (!qobject_cast<QComboBox *>(edit->parentWidget()))
                QVERIFY(edit->text().isEmpty() && !edit->isReadOnly());
        }
    }
};

MXR_TEST_MAIN(Layout)
#include "tst_layout.moc"
