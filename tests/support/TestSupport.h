// Shared by the GUI tests: a clean program state for every test function, a reporter that
// records untrapped errors instead of showing a modal box, and helpers to drive the windows.
#pragma once

#include "ModelTable.h"
#include "forms/Controls.h"
#include "frmMain.h"
#include "frmSearch.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QStringList>
#include <QTest>
#include <QWidget>

#include <vector>

// Installs an error reporter that records what reaches it, and ends every window and the
// program's ended state when the test function is over.
class ProgramScope
{
public:
    ProgramScope()
    {
        m_previous = forms::SetErrorReporter([this](const forms::Error &e) {
            errors.push_back({e.Number(), e.Description()});
        });
    }
    ~ProgramScope()
    {
        forms::End();
        forms::ClearEndedForTesting();
        forms::SetErrorReporter(m_previous);
        CategoryIndex = 0;
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
    forms::ErrorReporter m_previous;
};

// A text as a fixed-width field of width holds it: cut, or padded with spaces.
inline QString fixed(const QString &text, int width)
{
    return text.left(width).leftJustified(width, QLatin1Char(' '));
}

// A text without its trailing spaces.
inline QString rtrim(QString text)
{
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// Replaces the model table in lstMain with rows of the test's own.
inline void fillTable(const QStringList &rows)
{
    forms::ListBox &lstMain = frmMain->lstMain;
    lstMain.Clear();
    for (const QString &row : rows)
        lstMain.AddItem(row);
}

// One record in the table's fixed-width layout.
inline QString makeRecord(const QString &prod, const QString &tev, const QString &dun,
                          const QString &bre, const QString &ost, const QString &name,
                          const QString &type)
{
    return fixed(prod, 10) + fixed(tev, 20) + fixed(dun, 20) + fixed(bre, 20) + fixed(ost, 20)
            + fixed(name, 30) + fixed(type, 3);
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

// Opens the search window for a category as the main menu does, also for categories that no
// button offers.
inline SearchForm &openSearchFor(forms::Long category)
{
    forms::Unload(frmSearch);
    CategoryIndex = category;
    frmSearch->Show();
    return *frmSearch;
}

inline QComboBox *comboOf(forms::ComboBox &box)
{
    return static_cast<QComboBox *>(box.widget());
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
