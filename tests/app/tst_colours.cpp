// Every text of both windows stays readable whatever colour scheme the desktop hands the
// program: light, dark or high contrast. The windows fix some backgrounds (the grey windows, the
// white picture buttons); the text on them must not take the desktop's colour. Measured on the
// pixels drawn, as the contrast ratio of the guidelines for accessible contrast. The same goes for
// the ring that shows where the keyboard focus is: at least 3:1 against what it covers.
#include "TestSupport.h"

#include "Edition.h"

#include <QHash>
#include <QLineEdit>
#include <QPalette>

#include <cmath>

using namespace forms;

Q_DECLARE_METATYPE(QPalette)

namespace {

double luminance(QRgb rgb)
{
    auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb))
            + 0.0722 * channel(qBlue(rgb));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text in rect: the background is the commonest colour there, the text the
// pixel that stands out most from it. Smoothed edges only lower the figure.
double textContrast(const QImage &shot, const QRect &rect)
{
    QHash<QRgb, int> counts;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            ++counts[shot.pixel(x, y) & 0xffffff];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    }
    double best = 1.0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        best = std::max(best, contrast(it.key(), background));
    return best;
}

// A palette as a platform theme hands it over: every role of every group set.
QPalette scheme(QColor window, QColor text, QColor base, QColor button, QColor highlight)
{
    QPalette p(button, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, base);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, base);
    p.setColor(QPalette::PlaceholderText, text);
    return p;
}

struct Checked
{
    QString what;
    QRect rect; // in the window
    double minimum; // 4.5, or 3 for large text
};

} // namespace

class Colours : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QApplication::setPalette(m_original); }

    void everyTextReadable_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << m_original;
        QTest::newRow("dark") << scheme(QColor(0x42, 0x42, 0x42), QColor(0xf0, 0xf0, 0xf0),
                                        QColor(0x2e, 0x2e, 0x2e), QColor(0x35, 0x35, 0x35),
                                        QColor(0x3d, 0xae, 0xe9));
        QTest::newRow("high contrast")
                << scheme(Qt::black, Qt::white, Qt::black, Qt::black, QColor(0x1a, 0xeb, 0xff));
    }
    void everyTextReadable()
    {
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        ProgramScope scope;

        // The main menu: the category captions, Exit and the labels.
        MainMenuForm &main = frmMain.instance();
        main.Show();
        QList<Checked> checks;
        for (Integer i = 0; i < main.cmdType.Count(); ++i) {
            if (main.cmdType[i].Visible)
                checks << captionOf(main.cmdType[i]);
        }
        checks << inside(main.cmdExit, "Exit", 4);
        for (Label *label : {&main.lblVersion, &main.lblOS})
            checks << Checked{label->Caption, label->widget()->geometry(), 4.5};
        if (EditionCode == "I") // 18-point bold: large text, for which 3:1 is the guideline
            checks << Checked{main.lblWarn.Caption, main.lblWarn.widget()->geometry(), 3.0};
        verify(main.widget()->grab().toImage(), checks);

        // The search window in both modes, after a pick: every label, Main Menu and the boxes.
        for (Long category : {6, 8}) {
            SearchForm &f = openSearchFor(category);
            pick(f.cboSearch[category == 8 ? 0 : 1], 0);
            checks.clear();
            for (Label *label :
                 {&f.lblSearch, &f.lblSTev, &f.lblSDun, &f.lblSBre, &f.lblSOst, &f.Label2,
                  &f.Label3, &f.Label4, &f.Label5, &f.Label6, &f.Label1, &f.lblLName}) {
                if (label->Visible && !label->Caption.value().isEmpty())
                    checks << Checked{label->Caption, label->widget()->geometry(), 4.5};
            }
            checks << inside(f.cmdMM, "Main Menu", 4);
            for (TextBox *box : {&f.txtTev, &f.txtDun, &f.txtBre, &f.txtOst, &f.txtProd,
                                 &f.txtGroup, &f.txtName}) {
                if (box->Visible && !IsBlank(box->Text))
                    checks << inside(*box, box->Text, 3);
            }
            QVERIFY(checks.size() >= 8);
            verify(f.widget()->grab().toImage(), checks);
        }
    }

    void focusStandsOut_data() { everyTextReadable_data(); }
    void focusStandsOut()
    {
        QFETCH(QPalette, palette);
        QApplication::setPalette(palette);
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        for (Control *control : {static_cast<Control *>(&frmMain->cmdType[0]),
                                 static_cast<Control *>(&frmMain->cmdExit)})
            verifyFocusRing(frmMain.instance(), *control);
        SearchForm &f = openSearchFor(6);
        QVERIFY(showActive(f));
        for (Control *control :
             {static_cast<Control *>(&f.cboSearch[1]), static_cast<Control *>(&f.txtTev),
              static_cast<Control *>(&f.cmdMM)})
            verifyFocusRing(f, *control);
    }

