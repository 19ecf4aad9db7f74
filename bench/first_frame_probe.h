// Start-up measurement shared by the two start-up programs: when the process started, and when
// the window showed its first frame.
//
// Process start is the CLOCK_MONOTONIC reading that bench-launch takes in the child right before
// execve and passes in MXR_BENCH_LAUNCH_NS; the clock is system-wide, so both processes read the
// same time base, and the span includes exec, the dynamic loader and static initialisation.
//
// The first frame is the end of the first Expose of the window that leaves it exposed and has
// painted: Qt Widgets repaints and flushes the whole widget tree synchronously while it handles
// an Expose, so the probe hands the event on itself and takes the time after it returns. The
// probe is an application-wide event filter so that it sees the Expose however early the
// platform delivers it.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace bench {

inline long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// The launcher's reading, or -1 when the program was started some other way.
inline long long launchNs()
{
    const char *text = std::getenv("MXR_BENCH_LAUNCH_NS");
    return text ? std::atoll(text) : -1;
}

// Times along the way, for the report: main entered, the application object made, the window's
// show() returned. Each program sets them.
struct Marks
{
    long long mainNs = 0;
    long long appNs = 0;
    long long shownNs = 0;
};
inline Marks marks;

class FirstFrameProbe : public QObject
{
public:
    // quit is called from the event loop once the first frame has been recorded.
    FirstFrameProbe(QWidget *window, void (*quit)())
        : QObject(QCoreApplication::instance()), m_window(window), m_quit(quit)
    {
        QCoreApplication::instance()->installEventFilter(this);
        // A window that never shows a frame fails the measurement rather than hanging it.
        QTimer::singleShot(20000, this, [] {
            std::fprintf(stderr, "no first frame within 20 s\n");
            std::_Exit(1);
        });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_dispatching) {
            if (event->type() == QEvent::Paint)
                ++m_paints;
            return false;
        }
        if (m_done || event->type() != QEvent::Expose || !m_window->windowHandle() ||
            watched != m_window->windowHandle())
            return false;
        m_dispatching = true;
        QCoreApplication::sendEvent(watched, event);
        m_dispatching = false;
        if (!m_window->windowHandle()->isExposed() || m_paints == 0)
            return true;    // not a frame yet: wait for the next Expose
        const long long frameNs = monotonicNs();
        m_done = true;
        const long long start = launchNs();
        auto since = [start](long long ns) { return start < 0 ? -1 : (ns - start) / 1000; };
        std::printf("first_frame_us=%lld main_us=%lld app_us=%lld shown_us=%lld paints=%d\n",
                    since(frameNs), since(marks.mainNs), since(marks.appNs), since(marks.shownNs),
                    m_paints);
        std::fflush(stdout);
        QMetaObject::invokeMethod(QCoreApplication::instance(), m_quit, Qt::QueuedConnection);
        return true;
    }

private:
    QWidget *m_window;
    void (*m_quit)();
    int m_paints = 0;
    bool m_dispatching = false;
    bool m_done = false;
};

} // namespace bench
