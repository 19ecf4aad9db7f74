// The forms runtime: window instances, Load and QueryUnload, the end of the program, untrapped
// errors, control arrays, placement in twips, and the list controls.
#include "TestSupport.h"

#include "forms/Widgets.h"

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

// A window with one control of each kind that records its events.
class ProbeForm : public Form
{
public:
    ProbeForm()
    {
        setClientSize(6000, 3000);
        //                    left   top width height tab
        cmdA.Place(            150,  150, 1200,  375,  2);
        cmdB.Place(           1500,  150, 1200,  375,  0);
        cbo[0].Place(          150,  900, 2535,  315,  1);
        cbo[1].Place(         3000,  900, 2535,  315,  3);
        txt.Place(             150, 1500, 1965,  285,  4);
        lbl.Place(             150, 2100,  555,  180,  5);
        lst.Place(            3000, 1500,  615,  255,  6);
        cmdA.Caption = "&Alpha";
        cmdB.Caption = "&Beta";
        cbo[0].setSorted(true);
        cbo[0].setVisibleLength(80);
        applyTabOrder();
        cmdA.OnClick([this] {
            log << "ClickA";
            if (onClickA)
                onClickA();
        });
        cbo.OnClick(this, &ProbeForm::cbo_Click);
        cbo.OnDropDown(this, &ProbeForm::cbo_DropDown);
    }

    CommandButton cmdA{this};
    CommandButton cmdB{this};
    ControlArray<ComboBox> cbo{this, 2};
    TextBox txt{this};
    Label lbl{this};
    ListBox lst{this};

    QStringList log;
    QString textDuringClick;
    int listCountAtDropDown = -1;
    bool popupVisibleAtDropDown = false;
    Integer cancel = 0;
    bool wasVisibleDuringLoad = true;
    std::function<void()> onLoad;
    std::function<void()> onClickA;
    std::function<void()> onQueryUnload;

protected:
    void Form_Load() override
    {
        wasVisibleDuringLoad = widget()->isVisible();
        log << "Load";
        if (onLoad)
            onLoad();
    }
    void Form_QueryUnload(Integer &Cancel, Integer UnloadMode) override
    {
        log << QString("QueryUnload %1").arg(UnloadMode);
        Cancel = cancel;
        if (onQueryUnload)
            onQueryUnload();
    }

private:
    void cbo_Click(Integer Index)
    {
        log << QString("Click %1").arg(Index);
        textDuringClick = cbo[Index].Text;
    }
    void cbo_DropDown(Integer Index)
    {
        log << QString("DropDown %1").arg(Index);
        listCountAtDropDown = cbo[Index].ListCount();
        popupVisibleAtDropDown = cbo[Index].widget()->findChild<QAbstractItemView *>()->isVisible();
    }
};

GlobalForm<ProbeForm> frmProbe;
GlobalForm<ProbeForm> frmOther;

QString entry(const QString &name, int index)
{
    return Fixed(name, 20) + Space(60) + CStr(index);
}

template <typename F>
int errorNumberOf(F &&f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.Number();
    }
    return 0;
}

} // namespace

class FormsRuntime : public QObject
{
    Q_OBJECT

private slots:
    // ---- windows ----

    void firstReferenceCreatesAndLoadsOnce()
    {
        ProgramScope scope;
        QVERIFY(!frmProbe.IsLoaded());
        frmProbe->txt.Text = "x";
        frmProbe->txt.Text = "y";
        QVERIFY(frmProbe.IsLoaded());
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
        frmOther->Show();    // keeps the program alive
        frmProbe->Show();
        QPointer<QWidget> window = frmProbe->widget();
        QStringList *log = &frmProbe->log;
        QVERIFY(Unload(frmProbe));
        QVERIFY(!frmProbe.IsLoaded());
        QVERIFY(window.isNull());    // destroyed at once: no handler is running
        Q_UNUSED(log);
        // The next reference gives a fresh window with its own Load.
        QCOMPARE(frmProbe->log, QStringList{"Load"});
        QVERIFY(frmProbe->txt.Text.value().isEmpty());
    }

    void unloadPassesCodeModeToQueryUnload()
    {
        ProgramScope scope;
        frmOther->Show();
        frmProbe->Show();
        QStringList seen;
        frmProbe->onQueryUnload = [&] { seen = frmProbe->log; };
        Unload(frmProbe);
        QCOMPARE(seen, (QStringList{"Load", "QueryUnload 1"}));
    }

