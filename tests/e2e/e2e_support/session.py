"""A test's processes: its display (Xvfb, with openbox on request, or Weston), the session
and accessibility buses, and the program under test; the test's start and end.

A Linux test runs inside `dbus-run-session` (its own session bus) and takes nothing of the
caller's desktop: it clears what tests/support/isolated-environment.txt clears, and makes its
own display, runtime directory and buses. Every process it starts is ended when the script
ends, whatever the way: normal end, failure, an exception, SIGTERM/SIGINT/SIGHUP, its own
watchdog, and (through the kernel's parent-death signal) even when the script is killed.

The options after the four arguments every test takes:
    --desktop openbox    run under the openbox window manager (EWMH), not on a bare X server
    --scheme dark        give the program a dark colour scheme through the qt6ct platform theme
    --platform wayland   run the program on Wayland (Weston, headless) instead of X11
"""

import argparse
import contextlib
import os
import signal
import subprocess
import tempfile
import time
import traceback

from e2e_support import START_TIMEOUT, STEP_TIMEOUT, check, log, wait_for
from e2e_support.display import (die_with_parent, start_openbox, start_reporting, start_weston,
                                 start_xvfb)
from e2e_support.pixels import capture
from e2e_support.program import BOX_NAMES, read_table
from e2e_support.x11 import x_window

SUPPORT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "support")


def cleared_variables():
    """The names that tests/support/isolated-environment.txt clears (lines "NAME=")."""
    with open(os.path.join(SUPPORT, "isolated-environment.txt")) as f:
        return [line.strip()[:-1] for line in f
                if not line.startswith("#") and line.strip().endswith("=")]


class Arguments:
    """PROGRAM TABLE_SOURCE OUT_DIR EDITION [--desktop openbox] [--scheme dark]
    [--platform wayland] [--layout laptop]: the program, the table's rows, where the output
    goes, the edition, the names of the record boxes the edition shows, the desktop to run on
    and the screen reader's keyboard layout."""

    def __init__(self, argv):
        parser = argparse.ArgumentParser()
        for name in ("program", "table_source", "out_dir", "edition"):
            parser.add_argument(name)
        parser.add_argument("--desktop", choices=["openbox"])
        parser.add_argument("--scheme", choices=["dark"])
        parser.add_argument("--platform", choices=["xcb", "wayland"], default="xcb")
        parser.add_argument("--layout", choices=["desktop", "laptop"], default="desktop")
        vars(self).update(vars(parser.parse_args(argv[1:])))
        self.rows = read_table(self.table_source)
        self.internal = self.edition == "I"
        self.box_names = BOX_NAMES if self.internal else BOX_NAMES[:-1]

    def session(self):
        return Session(self.program, self.out_dir, desktop=self.desktop, scheme=self.scheme,
                       platform=self.platform)


