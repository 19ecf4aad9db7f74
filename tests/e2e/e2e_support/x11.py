"""Keys and windows on the X server in DISPLAY, as a user and a window manager meet them:
xdotool types keys and finds windows, xprop and xwininfo read what the server holds of them,
and the XFixes extension tells when the clipboard changes hands."""

import ctypes
import ctypes.util
import re
import subprocess

from e2e_support import STEP_TIMEOUT, check, log, run_quiet, wait_for

# Between keys: time for Wine, which passes each key on from the X server to the program, and
# for a screen reader, to which the program's accessibility bridge hands each key first.
KEY_DELAY_MS = 80


def keys(*sequence):
    """Types keys ("alt+s", "Tab", "shift+Tab", ...) into the window that has the focus."""
    log(f"keys: {' '.join(sequence)}")
    subprocess.run(["xdotool", "key", "--delay", str(KEY_DELAY_MS), *sequence], check=True,
                   timeout=STEP_TIMEOUT)


def shown_windows():
    """The ids of the shown windows that have a title."""
    return set(run_quiet(["xdotool", "search", "--onlyvisible", "--name", "."]).split())


def x_window(title):
    """The id of a shown window whose title is exactly title, or None: xdotool looks for it by
    its WM_NAME, and its _NET_WM_NAME, which window managers and task bars show, must match
    as well."""
    for wid in run_quiet(["xdotool", "search", "--onlyvisible", "--name",
                          "^" + re.escape(title) + "$"]).split():
        if x_title(wid) == title:
            return wid
    return None


def wait_x_window(title, timeout=STEP_TIMEOUT):
    return wait_for(lambda: x_window(title), timeout, f'the window "{title}"')


def wait_x_window_gone(title):
    wait_for(lambda: x_window(title) is None, STEP_TIMEOUT, f'the window "{title}" to close')


def x_title(wid):
    """_NET_WM_NAME of a window, as the window system shows it (non-ASCII left escaped)."""
    out = run_quiet(["xprop", "-id", str(wid), "-notype", "_NET_WM_NAME"])
    match = re.match(r'_NET_WM_NAME = "(.*)"\s*$', out)
    return match.group(1) if match else None


def x_cardinals(wid, prop):
    out = run_quiet(["xprop", "-id", str(wid), "-notype", "32c", prop])
    if "=" not in out:
        return []
    return [int(v) for v in out.split("=", 1)[1].replace(",", " ").split()]


def x_icons(wid):
    """_NET_WM_ICON of a window: {(width, height): [ARGB, ...]}."""
    data, icons = x_cardinals(wid, "_NET_WM_ICON"), {}
    while len(data) >= 2:
        w, h = data[0], data[1]
        icons[(w, h)] = data[2:2 + w * h]
        data = data[2 + w * h:]
    return icons


def x_geometry(wid):
    """A window's place on the screen and size: (x, y, width, height)."""
    out = run_quiet(["xwininfo", "-id", str(wid)])
    return tuple(int(re.search(pattern + r":\s+(-?\d+)", out).group(1)) for pattern in
                 ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def x_frame_origin(wid):
    """Where a window's frame (with a window manager's decoration) begins on the screen."""
    x, y, _, _ = x_geometry(wid)
    extents = x_cardinals(wid, "_NET_FRAME_EXTENTS") or [0, 0, 0, 0]
    return x - extents[0], y - extents[2]


class SelectionOwnerChanges:
    """Counts how often the CLIPBOARD selection of the X server in DISPLAY is taken, through
    the XFixes extension: every copy in a Windows program under Wine makes Wine take it again
    (even from itself), so a count that has grown since a copy's keys tells that the copy has
    reached the X clipboard, whatever the text copied."""

    def __init__(self):
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes"))
        pointer, ulong, intp = ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_int)
        x11.XOpenDisplay.restype = pointer
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ulong
        x11.XInternAtom.argtypes = [pointer, ctypes.c_char_p, ctypes.c_int]
        x11.XDefaultRootWindow.restype = ulong
        x11.XDefaultRootWindow.argtypes = [pointer]
        for name in ("XPending", "XFlush", "XCloseDisplay"):
            getattr(x11, name).argtypes = [pointer]
        x11.XNextEvent.argtypes = [pointer, pointer]
        xfixes.XFixesQueryExtension.argtypes = [pointer, intp, intp]
        xfixes.XFixesSelectSelectionInput.argtypes = [pointer, ulong, ulong, ulong]
        self._x11 = x11
        self._display = x11.XOpenDisplay(None)
        check(self._display, "cannot open the X display")
        event_base, error_base = ctypes.c_int(), ctypes.c_int()
        check(xfixes.XFixesQueryExtension(self._display, ctypes.byref(event_base),
                                          ctypes.byref(error_base)),
              "the X server has no XFixes extension")
        self._notify = event_base.value        # + XFixesSelectionNotify, which is 0
        set_owner_mask = 1
        xfixes.XFixesSelectSelectionInput(
            self._display, x11.XDefaultRootWindow(self._display),
            x11.XInternAtom(self._display, b"CLIPBOARD", 0), set_owner_mask)
        x11.XFlush(self._display)
        self._event = (ctypes.c_long * 24)()   # an XEvent
        self._count = 0

    def count(self):
        while self._x11.XPending(self._display):
            self._x11.XNextEvent(self._display, self._event)
            if ctypes.cast(self._event, ctypes.POINTER(ctypes.c_int))[0] == self._notify:
                self._count += 1
        return self._count

    def close(self):
        if self._display:
            self._x11.XCloseDisplay(self._display)
            self._display = None