private:
    // The pixels around a control that change when the keyboard focus comes to it (Tab away,
    // then Shift+Tab back) are its focus indicator. They must hold a ring, at least one pixel
    // wide all round, of pixels that stand 3:1 against every pixel beside them that is not
    // part of the indicator.
    static void verifyFocusRing(Form &form, Control &control)
    {
        QWidget *window = form.widget();
        QWidget *target = control.widget();
        target->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_VERIFY(!target->hasFocus());
        const QImage before = window->grab().toImage();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QTRY_VERIFY(target->hasFocus());
        const QImage after = window->grab().toImage();

        const QRect area = target->geometry().adjusted(-3, -3, 3, 3) & window->rect();
        auto changed = [&](int x, int y) { return before.pixel(x, y) != after.pixel(x, y); };
        QRect ring;
        int standing = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (!changed(x, y))
                    continue;
                int beside = 0;
                bool standsOut = true;
                for (const QPoint &n :
                     {QPoint(x - 1, y), QPoint(x + 1, y), QPoint(x, y - 1), QPoint(x, y + 1)}) {
                    if (!area.contains(n) || changed(n.x(), n.y()))
                        continue;
                    ++beside;
                    standsOut = standsOut && contrast(after.pixel(x, y), after.pixel(n)) >= 3.0;
                }
                if (beside > 0 && standsOut) {
                    ++standing;
                    ring |= QRect(x, y, 1, 1);
                }
            }
        }
        QVERIFY2(
                ring.width() >= 20 && ring.height() >= 8
                        && standing >= 2 * (ring.width() + ring.height()) - 4,
                qPrintable(QString("%1 \"%2\": %3 pixels stand out 3:1 in %4x%5")
                                   .arg(target->metaObject()->className(), target->accessibleName())
                                   .arg(standing)
                                   .arg(ring.width())
                                   .arg(ring.height())));
    }

    // A picture button's caption: one line at the bottom of its face, below the picture.
    static Checked captionOf(CommandButton &button)
    {
        const QRect r = button.widget()->geometry();
        const int line = button.widget()->fontMetrics().height();
        return {button.Caption, QRect(r.left() + 4, r.bottom() - line, r.width() - 8, line - 1),
                4.5};
    }

    // The inside of a control, its frame left out.
    static Checked inside(Control &control, const QString &what, int frame)
    {
        return {what, control.widget()->geometry().adjusted(frame, frame, -frame, -frame), 4.5};
    }

    static void verify(const QImage &shot, const QList<Checked> &checks)
    {
        const qreal ratio = shot.devicePixelRatio();
        for (const Checked &check : checks) {
            const QRect rect(check.rect.topLeft() * ratio, check.rect.size() * ratio);
            const double measured = textContrast(shot, rect);
            QVERIFY2(measured >= check.minimum,
                     qPrintable(QString("\"%1\": contrast %2:1")
                                        .arg(check.what)
                                        .arg(measured, 0, 'f', 2)));
        }
    }

    QPalette m_original = QApplication::palette();
};

MXR_TEST_MAIN(Colours)
#include "tst_colours.moc"
