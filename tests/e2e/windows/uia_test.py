"""What a Windows screen reader is told of the program: UI Automation, as the project's own
client (uia_client.cpp) reads it under Wine, from the zip folder's program.

- The main menu: a window whose children are its buttons in tab order and its texts, named as
  they read; nothing of the hidden model table.
- Alt+S, the Scanner window, in the order its controls were made: the four lists named by
  their brands, the texts of the labels, the record boxes named by their labels, each box
  "blank" (its full description) while empty, and Main Menu.
- Tab through the boxes to the Tevra list, Alt+Down, Down, Enter: the focus moves box by box
  to the list, to its first and second entry (named without their filler spaces) and back to
  the list; then only the boxes left empty by the pick are "blank".
- Every control carries its name in the program as its automation id, and lies inside its
  window.

With --dpi 144 the same at 150 % (each window half as large again), restored afterwards. What
UI Automation cannot show under Wine (the values, every pattern) is left to the other tests.
A screenshot of the main menu and of the Scanner window after the pick is left in OUT_DIR.

Runs inside tools/windows/wine-tests.sh, which provides WINEPREFIX and DISPLAY (Xvfb).
Usage: uia_test.py [--dpi N] CLIENT.exe PROGRAM.exe TABLE_SOURCE OUT_DIR EDITION
"""

import json
import os
import subprocess
import sys

from e2e_support import STEP_TIMEOUT, check, log, wait_for
from e2e_support.program import BRANDS, MAIN_TITLE, list_entries, read_boxes, type_of, \
    version_caption
from e2e_support.session import Arguments, Session, main_entry
from e2e_support.x11 import keys, wait_x_window, wait_x_window_gone

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from keyboard_test import MAIN_CLIENT, SEARCH_CLIENT, WINE, start_program  # noqa: E402

# UI Automation's control types.
BUTTON, COMBO_BOX, EDIT, LIST, LIST_ITEM, TEXT, WINDOW = 50000, 50003, 50004, 50008, 50007, \
    50020, 50032
DPI_KEY = r"HKCU\Control Panel\Desktop"
DPI = 96


def client(client_exe, *arguments):
    return [WINE, client_exe, *arguments]


def tree(client_exe, title):
    """The window titled title and what lies below it: (window, its children's elements)."""
    result = subprocess.run(client(client_exe, "tree", title), capture_output=True, text=True,
                            timeout=STEP_TIMEOUT)
    check(result.returncode == 0, f"uia-client tree: {result.stderr.strip()}")
    elements = [json.loads(line) for line in result.stdout.splitlines() if line.startswith("{")]
    check(elements and elements[0]["depth"] == 0, f"no window {title!r} in UI Automation")
    return elements[0], [e for e in elements[1:] if e["depth"] == 1], elements[1:]


def named(elements, kind):
    return [e["name"] for e in elements if e["type"] == kind]


def check_window(client_exe, title, size, buttons, texts, lists, boxes, blank, ids):
    """The window's size at the display's resolution (size at 96 dots per inch); its controls
    by type, name and order; the boxes named in blank "blank"; each control's automation id
    ending in its name in the program; all inside the window."""
    window, controls, below = tree(client_exe, title)
    check(window["type"] == WINDOW and window["name"] == title, f"window {window}")
    scaled = [round(n * DPI / 96) for n in size]
    check(all(abs(a - b) <= 2 for a, b in zip(window["rect"][2:], scaled)),
          f"{title}: {window['rect'][2:]} across, expected {scaled} at {DPI} dots per inch")
    for kind, expected in ((BUTTON, buttons), (TEXT, texts), (COMBO_BOX, lists), (EDIT, boxes)):
        check(named(controls, kind) == expected,
              f"{title}: controls of type {kind} {named(controls, kind)}, expected {expected}")
    check(not any(e["type"] in (LIST, LIST_ITEM) for e in controls),
          f"{title}: a list is shown: {[e for e in controls if e['type'] in (LIST, LIST_ITEM)]}")
    described = [e["name"] for e in controls if e["type"] == EDIT and e["description"] == "blank"]
    check(described == blank, f"{title}: boxes described as blank {described}, expected {blank}")
    got = [e["id"].rsplit(".", 1)[-1] for e in controls if e["type"] in (BUTTON, COMBO_BOX, EDIT)]
    check(got == ids, f"{title}: automation ids {got}, expected {ids}")
    left, top, width, height = window["rect"]
    for e in below:
        x, y, w, h = e["rect"]
        if w or h:
            check(left <= x and top <= y and x + w <= left + width and y + h <= top + height,
                  f"{title}: {e['name']!r} at {e['rect']} outside the window at {window['rect']}")
    log(f"{title}: {len(controls)} controls, {len(below)} elements, as expected")


