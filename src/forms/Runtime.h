// The program level of the forms runtime: starting and ending the program, raising events,
// and what happens to an error that no handler traps.
//
// Events reach the windows' handlers only through RaiseEvent, which keeps every exception on
// this side of Qt's event loop: an error that the handler does not trap is reported to the user
// (a message box naming the error, replaceable for tests) and ends the program with exit
// status 1. The program also ends, with status 0, when its last window is unloaded.
#pragma once

#include "Error.h"
#include "Text.h"

#include <exception>
#include <functional>

namespace forms {

// The application object: its version numbers and the title of its messages.
struct Application
{
    Integer Major = 0;
    Integer Minor = 0;
    Integer Revision = 0;
    String Title;
    String DesktopFileName;    // ties the windows to the desktop's menu entry and icon
};

// Defined by the program, from its build settings.
extern Application App;

// Makes the Qt application, calls start (which shows the start-up window) and processes events
// until no window is loaded or an untrapped error ends the program. Returns the exit status.
// Where no display can be reached, says so in one line on stderr and returns 1 instead of
// letting the toolkit abort.
int Run(int &argc, char **argv, void (*start)());

// Ends the program: every loaded window is destroyed without further events, and Run returns
// status. Outside Run (in tests) the program is only marked as ended.
void End(int status = 0);

// What the runtime knows of the program's end, for tests and for Run.
bool HasEnded();
int ExitStatus();
void ClearEndedForTesting();

// Shows the user an untrapped error. The default shows a modal message box and writes the error
// to stderr; tests install their own to see the message without a modal box. Returns the
// reporter that was installed before.
using ErrorReporter = std::function<void(const Error &)>;
ErrorReporter SetErrorReporter(ErrorReporter reporter);

namespace detail {
void enterHandler();
void leaveHandler();
bool isEnding();
void untrapped(std::exception_ptr error);
} // namespace detail

// Runs one event handler. Errors that the handler does not trap end the program here.
template <typename Handler>
void RaiseEvent(Handler &&handler) noexcept
{
    if (detail::isEnding())
        return;
    detail::enterHandler();
    try {
        handler();
    } catch (...) {
        detail::untrapped(std::current_exception());
    }
    detail::leaveHandler();
}

} // namespace forms
