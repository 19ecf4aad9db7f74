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
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from e2e_support import (BRANDS, MAIN_TITLE, RESOURCES, START_TIMEOUT, STEP_TIMEOUT, Arguments,
                         Tree, caption_underline, check, gray_pixels, has_text, ico_images,
                         import_pyatspi, is_drawn, log, main_entry, read_boxes,
                         region_differs, run_quiet, same_icon, wait_for, x_frame_origin,
                         x_icons, x_window)


def main():
    args = Arguments(sys.argv)
    # Only this run's screenshots stay in the folder.
    for old in os.listdir(args.out_dir) if os.path.isdir(args.out_dir) else []:
        if old.endswith(".png"):
            os.remove(os.path.join(args.out_dir, old))
    with args.session() as session:
        run_steps(session, args)


def check_window_system(title, icon_file):
    """The window's title as the X server holds it is exactly title, and its icon is the
    drawing in icon_file at each of its sizes."""
    wid = wait_for(lambda: x_window(title), STEP_TIMEOUT, f'an X window titled exactly "{title}"')
    icons, expected = x_icons(wid), ico_images(os.path.join(RESOURCES, icon_file))
    for size, image in expected.items():
        check(size in icons and same_icon(icons[size], image),
              f'"{title}": its {size[0]}x{size[1]} icon is not {icon_file}')
    log(f'"{title}": title exact, icon {icon_file} at {sorted(expected)}')
    return wid


