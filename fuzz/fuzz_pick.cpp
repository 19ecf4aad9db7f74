// A pick in the search window with any text in the list: the window's Click and DropDown
// handlers, raised as the runtime raises events, on the shipped table for any category. After a
// Click either nothing has changed, or the text held a number from character 81 on and the edit
// field is empty, and the seven boxes show exactly that row of the table (or, for a number
// that names no row, are as they were). An error that no handler traps is a finding.
//
// Input: a category byte (0-9, 10 for one that no button offers), then operations until the
// end, each a byte: its low two bits choose what happens (see LLVMFuzzerTestOneInput), its high
// four bits which list (0-4, and a few indexes that no list has).
#include "FuzzSupport.h"

#include "ModelTable.h"
#include "frmMain.h"
#include "frmSearch.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QStringList>

using namespace forms;

namespace {

// The search window with its handlers within reach.
struct FuzzSearch : SearchForm
{
    using SearchForm::cboSearch_Click;
    using SearchForm::cboSearch_DropDown;
};

// One window per category, loaded on first use and kept: loading one takes far longer than a
// pick.
GlobalForm<FuzzSearch> windows[11];

QStringList table; // lstMain's rows
QStringList untrapped; // what reached the error reporter

struct Boxes
{
    QString tev, dun, bre, ost, prod, name, group;
    bool operator==(const Boxes &) const = default;
};

Boxes boxesOf(FuzzSearch &f)
{
    return {f.txtTev.Text,  f.txtDun.Text,  f.txtBre.Text,  f.txtOst.Text,
            f.txtProd.Text, f.txtName.Text, f.txtGroup.Text};
}

// What the boxes show for a row: its fixed-width fields as they are, trailing spaces and all,
// and the group of its type code.
Boxes boxesFor(const QString &row)
{
    QString group;
    for (const TypeGroup &type : TypeGroups) {
        if (row.mid(120, 3) == QLatin1String(type.code))
            group = QLatin1String(type.group);
    }
    return {row.mid(10, 20),
            row.mid(30, 20),
            row.mid(50, 20),
            row.mid(70, 20),
            row.mid(0, 10),
            row.mid(90, 30),
            group};
}

QString shown(const Boxes &b)
{
    return QStringList{b.tev, b.dun, b.bre, b.ost, b.prod, b.name, b.group}.join(u'|');
}

QStringList editTexts(FuzzSearch &f)
{
    QStringList texts;
    for (Integer i = 0; i < f.cboSearch.Count(); ++i)
        texts << f.cboSearch[i].Text;
    return texts;
}

bool isList(Integer index)
{
    return index >= 0 && index <= 4;
}

void noUntrappedError(const char *during)
{
    FUZZ_CHECK(!HasEnded(),
               QStringLiteral("an untrapped error ended the program during %1: %2")
                       .arg(QLatin1String(during), untrapped.join(u"; ")));
}

FuzzSearch &windowFor(Long category)
{
    GlobalForm<FuzzSearch> &window = windows[category];
    if (!window.IsLoaded()) {
        CategoryIndex = category;
        window.instance();
        noUntrappedError("Load");
        QCoreApplication::processEvents(); // the lists settle
    }
    return *window;
}

void dropDown(FuzzSearch &f, Integer index)
{
    const QStringList edits = editTexts(f);
    RaiseEvent([&] { f.cboSearch_DropDown(index); });
    noUntrappedError("DropDown");
    FUZZ_CHECK(boxesOf(f) == Boxes(), QStringLiteral("DropDown left %1").arg(shown(boxesOf(f))));
    FUZZ_CHECK(editTexts(f) == edits, QStringLiteral("DropDown changed an edit field"));
}

// What a Click of list index with text must have done, given the boxes and edit fields before.
// Characters 81 on hold the record's index, or the pick changes nothing.
void checkClick(FuzzSearch &f, Integer index, const QString &text, const Boxes &before,
                QStringList edits)
{
    const fuzz::Decimal number = fuzz::readDecimal(text.mid(80));
    const bool picks = isList(index) && number.kind == fuzz::Decimal::Number;
    Boxes expected = before;
    if (picks) {
        edits[index] = QString();
        if (number.value >= 0 && number.value < table.size())
            expected = boxesFor(table[number.value]);
    }
    auto what = [&] {
        return QStringLiteral("Click(%1) with %2").arg(index).arg(fuzz::shown(text));
    };
    FUZZ_CHECK(boxesOf(f) == expected,
               QStringLiteral("%1 shows %2 instead of %3")
                       .arg(what(), shown(boxesOf(f)), shown(expected)));
    FUZZ_CHECK(editTexts(f) == edits,
               QStringLiteral("%1 left the edit fields %2 instead of %3")
                       .arg(what(), editTexts(f).join(u'|'), edits.join(u'|')));
}

// Click raised with text in the list's edit field.
void click(FuzzSearch &f, Integer index, const QString &text)
{
    const Boxes before = boxesOf(f);
    if (isList(index)) {
        f.cboSearch[index].Text = text;
        FUZZ_CHECK(f.cboSearch[index].Text == text,
                   QStringLiteral("the edit field does not hold %1").arg(fuzz::shown(text)));
    }
    const QStringList edits = editTexts(f);
    RaiseEvent([&] { f.cboSearch_Click(index); });
    noUntrappedError("Click");
    checkClick(f, index, text, before, edits);
}

// Row r of the list, or "" when there is no such list or it is empty.
QString entryOf(FuzzSearch &f, Integer index, std::uint16_t r)
{
    if (!isList(index) || f.cboSearch[index].ListCount() == 0)
        return QString();
    return f.cboSearch[index].List(Integer(r % f.cboSearch[index].ListCount()));
}

// Row r of the list picked as the box reports a pick of the user's: its activated signal, which
// raises Click with the whole entry.
void pickRow(FuzzSearch &f, Integer index, std::uint16_t r)
{
    if (!isList(index) || f.cboSearch[index].ListCount() == 0)
        return;
    const Integer row = Integer(r % f.cboSearch[index].ListCount());
    const QString entry = f.cboSearch[index].List(row);
    const Boxes before = boxesOf(f);
    const QStringList edits = editTexts(f);
    emit static_cast<QComboBox *>(f.cboSearch[index].widget())->activated(row);
    noUntrappedError("a pick in the list");
    checkClick(f, index, entry, before, edits);
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
    FuzzSearch &f = windowFor(in.byte() % 11);

    // Lists 0-4 most of the time, and now and then an index that no list has.
    static const Integer indexes[16] = {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1, -1, 5, 32767, -32768};
    while (!in.atEnd()) {
        const std::uint8_t op = in.byte();
        const Integer index = indexes[op >> 4];
        switch (op & 3) {
        case 0:
            dropDown(f, index);
            break;
        case 1: // any text
            click(f, index, in.text());
            break;
        case 2: // a text from character 81 on
            click(f, index, Space(80) + in.text());
            break;
        case 3: { // an entry of the list: picked in the box, or whole or with a text of the
                  // input from character 81 on in the edit field
            const std::uint16_t row = std::uint16_t(in.int16());
            if (op & 8)
                pickRow(f, index, row);
            else if (op & 4)
                click(f, index, entryOf(f, index, row).left(80) + in.text());
            else
                click(f, index, entryOf(f, index, row));
            break;
        }
        }
    }

    // Every input starts with its boxes and edit fields empty. Emptied here, they free what this
    // input made (libFuzzer looks for leaks after every input that allocated more than it freed).
    for (TextBox *box :
         {&f.txtTev, &f.txtDun, &f.txtBre, &f.txtOst, &f.txtProd, &f.txtName, &f.txtGroup})
        box->Text = "";
    for (Integer i = 0; i < f.cboSearch.Count(); ++i)
        f.cboSearch[i].Text = "";
    return 0;
}
