// A working day in one run: lookup after lookup through the real event paths, offscreen or on
// an X server (QT_QPA_PLATFORM=xcb), where every window is drawn, watching what the program
// holds.
//
// One lookup: press a category button (the next one each time, round all of them), open a list,
// pick an entry, open another list (or the same one again where there is only one), close it,
// press Main Menu. After each lookup the live top-level widgets, the QObjects the program owns
// and the open file descriptors must be what they were after the first (descriptors: at most
// that many); resident memory is reported after 1,000 lookups and at the end.
//
//   soak [LOOKUPS]     (default 10000) prints the figures; exits 1 when a count did not return
#include "TestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <unistd.h>

using namespace forms;

namespace {

struct Counts
{
    int topLevels = 0;
    int objects = 0;
    int descriptors = 0;
    // What the program holds is back where it was. Descriptors may be fewer: Qt's painting
    // helpers run on a thread pool whose idle threads end after 30 s, each with its eventfd.
    bool backTo(const Counts &start) const
    {
        return topLevels == start.topLevels && objects == start.objects
                && descriptors <= start.descriptors;
    }
};

int objectsUnder(const QObject *object)
{
    int n = 1;
    for (const QObject *child : object->children())
        n += objectsUnder(child);
    return n;
}

Counts counts()
{
    Counts c;
    const QWidgetList windows = QApplication::topLevelWidgets();
    c.topLevels = int(windows.size());
    for (const QWidget *window : windows)
        c.objects += objectsUnder(window);
    c.objects += objectsUnder(QCoreApplication::instance());
    // Every open descriptor, sockets, pipes and eventfds included (the listing's own counts too,
    // the same each time).
    c.descriptors = int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                      std::filesystem::directory_iterator()));
    return c;
}

double residentMiB()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Lets deferred work (window destruction, deferred deletes) finish, as the event loop would.
void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void openList(ComboBox &box)
{
    QComboBox *combo = comboOf(box);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down, Qt::AltModifier);
}

bool pickEntry(ComboBox &box, int row)
{
    QComboBox *combo = comboOf(box);
    QAbstractItemView *view = combo->view();
    if (!view->isVisible() || view->model()->rowCount() == 0)
        return false;
    view->setCurrentIndex(view->model()->index(row % view->model()->rowCount(), 0));
    QTest::keyClick(view, Qt::Key_Return);
    return true;
}

// One lookup in category k; returns whether a record was shown.
bool lookup(int k, int n)
{
    QTest::mouseClick(frmMain->cmdType[Integer(k)].widget(), Qt::LeftButton);
    SearchForm &search = frmSearch.instance();
    // On a real display the window is drawn before the user goes on, as it is at a desk.
    if (!QTest::qWaitForWindowExposed(search.widget()))
        return false;
    QCoreApplication::processEvents();
    int first = k >= 8 ? 0 : 1 + n % 4;
    while (first > 0 && comboOf(search.cboSearch[Integer(first)])->count() == 0)
        first = first % 4 + 1; // a brand list that this group leaves empty
    ComboBox &list = search.cboSearch[Integer(first)];
    openList(list);
    const bool picked = pickEntry(list, n) && !search.txtProd.Text.value().trimmed().isEmpty();
    ComboBox &other = search.cboSearch[Integer(k >= 8 ? 0 : first % 4 + 1)];
    openList(other);
    QTest::keyClick(comboOf(other)->view(), Qt::Key_Escape);
    QTest::mouseClick(search.cmdMM.widget(), Qt::LeftButton);
    settle();
    return picked && !frmSearch.loadedOrNull();
}

} // namespace

// The offscreen platform says, for every list that opens, that it can neither raise a popup
// nor grab the keyboard for it; 10,000 lookups would print that 20,000 times.
void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

int main(int argc, char *argv[])
{
    const int total = argc > 1 ? std::atoi(argv[1]) : 10000;
    qInstallMessageHandler(quietOffscreen);
    QApplication app(argc, argv);
    forms::SetUpApplication();
    frmMain->Show();
    const int categories = frmMain->cmdType[9].Visible ? 10 : 9;
    settle();

    // The first round of all categories warms up what Qt makes once and keeps (fonts, styles,
    // pixmap caches); the counts after it are the starting values.
    for (int k = 0; k < categories; ++k)
        lookup(k, k);
    const Counts start = counts();
    std::printf("lookups  resident MiB  top-level widgets  objects  descriptors\n");
    std::printf("%7d  %12.1f  %17d  %7d  %11d\n", 0, residentMiB(), start.topLevels, start.objects,
                start.descriptors);

    double residentAt1000 = 0;
    int failures = 0;
    for (int n = 1; n <= total; ++n) {
        if (!lookup(n % categories, n)) {
            std::printf("lookup %d (category %d) showed no record\n", n, n % categories);
            ++failures;
        }
        const Counts now = counts();
        if (!now.backTo(start)) {
            std::printf("after lookup %d: %d top-level widgets, %d objects, %d descriptors\n", n,
                        now.topLevels, now.objects, now.descriptors);
            ++failures;
        }
        if (n == 1000 || n == total) {
            const double resident = residentMiB();
            if (n == 1000)
                residentAt1000 = resident;
            std::printf("%7d  %12.1f  %17d  %7d  %11d\n", n, resident, now.topLevels, now.objects,
                        now.descriptors);
        }
        if (failures > 10)
            break;
    }
    if (total >= 1000)
        std::printf("resident growth from 1,000 to %d lookups: %+.2f MiB\n", total,
                    residentMiB() - residentAt1000);
    Unload(frmMain);
    settle();
    std::printf("%s\n", failures ? "FAILED" : "ok: every count returned to its starting value");
    return failures ? 1 : 0;
}