class Session:
    """The test's display, buses and program, ended together. display: an X display that the
    run provides (the Windows tests under Wine); without it the test makes its own."""

    def __init__(self, program, out_dir, desktop=None, scheme=None, platform="xcb",
                 display=None):
        self.program = program
        self.out_dir = out_dir
        self.desktop = desktop
        self.scheme = scheme
        self.platform = platform
        self.display = display
        self.processes = []          # (name, Popen), in order of starting
        self.program_process = None
        self.on_close = []           # what else to end once the processes have ended
        self._parent = os.getppid()      # dbus-run-session
        self._session_bus_pid = None
        self._shots = 0
        if display is None:
            for name in cleared_variables():
                os.environ.pop(name, None)
        # Only this run's screenshots stay in the folder.
        os.makedirs(out_dir, exist_ok=True)
        for old in os.listdir(out_dir):
            if old.endswith(".png"):
                os.remove(os.path.join(out_dir, old))
        self._runtime_dir = tempfile.TemporaryDirectory(prefix="mxr-e2e-")     # mode 0700
        self.runtime_dir = self._runtime_dir.name

    # -- set-up --

    def start(self, name, argv, env=None, **kwargs):
        """Starts a process of the test's, its output in OUT_DIR/name.log."""
        with open(os.path.join(self.out_dir, f"{name}.log"), "wb") as logfile:
            process = subprocess.Popen(argv, env=env, stdout=logfile, stderr=subprocess.STDOUT,
                                       stdin=subprocess.DEVNULL, preexec_fn=die_with_parent,
                                       **kwargs)
        self.processes.append((name, process))
        return process

    def start_display(self):
        """Starts Xvfb (and openbox under --desktop openbox), or for --platform wayland Weston's
        headless compositor and no X server, and sets it for everything after."""
        os.environ["XDG_RUNTIME_DIR"] = self.runtime_dir
        if self.platform == "wayland":
            os.environ["WAYLAND_DISPLAY"] = start_weston(self.start, self.runtime_dir)
            log(f"Weston (headless) on {os.environ['WAYLAND_DISPLAY']}")
            return
        _, self.display = start_xvfb(self.start)
        os.environ["DISPLAY"] = self.display
        log(f"Xvfb on display {self.display}")
        if self.desktop == "openbox":
            start_openbox(self.start)
            log("openbox manages the display")

    def start_session_bus(self):
        """A session bus of this test's own, which the test may take away again; everything
        started after it uses it."""
        _, address = start_reporting(self.start, "session-bus", [
            "dbus-daemon", "--session", "--nofork", "--print-address={fd}"])
        check(address, "dbus-daemon did not report its address")
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        log(f"session bus {address}")

    def start_accessibility_bus(self):
        """Starts the AT-SPI bus for this session's display and waits until it is there."""
        check("DBUS_SESSION_BUS_ADDRESS" in os.environ, "not inside dbus-run-session")
        self.start("at-spi-bus-launcher",
                   ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        import gi
        gi.require_version("Gio", "2.0")
        from gi.repository import Gio, GLib
        bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)

        def ask(method, name):
            return bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                 "org.freedesktop.DBus", method, GLib.Variant("(s)", (name,)),
                                 None, Gio.DBusCallFlags.NONE, 2000, None).unpack()[0]
        self._session_bus_pid = ask("GetConnectionUnixProcessID", "org.freedesktop.DBus")
        wait_for(lambda: ask("NameHasOwner", "org.a11y.Bus"), 15, "the accessibility bus")

    def start_program(self, accessibility=True, env=None):
        """Starts the program on the test's display, in env (by default this test's
        environment)."""
        env = dict(os.environ if env is None else env)
        env["QT_QPA_PLATFORM"] = self.platform
        if self.scheme == "dark":
            # As a user sets it in qt6ct: Debian's "darker" scheme with its own palette.
            config = os.path.join(self.runtime_dir, "config")
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
        asan = [env.get("ASAN_OPTIONS", ""),
                f"suppressions={os.path.join(SUPPORT, 'asan-suppressions.txt')}"]
        # The leak check's suppressions (what Qt's accessibility bridge and its portal query
        # leave behind) name callers that only the full allocation stack shows.
        asan.append("fast_unwind_on_malloc=0")
        if self.platform == "wayland":
            # Qt's Wayland plugin leaves libwayland-client's proxies behind and is unloaded
            # before the leak check runs, so what it reports cannot even be named. The program's
            # own memory is leak-checked in the runs on X11 and offscreen.
            asan.append("detect_leaks=0")
        env["ASAN_OPTIONS"] = ":".join(filter(None, asan))
        env["LSAN_OPTIONS"] = ":".join(filter(None, [
            env.get("LSAN_OPTIONS", ""),
            f"suppressions={os.path.join(SUPPORT, 'lsan-suppressions.txt')}",
            "print_suppressions=0"]))  # what the program says is checked
        return self.launch([self.program], env)

    def launch(self, argv, env, **kwargs):
        """Starts argv as the program under test (its output in OUT_DIR/program.log)."""
        self.program_process = self.start("program", argv, env=env, **kwargs)
        log(f"started {' '.join(argv)} (pid {self.program_process.pid})")
        return self.program_process

    # -- the program --

    def program_running(self):
        return self.program_process is not None and self.program_process.poll() is None

    def program_output(self):
        """The lines that the program has written so far (stdout and stderr)."""
        with open(os.path.join(self.out_dir, "program.log"), errors="replace") as f:
            return [line.rstrip("\n") for line in f if line.strip()]

    def exit_status(self, timeout=STEP_TIMEOUT):
        """Waits for the program to end; its status (negative: the signal that ended it)."""
        wait_for(lambda: not self.program_running(), timeout, "the program to end")
        return self.program_process.returncode

    def check_exit(self, how):
        """Waits for the program to end, which must be with status 0."""
        status = self.exit_status()
        check(status == 0, f"{how} ended the program with status {status}")
        log(f"{how}: status 0")

    def wait_shown(self, title, timeout=START_TIMEOUT):
        """The X window titled exactly title, once shown; fails at once, with what the
        program said, if the program ends first."""
        found = wait_for(lambda: x_window(title) or not self.program_running(), timeout,
                         f'the window "{title}"')
        check(found is not True, f'the program ended with status '
              f'{self.program_process.returncode} before it showed "{title}"; it said: '
              f"{self.program_output()}")
        return found

    # -- screenshots --

    def screenshot(self, name, shows=None, what=None):
        """Saves the whole screen as OUT_DIR/NN-name.png (NN counts the screenshots) and
        returns its path. With shows, takes it again until shows(path) holds: a window may
        repaint a moment after the step that changed it has been seen to end."""
        self._shots += 1
        path = os.path.join(self.out_dir, f"{self._shots:02d}-{name}.png")

        def take():
            capture(path, self.display)
            return path if shows is None or shows(path) else None
        path = take() if shows is None else wait_for(take, STEP_TIMEOUT, what)
        log(f"screenshot {path}")
        return path

    # -- the end --

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and self.display is not None:
            with contextlib.suppress(Exception):
                self.screenshot("failure")    # what the screen showed when the test failed
        self.close()
        return False

    def close(self):
        # Nothing interrupts the clean-up itself.
        for signum in _ENDING_SIGNALS:
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
        for close in self.on_close:
            close()
        # dbus-run-session ends the session bus when this script ends; if it was killed
        # itself, the bus it started for this test is left over, and ends here.
        if self._session_bus_pid and os.getppid() != self._parent:
            with contextlib.suppress(ProcessLookupError):
                os.kill(self._session_bus_pid, signal.SIGTERM)
        self._runtime_dir.cleanup()


_ENDING_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP, signal.SIGALRM)


def _interrupt(signum, frame):
    # Not an Exception: waiting goes on through those.
    raise KeyboardInterrupt(f"signal {signum}")


def main_entry(main, watchdog_seconds=120):
    """Runs main() and exits 0 when it passed, 1 when it failed. The whole test must be over
    within watchdog_seconds, whatever hangs: before CTest's time-out, so that clean-up runs
    and the failure says where the test was. A hang is caught by the wait that hangs, each
    with its own limit; the watchdog stands well above a run on a busy machine (the longest
    without Orca takes 16 s in the sanitizer build on an idle one)."""
    # Be told when whoever started us (dbus-run-session, CTest) goes away, so that clean-up runs.
    die_with_parent()
    for signum in _ENDING_SIGNALS:
        signal.signal(signum, _interrupt)
    signal.alarm(watchdog_seconds)
    started = time.monotonic()
    try:
        main()
    except (Exception, KeyboardInterrupt):
        traceback.print_exc()
        log(f"FAILED after {time.monotonic() - started:.1f} s")
        raise SystemExit(1)
    finally:
        signal.alarm(0)
    log(f"PASSED in {time.monotonic() - started:.1f} s")
    raise SystemExit(0)
