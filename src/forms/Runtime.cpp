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

// A program that cannot start: Qt reports a platform it cannot set up (no display to connect
// to, say) as a few lines of plugin diagnostics and a fatal message, and then aborts. While the
// application object is made, the runtime holds Qt's platform diagnostics back and turns the
// fatal message into one line that names the cause, and exit status 1.
const char *programName = "program";
QtMessageHandler previousHandler = nullptr;
QString platformCause; // the first platform diagnostic: what went wrong
bool causeIsDisplay = false; // it came from the display connection

void tellStartFailure(const QString &line)
{
    std::fprintf(stderr, "%s: %s\n", programName, qPrintable(line));
    std::fflush(stderr);
#ifdef Q_OS_WIN
    // A Windows program has no terminal: the user would see nothing at all.
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(line.utf16()),
                reinterpret_cast<const wchar_t *>(App.Title.utf16()), MB_OK | MB_ICONERROR);
#endif
}

void startUpMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtFatalMsg) {
        if (causeIsDisplay)
            tellStartFailure(QStringLiteral("no display can be reached: ") + platformCause);
        else
            tellStartFailure(
                    QStringLiteral("cannot start: ")
                    + (platformCause.isEmpty() ? message.section(u'\n', 0, 0) : platformCause));
        std::_Exit(1);
    }
    const char *category = context.category ? context.category : "";
    if (type != QtDebugMsg && std::strncmp(category, "qt.qpa.", 7) == 0) {
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
    previousHandler = qInstallMessageHandler(startUpMessage);
    ProgramApplication app(argc, argv);
    qInstallMessageHandler(previousHandler);
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
