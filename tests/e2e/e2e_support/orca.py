"""A real screen reader, Orca, as a user has it, and what it says."""

import importlib.util
import json
import os
import re
import threading
import tty

from e2e_support import START_TIMEOUT, Timeout, log, wait_for


def start_screen_reader(session, layout="desktop"):
    """Starts Orca, speaking through speech-dispatcher's dummy module (no sound card needed:
    its sound goes to ALSA's null device), with settings of the test's own in a private
    home, in its desktop or laptop keyboard layout (the laptop's commands are Caps Lock with
    a key). Call after session.start_accessibility_bus(); returns a ScreenReader."""
    home = os.path.join(session.runtime_dir, "home")
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
    if layout == "laptop":
        general.update(keyboardLayout=2, orcaModifierKeys=["Caps_Lock", "Shift_Lock"])
    with open(os.path.join(home, "orca", "user-settings.conf"), "w") as f:
        json.dump({"general": general, "pronunciations": {}, "keybindings": {},
                   "profiles": {"default": {"profile": ["Default", "default"]}}}, f)
    socket = os.path.join(session.runtime_dir, "speechd.sock")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"), GSETTINGS_BACKEND="memory",
               SPEECHD_ADDRESS=f"unix_socket:{socket}")
    session.start("speech-dispatcher",
                  ["speech-dispatcher", "--run-single", "--timeout", "0",
                   "--config-dir", os.path.join(home, "speech-dispatcher"),
                   "--communication-method", "unix_socket", "--socket-path", socket,
                   "--log-dir", session.out_dir], env=env)
    wait_for(lambda: os.path.exists(socket), START_TIMEOUT, "speech-dispatcher's socket")
    reader = ScreenReader(os.path.join(session.out_dir, "orca-debug.out"))
    # Orca does not start while `pgrep -u UID -x orca` finds another Orca of the same user,
    # whatever display and buses that one serves (another test's, the user's own): here its
    # pgrep finds none.
    os.makedirs(os.path.join(home, "bin"))
    with open(os.path.join(home, "bin", "pgrep"), "w") as f:
        f.write("#!/bin/sh\nexit 1\n")
    os.chmod(os.path.join(home, "bin", "pgrep"), 0o755)
    session.on_close.append(reader.close)      # once Orca has ended
    session.start("orca", ["orca", "--user-prefs", os.path.join(home, "orca"),
                           "--debug-file", reader.terminal],
                  env=dict(env, PATH=os.path.join(home, "bin") + os.pathsep + env["PATH"]))
    reader.wait_said(["Screen reader on."], START_TIMEOUT, since=0)
    log("Orca speaks")
    return reader


class ScreenReader:
    """What Orca says, as it writes every utterance into its debug file ("SPEECH OUTPUT: ...").
    Orca writes that file through a buffer of several kilobytes, so what it said last would
    wait there; its debug file is therefore a terminal of the test's own, which Python writes
    line by line, and a thread copies what arrives into log_path and reads the utterances."""

    _UTTERANCE = re.compile(r"SPEECH OUTPUT: '(.*?)' ?[{\[]")

    # Whether Orca takes its own keys from the display server, through AT-SPI's device API
    # (Orca 48 on Debian 13), so that they never reach the program. An older Orca (43 on
    # Debian 12) has the program's accessibility bridge offer it every key; the bridge waits
    # 100 ms for the answer, and then hands the key to the program.
    grabs_its_keys = importlib.util.find_spec("orca.input_event_manager") is not None

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

    def wait_heard(self, phrases, timeout, since):
        """Waits until the utterances from since on hold every phrase, in any order and
        however Orca splits them into utterances (Orca 43's Where Am I says "list item.",
        "S-1245.", "2 of 11.", Orca 48's "S-1245 list item.", "2 of 11."); returns them."""
        def found():
            said = self.said()[since:]
            heard = " ".join(u.removesuffix(".") for u in said)
            return said if all(phrase in heard for phrase in phrases) else None
        try:
            return wait_for(found, timeout, f"Orca to say {phrases}", interval=0.1)
        except Timeout:
            raise Timeout(f"Orca did not say {phrases}; it said {self.said()[since:]}")

    def mark(self):
        """Where the next step's utterances start."""
        return len(self.said())

    def wait_said(self, expected, timeout, since):
        """Waits until the utterances from since on hold expected in that order (others may
        come between them); returns the utterances from since up to the last expected one.
        An utterance matches with or without a full stop at its end: Orca 43 ends a window's
        title with one, Orca 48 does not."""
        def found():
            said = self.said()[since:]
            position = 0
            for utterance in expected:
                while position < len(said) and \
                        said[position].removesuffix(".") != utterance.removesuffix("."):
                    position += 1
                if position == len(said):
                    return None
                position += 1
            return said[:position]
        try:
            return wait_for(found, timeout, f"Orca to say {expected}", interval=0.1)
        except Timeout:
            raise Timeout(f"Orca did not say {expected}; it said {self.said()[since:]}")
