"""A private X server, window manager or Wayland compositor, for one test or one command.

Xvfb picks a free display itself and reports its number once it accepts connections
(-displayfd): no display number is guessed and nothing sleeps. It runs with a black root window
(a window is black until it paints) and without resetting when its last client leaves. Each
server is sent SIGTERM by the kernel when whoever started it goes away.

Shell scripts (the package check, the Wine tests, the start-up benchmark) run a command on a
fresh Xvfb with

    python3 -B tests/e2e/e2e_support/display.py xvfb [--screen WxHxD] -- COMMAND [ARGS...]

which sets DISPLAY for the command, passes SIGTERM, SIGINT and SIGHUP on to it, ends the server
however the command ends, and exits with the command's status.
"""

import ctypes
import os
import signal
import subprocess
import sys

if __name__ == "__main__":      # run as a script: the package is the folder it lies in
    sys.path[0] = os.path.dirname(sys.path[0])
from e2e_support import check, run_quiet, wait_for  # noqa: E402

SCREEN = "1024x768x24"

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)


def die_with_parent():
    """Be sent SIGTERM when the parent process goes away (in a child about to exec, or in a
    test that its runner may leave behind)."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def start_reporting(start, name, argv):
    """Starts argv through start(name, argv, **popen_options) -> Popen. "{fd}" in argv stands
    for a pipe on which the process writes one line once it is ready (its display, its
    address); returns the process and that line."""
    read_end, write_end = os.pipe()
    process = start(name, [arg.format(fd=write_end) for arg in argv], pass_fds=(write_end,))
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        return process, pipe.readline().strip()


def start_xvfb(start, screen=SCREEN):
    """Starts Xvfb; returns the process and its display (":N") once it accepts connections."""
    process, number = start_reporting(start, "xvfb", [
        "Xvfb", "-displayfd", "{fd}", "-screen", "0", screen, "-br", "-nolisten", "tcp",
        "-noreset"])
    check(number.isdigit(), "Xvfb did not report a display number")
    return process, f":{number}"


def start_openbox(start):
    """Starts openbox on DISPLAY and returns it once it manages the screen (wmctrl names the
    window manager then, as EWMH has it)."""
    process = start("openbox", ["openbox", "--sm-disable"])
    wait_for(lambda: "Openbox" in run_quiet(["wmctrl", "-m"]), 15, "openbox to start")
    return process


def start_weston(start, runtime_dir, socket="mxr-e2e-wayland"):
    """Starts Weston's headless compositor with its socket in runtime_dir, the XDG_RUNTIME_DIR
    of its environment; returns the socket's name (for WAYLAND_DISPLAY) once it is there."""
    start("weston", ["weston", "--backend=headless-backend.so", f"--socket={socket}",
                     "--idle-time=0", "--width=1024", "--height=768"])
    wait_for(lambda: os.path.exists(os.path.join(runtime_dir, socket)), 15, "Weston's socket")
    return socket


def main(argv):
    """display.py xvfb [--screen WxHxD] -- COMMAND [ARGS...]"""
    at = argv.index("--") if "--" in argv else len(argv)
    options, command = argv[:at], argv[at + 1:]
    if not command or options[:1] != ["xvfb"] or options[1:] not in ([], ["--screen", argv[2]]):
        sys.exit(f"usage: {main.__doc__}")
    xvfb, display = start_xvfb(lambda name, argv, **options: subprocess.Popen(
        argv, stdin=subprocess.DEVNULL, preexec_fn=die_with_parent, **options),
        options[2] if len(options) == 3 else SCREEN)
    process = subprocess.Popen(command, env=dict(os.environ, DISPLAY=display),
                               preexec_fn=die_with_parent)
    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, lambda signum, frame: process.send_signal(signum))
    status = process.wait()
    xvfb.terminate()
    xvfb.wait()
    return status if status >= 0 else 128 - status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