    void unloadingWindowThatIsNotLoadedDoesNothing()
    {
        ProgramScope scope;
        QVERIFY(Unload(frmProbe));
        QVERIFY(!frmProbe.IsLoaded());
        QVERIFY(!HasEnded());
    }

    void cancelInQueryUnloadKeepsWindow()
    {
        ProgramScope scope;
        frmProbe->Show();
        frmProbe->cancel = 1;
        QVERIFY(!Unload(frmProbe));
        QVERIFY(frmProbe.IsLoaded());
        QVERIFY(frmProbe->widget()->isVisible());
        QVERIFY(!HasEnded());
        frmProbe->widget()->close();
        QVERIFY(frmProbe.IsLoaded());
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
        QVERIFY(!frmProbe.IsLoaded());
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
        ProbeForm *probe = &*frmProbe;
        QPointer<QWidget> window = probe->widget();
        probe->onClickA = [probe] {
            Unload(*probe);
            probe->log << "after Unload";    // the window's data lives until the handler ends
        };
        click(probe->cmdA);
        QVERIFY(!frmProbe.IsLoaded());
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
        QCOMPARE(Single(frmProbe->Left), Single(1500));
        frmProbe->Caption = "Probe";
        QCOMPARE(frmProbe->widget()->windowTitle(), QString("Probe"));
        QCOMPARE(frmProbe->cbo[0].widget()->geometry(), QRect(10, 60, 169, 21));
        QCOMPARE(TwipsToPixels(10), 1);
        QCOMPARE(TwipsToPixels(7005), 467);
    }

    void showFocusesLowestTabIndex()
    {
        ProgramScope scope;
        QVERIFY(showActive(*frmProbe));
        QCOMPARE(QApplication::focusWidget(), frmProbe->cmdB.widget());
        frmOther->cmdB.Visible = false;
        QVERIFY(showActive(*frmOther));
        QCOMPARE(QApplication::focusWidget()->window(), frmOther->widget());
        QVERIFY(frmOther->cbo[0].widget()->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == frmOther->cbo[0].widget());
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
        QVERIFY(!frmProbe.IsLoaded());
        QVERIFY(!frmOther.IsLoaded());
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
        frmProbe->onLoad = [] {};    // the first instance loads normally
        frmOther.IsLoaded();
        bool reached = false;
        // A window whose Load fails: the error is untrapped.
        struct Failing : ProbeForm
        {
            void Form_Load() override { throw Error(ErrInvalidIndex); }
        };
        GlobalForm<Failing> frmFailing;
        frmFailing->Show();
        reached = true;
        QVERIFY(reached);
        QCOMPARE(scope.errors.size(), size_t(1));
        QCOMPARE(scope.errors[0].number, int(ErrInvalidIndex));
        QVERIFY(HasEnded());
        QVERIFY(!frmFailing.IsLoaded());
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
        QVERIFY(frmProbe.IsLoaded());
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
        QCOMPARE(errorNumberOf([] { frmProbe->cbo[2]; }), int(ErrNoSuchElement));
        QCOMPARE(errorNumberOf([] { frmProbe->cbo[-1]; }), int(ErrNoSuchElement));
        frmProbe->cbo[1].AddItem(entry("X", 0));
        QVERIFY(showActive(*frmProbe));
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
        QCOMPARE(errorNumberOf([&] { lst.List(0); }), int(ErrInvalidIndex));
        lst.AddItem("only");
        QCOMPARE(errorNumberOf([&] { lst.List(1); }), int(ErrInvalidIndex));
        QCOMPARE(errorNumberOf([&] { lst.List(-1); }), int(ErrInvalidIndex));
    }

    void listBoxRefusesEntry32768()
    {
        ProgramScope scope;
        ListBox &lst = frmProbe->lst;
        for (int i = 0; i < 32767; ++i)
            lst.AddItem(QString::number(i));
        QCOMPARE(lst.ListCount(), Integer(32767));
        QCOMPARE(lst.List(32766), QString("32766"));
        QCOMPARE(errorNumberOf([&] { lst.AddItem("one too many"); }), int(ErrListFull));
        QCOMPARE(lst.ListCount(), Integer(32767));
    }

    // ---- combo box ----

