// A sorted combo box under any sequence of AddItem, Clear, Text writes, picks and event
// processing, with any texts (NULs, lone and paired surrogates, long ones, digits only). After
// every step the box shows exactly the entries added since the last Clear, in the list's order;
// Text reads the whole entry last picked or what was last written (nothing after Clear), as no
// entry is ever picked by itself; and the 32,768th entry is refused with error 7.
//
// The order is worked out here from its description (letters compared without case, then by
// character code), and the list's own comparison, SortedListModel::lessThan, is held to it.
//
// Input: operations until the end, each a byte (see LLVMFuzzerTestOneInput) followed by what it
// needs: a text (fuzz::Input::text), a list index, counts.
#include "Common.h"
#include "FuzzSupport.h"

#include "forms/Controls.h"
#include "forms/SortedListModel_p.h"

#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>
#include <vector>

using namespace forms;
using forms::detail::SortedListModel;

namespace {

// A window of the fuzzer's own with one sorted list, as the search window's lists are made, but
// showing its entries whole (but for their trailing spaces).
class ListForm : public Form
{
public:
    ListForm()
    {
        setClientSize(4000, 1500);
        cbo.Place(150, 150, 2535, 315, 0);
    }

    ComboBox cbo{this};
};

GlobalForm<ListForm> frmList;

constexpr size_t MaxEntries = 32767;

// An entry as the order sees it: each character with the case of letters taken away, then the
// text itself. Entries compare by the first and, where that ties, by the second, each character
// by character with a shorter text first where one begins the other.
struct Entry
{
    explicit Entry(const QString &t) : folded(t), text(t)
    {
        for (QChar &c : folded)
            c = c.toCaseFolded();
    }
    bool operator<(const Entry &other) const
    {
        return folded != other.folded ? folded < other.folded : text < other.text;
    }

