// The program as a whole, through the same entry the executable uses: forms::Run makes the
// application, shows the main menu and returns the exit status when the program ends.
// Usage: program_run CASE; exits 0 when the case behaved as expected.
#include "TestSupport.h"

#include "forms/Program.h"

#include <QTimer>

#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#    include <sys/socket.h>
#    include <sys/un.h>
#    include <unistd.h>
#endif

namespace {

int reported = 0;
bool ranOn = false;
forms::GlobalForm<ProbeForm> frmFirst, frmFailing, frmLater;

int expect(bool ok, const char *what)
{
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    return ok ? 0 : 1;
}

// Runs the program as its entry does, with the case's start. Run installs its message box for
// untrapped errors before it calls start; here start first puts a counter in the box's place, so
// that a case sees its errors without a modal box.
void (*caseStart)();
int run(int &argc, char **argv, void (*start)())
{
    caseStart = start;
    return forms::Run(argc, argv, [] {
        forms::SetErrorReporter([](const forms::Error &) { ++reported; });
        caseStart();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    const char *which = argc > 1 ? argv[1] : "";
    if (!std::strcmp(which, "exit")) {
        const int status = run(argc, argv, [] {
            frmMain->Show();
            QTimer::singleShot(0, [] { press(frmMain->cmdExit); });
        });
        return expect(status == 0 && !frmMain.loadedOrNull() && reported == 0,
                      "Exit ends the program with status 0");
    }
    if (!std::strcmp(which, "close")) {
        const int status = run(argc, argv, [] {
            frmMain->Show();
            QTimer::singleShot(0, [] {
                press(frmMain->cmdType[6]);
                frmMain->widget()->close();
            });
        });
        return expect(status == 0 && !frmMain.loadedOrNull() && !frmSearch.loadedOrNull()
                              && CategoryIndex == 6,
                      "closing the main menu with a search window open ends with status 0");
    }
    if (!std::strcmp(which, "error")) {
        // The second error comes after the end, straight out of Qt's delivery of an event.
        const int status = run(argc, argv, [] {
            frmMain->Show();
            QTimer::singleShot(0, [] {
                forms::RaiseEvent([] { forms::CInt(70000); });
                throw forms::Error(forms::ErrOverflow);
            });
        });
        return expect(status == 1 && reported == 1 && !frmMain.loadedOrNull(),
                      "an untrapped error is reported once and ends with status 1");
    }
#ifdef Q_OS_UNIX
    if (!std::strcmp(which, "session") || !std::strcmp(which, "no-session")) {
        // The desktop session's bus, where libdbus looks for it when no address is given, and
        // the user's own input method are used; without a session, no bus and Qt's own
        // compose handling.
        const bool session = !std::strcmp(which, "session");
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qunsetenv("QT_IM_MODULE");
        if (session) {
            qputenv("QT_IM_MODULE", "ibus");
            const QByteArray bus = qgetenv("XDG_RUNTIME_DIR") + "/bus";
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, bus.constData(), sizeof(address.sun_path) - 1);
            const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
            unlink(bus.constData());
            if (bind(listening, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
                return expect(false, "a socket at $XDG_RUNTIME_DIR/bus");
        }
        const int status = run(argc, argv, [] {
            frmMain->Show();
            QTimer::singleShot(0, [] { press(frmMain->cmdExit); });
        });
        const QByteArray busAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        const QByteArray inputMethod = qgetenv("QT_IM_MODULE");
        if (session)
            return expect(status == 0 && busAddress.isEmpty() && inputMethod == "ibus",
                          "the session's bus and the user's input method are used");
        return expect(status == 0 && busAddress == "disabled:" && inputMethod == "compose",
                      "without a session bus none is asked for; Qt's compose input method");
    }
#endif
    if (!std::strcmp(which, "nested-error")) {
        // The error comes from a QueryUnload that a click's Unload raised: the click handler
        // goes no further, and the window it would show next is never made.
        const int status = run(argc, argv, [] {
            frmFirst->Show();
            frmFailing->Show();
            frmFailing->onQueryUnload = [] { forms::CInt(70000); };
            frmFirst->onClickA = [] {
                forms::Unload(frmFailing);
                ranOn = true;
                frmLater->Show();
            };
            QTimer::singleShot(0, [] { press(frmFirst->cmdA); });
        });
        return expect(status == 1 && reported == 1 && !ranOn && ProbeForm::loads == 2
                              && !frmLater.loadedOrNull() && !frmFirst.loadedOrNull(),
                      "an untrapped error in a nested event ends the handler and the program");
    }
    if (!std::strcmp(which, "startup-error")) {
        const int status = run(argc, argv, [] { throw forms::Error(forms::ErrOverflow); });
        return expect(status == 1 && reported == 1, "an error at start-up ends with status 1");
    }
    std::fprintf(stderr,
                 "usage: program_run exit|close|error|nested-error|startup-error|"
                 "session|no-session\n");
    return 2;
}
