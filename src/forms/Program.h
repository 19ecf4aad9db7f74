// The program level of the forms runtime: the application object and starting the program.
//
// Run makes Qt's application object, shows the start-up window and processes events until no
// window is loaded or an untrapped error ends the program. It owns what the program says when
// the window system fails it: a program that cannot reach a display, or whose display goes
// away, says so in one line and ends with status 1.
#pragma once

#include "Events.h"
#include "Text.h"

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
// until the program ends. Returns the exit status. An untrapped error is shown in a message box:
// Run installs it as the error reporter before it calls start (SetErrorReporter).
int Run(int &argc, char **argv, void (*start)());

// Sets the application object up as the program needs it: its style, the faces it carries, what
// screen readers are told of the windows, and that the program ends when its last window is
// unloaded rather than when Qt sees no window. Run does it; whatever makes its own application
// object to drive the windows (the tests, the benchmarks) calls it once after making it.
void SetUpApplication();

} // namespace forms
