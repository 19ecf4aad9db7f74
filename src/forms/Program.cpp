#include "Program.h"

#include "Accessibility_p.h"
#include "Form.h"
#include "ProgramStyle_p.h"
#include "ScreenReaderKeys_p.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#ifdef Q_OS_WIN
#    include <windows.h>
#else
#    include <sys/stat.h>
#endif

namespace forms {

namespace {

// Keys that a screen reader may have claimed. While a screen reader listens through AT-SPI's
// keystroke listeners (Orca 43 does; Orca 48 takes its keys from the display server instead),
// Qt's accessibility bridge holds every key until the screen reader has said whether it takes
// it; but it waits only 100 ms, and on a busy machine it then hands every key it holds to the
// program, with a warning. A key the screen reader took would then act on the window too: a
// review key would move a list's selection, Where Am I would pick. The keys that may be the
// screen reader's commands (ScreenReaderKeys_p.h) go nowhere when they are handed over so;
// all others still act, however late. The bridge posts the keys right after its warning, so
// they are all queued before a marker posted at low priority then.
bool droppingAbandonedKeys = false;
const QEvent::Type AbandonedKeysPassed = QEvent::Type(QEvent::registerEventType());

void keysAbandoned()
{
    droppingAbandonedKeys = true;
    if (QCoreApplication::instance())
        QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(AbandonedKeysPassed),
                                    Qt::LowEventPriority);
}

bool isAbandonedKey(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    if (event->spontaneous()) {
        detail::noteKeyFromWindowSystem(key);
        return false;
    }
    return droppingAbandonedKeys && detail::mayBeScreenReaderCommand(key);
}

// Exceptions must never cross Qt's event loop. Every handler runs inside RaiseEvent already;
// this is the net under everything else that Qt calls.
class ProgramApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        if (event->type() == AbandonedKeysPassed) {
            droppingAbandonedKeys = false;
            return true;
        }
        if (isAbandonedKey(event))
            return true;
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
bool holdingRuntimeDirBack = false; // see withoutRuntimeDir

// The program's own report of an untrapped error: a message box, as its users know it.
void showErrorBox(const Error &e)
{
    QMessageBox::critical(
            nullptr, App.Title,
            QStringLiteral("Run-time error '%1':\n\n%2").arg(e.Number()).arg(e.Description()));
}

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

// Qt's Wayland plugin says "Failed to create wl_display (<reason>)" when no compositor answers.
QString waylandCause(const QString &message)
{
    const qsizetype open = message.lastIndexOf(u'(');
    const QString reason = open < 0 ? QString() : message.mid(open);
    const QString socket = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (socket.isEmpty())
        return QStringLiteral("WAYLAND_DISPLAY is not set, and no Wayland compositor is at "
                              "\"wayland-0\" %1")
                .arg(reason);
    return QStringLiteral("no Wayland compositor is at WAYLAND_DISPLAY \"%1\" %2")
            .arg(socket, reason);
}

void programMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (holdingRuntimeDirBack && message.startsWith(QLatin1String("QStandardPaths: ")))
        return; // see withoutRuntimeDir
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    // Since Qt 6.5 the application object switches a locale whose character encoding is not
    // UTF-8 (the plain "C" of a bare session or a service) to its UTF-8 form, and says so at
    // length. The program's texts are all its own and need nothing of the locale: the switch
    // is no news to its user, who would not have heard of it from Qt 6.4.
    if (starting && type == QtWarningMsg && message.startsWith(QLatin1String("Detected locale ")))
        return;
#endif
    if (message.startsWith(QLatin1String("QSpiApplication::keyEventError")))
        keysAbandoned();
    if (starting && message.startsWith(QLatin1String("Failed to create wl_display"))) {
        platformCause = waylandCause(message);
        causeIsDisplay = true;
        return;
    }
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
    // A screen reader that asks about a control of a window that has just closed gets no
    // answer, and Qt's bridge says so on the terminal: a race between the two, no news to the
    // user.
    if (!std::strcmp(category, "qt.accessibility.atspi")
        && message.startsWith(QLatin1String("Could not find accessible on path")))
        return;
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

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
// What the program leaves to the desktop session, and what it does where there is none.
//
// Input method: the program's boxes take no text that it reads, so Qt's own compose handling
// (dead keys) is all it needs, on X11 as on Wayland, unless the user names another in
// QT_IM_MODULE. Qt's Wayland text-input support would also reach for the compositor's seat,
// which a compositor without input devices does not have, and crash when a list opens.
//
// Session bus: a screen reader is reached through the session bus. Without one (no address
// and none at $XDG_RUNTIME_DIR/bus, where libdbus would look), libdbus would start a bus
// daemon of its own that outlives the program and writes into HOME. There is no screen reader
// to serve then, so the program asks for no bus: the address "disabled:" names no transport
// libdbus knows, and the connection fails at once.
void prepareSessionEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_IM_MODULE"))
        qputenv("QT_IM_MODULE", "compose");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        const QByteArray runtimeDir = qgetenv("XDG_RUNTIME_DIR");
        struct stat info;
        const bool userBus = !runtimeDir.isEmpty()
                && stat((runtimeDir + "/bus").constData(), &info) == 0 && S_ISSOCK(info.st_mode);
        if (!userBus)
            qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    }
}

