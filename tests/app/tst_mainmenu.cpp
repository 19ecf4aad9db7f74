// The main menu window: start-up, version, edition, category buttons, exit and close, focus
// order, access keys, and how its buttons draw.
#include "TestSupport.h"

#include "BuildConfig.h"
#include "Edition.h"
#include "forms/Program.h"

#include <QLabel>
#include <QPushButton>

using namespace forms;

namespace {

const char *const captions[] = {
        "&Analog",  "&Digital", "Digital &Color", "&Facsimile",    "&Printer",
        "S&telmar", "&Scanner", "&Wide Format",   "Prod&uct Code", "Development &Name"};

} // namespace

class MainMenu : public QObject
{
    Q_OBJECT

private slots:
    void versionLabel_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<QString>("expected");
        // The project's version as the build carries it, and with other major numbers.
        const QString rest = QString(".%1.%2").arg(MXR_VERSION_MINOR).arg(MXR_VERSION_REVISION);
        QTest::newRow("this build")
                << int(App.Major) << "Version: " + QString::number(MXR_VERSION_MAJOR) + rest;
        QTest::newRow("two-digit major") << 10 << "Version: 10" + rest;
        QTest::newRow("negative major") << -1 << "Version: -1" + rest;
    }
    void versionLabel()
    {
        QFETCH(int, major);
        QFETCH(QString, expected);
        ProgramScope scope;
        const Application saved = App;
        App.Major = Integer(major);
        const QString caption = frmMain->lblVersion.Caption;
        App = saved;
        QCOMPARE(caption, expected);
    }

    void startUpOpensNoSearchWindow()
    {
        ProgramScope scope;
        frmMain->Show();
        QVERIFY(!frmSearch.loadedOrNull());
    }

    void editionDecidesWarningAndDevelopmentButton()
    {
        ProgramScope scope;
        frmMain->Show();
        QCOMPARE(bool(frmMain->lblWarn.Visible), internalEdition());
        QCOMPARE(bool(frmMain->cmdType[9].Visible), internalEdition());
        QCOMPARE(frmMain->lblWarn.widget()->isVisible(), internalEdition());
        QLabel *warn = qobject_cast<QLabel *>(frmMain->lblWarn.widget());
        QCOMPARE(warn->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QVERIFY(warn->font().bold());
        QCOMPARE(warn->font().pointSize(), 18);
        for (Integer i = 0; i <= 8; ++i)
            QVERIFY(frmMain->cmdType[i].widget()->isVisible());
        QVERIFY(frmMain->cmdExit.widget()->isVisible());
        QVERIFY(!frmMain->lstMain.widget()->isVisible());
    }

    void categoryPressOpensSearchWindowWithIndex_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i <= 9; ++i)
            QTest::newRow(captions[i]) << i;
    }
    void categoryPressOpensSearchWindowWithIndex()
    {
        QFETCH(int, index);
        ProgramScope scope;
        frmMain->Show();
        if (index == 9 && !internalEdition()) {
            QVERIFY(frmMain->cmdType[9].widget()->isHidden());
            return; // cannot be pressed
        }
        click(frmMain->cmdType[Integer(index)]);
        QCOMPARE(CategoryIndex, Long(index));
        QVERIFY(frmSearch.loadedOrNull());
        QVERIFY(frmSearch->widget()->isVisible());
        QVERIFY(frmMain->widget()->isVisible());
    }

    void eachPressGivesFreshSearchWindow()
    {
        ProgramScope scope;
        frmMain->Show();
        click(frmMain->cmdType[0]);
        SearchForm *first = frmSearch.loadedOrNull();
        QPointer<QWidget> firstWindow = first->widget();
        first->txtTev.Text = "left over";
        click(frmMain->cmdType[0]); // the same button again
        SearchForm *second = frmSearch.loadedOrNull();
        QVERIFY(second != first);
        QVERIFY(!firstWindow->isVisible());
        QCOMPARE(second->txtTev.Text.value(), QString());
        QCOMPARE(second->Caption.value(), QString("Analog"));
        click(frmMain->cmdType[1]);
        QCOMPARE(frmSearch->Caption.value(), QString("Digital"));
        QCOMPARE(CategoryIndex, Long(1));
        QTRY_VERIFY(firstWindow.isNull());
    }

    void exitWithoutSearchWindowEndsCleanly()
    {
        ProgramScope scope;
        frmMain->Show();
        click(frmMain->cmdExit);
        QVERIFY(!frmMain.loadedOrNull());
        QVERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 0);
        QVERIFY(scope.errors.empty());
    }

    void exitClosesOpenSearchWindow()
    {
        ProgramScope scope;
        frmMain->Show();
        click(frmMain->cmdType[6]);
        QVERIFY(frmSearch.loadedOrNull());
        click(frmMain->cmdExit);
        QVERIFY(!frmSearch.loadedOrNull());
        QVERIFY(!frmMain.loadedOrNull());
        QCOMPARE(ExitStatus(), 0);
    }

    void closingMainWindowClosesBothAndCannotBeRefused()
    {
        ProgramScope scope;
        frmMain->Show();
        click(frmMain->cmdType[3]);
        QPointer<QWidget> search = frmSearch->widget();
        QPointer<QWidget> main = frmMain->widget();
        main->close();
        QVERIFY(!frmSearch.loadedOrNull());
        QVERIFY(!frmMain.loadedOrNull());
        QVERIFY(!search->isVisible());
        QVERIFY(!main->isVisible());
        QVERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 0);
    }

    void searchWindowClosingLeavesMainMenu()
    {
        ProgramScope scope;
        frmMain->Show();
        click(frmMain->cmdType[2]);
        frmSearch->widget()->close();
        QVERIFY(!frmSearch.loadedOrNull());
        QVERIFY(frmMain.loadedOrNull());
        QVERIFY(!HasEnded());
    }

    void startFocusAndTabOrder()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QList<QWidget *> expected;
        for (Integer i = 0; i <= 9; ++i) {
            if (i < 9 || internalEdition())
                expected << frmMain->cmdType[i].widget();
        }
        expected << frmMain->cmdExit.widget() << frmMain->cmdType[0].widget();
        QCOMPARE(QApplication::focusWidget(), expected[0]);
        for (int step = 1; step < expected.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QVERIFY2(QApplication::focusWidget() == expected[step],
                     qPrintable(QString("step %1").arg(step)));
        }
    }

    void accessKeysPressButtons_data()
    {
        QTest::addColumn<char>("key");
        QTest::addColumn<int>("index");
        const char keys[] = "ADCFPTSWUN";
        for (int i = 0; i < 10; ++i)
            QTest::newRow(captions[i]) << keys[i] << i;
    }
    void accessKeysPressButtons()
    {
        QFETCH(char, key);
        QFETCH(int, index);
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QTest::keyClick(frmMain->widget(), key, Qt::AltModifier);
        if (index == 9 && !internalEdition()) {
            QTest::qWait(200);
            QVERIFY(!frmSearch.loadedOrNull());
            return;
        }
        QTRY_VERIFY(frmSearch.loadedOrNull());
        QCOMPARE(CategoryIndex, Long(index));
    }

    void altXEndsProgram()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QTest::keyClick(frmMain->widget(), 'X', Qt::AltModifier);
        QTRY_VERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 0);
    }

    void enterAndSpacePressFocusedButton()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmMain.instance()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QTRY_VERIFY(frmSearch.loadedOrNull());
        QCOMPARE(CategoryIndex, Long(0));
        QVERIFY(showActive(frmMain.instance()));
        frmMain->cmdType[4].widget()->setFocus();
        QTest::keyClick(frmMain->cmdType[4].widget(), Qt::Key_Return);
        QTRY_COMPARE(CategoryIndex, Long(4));
        // A held key presses once: its repeats press nothing, on whichever button they reach.
        frmMain->cmdType[2].widget()->setFocus();
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(frmMain->cmdType[2].widget(), &repeat);
        QTest::qWait(50);
        QCOMPARE(CategoryIndex, Long(4));
    }

    void pictureButtonsDrawOnWhite()
    {
        ProgramScope scope;
        frmMain->Show();
        for (Integer i : {Integer(0), Integer(8)}) {
            const QImage image = frmMain->cmdType[i].widget()->grab().toImage();
            // Just inside the frame, at the bottom-left corner beside the caption.
            const QColor inside = image.pixelColor(4, image.height() - 5);
            QVERIFY2(inside.lightness() > 235, qPrintable(inside.name()));
        }
        // Exit is the desktop's own button, drawn as any push button of its style is.
        QWidget *exit = frmMain->cmdExit.widget();
        QWidget plainWindow;
        plainWindow.setPalette(frmMain->widget()->palette());
        QPushButton plain(frmMain->cmdExit.Caption, &plainWindow);
        plain.setFont(exit->font());
        plain.setAutoDefault(true);
        plain.setGeometry(exit->geometry());
        QCOMPARE(exit->grab().toImage(), plain.grab().toImage());
    }
};

MXR_TEST_MAIN(MainMenu)
#include "tst_mainmenu.moc"
