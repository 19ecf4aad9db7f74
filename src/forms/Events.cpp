#include "Events.h"

#include <QCoreApplication>

#include <cstdio>
#include <new>
#include <utility>

namespace forms {

namespace {

struct State
{
    ErrorReporter reporter;
    detail::EndHandler endHandler = nullptr;
    int handlerDepth = 0; // handlers running now, nested
    bool loopRunning = false;
    bool ending = false; // an untrapped error is ending the program
    bool ended = false;
    int exitStatus = 0;
};

State &state()
{
    static State s;
    return s;
}

Error toError(std::exception_ptr error)
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

} // namespace

bool HasEnded()
{
    return state().ended;
}

int ExitStatus()
{
    return state().exitStatus;
}

ProgramRun::ProgramRun()
{
    state().ended = false;
    state().ending = false;
    state().exitStatus = 0;
}

void SetErrorReporter(ErrorReporter reporter)
{
    state().reporter = std::move(reporter);
}

namespace detail {

void enterHandler()
{
    ++state().handlerDepth;
}

void leaveHandler()
{
    --state().handlerDepth;
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

void untrapped(std::exception_ptr error)
{
    if (hasEnded())
        return;
    state().ending = true;
    const Error e = toError(error);
    const QString program = QCoreApplication::instance() ? QCoreApplication::applicationName()
                                                         : QStringLiteral("program");
    std::fprintf(stderr, "%s: run-time error %d: %s\n", qPrintable(program), e.Number(),
                 qPrintable(e.Description()));
    if (state().reporter)
        state().reporter(e);
    if (state().endHandler)
        state().endHandler(1);
    else
        recordEnd(1);
}

void setEndHandler(EndHandler handler)
{
    state().endHandler = handler;
}

void recordEnd(int status)
{
    if (!state().ended) {
        state().ended = true;
        state().exitStatus = status;
    }
}

void setEventLoopRunning(bool running)
{
    state().loopRunning = running;
}

bool eventLoopRunning()
{
    return state().loopRunning;
}

} // namespace detail

} // namespace forms