// Runs make with no runtime directory for Qt to find or make. Qt asks for the runtime directory
// ($XDG_RUNTIME_DIR) only to see whether the program runs in a Flatpak sandbox, which always
// has one. Without it, Qt would warn and make a folder in the temporary directory instead;
// with a temporary directory in which nothing can be made, it finds none and goes on.
template<typename Make>
void withoutRuntimeDir(Make make)
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        make();
        return;
    }
    const bool hadTmp = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/dev/null");
    holdingRuntimeDirBack = true;
    make();
    holdingRuntimeDirBack = false;
    if (hadTmp)
        qputenv("TMPDIR", tmp);
    else
        qunsetenv("TMPDIR");
}
#else
void prepareSessionEnvironment() {}
template<typename Make>
void withoutRuntimeDir(Make make)
{
    make();
}
#endif

} // namespace

void SetUpApplication()
{
    detail::watchKeyboardHolds();
    // Before any widget is described to a screen reader (see Accessibility_p.h).
    detail::installAccessibility();
    // The program ends when its last window is unloaded, or an untrapped error ends it; not
    // when Qt sees no window shown.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    detail::setEndHandler(End);
    // Faces the program carries for desktops that lack them (the windows' dialog font).
    const QDir carried(QStringLiteral(":/fonts"));
    for (const QString &file : carried.entryList(QDir::Files))
        QFontDatabase::addApplicationFont(carried.filePath(file));
    QApplication::setStyle(new detail::ProgramStyle(QApplication::style()->name()));
}

int Run(int &argc, char **argv, void (*start)())
{
    ProgramRun run;
    if (argc > 0 && argv[0]) {
        programName = argv[0];
        for (const char *p = argv[0]; *p; ++p) {
            if (*p == '/' || *p == '\\')
                programName = p + 1;
        }
    }
    previousHandler = qInstallMessageHandler(programMessage);
    prepareSessionEnvironment();
    starting = true;
    std::optional<ProgramApplication> app;
    withoutRuntimeDir([&] { app.emplace(argc, argv); });
    starting = false;
    SetUpApplication();
    QGuiApplication::setDesktopFileName(App.DesktopFileName);
    QCoreApplication::setApplicationVersion(
            QStringLiteral("%1.%2.%3").arg(App.Major).arg(App.Minor).arg(App.Revision));

    SetErrorReporter(showErrorBox);

    RaiseEvent(start);
    if (!HasEnded() && !detail::anyWindowLoaded())
        End(0);
    if (!HasEnded()) {
        detail::setEventLoopRunning(true);
        const int status = QApplication::exec();
        detail::setEventLoopRunning(false);
        if (!HasEnded())
            End(status);
    }
    // The windows unloaded last are destroyed once no handler runs; none runs now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qInstallMessageHandler(previousHandler);
    return ExitStatus();
}

} // namespace forms
