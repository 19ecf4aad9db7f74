// What the GUI tests share: the application set up as the program has it (MXR_TEST_MAIN), a
// run of the program for every test function, a reporter that records untrapped errors
// instead of showing a modal box, a window of the tests' own, and helpers that drive the real
// windows as a user does.
#pragma once

#include "Common.h"
#include "Edition.h"
#include "ModelTable.h"
#include "ModelTableData.h"
#include "forms/Controls.h"
#include "forms/Program.h"
#include "frmMain.h"
#include "frmSearch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <functional>
#include <vector>

template<typename TestObject>
void callInitMain()
{
    if constexpr (requires { TestObject::initMain(); })
        TestObject::initMain();
}

// A test program's main: the application as QTEST_MAIN makes it for widgets, set up as the
// program's own start sets it up. A static TestObject::initMain() runs first, before there is an
// application object.
#define MXR_TEST_MAIN(TestObject)                                                                  \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        callInitMain<TestObject>();                                                                \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        forms::SetUpApplication();                                                                 \
        TestObject tc;                                                                             \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

// One run of the program for a test function: an error reporter that records what reaches it,
// and at the end every window unloaded as the program ends.
class ProgramScope
{
public:
    ProgramScope()
    {
        forms::SetErrorReporter([this](const forms::Error &e) {
            errors.push_back({e.Number(), e.Description()});
        });
    }
    ~ProgramScope()
    {
        forms::End();
        forms::SetErrorReporter({});
        CategoryIndex = 0;
        // The windows that were unloaded go now, as they would in the event loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ProgramScope(const ProgramScope &) = delete;
    ProgramScope &operator=(const ProgramScope &) = delete;

    struct Reported
    {
        int number;
        QString description;
    };
    std::vector<Reported> errors;

private:
    forms::ProgramRun m_run;
};

inline bool internalEdition()
{
    return EditionCode == "I";
}

inline QStringList tableRows()
{
    QStringList rows;
    for (forms::Integer i = 0; i < frmMain->lstMain.ListCount(); ++i)
        rows << frmMain->lstMain.List(i);
    return rows;
}

// Shows a window and waits until it is active, so that access keys reach it.
inline bool showActive(forms::Form &form)
{
    form.Show();
    QWidget *w = form.widget();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

// Presses a button by mouse as a user does.
inline void click(forms::Control &control)
{
    QTest::mouseClick(control.widget(), Qt::LeftButton);
}

// Presses a button at once, as a program or an assistive technology does.
inline void press(forms::CommandButton &button)
{
    static_cast<QPushButton *>(button.widget())->click();
}

// Opens the search window for a category as the main menu does, also for categories that no
// button offers.
inline SearchForm &openSearchFor(forms::Long category)
{
    forms::Unload(frmSearch);
    CategoryIndex = category;
    frmSearch->Show();
    return frmSearch.instance();
}

inline QComboBox *comboOf(forms::ComboBox &box)
{
    return static_cast<QComboBox *>(box.widget());
}

// The names a list shows, in its order, as it draws them: a list puts the entries added to it in
// their places before it draws or handles anything.
inline QStringList shownEntries(forms::ComboBox &box)
{
    QComboBox *combo = comboOf(box);
    combo->grab();
    QStringList names;
    for (int row = 0; row < combo->count(); ++row)
        names << combo->itemText(row);
    return names;
}

// Opens the list and picks the entry in the given row, by keyboard or by mouse, as a user does.
inline void pick(forms::ComboBox &box, int row, bool byMouse = false)
{
    QComboBox *combo = comboOf(box);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
    QAbstractItemView *view = combo->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    if (byMouse) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    } else {
        view->setCurrentIndex(index);
        QTest::keyClick(view, Qt::Key_Return);
    }
    QTRY_VERIFY(!view->isVisible());
}

inline char *toString(const Boxes &b)
{
    return qstrdup(qPrintable(b.joined()));
}

// A window of the tests' own, with a control of each kind, that records its events and runs
// the test's code in its handlers.
class ProbeForm : public forms::Form
{
public:
    ProbeForm()
    {
        setClientSize(6000, 3000);
        // clang-format off
        //                    left   top width height tab
        cmdA.Place(            150,  150, 1200,  375,  2);
        cmdB.Place(           1500,  150, 1200,  375,  0);
        cbo[0].Place(          150,  900, 2535,  315,  1);
        cbo[1].Place(         3000,  900, 2535,  315,  3);
        txt.Place(             150, 1500, 1965,  285,  4);
        lbl.Place(             150, 2100,  555,  180,  5);
        lst.Place(            3000, 1500,  615,  255,  6);
        // clang-format on
        cmdA.Caption = "&Alpha";
        cmdB.Caption = "&Beta";
        cbo[0].setVisibleLength(80);
        applyTabOrder();
        cmdA.OnClick([this] { handle("ClickA", onClickA); });
        cmdB.OnClick([this] { handle("ClickB", onClickB); });
        cbo.OnClick(this, &ProbeForm::cbo_Click);
        cbo.OnDropDown(this, &ProbeForm::cbo_DropDown);
    }

    forms::CommandButton cmdA{this};
    forms::CommandButton cmdB{this};
    forms::ControlArray<forms::ComboBox> cbo{this, 2};
    forms::TextBox txt{this};
    forms::Label lbl{this};
    forms::ListBox lst{this};

    inline static bool failLoads = false; // every probe's Load raises an overflow while set
    inline static int loads = 0; // probes loaded in this process
    QStringList log;
    QString textDuringClick;
    int listCountAtDropDown = -1;
    bool popupVisibleAtDropDown = false;
    forms::Integer cancel = 0;
    bool wasVisibleDuringLoad = true;
    std::function<void()> onLoad, onClickA, onClickB, onQueryUnload;

protected:
    void Form_Load() override
    {
        wasVisibleDuringLoad = widget()->isVisible();
        ++loads;
        log << "Load";
        if (failLoads)
            forms::CInt(40000);
        if (onLoad)
            onLoad();
    }
    void Form_QueryUnload(forms::Integer &Cancel, forms::Integer UnloadMode) override
    {
        Cancel = cancel;
        handle(QString("QueryUnload %1").arg(UnloadMode), onQueryUnload);
    }

private:
    void handle(const QString &event, const std::function<void()> &code)
    {
        log << event;
        if (code)
            code();
    }
    void cbo_Click(forms::Integer Index)
    {
        log << QString("Click %1").arg(Index);
        textDuringClick = cbo[Index].Text;
    }
    void cbo_DropDown(forms::Integer Index)
    {
        log << QString("DropDown %1").arg(Index);
        listCountAtDropDown = comboOf(cbo[Index])->count();
        popupVisibleAtDropDown = comboOf(cbo[Index])->view()->isVisible();
    }
};

inline forms::GlobalForm<ProbeForm> frmProbe, frmOther;
