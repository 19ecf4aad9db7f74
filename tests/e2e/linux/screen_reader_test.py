"""The program as a screen reader meets it, over AT-SPI on a real X server.

Finds the main menu by its title, presses "Scanner" and "Product Code" (and "Development Name"
in the internal edition) through the accessibility API, checks each search window's title and
lists, picks an entry, reads the seven record boxes by their names and compares them with the
table row, goes back with "Main Menu" and ends the program with "Exit", which must end it with
status 0.

How an entry is picked: a list's entries are reachable over AT-SPI, but their only action
("Toggle") moves the popup's selection, which a combo box does not take as a pick. So the test
opens the list with the list's own "ShowMenu" action (the same path as Alt+Down), reads the
focused entry as a screen reader announces it, and confirms with the keys a user presses (Down,
Enter).

On Wayland (--platform wayland) the same steps run against Weston's headless compositor: the
program starts natively there, and must say nothing on stderr about what Wayland does not let
a client do (place or activate its own windows). That compositor has no input devices, so the
test picks an entry by the entry's Toggle action and the open list's Press action.

Usage (inside dbus-run-session):
    screen_reader_test.py PROGRAM TABLE_SOURCE OUT_DIR EDITION [--desktop openbox]
                          [--platform wayland]
"""

import sys

from e2e_support import START_TIMEOUT, STEP_TIMEOUT, check, log, wait_for
from e2e_support.accessibility import Tree, import_pyatspi
from e2e_support.program import BRANDS, MAIN_TITLE, check_boxes, list_entries, version_caption
from e2e_support.session import Arguments, main_entry
from e2e_support.x11 import keys


def main():
    args = Arguments(sys.argv)
    with args.session() as session:
        run_steps(session, args)
        if args.platform == "wayland":
            said = session.program_output()
            check(not said, f"the program said on Wayland: {said}")


def run_steps(session, args):
    program, rows, box_names, internal = args.program, args.rows, args.box_names, args.internal
    session.start_display()
    session.start_accessibility_bus()
    pyatspi = import_pyatspi()
    tree = Tree(pyatspi, program)
    session.start_program()

    main_window = tree.wait_window(MAIN_TITLE, START_TIMEOUT)
    log(f'found "{MAIN_TITLE}"')
    check(tree.is_role(main_window, "FRAME"),
          f"main window role is {main_window.getRoleName()}, not frame")
    buttons = [b.name for b in tree.controls(main_window, "PUSH_BUTTON")]
    expected_buttons = ["Analog", "Digital", "Digital Color", "Facsimile", "Printer",
                        "Stelmar", "Scanner", "Wide Format", "Product Code"]
    if internal:
        expected_buttons.append("Development Name")
    expected_buttons.append("Exit")
    check(buttons == expected_buttons, f"main menu buttons: {buttons}")
    labels = [label.name for label in tree.controls(main_window, "LABEL")]
    expected_labels = (["Internal Use Only Do Not Distribute"] if internal else []) + \
        ["Win 98 and up", version_caption()]
    check(labels == expected_labels, f"main menu labels: {labels}")

    # Keys are typed through the X server. Weston's headless compositor has no input devices at
    # all, so there the lists are worked by their accessibility actions alone.
    by_keys = args.platform != "wayland"

    def pick(window, list_name, field, type_code=None):
        """Opens a list, moves to its second entry, picks it and returns what the boxes show.
        field: the record box that shows what the list holds."""
        combo = tree.control(window, "COMBO_BOX", list_name)
        check(tree.edit_text(combo) == "", f"{list_name}: edit not empty")
        tree.press(combo, "ShowMenu")
        items, first = tree.wait_list_open(combo)
        spoken = [item.name for item in items]
        check(spoken == list_entries(rows, field, type_code),
              f"{list_name}: entries spoken are not the visible names: {spoken[:5]}...")
        log(f'"{list_name}" open, {len(items)} entries, focused "{first.name}"')
        # Opening the list emptied every box.
        shown = tree.boxes(window, box_names)
        check(all(value == "" for value in shown.values()), f"boxes not empty: {shown}")
        if by_keys:
            keys("Down")
            name = wait_for(lambda: (lambda f: f and f.name != first.name and f.name)(
                tree.list_focus(combo)), STEP_TIMEOUT, f'the focus to move down "{list_name}"')
            log(f'focused "{name}"; Enter')
            keys("Return")
        else:
            # Where no keys can be typed: the entry's own action selects it, and pressing the
            # open list picks the selected entry.
            name = items[1].name
            log(f'"{name}": Toggle, then the list\'s Press')
            tree.press(items[1], "Toggle")
            tree.press(combo, "Press")
        tree.wait_list_closed(combo)
        shown = tree.wait_boxes(window, box_names)
        check(combo.name == list_name, f'list renamed to "{combo.name}" after the pick')
        check(tree.edit_text(combo) == "", f"{list_name}: edit field not emptied after the pick")
        check(shown[field] == name, f'picked "{name}", the {field} box shows "{shown[field]}"')
        check_boxes(shown, rows, field, type_code)
        log(f"boxes: {shown}")
        return shown

    def open_category(button, title, lists):
        tree.press(tree.control(main_window, "PUSH_BUTTON", button))
        window = tree.wait_window(title)
        log(f'pressed "{button}": window "{title}"')
        check(tree.is_role(window, "FRAME"), f"{title}: role {window.getRoleName()}")
        names = [c.name for c in tree.controls(window, "COMBO_BOX")]
        check(names == lists, f"{title}: lists {names}, expected {lists}")
        boxes = [t.name for t in tree.controls(window, "TEXT")]
        check(boxes == box_names, f"{title}: boxes {boxes}, expected {box_names}")
        check([b.name for b in tree.controls(window, "PUSH_BUTTON")] == ["Main Menu"],
              f"{title}: buttons")
        # Each list goes by its name in the program, where the bridge gives ids (Qt 6.8).
        ids = [tree.accessible_id(c) for c in tree.controls(window, "COMBO_BOX")]
        first = 0 if len(lists) == 1 else 1
        expected = [f"frmSearch.cboSearch({first + i})" for i in range(len(lists))]
        check(ids == [None] * len(ids) or [i.split(".", 1)[-1] for i in ids] == expected,
              f"{title}: list ids {ids}, expected {expected}")
        log(f"{title}: list ids {ids}")
        return window

    def back_to_main(window, title):
        tree.press(tree.control(window, "PUSH_BUTTON", "Main Menu"))
        tree.wait_window_gone(title)
        check(tree.window(MAIN_TITLE) is not None, "main menu gone")
        log(f'"Main Menu": "{title}" closed')

    scanner = open_category("Scanner", "Scanner", BRANDS)
    shown = pick(scanner, "Tevra", "Tevra", "SCN")
    check(shown["Group"] == "Scanner", f"group {shown['Group']}")
    back_to_main(scanner, "Scanner")

    products = open_category("Product Code", "Product Code", ["Product Code"])
    pick(products, "Product Code", "Prod Code")
    back_to_main(products, "Product Code")

    if internal:
        names = open_category("Development Name", "Development Name", ["Development Name"])
        shown = pick(names, "Development Name", "Dev Name")
        check(shown["Dev Name"].strip(), "Dev Name box empty")
        back_to_main(names, "Development Name")

    tree.press(tree.control(main_window, "PUSH_BUTTON", "Exit"))
    session.check_exit("Exit")


if __name__ == "__main__":
    main_entry(main)
