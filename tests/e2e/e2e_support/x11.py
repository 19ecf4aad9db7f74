"""Keys and windows on the X server in DISPLAY, as a user and a window manager meet them:
xdotool types keys and finds windows, xprop and xwininfo read what the server holds of them."""

import re
import subprocess

from e2e_support import STEP_TIMEOUT, log, run_quiet, wait_for

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
