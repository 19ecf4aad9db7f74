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
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import (MAIN_TITLE, START_TIMEOUT, STEP_TIMEOUT, Arguments, check, log,
                         main_entry, read_boxes, run_quiet)

WARNING = "Internal Use Only Do Not Distribute"


def sentence(text):
    """An utterance as Orca ends it: a full stop after a letter or digit."""
    return text + "." if text[-1:].isalnum() else text


def list_entries(rows, field, type_code=None):
    """A lookup list's visible names in the list's order (case ignored for letters, then by
    character code)."""
    names = [row[field[0]:field[1]].rstrip() for row in rows
             if (type_code is None or row[120:123] == type_code) and row[field[0]:field[1]].strip()]
    return sorted(names, key=lambda name: (name.lower(), name))


def main():
    args = Arguments(sys.argv)
    with args.session() as session:
        run_steps(session, args)


def run_steps(session, args):
    rows, box_names, internal = args.rows, args.box_names, args.internal
    session.start_x()
    session.start_accessibility_bus()
    reader = session.start_screen_reader()
    started = reader.mark()
    session.start_program()

    def step(keys, expected, what):
        """Presses keys and waits until Orca has said expected, in that order."""
        since = reader.mark()
        log(f"keys: {' '.join(keys)}")
        subprocess.run(["xdotool", "key", "--delay", "80", *keys], check=True,
                       timeout=STEP_TIMEOUT)
        said = reader.wait_said(expected, STEP_TIMEOUT, since)
        log(f"{what}: {said}")
        return said

    def main_menu(focused):
        return [f"{MAIN_TITLE} frame."] + ([sentence(WARNING)] if internal else []) + \
            [f"{focused} push button."]

    def box(name, value):
        return [f"{name} text.", f"{value} selected." if value else "blank."]

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
    entries = list_entries(rows, (10, 30), "SCN")
    step(["alt+Down"], [f"List with {len(entries)} items.", sentence(entries[0])], "Alt+Down")
    step(["Down"], [sentence(entries[1])], "Down")
    step(["Return"], ["Tevra editable combo box.", entries[1]], "Enter")
    picked = [row for row in rows
              if row[120:123] == "SCN" and read_boxes(row)["Tevra"] == entries[1]]
    check(len(picked) == 1, f'{len(picked)} Scanner rows have Tevra "{entries[1]}"')
    boxes_in_reverse(read_boxes(picked[0]), len(box_names))
    step(["alt+m"], main_menu("Scanner"), "Alt+M")

    # ---- Product Code: a pick, the last box ----
    step(["alt+u"], ["Product Code frame.", "Product Code editable combo box."], "Alt+U")
    codes = list_entries(rows, (0, 10))
    step(["alt+Down"], [f"List with {len(codes)} items.", sentence(codes[0])], "Alt+Down")
    step(["Down"], [sentence(codes[1])], "Down")
    step(["Return"], ["Product Code editable combo box.", codes[1]], "Enter")
    picked = [row for row in rows if read_boxes(row)["Prod Code"] == codes[1]]
    check(len(picked) == 1, f'{len(picked)} rows have product code "{codes[1]}"')
    boxes_in_reverse(read_boxes(picked[0]), 1)
    step(["alt+m"], main_menu("Product Code"), "Alt+M")

    # The main menu's close box ends the program. (Not Alt+X: while a screen reader listens to
    # the keys, Qt's bridge holds copies of them until it has answered, and a program that
    # ends on a key press leaves the copies of the keys still held to the leak checker.)
    run_quiet(["wmctrl", "-c", MAIN_TITLE])
    status = session.wait_program_exit(STEP_TIMEOUT)
    check(status == 0, f"the close box ended the program with status {status}")

    said = reader.said()
    # Filler is a run of spaces; a key's echo ("tab ") ends in one space of Orca's own.
    filler = [u for u in said if "  " in u]
    check(not filler, f"filler spaces spoken: {filler}")
    check("Text unselected." not in said, "Orca said \"Text unselected.\"")
    for name in (entries[1], codes[1]):
        check(said.count(name) == 1, f'the pick of "{name}" was said {said.count(name)} times')
    log(f"Orca said {len(said)} utterances, none with filler")


if __name__ == "__main__":
    main_entry(main)
