// The search window, measured with Google Benchmark on the offscreen platform (set
// QT_QPA_PLATFORM to measure another).
//
// Load-and-show: what a category button does, and the user then sees -
//     Unload(frmSearch); CategoryIndex = k; frmSearch->Show();
// then the event loop runs until the new window has been painted once: the measurement ends
// with the event-processing pass in which the window received its first Paint event. Qt paints
// the whole widget tree of a window and flushes it in one pass, so by then every visible control
// has been drawn once, and the lists, which settle their entries before they are first drawn,
// are sorted. The unloading of the previous window is part of it, as it is for the user.
//
// Tables: the shipped one (all categories), and synthetic ones of 1,000 to 32,767 records of a
// single type code, every field filled with realistic, mostly distinct names, in shuffled order:
// category 0 then fills four full lists, category 9 one full list.
//
// Floor: the same window for each category with an empty table, so with its controls, captions
// and pictures (decoded once per process, before the first measurement ends) and empty lists.
// What the shipped table adds over it is the cost of the lists themselves.
//
// Baseline: the same lists built the way a sorted Qt combo box is usually filled - every entry
// inserted at its sorted place, one at a time, into a plain QComboBox (same order, same size
// policy and uniform item sizes as the program's lists, so that only the filling differs), in a
// window of the same size that is shown until painted once.
//
// Pick: from the combo's activated signal (what a mouse or keyboard pick in the list emits) to
// the seven boxes filled; and the same through a Down key press in the closed box.
//
// The program checks what it measures (list counts, the record shown) and exits with status 1
// when a check fails, so that a short run is also a smoke test.
#include "Common.h"
#include "ModelTable.h"
#include "ModelTableData.h"
#include "forms/Controls.h"
#include "forms/Program.h"
#include "forms/SortedListModel_p.h"

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

using namespace forms;

namespace {

bool checksFailed = false;

void fail(benchmark::State &state, const std::string &what)
{
    checksFailed = true;
    state.SkipWithError(what.c_str());
}

// ---- tables ----

// A table installed in lstMain, and what its lists must hold.
struct Table
{
    std::string key;
    QStringList rows;
};

QStringList shippedRows()
{
    QStringList rows;
    for (const char16_t *row : ModelTableRows)
        rows << QString::fromUtf16(row);
    return rows;
}

// Names in the shipped table's schemes; numbers are drawn so that most names differ.
QStringList syntheticRows(int count)
{
    static const char *const lines[] = {"Kopira",   "Digira", "Tintira", "Fonira",
                                        "Printira", "Dupira", "Planira"};
    static const char *const tevraSuffixes[] = {"", "", "", "Z", "S", "ZD", " Plus", "DN", "e"};
    static const char *const ostrumGrades[] = {"", "", " Pro", " Eco", " Studio", " Plus"};
    static const char *const themes[] = {
            "Tern",     "Fulmar",  "Lapwing", "Hoopoe",  "Dunlin",    "Wheatear", "Malachite",
            "Basalt",   "Gneiss",  "Ochre",   "Umber",   "Vermilion", "Sirocco",  "Mistral",
            "Zephyr",   "Alder",   "Rowan",   "Hazel",   "Tundra",    "Fjord",    "Moraine",
            "Starling", "Granite", "Cobalt",  "Chinook", "Larch",     "Delta",    "Kestrel"};
    static const char *const devSuffixes[] = {"",     " II",      " III", " 2.1",
                                              " 3.1", " (rev.C)", " Mk4"};
    std::mt19937 random(20240531u + unsigned(count));
    auto pick = [&random](auto &list) {
        return list[std::uniform_int_distribution<size_t>(0, std::size(list) - 1)(random)];
    };
    auto number = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    QStringList rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int model = number(1000, 99999);
        const QString digits = QString::number(model);
        const QString tev =
                QStringLiteral("K-%1%2").arg(digits, QLatin1String(pick(tevraSuffixes)));
        const QString dun = QStringLiteral("DN %1%2").arg(number(100, 999)).arg(number(10, 99));
        const QString bre = QStringLiteral("%1 %2/%3")
                                    .arg(QLatin1String(pick(lines)), digits)
                                    .arg(QChar(u'A' + number(0, 25)));
        const QString ost =
                QStringLiteral("OK %1%2").arg(digits, QLatin1String(pick(ostrumGrades)));
        const QString name = (number(0, 9) == 0 ? QStringLiteral("Project ") : QString())
                + QLatin1String(pick(themes)) + QLatin1Char(' ') + QString::number(number(1, 999))
                + QLatin1String(pick(devSuffixes));
        const QString prod = QString::number(100000 + i);
        auto fixed = [](const QString &text, int width) {
            return text.leftJustified(width, QLatin1Char(' '), true);
        };
        rows << fixed(prod, 10) + fixed(tev, 20) + fixed(dun, 20) + fixed(bre, 20) + fixed(ost, 20)
                        + fixed(name, 30) + QStringLiteral("ANL");
    }
    std::shuffle(rows.begin(), rows.end(), random);
    return rows;
}

