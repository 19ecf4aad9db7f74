// What the runtime keeps for the whole program. Internal to the forms runtime.
#pragma once

#include "Runtime.h"

namespace forms::detail {

struct RuntimeState
{
    ErrorReporter reporter; // empty: the default message box
    int handlerDepth = 0; // handlers running now, nested
    bool running = false; // Run is inside the event loop
    bool ending = false; // an untrapped error is ending the program
    bool ended = false;
    int exitStatus = 0;
};

RuntimeState &state();

} // namespace forms::detail
