"""The program as a blind user hears it: Orca, the GNOME screen reader, driven from the keyboard.

Orca runs as a user has it (speech through speech-dispatcher, key echo on) under openbox, in
its desktop or its laptop keyboard layout, and writes every utterance into its debug file; the
test presses keys with xdotool and waits at each step until Orca has said what the step must
say, in that order (the words for roles are AT-SPI's, which change between versions):

- the main menu by its title (and in the internal edition its red warning), then "Analog";
- Alt+S: the Scanner window, then Main Menu; Tab into each empty box: its label and "blank";
- Tab into the Tevra list; Alt+Down: the entry current in it; Down: the next one; Where Am I
  (the keypad's Enter, or Caps Lock+Return in the laptop layout): where that entry is, and the
  list stays open; Enter: the list again and the name picked, the focus staying in the list;
  Where Am I: the list by its name, blank; the review key for the current line (the keypad's
  Up, or Caps Lock+I) on the closed list changes nothing;
- Where Am I and the review key while Orca answers late (it is stopped for a moment, so that
  Qt's accessibility bridge gives up waiting and hands the key to the program): the same. An
  Orca that takes its keys from the display server (Orca 48) is never asked by the bridge;
- Shift+Tab back through the boxes: each box's label, then its value once, whole, without the
  filler spaces that pad it;
- Alt+M: the main menu again, the focus on Scanner, which opened the window;
- Alt+U, the Product Code search: open, move, pick, the last box; Alt+M back to Product Code;
- the main menu's close box ends the program with status 0.

Nothing Orca says in the whole run may hold filler spaces, "Text unselected" or "not selected"
(of the entry Enter would pick), and each pick is said once.

Usage (inside dbus-run-session):
    orca_test.py PROGRAM TABLE_SOURCE OUT_DIR EDITION [--desktop openbox] [--layout laptop]
"""

import os
import signal
import sys

from e2e_support import START_TIMEOUT, STEP_TIMEOUT, check, log, run_quiet, wait_for
from e2e_support.accessibility import Tree, import_pyatspi
from e2e_support.orca import start_screen_reader
from e2e_support.program import MAIN_TITLE, list_entries, read_boxes, type_of
from e2e_support.session import Arguments, main_entry
from e2e_support.x11 import keys

WARNING = "Internal Use Only Do Not Distribute"


def main():
    args = Arguments(sys.argv)
    with args.session() as session:
        run_steps(session, args)


# Orca's Where Am I and its review key for the current line, in its two keyboard layouts.
WHERE_AM_I = {"desktop": "KP_Enter", "laptop": "Caps_Lock+Return"}
REVIEW_LINE = {"desktop": "KP_Up", "laptop": "Caps_Lock+i"}


