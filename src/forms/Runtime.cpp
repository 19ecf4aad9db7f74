#include "Runtime.h"

#include "BackgroundLoader.h"
#include "Form.h"
#include "RuntimeState.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <new>

#if MXR_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace forms {

namespace detail {

RuntimeState &state()
{
    static RuntimeState s;
    return s;
}

void enterHandler()
{
    ++state().handlerDepth;
}

void leaveHandler()
{
    if (--state().handlerDepth == 0 && state().destroyWhenIdle)
        destroyUnloadedLater();
}

bool isEnding()
{
    return state().ending || state().ended;
}

static Error toError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Error &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return Error(ErrListFull, QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        return Error(51, QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        return Error(51, QStringLiteral("Internal error"));
    }
}

static void showErrorBox(const Error &error)
{
    if (!QApplication::instance())
        return;
    QMessageBox::critical(nullptr, App.Title,
                          QStringLiteral("Run-time error '%1':\n\n%2")
                              .arg(error.Number())
                              .arg(error.Description()));
}

void untrapped(std::exception_ptr error)
{
    if (state().ending)
        return;
    state().ending = true;
    const Error e = toError(error);
    std::fprintf(stderr, "%s: run-time error %d: %s\n", qPrintable(App.Title), e.Number(),
                 qPrintable(e.Description()));
    if (state().reporter)
        state().reporter(e);
    else
        showErrorBox(e);
    End(1);
}

} // namespace detail

namespace {

// Exceptions must never cross Qt's event loop. Every handler runs inside RaiseEvent already;
// this is the net under everything else that Qt calls.
class ProgramApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            detail::untrapped(std::current_exception());
            return false;
        }
    }
};

// Whether Qt will find a display to open windows on. Qt's own failure is an abort with a
// multi-line plugin message, so the program checks first and says it in one line.
bool displayReachable(QByteArray *why)
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (!platform.isEmpty() && !platform.startsWith("xcb"))
        return true;    // offscreen, wayland, ...: let Qt decide
    if (platform.isEmpty() && !qgetenv("WAYLAND_DISPLAY").isEmpty())
        return true;
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty()) {
        *why = "no display can be reached: DISPLAY is not set";
        return false;
    }
#if MXR_HAVE_XCB
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool ok = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (!ok) {
        *why = "no display can be reached: cannot connect to DISPLAY " + display;
        return false;
    }
#endif
    return true;
}

} // namespace

int Run(int &argc, char **argv, void (*start)())
{
    QByteArray why;
    if (!displayReachable(&why)) {
        const char *program = argc > 0 && argv[0] ? argv[0] : "program";
        if (const char *slash = std::strrchr(program, '/'))
            program = slash + 1;
        std::fprintf(stderr, "%s: %s\n", program, why.constData());
        return 1;
    }

    ProgramApplication app(argc, argv);
    detail::BackgroundLoader loader;    // fonts and pictures, while the first window is made
    QGuiApplication::setApplicationDisplayName(App.Title);
    QGuiApplication::setDesktopFileName(App.DesktopFileName);
    QCoreApplication::setApplicationVersion(
        QStringLiteral("%1.%2.%3").arg(App.Major).arg(App.Minor).arg(App.Revision));

    RaiseEvent(start);
    if (!HasEnded() && detail::state().loaded.empty())
        End(0);
    if (!HasEnded()) {
        detail::state().running = true;
        const int status = QApplication::exec();
        detail::state().running = false;
        if (!HasEnded())
            End(status);
    }
    detail::destroyUnloadedNow();
    return ExitStatus();
}

bool HasEnded()
{
    return detail::state().ended;
}

int ExitStatus()
{
    return detail::state().exitStatus;
}

void ClearEndedForTesting()
{
    detail::state().ended = false;
    detail::state().ending = false;
    detail::state().exitStatus = 0;
}

ErrorReporter SetErrorReporter(ErrorReporter reporter)
{
    std::swap(detail::state().reporter, reporter);
    return reporter;
}

} // namespace forms