const Table &table(const std::string &key, int rows)
{
    static std::map<std::string, Table> tables;
    auto it = tables.find(key);
    if (it == tables.end())
        it = tables.emplace(key,
                            Table{key,
                                  key == "shipped"         ? shippedRows()
                                          : key == "empty" ? QStringList()
                                                           : syntheticRows(rows)})
                     .first;
    return it->second;
}

// Puts the table into lstMain unless it is there already.
void install(const Table &t)
{
    static std::string installed;
    if (installed == t.key && frmMain.loadedOrNull())
        return;
    Unload(frmSearch);
    fillTable(t.rows);
    installed = t.key;
}

// ---- showing a window until it has painted once ----

class PaintWatch : public QObject
{
public:
    PaintWatch() { QCoreApplication::instance()->installEventFilter(this); }
    void watch(QWidget *window)
    {
        m_window = window;
        m_painted = false;
    }
    // Processes events until the watched window has been painted; false after 10 s without.
    bool waitPainted()
    {
        const QDeadlineTimer deadline(10000);
        while (!m_painted && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return m_painted;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched == m_window)
            m_painted = true;
        return false;
    }

private:
    QWidget *m_window = nullptr;
    bool m_painted = false;
};

PaintWatch *paintWatch;

// What a category button does, then the event loop until the window has painted once.
bool loadAndShow(Long category)
{
    Unload(frmSearch);
    CategoryIndex = category;
    SearchForm &f = frmSearch.instance();
    paintWatch->watch(f.widget());
    f.Show();
    // The handler is over: back in the event loop, the unloaded window is destroyed.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return paintWatch->waitPainted();
}

QStringList sorted(QStringList entries)
{
    std::sort(entries.begin(), entries.end(), detail::SortedListModel::lessThan);
    return entries;
}

// What the painted window's lists show: as many entries as expected, and the names of the first,
// middle and last in their places.
bool listsAre(const std::vector<QStringList> &expected)
{
    SearchForm &f = frmSearch.instance();
    for (Integer list = 0; list <= 4; ++list) {
        const QStringList want = sorted(expected[size_t(list)]);
        auto *combo = static_cast<QComboBox *>(f.cboSearch[list].widget());
        if (combo->count() != want.size())
            return false;
        for (qsizetype at : {qsizetype(0), want.size() / 2, want.size() - 1}) {
            if (!want.isEmpty() && combo->itemText(int(at)) != records::visibleName(want[at]))
                return false;
        }
    }
    return true;
}

void BM_SearchLoad(benchmark::State &state, std::string key, int rows, Long category)
{
    const Table &t = table(key, rows);
    install(t);
    const auto expected = records::lookupEntries(t.rows, int(category));
    for (auto _ : state) {
        if (!loadAndShow(category)) {
            fail(state, "the search window was never painted");
            return;
        }
    }
    if (!listsAre(expected))
        fail(state, "the lists do not hold the expected entries");
    Unload(frmSearch);
    qsizetype entries = 0;
    for (const QStringList &l : expected)
        entries += l.size();
    state.counters["entries"] = double(entries);
}

// ---- baseline: sorted insertion one entry at a time ----

void insertSorted(QComboBox *box, const QString &entry)
{
    // Binary search over the box's own items, then one insertion at that place.
    int low = 0;
    int high = box->count();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (detail::SortedListModel::lessThan(box->itemText(mid), entry))
            low = mid + 1;
        else
            high = mid;
    }
    box->insertItem(low, entry);
}