def run_steps(session, args):
    rows, box_names, internal = args.rows, args.box_names, args.internal
    layout = args.layout
    session.start_display()
    session.start_accessibility_bus()
    reader = start_screen_reader(session, layout)
    started = reader.mark()
    session.start_program()
    tree = Tree(import_pyatspi(), args.program)
    # What Orca calls the program's controls: AT-SPI's name for each role, in its version's words.
    word = tree.role_name
    orca = dict(session.processes)["orca"]

    def step(sequence, expected, what):
        """Presses keys and waits until Orca has said expected, in that order."""
        since = reader.mark()
        keys(*sequence)
        said = reader.wait_said(expected, STEP_TIMEOUT, since)
        log(f"{what}: {said}")
        return said

    def answering_late(key):
        """Presses key while Orca is stopped, until Qt's bridge has given up waiting for its
        answer and handed the key to the program; then lets Orca go on. An Orca that takes its
        keys from the display server has nothing handed to the program: the key is pressed as
        any other."""
        if reader.grabs_its_keys:
            keys(key)
            return

        def gave_up():
            return sum("keyEventError" in line for line in session.program_output())
        before = gave_up()
        os.kill(orca.pid, signal.SIGSTOP)
        try:
            keys(key)
            wait_for(lambda: gave_up() > before, STEP_TIMEOUT, "the bridge to give up on Orca")
        finally:
            os.kill(orca.pid, signal.SIGCONT)

    def main_menu(focused, since):
        """Waits until Orca has presented the main menu, focused on a button: its title, the
        warning in the internal edition (Orca 43 says it with the title, Orca 48 announces it
        after the button), the button."""
        said = reader.wait_said([f"{MAIN_TITLE} {word('FRAME')}", f"{focused} {word('PUSH_BUTTON')}"],
                                START_TIMEOUT, since)
        if internal:
            said = reader.wait_heard([WARNING], STEP_TIMEOUT, since)
        return said

    def box(name, value):
        return [f"{name} {word('TEXT')}", f"{value} selected" if value else "blank"]

    def pick_second(list_name, field, type_code=None, late=False):
        """In the open search window's list, focused: Alt+Down, Down and Enter pick its second
        entry, which Orca says as the list has it; returns that entry and its row's boxes.
        Where Am I on the entry before the pick leaves the list open; late: with Orca
        answering late."""
        entries = list_entries(rows, field, type_code)
        # (Orca 43 says "List with N items" first; Orca 48 takes the list for a mere layout.)
        step(["alt+Down"], [entries[0]], "Alt+Down")
        step(["Down"], [entries[1]], "Down")
        where_am_i = [word("LIST_ITEM"), entries[1], f"2 of {len(entries)}"]
        since = reader.mark()
        if late:
            answering_late(WHERE_AM_I[layout])
        else:
            keys(WHERE_AM_I[layout])
        log(f"Where Am I{', answered late' if late else ''}: "
            f"{reader.wait_heard(where_am_i, STEP_TIMEOUT, since)}")
        # Keys come in order: once the next entry is said as the open list's, Where Am I has
        # neither picked nor closed the list.
        step(["Down"], [entries[2]], "Down")
        step(["Up"], [entries[1]], "Up")
        step(["Return"], [f"{list_name} editable combo box", entries[1]], "Enter")
        picked = [read_boxes(row) for row in rows if read_boxes(row)[field] == entries[1]
                  and (type_code is None or type_of(row) == type_code)]
        check(len(picked) == 1, f'{len(picked)} rows have {field} "{entries[1]}"')
        return entries[1], picked[0]

    def boxes_in_reverse(values, count):
        """Shift+Tab through the last count boxes: each is heard once, its value whole."""
        for name in list(reversed(box_names))[:count]:
            said = step(["shift+Tab"], box(name, values[name]), f"Shift+Tab to {name}")
            if values[name]:
                # Counted from the box's name on: an Orca that lags far behind (a sanitizer
                # build) can still be telling the pick's text changes as the focus arrives.
                start = next(i for i, utterance in enumerate(said)
                             if box(name, "")[0] in utterance)
                check(sum(values[name] in utterance for utterance in said[start:]) == 1,
                      f"{name}: its value is not said once: {said}")

    tree.wait_window(MAIN_TITLE, START_TIMEOUT)
    log(f"start: {main_menu('Analog', started)}")

    # ---- Scanner: the empty boxes, the Tevra list, a pick, the boxes ----
    step(["alt+s"], [f"Scanner {word('FRAME')}", f"Main Menu {word('PUSH_BUTTON')}"], "Alt+S")
    for name in box_names:
        step(["Tab"], box(name, ""), f"Tab to {name}")
    step(["Tab"], ["Tevra editable combo box"], "Tab to the Tevra list")
    tevra, boxes = pick_second("Tevra", "Tevra", "SCN", late=True)
    window = tree.window("Scanner")
    shown = tree.boxes(window, box_names)
    # (Orca 43 adds "blank" for the empty edit field, Orca 48 its place among the lists.)
    where_am_i_on_list = ["Tevra", "editable combo box"]
    since = reader.mark()
    keys(WHERE_AM_I[layout])
    log(f"Where Am I after the pick: {reader.wait_heard(where_am_i_on_list, STEP_TIMEOUT, since)}")
    # The review key would move the closed list's selection up and pick the first entry (the
    # keypad's Up), or type into its edit field (Caps Lock+I).
    answering_late(REVIEW_LINE[layout])
    since = reader.mark()
    keys(WHERE_AM_I[layout])
    log(f"Where Am I after {REVIEW_LINE[layout]}: "
        f"{reader.wait_heard(where_am_i_on_list, STEP_TIMEOUT, since)}")
    check(tree.boxes(window, box_names) == shown, "a review key changed the record shown")
    check(tree.edit_text(tree.control(window, "COMBO_BOX", "Tevra")) == "",
          "a review key typed into the list")
    boxes_in_reverse(boxes, len(box_names))
    since = reader.mark()
    keys("alt+m")
    log(f"Alt+M: {main_menu('Scanner', since)}")

    # ---- Product Code: a pick, the last box ----
    step(["alt+u"], [f"Product Code {word('FRAME')}", "Product Code editable combo box"], "Alt+U")
    code, boxes = pick_second("Product Code", "Prod Code")
    boxes_in_reverse(boxes, 1)
    since = reader.mark()
    keys("alt+m")
    log(f"Alt+M: {main_menu('Product Code', since)}")

    # The main menu's close box ends the program. (Not Alt+X: while a screen reader listens to
    # the keys, Qt's bridge holds copies of them until it has answered, and a program that
    # ends on a key press leaves the copies of the keys still held to the leak checker.)
    run_quiet(["wmctrl", "-c", MAIN_TITLE])
    session.check_exit("the close box")

    said = reader.said()
    # Filler is a run of spaces; a key's echo ("tab ") ends in one space of Orca's own.
    filler = [u for u in said if "  " in u]
    check(not filler, f"filler spaces spoken: {filler}")
    for noise in ("Text unselected.", "not selected."):
        check(noise not in said, f'Orca said "{noise}"')
    for name in (tevra, code):
        check(said.count(name) == 1, f'the pick of "{name}" was said {said.count(name)} times')
    log(f"Orca said {len(said)} utterances, none with filler")


if __name__ == "__main__":
    # An idle run takes up to 40 s in the sanitizer build.
    main_entry(main, watchdog_seconds=240)
