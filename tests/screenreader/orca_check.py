#!/usr/bin/python3
"""Plays the game from the keyboard while the Orca screen reader listens, and
checks what Orca says after each key.

Usage: orca_check.py PATH/TO/kobanto [--keep LOGDIR]
(--keep: Orca's debug log is left in LOGDIR.)

Everything runs in a private desktop: Xvfb, a D-Bus session, the AT-SPI bus,
mutter as window manager, speech-dispatcher speaking to ALSA's null device,
and Orca with its debug log, whose "SPEECH OUTPUT" lines are what it says.
Exits 0 when every expectation held, 1 when one did not, 77 (skipped) when
the screen reader or its stack is not installed.
"""
import ctypes
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
KEY_GAP = 1.5  # seconds between keys: Orca's answer to one key comes well within
DEADLINE = 150  # seconds for the whole check
TOOLS = ["Xvfb", "dbus-daemon", "mutter", "speech-dispatcher", "orca", "xdotool"]
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
PYTHON = "/usr/bin/python3"  # Orca's own interpreter, with its bindings


def skip_reason():
    for tool in TOOLS:
        if not shutil.which(tool):
            return tool + " is not installed"
    if not os.access(BUS_LAUNCHER, os.X_OK):
        return BUS_LAUNCHER + " is not installed"
    if subprocess.run([PYTHON, "-c", "import pyatspi, speechd"], capture_output=True).returncode:
        return "Orca's Python modules (pyatspi, speechd) are not installed"
    if not os.path.isdir("/usr/lib/speech-dispatcher-modules") or not any(
        m.startswith("sd_espeak") for m in os.listdir("/usr/lib/speech-dispatcher-modules")
    ):
        return "speech-dispatcher has no eSpeak output module"
    return None


# Runs /usr/bin/orca with its debug file opened line by line, so that what it
# says can be read while it runs. The log's dump of every event's objects is
# left out: its dozens of bus calls per event slow Orca down many times over,
# until it drops events as a flood, which Orca without a log does not.
ORCA_LINE_BUFFERED = """
import builtins, runpy, sys
from orca import debug
debug.printDetails = lambda *args, **kwargs: None
log = sys.argv[1]
real_open = builtins.open
def line_buffered(file, mode="r", *args, **kwargs):
    if file == log and "w" in mode:
        return real_open(file, mode, buffering=1, encoding="utf-8")
    return real_open(file, mode, *args, **kwargs)
builtins.open = line_buffered
sys.argv = ["orca", "--debug-file", log, "--user-prefs", sys.argv[2]]
runpy.run_path("/usr/bin/orca", run_name="__main__")
"""


