// What the runtime keeps for the whole program. Internal to the forms runtime.
#pragma once

#include "Runtime.h"

#include <vector>

namespace forms {
class Form;
}

namespace forms::detail {

struct RuntimeState
{
    std::vector<Form *> loaded;       // every loaded window, in the order of loading
    std::vector<Form *> unloaded;     // unloaded windows whose destruction waits (see Form.cpp)
    ErrorReporter reporter;           // empty: the default message box
    int handlerDepth = 0;             // handlers running now, nested
    bool destroyWhenIdle = false;     // destroy the unloaded windows once no handler runs
    bool running = false;             // Run is inside the event loop
    bool ending = false;              // an untrapped error is ending the program
    bool ended = false;
    int exitStatus = 0;
};

RuntimeState &state();

// Destroys the unloaded windows now if no handler is running, else once none is.
void destroyUnloadedWhenSafe();
// Called when the outermost handler returns with windows waiting to be destroyed.
void destroyUnloadedLater();
void destroyUnloadedNow();

} // namespace forms::detail