void BM_SortedInsertBaseline(benchmark::State &state, std::string key, int rows, Long category)
{
    const Table &t = table(key, rows);
    const auto expected = records::lookupEntries(t.rows, int(category));
    // The search window's entries, in the order its load makes them, record by record.
    std::vector<std::pair<int, QString>> entries;
    {
        std::vector<qsizetype> next(5, 0);
        for (int i = 0; i < t.rows.size(); ++i) {
            for (int list = 0; list <= 4; ++list) {
                const QStringList &l = expected[size_t(list)];
                const qsizetype at = next[size_t(list)];
                if (at < l.size() && l[at].mid(80).toInt() == i) {
                    entries.emplace_back(list, l[at]);
                    ++next[size_t(list)];
                }
            }
        }
    }
    bool ok = true;
    for (auto _ : state) {
        auto *window = new QWidget;
        window->resize(469, 318);
        std::array<QComboBox *, 5> boxes{};
        for (int list = 0; list <= 4; ++list) {
            auto *box = new QComboBox(window);
            box->setGeometry(20, 60 + 45 * list, 169, 21);
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            box->setMinimumContentsLength(1);
            if (auto *view = qobject_cast<QListView *>(box->view()))
                view->setUniformItemSizes(true);
            box->setVisible(!expected[size_t(list)].isEmpty());
            boxes[size_t(list)] = box;
        }
        for (const auto &[list, entry] : entries)
            insertSorted(boxes[size_t(list)], entry);
        paintWatch->watch(window);
        window->show();
        if (!paintWatch->waitPainted()) {
            fail(state, "the baseline window was never painted");
            delete window;
            return;
        }
        for (int list = 0; list <= 4 && ok; ++list)
            ok = boxes[size_t(list)]->count() == expected[size_t(list)].size();
        delete window;
    }
    if (!ok)
        fail(state, "the baseline lists do not hold the expected entries");
    state.counters["entries"] = double(entries.size());
}

// ---- a pick ----

struct PickSetUp
{
    SearchForm *form = nullptr;
    QComboBox *combo = nullptr;
    QStringList rows;
};

void BM_Pick(benchmark::State &state, std::string key, int rows, bool byKey)
{
    const Table &t = table(key, rows);
    install(t);
    if (!loadAndShow(0)) {
        fail(state, "the search window was never painted");
        return;
    }
    SearchForm &f = frmSearch.instance();
    auto *combo = static_cast<QComboBox *>(f.cboSearch[1].widget());
    const int count = combo->count();
    state.counters["entries"] = double(count);
    // Rows spread over the whole list, visited in a fixed scattered order.
    std::vector<int> picks;
    for (int i = 0; i < 64; ++i)
        picks.push_back(int((i * 7919LL) % count));
    size_t next = 0;
    bool down = true;
    int lastRow = -1;
    for (auto _ : state) {
        if (byKey) {
            if (combo->currentIndex() >= count - 1)
                down = false;
            else if (combo->currentIndex() <= 0)
                down = true;
            QKeyEvent press(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
            QCoreApplication::sendEvent(combo, &press);
            lastRow = combo->currentIndex();
        } else {
            lastRow = picks[next];
            next = (next + 1) % picks.size();
            Q_EMIT combo->activated(lastRow);
        }
    }
    const QString entry = sorted(records::lookupEntries(t.rows, 0)[1]).at(lastRow);
    const QString &row = t.rows[entry.mid(80).toInt()];
    if (boxes(f) != recordBoxes(row) || !combo->lineEdit()->text().isEmpty())
        fail(state, "the pick did not show its record");
}

// ---- the summary after the run ----

// Whether a case stopped with an error: Google Benchmark 1.8 and later tell it in `skipped`,
// 1.7 (Debian 12) in `error_occurred`.
template<typename Run>
bool stoppedByError(const Run &run)
{
    if constexpr (requires { run.skipped; })
        return run.skipped != decltype(run.skipped){};
    else
        return run.error_occurred;
}

class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // One time per case: the median where repetitions were asked for, else the mean.
        for (const Run &run : runs) {
            if (stoppedByError(run) || run.iterations == 0)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration && medians.count(name))
                continue;
            if (run.run_type == Run::RT_Aggregate)
                medians.insert(name);
            times[name] = run.real_accumulated_time / double(run.iterations);
        }
    }
    std::map<std::string, double> times;

private:
    std::set<std::string> medians;
};

