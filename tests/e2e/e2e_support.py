"""What the end-to-end tests share: a private X server or Wayland compositor, a window manager,
a desktop colour scheme, the accessibility bus, a real screen reader (Orca), the program under
test, the model table, screenshots, what the window system holds of the program's windows, and
waiting for the program to get somewhere.

A test script runs inside `dbus-run-session` (its own session bus). It starts Xvfb on a display
that Xvfb itself picks as free (and, on request, the openbox window manager on it) or Weston's
headless compositor on a socket of its own, the AT-SPI bus launcher, and the program with Qt's
accessibility bridge on. Every process it starts is ended when the script ends, whatever the
way: normal end, failure, an exception, SIGTERM/SIGINT/SIGHUP, its own watchdog, and (through
the kernel's parent-death signal) even when the script itself is killed.

Options after the four arguments every test takes:
    --desktop openbox    run under the openbox window manager (EWMH), not on a bare X server
    --scheme dark        give the program a dark colour scheme through the qt6ct platform theme
    --platform wayland   run the program on Wayland (Weston, headless) instead of X11
"""

import argparse
import ctypes
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
import traceback
import tty

# The whole test must be over well within a minute, whatever hangs.
WATCHDOG_SECONDS = 55


def _tool(name):
    """ImageMagick's tools as Debian installs them, else whatever PATH finds."""
    path = os.path.join("/usr/bin", name)
    return path if os.access(path, os.X_OK) else name


IMPORT = _tool("import")
CONVERT = _tool("convert")
IDENTIFY = _tool("identify")

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)


def _die_with_parent():
    """In a child about to exec: be sent SIGTERM when the test process goes away."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


class TestFailure(Exception):
    pass


class Timeout(TestFailure):
    pass


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def log(message):
    print(message, flush=True)


def wait_for(predicate, timeout, what, interval=0.05):
    """Polls predicate until it returns something true; returns that. Raises Timeout."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = predicate()
            if value:
                return value
        except Exception as error:  # the tree may change under us while we read it
            last_error = error
        if time.monotonic() >= deadline:
            detail = f" (last error: {last_error!r})" if last_error else ""
            raise Timeout(f"timed out after {timeout:.0f} s waiting for {what}{detail}")
        time.sleep(interval)


# ---- the model table ----

TYPE_GROUPS = {"ANL": "Analog", "DIG": "Digital", "CLR": "Color", "FAX": "Facsimile",
               "PRT": "Printer", "STM": "Stelmar", "SCN": "Scanner", "WID": "Wide Format"}


MAIN_TITLE = "Tevra Corporation - Model Cross Reference"
BRANDS = ["Tevra", "Dunel", "Brevikant", "Ostrum"]
START_TIMEOUT = 40      # a sanitizer build starts slowly
STEP_TIMEOUT = 15


RESOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")


class Arguments:
    """PROGRAM TABLE_SOURCE OUT_DIR EDITION [--desktop openbox] [--scheme dark]
    [--platform wayland]: the program, the table's rows, where the output goes, the edition,
    the names of the record boxes the edition shows, and the desktop to run on."""

    def __init__(self, argv):
        parser = argparse.ArgumentParser()
        for name in ("program", "table_source", "out_dir", "edition"):
            parser.add_argument(name)
        parser.add_argument("--desktop", choices=["openbox"])
        parser.add_argument("--scheme", choices=["dark"])
        parser.add_argument("--platform", choices=["xcb", "wayland"], default="xcb")
        options = parser.parse_args(argv[1:])
        self.program = options.program
        self.rows = read_table(options.table_source)
        self.out_dir = options.out_dir
        self.internal = options.edition == "I"
        self.desktop = options.desktop
        self.scheme = options.scheme
        self.platform = options.platform
        self.box_names = ["Tevra", "Dunel", "Brevikant", "Ostrum", "Prod Code", "Group"]
        if self.internal:
            self.box_names.append("Dev Name")

    def session(self):
        return Session(self.program, self.out_dir, desktop=self.desktop, scheme=self.scheme,
                       platform=self.platform)


def read_table(path):
    """The rows of the model table, as the program holds them (123 characters each)."""
    with open(path, encoding="utf-8") as f:
        rows = re.findall(r'u"(.{123})"', f.read())
    check(len(rows) == 396, f"{path}: expected 396 rows, found {len(rows)}")
    return rows