    void sortedComboOrdersWholeText_data()
    {
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case is ignored for letters")
            << QStringList{entry("beta", 1), entry("Alpha", 2), entry("ALPHA", 3)}
            << QStringList{entry("Alpha", 2), entry("ALPHA", 3), entry("beta", 1)};
        QTest::newRow("same text but case: upper case first")
            << QStringList{entry("alpha", 1), entry("ALPHA", 1)}
            << QStringList{entry("ALPHA", 1), entry("alpha", 1)};
        QTest::newRow("shared name ordered by index as text")
            << QStringList{entry("DN 1125", 99), entry("DN 1125", 100), entry("DN 1125", 9),
                           entry("DN 1125", 10)}
            << QStringList{entry("DN 1125", 10), entry("DN 1125", 100), entry("DN 1125", 9),
                           entry("DN 1125", 99)};
        QTest::newRow("shorter name before longer")
            << QStringList{entry("K-2530Z", 1), entry("K-2530", 2), entry("K-25", 3)}
            << QStringList{entry("K-25", 3), entry("K-2530", 2), entry("K-2530Z", 1)};
        QTest::newRow("space digits letters")
            << QStringList{entry("A1", 1), entry("AB", 2), entry("A B", 3), entry("A-", 4)}
            << QStringList{entry("A B", 3), entry("A-", 4), entry("A1", 1), entry("AB", 2)};
    }
    void sortedComboOrdersWholeText()
    {
        QFETCH(QStringList, added);
        QFETCH(QStringList, expected);
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        for (const QString &text : added)
            box.AddItem(text);
        QCOMPARE(box.ListCount(), Integer(expected.size()));
        QStringList listed;
        for (Integer i = 0; i < box.ListCount(); ++i)
            listed << box.List(i);
        QCOMPARE(listed, expected);
    }

