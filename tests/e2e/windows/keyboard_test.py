"""The Windows program, from its zip folder, under Wine, driven from the keyboard alone.

Wine shows Windows windows as X windows, so xdotool finds them by title and types into them.
The main menu shows with its pictures and underlined access keys; Alt+S opens the Scanner
window; Tab reaches the Tevra list after the record boxes; Alt+Down, Down and Enter pick an
entry and fill the boxes, which the test reads back through the clipboard (Shift+Tab to each
box, Ctrl+A, Ctrl+C) and compares with the model table; Alt+M closes the window; Alt+X ends the
program with status 0. A screenshot of each step is left in OUT_DIR.

With --no-display-variable the program is started with DISPLAY removed from its Windows
environment (Wine itself still reaches the X server), as on a Windows machine, where no DISPLAY
is set: it must still show its main menu and end with Alt+X.

Runs inside tools/windows/wine-tests.sh, which provides WINEPREFIX and DISPLAY (Xvfb).
Usage: keyboard_test.py [--no-display-variable] PROGRAM.exe TABLE_SOURCE OUT_DIR EDITION
"""

import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import (MAIN_TITLE, START_TIMEOUT, STEP_TIMEOUT, Arguments, Session, Timeout,
                         caption_underline, check, gray_pixels, has_text, is_drawn, log,
                         main_entry, record_boxes, wait_for)

WINE = os.environ.get("MXR_WINE", "/usr/lib/wine/wine64")
TWIPS_PER_PIXEL = 15
# A window's title is exactly its caption.
SCANNER_TITLE = "Scanner"
# Copies of one box before its text must have reached the clipboard.
COPY_ATTEMPTS = 3


def pixels(*twips):
    return tuple(round(t / TWIPS_PER_PIXEL) for t in twips)


# Client sizes and control places, in twips, as the windows lay them out (frmMain, frmSearch).
MAIN_CLIENT = pixels(7005, 4740)
SEARCH_CLIENT = pixels(7035, 4770)
SCANNER_BUTTON = pixels(2250, 2850, 1215, 1140)
EXIT_BUTTON = pixels(5700, 4275, 1215, 390)
TEVRA_BOX = pixels(4950, 975, 1965, 285)


class WineSession(Session):
    """The run's display and Wine prefix, and the program under Wine."""

    def use_run_display(self):
        self.display = os.environ.get("DISPLAY")
        check(self.display and os.environ.get("WINEPREFIX"),
              "no DISPLAY or WINEPREFIX: run through tools/windows/wine-tests.sh")
        log(f"display {self.display}, Wine prefix {os.environ['WINEPREFIX']}")

    def start_program(self, clear_display_variable=False):
        # The zip folder alone must be enough: no DLL path, and no Qt settings (Wine hands a
        # program WINEQT_* as QT_*, and keeps QT_* to itself).
        env = {k: v for k, v in os.environ.items()
               if k != "WINEPATH" and not k.startswith("WINEQT_")}
        folder = os.path.dirname(os.path.abspath(self.program))
        argv = [WINE, self.program]
        if clear_display_variable:
            # cmd's "set NAME=" removes NAME from the environment the program inherits; cmd
            # waits for the program and passes its exit status on.
            argv = [WINE, "cmd", "/c", "set DISPLAY=&& model-xref.exe"]
        self.program_process = self._start("program", argv, env=env, cwd=folder)
        log(f"started {' '.join(argv)} in {folder} (pid {self.program_process.pid})")
        return self.program_process


def windows_named(title):
    """X windows on the screen whose title is exactly title."""
    result = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                             "^" + re.escape(title) + "$"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                            timeout=STEP_TIMEOUT)
    return result.stdout.split()


def wait_window(title, timeout=STEP_TIMEOUT):
    return wait_for(lambda: windows_named(title), timeout, f'the window "{title}"')[0]


