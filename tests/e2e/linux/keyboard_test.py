"""The program driven from the keyboard alone on a real X server (xdotool), as a user does.

Alt+S opens the Scanner window; Tab goes round its controls in order and reaches the lists last;
Alt+Down opens a list and empties the record boxes; Down and Enter pick an entry and fill them;
Alt+M goes back; Alt+T opens Stelmar; Alt+X ends the program with status 0. In the internal
edition Alt+N opens the Development Name search and a pick fills the Dev Name box.

Each step leaves a screenshot in OUT_DIR (NN-step.png), and the test checks what it can from
it: the windows are drawn, the open list is drawn below its box, the boxes show text or not,
and access-key letters are underlined. What the screenshots cannot tell (which control has the
focus, what a box holds, which windows were activated) it reads over AT-SPI; what the window
system holds (each window's title exactly as the program set it, its icon) it reads from the X
server.

Under a window manager (--desktop openbox) it also checks the main menu's frame at the screen's
top-left corner and closes windows with their close box (wmctrl -c, as a click on it does): the
Stelmar window, after which keys reach the main menu again, and at the end the main menu with a
search window open, which ends the program with status 0 and takes the search window with it.
With --scheme dark the program runs under a dark desktop colour scheme, and the same pixel
checks must hold.

Usage (inside dbus-run-session):
    keyboard_test.py PROGRAM TABLE_SOURCE OUT_DIR EDITION [--desktop openbox] [--scheme dark]
"""

import os
import sys

from e2e_support import START_TIMEOUT, STEP_TIMEOUT, check, log, run_quiet, wait_for
from e2e_support.accessibility import Tree, import_pyatspi
from e2e_support.pixels import (check_access_key, gray_pixels, has_text, ico_images, is_drawn,
                                region_differs, same_icon)
from e2e_support.program import BRANDS, MAIN_TITLE, RESOURCES, check_boxes
from e2e_support.session import Arguments, main_entry
from e2e_support.x11 import keys, wait_x_window, x_frame_origin, x_icons


def main():
    args = Arguments(sys.argv)
    with args.session() as session:
        run_steps(session, args)


def check_window_system(title, icon_file):
    """The window's title as the X server holds it is exactly title, and its icon is the
    drawing in icon_file at each of its sizes."""
    wid = wait_x_window(title)
    icons, expected = x_icons(wid), ico_images(os.path.join(RESOURCES, icon_file))
    for size, image in expected.items():
        check(size in icons and same_icon(icons[size], image),
              f'"{title}": its {size[0]}x{size[1]} icon is not {icon_file}')
    log(f'"{title}": title exact, icon {icon_file} at {sorted(expected)}')
    return wid


