"""The Windows program, from its zip folder, under Wine, driven from the keyboard alone.

Wine shows Windows windows as X windows, so xdotool finds them by title and types into them.
The main menu shows with its pictures and underlined access keys, and its standard button as
the desktop's visual style draws it (Wine's light style, as Windows 10 and 11 have theirs:
flat); Alt+S opens the Scanner window; Tab reaches the Tevra list after the record boxes, and
the program's focus ring takes the place of the list's border; Alt+Down opens the list (the
first list opened, whose highlight is the first the visual style draws), Down and Enter pick an
entry and fill the boxes, which the test reads back through the clipboard (Shift+Tab to each
box, Ctrl+A, Ctrl+C: the value without its filler spaces; a box that shows nothing copies
nothing) and compares with the model table; Alt+M closes the window; Alt+X ends the program
with status 0. A screenshot of each step is left in OUT_DIR.

With --classic the visual style is off, as in Windows' classic look: the same steps, with the
standard button raised in the classic way.
With --windows-11 Wine says it is Windows 11 (Windows 10 otherwise), so Qt draws its Windows 11
style: the same steps, but for the standard button's look (rounded, a darker stroke below) and
its access key, whose underline Qt's Windows 11 style draws smoothed right under the letters.
With --no-display-variable the program is started with DISPLAY removed from its Windows
environment (Wine itself still reaches the X server), as on a Windows machine, where no DISPLAY
is set.

Runs inside tools/windows/wine-tests.sh, which provides WINEPREFIX and DISPLAY (Xvfb).
Usage: keyboard_test.py [--classic] [--windows-11] [--no-display-variable] PROGRAM.exe
                        TABLE_SOURCE OUT_DIR EDITION
"""

import os
import subprocess
import sys
from collections import Counter

from e2e_support import STEP_TIMEOUT, check, log, wait_for
from e2e_support.pixels import check_access_key, gray_pixels, has_text, is_drawn
from e2e_support.program import MAIN_TITLE, TEVRA_BOX, check_boxes, pixels
from e2e_support.session import Arguments, Session, main_entry
from e2e_support.x11 import (SelectionOwnerChanges, keys, wait_x_window, wait_x_window_gone,
                             x_geometry)

WINE = os.environ.get("MXR_WINE", "/usr/lib/wine/wine64")

# Client sizes and control places, in twips, as the windows lay them out (frmMain, frmSearch).
MAIN_CLIENT = pixels(7005, 4740)
SEARCH_CLIENT = pixels(7035, 4770)
SCANNER_BUTTON = pixels(2250, 2850, 1215, 1140)
EXIT_BUTTON = pixels(5700, 4275, 1215, 390)
TEVRA_LIST = pixels(300, 1500, 2535, 315)
WINDOW_BACKGROUND = 224                 # the grey the windows fix
THEME_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager"


def record_box(index):
    """The record boxes lie one under another, 450 twips apart, in their tab order."""
    return pixels(4950, 975 + 450 * index, 1965, 285)


def start_program(session, clear_display_variable=False):
    """The program under Wine, from its folder. The folder alone must be enough: no DLL path,
    and no Qt settings (Wine hands a program WINEQT_* as QT_*, and keeps QT_* to itself)."""
    env = {k: v for k, v in os.environ.items()
           if k != "WINEPATH" and not k.startswith("WINEQT_")}
    argv = [WINE, session.program]
    if clear_display_variable:
        # cmd's "set NAME=" removes NAME from the environment the program inherits; cmd
        # waits for the program and passes its exit status on.
        argv = [WINE, "cmd", "/c", "set DISPLAY=&& model-xref.exe"]
    session.launch(argv, env, cwd=os.path.dirname(os.path.abspath(session.program)))


def client_area(window, client):
    """The screen rectangle of a window's client area: Wine draws the frame inside the X
    window, with equal borders left, right and below and the caption on top."""
    x, y, w, h = x_geometry(window)
    border = (w - client[0]) // 2
    check(0 <= border <= 10 and h - client[1] - border >= 0,
          f"window {w}x{h} does not hold a {client[0]}x{client[1]} client area")
    return (x + border, y + h - client[1] - border) + client


def on_screen(area, rect):
    return (area[0] + rect[0], area[1] + rect[1], rect[2], rect[3])


def clipboard():
    """[the text on the X clipboard] (which may be empty), or None while it cannot be read."""
    try:
        result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"],
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=5)
    except subprocess.TimeoutExpired:
        return None
    return [result.stdout.decode("utf-8")] if result.returncode == 0 else None


def set_visual_style(on):
    """Turns the desktop's visual style on or off for the programs started after."""
    subprocess.run([WINE, "reg", "add", THEME_KEY, "/v", "ThemeActive", "/t", "REG_SZ", "/d",
                    "1" if on else "0", "/f"], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=STEP_TIMEOUT)


def set_windows_version(version):
    """The Windows version that Wine reports to the programs started after."""
    subprocess.run([WINE, "winecfg", "/v", version], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=STEP_TIMEOUT)


def contrast(a, b):
    """The contrast ratio of two grey levels, as the guidelines for accessible contrast define
    it for colours."""
    def luminance(v):
        v /= 255
        return v / 12.92 if v <= 0.03928 else ((v + 0.055) / 1.055) ** 2.4
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)


def outline(png, rect):
    """The grey levels along the inside edge of a rectangle."""
    rows = gray_pixels(png, rect)
    return rows[0] + rows[-1] + [row[0] for row in rows[1:-1]] + [row[-1] for row in rows[1:-1]]