    QString folded;
    QString text;
};

// What the list must hold: the entries added since the last Clear, in order, and what its edit
// field must hold.
std::vector<Entry> expected;
QString expectedText;

void add(ComboBox &cbo, const QString &text)
{
    const int error = errorOf([&] { cbo.AddItem(text); });
    if (expected.size() >= MaxEntries) {
        FUZZ_CHECK(error == ErrListFull,
                   QStringLiteral("entry %1 was not refused with error 7 (got %2)")
                           .arg(expected.size() + 1)
                           .arg(error));
        return;
    }
    FUZZ_CHECK(error == 0,
               QStringLiteral("AddItem(%1) raised error %2").arg(fuzz::shown(text)).arg(error));
    const Entry entry(text);
    expected.insert(std::upper_bound(expected.begin(), expected.end(), entry), entry);
}

// Adds count entries at once: base with a number below modulo put in at position at, so that
// some entries repeat and the place where they differ moves. Lists stay below 1024 entries here,
// as every step checks them whole.
void addMany(ComboBox &cbo, const QString &base, size_t count, int modulo, int at)
{
    const auto before = std::ssize(expected);
    at = at % (base.size() + 1);
    for (size_t i = 0; i < count && expected.size() < 1024; ++i) {
        const QString text = base.left(at) + CStr(Long(i % size_t(modulo))) + base.mid(at);
        FUZZ_CHECK(errorOf([&] { cbo.AddItem(text); }) == 0,
                   QStringLiteral("AddItem raised an error below the limit"));
        expected.emplace_back(text);
    }
    std::sort(expected.begin() + before, expected.end());
    std::inplace_merge(expected.begin(), expected.begin() + before, expected.end());
}

QComboBox *drawn(ComboBox &cbo)
{
    auto *box = static_cast<QComboBox *>(cbo.widget());
    box->grab(); // before it draws, the list puts every entry added in its place
    return box;
}

// Every entry in its place, none shown as picked, and, after a step that added entries, the
// list's own comparison agrees with the order on each two neighbours.
void verify(ComboBox &cbo, const char *after, bool added)
{
    auto where = [after] { return QStringLiteral(" after %1").arg(QLatin1String(after)); };
    QComboBox *box = drawn(cbo);
    FUZZ_CHECK(size_t(box->count()) == expected.size() && box->currentIndex() == -1,
               QStringLiteral("the box shows %1 rows with row %2 picked, for %3 entries")
                               .arg(box->count())
                               .arg(box->currentIndex())
                               .arg(expected.size())
                       + where());
    for (int i = 0; i < box->count(); ++i) {
        const QString shown = box->itemText(i);
        const QString &wanted = expected[size_t(i)].text;
        FUZZ_CHECK(shown == records::rtrim(wanted),
                   QStringLiteral("row %1 shows %2, not %3")
                                   .arg(i)
                                   .arg(fuzz::shown(shown), fuzz::shown(wanted))
                           + where());
        const QString &previous = i > 0 ? expected[size_t(i) - 1].text : wanted;
        FUZZ_CHECK(!added || wanted == previous
                           || (SortedListModel::lessThan(previous, wanted)
                               && !SortedListModel::lessThan(wanted, previous)),
                   QStringLiteral("lessThan does not put %1 before %2")
                           .arg(fuzz::shown(previous), fuzz::shown(wanted)));
    }
    FUZZ_CHECK(cbo.Text == expectedText,
               QStringLiteral("Text is %1, not %2")
                               .arg(fuzz::shown(cbo.Text), fuzz::shown(expectedText))
                       + where());
}

// Fills an empty list to its limit, in an order that the list has to sort, and tries one more;
// then empties it again, so that the steps after this one stay quick. As nothing of this depends
// on the input, and it takes a quarter of a second with the sanitizers, it runs the first time
// an input asks for it, once a process: an input that finds a fault here finds it again when it
// is run on its own.
void fillToLimit(ComboBox &cbo)
{
    static bool done = false;
    if (done)
        return;
    done = true;
    cbo.Clear();
    expected.clear();
    expectedText.clear();
    for (size_t i = 0; i < MaxEntries; ++i) {
        const QString text = QStringLiteral("N%1").arg(i * 7919 % MaxEntries); // all different
        cbo.AddItem(text);
        expected.emplace_back(text);
    }
    std::sort(expected.begin(), expected.end());
    add(cbo, QStringLiteral("one too many"));
    verify(cbo, "filling the list", false);
    cbo.Clear();
    expected = {};
}

// Row r of the list picked as the box reports a user's pick: Text then reads the whole entry.
void pick(ComboBox &cbo, std::uint16_t r)
{
    if (expected.empty())
        return;
    const size_t row = r % expected.size();
    emit drawn(cbo)->activated(int(row));
    expectedText = expected[row].text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::startApplication(argc, argv, [](const Error &e) {
        fuzz::fail(QStringLiteral("untrapped error %1: %2").arg(e.Number()).arg(e.Description()));
    });
    frmList.instance();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    fuzz::Input in(data, size);
    ComboBox &cbo = frmList->cbo;

    while (!in.atEnd()) {
        const std::uint8_t op = in.byte();
        const char *step = "";
        bool added = false;
        switch (op % 8) {
        case 0:
        case 1:
            add(cbo, in.text());
            step = "AddItem";
            added = true;
            break;
        case 2:
            cbo.Clear();
            expected.clear();
            expectedText.clear();
            step = "Clear";
            break;
        case 3:
            expectedText = in.text();
            cbo.Text = expectedText;
            step = "a Text write";
            break;
        case 4:
            pick(cbo, std::uint16_t(in.int16()));
            step = "a pick";
            break;
        case 5: { // many entries at once
            const size_t count = in.byte();
            const int modulo = 1 + in.byte();
            const int at = in.byte();
            addMany(cbo, in.text(), count, modulo, at);
            step = "many AddItems";
            added = true;
            break;
        }
        case 6: // events processed: the list changes only when the box is used, never by itself
            QCoreApplication::processEvents();
            step = "processing events";
            break;
        case 7:
            if (op == 0xff && in.int32() == 0x4c4c5546) { // "FULL": up to the limit
                fillToLimit(cbo);
                step = "filling the list";
            } else { // an entry as the search window makes them
                const QString name = in.text();
                add(cbo, records::entry(name, 20, in.int16()));
                step = "AddItem of a lookup entry";
                added = true;
            }
            break;
        }
        verify(cbo, step, added);
    }

    // Every input starts with an empty list. Emptied here, the list frees what this input made
    // (libFuzzer looks for leaks after every input that allocated more than it freed).
    cbo.Clear();
    QCoreApplication::processEvents();
    expected = {};
    expectedText = QString();
    return 0;
}