def run_steps(session, args):
    program, rows, box_names, internal = args.program, args.rows, args.box_names, args.internal
    window_manager = args.desktop is not None
    session.start_display()
    session.start_accessibility_bus()
    pyatspi = import_pyatspi()
    from gi.repository import GLib
    tree = Tree(pyatspi, program)

    # Every window the program activates, in order, as a screen reader hears of them.
    activated = []
    pyatspi.Registry.registerEventListener(lambda event: activated.append(event.source.name),
                                           "window:activate")
    context = GLib.MainContext.default()

    def pump():
        while context.iteration(False):
            pass

    def until(predicate, what, timeout=STEP_TIMEOUT):
        def step():
            pump()
            return predicate()
        return wait_for(step, timeout, what)

    shot = session.screenshot

    def focus_of(window):
        control = tree.focused_control(window)
        return None if control is None else (control.getRoleName(), control.name)

    def has_focus(window, expected):
        """expected: (role, name) of the focused control, the role as Tree.is_role takes it."""
        control = tree.focused_control(window)
        return control is not None and tree.is_role(control, expected[0]) and \
            control.name == expected[1]

    def wait_focus(window, expected, what):
        return until(lambda: has_focus(window, expected), f"{what}: focus on {expected}"
                     f" (now {focus_of(window)})")

    def drawn_shot(name, window):
        """A screenshot once the window is drawn."""
        area = tree.extents(window)
        return shot(name, lambda png: is_drawn(png, area), f'"{window.name}" to be drawn')

    def check_underline(png, window, button, letter_at):
        """letter_at: where the underlined letter starts, as a share of the caption."""
        check_access_key(png, tree.extents(tree.control(window, "PUSH_BUTTON", button)),
                         letter_at, button)

    def open_search(key, title, focus=("PUSH_BUTTON", "Main Menu")):
        """key opens a search window, and the focus goes to focus (by default Main Menu)."""
        keys(key)
        window = tree.wait_window(title)
        wait_focus(window, focus, f"{title} opened")
        return window

    def back_in_main_menu(title, close_box=False):
        """Alt+M, or the close box as the window manager asks for it, unloads a search window;
        the focus comes back to the button that opened it."""
        if close_box:
            run_quiet(["wmctrl", "-c", title])
        else:
            keys("alt+m")
        tree.wait_window_gone(title)
        wait_focus(main_window, ("PUSH_BUTTON", title), "back in the main menu")
        drawn_shot(f"back-from-{title.lower().replace(' ', '-')}", main_window)

    # ---- the main menu ----
    session.start_program()
    main_window = tree.wait_window(MAIN_TITLE, START_TIMEOUT)
    wait_focus(main_window, ("PUSH_BUTTON", "Analog"), "start")
    main_wid = check_window_system(MAIN_TITLE, "main.ico")
    frame = x_frame_origin(main_wid)
    check(max(abs(frame[0] - 1), abs(frame[1] - 1)) <= 1,
          f"the main menu's frame begins at {frame}, not at the screen's top-left corner")
    png = drawn_shot("main-menu", main_window)
    for button, letter_at in (("Scanner", 0.0), ("Stelmar", 0.12), ("Product Code", 0.3),
                              ("Exit", 0.25)):
        check_underline(png, main_window, button, letter_at)

    # ---- Alt+S: the Scanner window ----
    scanner = open_search("alt+s", "Scanner")
    check_window_system("Scanner", "search.ico")
    png = drawn_shot("scanner-open", scanner)
    check_underline(png, scanner, "Main Menu", 0.0)
    lists = [c.name for c in tree.controls(scanner, "COMBO_BOX")]
    check(lists == BRANDS, f"Scanner lists: {lists}")

    # ---- Tab: the boxes, then the lists, then back to Main Menu ----
    order = [("TEXT", name) for name in box_names] + \
            [("COMBO_BOX", name) for name in BRANDS] + [("PUSH_BUTTON", "Main Menu")]
    for expected in order:
        keys("Tab")
        wait_focus(scanner, expected, "Tab")
        if expected == ("COMBO_BOX", "Tevra"):
            shot("tab-reaches-tevra-list")
    log(f"Tab order: {order}")
    keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")
    wait_focus(scanner, ("COMBO_BOX", "Tevra"), "shift+Tab back to the first list")
    closed_png = shot("tevra-list-focused")

    # ---- Alt+Down opens the list, Down and Enter pick ----
    combo = tree.control(scanner, "COMBO_BOX", "Tevra")
    keys("alt+Down")
    items, first = tree.wait_list_open(combo)
    popup = tree.extents(tree.children(combo)[0])
    box = tree.extents(combo)
    check(popup[1] >= box[1] + box[3] - 2, f"list drawn at {popup}, not below its box {box}")
    shot("tevra-list-open",
         lambda png: region_differs(closed_png, png, popup) and has_text(png, popup),
         "the open list drawn with its entries")
    log(f"list open at {popup} with {len(items)} entries, focused {first.name!r}")

    keys("Down", "Return")
    tree.wait_list_closed(combo)
    shown = tree.wait_boxes(scanner, box_names)
    check_boxes(shown, rows, "Tevra", "SCN")
    check(shown["Tevra"] != first.name, "Down did not move past the first entry")
    check(tree.edit_text(combo) == "", "the list's edit field not emptied")
    tev_box = tree.extents(tree.control(scanner, "TEXT", "Tevra"))
    shot("entry-picked", lambda png: has_text(png, tev_box),
         "text drawn in the Tevra box after the pick")
    log(f"picked: {shown}")

    keys("alt+Down")
    until(lambda: tree.has_state(combo, "EXPANDED"), "Alt+Down to open the list again")
    emptied = tree.wait_boxes(scanner, box_names, empty=True)
    shot("list-reopened-boxes-empty", lambda png: not has_text(png, tev_box),
         "the Tevra box drawn empty")
    keys("Escape")
    tree.wait_list_closed(combo)
    check(tree.boxes(scanner, box_names) == emptied, "Escape changed the boxes")
    shot("list-closed")

    # ---- Alt+M back, Alt+T: Stelmar ----
    back_in_main_menu("Scanner")
    stelmar = open_search("alt+t", "Stelmar")
    drawn_shot("stelmar-open", stelmar)
    lists = [c.name for c in tree.controls(stelmar, "COMBO_BOX")]
    check(lists == BRANDS, f"Stelmar lists: {lists}")
    back_in_main_menu("Stelmar", close_box=window_manager)

    # ---- Alt+N: the Development Name search, only in the internal edition ----
    if internal:
        names = open_search("alt+n", "Development Name", ("COMBO_BOX", "Development Name"))
        keys("alt+Down")
        tree.wait_list_open(tree.control(names, "COMBO_BOX", "Development Name"))
        shot("development-name-list-open")
        keys("Down", "Return")
        shown = tree.wait_boxes(names, box_names)
        check(shown["Dev Name"], "the Dev Name box is empty after the pick")
        check_boxes(shown, rows, "Dev Name")
        dev_box = tree.extents(tree.control(names, "TEXT", "Dev Name"))
        shot("development-name-picked", lambda png: has_text(png, dev_box),
             "text drawn in the Dev Name box")
        back_in_main_menu("Development Name")

    # ---- Alt+X, or the main menu's close box, ends the program ----
    if window_manager:
        # Keys reach the main menu after a close box closed the search window: Alt+U opens the
        # Product Code search. Closing the main menu then takes it along.
        keys("alt+u")
        tree.wait_window("Product Code")
        check_window_system("Product Code", "search.ico")
        # Hear of the activation while the window is still there to be named.
        until(lambda: activated and activated[-1] == "Product Code",
              "the Product Code window to be activated")
        shot("product-code-open")
        run_quiet(["wmctrl", "-c", MAIN_TITLE])
    elif internal:
        keys("alt+x")
    else:
        # Alt+N first: in the external edition it opens nothing (its button is hidden), so
        # Alt+X still reaches the main menu and no Development Name window is activated.
        keys("alt+n", "alt+x")
    session.check_exit("the close box" if window_manager else "Alt+X")
    png = shot("after-exit")
    screen = [p for row in gray_pixels(png, (0, 0, 1024, 768)) for p in row]
    check(all(p < 8 for p in screen), "a window is still drawn after the program ended")
    pump()
    expected_windows = [MAIN_TITLE, "Scanner", MAIN_TITLE, "Stelmar", MAIN_TITLE]
    if internal:
        expected_windows += ["Development Name", MAIN_TITLE]
    if window_manager:
        expected_windows += ["Product Code"]
    seen = [title for i, title in enumerate(activated) if i == 0 or activated[i - 1] != title]
    check(seen == expected_windows, f"windows activated: {seen}, expected {expected_windows}")
    log(f"windows activated in order: {seen}")


if __name__ == "__main__":
    main_entry(main)
