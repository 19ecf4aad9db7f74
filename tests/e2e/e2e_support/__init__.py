"""What the end-to-end tests share, a module for each concern: display (a private X server or
Wayland compositor, also for shell scripts), session (a test's processes, its start and end),
x11 (keys and windows on X), accessibility (the AT-SPI tree), pixels (screenshots), program
(titles, layout, the model table) and orca (a real screen reader). This module holds what they
all use: checks, and waiting for something to happen.
"""

import subprocess
import time

START_TIMEOUT = 60      # a sanitizer build starts slowly, the more so on a busy machine
STEP_TIMEOUT = 30


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


def run_quiet(argv, timeout=10):
    """A command's output, or "" when it fails."""
    try:
        return subprocess.run(argv, capture_output=True, text=True, timeout=timeout).stdout
    except (OSError, subprocess.SubprocessError):
        return ""