def check_button_look(png, rect, classic):
    """A standard button as the visual style draws it, flat with one border colour all round,
    or in the classic look, raised: light above, dark below."""
    column = [row[len(row) // 2] for row in gray_pixels(png, rect)]
    edge = [p for p in column if p != WINDOW_BACKGROUND]
    raised = edge[0] - edge[-1]
    check(raised > 60 if classic else abs(raised) < 20,
          f"the Exit button's top edge is {edge[0]}, its bottom edge {edge[-1]}: not "
          f"{'raised, as in the classic look' if classic else 'flat, as the visual style has it'}")
    log(f"Exit button: top edge {edge[0]}, bottom edge {edge[-1]} "
        f"({'classic' if classic else 'visual style'})")


def main():
    flags = ("--classic", "--windows-11", "--no-display-variable")
    args = Arguments([a for a in sys.argv if a not in flags])
    classic = "--classic" in sys.argv
    display = os.environ.get("DISPLAY")
    check(display and os.environ.get("WINEPREFIX"),
          "no DISPLAY or WINEPREFIX: run through tools/windows/wine-tests.sh")
    log(f"display {display}, Wine prefix {os.environ['WINEPREFIX']}")
    with Session(args.program, args.out_dir, display=display) as session:
        if classic:
            set_visual_style(False)
            session.on_close.append(lambda: set_visual_style(True))
        if "--windows-11" in sys.argv:
            set_windows_version("win11")
            session.on_close.append(lambda: set_windows_version("win10"))
        start_program(session, clear_display_variable="--no-display-variable" in sys.argv)
        main_window = session.wait_shown(MAIN_TITLE)
        run_steps(session, main_window, args.rows, args.box_names, classic,
                  "--windows-11" in sys.argv)


def run_steps(session, main_window, rows, box_names, classic, windows_11):
    look = "classic-" if classic else ""

    def drawn_shot(name, window, client):
        """The screenshot once the window's client area is drawn, and that area."""
        area = client_area(window, client)
        return session.screenshot(look + name, lambda png: is_drawn(png, area),
                                  f"{name} drawn"), area

    # ---- the main menu: drawn, pictures on the buttons, access keys underlined ----
    png, area = drawn_shot("main-menu", main_window, MAIN_CLIENT)
    # Above the caption a picture button shows its picture, not the plain white face.
    x, y, w, h = on_screen(area, SCANNER_BUTTON)
    picture = [p for row in gray_pixels(png, (x + 4, y + 4, w - 8, h * 2 // 3)) for p in row]
    check(sum(1 for p in picture if p < 200) > len(picture) / 10,
          "the Scanner button shows no picture (is the JPEG plugin in the folder?)")
    check_access_key(png, on_screen(area, SCANNER_BUTTON), 0.0, "Scanner")
    if not windows_11:
        check_access_key(png, on_screen(area, EXIT_BUTTON), 0.25, "Exit")
        check_button_look(png, on_screen(area, EXIT_BUTTON), classic)

    # ---- Alt+S: the Scanner window; Tab past the boxes to the Tevra list ----
    keys("alt+s")
    unfocused, scanner = drawn_shot("scanner-open", wait_x_window("Scanner"), SEARCH_CLIENT)
    keys(*["Tab"] * (len(box_names) + 1))
    # The focus ring takes the place of the list's border, in a colour that stands out at
    # least 3:1 against the window.
    tevra_list = on_screen(scanner, TEVRA_LIST)
    border = outline(unfocused, tevra_list)

    def ring_shown(png):
        ring = outline(png, tevra_list)
        grey, count = Counter(ring).most_common(1)[0]
        changed = sum(1 for a, b in zip(border, ring) if a != b)
        return (count > 0.8 * len(ring) and changed > 0.8 * len(ring)
                and contrast(grey, WINDOW_BACKGROUND) >= 3)
    session.screenshot(look + "tevra-list-focused", ring_shown, "the focus ring on the Tevra list")
    keys("alt+Down")
    session.screenshot(look + "tevra-list-open")
    keys("Down", "Return")
    picked = session.screenshot("entry-picked",
                                lambda png: has_text(png, on_screen(scanner, TEVRA_BOX)),
                                "text in the Tevra box after the pick")

    # ---- the boxes, read back one by one from the last to the first ----
    # A box copies its value without the filler spaces; one that shows no text has nothing to
    # copy. Each box's copy is known to have reached the X clipboard when Wine takes the
    # clipboard anew (XFixes counts it), so even a box that shows what the one before it showed
    # is read from its own copy. Nothing else on the display owns the clipboard: Wine would
    # bring that into the Windows clipboard at a moment of its own, which can undo the
    # program's copy.
    changes = SelectionOwnerChanges()
    session.on_close.append(changes.close)
    shown = {}
    for index, name in reversed(list(enumerate(box_names))):
        keys("shift+Tab")
        if not has_text(picked, on_screen(scanner, record_box(index))):
            shown[name] = ""
            continue
        before = changes.count()
        keys("ctrl+a", "ctrl+c")
        wait_for(lambda: changes.count() > before, STEP_TIMEOUT,
                 f"the {name} box's copy on the X clipboard")
        shown[name] = wait_for(clipboard, STEP_TIMEOUT, f"the {name} box's text")[0]
    log(f"boxes: {shown}")
    check_boxes(shown, rows, "Tevra", "SCN")

    back_to_main_menu_and_exit(session)


def back_to_main_menu_and_exit(session):
    """Alt+M back to the main menu, Alt+X ends the program."""
    keys("alt+m")
    wait_x_window_gone("Scanner")
    # A search of the window tree can miss windows while Wine destroys others under it, so
    # the main menu is looked for more than once.
    wait_x_window(MAIN_TITLE, timeout=5)
    session.screenshot("back-in-main-menu")
    keys("alt+x")
    session.check_exit("Alt+X")
    wait_x_window_gone(MAIN_TITLE)


if __name__ == "__main__":
    main_entry(main, watchdog_seconds=50)