    void sortedComboPlacesLaterEntries()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        QStringList all;
        auto *random = QRandomGenerator::global();
        for (int i = 0; i < 500; ++i)
            all << entry(QString("N%1").arg(random->bounded(50)), i);
        for (int i = 0; i < 250; ++i)
            box.AddItem(all[i]);
        QCOMPARE(box.List(0).isEmpty(), false);    // read once: the first half is settled
        for (int i = 250; i < 500; ++i)
            box.AddItem(all[i]);
        std::sort(all.begin(), all.end(), detail::SortedListModel::lessThan);
        QStringList listed;
        for (Integer i = 0; i < box.ListCount(); ++i)
            listed << box.List(i);
        QCOMPARE(listed, all);
        QCOMPARE(comboOf(box)->count(), 500);
    }

    void sortedComboOrdersAnyCharacters()
    {
        // Texts that share long beginnings, differ only in case or only beyond their first
        // characters, hold letters beyond Latin-1, NUL or U+00FF: the list's order is the
        // whole-text order of lessThan, whatever the list does to get there quickly.
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        const QString alphabet = QStringLiteral("aAbB zZ09-\u00e9\u00c9\u00ff\u0100\u0101\u03a9"
                                                "\u03c9\u0130\u212a");
        const QString prefixes[] = {"", "Kopira 2530/S Pro ", "kopira 2530/s pro ",
                                    QString(20, QLatin1Char('x')), QString(QChar(0)) + "A"};
        auto *random = QRandomGenerator::global();
        QStringList all;
        for (int i = 0; i < 3000; ++i) {
            QString text = prefixes[random->bounded(int(std::size(prefixes)))];
            const int length = random->bounded(6);
            for (int c = 0; c < length; ++c)
                text += alphabet[random->bounded(int(alphabet.size()))];
            all << text;
        }
        for (const QString &text : all)
            box.AddItem(text);
        std::sort(all.begin(), all.end(), detail::SortedListModel::lessThan);
        QStringList listed;
        for (Integer i = 0; i < box.ListCount(); ++i)
            listed << box.List(i);
        QCOMPARE(listed, all);
    }

    void unsortedComboKeepsOrderOfAdding()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[1];
        box.AddItem("b");
        box.AddItem("a");
        QCOMPARE(box.List(0), QString("b"));
        QCOMPARE(box.List(1), QString("a"));
    }

    void comboClearEmptiesListAndField()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("X", 1));
        box.Text = "typed";
        box.Clear();
        QCOMPARE(box.ListCount(), Integer(0));
        QCOMPARE(box.Text.value(), QString());
        QCOMPARE(errorNumberOf([&] { box.List(0); }), int(ErrInvalidIndex));
    }

    void comboRefusesEntry32768()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        for (int i = 0; i < 32767; ++i)
            box.AddItem(entry("N", i));
        QCOMPARE(errorNumberOf([&] { box.AddItem(entry("N", 32767)); }), int(ErrListFull));
        QCOMPARE(box.ListCount(), Integer(32767));
    }

    void comboShowsOnlyVisiblePart()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Kopira 2530/S", 395));
        box.AddItem(Fixed("Project Starling (rev.C)", 30) + Space(50) + "7");
        QVERIFY(showActive(*frmProbe));
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
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Alpha", 12));
        QVERIFY(showActive(*frmProbe));
        QComboBox *combo = comboOf(box);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(frmProbe->log.last(), QString("Click 0"));
        QCOMPARE(frmProbe->textDuringClick, entry("Alpha", 12));
        // The edit field shows the name only, while Text still reads the whole entry.
        QCOMPARE(combo->lineEdit()->text(), QString("Alpha"));
        QCOMPARE(box.Text.value(), entry("Alpha", 12));
        box.Text = "";
        QCOMPARE(combo->lineEdit()->text(), QString());
        QCOMPARE(box.Text.value(), QString());
    }

    void pickFromOpenListRaisesDropDownThenClick()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Beta", 2));
        box.AddItem(entry("Alpha", 1));
        QVERIFY(showActive(*frmProbe));
        QComboBox *combo = comboOf(box);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(combo->view()->isVisible());
        QCOMPARE(frmProbe->log.last(), QString("DropDown 0"));
        QCOMPARE(frmProbe->listCountAtDropDown, 2);
        QVERIFY(!frmProbe->popupVisibleAtDropDown);
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QTRY_VERIFY(!combo->view()->isVisible());
        QCOMPARE(frmProbe->log.last(), QString("Click 0"));
        QCOMPARE(frmProbe->textDuringClick, entry("Beta", 2));
    }

    void f4OpensListAndRaisesDropDown()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        QVERIFY(showActive(*frmProbe));
        QComboBox *combo = comboOf(box);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_F4);
        QCOMPARE(frmProbe->log.last(), QString("DropDown 0"));    // also for an empty list
        QCOMPARE(frmProbe->listCountAtDropDown, 0);
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
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Alpha", 1));
        box.AddItem(entry("alpha", 2));
        QVERIFY(showActive(*frmProbe));
        QComboBox *combo = comboOf(box);
        combo->setFocus();
        QTest::keyClicks(combo->lineEdit(), typed);
        QCOMPARE(combo->lineEdit()->text(), typed);    // no completion fills the field
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Enter);
        frmProbe->txt.widget()->setFocus();    // leave the field
        QTRY_VERIFY(frmProbe->txt.widget()->hasFocus());
        QCOMPARE(box.ListCount(), Integer(2));
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentIndex(), -1);
        QVERIFY(!frmProbe->log.join(',').contains("Click"));
        QCOMPARE(box.Text.value(), typed);
    }

    void wheelOverClosedListPicksNothing()
    {
        ProgramScope scope;
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Alpha", 1));
        box.AddItem(entry("Beta", 2));
        QVERIFY(showActive(*frmProbe));
        QComboBox *combo = comboOf(box);
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
        ComboBox &box = frmProbe->cbo[0];
        box.AddItem(entry("Alpha", 5));
        QVERIFY(showActive(*frmProbe));
        QComboBox *combo = comboOf(box);
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QTest::keyClicks(combo->lineEdit(), "x");
        QCOMPARE(box.Text.value(), QString("Alphax"));
    }

    // ---- text box and label ----

    void textBoxShowsStartOfLongText()
    {
        ProgramScope scope;
        frmProbe->txt.Text = Fixed("Project Starling (rev.C)", 30);
        auto *edit = static_cast<QLineEdit *>(frmProbe->txt.widget());
        QCOMPARE(edit->text(), Fixed("Project Starling (rev.C)", 30));
        QCOMPARE(edit->cursorPosition(), 0);
    }

    void labelNamesItsControlForScreenReaders()
    {
        ProgramScope scope;
        frmProbe->lbl.setLabelFor(frmProbe->cbo[1]);
        frmProbe->lbl.Caption = "Product Code";
        QCOMPARE(frmProbe->cbo[1].widget()->accessibleName(), QString("Product Code"));
    }
};

QTEST_MAIN(FormsRuntime)
#include "tst_forms.moc"