def wait_window_gone(title):
    wait_for(lambda: not windows_named(title), STEP_TIMEOUT, f'the window "{title}" to close')


def client_origin(window, client):
    """Screen position of a window's client area: Wine draws the frame inside the X window,
    with equal borders left, right and below and the caption on top."""
    out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                         stdout=subprocess.PIPE, text=True, check=True,
                         timeout=STEP_TIMEOUT).stdout
    geometry = dict(line.split("=", 1) for line in out.split())
    x, y, w, h = (int(geometry[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
    border = (w - client[0]) // 2
    check(0 <= border <= 10 and h - client[1] - border >= 0,
          f"window {w}x{h} does not hold a {client[0]}x{client[1]} client area")
    return x + border, y + h - client[1] - border


def on_screen(origin, rect):
    return (origin[0] + rect[0], origin[1] + rect[1], rect[2], rect[3])


def keys(*sequence):
    log(f"keys: {' '.join(sequence)}")
    subprocess.run(["xdotool", "key", "--delay", "60", *sequence], check=True,
                   timeout=STEP_TIMEOUT)


def clipboard():
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, timeout=STEP_TIMEOUT)
    return result.stdout.decode("utf-8") if result.returncode == 0 else None


def main():
    no_display_variable = "--no-display-variable" in sys.argv
    argv = [a for a in sys.argv if a != "--no-display-variable"]
    args = Arguments(argv)
    program, rows, out_dir, internal, box_names = (args.program, args.rows, args.out_dir,
                                                   args.internal, args.box_names)
    for old in os.listdir(out_dir) if os.path.isdir(out_dir) else []:
        if old.endswith(".png"):
            os.remove(os.path.join(out_dir, old))
    with WineSession(program, out_dir) as session:
        session.use_run_display()
        if no_display_variable:
            start_without_display_variable(session)
        else:
            run_steps(session, rows, box_names)


def wait_main_menu(session, process, how):
    """The main menu's X window, once it shows; fails at once if the program ends first."""
    def shown_or_ended():
        return windows_named(MAIN_TITLE) or process.poll() is not None
    wait_for(shown_or_ended, START_TIMEOUT, "the main menu or the program's end")
    with open(os.path.join(session.out_dir, "program.log"), errors="replace") as f:
        said = f.read().strip()
    check(process.poll() is None, f"{how} the program ended with status {process.returncode} "
          f"and showed no window; it said: {said!r}")
    return windows_named(MAIN_TITLE)[0]


def start_without_display_variable(session):
    process = session.start_program(clear_display_variable=True)
    wait_main_menu(session, process, "without DISPLAY in its environment")
    session.screenshot("main-menu-without-display-variable")
    keys("alt+x")
    status = session.wait_program_exit(STEP_TIMEOUT)
    check(status == 0, f"Alt+X ended the program with status {status}")


def run_steps(session, rows, box_names):
    step_number = [0]

    def shot(name):
        step_number[0] += 1
        return session.screenshot(f"{step_number[0]:02d}-{name}")

    def check_underline(png, rect, letter_at, name):
        start, length, _, width = caption_underline(png, rect)
        check(abs(start / width - letter_at) < 0.12,
              f'"{name}": underline at {start}/{width} px, expected near {letter_at:.0%}')
        log(f'"{name}": access key underlined ({length} px at {start}/{width})')

    def shot_showing(name, shows, what):
        step_number[0] += 1
        return session.screenshot_showing(f"{step_number[0]:02d}-{name}", shows, what)

    def drawn_shot(name, window, client):
        """The screenshot once the window's client area is drawn, and that area's origin."""
        origin = client_origin(window, client)
        png = shot_showing(name, lambda png: is_drawn(png, origin + client),
                           f"{name} to be drawn")
        return png, origin

    # ---- the main menu: drawn, pictures on the buttons, access keys underlined ----
    main_window = wait_main_menu(session, session.start_program(), "started from its folder")
    png, origin = drawn_shot("main-menu", main_window, MAIN_CLIENT)
    # Above the caption a picture button shows its picture, not the plain white face.
    x, y, w, h = on_screen(origin, SCANNER_BUTTON)
    picture = [p for row in gray_pixels(png, (x + 4, y + 4, w - 8, h * 2 // 3)) for p in row]
    check(sum(1 for p in picture if p < 200) > len(picture) / 10,
          "the Scanner button shows no picture (is the JPEG plugin in the folder?)")
    check_underline(png, on_screen(origin, SCANNER_BUTTON), 0.0, "Scanner")
    check_underline(png, on_screen(origin, EXIT_BUTTON), 0.25, "Exit")

    # ---- Alt+S: the Scanner window; Tab past the boxes to the Tevra list ----
    keys("alt+s")
    scanner = wait_window(SCANNER_TITLE)
    _, scanner_origin = drawn_shot("scanner-open", scanner, SEARCH_CLIENT)
    keys(*["Tab"] * (len(box_names) + 1))
    keys("alt+Down")
    shot("tevra-list-open")
    keys("Down", "Return")
    shot_showing("entry-picked", lambda png: has_text(png, on_screen(scanner_origin, TEVRA_BOX)),
                 "text in the Tevra box after the pick")

    def copied_text(name):
        """Ctrl+A, Ctrl+C in the focused box, and the text that reaches the X clipboard.
        Wine brings the test's marker into the Windows clipboard on its own schedule; on a
        busy machine that can come after the program's copy and undo it, so a copy that has
        not arrived after a few seconds is made again (it copies the same box)."""
        def box_text():
            text = clipboard()
            return text if text is not None and not text.startswith("marker") else None
        for attempt in range(COPY_ATTEMPTS):
            keys("ctrl+a", "ctrl+c")
            try:
                return wait_for(box_text, STEP_TIMEOUT / COPY_ATTEMPTS,
                                f"the {name} box's text on the clipboard")
            except Timeout:
                if attempt == COPY_ATTEMPTS - 1:
                    raise
                log(f"the {name} box's text did not reach the clipboard; copying again")

    # ---- the boxes, read back one by one from the last to the first ----
    # Before each copy the clipboard holds a marker of the test's own (xclip serves it until
    # the program takes the clipboard over), so that two boxes with the same text are told apart.
    shown = {}
    for name in reversed(box_names):
        marker = os.path.join(session.out_dir, "clipboard-marker.txt")
        with open(marker, "w") as f:
            f.write(f"marker before the {name} box")
        session._start("xclip", ["xclip", "-quiet", "-selection", "clipboard", "-i", marker])
        wait_for(lambda: clipboard() == f"marker before the {name} box", STEP_TIMEOUT,
                 "the marker on the clipboard")
        keys("shift+Tab")
        shown[name] = copied_text(name)
    log(f"boxes: {shown}")
    picked = [row for row in rows if row[120:123] == "SCN" and
              record_boxes(row)["Tevra"] == shown["Tevra"]]
    check(picked, f"no Scanner row with Tevra {shown['Tevra']!r}")
    expected = {k: v for k, v in record_boxes(picked[0]).items() if k in box_names}
    check(shown == expected, f"boxes {shown}, expected {expected}")

    # ---- Alt+M back to the main menu, Alt+X ends the program ----
    keys("alt+m")
    wait_window_gone(SCANNER_TITLE)
    # A search of the window tree can miss windows while Wine destroys others under it, so
    # the main menu is looked for more than once.
    wait_window(MAIN_TITLE, timeout=5)
    shot("back-in-main-menu")
    keys("alt+x")
    status = session.wait_program_exit(STEP_TIMEOUT)
    check(status == 0, f"Alt+X ended the program with status {status}")
    wait_window_gone(MAIN_TITLE)
    log("Alt+X: status 0")


if __name__ == "__main__":
    main_entry(main)