class Desktop:
    """The processes of one private desktop; every one ended by its id."""

    def __init__(self, workdir):
        self.dir = workdir
        self.procs = []
        self.env = dict(os.environ)
        for var in list(self.env):
            if var.startswith(("DBUS_", "AT_SPI", "XDG_", "WAYLAND", "QT_")) or var in ("DISPLAY", "SPEECHD_ADDRESS"):
                del self.env[var]
        for name in ("home", "config", "data", "cache", "runtime"):
            os.makedirs(os.path.join(workdir, name), mode=0o700)
        self.env.update(
            HOME=os.path.join(workdir, "home"),
            XDG_CONFIG_HOME=os.path.join(workdir, "config"),
            XDG_DATA_HOME=os.path.join(workdir, "data"),
            XDG_CACHE_HOME=os.path.join(workdir, "cache"),
            XDG_RUNTIME_DIR=os.path.join(workdir, "runtime"),
            LANG="C.UTF-8",
            NO_AT_BRIDGE="0",
        )

    def start(self, name, argv, **kwargs):
        out = open(os.path.join(self.dir, name + ".out"), "wb")
        p = subprocess.Popen(argv, env=self.env, stdout=kwargs.pop("stdout", out), stderr=out,
                             stdin=subprocess.DEVNULL, **kwargs)
        self.procs.append((name, p))
        return p

    def descendants(self):
        """Every process below this one: what we started and what those
        started, daemons included (this process is their subreaper)."""
        children = {}
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open("/proc/%s/stat" % entry) as f:
                    stat = f.read()
            except OSError:
                continue
            ppid = int(stat[stat.rindex(")") + 2:].split()[1])
            children.setdefault(ppid, []).append(int(entry))
        found, todo = [], [os.getpid()]
        while todo:
            for child in children.get(todo.pop(), []):
                found.append(child)
                todo.append(child)
        return found

    def stop(self):
        # Last started first: the program before the reader, the reader
        # before the buses and the display.
        for _, p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(3)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
        for _ in range(2):
            rest = [pid for pid in self.descendants() if not is_zombie(pid)]
            for pid in rest:
                try:
                    os.kill(pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
            time.sleep(0.5)
        for pid in self.descendants():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        reap()


def is_zombie(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read()
        return stat[stat.rindex(")") + 2] == "Z"
    except OSError:
        return True


def reap():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


class SpeechLog:
    """Orca's debug log, read as it grows: what Orca has said since last asked."""

    LINE = re.compile(r"SPEECH OUTPUT: '(.*?)' ?(?:\{.*)?$")

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.errors = []

    def new_lines(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return []
        end = data.rfind(b"\n") + 1
        self.offset += end
        return data[:end].decode("utf-8", "replace").splitlines()

    def said(self):
        spoken = []
        for line in self.new_lines():
            m = self.LINE.search(line)
            if m:
                spoken.append(m.group(1))
            elif "Could not process" in line:
                self.errors.append(line.strip())
        return spoken

    def wait_for(self, pattern, timeout):
        """Everything said until something matching pattern (None: timed out)."""
        end = time.monotonic() + timeout
        heard = []
        while time.monotonic() < end:
            heard += self.said()
            if any(re.search(pattern, s) for s in heard):
                return heard
            time.sleep(0.2)
        return None


def wait_path(path, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if os.path.exists(path):
            return True
        time.sleep(0.1)
    return False


def bring_up(desk, logdir):
    """Display, buses, window manager, speech and reader; the speech log."""
    env = desk.env
    r, w = os.pipe()
    desk.start("xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
               pass_fds=(w,))
    os.close(w)
    with os.fdopen(r) as f:
        display = f.readline().strip()
    if not display:
        raise RuntimeError("Xvfb did not start")
    env["DISPLAY"] = ":" + display

    bus = desk.start("dbus", ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                     stdout=subprocess.PIPE)
    address = bus.stdout.readline().decode().strip()
    if not address:
        raise RuntimeError("dbus-daemon did not start")
    env["DBUS_SESSION_BUS_ADDRESS"] = address

    desk.start("atspi", [BUS_LAUNCHER, "--launch-immediately"])
    desk.start("mutter", ["mutter", "--x11", "--replace", "--sm-disable"])

    # Speech to ALSA's null device: the default (PulseAudio) hangs without a
    # sound card, and Orca gives up when speech does not start.
    conf = os.path.join(desk.dir, "speechd")
    shutil.copytree("/etc/speech-dispatcher", conf)
    with open(os.path.join(conf, "speechd.conf"), "a") as f:
        # One module: probing every installed one slows the start by seconds.
        f.write('\nAudioOutputMethod "alsa"\nAudioALSADevice "null"\n'
                'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\nDefaultModule espeak-ng\n')
    desk.start("speechd", ["speech-dispatcher", "--run-single", "--timeout", "0", "--config-dir", conf,
                           "--communication-method", "unix_socket", "--socket-path", "default"])
    if not wait_path(os.path.join(env["XDG_RUNTIME_DIR"], "speech-dispatcher", "speechd.sock"), 30):
        raise RuntimeError("speech-dispatcher did not open its socket")

    prefs = os.path.join(desk.dir, "orca-prefs")
    os.makedirs(prefs)
    log = os.path.join(logdir, "orca-debug.log")
    if os.path.exists(log):
        os.remove(log)
    desk.start("orca", [PYTHON, "-c", ORCA_LINE_BUFFERED, log, prefs])
    speech = SpeechLog(log)
    if speech.wait_for(r"Screen reader on", 30) is None:
        raise RuntimeError("Orca did not start speaking")
    return speech


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    program = os.path.abspath(args[0])
    why = skip_reason()
    if why:
        print("orca_check: skipped: " + why)
        return SKIP
    # Daemons started below (speech-dispatcher, the accessibility registry)
    # stay our descendants, so that each is found and ended by its id.
    ctypes.CDLL(None, use_errno=True).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    signal.signal(signal.SIGALRM, lambda *_: (_ for _ in ()).throw(TimeoutError("deadline")))
    signal.alarm(DEADLINE)
    started = time.monotonic()
    workdir = tempfile.mkdtemp(prefix="orca-check-")
    logdir = args[args.index("--keep") + 1] if "--keep" in args else workdir
    os.makedirs(logdir, exist_ok=True)
    desk = Desktop(workdir)
    try:
        speech = bring_up(desk, logdir)
        result = run_steps(desk, speech, program)
    except (RuntimeError, TimeoutError) as e:
        print("orca_check: FAILED: %s" % e)
        result = 1
    finally:
        signal.alarm(0)
        desk.stop()
        shutil.rmtree(workdir, ignore_errors=True)
    print("orca_check: %.0f s" % (time.monotonic() - started))
    return result


# What a keyboard-only player does, and what Orca must say after each key:
# (keys, patterns that must each match one utterance). None as keys: the
# program starting.
ANY_CELL = r"[A-H][1-8]"
STEPS = [
    (None, [r"^Dorvex Quorvane～OPENING～ frame"]),
    ("Escape", [r"^Dorvex Quorvane～モード選択～ frame", r"^notification モードを矢印キーで選び、Enter で決定"]),
    ("Tab", [r"^1台対戦 push button\.$"]),
    ("Return", [r"^Dorvex Quorvane～1台対戦～ frame", r"^盤面 panel"]),
    ("Right", [r"^D4 白 push button\.$"]),
    ("Left", [r"^C4 空き push button\.$"]),
    ("Return", [r"^notification C4 に黒、黒 4 白 1、白番\.$"]),
    ("Up", [r"^C3 空き push button\.$"]),
    ("Return", [r"^notification C3 に白、黒 3 白 3、黒番\.$"]),
    ("Down", [r"^C4 黒 push button\.$"]),
    ("Insert+KP_Enter", [r"^Dorvex Quorvane～1台対戦～$"]),
    ("Tab", [r"^パス push button\.$"]),
    ("space", [r"打てるマスがあります"]),
    ("Return", [r"^パス push button\.$"]),
    ("Tab", [r"^投了 push button\.$"]),
    ("space", [r"^notification 投了、黒 3 白 3、お見事白番の勝利\.$"]),
    ("space", [r"^Dorvex Quorvane～モード選択～ frame", r"^notification モードを矢印キーで選び、Enter で決定"]),
    ("Tab", [r"^1台対戦 push button\.$"]),
    ("Tab", [r"^CPU対戦 push button\.$"]),
    ("Return", [r"^Dorvex Quorvane～CPU対戦～ frame"]),
    ("Tab", [r"^初級 push button\.$"]),
    ("space", [r"^黒 push button\.$"]),
    ("space", [r"push button\.$"]),
    ("Tab", [r"^盤面 panel"]),
    ("Left", [r"^D4 白 push button\.$"]),
    ("Left", [r"^C4 空き push button\.$"]),
    ("Return", [r"^notification C4 に黒、黒 4 白 1、白番\.$",
                r"^notification ＣＰＵは %s に白、黒 3 白 3、黒番\.$" % ANY_CELL]),
    ("Insert+KP_Enter", [r"^Dorvex Quorvane～CPU対戦～$"]),
]
STEP_WAIT = 6  # seconds for one step's utterances (the computer answers after one)


def run_steps(desk, speech, program):
    env = desk.env
    desk.env = dict(env, QT_QPA_PLATFORM="xcb", KOBANTO_AUDIO="0")
    desk.start("kobanto", [program])
    desk.env = env
    held = failed = 0
    for keys, patterns in STEPS:
        started = time.monotonic()
        if keys:
            subprocess.run(["xdotool", "key", keys], env=env, check=True)
        heard, missing = [], list(patterns)
        while missing and time.monotonic() - started < STEP_WAIT:
            time.sleep(0.2)
            heard += speech.said()
            missing = [p for p in patterns if not any(re.search(p, s) for s in heard)]
        # About 1.5 s between keys, as a person listening would press them.
        time.sleep(max(0.0, KEY_GAP - (time.monotonic() - started)))
        heard += speech.said()
        held += len(patterns) - len(missing)
        failed += len(missing)
        print("%-16s %s" % (keys or "(start)", " | ".join(heard) or "(nothing)"))
        for p in missing:
            print("  FAILED: expected %s" % p)
        for s in heard:
            if re.search(r"\bSpace\b", s):
                print("  FAILED: a key binding read out: %s" % s)
                failed += 1
    speech.said()
    for e in speech.errors:
        print("  FAILED: Orca: %s" % e)
        failed += 1
    print("orca_check: %d passed, %d failed" % (held, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
