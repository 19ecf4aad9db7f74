#include "Runtime.h"

#include "Form.h"
#include "RuntimeState.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef Q_OS_WIN
#    include <windows.h>
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
    if (--state().handlerDepth == 0)
        handlersDone();
}

bool hasEnded()
{
    return state().ending || state().ended;
}

void stopIfEnded()
{
    if (hasEnded() && state().handlerDepth > 0)
        throw ProgramEnded();
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
        return Error(51,
                     QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        return Error(51, QStringLiteral("Internal error"));
    }
}

void untrapped(std::exception_ptr error)
{
    if (hasEnded())
        return;
    state().ending = true;
    const Error e = toError(error);
    std::fprintf(stderr, "%s: run-time error %d: %s\n", qPrintable(App.Title), e.Number(),
                 qPrintable(e.Description()));
    if (state().reporter) {
        state().reporter(e);
    } else if (QApplication::instance()) {
        QMessageBox::critical(
                nullptr, App.Title,
                QStringLiteral("Run-time error '%1':\n\n%2").arg(e.Number()).arg(e.Description()));
    }
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

// Failures of the window system, told in one line that names the program.
//
// A program that cannot start: Qt reports a platform it cannot set up (no display to connect
// to, say) as a few lines of plugin diagnostics and a fatal message, and then aborts. While the
// application object is made, the runtime holds Qt's platform diagnostics back and turns the
// fatal message into one line that names the cause, and exit status 1.
//
// A display that goes away while the program runs: Qt says so in its own words and then ends
// the program with status 1. The runtime says it in the program's name and ends the program
// itself, at once: nothing can be shown or cleaned up on a display that is gone, and tearing
// down what was made for it is only a chance to crash.
const char *programName = "program";
QtMessageHandler previousHandler = nullptr;
bool starting = false;
QString platformCause; // the first platform diagnostic: what went wrong
bool causeIsDisplay = false; // it came from the display connection

void tellFailure(const QString &line)
{
    std::fprintf(stderr, "%s: %s\n", programName, qPrintable(line));
    std::fflush(stderr);
#ifdef Q_OS_WIN
    // A Windows program has no terminal: the user would see nothing at all.
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(line.utf16()),
                reinterpret_cast<const wchar_t *>(App.Title.utf16()), MB_OK | MB_ICONERROR);
#endif
}

void programMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg && starting) {
        if (causeIsDisplay)
            tellFailure(QStringLiteral("no display can be reached: ") + platformCause);
        else
            tellFailure(QStringLiteral("cannot start: ")
                        + (platformCause.isEmpty() ? message.section(u'\n', 0, 0) : platformCause));
        std::_Exit(1);
    }
    // Qt's words when the X server or the Wayland compositor has gone.
    if (message.contains(QLatin1String(" connection broke"))) {
        tellFailure(QStringLiteral("the display has gone away (%1)").arg(message.trimmed()));
        std::_Exit(1);
    }
    const char *category = context.category ? context.category : "";
    if (starting && type != QtDebugMsg && std::strncmp(category, "qt.qpa.", 7) == 0) {
        if (platformCause.isEmpty()) {
            platformCause = message.trimmed();
            causeIsDisplay = !std::strcmp(category, "qt.qpa.xcb")
                    || !std::strcmp(category, "qt.qpa.wayland");
            if (causeIsDisplay && qEnvironmentVariableIsEmpty("DISPLAY")
                && !std::strcmp(category, "qt.qpa.xcb"))
                platformCause = QStringLiteral("DISPLAY is not set");
        }
        return;
    }
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

int Run(int &argc, char **argv, void (*start)())
{
    if (argc > 0 && argv[0]) {
        programName = argv[0];
        for (const char *p = argv[0]; *p; ++p) {
            if (*p == '/' || *p == '\\')
                programName = p + 1;
        }
    }
    previousHandler = qInstallMessageHandler(programMessage);
    starting = true;
    ProgramApplication app(argc, argv);
    starting = false;
    QGuiApplication::setDesktopFileName(App.DesktopFileName);
    QCoreApplication::setApplicationVersion(
            QStringLiteral("%1.%2.%3").arg(App.Major).arg(App.Minor).arg(App.Revision));

    RaiseEvent(start);
    if (!HasEnded() && !detail::anyWindowLoaded())
        End(0);
    if (!HasEnded()) {
        detail::state().running = true;
        const int status = QApplication::exec();
        detail::state().running = false;
        if (!HasEnded())
            End(status);
    }
    detail::destroyUnloadedNow();
    qInstallMessageHandler(previousHandler);
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
