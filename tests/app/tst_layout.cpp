// What the two windows' layouts must achieve, whatever the numbers: every shown control lies
// inside its window, no two overlap while the lists are closed, every caption shows whole in the
// font the window draws with, and each window shows exactly its captions. Controls are found as
// the window's children, so a control added later is held to the same rules.
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

} // namespace

class Layout : public QObject
{
    Q_OBJECT

private slots:
    void windowHoldsItsControls_data()
    {
        QTest::addColumn<int>("category"); // -1: the main menu
        QTest::addColumn<QStringList>("captions");
        QStringList menu = {versionCaption(),          "Win 98 and up", "&Analog",       "&Digital",
                            "Digital &Color", "&Facsimile",    "&Printer",      "S&telmar",
                            "&Scanner",       "&Wide Format",  "Prod&uct Code", "E&xit"};
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
        Form &form = category < 0 ? static_cast<Form &>(*frmMain) : openSearchFor(category);
        form.Show();
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
