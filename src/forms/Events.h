// Events: how the runtime runs the windows' handlers, and what becomes of an error that no
// handler traps. The lowest layer of the forms runtime; it knows nothing of windows.
//
// Every handler runs inside RaiseEvent, which keeps exceptions on this side of Qt's event loop:
// an error that the handler does not trap is reported (to stderr, and to the reporter the
// program or a test installs) and ends the program with exit status 1. Once the program has
// ended, no handler code runs any more: a runtime operation that would go on in a handler
// unwinds it instead (stopIfEnded).
#pragma once

#include "Error.h"

#include <exception>
#include <functional>

namespace forms {

// What the runtime knows of the program's end.
bool HasEnded();
int ExitStatus();

// One run of the program: it starts with the program not ended. Run makes one for the
// program; whatever drives the windows without Run (the tests) makes one for each run.
class ProgramRun
{
public:
    ProgramRun();
    ProgramRun(const ProgramRun &) = delete;
    ProgramRun &operator=(const ProgramRun &) = delete;
};

// Shows the user an untrapped error; Run installs a message box, tests and fuzzers their own
// recorder, replacing whatever was installed before.
using ErrorReporter = std::function<void(const Error &)>;
void SetErrorReporter(ErrorReporter reporter);

namespace detail {

// Thrown by runtime operations inside a handler once the program has ended, so that the rest of
// the handler does not run. It is no forms::Error, so handlers that trap errors let it pass;
// RaiseEvent catches it where the event was raised.
struct ProgramEnded
{
};

void enterHandler();
void leaveHandler();
// The program has ended, or an untrapped error is ending it.
bool hasEnded();
// Throws ProgramEnded when the program has ended and a handler is running.
void stopIfEnded();
void untrapped(std::exception_ptr error);

// How the program ends is the windows' business (they are unloaded, the event loop left): the
// layer above installs it. Ending records the status of the first end only.
using EndHandler = void (*)(int status);
void setEndHandler(EndHandler handler);
void recordEnd(int status);
// The event loop runs (Run is inside exec), so ending must leave it.
void setEventLoopRunning(bool running);
bool eventLoopRunning();

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
