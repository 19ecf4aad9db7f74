// The forms runtime: window instances, Load and QueryUnload, the end of the program, untrapped
// errors, control arrays, placement in twips, and the list controls.
#include "TestSupport.h"

#include "forms/Contrast_p.h"
#include "forms/Pictures_p.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <algorithm>
#include <stdexcept>

using namespace forms;

namespace {

QWidgetList visibleWindows()
{
    QWidgetList shown;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            shown << window;
    }
    return shown;
}

using records::entry;

// The probe window shown and active, its first list holding the entries (named, indexed from 1)
// and focused; nullptr when the window could not be activated.
QComboBox *focusedList(const QStringList &names)
{
    for (qsizetype i = 0; i < names.size(); ++i)
        frmProbe->cbo[0].AddItem(entry(names.at(i), int(i) + 1));
    if (!showActive(frmProbe.instance()))
        return nullptr;
    QComboBox *combo = comboOf(frmProbe->cbo[0]);
    combo->setFocus();
    return combo;
}

} // namespace

class FormsRuntime : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("QT_HIGHDPI_DISABLE_2X_IMAGE_LOADING", "1"); }

private slots:
    // ---- windows ----

    void firstReferenceCreatesAndLoadsOnce()
    {
        ProgramScope scope;
        QVERIFY(!frmProbe.loadedOrNull());
        frmProbe->txt.Text = "x";
        frmProbe->txt.Text = "y";
        QVERIFY(frmProbe.loadedOrNull());
        QCOMPARE(frmProbe->log, QStringList{"Load"});
        QVERIFY(!frmProbe->widget()->isVisible());
    }

    void showRaisesLoadBeforeShowing()
    {
        ProgramScope scope;
        frmProbe->Show();
        QVERIFY(!frmProbe->wasVisibleDuringLoad);
        QVERIFY(frmProbe->widget()->isVisible());
        QCOMPARE(frmProbe->log, QStringList{"Load"});
        frmProbe->Show();
        QCOMPARE(frmProbe->log, QStringList{"Load"});
    }

    void unloadRaisesQueryUnloadThenDestroys()
    {
        ProgramScope scope;
        frmOther->Show(); // keeps the program alive
        frmProbe->Show();
        QPointer<QWidget> window = frmProbe->widget();
        QStringList seen;
        bool shownDuringQueryUnload = false;
        frmProbe->onQueryUnload = [&] {
            seen = frmProbe->log;
            shownDuringQueryUnload = window->isVisible();
        };
        QVERIFY(Unload(frmProbe));
        QCOMPARE(seen, (QStringList{"Load", "QueryUnload 1"})); // 1: Unload by the program
        QVERIFY(shownDuringQueryUnload);
        QVERIFY(!frmProbe.loadedOrNull());
        QTRY_VERIFY(window.isNull()); // destroyed once events are processed
        // The next reference gives a fresh window with its own Load.
        QCOMPARE(frmProbe->log, QStringList{"Load"});
        QVERIFY(frmProbe->txt.Text.value().isEmpty());
    }

    void unloadingWindowThatIsNotLoadedDoesNothing()
    {
        ProgramScope scope;
        QVERIFY(Unload(frmProbe));
        QVERIFY(!frmProbe.loadedOrNull());
        QVERIFY(!HasEnded());
    }

    void cancelInQueryUnloadKeepsWindow()
    {
        ProgramScope scope;
        frmProbe->Show();
        frmProbe->cancel = 1;
        QVERIFY(!Unload(frmProbe));
        QVERIFY(frmProbe.loadedOrNull());
        QVERIFY(frmProbe->widget()->isVisible());
        QVERIFY(!HasEnded());
        frmProbe->widget()->close();
        QVERIFY(frmProbe.loadedOrNull());
    }

    void closeBoxUnloadsWithControlMenuMode()
    {
        ProgramScope scope;
        frmOther->Show();
        frmProbe->Show();
        QStringList seen;
        frmProbe->onQueryUnload = [&] { seen = frmProbe->log; };
        QPointer<QWidget> window = frmProbe->widget();
        window->close();
        QCOMPARE(seen, (QStringList{"Load", "QueryUnload 0"}));
        QVERIFY(!frmProbe.loadedOrNull());
        QVERIFY(!window->isVisible());
        QTRY_VERIFY(window.isNull());
    }

    void programEndsWhenLastWindowIsUnloaded()
    {
        ProgramScope scope;
        frmProbe->Show();
        frmOther->Show();
        Unload(frmProbe);
        QVERIFY(!HasEnded());
        Unload(frmOther);
        QVERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 0);
    }

    void handlerMayUnloadItsOwnWindow()
    {
        ProgramScope scope;
        frmOther->Show();
        frmProbe->Show();
        ProbeForm *probe = &frmProbe.instance();
        QPointer<QWidget> window = probe->widget();
        probe->onClickA = [probe] {
            Unload(*probe);
            probe->log << "after Unload"; // the window's data lives until the handler ends
        };
        click(probe->cmdA);
        QVERIFY(!frmProbe.loadedOrNull());
        QVERIFY(!window.isNull());
        QCOMPARE(probe->log.last(), QString("after Unload"));
        QTRY_VERIFY(window.isNull());
    }

    void windowPositionAndSizeInTwips()
    {
        ProgramScope scope;
        frmProbe->Left = 1500;
        frmProbe->Top = 750;
        QCOMPARE(frmProbe->widget()->pos(), QPoint(100, 50));
        QCOMPARE(frmProbe->widget()->size(), QSize(400, 200));
        QCOMPARE(frmProbe->cbo[0].widget()->geometry(), QRect(10, 60, 169, 21));
        QCOMPARE(TwipsToPixels(10), 1);
        QCOMPARE(TwipsToPixels(7005), 467);
    }

    void showFocusesLowestTabIndex()
    {
        ProgramScope scope;
        QVERIFY(showActive(frmProbe.instance()));
        QCOMPARE(QApplication::focusWidget(), frmProbe->cmdB.widget());
        frmOther->cmdB.Visible = false;
        QVERIFY(showActive(frmOther.instance()));
        QCOMPARE(QApplication::focusWidget()->window(), frmOther->widget());
        QVERIFY(frmOther->cbo[0].widget()->isAncestorOf(QApplication::focusWidget())
                || QApplication::focusWidget() == frmOther->cbo[0].widget());
    }

    // ---- errors ----

    void untrappedErrorIsReportedAndEndsProgram()
    {
        ProgramScope scope;
        frmOther->Show();
        frmProbe->Show();
        frmProbe->onClickA = [] { CInt(40000); };
        click(frmProbe->cmdA);
        QCOMPARE(scope.errors.size(), size_t(1));
        QCOMPARE(scope.errors[0].number, 6);
        QCOMPARE(scope.errors[0].description, QString("Overflow"));
        QVERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 1);
        QVERIFY(!frmProbe.loadedOrNull());
        QVERIFY(!frmOther.loadedOrNull());
    }

    void foreignExceptionIsReportedAsInternalError()
    {
        ProgramScope scope;
        frmProbe->Show();
        frmProbe->onClickA = [] { throw std::runtime_error("boom"); };
        click(frmProbe->cmdA);
        QCOMPARE(scope.errors.size(), size_t(1));
        QVERIFY(scope.errors[0].description.contains("boom"));
        QCOMPARE(ExitStatus(), 1);
    }

    void errorInLoadEndsProgram()
    {
        ProgramScope scope;
        struct Failing : ProbeForm
        {
            void Form_Load() override { throw Error(ErrInvalidIndex); }
        };
        GlobalForm<Failing> frmFailing;
        frmOther->Show();
        frmFailing->Show();
        QCOMPARE(scope.errors.size(), size_t(1));
        QCOMPARE(scope.errors[0].number, int(ErrInvalidIndex));
        QVERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 1);
        QVERIFY(!frmFailing.loadedOrNull());
        QVERIFY(!frmOther.loadedOrNull());
        QVERIFY(visibleWindows().isEmpty()); // the failed window was never shown
    }

    // An error raised in an event that a runtime operation raised inside a handler ends the
    // handler as well: nothing after the operation runs, no window is loaded or shown.
    void errorInNestedEventEndsOuterHandler_data()
    {
        QTest::addColumn<bool>("inLoad");
        QTest::newRow("QueryUnload raised by Unload") << false;
        QTest::newRow("Load raised by Show") << true;
    }
    void errorInNestedEventEndsOuterHandler()
    {
        QFETCH(bool, inLoad);
        ProgramScope scope;
        GlobalForm<ProbeForm> frmLater;
        frmOther->Show();
        frmProbe->Show();
        bool ranOn = false;
        if (inLoad) {
            frmProbe->onClickA = [&] {
                ProbeForm::failLoads = true;
                frmLater->Show();
                ranOn = true;
            };
        } else {
            frmOther->onQueryUnload = [] { CInt(40000); };
            frmProbe->onClickA = [&] {
                Unload(frmOther);
                ranOn = true;
                frmLater->Show();
            };
        }
        click(frmProbe->cmdA);
        ProbeForm::failLoads = false;
        QCOMPARE(scope.errors.size(), size_t(1));
        QCOMPARE(scope.errors[0].number, int(ErrOverflow));
        QVERIFY(!ranOn);
        QVERIFY(HasEnded());
        QCOMPARE(ExitStatus(), 1);
        QVERIFY(!frmLater.loadedOrNull());
        QVERIFY(!frmProbe.loadedOrNull());
        QVERIFY(visibleWindows().isEmpty());
    }

    void trappedErrorLeavesProgramRunning()
    {
        ProgramScope scope;
        frmProbe->Show();
        frmProbe->onClickA = [] {
            try {
                CLng("not a number");
            } catch (const Error &) {
            }
        };
        click(frmProbe->cmdA);
        QVERIFY(scope.errors.empty());
        QVERIFY(!HasEnded());
        QVERIFY(frmProbe.loadedOrNull());
    }

    void eventsAfterFatalErrorAreNotRaised()
    {
        ProgramScope scope;
        frmProbe->Show();
        int clicks = 0;
        frmProbe->onClickA = [&] {
            ++clicks;
            throw Error(ErrOverflow);
        };
        click(frmProbe->cmdA);
        RaiseEvent([&] { ++clicks; });
        QCOMPARE(clicks, 1);
    }

    // ---- control arrays ----

    void controlArrayIndexes()
    {
        ProgramScope scope;
        QCOMPARE(frmProbe->cbo.Count(), Integer(2));
        QCOMPARE(errorOf([] { frmProbe->cbo[2]; }), int(ErrNoSuchElement));
        QCOMPARE(errorOf([] { frmProbe->cbo[-1]; }), int(ErrNoSuchElement));
        frmProbe->cbo[1].AddItem(entry("X", 0));
        QVERIFY(showActive(frmProbe.instance()));
        comboOf(frmProbe->cbo[1])->setFocus();
        QTest::keyClick(comboOf(frmProbe->cbo[1]), Qt::Key_Down);
        QVERIFY(frmProbe->log.contains("Click 1"));
        QVERIFY(!frmProbe->log.contains("Click 0"));
    }

    // ---- list box ----

    void listBoxKeepsOrderOfAdding()
    {
        ProgramScope scope;
        ListBox &lst = frmProbe->lst;
        lst.AddItem("b");
        lst.AddItem("A");
        lst.AddItem("a");
        QCOMPARE(lst.ListCount(), Integer(3));
        QCOMPARE(lst.List(0), QString("b"));
        QCOMPARE(lst.List(1), QString("A"));
        QCOMPARE(lst.List(2), QString("a"));
    }

    void listBoxIndexOutsideListRaises()
    {
        ProgramScope scope;
        ListBox &lst = frmProbe->lst;
        QCOMPARE(errorOf([&] { lst.List(0); }), int(ErrInvalidIndex));
        lst.AddItem("only");
        QCOMPARE(errorOf([&] { lst.List(1); }), int(ErrInvalidIndex));
        QCOMPARE(errorOf([&] { lst.List(-1); }), int(ErrInvalidIndex));
    }

    void listBoxRefusesEntry32768()
    {
        ProgramScope scope;
        ListBox &lst = frmProbe->lst;
        for (int i = 0; i < 32767; ++i)
            lst.AddItem(QString::number(i));
        QCOMPARE(lst.ListCount(), Integer(32767));
        QCOMPARE(lst.List(32766), QString("32766"));
        QCOMPARE(errorOf([&] { lst.AddItem("one too many"); }), int(ErrListFull));
        QCOMPARE(lst.ListCount(), Integer(32767));
    }

    // ---- combo box ----

    void comboClearEmptiesListAndField()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("X", 1));
        box.Text = "typed";
        QCOMPARE(shownEntries(box), QStringList{"X"});
        box.Clear();
        QCOMPARE(shownEntries(box), QStringList());
        QCOMPARE(box.Text.value(), QString());
    }

    void comboRefusesEntry32768()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        for (int i = 0; i < 32767; ++i)
            box.AddItem(entry("N", i));
        QCOMPARE(errorOf([&] { box.AddItem(entry("N", 32767)); }), int(ErrListFull));
        QCOMPARE(shownEntries(box).size(), qsizetype(32767));
    }

    void comboShowsOnlyVisiblePart()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Kopira 2530/S", 395));
        box.AddItem(records::fixed("Project Starling (rev.C)", 30) + Space(50) + "7");
        QVERIFY(showActive(frmProbe.instance()));
        QComboBox *combo = comboOf(box);
        QAbstractItemModel *model = combo->model();
        QCOMPARE(model->rowCount(), 2);
        for (int role : {int(Qt::DisplayRole), int(Qt::EditRole), int(Qt::AccessibleTextRole)}) {
            QCOMPARE(model->index(0, 0).data(role).toString(), QString("Kopira 2530/S"));
            QCOMPARE(model->index(1, 0).data(role).toString(), QString("Project Starling (rev.C)"));
        }
        QVERIFY(!model->index(0, 0).data(Qt::ToolTipRole).isValid());
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->lineEdit()->text(), QString());
    }

    void pickByKeyboardRaisesClickWithWholeText()
    {
        ProgramScope scope;
        QComboBox *combo = focusedList({"Alpha"});
        QVERIFY(combo);
        ComboBox &box = frmProbe->cbo[0];
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(frmProbe->log.last(), QString("Click 0"));
        QCOMPARE(frmProbe->textDuringClick, entry("Alpha", 1));
        // The edit field shows the name only, while Text still reads the whole entry.
        QCOMPARE(combo->lineEdit()->text(), QString("Alpha"));
        QCOMPARE(box.Text.value(), entry("Alpha", 1));
        box.Text = "";
        QCOMPARE(combo->lineEdit()->text(), QString());
        QCOMPARE(box.Text.value(), QString());
    }

    void pickFromOpenListRaisesDropDownThenClick()
    {
        ProgramScope scope;
        QComboBox *combo = focusedList({"Beta", "Alpha"});
        QVERIFY(combo);
        QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(combo->view()->isVisible());
        QCOMPARE(frmProbe->log.last(), QString("DropDown 0"));
        QCOMPARE(frmProbe->listCountAtDropDown, 2);
        QVERIFY(!frmProbe->popupVisibleAtDropDown);
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QTRY_VERIFY(!combo->view()->isVisible());
        QCOMPARE(frmProbe->log.last(), QString("Click 0"));
        QCOMPARE(frmProbe->textDuringClick, entry("Beta", 1));
    }

    // Enter in the open list is first offered as a shortcut, before a screen reader has had the
    // key; the keypad's Enter is its Where Am I. The offer alone picks nothing; the key press,
    // which comes when no screen reader claims the key, picks as Enter does.
    void enterPicksOnlyWhenPressed()
    {
        ProgramScope scope;
        QComboBox *combo = focusedList({"Alpha", "Beta"});
        QVERIFY(combo);
        QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(combo->view()->isVisible());
        QKeyEvent offer(QEvent::ShortcutOverride, Qt::Key_Enter, Qt::KeypadModifier, "\r");
        QApplication::sendEvent(combo->view(), &offer);
        QVERIFY(combo->view()->isVisible());
        QVERIFY(frmProbe->log.filter("Click").isEmpty());
        QTest::keyClick(combo->view(), Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(!combo->view()->isVisible());
        QCOMPARE(frmProbe->log.last(), QString("Click 0"));
    }

    void f4OpensListAndRaisesDropDown()
    {
        ProgramScope scope;
        QComboBox *combo = focusedList({});
        QVERIFY(combo);
        QTest::keyClick(combo, Qt::Key_F4);
        QCOMPARE(frmProbe->log.last(), QString("DropDown 0")); // also for an empty list
        QCOMPARE(frmProbe->listCountAtDropDown, 0);
    }

    // F4, Alt+Down and Alt+Up each open a closed list and close an open one; none picks.
    void listKeysOpenAndCloseWithoutPicking_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier);
        QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
        QTest::newRow("Alt+Up") << int(Qt::Key_Up) << int(Qt::AltModifier);
    }
    void listKeysOpenAndCloseWithoutPicking()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        ProgramScope scope;
        QComboBox *combo = focusedList({"Alpha", "Beta"});
        QVERIFY(combo);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        QTest::keyClick(combo, Qt::Key(key), mods);
        QTRY_VERIFY(combo->view()->isVisible());
        QCOMPARE(frmProbe->log.last(), QString("DropDown 0"));
        // The entry that Enter would pick shows as selected.
        QVERIFY(combo->view()->selectionModel()->isSelected(combo->view()->currentIndex()));
        QTest::keyClick(combo->view(), Qt::Key(key), mods);
        QTRY_VERIFY(!combo->view()->isVisible());
        QCOMPARE(frmProbe->log.filter("DropDown").size(), 1);
        QVERIFY(frmProbe->log.filter("Click").isEmpty());
        QCOMPARE(combo->currentIndex(), -1);
    }

    void typingAddsNothingAndPicksNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("prefix of an entry") << "Al";
        QTest::newRow("whole name of an entry") << "Alpha";
        QTest::newRow("unknown text") << "zzz";
    }
    void typingAddsNothingAndPicksNothing()
    {
        QFETCH(QString, typed);
        ProgramScope scope;
        QComboBox *combo = focusedList({"Alpha", "alpha"});
        QVERIFY(combo);
        ComboBox &box = frmProbe->cbo[0];
        QTest::keyClicks(combo->lineEdit(), typed);
        QCOMPARE(combo->lineEdit()->text(), typed); // no completion fills the field
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Enter);
        frmProbe->txt.widget()->setFocus(); // leave the field
        QTRY_VERIFY(frmProbe->txt.widget()->hasFocus());
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!frmProbe->log.join(',').contains("Click"));
        QCOMPARE(box.Text.value(), typed);
    }

    void wheelOverClosedListPicksNothing()
    {
        ProgramScope scope;
        QComboBox *combo = focusedList({"Alpha", "Beta"});
        QVERIFY(combo);
        const QPoint at = combo->rect().center();
        QWheelEvent wheel(at, combo->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &wheel);
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!frmProbe->log.join(',').contains("Click"));
    }

    void typedTextThenPickReadsEntryAgain()
    {
        ProgramScope scope;
        QComboBox *combo = focusedList({"Alpha"});
        QVERIFY(combo);
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClicks(combo->lineEdit(), "x");
        QCOMPARE(frmProbe->cbo[0].Text.value(), QString("Alphax"));
    }

    // ---- text box and label ----

    void textBoxShowsStartOfLongText()
    {
        ProgramScope scope;
        frmProbe->txt.Text = records::fixed("Project Starling (rev.C)", 30);
        auto *edit = static_cast<QLineEdit *>(frmProbe->txt.widget());
        QCOMPARE(edit->text(), records::fixed("Project Starling (rev.C)", 30));
        QCOMPARE(edit->cursorPosition(), 0);
    }

    // Black or white, whichever reads better on the background: luminance is measured in linear
    // light, so a mid grey that looks light is still dark enough for white text.
    void textColourOnFixedBackground_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("white") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("window grey") << QColor(224, 224, 224) << QColor(Qt::black);
        QTest::newRow("mid grey 118") << QColor(118, 118, 118) << QColor(Qt::black);
        QTest::newRow("mid grey 117") << QColor(117, 117, 117) << QColor(Qt::white);
        QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::white);
    }
    void textColourOnFixedBackground()
    {
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        QCOMPARE(detail::textColorOn(background), text);
    }

    // ---- pictures ----

    // Read once per process, and the "@2x" drawing at half its size in pixels on a dense
    // display, also where Qt itself does not read the "@2x" in a file's name (initMain).
    void picturesAreDecodedOnceAndKeepTheirSize()
    {
        const QPixmap banner = detail::picture(":/banner.bmp", 1.0);
        QVERIFY(!banner.isNull());
        QCOMPARE(detail::picture(":/banner.bmp", 1.0).cacheKey(), banner.cacheKey());
        const QPixmap dense = detail::picture(":/banner.bmp", 2.0);
        QCOMPARE(dense.devicePixelRatio(), 2.0);
        QCOMPARE(dense.deviceIndependentSize(), banner.deviceIndependentSize());
        QCOMPARE(detail::picture(":/banner.bmp", 2.0).cacheKey(), dense.cacheKey());
        QCOMPARE(detail::icon(":/main.ico").cacheKey(), detail::icon(":/main.ico").cacheKey());
    }

    void labelNamesItsControlForScreenReaders()
    {
        ProgramScope scope;
        frmProbe->lbl.setLabelFor(frmProbe->cbo[1]);
        frmProbe->lbl.Caption = "Product Code";
        QCOMPARE(frmProbe->cbo[1].widget()->accessibleName(), QString("Product Code"));
    }
};

MXR_TEST_MAIN(FormsRuntime)
#include "tst_forms.moc"