def record_boxes(row):
    """What the seven record boxes show for a table row, at their whole fixed widths."""
    return {"Tevra": row[10:30], "Dunel": row[30:50], "Brevikant": row[50:70],
            "Ostrum": row[70:90], "Prod Code": row[0:10], "Group": TYPE_GROUPS[row[120:123]],
            "Dev Name": row[90:120]}


def read_boxes(row):
    """What a screen reader reads of the seven record boxes for a table row: each value
    without the filler spaces that pad it to its width."""
    return {name: value.rstrip() for name, value in record_boxes(row).items()}


# ---- processes ----

class Session:
    """Xvfb, the accessibility bus and the program, ended together."""

    def __init__(self, program, out_dir, screen="1024x768x24", desktop=None, scheme=None,
                 platform="xcb"):
        self.program = program
        self.out_dir = out_dir
        self.screen = screen
        self.desktop = desktop
        self.scheme = scheme
        self.platform = platform
        self.processes = []          # (name, Popen), in order of starting
        self.program_process = None
        self.display = None
        self._parent = os.getppid()      # dbus-run-session
        self._session_bus_pid = None
        self._screen_reader = None
        os.makedirs(out_dir, exist_ok=True)
        self._runtime_dir = tempfile.TemporaryDirectory(prefix="mxr-e2e-")
        os.chmod(self._runtime_dir.name, 0o700)

    # -- set-up --

    def _start(self, name, argv, env=None, **kwargs):
        logfile = open(os.path.join(self.out_dir, f"{name}.log"), "wb")
        process = subprocess.Popen(argv, env=env, stdout=logfile, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, preexec_fn=_die_with_parent,
                                   **kwargs)
        logfile.close()
        self.processes.append((name, process))
        return process

    def start_x(self):
        """Starts Xvfb on a display it finds free and sets DISPLAY for everything after."""
        read_end, write_end = os.pipe()
        self._start("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen,
                             "-br", "-nolisten", "tcp", "-noreset"], pass_fds=(write_end,))
        os.close(write_end)
        # Xvfb writes the display number once it accepts connections: no guessing, no sleeping.
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        check(number.isdigit(), "Xvfb did not report a display number; see xvfb.log")
        self.display = f":{number}"
        os.environ["DISPLAY"] = self.display
        os.environ["XDG_RUNTIME_DIR"] = self._runtime_dir.name
        log(f"Xvfb on display {self.display}")
        if self.desktop == "openbox":
            self._start("openbox", ["openbox", "--sm-disable"])
            # wmctrl names the window manager once it manages the screen (EWMH).
            wait_for(lambda: "Openbox" in run_quiet(["wmctrl", "-m"]), 15, "openbox to start")
            log("openbox manages the display")

    def start_wayland(self):
        """Starts Weston's headless compositor on a socket of its own and sets WAYLAND_DISPLAY
        for everything after; no X server is involved."""
        os.environ["XDG_RUNTIME_DIR"] = self._runtime_dir.name
        os.environ.pop("DISPLAY", None)
        socket = "mxr-e2e-wayland"
        self._start("weston", ["weston", "--backend=headless-backend.so", f"--socket={socket}",
                               "--idle-time=0", "--width=1024", "--height=768"])
        path = os.path.join(self._runtime_dir.name, socket)
        wait_for(lambda: os.path.exists(path), 15, "Weston's socket")
        os.environ["WAYLAND_DISPLAY"] = socket
        log(f"Weston (headless) on {socket}")

    def start_session_bus(self):
        """A session bus of this test's own, which the test may take away again; everything
        started after it uses it."""
        read_end, write_end = os.pipe()
        self._start("session-bus", ["dbus-daemon", "--session", "--nofork",
                                    f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            address = pipe.readline().strip()
        check(address, "dbus-daemon did not report its address")
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        log(f"session bus {address}")

    def start_accessibility_bus(self):
        """Starts the AT-SPI bus for this session's display and waits until it is there."""
        check("DBUS_SESSION_BUS_ADDRESS" in os.environ, "not inside dbus-run-session")
        self._start("at-spi-bus-launcher",
                    ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        import gi
        gi.require_version("Gio", "2.0")
        from gi.repository import Gio, GLib
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                              "org.freedesktop.DBus", "GetConnectionUnixProcessID",
                              GLib.Variant("(s)", ("org.freedesktop.DBus",)), None,
                              Gio.DBusCallFlags.NONE, 2000, None)
        self._session_bus_pid = reply.unpack()[0]

        def bus_owned():
            reply = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "NameHasOwner",
                                  GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                                  Gio.DBusCallFlags.NONE, 2000, None)
            return reply.unpack()[0]
        wait_for(bus_owned, 15, "the accessibility bus")

    def start_program(self, accessibility=True, env=None):
        """Starts the program in env (by default this test's environment)."""
        env = dict(os.environ if env is None else env)
        env["QT_QPA_PLATFORM"] = self.platform
        # The desktop's look is the test's choice, never the caller's.
        for name in ("QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR",
                     "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "XDG_CONFIG_HOME"):
            env.pop(name, None)
        if self.scheme == "dark":
            # As a user sets it in qt6ct: Debian's "darker" scheme with its own palette.
            config = os.path.join(self._runtime_dir.name, "config")
            os.makedirs(os.path.join(config, "qt6ct"), exist_ok=True)
            with open(os.path.join(config, "qt6ct", "qt6ct.conf"), "w") as f:
                f.write("[Appearance]\n"
                        "color_scheme_path=/usr/share/qt6ct/colors/darker.conf\n"
                        "custom_palette=true\nstyle=Fusion\n")
            env["XDG_CONFIG_HOME"] = config
            env["QT_QPA_PLATFORMTHEME"] = "qt6ct"
        if accessibility:
            env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # In a sanitizer build: the reports of system libraries that xcb brings in and that
        # are no fault of the program (see the file). No effect on other builds.
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..",
                                    "support", "asan-suppressions.txt")
        asan = [env.get("ASAN_OPTIONS", ""), f"suppressions={suppressions}"]
        if self.platform == "wayland":
            # Qt's Wayland plugin leaves libwayland-client's proxies behind and is unloaded
            # before the leak check runs, so what it reports cannot even be named. The program's
            # own memory is leak-checked in the runs on X11 and offscreen.
            asan.append("detect_leaks=0")
        env["ASAN_OPTIONS"] = ":".join(filter(None, asan))
        self.program_process = self._start("program", [self.program], env=env)
        log(f"started {self.program} (pid {self.program_process.pid})")
        return self.program_process

    def wait_program_exit(self, timeout):
        process = self.program_process

        def ended():
            return process.poll() is not None
        wait_for(ended, timeout, "the program to end")
        return process.returncode

    def program_running(self):
        return self.program_process is not None and self.program_process.poll() is None

    def start_screen_reader(self):
        """Starts Orca, speaking through speech-dispatcher's dummy module (no sound card needed:
        its sound goes to ALSA's null device), with settings of the test's own in a private
        home. Call after start_accessibility_bus; returns a ScreenReader."""
        home = os.path.join(self._runtime_dir.name, "home")
        for folder in ("speech-dispatcher", "orca"):
            os.makedirs(os.path.join(home, folder), exist_ok=True)
        with open(os.path.join(home, ".asoundrc"), "w") as f:
            f.write("pcm.!default { type null }\n")
        with open(os.path.join(home, "speech-dispatcher", "speechd.conf"), "w") as f:
            f.write('AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\n'
                    'AudioOutputMethod "alsa"\nAudioALSADevice "null"\n')
        # What a user sets in Orca's preferences: speech on, key echo on, no sounds, no
        # tutorial hints. (Braille stays on: Orca finds no display and goes on without one;
        # turned off in the settings, it stops Orca 43 from starting.)
        general = {"enableSpeech": True, "enableKeyEcho": True, "enableSound": False,
                   "enableTutorialMessages": False}
        with open(os.path.join(home, "orca", "user-settings.conf"), "w") as f:
            json.dump({"general": general, "pronunciations": {}, "keybindings": {},
                       "profiles": {"default": {"profile": ["Default", "default"]}}}, f)
        socket = os.path.join(self._runtime_dir.name, "speechd.sock")
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), GSETTINGS_BACKEND="memory",
                   SPEECHD_ADDRESS=f"unix_socket:{socket}")
        self._start("speech-dispatcher",
                    ["speech-dispatcher", "--run-single", "--timeout", "0",
                     "--config-dir", os.path.join(home, "speech-dispatcher"),
                     "--communication-method", "unix_socket", "--socket-path", socket,
                     "--log-dir", self.out_dir], env=env)
        wait_for(lambda: os.path.exists(socket), START_TIMEOUT, "speech-dispatcher's socket")
        reader = ScreenReader(os.path.join(self.out_dir, "orca-debug.out"))
        self._start("orca", ["orca", "--user-prefs", os.path.join(home, "orca"),
                             "--debug-file", reader.terminal], env=env)
        self._screen_reader = reader
        reader.wait_said(["Screen reader on."], START_TIMEOUT, since=0)
        log("Orca speaks")
        return reader

    # -- screenshots --

    def screenshot(self, name):
        """Saves the whole screen as out_dir/name.png and returns the path."""
        path = os.path.join(self.out_dir, f"{name}.png")
        subprocess.run([IMPORT, "-display", self.display, "-window", "root", path],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                       timeout=20)
        log(f"screenshot {path}")
        return path

    def screenshot_showing(self, name, shows, what):
        """Takes the screenshot again until shows(path) holds, and returns it: a window may
        repaint a moment after the step that changed it has been seen to end."""
        return wait_for(lambda: (lambda path: path if shows(path) else None)(
            self.screenshot(name)), STEP_TIMEOUT, what)

    # -- the end --

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and self.display is not None:
            try:
                self.screenshot("failure")    # what the screen showed when the test failed
            except Exception:
                pass
        self.close()
        return False

    def close(self):
        # Nothing interrupts the clean-up itself.
        for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGALRM):
            signal.signal(signum, signal.SIG_IGN)
        for name, process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
        deadline = time.monotonic() + 5
        for name, process in reversed(self.processes):
            try:
                process.wait(timeout=max(0.1, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self.processes.clear()
        if self._screen_reader is not None:
            self._screen_reader.close()
        # dbus-run-session ends the session bus when this script ends; if it was killed
        # itself, the bus it started for this test is left over, and ends here.
        if self._session_bus_pid and os.getppid() != self._parent:
            try:
                os.kill(self._session_bus_pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        self._runtime_dir.cleanup()


class _Interrupted(BaseException):
    pass


def _raise_interrupted(signum, frame):
    raise _Interrupted(f"signal {signum}")


def run(main):
    """Runs main(); returns the process exit status: 0 passed, 1 failed."""
    # Be told when whoever started us (dbus-run-session, CTest) goes away, so that clean-up runs.
    _die_with_parent()
    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGALRM):
        signal.signal(signum, _raise_interrupted)
    signal.alarm(WATCHDOG_SECONDS)
    started = time.monotonic()
    try:
        main()
    except (TestFailure, _Interrupted, Exception):
        traceback.print_exc()
        log(f"FAILED after {time.monotonic() - started:.1f} s")
        return 1
    finally:
        signal.alarm(0)
    log(f"PASSED in {time.monotonic() - started:.1f} s")
    return 0


# ---- the accessibility tree ----

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

    def app(self):
        if self._app is None:
            desktop = self.pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                candidate = desktop.getChildAtIndex(i)
                if candidate is not None and candidate.name == self.program_name:
                    from gi.repository import Atspi
                    # Always ask the program: it is what a screen reader hears that counts.
                    candidate.set_cache_mask(Atspi.Cache.NONE)
                    self._app = candidate
                    break
        return self._app

    def windows(self):
        app = self.app()
        if app is None:
            return []
        return [app.getChildAtIndex(i) for i in range(app.childCount)]

    def window(self, title):
        """The shown window with this title, or None."""
        for window in self.windows():
            if window is not None and window.name == title and self.showing(window):
                return window
        return None

    def wait_window(self, title, timeout):
        return wait_for(lambda: self.window(title), timeout, f'the window "{title}"')

    def wait_window_gone(self, title, timeout):
        wait_for(lambda: self.window(title) is None, timeout, f'the window "{title}" to close')

    def showing(self, node):
        return node.getState().contains(self.pyatspi.STATE_SHOWING)

    def focused(self, node):
        return node.getState().contains(self.pyatspi.STATE_FOCUSED)

    def children(self, node):
        return [node.getChildAtIndex(i) for i in range(node.childCount)]

    def controls(self, window, role):
        """The window's controls of a role ("push button", "combo box", "text", "label")."""
        return [c for c in self.children(window) if c is not None and c.getRoleName() == role]

    def control(self, window, role, name):
        found = [c for c in self.controls(window, role) if c.name == name]
        check(len(found) == 1, f'expected one {role} "{name}", found {len(found)}')
        return found[0]

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
        for control in self.children(window):
            if control is None:
                continue
            if self.focused(control):
                return control
            if control.getRoleName() == "combo box":
                for part in self.children(control):
                    if part is not None and part.getRoleName() == "text" and self.focused(part):
                        return control
        return None

    def extents(self, node):
        """Screen rectangle (x, y, width, height) of a node."""
        box = node.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        return (box.x, box.y, box.width, box.height)

    def open_list_entries(self, combo):
        """The entries of a list whose popup is open, and the focused one (or None)."""
        entries = self.children(combo)[0]
        items = self.children(entries)
        focused = [item for item in items if item is not None and self.focused(item)]
        return entries, items, focused[0] if focused else None

    def boxes(self, window, names):
        return {name: self.text_of(self.control(window, "text", name)) for name in names}


# ---- what a screen reader says ----

class ScreenReader:
    """What Orca says, as it writes every utterance into its debug file ("SPEECH OUTPUT: ...").
    Orca writes that file through a buffer of several kilobytes, so what it said last would
    wait there; its debug file is therefore a terminal of the test's own, which Python writes
    line by line, and a thread copies what arrives into log_path and reads the utterances."""

    _UTTERANCE = re.compile(r"SPEECH OUTPUT: '(.*?)' ?[{\[]")

    def __init__(self, log_path):
        self._master, self._slave = os.openpty()
        tty.setraw(self._slave)
        self.terminal = os.ttyname(self._slave)
        self._utterances = []
        self._lock = threading.Lock()
        self._log = open(log_path, "wb")
        self._thread = threading.Thread(target=self._copy, daemon=True)
        self._thread.start()

    def _copy(self):
        pending = b""
        while True:
            try:
                data = os.read(self._master, 65536)
            except OSError:
                break
            if not data:
                break
            self._log.write(data)
            lines = (pending + data).split(b"\n")
            pending = lines.pop()
            found = [m.group(1) for m in (self._UTTERANCE.search(line.decode("utf-8", "replace"))
                                          for line in lines) if m]
            with self._lock:
                self._utterances.extend(found)
        self._log.close()

    def close(self):
        """Once Orca has ended: the copy ends when the last writer has gone."""
        os.close(self._slave)
        self._thread.join(5)
        os.close(self._master)

    def said(self):
        """Everything said so far, in order."""
        with self._lock:
            return list(self._utterances)

    def mark(self):
        """Where the next step's utterances start."""
        return len(self.said())

    def wait_said(self, expected, timeout, since):
        """Waits until the utterances from since on hold expected in that order (others may
        come between them); returns the utterances from since up to the last expected one."""
        def found():
            said = self.said()[since:]
            position = 0
            for utterance in expected:
                while position < len(said) and said[position] != utterance:
                    position += 1
                if position == len(said):
                    return None
                position += 1
            return said[:position]
        try:
            return wait_for(found, timeout, f"Orca to say {expected}", interval=0.1)
        except Timeout:
            raise Timeout(f"Orca did not say {expected}; it said {self.said()[since:]}")


# ---- what the X server holds of the program's windows ----

def run_quiet(argv, timeout=10):
    """A command's output, or "" when it fails."""
    try:
        return subprocess.run(argv, capture_output=True, text=True, timeout=timeout).stdout
    except (OSError, subprocess.SubprocessError):
        return ""


def x_window(title):
    """The id of the shown top-level client window whose _NET_WM_NAME is exactly title, or
    None. Reads the property itself, as a window manager or a task bar does."""
    for wid in run_quiet(["xdotool", "search", "--onlyvisible", "--name", "."]).split():
        if x_title(wid) == title:
            return wid
    return None


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


def ico_images(path):
    """The images of an .ico file as ImageMagick reads them: {(width, height): [ARGB, ...]}."""
    images = {}
    count = len(run_quiet([IDENTIFY, path]).splitlines())
    for index in range(count):
        geometry = run_quiet([IDENTIFY, "-format", "%w %h", f"{path}[{index}]"]).split()
        w, h = int(geometry[0]), int(geometry[1])
        raw = subprocess.run([CONVERT, f"{path}[{index}]", "-depth", "8", "rgba:-"],
                             check=True, capture_output=True, timeout=20).stdout
        images[(w, h)] = [(raw[i + 3] << 24) | (raw[i] << 16) | (raw[i + 1] << 8) | raw[i + 2]
                          for i in range(0, len(raw), 4)]
    return images


def same_icon(argb_a, argb_b):
    """Two ARGB images agree: the same transparency, and the same colour where opaque."""
    if len(argb_a) != len(argb_b):
        return False
    for a, b in zip(argb_a, argb_b):
        if (a >> 24) != (b >> 24):
            return False
        if (a >> 24) and (a & 0xFFFFFF) != (b & 0xFFFFFF):
            return False
    return True


def x_client_origin(wid):
    """Where a window's client area begins on the screen."""
    out = run_quiet(["xwininfo", "-id", str(wid)])
    x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", out).group(1))
    y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", out).group(1))
    return x, y


def x_frame_origin(wid):
    """Where a window's frame (with a window manager's decoration) begins on the screen."""
    x, y = x_client_origin(wid)
    extents = x_cardinals(wid, "_NET_FRAME_EXTENTS") or [0, 0, 0, 0]
    return x - extents[0], y - extents[2]


# ---- pictures ----

def gray_pixels(png, rect):
    """The grey levels (0 black - 255 white) of a rectangle of a screenshot, as rows."""
    x, y, w, h = rect
    data = subprocess.run([CONVERT, png, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                           "-colorspace", "Gray", "-depth", "8", "pgm:-"],
                          check=True, stdout=subprocess.PIPE, timeout=20).stdout
    # Binary PGM: "P5", width, height, maxval, then one byte a pixel.
    fields = data.split(maxsplit=4)
    check(fields[0] == b"P5", "convert did not write a PGM")
    width, height = int(fields[1]), int(fields[2])
    pixels = fields[4]
    return [list(pixels[r * width:(r + 1) * width]) for r in range(height)]


def ink_pixels(rows):
    """rows with every pixel that stands out from the commonest grey (text, on a light or a
    dark background) made 0 and every other pixel 255."""
    counts = {}
    for row in rows:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    background = max(counts, key=counts.get) if counts else 255
    return [[0 if abs(p - background) > 100 else 255 for p in row] for row in rows]


def dark_runs(row, threshold=110):
    """(start, length) of each run of dark pixels in a row."""
    runs, start = [], None
    for i, value in enumerate(row + [255]):
        if value < threshold and start is None:
            start = i
        elif value >= threshold and start is not None:
            runs.append((start, i - start))
            start = None
    return runs


def caption_underline(png, rect, inset=2):
    """Looks at the caption of a button whose caption has no descenders: its lowest row of
    ink must be the access-key underline alone, one short line under one letter.
    Returns (underline start, underline length, caption left, caption width) relative to the
    caption, or raises TestFailure."""
    x, y, w, h = rect
    rows = ink_pixels(gray_pixels(png, (x + inset, y + inset, w - 2 * inset, h - 2 * inset)))
    dark_rows = [r for r, row in enumerate(rows) if dark_runs(row)]
    check(dark_rows, f"no caption drawn in {rect}")
    lowest = dark_rows[-1]
    # Above the underline, after a blank row or two, the letters; above them a blank gap again.
    bottom = lowest - 1
    while bottom >= 0 and bottom not in dark_rows and lowest - bottom <= 3:
        bottom -= 1
    check(bottom < lowest - 1 and bottom in dark_rows,
          f"lowest dark row in {rect} is not set apart below the caption's letters")
    top = bottom
    while top - 1 in dark_rows:
        top -= 1
    columns = [c for r in range(top, bottom + 1) for start, length in dark_runs(rows[r])
               for c in range(start, start + length)]
    left, right = min(columns), max(columns)
    runs = dark_runs(rows[lowest])
    check(len(runs) == 1,
          f"lowest caption row in {rect} has {len(runs)} dark runs, not one underline: {runs}")
    start, length = runs[0]
    width = right - left + 1
    check(3 <= length <= width / 2,
          f"lowest caption row in {rect} is {length} px wide of a {width} px caption: "
          "not an underline under one letter")
    return start - left, length, left, width


def region_differs(png_a, png_b, rect, min_fraction=0.05):
    a = gray_pixels(png_a, rect)
    b = gray_pixels(png_b, rect)
    changed = sum(1 for ra, rb in zip(a, b) for pa, pb in zip(ra, rb) if abs(pa - pb) > 40)
    total = max(1, rect[2] * rect[3])
    return changed / total >= min_fraction


def is_drawn(png, rect):
    """Whether a window's area is painted: a window is mapped black until it paints."""
    pixels = [p for row in gray_pixels(png, rect) for p in row]
    return sum(1 for p in pixels if p < 8) < len(pixels) / 4


def has_text(png, rect, inset=3):
    """Whether a rectangle, less its frame, shows text that stands out from its background,
    light or dark."""
    x, y, w, h = rect
    rows = gray_pixels(png, (x + inset, y + inset, w - 2 * inset, h - 2 * inset))
    pixels = [p for row in ink_pixels(rows) for p in row]
    return sum(1 for p in pixels if p == 0) > len(pixels) / 200


def main_entry(main):
    sys.exit(run(main))