class FocusWatch:
    """The focus changes that UI Automation reports, from the client's focus command."""

    def __init__(self, client_exe):
        self.process = subprocess.Popen(client(client_exe, "focus"), stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True)
        self.events = []
        check(json.loads(self.process.stdout.readline()).get("ready"), "uia-client focus")
        os.set_blocking(self.process.stdout.fileno(), False)

    def wait(self, kind, name, what):
        """Waits for a focus change to an element of that type and name; returns the events
        from the last call on."""
        def arrived():
            for line in iter(self.process.stdout.readline, ""):
                self.events.append(json.loads(line))
            return any(e["type"] == kind and e["name"] == name for e in self.events)
        wait_for(arrived, STEP_TIMEOUT, f"the focus on {what} ({self.events[-3:]})")
        events, self.events = self.events, []
        return events

    def close(self):
        self.process.stdin.write("quit\n")
        self.process.stdin.flush()
        self.process.wait(timeout=STEP_TIMEOUT)


def set_dpi(dpi):
    """The display's resolution for the programs started after: Wine takes it from the
    current configuration's fonts key, Windows from the desktop's. Wine's desktop process
    reads it as it starts, so Wine is ended (the test runs alone) and starts anew with it."""
    for key in (DPI_KEY, r"HKCC\Software\Fonts"):
        subprocess.run([WINE, "reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                        str(dpi), "/f"], check=True, capture_output=True, timeout=STEP_TIMEOUT)
    subprocess.run([os.path.join(os.path.dirname(WINE), "wineserver"), "-k"],
                   capture_output=True, timeout=STEP_TIMEOUT)
    subprocess.run([os.path.join(os.path.dirname(WINE), "wineserver"), "-w"],
                   check=True, capture_output=True, timeout=STEP_TIMEOUT)


def main():
    global DPI
    argv = sys.argv[1:]
    if argv[0] == "--dpi":
        DPI, argv = int(argv[1]), argv[2:]
    client_exe, argv = argv[0], argv[1:]
    args = Arguments([sys.argv[0]] + argv)
    display = os.environ.get("DISPLAY")
    check(display and os.environ.get("WINEPREFIX"),
          "no DISPLAY or WINEPREFIX: run through tools/windows/wine-tests.sh")
    with Session(args.program, args.out_dir, display=display) as session:
        if DPI != 96:
            set_dpi(DPI)
            session.on_close.append(lambda: set_dpi(96))
        start_program(session)
        wait_x_window(MAIN_TITLE)
        run_steps(client_exe, session, args)


def run_steps(client_exe, session, args):
    rows, box_names, internal = args.rows, args.box_names, args.internal
    buttons = ["Analog", "Digital", "Digital Color", "Facsimile", "Printer", "Stelmar",
               "Scanner", "Wide Format", "Product Code"] + \
        (["Development Name"] if internal else []) + ["Exit"]
    texts = (["Internal Use Only Do Not Distribute"] if internal else []) + \
        ["Win 98 and up", version_caption()]
    button_ids = [f"cmdType({i})" for i in range(len(buttons) - 1)] + ["cmdExit"]
    wait_for(lambda: tree(client_exe, MAIN_TITLE)[1], STEP_TIMEOUT, "the main menu's controls")
    check_window(client_exe, MAIN_TITLE, MAIN_CLIENT, buttons, texts, [], [], [], button_ids)
    session.screenshot("main-menu")

    keys("alt+s")
    wait_x_window("Scanner")
    box_ids = ["txtTev", "txtDun", "txtBre", "txtOst", "txtProd", "txtGroup", "txtName"]
    list_ids = [f"cboSearch({i})" for i in range(1, 5)]
    scanner_ids = list_ids + box_ids[:len(box_names)] + ["cmdMM"]
    scanner = lambda blank: check_window(  # noqa: E731
        client_exe, "Scanner", SEARCH_CLIENT, ["Main Menu"], BRANDS + box_names, BRANDS,
        box_names, blank, scanner_ids)
    wait_for(lambda: tree(client_exe, "Scanner")[1], STEP_TIMEOUT, "the Scanner controls")
    scanner(box_names)

    watch = FocusWatch(client_exe)
    session.on_close.insert(0, watch.close)  # before Wine ends as the resolution is restored
    for name in box_names:
        keys("Tab")
        watch.wait(EDIT, name, f"the {name} box")
    keys("Tab")
    watch.wait(COMBO_BOX, "Tevra", "the Tevra list")
    entries = list_entries(rows, "Tevra", "SCN")
    keys("alt+Down")
    watch.wait(LIST_ITEM, entries[0], "the list's first entry")
    keys("Down")
    watch.wait(LIST_ITEM, entries[1], "the list's second entry")
    keys("Return")
    watch.wait(COMBO_BOX, "Tevra", "the Tevra list after the pick")
    picked = [read_boxes(row) for row in rows
              if type_of(row) == "SCN" and read_boxes(row)["Tevra"] == entries[1]][0]
    scanner([name for name in box_names if not picked[name]])
    session.screenshot("entry-picked")

    keys("alt+m")
    wait_x_window_gone("Scanner")
    keys("alt+x")
    session.check_exit("Alt+X")


if __name__ == "__main__":
    main_entry(main, watchdog_seconds=200)