void printSummary(const std::map<std::string, double> &times)
{
    auto get = [&](const std::string &name) {
        auto it = times.find(name);
        return it == times.end() ? -1.0 : it->second;
    };
    std::printf(
            "\nSummary (real time per operation; medians of the repetitions where there are)\n");
    double worstShipped = 0;
    double worstRatio = 0;
    int worstCategory = -1;
    for (int k = 0; k <= 9; ++k) {
        const double shipped = get("SearchLoad/shipped/category:" + std::to_string(k));
        const double floor = get("SearchLoad/floor/category:" + std::to_string(k));
        worstShipped = std::max(worstShipped, shipped);
        if (shipped > 0 && floor > 0 && shipped / floor > worstRatio) {
            worstRatio = shipped / floor;
            worstCategory = k;
        }
    }
    if (worstShipped > 0)
        std::printf(
                "  shipped table, slowest category load-and-show: %.3f ms (target <= 2 ms: %s)\n",
                worstShipped * 1e3, worstShipped <= 2e-3 ? "met" : "NOT met");
    if (worstCategory >= 0)
        std::printf("  against the same window with empty lists: at most %.2fx, category %d "
                    "(%.3f ms / %.3f ms; target <= 1.3x: %s)\n",
                    worstRatio, worstCategory,
                    get("SearchLoad/shipped/category:" + std::to_string(worstCategory)) * 1e3,
                    get("SearchLoad/floor/category:" + std::to_string(worstCategory)) * 1e3,
                    worstRatio <= 1.3 ? "met" : "NOT met");
    for (const char *kind : {"brand", "devname"}) {
        std::printf("  %s lists (%s):\n", kind,
                    std::string(kind) == "brand" ? "category 0, four full lists"
                                                 : "category 9, one full list");
        std::printf("    %8s %12s %14s %9s\n", "rows", "load+show", "sorted insert", "ratio");
        for (int n : {1000, 4000, 16000, 32767}) {
            const std::string suffix = std::string(kind) + "/rows:" + std::to_string(n);
            const double ours = get("SearchLoad/" + suffix);
            const double base = get("SortedInsertBaseline/" + suffix);
            if (ours < 0)
                continue;
            std::printf("    %8d %9.2f ms", n, ours * 1e3);
            if (base > 0)
                std::printf(" %11.1f ms %8.1fx\n", base * 1e3, base / ours);
            else
                std::printf(" %14s %9s\n", "-", "-");
        }
        const double at4k = get("SearchLoad/" + std::string(kind) + "/rows:4000");
        const double at32k = get("SearchLoad/" + std::string(kind) + "/rows:32767");
        if (at4k > 0 && at32k > 0) {
            std::printf("    growth 4,000 -> 32,767 rows: %.1fx (target <= 10x: %s)", at32k / at4k,
                        at32k / at4k <= 10 ? "met" : "NOT met");
            if (std::string(kind) == "brand")
                std::printf("; 32,767 rows %.1f ms (target <= 50 ms: %s)", at32k * 1e3,
                            at32k <= 50e-3 ? "met" : "NOT met");
            std::printf("\n");
        }
    }
    for (const char *pick : {"Pick/shipped/activated", "Pick/rows:32767/activated",
                             "Pick/shipped/key", "Pick/rows:32767/key"}) {
        const double t = get(pick);
        if (t > 0)
            std::printf("  %-26s %8.1f us%s\n", pick, t * 1e6,
                        std::string(pick).ends_with("activated")
                                ? (t <= 200e-6 ? " (target <= 200 us: met)"
                                               : " (target <= 200 us: NOT met)")
                                : "");
    }
}

void registerAll()
{
    using benchmark::RegisterBenchmark;
    for (const char *key : {"shipped", "empty"}) {
        const std::string name = key == std::string("shipped") ? "shipped" : "floor";
        for (int k = 0; k <= 9; ++k) {
            RegisterBenchmark(("SearchLoad/" + name + "/category:" + std::to_string(k)).c_str(),
                              BM_SearchLoad, std::string(key), 0, Long(k))
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
        }
    }
    for (int n : {1000, 4000, 16000, 32767}) {
        const std::string key = "synthetic:" + std::to_string(n);
        for (const auto &[kind, category] : {std::pair{"brand", 0}, std::pair{"devname", 9}}) {
            const std::string suffix = std::string(kind) + "/rows:" + std::to_string(n);
            RegisterBenchmark(("SearchLoad/" + suffix).c_str(), BM_SearchLoad, key, n,
                              Long(category))
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
            RegisterBenchmark(("SortedInsertBaseline/" + suffix).c_str(), BM_SortedInsertBaseline,
                              key, n, Long(category))
                    ->Unit(benchmark::kMillisecond)
                    ->UseRealTime();
        }
    }
    for (bool byKey : {false, true}) {
        const char *how = byKey ? "key" : "activated";
        RegisterBenchmark((std::string("Pick/shipped/") + how).c_str(), BM_Pick,
                          std::string("shipped"), 0, byKey)
                ->Unit(benchmark::kMicrosecond)
                ->UseRealTime();
        RegisterBenchmark((std::string("Pick/rows:32767/") + how).c_str(), BM_Pick,
                          std::string("synthetic:32767"), 32767, byKey)
                ->Unit(benchmark::kMicrosecond)
                ->UseRealTime();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    forms::SetUpApplication();
    // --no-summary: only Google Benchmark's own table (for short check runs, whose times mean
    // nothing).
    bool summary = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-summary") {
            summary = false;
            std::copy(argv + i + 1, argv + argc + 1, argv + i);
            --argc;
            break;
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    PaintWatch watch;
    paintWatch = &watch;
    registerAll();
    SummaryReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                   : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (summary)
        printSummary(reporter.times);
    End();
    benchmark::Shutdown();
    if (checksFailed)
        std::fprintf(stderr, "bench-search: a check of what was measured failed\n");
    return checksFailed ? 1 : 0;
}
