"""The program's windows and controls over AT-SPI, as a screen reader reads them."""

import os

from e2e_support import STEP_TIMEOUT, check, wait_for


def import_pyatspi():
    """pyatspi, once DISPLAY and the accessibility bus are set up (it connects on import)."""
    import pyatspi
    return pyatspi


class Tree:
    """Reads the program's windows and controls over AT-SPI, as a screen reader does."""

    def __init__(self, pyatspi, program_path):
        self.pyatspi = pyatspi
        self.program_name = os.path.basename(program_path)
        self._app = None
        self._role_names = {}

    def children(self, node):
        return [node.getChildAtIndex(i) for i in range(node.childCount)]

    def app(self):
        if self._app is None:
            for candidate in self.children(self.pyatspi.Registry.getDesktop(0)):
                if candidate is not None and candidate.name == self.program_name:
                    from gi.repository import Atspi
                    # Always ask the program: it is what a screen reader hears that counts.
                    candidate.set_cache_mask(Atspi.Cache.NONE)
                    self._app = candidate
                    break
        return self._app

    def window(self, title):
        """The shown window with this title, or None."""
        windows = self.children(self.app()) if self.app() else []
        return next((w for w in windows if w is not None and w.name == title and
                     self.has_state(w, "SHOWING")), None)

    def wait_window(self, title, timeout=STEP_TIMEOUT):
        return wait_for(lambda: self.window(title), timeout, f'the window "{title}"')

    def wait_window_gone(self, title):
        wait_for(lambda: self.window(title) is None, STEP_TIMEOUT, f'the window "{title}" to close')

    def has_state(self, node, state):
        """state: "SHOWING", "FOCUSED", "EXPANDED", ..."""
        return node.getState().contains(getattr(self.pyatspi, "STATE_" + state))

    def is_role(self, node, role):
        """role: "PUSH_BUTTON", "COMBO_BOX", "TEXT", "LABEL", "FRAME", ...: AT-SPI's role, which
        a screen reader names in words of its own version (AT-SPI 2.46 calls a push button
        "push button", 2.56 "button")."""
        return node.getRole() == getattr(self.pyatspi, "ROLE_" + role)

    def role_name(self, role):
        """The name of a role (see is_role) as the program's own controls of that role give it,
        which is what a screen reader says: AT-SPI 2.46 asks the program (Qt says "push
        button"), 2.56 names roles itself ("button")."""
        if role not in self._role_names:
            nodes = [self.app()]
            while nodes and role not in self._role_names:
                node = nodes.pop(0)
                if node is not None and self.is_role(node, role):
                    self._role_names[role] = node.getRoleName()
                elif node is not None:
                    nodes += self.children(node)
            check(role in self._role_names, f"the program shows nothing of the role {role}")
        return self._role_names[role]

    def controls(self, window, role):
        """The window's controls of a role (see is_role)."""
        return [c for c in self.children(window) if c is not None and self.is_role(c, role)]

    def control(self, window, role, name):
        found = [c for c in self.controls(window, role) if c.name == name]
        check(len(found) == 1, f'expected one {role} "{name}", found {len(found)}')
        return found[0]

    def accessible_id(self, node):
        """A node's accessible id, or None where the program's bridge gives none (Qt 6.4)."""
        try:
            return node.get_accessible_id() or None
        except Exception:  # the bridge does not know the call
            return None

    def press(self, node, action="Press"):
        actions = node.queryAction()
        names = [actions.getName(i) for i in range(actions.nActions)]
        check(action in names, f'"{node.name}" offers no {action} action, only {names}')
        check(actions.doAction(names.index(action)), f'"{node.name}": {action} refused')

    def text_of(self, node):
        text = node.queryText()
        return text.getText(0, text.characterCount)

    def focused_control(self, window):
        """The focused control of a window: a list whose edit field has focus counts as the list."""
        def focused(control):
            edits = [part for part in self.children(control) if part is not None and
                     self.is_role(part, "TEXT")] if self.is_role(control, "COMBO_BOX") else []
            return any(self.has_state(node, "FOCUSED") for node in [control] + edits)
        return next((c for c in self.children(window) if c is not None and focused(c)), None)

    def extents(self, node):
        """Screen rectangle (x, y, width, height) of a node."""
        box = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        return (box.x, box.y, box.width, box.height)

    # -- the lookup lists and the record boxes --

    def edit_text(self, combo):
        """The text in a list's edit field."""
        return self.text_of(self.children(combo)[1])

    def list_focus(self, combo):
        """The focused entry of a list's open popup, or None."""
        return next((item for item in self.children(self.children(combo)[0])
                     if item is not None and self.has_state(item, "FOCUSED")), None)

    def wait_list_open(self, combo):
        """Waits until a list is open with an entry focused; returns its entries and that one."""
        wait_for(lambda: self.has_state(combo, "EXPANDED") and self.list_focus(combo),
                 STEP_TIMEOUT, f'the "{combo.name}" list to open with an entry focused')
        return self.children(self.children(combo)[0]), self.list_focus(combo)

    def wait_list_closed(self, combo):
        wait_for(lambda: not self.has_state(combo, "EXPANDED"), STEP_TIMEOUT,
                 f'the "{combo.name}" list to close')

    def boxes(self, window, names):
        return {name: self.text_of(self.control(window, "TEXT", name)) for name in names}

    def wait_boxes(self, window, names, empty=False):
        """What the record boxes show once a pick has filled them (or, empty, once opening a
        list has emptied them)."""
        def done():
            shown = self.boxes(window, names)
            if (not any(shown.values())) if empty else shown["Prod Code"]:
                return shown
        return wait_for(done, STEP_TIMEOUT, f"the record boxes to {'empty' if empty else 'fill'}")
