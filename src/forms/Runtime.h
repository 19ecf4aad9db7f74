// The program level of the forms runtime: starting and ending the program, raising events,
// and what happens to an error that no handler traps.
//
// Events reach the windows' handlers only through RaiseEvent, which keeps every exception on
// this side of Qt's event loop: an error that the handler does not trap is reported to the user
// (a message box naming the error, replaceable for tests) and ends the program with exit
// status 1. Once the program has ended, no handler code runs any more: a runtime operation that
// would load or show a window, or that raised an event which ended the program, unwinds the
// handler that called it (see ProgramEnded). The program also ends, with status 0, when its
// last window is unloaded.
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
    String DesktopFileName; // ties the windows to the desktop's menu entry and icon
};

// Defined by the program, from its build settings.
extern Application App;

// Makes the Qt application, calls start (which shows the start-up window) and processes events
// until no window is loaded or an untrapped error ends the program. Returns the exit status.
// A program that cannot start at all (no display can be reached) says so in one line on stderr,
// and in a message box where there is no terminal, and returns 1.
int Run(int &argc, char **argv, void (*start)());

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

// Thrown by runtime operations inside a handler once the program has ended, so that the rest of
// the handler does not run. It is no forms::Error, so handlers that trap errors let it pass;
// RaiseEvent catches it where the event was raised.
struct ProgramEnded
{
};

void enterHandler();
void leaveHandler();
bool hasEnded();
void untrapped(std::exception_ptr error);
// Throws ProgramEnded when the program has ended and a handler is running.
void stopIfEnded();

} // namespace detail

// Runs one event handler. Errors that the handler does not trap end the program here.
template<typename Handler>
void RaiseEvent(Handler &&handler) noexcept
{
    if (detail::hasEnded())
        return;
    detail::enterHandler();
    try {
        handler();
    } catch (const detail::ProgramEnded &) {
    } catch (...) {
        detail::untrapped(std::current_exception());
    }
    detail::leaveHandler();
}

} // namespace forms
