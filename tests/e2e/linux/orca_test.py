"""The program as a blind user hears it: Orca, the GNOME screen reader, driven from the keyboard.

Orca runs as a user has it (speech through speech-dispatcher, key echo on) under openbox, and
writes every utterance into its debug file; the test presses keys with xdotool and waits at
each step until Orca has said what the step must say, in that order:

- the main menu by its title (and in the internal edition its red warning), then "Analog";
- Alt+S: the Scanner window, then Main Menu; Tab into each empty box: its label and "blank";
- Tab into the Tevra list; Alt+Down: the list and the entry current in it; Down: the next one;
  Enter: the list again and the name picked, the focus staying in the list;
- Shift+Tab back through the boxes: each box's label, then its value once, whole, without the
  filler spaces that pad it;
- Alt+M: the main menu again, the focus on Scanner, which opened the window;
- Alt+U, the Product Code search: open, move, pick, the last box; Alt+M back to Product Code;
- the main menu's close box ends the program with status 0.

Nothing Orca says in the whole run may hold filler spaces or "Text unselected", and each pick
is said once.

Usage (inside dbus-run-session):
    orca_test.py PROGRAM TABLE_SOURCE OUT_DIR EDITION [--desktop openbox]
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import START_TIMEOUT, STEP_TIMEOUT, check, log, run_quiet
from e2e_support.orca import start_screen_reader
from e2e_support.program import MAIN_TITLE, list_entries, read_boxes
from e2e_support.session import Arguments, main_entry
from e2e_support.x11 import keys

WARNING = "Internal Use Only Do Not Distribute"


def sentence(text):
    """An utterance as Orca ends it: a full stop after a letter or digit."""
    return text + "." if text[-1:].isalnum() else text


def main():
    args = Arguments(sys.argv)
    with args.session() as session:
        run_steps(session, args)


def run_steps(session, args):
    rows, box_names, internal = args.rows, args.box_names, args.internal
    session.start_display()
    session.start_accessibility_bus()
    reader = start_screen_reader(session)
    started = reader.mark()
    session.start_program()

    def step(sequence, expected, what):
        """Presses keys and waits until Orca has said expected, in that order."""
        since = reader.mark()
        keys(*sequence)
        said = reader.wait_said(expected, STEP_TIMEOUT, since)
        log(f"{what}: {said}")
        return said

    def main_menu(focused):
        return [f"{MAIN_TITLE} frame."] + ([sentence(WARNING)] if internal else []) + \
            [f"{focused} push button."]

    def box(name, value):
        return [f"{name} text.", f"{value} selected." if value else "blank."]

    def pick_second(list_name, field, type_code=None):
        """In the open search window's list, focused: Alt+Down, Down and Enter pick its second
        entry, which Orca says as the list has it; returns that entry and its row's boxes."""
        entries = list_entries(rows, field, type_code)
        step(["alt+Down"], [f"List with {len(entries)} items.", sentence(entries[0])], "Alt+Down")
        step(["Down"], [sentence(entries[1])], "Down")
        step(["Return"], [f"{list_name} editable combo box.", entries[1]], "Enter")
        picked = [read_boxes(row) for row in rows if read_boxes(row)[field] == entries[1]
                  and (type_code is None or row[120:123] == type_code)]
        check(len(picked) == 1, f'{len(picked)} rows have {field} "{entries[1]}"')
        return entries[1], picked[0]

    def boxes_in_reverse(values, count):
        """Shift+Tab through the last count boxes: each is heard once, its value whole."""
        for name in list(reversed(box_names))[:count]:
            said = step(["shift+Tab"], box(name, values[name]), f"Shift+Tab to {name}")
            if values[name]:
                check(sum(values[name] in utterance for utterance in said) == 1,
                      f"{name}: its value is not said once: {said}")

    log(f"start: {reader.wait_said(main_menu('Analog'), START_TIMEOUT, started)}")

    # ---- Scanner: the empty boxes, the Tevra list, a pick, the boxes ----
    step(["alt+s"], ["Scanner frame.", "Main Menu push button."], "Alt+S")
    for name in box_names:
        step(["Tab"], box(name, ""), f"Tab to {name}")
    step(["Tab"], ["Tevra editable combo box."], "Tab to the Tevra list")
    tevra, boxes = pick_second("Tevra", "Tevra", "SCN")
    boxes_in_reverse(boxes, len(box_names))
    step(["alt+m"], main_menu("Scanner"), "Alt+M")

    # ---- Product Code: a pick, the last box ----
    step(["alt+u"], ["Product Code frame.", "Product Code editable combo box."], "Alt+U")
    code, boxes = pick_second("Product Code", "Prod Code")
    boxes_in_reverse(boxes, 1)
    step(["alt+m"], main_menu("Product Code"), "Alt+M")

    # The main menu's close box ends the program. (Not Alt+X: while a screen reader listens to
    # the keys, Qt's bridge holds copies of them until it has answered, and a program that
    # ends on a key press leaves the copies of the keys still held to the leak checker.)
    run_quiet(["wmctrl", "-c", MAIN_TITLE])
    session.check_exit("the close box")

    said = reader.said()
    # Filler is a run of spaces; a key's echo ("tab ") ends in one space of Orca's own.
    filler = [u for u in said if "  " in u]
    check(not filler, f"filler spaces spoken: {filler}")
    check("Text unselected." not in said, "Orca said \"Text unselected.\"")
    for name in (tevra, code):
        check(said.count(name) == 1, f'the pick of "{name}" was said {said.count(name)} times')
    log(f"Orca said {len(said)} utterances, none with filler")


if __name__ == "__main__":
    main_entry(main)
