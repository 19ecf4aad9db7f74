"""The program when its surroundings fail, on a real X server.

    display-lost   the X server goes away while both windows are open: the program ends
                   within 2 s with status 1 and one line on stderr that says so, and no crash
    a11y-bus-lost  the accessibility bus goes away while a screen reader is attached
    session-bus-lost  the session bus (and with it the accessibility bus) goes away likewise:
                   in both, a lookup by keyboard still fills the boxes and Alt+X ends with 0
    sigterm        SIGTERM (logout) and SIGINT (Ctrl+C in a terminal) end it within 2 s,
    sigint         as the signal ends a program, without a word and without an error box
    no-session     an X display and nothing else of a desktop session: no session bus, no
                   runtime directory, an empty HOME. The program says nothing, writes nothing
                   (HOME and the temporary directory stay empty), starts no bus daemon, and
                   Alt+X ends it with 0

Usage (inside dbus-run-session):
    faults_test.py PROGRAM TABLE_SOURCE OUT_DIR EDITION SCENARIO
"""

import contextlib
import os
import signal
import sys
import tempfile
import time

from e2e_support import START_TIMEOUT, check, log, run_quiet
from e2e_support.accessibility import Tree, import_pyatspi
from e2e_support.pixels import has_text
from e2e_support.program import MAIN_TITLE, TEVRA_BOX
from e2e_support.session import Arguments, main_entry
from e2e_support.x11 import keys, shown_windows, wait_x_window, wait_x_window_gone, x_geometry


def main():
    scenario = sys.argv.pop()
    check(scenario in SCENARIOS, f"scenario {scenario!r} is none of {list(SCENARIOS)}")
    args = Arguments(sys.argv)
    with args.session() as session:
        SCENARIOS[scenario](session, args)


def open_scanner(session):
    session.wait_shown(MAIN_TITLE)
    keys("alt+s")
    return wait_x_window("Scanner")


def ended_within(session, seconds):
    """Waits for the program to end; returns its status and how long it took."""
    started = time.monotonic()
    status = session.exit_status(seconds + 3)
    took = time.monotonic() - started
    check(took <= seconds, f"the program took {took:.1f} s to end, more than {seconds} s")
    return status, took


def display_lost(session, args):
    session.start_display()
    session.start_program(accessibility=False)
    open_scanner(session)
    xvfb = dict(session.processes)["xvfb"]
    log("the X server goes away")
    xvfb.kill()
    status, took = ended_within(session, 2)
    said = session.program_output()
    check(status == 1, f"status {status} (a negative status is the signal that ended it)")
    check(len(said) == 1 and "display" in said[0], f"stderr: {said}")
    log(f"ended after {took:.2f} s with status 1: {said[0]}")


def bus_lost(session, args, which):
    session.start_display()
    if which == "session":
        session.start_session_bus()
    session.start_accessibility_bus()
    pyatspi = import_pyatspi()
    tree = Tree(pyatspi, args.program)
    session.start_program()
    main_window = tree.wait_window(MAIN_TITLE, START_TIMEOUT)
    check(len(tree.controls(main_window, "PUSH_BUTTON")) >= 10, "the screen reader sees no buttons")
    log("a screen reader is attached")
    processes = dict(session.processes)
    gone = ["at-spi-bus-launcher"] + (["session-bus"] if which == "session" else [])
    for name in gone:
        # The accessibility bus's own daemon, which the launcher started, goes first.
        for child in run_quiet(["pgrep", "-P", str(processes[name].pid)]).split():
            os.kill(int(child), signal.SIGKILL)
        processes[name].kill()
        processes[name].wait()
    log(f"gone: {', '.join(gone)}")
    time.sleep(0.5)
    check(session.program_running(), "the program ended when the bus went away")

    scanner = open_scanner(session)
    # Tab past Main Menu and the record boxes to the Tevra list, open it and pick the second.
    keys(*["Tab"] * (len(args.box_names) + 1))
    keys("alt+Down")
    time.sleep(0.3)
    keys("Down", "Return")

    x, y, _, _ = x_geometry(scanner)
    box = (x + TEVRA_BOX[0], y + TEVRA_BOX[1], TEVRA_BOX[2], TEVRA_BOX[3])
    session.screenshot("lookup", lambda png: has_text(png, box),
                       "the Tevra box to show the picked record")
    log("a lookup by keyboard filled the boxes")
    keys("alt+m")
    wait_x_window_gone("Scanner")
    keys("alt+x")
    session.check_exit("Alt+X")


def ended_by(session, args, signum):
    session.start_display()
    session.start_program(accessibility=False)
    open_scanner(session)
    windows_before = shown_windows()
    session.program_process.send_signal(signum)
    status, took = ended_within(session, 2)
    check(status in (-signum, 128 + signum), f"status {status} after signal {signum}")
    said = session.program_output()
    check(not said, f"the program said: {said}")
    check(not (shown_windows() - windows_before), "a window (an error box?) appeared")
    log(f"signal {signum}: ended after {took:.2f} s, status {status}, nothing said")


def bus_daemons(home):
    """Process ids of the D-Bus daemons and launchers that run with HOME=home: those that the
    program started, which inherit its environment (tests beside this one start others)."""
    def home_of(pid):
        with contextlib.suppress(OSError), open(f"/proc/{pid}/environ", "rb") as f:
            return next((v[5:] for v in f.read().split(b"\0") if v.startswith(b"HOME=")), None)
    return {pid for name in ("dbus-daemon", "dbus-launch")
            for pid in run_quiet(["pgrep", "-x", name]).split() if home_of(pid) == home.encode()}


def no_session(session, args):
    session.start_display()
    with tempfile.TemporaryDirectory(prefix="mxr-home-") as home, \
            tempfile.TemporaryDirectory(prefix="mxr-tmp-") as tmp:
        env = {"PATH": os.environ["PATH"], "DISPLAY": session.display, "HOME": home,
               "TMPDIR": tmp}
        for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
            if name in os.environ:
                env[name] = os.environ[name]
        session.start_program(accessibility=False, env=env)
        session.wait_shown(MAIN_TITLE)
        keys("alt+x")
        session.check_exit("Alt+X")
        said = session.program_output()
        check(not said, f"the program said: {said}")
        written = [os.path.join(root, name) for folder in (home, tmp)
                   for root, dirs, files in os.walk(folder) for name in dirs + files]
        check(not written, f"the program wrote: {written}")
        started = bus_daemons(home)
        check(not started, f"bus processes started by the program: {started}")
    log("nothing said, nothing written, no bus started; Alt+X: status 0")


SCENARIOS = {
    "display-lost": display_lost,
    "a11y-bus-lost": lambda session, args: bus_lost(session, args, "accessibility"),
    "session-bus-lost": lambda session, args: bus_lost(session, args, "session"),
    "sigterm": lambda session, args: ended_by(session, args, signal.SIGTERM),
    "sigint": lambda session, args: ended_by(session, args, signal.SIGINT),
    "no-session": no_session,
}

if __name__ == "__main__":
    main_entry(main)