def run_steps(session, args):
    program, rows, box_names, internal = args.program, args.rows, args.box_names, args.internal
    window_manager = args.desktop is not None
    session.start_x()
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

    step_number = [0]

    def shot(name):
        step_number[0] += 1
        return session.screenshot(f"{step_number[0]:02d}-{name}")

    def shot_showing(name, shows, what):
        """A screenshot once shows(png) holds: the program may repaint a moment after the
        accessibility tree has changed."""
        step_number[0] += 1
        return session.screenshot_showing(f"{step_number[0]:02d}-{name}", shows, what)

    def keys(*sequence):
        log(f"keys: {' '.join(sequence)}")
        subprocess.run(["xdotool", "key", "--delay", "30", *sequence], check=True,
                       timeout=STEP_TIMEOUT)

    def focus_of(window):
        control = tree.focused_control(window)
        return None if control is None else (control.getRoleName(), control.name)

    def wait_focus(window, expected, what):
        return until(lambda: focus_of(window) == expected, f"{what}: focus on {expected}"
                     f" (now {focus_of(window)})")

    def drawn_shot(name, window, title):
        """A screenshot once the window is drawn."""
        area = tree.extents(window)
        return shot_showing(name, lambda png: is_drawn(png, area), f'"{title}" to be drawn')

    def check_underline(png, control, letter_at):
        """letter_at: where the underlined letter starts, as a share of the caption."""
        start, length, _, width = caption_underline(png, tree.extents(control))
        check(abs(start / width - letter_at) < 0.12,
              f'"{control.name}": underline at {start}/{width} px, expected near '
              f"{letter_at:.0%} of the caption")
        log(f'"{control.name}": access key underlined ({length} px at {start}/{width})')

    # ---- the main menu ----
    session.start_program()
    main_window = tree.wait_window(MAIN_TITLE, START_TIMEOUT)
    wait_focus(main_window, ("push button", "Analog"), "start")
    main_wid = check_window_system(MAIN_TITLE, "main.ico")
    frame = x_frame_origin(main_wid)
    check(max(abs(frame[0] - 1), abs(frame[1] - 1)) <= 1,
          f"the main menu's frame begins at {frame}, not at the screen's top-left corner")
    png = drawn_shot("main-menu", main_window, MAIN_TITLE)
    check_underline(png, tree.control(main_window, "push button", "Scanner"), 0.0)
    check_underline(png, tree.control(main_window, "push button", "Stelmar"), 0.12)
    check_underline(png, tree.control(main_window, "push button", "Product Code"), 0.3)
    check_underline(png, tree.control(main_window, "push button", "Exit"), 0.25)

    # ---- Alt+S: the Scanner window ----
    keys("alt+s")
    scanner = tree.wait_window("Scanner", STEP_TIMEOUT)
    wait_focus(scanner, ("push button", "Main Menu"), "Scanner window opened")
    check_window_system("Scanner", "search.ico")
    png = drawn_shot("scanner-open", scanner, "Scanner")
    check_underline(png, tree.control(scanner, "push button", "Main Menu"), 0.0)
    lists = [c.name for c in tree.controls(scanner, "combo box")]
    check(lists == BRANDS, f"Scanner lists: {lists}")

    # ---- Tab: the boxes, then the lists, then back to Main Menu ----
    order = [("text", name) for name in box_names] + \
            [("combo box", name) for name in BRANDS] + [("push button", "Main Menu")]
    for expected in order:
        keys("Tab")
        wait_focus(scanner, expected, "Tab")
        if expected == ("combo box", "Tevra"):
            shot("tab-reaches-tevra-list")
    log(f"Tab order: {order}")
    keys("shift+Tab", "shift+Tab", "shift+Tab", "shift+Tab")
    wait_focus(scanner, ("combo box", "Tevra"), "shift+Tab back to the first list")
    closed_png = shot("tevra-list-focused")

    # ---- Alt+Down opens the list, Down and Enter pick ----
    combo = tree.control(scanner, "combo box", "Tevra")
    expanded = lambda: combo.getState().contains(pyatspi.STATE_EXPANDED)
    keys("alt+Down")
    until(expanded, "Alt+Down to open the Tevra list")
    _, items, first = until(lambda: (lambda r: r if r[2] is not None else None)(
        tree.open_list_entries(combo)), "an entry focused in the open list")
    popup = tree.extents(tree.children(combo)[0])
    box = tree.extents(combo)
    check(popup[1] >= box[1] + box[3] - 2, f"list drawn at {popup}, not below its box {box}")
    shot_showing("tevra-list-open",
                 lambda png: region_differs(closed_png, png, popup) and has_text(png, popup),
                 "the open list drawn with its entries")
    log(f"list open at {popup} with {len(items)} entries, focused {first.name!r}")

    keys("Down", "Return")
    until(lambda: not expanded(), "Enter to close the list")
    shown = until(lambda: (lambda b: b if b["Prod Code"].strip() else None)(
        tree.boxes(scanner, box_names)), "the record boxes to fill")
    picked = [row for row in rows if row[120:123] == "SCN" and read_boxes(row)["Tevra"] ==
              shown["Tevra"]]
    check(picked, f"no Scanner row with Tevra {shown['Tevra']!r}")
    expected_boxes = {k: v for k, v in read_boxes(picked[0]).items() if k in box_names}
    check(shown == expected_boxes, f"boxes {shown}, expected {expected_boxes}")
    check(shown["Tevra"].rstrip() != first.name, "Down did not move past the first entry")
    check(tree.text_of(tree.children(combo)[1]) == "", "the list's edit field not emptied")
    tev_box = tree.extents(tree.control(scanner, "text", "Tevra"))
    shot_showing("entry-picked", lambda png: has_text(png, tev_box),
                 "text drawn in the Tevra box after the pick")
    log(f"picked: {shown}")

    keys("alt+Down")
    until(expanded, "Alt+Down to open the list again")
    emptied = until(lambda: (lambda b: b if all(v == "" for v in b.values()) else None)(
        tree.boxes(scanner, box_names)), "opening the list to empty the boxes")
    shot_showing("list-reopened-boxes-empty", lambda png: not has_text(png, tev_box),
                 "the Tevra box drawn empty")
    keys("Escape")
    until(lambda: not expanded(), "Escape to close the list")
    check(tree.boxes(scanner, box_names) == emptied, "Escape changed the boxes")
    shot("list-closed")

    # ---- Alt+M back, Alt+T: Stelmar ----
    keys("alt+m")
    tree.wait_window_gone("Scanner", STEP_TIMEOUT)
    # The focus comes back to the button that opened the window.
    wait_focus(main_window, ("push button", "Scanner"), "back in the main menu")
    png = drawn_shot("back-in-main-menu", main_window, MAIN_TITLE)

    keys("alt+t")
    stelmar = tree.wait_window("Stelmar", STEP_TIMEOUT)
    wait_focus(stelmar, ("push button", "Main Menu"), "Stelmar window opened")
    png = drawn_shot("stelmar-open", stelmar, "Stelmar")
    lists = [c.name for c in tree.controls(stelmar, "combo box")]
    check(lists == BRANDS, f"Stelmar lists: {lists}")
    if window_manager:
        # The close box, as the window manager asks for it: the window unloads.
        run_quiet(["wmctrl", "-c", "Stelmar"])
    else:
        keys("alt+m")
    tree.wait_window_gone("Stelmar", STEP_TIMEOUT)
    wait_focus(main_window, ("push button", "Stelmar"), "back in the main menu")
    png = drawn_shot("back-from-stelmar", main_window, MAIN_TITLE)

    # ---- Alt+N: the Development Name search, only in the internal edition ----
    if internal:
        keys("alt+n")
        names = tree.wait_window("Development Name", STEP_TIMEOUT)
        wait_focus(names, ("combo box", "Development Name"), "Development Name opened")
        combo = tree.control(names, "combo box", "Development Name")
        keys("alt+Down")
        until(lambda: combo.getState().contains(pyatspi.STATE_EXPANDED), "the list to open")
        shot("development-name-list-open")
        keys("Down", "Return")
        shown = until(lambda: (lambda b: b if b["Dev Name"].strip() else None)(
            tree.boxes(names, box_names)), "the Dev Name box to fill")
        picked = [row for row in rows if read_boxes(row)["Dev Name"] == shown["Dev Name"]]
        check(picked and shown == read_boxes(picked[0]), f"boxes {shown}")
        dev_box = tree.extents(tree.control(names, "text", "Dev Name"))
        shot_showing("development-name-picked", lambda png: has_text(png, dev_box),
                     "text drawn in the Dev Name box")
        keys("alt+m")
        tree.wait_window_gone("Development Name", STEP_TIMEOUT)
        wait_focus(main_window, ("push button", "Development Name"), "back in the main menu")

    # ---- Alt+X, or the main menu's close box, ends the program ----
    if window_manager:
        # Keys reach the main menu after a close box closed the search window: Alt+U opens the
        # Product Code search. Closing the main menu then takes it along.
        keys("alt+u")
        tree.wait_window("Product Code", STEP_TIMEOUT)
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
    status = session.wait_program_exit(STEP_TIMEOUT)
    check(status == 0, f"the program ended with status {status}")
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
    log("ended with status 0")


if __name__ == "__main__":
    main_entry(main)
