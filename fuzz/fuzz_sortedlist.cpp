// A sorted combo box under any sequence of AddItem, Clear, Text writes, reads and event
// processing, with any texts (NULs, lone and paired surrogates, long ones, digits only). After
// every step the list holds exactly the entries added since the last Clear, in the list's order;
// the edit field holds what was last written (nothing after Clear), as no entry is ever picked
// by itself; and the 32,768th entry is refused with error 7.
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

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>
#include <vector>

using namespace forms;
using forms::detail::SortedListModel;

namespace {

// A window of the fuzzer's own with one sorted list, as the search window's lists are made.
class ListForm : public Form
{
public:
    ListForm()
    {
        setClientSize(4000, 1500);
        cbo.Place(150, 150, 2535, 315, 0);
        cbo.setVisibleLength(80);
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

// Every entry in its place, and, after a step that added entries, the list's own comparison
// agrees with the order on each two neighbours.
void verify(ComboBox &cbo, const char *after, bool added)
{
    auto where = [after] { return QStringLiteral(" after %1").arg(QLatin1String(after)); };
    const Integer count = cbo.ListCount();
    FUZZ_CHECK(size_t(count) == expected.size(),
               QStringLiteral("ListCount is %1, not %2").arg(count).arg(expected.size()) + where());
    for (Integer i = 0; i < count; ++i) {
        const QString entry = cbo.List(i);
        const QString &wanted = expected[size_t(i)].text;
        FUZZ_CHECK(entry == wanted,
                   QStringLiteral("List(%1) is %2, not %3")
                                   .arg(i)
                                   .arg(fuzz::shown(entry), fuzz::shown(wanted))
                           + where());
        const QString &previous = i > 0 ? expected[size_t(i) - 1].text : entry;
        FUZZ_CHECK(!added || entry == previous
                           || (SortedListModel::lessThan(previous, entry)
                               && !SortedListModel::lessThan(entry, previous)),
                   QStringLiteral("lessThan does not put %1 before %2")
                           .arg(fuzz::shown(previous), fuzz::shown(entry)));
    }
    FUZZ_CHECK(cbo.Text == expectedText,
               QStringLiteral("Text is %1, not %2")
                               .arg(fuzz::shown(cbo.Text), fuzz::shown(expectedText))
                       + where());
    // The box itself shows every settled entry, and none as picked.
    auto *box = static_cast<QComboBox *>(cbo.widget());
    FUZZ_CHECK(box->model()->rowCount() == count && box->currentIndex() == -1,
               QStringLiteral("the box shows %1 rows with row %2 picked, for %3 entries")
                               .arg(box->model()->rowCount())
                               .arg(box->currentIndex())
                               .arg(count)
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

// Row index of the list: the entry, only its first 80 characters without trailing spaces shown.
void read(ComboBox &cbo, Integer index)
{
    QString entry;
    const int error = errorOf([&] { entry = cbo.List(index); });
    const bool held = index >= 0 && size_t(index) < expected.size();
    FUZZ_CHECK(held ? error == 0 && entry == expected[size_t(index)].text
                    : error == ErrInvalidIndex,
               QStringLiteral("List(%1) gave error %2").arg(index).arg(error));
    if (held) {
        auto *box = static_cast<QComboBox *>(cbo.widget());
        const QString shown = box->model()->index(index, 0).data(Qt::DisplayRole).toString();
        FUZZ_CHECK(shown == records::visibleName(entry),
                   QStringLiteral("row %1 shows %2").arg(index).arg(fuzz::shown(shown)));
    }
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
            read(cbo, in.int16());
            step = "List";
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
        case 6: // the queued settling of waiting entries runs
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
