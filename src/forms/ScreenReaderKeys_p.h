// Keys that a screen reader may take as its own commands. Internal to the forms runtime; it
// needs no widgets.
//
// A screen reader's commands are the keypad's keys (its review keys and Where Am I, in Orca's
// desktop layout) and any key pressed while its own modifier is held: Insert in the desktop
// layout, Caps Lock in the laptop layout (Where Am I is Caps Lock+Return there). Whether the
// modifier was held is known only from the keys as the window system delivers them: a screen
// reader takes the modifier's own press for itself, and a key may reach a window long after it
// was pressed (see Program.cpp). The program start notes each key as it comes from the window
// system; a key is then judged by the note of its last press, found by its scan code. A screen
// reader that takes its keys from the X server (Orca 48) holds the keyboard while it works on
// a command and so may take the modifier's release for itself: what was noted of the modifier
// is forgotten whenever the keyboard comes back from another program's hold.
#pragma once

class QKeyEvent;

namespace forms::detail {

// Notes a key press or release that comes from the window system.
void noteKeyFromWindowSystem(const QKeyEvent *key);

// Watches the window system for another program's hold on the keyboard (X11); once.
void watchKeyboardHolds();

// Whether key may be a screen reader's command: a keypad key, or a key last pressed while the
// screen reader's modifier was held.
bool mayBeScreenReaderCommand(const QKeyEvent *key);

} // namespace forms::detail
