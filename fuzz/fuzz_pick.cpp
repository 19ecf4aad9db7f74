// A pick in the search window of any text in a list: the list's entries, and texts of the
// fuzzer's added to the list, picked as the box reports a user's pick, and lists opened, on the
// shipped table for any category. After a pick either nothing but the edit field has changed
// (it shows the entry picked), or the entry held a number from character 81 on and the edit
// field is empty, and the seven boxes show exactly that row of the table (or, for a number
// that names no row, are as they were). An error that no handler traps is a finding. The lists
// show only their entries' names: the fuzzer keeps its own account of the whole entries, from
// the table and from what it added, in the lists' order.
//
// Input: a category byte (0-9, 10 for one that no button offers), then operations until the
// end, each a byte: its low two bits choose what happens (see LLVMFuzzerTestOneInput), its high
// four bits which list (0-4).
#include "Common.h"
#include "FuzzSupport.h"

#include "ModelTable.h"
#include "forms/SortedListModel_p.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <vector>

using namespace forms;

namespace {

// One window per category, loaded on first use and kept: loading one takes far longer than a
// pick. Its lists' entries as loaded, in the lists' order, to put back after each input.
GlobalForm<SearchForm> windows[11];
std::vector<QStringList> loadedEntries[11];
std::vector<QStringList> listed; // what the lists of the window in use hold now, in their order

QStringList table; // lstMain's rows
QStringList untrapped; // what reached the error reporter

QStringList editTexts(SearchForm &f)
{
    QStringList texts;
    for (Integer i = 0; i < f.cboSearch.Count(); ++i)
        texts << f.cboSearch[i].Text;
    return texts;
}

QComboBox *comboOf(ComboBox &box)
{
    return static_cast<QComboBox *>(box.widget());
}

void noUntrappedError(const char *during)
{
    FUZZ_CHECK(!HasEnded(),
               QStringLiteral("an untrapped error ended the program during %1: %2")
                       .arg(QLatin1String(during), untrapped.join(u"; ")));
}

SearchForm &windowFor(Long category)
{
    GlobalForm<SearchForm> &window = windows[category];
    if (!window.loadedOrNull()) {
        CategoryIndex = category;
        SearchForm &f = window.instance();
        noUntrappedError("Load");
        // What the load makes of the table, as tst_search holds it to.
        const std::vector<QStringList> lists = records::lookupEntries(table, int(category));
        for (Integer i = 0; i < f.cboSearch.Count(); ++i) {
            QStringList list = lists[size_t(i)];
            std::sort(list.begin(), list.end(), detail::SortedListModel::lessThan);
            QComboBox *combo = comboOf(f.cboSearch[i]);
            combo->grab(); // drawn, the list has put its entries in their places
            FUZZ_CHECK(combo->count() == list.size(),
                       QStringLiteral("a list loaded %1 entries, not %2")
                               .arg(combo->count())
                               .arg(list.size()));
            loadedEntries[category].push_back(list);
        }
    }
    listed = loadedEntries[category];
    return window.instance();
}

// The list opened and closed again, as F4 does twice; a hidden list cannot be opened.
void dropDown(SearchForm &f, Integer index)
{
    if (f.cboSearch[index].widget()->isHidden())
        return;
    const QStringList edits = editTexts(f);
    comboOf(f.cboSearch[index])->showPopup();
    comboOf(f.cboSearch[index])->hidePopup();
    noUntrappedError("DropDown");
    FUZZ_CHECK(boxes(f) == Boxes(), QStringLiteral("DropDown left %1").arg(boxes(f).joined()));
    FUZZ_CHECK(editTexts(f) == edits, QStringLiteral("DropDown changed an edit field"));
}

// What the pick of row of list index must have done, given the boxes and edit fields before.
// Characters 81 on hold the record's index, or the pick changes nothing but the edit field,
// where the box shows the entry picked (and its Text reads the whole entry).
void checkPick(SearchForm &f, Integer index, const QString &text, const Boxes &before,
               QStringList edits)
{
    const fuzz::Decimal number = fuzz::readDecimal(text.mid(80));
    Boxes expected = before;
    if (number.kind == fuzz::Decimal::Number) {
        edits[index] = QString();
        if (number.value >= 0 && number.value < table.size())
            expected = recordBoxes(table[number.value]);
    } else {
        edits[index] = text;
    }
    auto what = [&] {
        return QStringLiteral("a pick in list %1 of %2").arg(index).arg(fuzz::shown(text));
    };
    FUZZ_CHECK(boxes(f) == expected,
               QStringLiteral("%1 shows %2 instead of %3")
                       .arg(what(), boxes(f).joined(), expected.joined()));
    FUZZ_CHECK(editTexts(f) == edits,
               QStringLiteral("%1 left the edit fields %2 instead of %3")
                       .arg(what(), editTexts(f).join(u'|'), edits.join(u'|')));
}

// Row of the list picked as the box reports a pick of the user's: its activated signal, which
// raises Click with the whole entry.
void pickRow(SearchForm &f, Integer index, int row)
{
    const QString entry = listed[size_t(index)][row];
    const Boxes before = boxes(f);
    const QStringList edits = editTexts(f);
    QComboBox *combo = comboOf(f.cboSearch[index]);
    combo->grab(); // as the user sees the list: every entry in its place
    emit combo->activated(row);
    noUntrappedError("a pick in the list");
    checkPick(f, index, entry, before, edits);
}

// Text added to the list as an entry and picked there.
void pickText(SearchForm &f, Integer index, const QString &text)
{
    f.cboSearch[index].AddItem(text);
    QStringList &list = listed[size_t(index)];
    const auto at =
            std::upper_bound(list.begin(), list.end(), text, detail::SortedListModel::lessThan);
    const int row = int(at - list.begin());
    list.insert(at, text);
    pickRow(f, index, row);
}

// Row r of the list, or "" when the list is empty.
QString entryOf(Integer index, std::uint16_t r)
{
    const QStringList &list = listed[size_t(index)];
    return list.isEmpty() ? QString() : list[r % list.size()];
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::startApplication(argc, argv, [](const Error &e) {
        untrapped << QStringLiteral("error %1: %2").arg(e.Number()).arg(e.Description());
    });
    ListBox &lstMain = frmMain->lstMain; // loads the main menu, which loads the table
    noUntrappedError("the main menu's Load");
    for (Integer i = 0; i < lstMain.ListCount(); ++i)
        table << lstMain.List(i);
    FUZZ_CHECK(!table.isEmpty(), QStringLiteral("the main menu loaded no table"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    const Long category = in.byte() % 11;
    SearchForm &f = windowFor(category);

    bool added[5] = {};
    while (!in.atEnd()) {
        const std::uint8_t op = in.byte();
        const Integer index = Integer((op >> 4) % 5);
        switch (op & 3) {
        case 0:
            dropDown(f, index);
            break;
        case 1: // any text
            pickText(f, index, in.text());
            added[index] = true;
            break;
        case 2: // a text from character 81 on
            pickText(f, index, Space(80) + in.text());
            added[index] = true;
            break;
        case 3: { // an entry of the list, or its first 80 characters with a text of the input
            const std::uint16_t row = std::uint16_t(in.int16());
            if (op & 4) {
                pickText(f, index, entryOf(index, row).left(80) + in.text());
                added[index] = true;
            } else if (!listed[size_t(index)].isEmpty()) {
                pickRow(f, index, int(row % listed[size_t(index)].size()));
            }
            break;
        }
        }
    }

    // Every input starts with the lists as loaded and the boxes and edit fields empty. Put back
    // here, they free what this input made (libFuzzer looks for leaks after every input that
    // allocated more than it freed).
    for (Integer i = 0; i < f.cboSearch.Count(); ++i) {
        if (added[i]) {
            f.cboSearch[i].Clear();
            for (const QString &entry : loadedEntries[category][size_t(i)])
                f.cboSearch[i].AddItem(entry);
        }
        f.cboSearch[i].Text = "";
    }
    for (TextBox *box :
         {&f.txtTev, &f.txtDun, &f.txtBre, &f.txtOst, &f.txtProd, &f.txtName, &f.txtGroup})
        box->Text = "";
    return 0;
}
