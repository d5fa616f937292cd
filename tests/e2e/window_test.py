#!/usr/bin/env python3
"""Window tests: runs the real program (or the window test program) under a
private Xvfb server with OpenAL Soft's null or wave-writer backend, types
with xdotool, reads the text screen back from screenshots and checks the
exit code.

    window_test.py --app A --demo D --close-window C --count-frames F --key-latency K
                   --glyphs G --headless H --source S --work W CASE

Cases of the calculator type a run step by step and compare each screen at
which the program waits for a key, cell by cell, with the screen that the
headless host shows for the same keys (--headless), besides checking the
program's own texts directly.
"""

import argparse
import contextlib
import ctypes
import fcntl
import os
import re
import select
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import time

APP_TITLE = "Torvelin v1.58: G/Ta computed with noise sphere rotation"
DEMO_TITLE = "Torvelin window test"
PALETTE = [
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
]
COLUMNS, ROWS = 80, 25
# How long a screenshot waits for the window to become viewable.
SCREENSHOT_TIMEOUT = 5.0
# The program ends within about a second of a close, a stop key or a lost
# display; on a busy machine that takes longer, so a test prints the time
# and fails only past this ceiling, which a wait for some timeout would hit.
EXIT_CEILING = 5.0
TONE_HZ, TONE_RATE = 783.99, 44100


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Screen:
    """The 80 x 25 cells read back from a 640 x 400 screenshot."""

    def __init__(self, chars, colours, codes=None):
        self.chars = chars        # 25 strings of 80 characters ('?' unknown)
        self.colours = colours    # 25 lists of 80 foreground numbers (None: blank)
        self.codes = codes        # 25 lists of 80 character codes (None: unknown)

    def row(self, row_1):
        return self.chars[row_1 - 1]

    def colour(self, row_1, column_1):
        return self.colours[row_1 - 1][column_1 - 1]

    def code(self, row_1, column_1):
        return self.codes[row_1 - 1][column_1 - 1]

    def __str__(self):
        return "\n".join("%2d|%s|" % (i + 1, r) for i, r in enumerate(self.chars))


def stacks(pid):
    """Where a process's threads stand, for a failure that says it hangs."""
    try:
        result = subprocess.run(["gdb", "-p", str(pid), "-batch", "-ex", "thread apply all bt"],
                                capture_output=True, timeout=60)
        return "\n".join(line for line in result.stdout.decode(errors="replace").splitlines()
                         if line.startswith(("#", "Thread")))
    except (OSError, subprocess.TimeoutExpired) as error:
        return "(no stacks: %s)" % error


class Session:
    def __init__(self, args):
        self.args = args
        self.xvfb = None
        self.processes = []
        self.env = dict(os.environ)
        self.env.pop("ALSOFT_CONF", None)
        self.env["ALSOFT_DRIVERS"] = "null"
        with open(args.glyphs, "rb") as f:
            table = f.read()
        check(len(table) == 256 * 16, "the glyph table has %d bytes" % len(table))
        # Bitmap -> character code; printable characters win over look-alikes.
        self.glyph_codes = {}
        for code in list(range(32, 127)) + list(range(0, 32)) + list(range(127, 256)):
            self.glyph_codes.setdefault(table[code * 16:(code + 1) * 16], code)

    # ---- X server ----
    def start_xvfb(self, *extra_args):
        """A private X server on a free display number, which becomes the
        session's DISPLAY; returns that display."""
        # -noreset: an X server resets when its last client leaves, and drops
        # the connections that arrive during the reset. Each xdotool call is
        # such a client, so without it the program could start just then and
        # fail to open the display.
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"]
            + list(extra_args), pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(read_end)
        if self.xvfb is not None:  # one server at a time
            self.xvfb.terminate()
            self.xvfb.wait()
        self.xvfb = xvfb
        self.env["DISPLAY"] = ":" + number.decode().strip()
        return self.env["DISPLAY"]

    def stop_all(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()
        if self.xvfb is not None:
            self.xvfb.terminate()
            self.xvfb.wait()

    def x(self, *command, check_rc=True):
        result = subprocess.run(list(command), env=self.env, capture_output=True, timeout=30)
        if check_rc and result.returncode != 0:
            raise Failure("%s failed: %s" % (" ".join(command), result.stderr.decode(errors="replace")))
        return result.stdout

    # ---- the program's window ----
    def find_window(self, process, title, timeout=60):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.x("xdotool", "search", "--name", "^%s$" % re.escape(title), check_rc=False).split()
            if found:
                return found[0].decode()
            if process.poll() is not None:
                raise Failure("the program ended with exit code %d before a window titled %r appeared; "
                              "it wrote: %r" % (process.returncode, title, process.stderr and process.stderr.read()))
            time.sleep(0.1)
        titles = [self.x("xdotool", "getwindowname", w, check_rc=False).decode().rstrip("\n")
                  for w in self.x("xdotool", "search", "--name", ".", check_rc=False).split()]
        raise Failure("no window titled %r appeared in %d s; the windows there are titled %r; "
                      "the program's threads stand at:\n%s" % (title, timeout, titles, stacks(process.pid)))

    def geometry(self, window):
        shell = self.x("xdotool", "getwindowgeometry", "--shell", window).decode()
        values = dict(line.split("=", 1) for line in shell.split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def bring_on_screen(self, window):
        # Without a window manager freeglut's window opens at (-1, -1).
        self.x("xdotool", "windowmove", "--sync", window, "0", "0", check_rc=False)
        # The pointer keeps the window focused. --sync waits for it to move,
        # so it is not asked to move where it already stands.
        if not self.x("xdotool", "getmouselocation").startswith(b"x:100 y:100 "):
            self.x("xdotool", "mousemove", "--sync", "100", "100")
        self.x("xdotool", "windowfocus", "--sync", window, check_rc=False)

    def screenshot(self, window, top_left=False):
        # A window that is not viewable yet (freeglut's, for a moment after
        # it appears) cannot be read: xwd fails with BadMatch. It is asked
        # again for a few seconds; any other failure stands at once.
        deadline = time.monotonic() + SCREENSHOT_TIMEOUT
        while True:
            result = subprocess.run(["xwd", "-id", window, "-silent"], env=self.env, capture_output=True, timeout=30)
            if result.returncode == 0:
                return self.read_image("xwd:-", result.stdout, top_left)
            if b"BadMatch" not in result.stderr or time.monotonic() >= deadline:
                raise Failure("xwd -id %s failed: %s" % (window, result.stderr.decode(errors="replace")))
            time.sleep(0.1)

    def read_image(self, source, data=None, top_left=False):
        """The cells of a 640 x 400 image (an xwd dump on stdin, or a file),
        or of the image's top left 640 x 400 pixels."""
        crop = ["-crop", "640x400+0+0", "+repage"] if top_left else []
        ppm = subprocess.run(["convert", source] + crop + ["ppm:-"], input=data, capture_output=True,
                             check=True).stdout
        # P6, width, height, maximum value; comment lines may stand between.
        header = re.match(rb"P6(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+255\s", ppm)
        check(header is not None, "screenshot is not an 8-bit PPM")
        width, height = int(header.group(1)), int(header.group(2))
        check((width, height) == (640, 400), "screenshot is %dx%d" % (width, height))
        return self.decode(ppm[header.end():], width)

    def decode(self, pixels, width):
        chars, colours, codes = [], [], []
        for row in range(ROWS):
            row_chars, row_colours, row_codes = [], [], []
            for column in range(COLUMNS):
                cell = []
                for line in range(16):
                    start = ((row * 16 + line) * width + column * 8) * 3
                    cell.append([int.from_bytes(pixels[start + 3 * x:start + 3 * x + 3], "big") for x in range(8)])
                # The programs under test print on background colour 0.
                lit = {rgb for line in cell for rgb in line if rgb != 0}
                if not lit:
                    row_chars.append(" ")
                    row_colours.append(None)
                    row_codes.append(32)
                    continue
                if len(lit) != 1 or next(iter(lit)) not in PALETTE:
                    row_chars.append("?")
                    row_colours.append(None)
                    row_codes.append(None)
                    continue
                bitmap = bytes(sum(0x80 >> x for x in range(8) if line[x] != 0) for line in cell)
                code = self.glyph_codes.get(bitmap)
                row_chars.append(chr(code) if code is not None and 32 <= code < 127 else "?")
                row_colours.append(PALETTE.index(next(iter(lit))))
                row_codes.append(code)
            chars.append("".join(row_chars))
            colours.append(row_colours)
            codes.append(row_codes)
        return Screen(chars, colours, codes)

    def wait_for_screen(self, window, predicate, what, timeout=30, top_left=False):
        deadline = time.monotonic() + timeout
        screen = None
        while time.monotonic() < deadline:
            screen = self.screenshot(window, top_left)
            if predicate(screen):
                return screen
            time.sleep(0.2)
        raise Failure("the screen never showed %s; last screen:\n%s" % (what, screen))

    def close_and_wait(self, process, window):
        """Closes the window; the program must end with 0. Gives what it wrote
        on standard error."""
        started = time.monotonic()
        self.x(self.args.close_window, window)
        return expect_exit(process, 0, started, "the close button")

    def title(self, window):
        return self.x("xdotool", "getwindowname", window).decode().rstrip("\n")

    def save_png(self, window, path):
        xwd = self.x("xwd", "-id", window, "-silent")
        subprocess.run(["convert", "xwd:-", "png:" + path], input=xwd, capture_output=True, check=True)

    def start(self, command, cwd=None, preexec_fn=None, stderr=subprocess.PIPE, env_changes=None):
        """Starts a program in the session's environment, with `env_changes`
        for this program alone."""
        process = subprocess.Popen(command, env=dict(self.env, **(env_changes or {})), cwd=cwd or self.args.work,
                                   stdout=subprocess.DEVNULL, stderr=stderr, preexec_fn=preexec_fn)
        self.processes.append(process)
        return process


def row_starts(screen, row_1, text, colour=None):
    if not screen.row(row_1).startswith(text):
        return False
    return colour is None or all(screen.colour(row_1, c + 1) == colour
                                 for c, ch in enumerate(text) if ch != " ")


# ---- cases ----

def case_app_window(session):
    process = session.start([session.args.app])
    window = session.find_window(process, APP_TITLE)
    check(session.geometry(window) == (640, 400), "window is %dx%d" % session.geometry(window))
    session.bring_on_screen(window)
    screen = session.wait_for_screen(
        window, lambda s: row_starts(s, 1, " Torvelin_V1-58", 14), "the banner in colour 14")
    prompt = [r for r in range(1, 26) if "Sky Temperature (K)? " in screen.row(r)]
    check(prompt, "no sky temperature prompt:\n%s" % screen)
    session.x("xdotool", "type", "--delay", "40", "290")
    session.x("xdotool", "key", "--delay", "40", "Up", "F1", "Return")
    session.wait_for_screen(
        window, lambda s: any(s.row(r).rstrip().endswith("Sky Temperature (K)? 290") for r in range(1, 26))
        and any("Earth Temperature (K)? " in s.row(r) for r in range(1, 26)),
        "the typed temperature and the next prompt")
    # Window managers are asked to keep the window at 640 x 400; where the
    # window grows anyway, the page keeps its 8 x 16 pixel cells.
    hints = session.x("xprop", "-id", window, "WM_NORMAL_HINTS").decode()
    check("minimum size: 640 by 400" in hints and "maximum size: 640 by 400" in hints,
          "the window does not ask for a fixed size of 640 x 400:\n%s" % hints)
    # Task bars name and group the window by these.
    properties = session.x("xprop", "-id", window).decode()
    for expected in ('WM_CLASS(STRING) = "torvelin", "Torvelin"',
                     "_NET_WM_PID(CARDINAL) = %d" % process.pid,
                     'WM_CLIENT_MACHINE(STRING) = "%s"' % socket.gethostname(),
                     '_NET_WM_NAME(UTF8_STRING) = "%s"' % APP_TITLE,
                     'WM_ICON_NAME(STRING) = "%s"' % APP_TITLE):
        check(expected in properties, "the window has no %s:\n%s" % (expected, properties))
    session.x("xdotool", "windowsize", "--sync", window, "800", "600")
    session.wait_for_screen(
        window, lambda s: row_starts(s, 1, " Torvelin_V1-58", 14)
        and any(s.row(r).rstrip().endswith("Sky Temperature (K)? 290") for r in range(1, 26)),
        "the same page in the top left corner of a larger window", top_left=True)
    session.close_and_wait(process, window)


def case_keys(session):
    process = session.start([session.args.demo, "keys"])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    screen = session.wait_for_screen(window, lambda s: s.row(3).startswith("Ready"), "Ready")
    check(row_starts(screen, 1, DEMO_TITLE, 14), "row 1 is not the caption in colour 14:\n%s" % screen)
    check(screen.row(2).startswith("123456789ABCDEF"), "row 2 is %r" % screen.row(2))
    for colour in range(1, 16):
        check(screen.colour(2, colour) == colour,
              "row 2 column %d has colour %s, not %d" % (colour, screen.colour(2, colour), colour))
    presses = [  # xdotool key name, the codes the program must see (None: nothing)
        ("a", "97"), ("Up", "0 72"), ("F1", "0 59"), ("Shift_L", None), ("F10", "0 68"), ("F11", "0 133"),
        ("F12", "0 134"), ("Home", "0 71"), ("End", "0 79"), ("Prior", "0 73"), ("Next", "0 81"),
        ("Control_L", None), ("Left", "0 75"), ("Right", "0 77"), ("Down", "0 80"), ("Insert", "0 82"),
        ("Delete", "0 83"), ("Caps_Lock", None), ("Caps_Lock", None), ("Return", "13"), ("Escape", "27"),
        ("BackSpace", "8"), ("Tab", "9"), ("Z", "90"),
    ]
    session.x("xdotool", "key", "--delay", "40", *[name for name, _ in presses])
    expected = ["[%s]" % codes for _, codes in presses if codes is not None]
    screen = session.wait_for_screen(
        window, lambda s: s.row(3 + len(expected)).rstrip() == expected[-1], "every key press")
    got = [screen.row(4 + i).rstrip() for i in range(len(expected) + 1)]
    check(got == expected + [""], "keys arrived as %s, expected %s" % (got, expected))

    session.close_and_wait(process, window)


def wait_for_exit(process, started, after, limit=EXIT_CEILING):
    """Waits for the process to end after `after`, which happened at
    `started`; gives its exit code and standard error."""
    try:
        _, err = process.communicate(timeout=limit + 5)
    except subprocess.TimeoutExpired:
        where = stacks(process.pid)
        process.kill()
        raise Failure("the process did not end after %s; its threads stand at:\n%s" % (after, where))
    elapsed = time.monotonic() - started
    print("ended %.2f s after %s" % (elapsed, after))
    check(elapsed <= limit, "the process took %.2f s to end after %s" % (elapsed, after))
    return process.returncode, (err or b"").decode(errors="replace")  # None: standard error was not ours


def expect_exit(process, code, started, after):
    got, err = wait_for_exit(process, started, after)
    check(got == code, "exit code %d after %s, not %d; stderr: %r" % (got, after, code, err))
    return err


def case_pause_and_break(session):
    process = session.start([session.args.demo, "keys"])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Ready"), "Ready")
    # Pause holds the run and is never queued; the key that ends the hold
    # (Pause again included) is not queued either; Shift alone does not end it.
    for names in (["Pause"], ["a"], ["b"], ["Pause"], ["Pause"], ["c"], ["Pause"], ["shift+Pause"], ["d"]):
        session.x("xdotool", "key", *names)
        time.sleep(0.15)
    screen = session.wait_for_screen(window, lambda s: s.row(6).rstrip() == "[100]", "the key after the holds")
    got = [screen.row(4 + i).rstrip() for i in range(4)]
    check(got == ["[98]", "[99]", "[100]", ""], "after Pause the keys arrived as %s, not [98] [99] [100]" % got)
    # Ctrl+Break (Ctrl and the Pause key) is a stop key, as the close button.
    started = time.monotonic()
    session.x("xdotool", "key", "ctrl+Break")
    expect_exit(process, 0, started, "Ctrl+Break")


def case_close_while_blocked(session):
    fifo = os.path.join(tempfile.mkdtemp(dir=session.args.work), "slow_file")
    os.mkfifo(fifo)
    process = session.start([session.args.demo, "block", fifo])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Blocking"), "Blocking")
    time.sleep(0.3)  # the program's thread is now inside open()
    session.close_and_wait(process, window)


def case_program_ends_itself(session):
    process = session.start([session.args.demo, "halt"])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Halting"), "Halting")
    session.x("xdotool", "key", "space")
    try:
        code = process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("the process did not end when its run ended")
    check(code == 1, "exit code %d after the run ended with 1" % code)


def case_fatal_error(session):
    process = session.start([session.args.demo, "fatal"])
    window = session.find_window(process, "Critical Error #7")
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(1).rstrip() == "Out of memory", "the fatal error's message")
    check(process.poll() is None, "the process ended before the message was dismissed")
    session.x("xdotool", "key", "Return")
    try:
        code = process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("the process did not end after the message was dismissed")
    check(code != 0, "exit code 0 after a fatal error")
    err = process.stderr.read()
    check(b"Critical Error #7" in err and b"Out of memory" in err, "stderr does not name the error: %r" % err)


def case_no_sound_device(session):
    session.env["ALSOFT_DRIVERS"] = "none"  # names no backend, so no device opens
    process = session.start([session.args.app])
    try:
        _, err = process.communicate(timeout=15)
    except subprocess.TimeoutExpired:
        process.kill()
        raise Failure("the program did not end without a sound device")
    check(process.returncode == 111, "exit code %d without a sound device, not 111" % process.returncode)
    check(b"sound device" in err and b"ALSOFT_DRIVERS=null" in err and err.count(b"\n") == 1,
          "no one-line reason with the way to run without sound on stderr: %r" % err)
    check(not session.x("xdotool", "search", "--name", "Torvelin", check_rc=False).split(),
          "a window opened without a sound device")


def read_wave(path):
    """Interleaved 16-bit samples and the rate of a RIFF/WAVE file (also in
    the extensible format the wave writer uses)."""
    with open(path, "rb") as f:
        data = f.read()
    check(data[:4] == b"RIFF" and data[8:12] == b"WAVE", "%s is not a wave file" % path)
    pos, channels, rate, bits, samples = 12, 0, 0, 0, b""
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = data[pos + 8:pos + 8 + size]
        if chunk == b"fmt ":
            _, channels, rate, _, _, bits = struct.unpack("<HHIIHH", body[:16])
        elif chunk == b"data":
            samples = body  # the writer may still have been adding to it
            break
        pos += 8 + size + (size & 1)
    check((channels, bits) == (2, 16), "wave file has %d channels of %d bits" % (channels, bits))
    count = len(samples) // 2
    return struct.unpack("<%dh" % count, samples[:count * 2]), rate


def triangle(phase):
    phase -= int(phase)
    if phase < 0.25:
        return 4 * phase
    if phase < 0.75:
        return 2 - 4 * phase
    return 4 * phase - 4


def use_wave_writer(session, target):
    """The programs started from now on play through OpenAL Soft's wave
    writer, which writes 16-bit stereo at TONE_RATE into `target` (a file it
    makes anew, or a FIFO) from the moment the device opens."""
    config = os.path.join(session.args.work, "wave-writer.conf")
    with open(config, "w") as f:
        f.write("[general]\ndrivers = wave\nfrequency = %d\nchannels = stereo\nsample-type = int16\n"
                "dither = false\nhrtf = false\n[wave]\nfile = %s\n" % (TONE_RATE, target))
    session.env.pop("ALSOFT_DRIVERS", None)
    session.env["ALSOFT_CONF"] = config


def case_beep_through_wave_writer(session):
    wave_file = os.path.join(session.args.work, "beep.wav")
    if os.path.exists(wave_file):
        os.remove(wave_file)
    use_wave_writer(session, wave_file)
    process = session.start([session.args.demo, "beep"])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Beeped"), "Beeped")
    time.sleep(0.3)
    session.close_and_wait(process, window)

    samples, rate = read_wave(wave_file)
    check(rate == TONE_RATE, "the wave writer ran at %d Hz" % rate)
    left, right = samples[0::2], samples[1::2]
    check(left == right, "the two channels differ")
    sounding = [i for i, v in enumerate(left) if v != 0]
    check(sounding, "the wave file holds silence only")
    first, last = sounding[0], sounding[-1]
    # The tone starts at 0 rising and stops at its last rising zero crossing:
    # a whole number of periods, just under 0.2 s.
    start = first - 1
    length = last + 1 - start
    periods = length * TONE_HZ / TONE_RATE
    check(abs(periods - round(periods)) < 0.05 and round(periods) == int(0.2 * TONE_HZ),
          "the tone lasts %.3f periods" % periods)
    check(left[first] > 0, "the tone does not start rising")
    worst = max(abs(left[start + i] - 32767 * triangle(i * TONE_HZ / TONE_RATE)) for i in range(length))
    check(worst <= 0.01 * 32767, "the samples stray %d from a 783.99 Hz triangle of amplitude 32767" % worst)
    check(max(left) > 32000 and min(left) < -32000, "the tone does not reach its peaks")
    check(all(v == 0 for v in left[last + 1:]), "sound after the tone")


# ---- the calculator's run, typed as a person would ----

SKY_PROMPT = " Enter   Sky Temperature (K)? "
EARTH_PROMPT = " Enter Earth Temperature (K)? "
FILE_PROMPT = (" Close Torvelin by clicking (x) in frame or", " Enter FFTab's file name  _ _ _ .txt? ")
PRESS_ANY_KEY = " Press any key to continue!"
CLOSE_KEY = " Press any key to close the windows!"
NOT_FOUND = (" The FF Table file has not been found!",)
FORMAT = (" The FF Table file is not in accordance with the right format",
          " (number of lines and/or content of lines).")
NOTICE_A = (" The FF Table file is not in accordance with the right format",
            " (due to wrong number of lines and/or wrong content of lines",
            " and/or not organized as Azimuth slices).")
TITLES = " Alpha (deg.)  T_pattern (K)   T_loss (K)      T_total (K)     G/Ta (dB)"
FILE_TITLE = "Torvelin v1.58         FFTab: %s"
# A table's 2-second wait and two passes; far longer in the sanitizer build.
PASS_TIMEOUT = 120


def write_table(path, field, max_lines=None):
    """A far-field table file: 9 free lines, then per polar angle 180 down to
    0 three header lines and 361 data lines (azimuth in columns 1-3, the
    10-column gain field field(theta, azimuth) in columns 26-35)."""
    lines = ["free line %d" % i for i in range(1, 10)]
    for theta in range(180, -1, -1):
        lines += ["Theta [deg.] = %d" % theta, "Azimuth [deg.]  Theta [deg.]  Abs(Gain)[dBi]", "-" * 48]
        lines += ["%3d%8d.000%10s%s" % (azimuth, theta, "", field(theta, azimuth)) for azimuth in range(361)]
    if max_lines is not None:
        lines = lines[:max_lines]
    with open(path, "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))
    return path


def headless_screens(session, keys, indices):
    """The headless host's screens for the same keys: {index: (Screen, cursor
    cell or None)} and the run's exit code."""
    result = subprocess.run([session.args.headless, keys] + [str(i) for i in indices],
                            cwd=os.path.dirname(session.args.app), capture_output=True, timeout=900)
    check(result.returncode == 0, "the headless reference failed: %s" % result.stderr.decode(errors="replace"))
    lines = result.stdout.decode().split("\n")
    screens, at = {}, 0
    for index in indices:
        check(lines[at] == "screen %d" % index, "unexpected reference line %r" % lines[at])
        row, column = (int(v) for v in lines[at + 1].split()[1:])
        chars = lines[at + 2:at + 2 + ROWS]
        colours = [[None if c == "." else int(c, 16) for c in line] for line in lines[at + 2 + ROWS:at + 2 + 2 * ROWS]]
        screens[index] = (Screen(chars, colours), (row, column) if row else None)
        at += 2 + 2 * ROWS
    check(lines[at].startswith("exit "), "unexpected reference line %r" % lines[at])
    return screens, int(lines[at].split()[1])


def mismatches(got, want, cursor):
    """The cells (row, column) whose character or colour differ; the cell
    under the blinking cursor is left out."""
    return [(r, c) for r in range(1, ROWS + 1) for c in range(1, COLUMNS + 1)
            if (r, c) != cursor and (got.row(r)[c - 1] != want.row(r)[c - 1] or got.colour(r, c) != want.colour(r, c))]


class TypedRun:
    """One run of the real program, typed step by step. After each step the
    window must come to show, cell for cell, the screen at which the headless
    host asked for the next key after the same keys."""

    def __init__(self, session, steps):
        self.session, self.steps = session, steps   # steps: (keys, seconds to wait for the screen)
        self.ends, typed = [], ""
        for keys, _ in steps:
            typed += keys
            self.ends.append(len(typed))
        self.reference, self.reference_exit = headless_screens(session, typed, self.ends)
        self.process = session.start([session.args.app])
        self.window = session.find_window(self.process, APP_TITLE)
        session.bring_on_screen(self.window)
        self.done = 0

    def next(self):
        keys, timeout = self.steps[self.done]
        want, cursor = self.reference[self.ends[self.done]]
        self.done += 1
        if keys:
            self.session.x("xdotool", "type", "--delay", "30", keys)
        deadline = time.monotonic() + timeout
        while True:
            got = self.session.screenshot(self.window)
            wrong = mismatches(got, want, cursor)
            if not wrong:
                if cursor is not None:  # the blinking cursor's cell as it stands beneath
                    r, c = cursor
                    got.chars[r - 1] = got.chars[r - 1][:c - 1] + want.row(r)[c - 1] + got.chars[r - 1][c:]
                    got.colours[r - 1][c - 1] = want.colour(r, c)
                return got
            if time.monotonic() > deadline:
                raise Failure("after typing %r the window differs from the headless screen in %d cells, "
                              "first (row, column) %s\nwindow:\n%s\nheadless:\n%s"
                              % (keys, len(wrong), wrong[0], got, want))
            time.sleep(0.2)


def row_is(screen, row_1, text, colour=None):
    return screen.row(row_1).rstrip() == text.rstrip() and row_starts(screen, row_1, text, colour)


def expect_notice(screen, message, key_prompt=PRESS_ANY_KEY):
    """A notice below the typed name: an empty row, the message in colour
    12, an empty row and the key prompt in colour 9."""
    first = [r for r in range(2, ROWS - len(message)) if row_is(screen, r, message[0], 12)]
    check(first, "no notice %r:\n%s" % (message[0], screen))
    row = first[0]
    check(not screen.row(row - 1).strip(), "the row above the notice is not empty:\n%s" % screen)
    for line in message:
        check(row_is(screen, row, line, 12), "row %d is not %r in colour 12:\n%s" % (row, line, screen))
        row += 1
    check(not screen.row(row).strip() and row_is(screen, row + 1, key_prompt, 9),
          "no empty row and %r in colour 9 below the notice:\n%s" % (key_prompt, screen))


def expect_file_prompt_alone(screen):
    check(row_is(screen, 1, FILE_PROMPT[0]) and row_is(screen, 2, FILE_PROMPT[1])
          and not any(screen.row(r).strip() for r in range(3, ROWS + 1)),
          "the file prompt does not stand alone on a cleared screen:\n%s" % screen)


def expect_table_rows(screen, tails):
    """Rows 5 to 23: alpha 0, 5, ..., 90 and the rest of the row (tails[alpha]),
    in colour 14, the row of alpha 30 in colour 12."""
    for i, alpha in enumerate(range(0, 91, 5)):
        check(row_is(screen, 5 + i, "      %2d%s" % (alpha, tails[alpha]), 12 if alpha == 30 else 14),
              "row %d is not the row of alpha %d %r:\n%s" % (5 + i, alpha, tails[alpha], screen))


def case_dialogue_and_refused_files(session):
    work = session.args.work
    layout = os.path.join(work, "layout.txt")
    with open(layout, "w", newline="") as f:  # line 11 in lower case
        f.write("".join("free %d\r\n" % i for i in range(1, 11)) + "azimuth  theta  gain\r\n\r\n"
                "  0                        -3.50\r\n  1                        -3.50\r\n")
    empty = os.path.join(work, "empty.txt")
    open(empty, "w").close()
    cut = write_table(os.path.join(work, "cut.txt"), lambda theta, azimuth: "      0.00", max_lines=1000)
    run = TypedRun(session, [
        ("", 15), ("10\r", 10), ("290\r", 10), ("no_such_table.txt\r", 10),
        ("x" + layout + "\r", 10), ("x" + empty + "\r", 10), ("x" + cut + "\r", PASS_TIMEOUT), ("x", 10)])

    screen = run.next()
    check(row_is(screen, 1, " Torvelin_V1-58", 14), "row 1 is not the banner in colour 14:\n%s" % screen)
    credit = screen.row(2).rstrip()
    check(len(credit) == 70 and credit[0] == " " and credit[1] != " " and row_starts(screen, 2, credit, 7),
          "row 2 is not a 70-character credit line in colour 7:\n%s" % screen)
    check(not screen.row(3).strip() and row_is(screen, 4, SKY_PROMPT, 7), "no sky prompt on row 4:\n%s" % screen)

    screen = run.next()
    check(row_is(screen, 4, SKY_PROMPT + "10") and row_is(screen, 5, EARTH_PROMPT),
          "the sky temperature is not followed by the earth prompt:\n%s" % screen)
    screen = run.next()
    check(row_is(screen, 5, EARTH_PROMPT + "290") and not screen.row(6).strip()
          and row_is(screen, 7, FILE_PROMPT[0]) and row_is(screen, 8, FILE_PROMPT[1]),
          "the earth temperature is not followed by the file prompt:\n%s" % screen)
    screen = run.next()
    check(row_is(screen, 8, FILE_PROMPT[1] + "no_such_table.txt"), "the name is not echoed:\n%s" % screen)
    expect_notice(screen, NOT_FOUND)
    check(row_is(screen, 10, NOT_FOUND[0]), "the notice is not on row 10:\n%s" % screen)
    expect_notice(run.next(), NOTICE_A)
    expect_notice(run.next(), FORMAT)    # an empty file
    screen = run.next()                  # a table that ends inside its third slice
    check(any(row_is(screen, r, " theta = 180 degrees ...", 7) for r in range(1, ROWS + 1)),
          "no progress line for polar angle 180:\n%s" % screen)
    expect_notice(screen, FORMAT)
    check(session.title(run.window) == FILE_TITLE % cut, "the title is %r" % session.title(run.window))
    expect_file_prompt_alone(run.next())
    session.close_and_wait(run.process, run.window)  # closed at the file prompt


ISOTROPIC_ROW = "             150.000     +  0.007   +      150.004       -21.761"


def case_results_screens(session):
    run = TypedRun(session, [("", 15), ("10\r290\r", 10), ("isotropic.txt\r", PASS_TIMEOUT),
                             ("xhorizon_beam.txt\r", PASS_TIMEOUT)])
    run.next()
    run.next()
    screen = run.next()
    check(row_is(screen, 1, " Average Gain (AG, caution: rounded display!) = 1.000 (/) = -0.00 dBi", 15)
          and row_is(screen, 2, " Max Gain = + 0.00 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)", 15)
          and row_is(screen, 3, "  T_sky =        10.00 K                               T_earth =       290.00 K", 9)
          and row_is(screen, 4, TITLES, 14), "the summary of isotropic.txt is wrong:\n%s" % screen)
    expect_table_rows(screen, {alpha: ISOTROPIC_ROW for alpha in range(0, 91, 5)})
    check(not screen.row(24).strip() and row_is(screen, 25, " Press any key to continue", 9),
          "rows 24 and 25 are wrong:\n%s" % screen)
    check(session.title(run.window) == FILE_TITLE % "isotropic.txt", "the title is %r" % session.title(run.window))

    screen = run.next()  # the second table of the run
    check(row_is(screen, 2, " Max Gain = +16.23 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)", 15)
          and row_is(screen, 5, "       0             150.000     -  0.003   +      149.999       - 5.531", 14)
          and row_is(screen, 14, "      45              10.029     -  0.003   +       10.027       + 6.218", 14),
          "the results of horizon_beam.txt are wrong:\n%s" % screen)
    check(session.title(run.window) == FILE_TITLE % "horizon_beam.txt", "the title is %r" % session.title(run.window))
    session.save_png(run.window, os.path.join(session.args.work, "results-screen.png"))
    session.close_and_wait(run.process, run.window)  # closed on the results screen


def wait_for_title(session, window, title, timeout=20):
    deadline = time.monotonic() + timeout
    while session.title(window) != title:
        check(time.monotonic() < deadline, "the title is %r, not %r" % (session.title(window), title))
        time.sleep(0.05)


def run_to_second_pass_wait(session):
    """A typed run of horizon_beam.txt, in the 2-second wait of its second
    pass (the title names the file)."""
    run = TypedRun(session, [("", 15), ("10\r290\r", 10)])
    run.next()
    run.next()
    session.x("xdotool", "type", "--delay", "30", "horizon_beam.txt\r")
    wait_for_title(session, run.window, FILE_TITLE % "horizon_beam.txt")
    return run


def second_pass_shown(screen):
    """The second pass has begun: a progress line of it, or its results."""
    return any("degrees ..." in screen.row(r) or row_is(screen, r, TITLES) for r in range(1, ROWS + 1))


# How many runs a case makes whose keys must come during the second pass's
# wait, should the wait have ended before them.
WAIT_ATTEMPTS = 3


def keys_into_second_pass_wait(session, keys):
    """A typed run of horizon_beam.txt, `keys` pressed in the 2-second wait of
    its second pass. A screenshot right after them must show the wait still
    running: on a busy machine it may have ended before they came, and such
    a run tests nothing; it is made again a few times."""
    for attempt in range(1, WAIT_ATTEMPTS + 1):
        run = run_to_second_pass_wait(session)
        session.x("xdotool", "key", "--delay", "0", *keys)
        screen = session.screenshot(run.window)
        if not second_pass_shown(screen):
            return run
        print("run %d of %d: the second pass had begun when the keys %s came; run again"
              % (attempt, WAIT_ATTEMPTS, " ".join(keys)))
        run.process.kill()
        run.process.wait()
    raise Failure("in each of %d runs the second pass had begun when the keys %s came, which were to come during "
                  "its wait: the hold was never tested" % (WAIT_ATTEMPTS, " ".join(keys)))


def start_at_sky_prompt(session, **start_options):
    process = session.start([session.args.app], **start_options)
    window = session.find_window(process, APP_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: row_is(s, 4, SKY_PROMPT), "the sky temperature prompt")
    return process, window


def case_close_during_waits(session):
    # The blank screen of the first 2 seconds.
    started = time.monotonic()
    process = session.start([session.args.app])
    window = session.find_window(process, APP_TITLE)
    session.bring_on_screen(window)
    screen = session.screenshot(window)
    if time.monotonic() - started < 1.5:
        check(not any(screen.row(r).strip() for r in range(1, ROWS + 1)), "the screen is not blank:\n%s" % screen)
    session.close_and_wait(process, window)

    # The 2-second wait of the second pass, once the title names the file.
    run = run_to_second_pass_wait(session)
    session.close_and_wait(run.process, run.window)


def case_closing_path(session):
    table = write_table(os.path.join(session.args.work, "all_zero.txt"), lambda theta, azimuth: "    -1e300")
    run = TypedRun(session, [("", 15), ("10\r290\r" + table + "\r", PASS_TIMEOUT)])
    run.next()
    screen = run.next()
    rows = [r for r in range(1, ROWS - 1) if re.fullmatch(r"Error 5 at line [1-9][0-9]*", screen.row(r).rstrip())]
    check(rows, "no error row of error 5:\n%s" % screen)
    row = rows[0]
    check(row_starts(screen, row, screen.row(row).rstrip(), 12), "the error row is not in colour 12")
    check(row_is(screen, row - 1, " theta =  30 degrees ...") and not screen.row(row + 1).strip()
          and row_is(screen, row + 2, CLOSE_KEY, 9), "the closing path's rows are wrong:\n%s" % screen)
    check(run.reference_exit == 1, "the headless run ended with %d" % run.reference_exit)
    started = time.monotonic()
    session.x("xdotool", "key", "x")
    expect_exit(run.process, 1, started, "the key of the closing path")


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return int(re.search(r"VmRSS:\s+(\d+) kB", f.read()).group(1))


def case_endless_line(session):
    run = TypedRun(session, [("", 15), ("10\r290\r", 10)])
    run.next()
    run.next()
    session.x("xdotool", "type", "--delay", "30", "/dev/zero\r")
    time.sleep(1.0)  # the first pass is now reading its first line, which never ends
    first = resident_kib(run.process.pid)
    time.sleep(3.0)  # some GiB of NUL bytes later
    last = resident_kib(run.process.pid)
    check(run.process.poll() is None, "the program ended while reading /dev/zero")
    check(last - first < 32 * 1024, "resident memory grew from %d KiB to %d KiB" % (first, last))
    session.close_and_wait(run.process, run.window)


def case_headless_demo(session):
    # The start command's run where there is no display, with a sound
    # backend that opens no device: the script must fall back to the null one.
    png = os.path.join(session.args.work, "demo.png")
    if os.path.exists(png):
        os.remove(png)
    env = dict(session.env)
    env.pop("DISPLAY")
    env["ALSOFT_DRIVERS"] = "none"
    script = os.path.join(session.args.source, "scripts", "headless_demo.sh")
    result = subprocess.run(["bash", script, session.args.app, png], env=env, capture_output=True, timeout=300)
    check(result.returncode == 0, "the demo ended with %d: %s" % (result.returncode, result.stderr.decode(errors="replace")))
    check(png.encode() in result.stdout, "the demo does not say where the PNG is: %r" % result.stdout)
    check(b"ended with" not in result.stderr, "the program did not end cleanly: %r" % result.stderr)
    screen = session.read_image(png)  # also checks 640 x 400
    check(row_is(screen, 2, " Max Gain = +16.23 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)", 15)
          and row_is(screen, 3, "  T_sky =        10.00 K                               T_earth =       290.00 K", 9)
          and row_is(screen, 11, "      30              11.819     -  0.003   +       11.817       + 5.505", 12)
          and row_is(screen, 25, " Press any key to continue", 9),
          "the PNG is not the results screen of horizon_beam.txt:\n%s" % screen)


def process_cpu_seconds(pid):
    """User and system time of a process, all its threads, in seconds."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


IDLE_SECONDS = 10.0
# Waiting at a prompt, the window draws a frame only when the line input's
# cursor changes its phase, twice a second: 20 frames in 10 s. A busy
# machine delays a frame but adds none, and loses one only when it keeps
# the program from running for half a second; a window that redrew at
# every look for changes (30 a second) would draw about 300.
IDLE_FRAMES = (10, 40)
# A loose ceiling on the processor share of that wait (about 1% on a quiet
# machine), which only a runaway breaks.
IDLE_CPU_LIMIT = 0.10


def case_idle_cost_and_break(session):
    process, window = start_at_sky_prompt(session)
    time.sleep(1.0)
    counter = subprocess.Popen([session.args.count_frames, window, str(IDLE_SECONDS)], env=session.env,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    before, started = process_cpu_seconds(process.pid), time.monotonic()
    time.sleep(IDLE_SECONDS)
    used = (process_cpu_seconds(process.pid) - before) / (time.monotonic() - started)
    try:
        out, err = counter.communicate(timeout=IDLE_SECONDS + 30)
    except subprocess.TimeoutExpired:
        counter.kill()
        raise Failure("count_frames did not end")
    check(counter.returncode == 0, "count_frames failed: %s" % err.decode(errors="replace"))
    frames = int(out)
    print("waiting at a prompt for %.0f s: %d frames, %.1f%% of one processor" % (IDLE_SECONDS, frames, 100 * used))
    check(IDLE_FRAMES[0] <= frames <= IDLE_FRAMES[1], "waiting at a prompt for %.0f s drew %d frames, not %d to %d"
          % (IDLE_SECONDS, frames, IDLE_FRAMES[0], IDLE_FRAMES[1]))
    check(used <= IDLE_CPU_LIMIT, "waiting at a prompt takes %.1f%% of a processor, more than %.0f%%"
          % (100 * used, 100 * IDLE_CPU_LIMIT))
    started = time.monotonic()
    session.x("xdotool", "key", "ctrl+Break")
    expect_exit(process, 0, started, "Ctrl+Break at the prompt")


def voluntary_switches(pid, thread):
    """How many times a thread has gone to sleep (and woken) so far."""
    with open("/proc/%d/task/%d/status" % (pid, thread)) as f:
        return int(re.search(r"voluntary_ctxt_switches:\s+(\d+)", f.read()).group(1))


MOTION_SECONDS = 5.0


def case_pointer_motion(session):
    # The program has no use for the pointer: a pointer moving over the
    # window, about 200 motions a second, must not wake the window thread
    # (the main one) for each. The cursor's blink alone wakes it about twice
    # a second, a frame some times more.
    process, window = start_at_sky_prompt(session)
    time.sleep(1.0)
    pid = process.pid
    with x_connection(session) as (lib, display):
        cpu, wakes, started = process_cpu_seconds(pid), voluntary_switches(pid, pid), time.monotonic()
        motions = 0
        while time.monotonic() - started < MOTION_SECONDS:
            x, y = ((100, 100), (300, 200))[motions % 2]  # inside the window, by turns
            lib.XWarpPointer(display, 0, int(window), 0, 0, 0, 0, x, y)
            lib.XFlush(display)
            motions += 1
            time.sleep(0.005)
        lib.XSync(display, False)
        time.sleep(0.2)  # the last motions reach the program
        elapsed = time.monotonic() - started
        used = (process_cpu_seconds(pid) - cpu) / elapsed
        wakes = voluntary_switches(pid, pid) - wakes
    print("%d pointer motions over the window in %.1f s: the window thread woke %d times and took %.1f%% of one "
          "processor" % (motions, elapsed, wakes, 100 * used))
    check(wakes < motions / 4, "the window thread woke %d times for %d pointer motions" % (wakes, motions))
    check(used <= IDLE_CPU_LIMIT, "with the pointer moving over the window the program takes %.1f%% of a processor, "
          "more than %.0f%%" % (100 * used, 100 * IDLE_CPU_LIMIT))
    session.close_and_wait(process, window)


KEY_PRESSES = 80
# A loose ceiling on the median time from a key press to the frame that
# shows it (a few ms on a quiet machine), which only a runaway breaks.
KEY_LATENCY_CEILING_MS = 250.0


def case_key_latency(session):
    # Alternately a and BackSpace into the file prompt's entry, each timed
    # from its press to the frame that echoes it.
    process, window = start_at_file_prompt(session)
    try:
        result = subprocess.run([session.args.key_latency, window, str(KEY_PRESSES)], env=session.env,
                                capture_output=True, timeout=KEY_PRESSES * 7 + 30)
    except subprocess.TimeoutExpired:
        raise Failure("measure_key_latency did not end")
    figures = result.stdout.decode().strip()
    print("key to frame: %s" % figures)
    check(result.returncode == 0,
          "measure_key_latency failed (%s): %s" % (figures, result.stderr.decode(errors="replace")))
    median = float(re.search(r"median ([0-9.]+)", figures).group(1))
    check(median <= KEY_LATENCY_CEILING_MS, "a key press takes a median %.1f ms to show, more than %.0f ms"
          % (median, KEY_LATENCY_CEILING_MS))
    wait_for_entry(session, window, process, b"", "the entry empty again after %d presses" % KEY_PRESSES)
    session.close_and_wait(process, window)


def case_window_destroyed(session):
    process, window = start_at_sky_prompt(session)
    started = time.monotonic()
    session.x("xdotool", "windowclose", window)  # destroys it, without a close request
    err = expect_exit(process, 0, started, "the window was destroyed")
    check(not err, "the program wrote %r" % err)


def case_pause_hold(session):
    # Pause during the second pass's 2-second wait holds it for as long.
    run = keys_into_second_pass_wait(session, ["Pause"])
    time.sleep(5.0)
    screen = session.screenshot(run.window)
    check(not second_pass_shown(screen), "the run went on during the hold:\n%s" % screen)
    # A key ends the hold; it is not queued, so the results screen stays.
    session.x("xdotool", "key", "x")
    session.wait_for_screen(run.window, lambda s: row_is(s, 4, TITLES, 14), "the results screen", PASS_TIMEOUT)
    time.sleep(1.5)
    screen = session.screenshot(run.window)
    check(row_is(screen, 4, TITLES, 14) and row_is(screen, 25, " Press any key to continue", 9),
          "the key that ended the hold also dismissed the results screen:\n%s" % screen)
    # A stop key ends the run at once during a hold.
    session.x("xdotool", "key", "Pause")
    time.sleep(0.3)
    started = time.monotonic()
    session.x("xdotool", "key", "ctrl+Break")
    expect_exit(run.process, 0, started, "Ctrl+Break during a hold")


def case_typed_names(session):
    # A table whose UTF-8 name holds a letter beyond ASCII.
    with open(os.path.join(os.path.dirname(session.args.app), "isotropic.txt"), "rb") as f:
        table = f.read()
    folder = os.path.join(session.args.work, "tables")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "caf\u00e9.txt")
    with open(path, "wb") as f:
        f.write(table)
    add_layout_keys(session)  # an é key
    process, window = start_at_file_prompt(session)

    # Control characters typed into a name are drawn as their glyphs.
    session.x("xdotool", "key", "--delay", "40", "ctrl+a", "ctrl+b", "ctrl+v")
    column = len(FILE_PROMPT[1]) + 1
    screen = session.wait_for_screen(window, lambda s: s.code(8, column + 2) == 22, "the third control character")
    codes = [screen.code(8, column + i) for i in range(3)]
    check(codes == [1, 2, 22], "Ctrl+A, Ctrl+B, Ctrl+V show the glyphs of %s, not of 1, 2, 22" % codes)
    session.x("xdotool", "key", "Return")
    screen = session.wait_for_screen(window, lambda s: any(row_is(s, r, PRESS_ANY_KEY, 9) for r in range(9, ROWS)),
                                     "the notice of the name")
    expect_notice(screen, NOT_FOUND)
    session.x("xdotool", "key", "x")
    session.wait_for_screen(window, lambda s: row_is(s, 2, FILE_PROMPT[1]), "the file prompt again")

    # The name typed as a person would: é is shown as its glyph, and the
    # file of the UTF-8 name opens.
    session.x("xdotool", "type", "--delay", "40", folder + "/caf\u00e9.txt")

    def echoed(screen, index):  # the code of the name's index-th character, on rows 2 and on
        at = len(FILE_PROMPT[1]) + index
        return screen.code(2 + at // COLUMNS, 1 + at % COLUMNS)
    e_acute = len(folder) + 4
    screen = session.wait_for_screen(window, lambda s: echoed(s, e_acute + 4) == ord("t"), "the typed name")
    check(echoed(screen, e_acute) == 130,
          "é is shown as the glyph of %s, not of 130:\n%s" % (echoed(screen, e_acute), screen))
    session.x("xdotool", "key", "Return")
    title = FILE_TITLE % path
    wait_for_title(session, window, title)
    properties = session.x("xprop", "-id", window, "_NET_WM_NAME", "WM_ICON_NAME").decode()
    check(('_NET_WM_NAME(UTF8_STRING) = "%s"' % title) in properties and title in properties.split("WM_ICON_NAME", 1)[1],
          "the window's names do not follow the title:\n%s" % properties)
    session.wait_for_screen(window, lambda s: row_is(s, 4, TITLES, 14) and row_is(s, 5, "       0" + ISOTROPIC_ROW),
                            "the results screen of the table", PASS_TIMEOUT)
    session.close_and_wait(process, window)


def case_no_display(session):
    # Without a display, and with one that cannot be reached: one line that
    # names the display and the command that runs without one.
    for display in (None, ":%d" % (1000 + os.getpid() % 1000)):
        env = dict(session.env)
        env.pop("DISPLAY")
        if display is not None:
            env["DISPLAY"] = display
        result = subprocess.run([session.args.app], env=env, capture_output=True, timeout=30)
        err = result.stderr.decode(errors="replace")
        check(result.returncode != 0, "exit code 0 without a display")
        check(not result.stdout, "the program wrote %r to standard output" % result.stdout)
        check(err.count("\n") == 1 and err.endswith("\n"), "standard error is not one line: %r" % err)
        check(("\"%s\"" % (display or "")) in err and "scripts/start.sh" in err,
              "the line does not name the display and the start command: %r" % err)


# ---- the keyboard as one ordered stream, through an input method ----

# Keys that keyboard layouts have and Xvfb's does not, put on free key codes
# as a layout would, so that xdotool presses them without remapping a key
# for each press (which the program may read after the map changed back).
EXTRA_KEYS = {93: "dead_acute", 97: "dead_diaeresis", 103: "Multi_key", 120: "Greek_omega Greek_OMEGA",
              132: "EuroSign", 149: "eacute Eacute", 154: "Greek_beta Greek_BETA", 168: "Greek_mu Greek_MU",
              178: "U2126"}


def add_layout_keys(session):
    session.x("xmodmap", *[arg for code, syms in EXTRA_KEYS.items() for arg in ("-e", "keycode %d = %s" % (code, syms))])


def entry_is(screen, row_1, text):
    """Row row_1 holds the text of a line input, then at most its blinking
    cursor (drawn over the cell after the text, read as "?")."""
    row = screen.row(row_1)
    return row.startswith(text) and row[len(text):].strip() in ("", "?")


def demo_rows(screen, count):
    """The key rows of the window test program, from row 4 on."""
    return [screen.row(4 + i).rstrip() for i in range(count)]


def start_demo_keys(session):
    process = session.start([session.args.demo, "keys"])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Ready"), "Ready")
    return process, window


def start_at_file_prompt(session):
    process, window = start_at_sky_prompt(session)
    session.x("xdotool", "type", "--delay", "30", "10\r290\r")
    session.wait_for_screen(window, lambda s: row_is(s, 8, FILE_PROMPT[1]), "the file prompt")
    return process, window


def entry_codes(screen, row_1=8):
    """The character codes of the file prompt's entry on row row_1 (and on the
    rows below, where a long one goes on), up to its last character; the
    blinking cursor after it (no glyph) is left out."""
    codes = screen.codes[row_1 - 1][len(FILE_PROMPT[1]):] + [code for row in screen.codes[row_1:] for code in row]
    while codes and codes[-1] == 32:
        codes = codes[:-1]
    return codes[:-1] if codes and codes[-1] is None else codes


def wait_for_entry(session, window, process, codes, what, timeout=10):
    """Waits for the file prompt's entry on row 8 to hold the characters of
    `codes` (code page 437) and nothing else, and for it to stay so a moment
    longer; fails with the codes it holds instead, or when the program ends."""
    codes, deadline, screen = list(codes), time.monotonic() + timeout, None
    while True:
        if process.poll() is not None:
            code = process.returncode
            raise Failure("the program ended with exit code %d%s while the entry should come to show %s; it wrote %r"
                          % (code, " (%s)" % signal.Signals(-code).name if code < 0 else "", what,
                             process.stderr.read()))
        screen = session.screenshot(window)
        if entry_codes(screen) == codes:
            time.sleep(0.3)  # nothing more comes
            screen = session.screenshot(window)
            if entry_codes(screen) == codes:
                return screen
        if time.monotonic() > deadline:
            raise Failure("the entry holds the glyphs of %s, not %s (%s):\n%s"
                          % (entry_codes(screen), codes, what, screen))
        time.sleep(0.2)


def case_ordered_keys(session):
    # A key typed right before Pause is queued, and the Pause after it holds
    # the run; the next key ends the hold and is not queued.
    process, window = start_at_file_prompt(session)
    for _ in range(20):
        session.x("xdotool", "key", "--delay", "0", "a", "Pause")
        session.x("xdotool", "key", "b")
    entry = FILE_PROMPT[1] + "a" * 20
    session.wait_for_screen(window, lambda s: entry_is(s, 8, entry), "the entry of 20 a", timeout=10)
    time.sleep(0.5)
    screen = session.screenshot(window)
    check(entry_is(screen, 8, entry), "the entry is %r, not 20 a:\n%s" % (screen.row(8), screen))
    session.close_and_wait(process, window)


def case_pause_held_down(session):
    add_layout_keys(session)
    process, window = start_demo_keys(session)
    # Pause held down is one press, however long the keyboard repeats it:
    # the run is held, so x ends the hold and only y is queued.
    for seconds in (0.8, 1.0, 2.0):
        session.x("xdotool", "keydown", "Pause")
        time.sleep(seconds)
        session.x("xdotool", "keyup", "Pause")
        session.x("xdotool", "key", "--delay", "40", "x", "y")
    # A key that types nothing (the euro sign, which code page 437 lacks)
    # ends a hold too; Shift alone does not.
    session.x("xdotool", "key", "--delay", "40", "Pause", "Shift_L", "EuroSign", "q")
    expected = ["[121]"] * 3 + ["[113]"]
    screen = session.wait_for_screen(window, lambda s: demo_rows(s, 4)[-1] == "[113]", "the key after the holds")
    time.sleep(0.3)
    screen = session.screenshot(window)
    check(demo_rows(screen, 5) == expected + [""], "the keys arrived as %s, not %s" % (demo_rows(screen, 5), expected))
    session.close_and_wait(process, window)


def case_typed_ahead_hold(session):
    # Keys typed while the run is busy (the second pass's 2-second wait) and
    # then a Pause: the run is held, the keys wait in the queue, and after
    # the key that ends the hold they act in their order.
    run = keys_into_second_pass_wait(session, ["x", "i", "s", "o", "Pause"])
    time.sleep(4.0)
    screen = session.screenshot(run.window)
    check(not second_pass_shown(screen), "the run went on during the hold:\n%s" % screen)
    session.x("xdotool", "key", "q")
    # The results screen comes, x dismisses it, and "iso" stands in the entry
    # of the next file prompt; q is not queued.
    screen = session.wait_for_screen(run.window, lambda s: row_is(s, 2, FILE_PROMPT[1] + "iso"),
                                     "the typed-ahead keys at the next file prompt", PASS_TIMEOUT)
    check(row_is(screen, 1, FILE_PROMPT[0]), "the next file prompt is not on rows 1 and 2:\n%s" % screen)
    session.close_and_wait(run.process, run.window)


def case_dead_keys_and_compose(session):
    add_layout_keys(session)
    # In a UTF-8 locale, and with no locale set at all (the C locale).
    for locale in ({"LANG": "C.UTF-8"}, {}):
        use_locale(session, locale)
        process, window = start_at_file_prompt(session)
        session.x("xdotool", "key", "--delay", "40", "dead_acute", "e", "dead_diaeresis", "u",
                  "Multi_key", "apostrophe", "a", "Greek_OMEGA")
        wait_for_entry(session, window, process, [130, 129, 160, 234], "\u00e9 \u00fc \u00e1 \u03a9 with %s"
                       % (locale or "no locale"))
        session.close_and_wait(process, window)


# Of the ten é typed through a spare key code, how many must arrive. A
# client reads a key's symbol from the keyboard map as it stands when the key
# is read, and xdotool takes the binding back about 3 ms after the press (at
# --delay 12): a window that looked at its keys only every 16 ms got 1 to 3
# of them; one that reads each key as it comes gets all ten on a quiet
# machine, and now and then misses one when every processor is busy (so
# does any X client there: a bare Xlib client missed 1 to 3 in 100).
SCRATCH_TRIES, SCRATCH_INTACT = 10, 8


def case_scratch_bound_characters(session):
    # A character that the keyboard map lacks: xdotool binds it to a spare
    # key code for the moment of its press and takes the binding back right
    # after, so the key must be looked up while the binding stands.
    process, window = start_at_file_prompt(session)
    for _ in range(SCRATCH_TRIES):
        session.x("xdotool", "type", "--delay", "12", "caf\u00e9")
    words = re.compile(r"(caf\u00e9?){%d}" % SCRATCH_TRIES)

    def entry():
        codes = entry_codes(session.screenshot(window))
        return bytes(code if code is not None else ord("?") for code in codes).decode("cp437")
    deadline, typed = time.monotonic() + 10, ""
    while not words.fullmatch(typed):
        check(time.monotonic() < deadline, "the entry is %r, not caf with or without \u00e9 %d times"
              % (typed, SCRATCH_TRIES))
        time.sleep(0.3)  # the last é, if it comes
        typed = entry()
    intact = typed.count("\u00e9")
    print("%d of %d \u00e9 typed through a spare key code arrived" % (intact, SCRATCH_TRIES))
    check(intact >= SCRATCH_INTACT, "only %d of %d \u00e9 typed through a spare key code arrived, not at least %d"
          % (intact, SCRATCH_TRIES, SCRATCH_INTACT))
    session.close_and_wait(process, window)


def case_pending_compose_at_hold(session):
    # A Compose or dead key, then Pause: the hold drops the unfinished
    # sequence, so e only ends the hold and f types itself.
    add_layout_keys(session)
    for first in ("Multi_key", "dead_acute"):
        process, window = start_at_file_prompt(session)
        session.x("xdotool", "key", "--delay", "40", "a", "b", first, "Pause", "e", "f")
        wait_for_entry(session, window, process, b"abf", "a b %s Pause e f" % first)
        session.close_and_wait(process, window)


POINTER_ROOT = 1  # X's focus "PointerRoot", also its revert-to value


def xlib():
    """libX11 through ctypes, for the requests that xdotool does not make."""
    lib = ctypes.CDLL("libX11.so.6")
    display, window = ctypes.c_void_p, ctypes.c_ulong
    lib.XOpenDisplay.restype = display
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XCloseDisplay.argtypes = lib.XFlush.argtypes = [display]
    lib.XSync.argtypes = [display, ctypes.c_int]
    lib.XSetInputFocus.argtypes = [display, window, ctypes.c_int, ctypes.c_ulong]
    lib.XGetInputFocus.argtypes = [display, ctypes.POINTER(window), ctypes.POINTER(ctypes.c_int)]
    lib.XWarpPointer.argtypes = [display, window, window] + [ctypes.c_int] * 2 + [ctypes.c_uint] * 2 + [ctypes.c_int] * 2
    return lib


@contextlib.contextmanager
def x_connection(session):
    """(libX11, a connection to the session's display)."""
    lib = xlib()
    display = lib.XOpenDisplay(session.env["DISPLAY"].encode())
    check(display, "cannot open the display %s" % session.env["DISPLAY"])
    try:
        yield lib, display
    finally:
        lib.XCloseDisplay(display)


def input_focus(session):
    with x_connection(session) as (lib, display):
        focus, revert_to = ctypes.c_ulong(), ctypes.c_int()
        lib.XGetInputFocus(display, ctypes.byref(focus), ctypes.byref(revert_to))
        return focus.value


def case_pause_released_elsewhere(session):
    # Pause pressed in the window and let go in another one: the window
    # never sees the release, and the next Pause must still hold the run.
    # The focus moves to the other window, or stays PointerRoot (the keys
    # go to the pointer's window) and only the pointer moves.
    for focus in ("on xlogo", "PointerRoot"):
        process, window = start_at_file_prompt(session)
        if focus == "PointerRoot":
            with x_connection(session) as (lib, display):
                lib.XSetInputFocus(display, POINTER_ROOT, POINTER_ROOT, 0)  # at CurrentTime
                lib.XSync(display, False)
        session.x("xdotool", "keydown", "Pause")
        other = session.start(["xlogo", "-geometry", "100x100+800+100"])
        logo = session.find_window(other, "xlogo")
        # Without a window manager the pointer's window can keep the focus.
        session.x("xdotool", "mousemove", "--sync", "850", "150")
        if focus == "on xlogo":
            # xlogo's window is named before it is mapped, and a window that
            # is not viewable cannot take the focus: asked again until it has.
            deadline = time.monotonic() + 10
            while True:
                session.x("xdotool", "windowfocus", logo, check_rc=False)
                time.sleep(0.05)
                focused = session.x("xdotool", "getwindowfocus").decode().strip()
                if focused == logo:
                    break
                check(time.monotonic() < deadline, "the focus is on window %s, not on xlogo's %s" % (focused, logo))
                time.sleep(0.1)
        else:
            focused = input_focus(session)
            check(focused == POINTER_ROOT, "the focus is on window %d, not PointerRoot" % focused)
        session.x("xdotool", "keyup", "Pause")
        if focus == "on xlogo":
            session.bring_on_screen(window)
        else:
            session.x("xdotool", "mousemove", "--sync", "100", "100")
        # The first press held the run and x ends that hold; the second Pause
        # holds again and y ends it; z types.
        session.x("xdotool", "key", "--delay", "40", "x", "Pause", "y", "z")
        wait_for_entry(session, window, process, b"z", "x Pause y z after the release elsewhere, focus %s" % focus)
        session.close_and_wait(process, window)
        other.terminate()
        other.wait()


def case_greek_letters(session):
    # Code page 437 has β, μ and Ω (its ß, µ and Ω glyphs); the ohm sign is
    # a character of its own beside Greek capital omega.
    add_layout_keys(session)
    process, window = start_at_file_prompt(session)
    session.x("xdotool", "key", "--delay", "40", "Greek_beta", "Greek_mu", "U2126")
    wait_for_entry(session, window, process, [225, 230, 234], "\u03b2 \u03bc \u2126")
    session.close_and_wait(process, window)


def use_locale(session, locale):
    """The programs started from now on run in `locale` (LANG) alone."""
    for name in [n for n in session.env if n == "LANG" or n.startswith("LC_")]:
        del session.env[name]
    session.env.update(locale)


def use_built_locale(session, name, source, charmap):
    """The programs started from now on run in a locale built here with
    localedef (the machine may have none but C.UTF-8)."""
    folder = os.path.join(session.args.work, "locales")
    if not os.path.isdir(os.path.join(folder, name)):
        os.makedirs(folder, exist_ok=True)
        result = subprocess.run(["localedef", "-i", source, "-f", charmap, os.path.join(folder, name)],
                                capture_output=True, timeout=120)
        check(os.path.isdir(os.path.join(folder, name)),
              "localedef could not build %s: %s" % (name, result.stderr.decode(errors="replace")))
    use_locale(session, {"LANG": name, "LOCPATH": folder})


def wait_for_text(path, text, what, timeout=30):
    deadline = time.monotonic() + timeout
    while True:
        with open(path, "rb") as f:
            if text in f.read():
                return
        check(time.monotonic() < deadline, "%s: %s never says %r" % (what, path, text))
        time.sleep(0.1)


def start_uim_xim(session, trace):
    """uim-xim, the input method server of the uim package, in its own
    process group with its helper server; its trace of connections goes to
    the file `trace`. Waits until it serves."""
    with open(trace, "wb") as out:
        # Line by line, so that the trace can be read while it runs.
        server = subprocess.Popen(["stdbuf", "-oL", "uim-xim", "--trace"], env=session.env, stdout=out,
                                  stderr=subprocess.STDOUT, start_new_session=True)
    wait_for_text(trace, b"@im=uim registered", "uim-xim")
    return server


def end_process_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()


def use_uim(session):
    """The programs started from now on take their keys through uim-xim's
    input method, where it serves."""
    # uim-xim serves no C.UTF-8, so a client of that locale would not use it.
    use_built_locale(session, "en_US.UTF-8", "en_US", "UTF-8")
    home = os.path.join(session.args.work, "home")  # uim keeps its settings and sockets there
    os.makedirs(home, exist_ok=True)
    session.env.update(XMODIFIERS="@im=uim", HOME=home)


def case_input_method_server_ends(session):
    # Keys come through an input method server, which then ends: the keys
    # after it come all the same, and the close button still ends the run.
    use_uim(session)
    servers = [start_uim_xim(session, os.path.join(session.args.work, "uim-xim-1.txt"))]
    try:
        process, window = start_at_file_prompt(session)
        wait_for_text(os.path.join(session.args.work, "uim-xim-1.txt"), b"ic created",
                      "the program's input context at uim-xim")
        session.x("xdotool", "type", "--delay", "40", "abc")
        wait_for_entry(session, window, process, b"abc", "abc through uim-xim")
        servers[0].terminate()
        servers[0].wait()
        session.x("xdotool", "type", "--delay", "40", "def")
        wait_for_entry(session, window, process, b"abcdef", "abcdef after uim-xim ended")
        # A server that starts again.
        servers.append(start_uim_xim(session, os.path.join(session.args.work, "uim-xim-2.txt")))
        session.x("xdotool", "type", "--delay", "40", "ghi")
        wait_for_entry(session, window, process, b"abcdefghi", "abcdefghi after uim-xim started again")
        session.close_and_wait(process, window)
    finally:
        for server in servers:
            end_process_group(server)


# Letters typed while the input method server dies: at xdotool's --delay 2,
# some hundred key presses a second, each an exchange with the server.
IM_TEXT = "abcdefghijklmnopqrstuvwxyz" * 6
IM_ROUNDS = 3
# The keys after a server's death come within one or two seconds (the
# program gives a connection stuck in an exchange up after about one); a
# loose ceiling that only a hang breaks.
IM_KEYS_CEILING = 15.0


def entry_text(codes):
    return bytes(code if code is not None else ord("?") for code in codes).decode("cp437")


def is_subsequence(codes, text):
    letters = iter(text.encode())
    return all(code in letters for code in codes)


def type_until_it_comes(session, window, process, after):
    """Types 7 every half second until the entry ends with one (a key typed
    while the program waits for a stuck exchange may be lost); prints how
    long that took and gives the entry's codes."""
    started, next_key, codes = time.monotonic(), 0.0, []
    while True:
        if process.poll() is not None:
            raise Failure("the program ended with exit code %d in %s; it wrote %r"
                          % (process.returncode, after, process.stderr.read()))
        now = time.monotonic()
        if now > started + IM_KEYS_CEILING:
            raise Failure("no key typed after %s came in %.0f s; the entry holds %r; the program's threads stand "
                          "at:\n%s" % (after, IM_KEYS_CEILING, entry_text(codes), stacks(process.pid)))
        if now >= next_key:
            session.x("xdotool", "key", "7")
            next_key = now + 0.5
        codes = entry_codes(session.screenshot(window))
        if codes and codes[-1] == ord("7"):
            print("%s: a key after it came in %.2f s" % (after, time.monotonic() - started))
            return codes
        time.sleep(0.05)


def case_input_method_server_dies_mid_key(session):
    # The input method server killed, or stopped, while keys are typed, so
    # that now and then it dies in the middle of a key's exchange with the
    # program: the keys typed after it must come all the same, never an X
    # error, and a new server is taken up.
    use_uim(session)
    trace = os.path.join(session.args.work, "uim-xim-1.txt")
    server = start_uim_xim(session, trace)
    servers = [server]
    try:
        process, window = start_at_file_prompt(session)
        wait_for_text(trace, b"ic created", "the program's input context at uim-xim")
        given_up, rounds = 0, 0
        for how in (signal.SIGKILL, signal.SIGTERM, signal.SIGSTOP):
            for _ in range(IM_ROUNDS):
                rounds += 1
                what = "round %d, uim-xim sent %s while typing" % (rounds, signal.Signals(how).name)
                sockets = socket_count(process.pid)
                typing = subprocess.Popen(["xdotool", "type", "--delay", "2", IM_TEXT], env=session.env,
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(0.2)  # some letters into the text
                server.send_signal(how)
                typing.wait(timeout=60)
                codes = type_until_it_comes(session, window, process, what)
                letters = [code for code in codes if code != ord("7")]
                check(codes == letters + [ord("7")] * (len(codes) - len(letters)) and is_subsequence(letters, IM_TEXT),
                      "in %s the entry holds %r, not some of the typed letters in their order and then 7s"
                      % (what, entry_text(codes)))
                if socket_count(process.pid) > sockets:
                    given_up += 1
                # A new server, which the program takes up.
                end_process_group(server)
                trace = os.path.join(session.args.work, "uim-xim-%d.txt" % (rounds + 1))
                server = start_uim_xim(session, trace)
                servers.append(server)
                wait_for_text(trace, b"ic created", "after %s, the program's input context at a new uim-xim" % what)
                session.x("xdotool", "key", "--delay", "4", *["BackSpace"] * len(codes))
                wait_for_entry(session, window, process, b"", "the entry cleared after %s" % what)
        print("%d of %d rounds gave a connection up (one more socket)" % (given_up, rounds))
        err = session.close_and_wait(process, window)
        check("X Error" not in err, "Xlib's report of an X error on standard error: %r" % err)
    finally:
        for server in servers:
            end_process_group(server)


def expect_one_line_exit(process, code, started, after, wanted, limit=EXIT_CEILING):
    """The process ends with `code` and writes one line that holds each text
    of `wanted`."""
    got, err = wait_for_exit(process, started, after, limit)
    print("it wrote: %r" % err)
    check(got == code, "exit code %d after %s, not %d; stderr: %r" % (got, after, code, err))
    check(err.count("\n") == 1 and err.endswith("\n") and all(w in err for w in wanted),
          "after %s, standard error is not one line naming %s: %r" % (after, wanted, err))


def case_display_lost(session):
    # The client killed from outside, as xkill does.
    process, window = start_at_sky_prompt(session)
    started = time.monotonic()
    session.x("xdotool", "windowkill", window)
    expect_one_line_exit(process, 1, started, "the client was killed", [session.env["DISPLAY"], "lost"])
    # The X server gone.
    process, window = start_at_sky_prompt(session)
    started = time.monotonic()
    session.xvfb.kill()
    expect_one_line_exit(process, 1, started, "the X server ended", [session.env["DISPLAY"], "lost"])


def full_pipe():
    """A pipe already as full as it can be: (read end, write end). A
    blocking write into it waits for a reader."""
    read_end, write_end = os.pipe()
    os.set_blocking(write_end, False)
    for size in (4096, 1):  # a write of up to PIPE_BUF bytes goes whole or not at all
        try:
            while True:
                os.write(write_end, b"x" * size)
        except BlockingIOError:
            pass
    os.set_blocking(write_end, True)
    return read_end, write_end


def case_display_lost_unread_stderr(session):
    # Standard error a pipe that nobody reads, full: the line of the way out
    # may be lost, but the program must not wait for a reader to end.
    read_end, write_end = full_pipe()
    try:
        process, window = start_at_sky_prompt(session, stderr=write_end)
        started = time.monotonic()
        session.xvfb.kill()
        got, _ = wait_for_exit(process, started, "the X server ended, with standard error a full pipe")
        check(got == 1, "exit code %d after the X server ended, with standard error a full pipe, not 1" % got)
    finally:
        os.close(read_end)
        os.close(write_end)


def wait_for_full_pipe(fifo, timeout=30):
    """Waits until the pipe of `fifo` holds as much as it can take, less
    than one atomic write: its writer then blocks at its next write."""
    fd = os.open(fifo, os.O_RDONLY | os.O_NONBLOCK)  # reads nothing: counts what waits
    try:
        size = fcntl.fcntl(fd, getattr(fcntl, "F_GETPIPE_SZ", 1032))
        deadline = time.monotonic() + timeout
        while True:
            waiting = struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0" * 4))[0]
            if waiting > size - select.PIPE_BUF:
                return
            check(time.monotonic() < deadline,
                  "the sound pipe holds %d bytes after %d s, not %d" % (waiting, timeout, size))
            time.sleep(0.05)
    finally:
        os.close(fd)


def case_stalled_sound_device(session):
    # The wave writer writes into a pipe whose reader has stopped: once the
    # pipe is full, the sound device's thread blocks in its write, and the
    # device cannot be closed. A stop key and a lost display end the program
    # all the same.
    fifo = os.path.join(tempfile.mkdtemp(dir=session.args.work), "sound")
    os.mkfifo(fifo)
    use_wave_writer(session, fifo)
    ways_out = (  # what, its xdotool command, the exit code, the texts of the one line on stderr (None: no line)
        ("Ctrl+Break", ["key", "ctrl+Break"], 0, None),
        ("the client was killed", ["windowkill", "{window}"], 1, [session.env["DISPLAY"], "lost"]))
    for what, command, code, wanted in ways_out:
        reader = session.start(["cat", fifo])  # first: the writer's open waits for a reader
        try:
            process, window = start_at_sky_prompt(session)
            reader.send_signal(signal.SIGSTOP)
            wait_for_full_pipe(fifo)
            after = "%s with the sound device stalled" % what
            started = time.monotonic()
            session.x("xdotool", *[arg.format(window=window) for arg in command])
            if wanted is None:
                expect_exit(process, code, started, after)
            else:
                expect_one_line_exit(process, code, started, after, wanted)
        finally:
            reader.send_signal(signal.SIGCONT)
            reader.kill()
            reader.wait()


def case_closed_standard_streams(session):
    # Started with standard error closed, or all three standard streams: the
    # program's own files, the X connections among them, must not take their
    # numbers, where a message would go into the connection.
    for closed in ((2,), (0, 1, 2)):
        process, window = start_at_sky_prompt(session, preexec_fn=lambda: [os.close(fd) for fd in closed])
        for fd in closed:
            try:
                target = os.readlink("/proc/%d/fd/%d" % (process.pid, fd))
            except FileNotFoundError:
                target = "closed"
            check(target == "/dev/null", "started with descriptors %s closed, descriptor %d is %s, not /dev/null"
                  % (closed, fd, target))
        session.close_and_wait(process, window)


def wave_header_sizes(path):
    """The file's length, the RIFF chunk's size and the data chunk's start
    and size as a wave file's header gives them."""
    with open(path, "rb") as f:
        data = f.read()
    check(data[:4] == b"RIFF" and data[8:12] == b"WAVE", "%s is not a wave file" % path)
    pos = 12
    while pos + 8 <= len(data):
        chunk, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        if chunk == b"data":
            return len(data), struct.unpack("<I", data[4:8])[0], pos + 8, size
        pos += 8 + size + (size & 1)
    raise Failure("%s has no data chunk" % path)


def expect_sound_closed(wave_file, after):
    """The wave writer wrote its header's sizes, as it does when the sound
    device closes."""
    length, riff_size, data_start, data_size = wave_header_sizes(wave_file)
    check(riff_size == length - 8 and data_size == length - data_start,
          "after %s the wave file of %d bytes gives the sizes 0x%X (RIFF) and 0x%X (data from byte %d), not %d and %d: "
          "the sound device was not closed" % (after, length, riff_size, data_size, data_start, length - 8,
                                               length - data_start))


STOP_SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


def default_signals():
    """In a started program: the stop signals as a shell's foreground command
    has them, whatever the test's own caller ignored or blocked."""
    for number in STOP_SIGNALS:
        signal.signal(number, signal.SIG_DFL)
    signal.pthread_sigmask(signal.SIG_UNBLOCK, STOP_SIGNALS)


def case_stop_signals(session):
    # A signal to end the program ends the run as a stop key does, the sound
    # device closed (the wave writer then writes its header's sizes), and
    # the process ends by that signal.
    wave_file = os.path.join(session.args.work, "signalled.wav")
    use_wave_writer(session, wave_file)
    for number in STOP_SIGNALS:
        if os.path.exists(wave_file):
            os.remove(wave_file)
        process, window = start_at_sky_prompt(session, preexec_fn=default_signals)
        name = signal.Signals(number).name
        started = time.monotonic()
        process.send_signal(number)
        got, err = wait_for_exit(process, started, name)
        check(got == -number, "exit code %d after %s, not %d (ended by the signal); stderr: %r"
              % (got, name, -number, err))
        expect_sound_closed(wave_file, name)
    # Started to ignore SIGHUP (as nohup starts a program), it goes on
    # ignoring it: of a SIGHUP and a SIGTERM after it, the SIGTERM ends it.
    def ignore_hangup():
        default_signals()
        signal.signal(signal.SIGHUP, signal.SIG_IGN)
    process, window = start_at_sky_prompt(session, preexec_fn=ignore_hangup)
    started = time.monotonic()
    process.send_signal(signal.SIGHUP)
    process.send_signal(signal.SIGTERM)
    got, err = wait_for_exit(process, started, "SIGHUP and SIGTERM with SIGHUP ignored")
    check(got == -signal.SIGTERM, "started to ignore SIGHUP, exit code %d after SIGHUP and SIGTERM, not %d; stderr: %r"
          % (got, -signal.SIGTERM, err))


def socket_count(pid):
    """How many of the process's descriptors are sockets."""
    count = 0
    for fd in os.listdir("/proc/%d/fd" % pid):
        try:
            count += os.readlink("/proc/%d/fd/%s" % (pid, fd)).startswith("socket:")
        except FileNotFoundError:  # closed meanwhile
            pass
    return count


def thread_waits_in(pid, kernel_function):
    """Whether a thread of the process sleeps in that function of the kernel."""
    for thread in os.listdir("/proc/%d/task" % pid):
        try:
            with open("/proc/%d/task/%s/wchan" % (pid, thread)) as f:
                if f.read().strip() == kernel_function:
                    return True
        except FileNotFoundError:
            pass
    return False


def wait_until(process, condition, what, timeout=30):
    deadline = time.monotonic() + timeout
    while not condition():
        if process.poll() is not None:
            raise Failure("the program ended with exit code %d before %s; it wrote %r"
                          % (process.returncode, what, process.stderr.read()))
        check(time.monotonic() < deadline, "%s did not come in %d s" % (what, timeout))
        time.sleep(0.05)


@contextlib.contextmanager
def silent_display(session):
    """The program started on a display whose socket takes the connection
    and never answers: it waits in XOpenDisplay for the server's greeting."""
    folder = "/tmp/.X11-unix"
    if not os.path.isdir(folder):
        os.makedirs(folder, exist_ok=True)
        os.chmod(folder, 0o1777)  # as X servers keep it, for every user's sockets
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    number = 2000 + os.getpid() % 1000  # apart from the unreachable one of case_no_display
    while True:
        path = os.path.join(folder, "X%d" % number)
        try:
            if not os.path.exists("/tmp/.X%d-lock" % number):
                listener.bind(path)
                break
        except OSError:  # taken, by a server or another test
            pass
        number += 1
    connection = None
    try:
        listener.listen(1)
        listener.settimeout(30)
        process = session.start([session.args.app], preexec_fn=default_signals, env_changes={"DISPLAY": ":%d" % number})
        try:
            connection, _ = listener.accept()
        except socket.timeout:
            raise Failure("the program did not connect to display :%d in 30 s" % number)
        time.sleep(0.5)  # it now waits for an answer
        yield process
    finally:
        if connection is not None:
            connection.close()
        listener.close()
        os.remove(path)


@contextlib.contextmanager
def server_stopped_at_sky_prompt(session):
    process, _ = start_at_sky_prompt(session, preexec_fn=default_signals)
    session.xvfb.send_signal(signal.SIGSTOP)
    try:
        time.sleep(2.0)  # a frame of the blinking cursor since, which waits for the server
        yield process
    finally:
        session.xvfb.send_signal(signal.SIGCONT)


@contextlib.contextmanager
def server_stopped_at_start(session):
    session.xvfb.send_signal(signal.SIGSTOP)
    try:
        process = session.start([session.args.app], preexec_fn=default_signals)
        wait_until(process, lambda: socket_count(process.pid) > 0, "a connection to the stopped X server")
        time.sleep(0.5)  # it now waits for the server's greeting
        yield process
    finally:
        session.xvfb.send_signal(signal.SIGCONT)


@contextlib.contextmanager
def sound_fifo_without_reader(session):
    """The wave writer's output a FIFO that nobody opens for reading: the
    sound device's open, early in the start-up, waits for a reader."""
    fifo = os.path.join(tempfile.mkdtemp(dir=session.args.work), "sound")
    os.mkfifo(fifo)
    saved = dict(session.env)
    use_wave_writer(session, fifo)
    try:
        process = session.start([session.args.app], preexec_fn=default_signals)
    finally:
        session.env = saved
    # The kernel's wait, in the open of a FIFO, for its other end.
    wait_until(process, lambda: thread_waits_in(process.pid, "wait_for_partner"),
               "a thread of the program waiting in the open of the sound FIFO (wait_for_partner)")
    yield process


def case_signals_while_stuck(session):
    # The program stuck in a call that waits (on an X server that does not
    # answer, on a reader of the sound FIFO), where the window thread cannot
    # look at signals: a signal to end it still ends it, by that signal.
    situations = [("a display that never answers", silent_display, number) for number in STOP_SIGNALS] + [
        ("the X server stopped at the sky prompt", server_stopped_at_sky_prompt, signal.SIGTERM),
        ("the X server stopped before the start", server_stopped_at_start, signal.SIGTERM),
        ("the sound device's open waiting for a reader", sound_fifo_without_reader, signal.SIGTERM)]
    for what, stuck, number in situations:
        after = "%s with %s" % (signal.Signals(number).name, what)
        with stuck(session) as process:
            started = time.monotonic()
            process.send_signal(number)
            got, err = wait_for_exit(process, started, after)
        check(got == -number, "exit code %d after %s, not %d (ended by the signal); stderr: %r"
              % (got, after, -number, err))


def case_no_glx(session):
    display = session.start_xvfb("-extension", "GLX")
    process = session.start([session.args.app])
    expect_one_line_exit(process, 1, time.monotonic(), "a start without GLX", [display, "GLX"])
    check(not session.x("xdotool", "search", "--name", "Torvelin", check_rc=False).split(),
          "a window stayed open without GLX")


def case_no_options(session):
    # Options of X programs change nothing: the window opens on DISPLAY at
    # 640 x 400, mapped.
    process = session.start([session.args.app, "-geometry", "100x80", "-display", ":99", "-iconic"])
    window = session.find_window(process, APP_TITLE)
    check(session.geometry(window) == (640, 400), "window is %dx%d" % session.geometry(window))
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: row_is(s, 4, SKY_PROMPT), "the sky temperature prompt")
    session.close_and_wait(process, window)


def case_no_memory_or_thread(session):
    # The picture's memory, or the calculator's thread, cannot be had: one
    # line, exit code 1, no abort and no window left behind.
    for mode, wanted in (("frame", "Out of memory"), ("thread", "thread")):
        session.env.update(LD_PRELOAD=session.args.fail_on_demand, FAIL_ON_DEMAND=mode)
        process = session.start([session.args.app])
        expect_one_line_exit(process, 1, time.monotonic(), "a start without %s" % wanted, [wanted], limit=15)
        check(not session.x("xdotool", "search", "--name", "Torvelin", check_rc=False).split(),
              "a window stayed open without %s" % wanted)


def case_exception_in_program(session):
    # An exception that leaves the calculator's procedure, on its thread,
    # with the window open: one line that names it and exit code 1, not
    # std::terminate's abort.
    process = session.start([session.args.demo, "throw"])
    window = session.find_window(process, DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Throwing"), "Throwing")
    started = time.monotonic()
    session.x("xdotool", "key", "space")
    expect_one_line_exit(process, 1, started, "an exception on the calculator's thread", ["thrown on purpose"])
    check(not session.x("xdotool", "search", "--name", "Torvelin", check_rc=False).split(),
          "a window stayed open after the exception")

def case_refused_x_request(session):
    # A request that the X server refuses, not one about the window's end
    # nor the input method's: the run ends as at a lost display, the sound
    # device closed (the wave writer then writes its header's sizes), with
    # one line naming the request and the error, never Xlib's report of
    # several lines; before the window opens and at the sky prompt.
    wave_file = os.path.join(session.args.work, "refused.wav")
    use_wave_writer(session, wave_file)
    trigger = os.path.join(session.args.work, "make-the-request")
    wanted = ["X_ChangeProperty", "BadAtom", session.env["DISPLAY"]]
    for mode, when in (("x_error_at_start", "before the window opens"), ("x_error_later", "at the sky prompt")):
        for path in (wave_file, trigger):
            if os.path.exists(path):
                os.remove(path)
        # Preloaded into the program alone: xdotool opens displays too.
        preload = {"LD_PRELOAD": session.args.fail_on_demand, "FAIL_ON_DEMAND": mode, "FAIL_ON_DEMAND_FILE": trigger}
        after = "a refused X request %s" % when
        if mode == "x_error_at_start":
            process = session.start([session.args.app], env_changes=preload)
            expect_one_line_exit(process, 1, time.monotonic(), after, wanted, limit=15)
        else:
            process, _ = start_at_sky_prompt(session, env_changes=preload)
            started = time.monotonic()
            open(trigger, "w").close()
            expect_one_line_exit(process, 1, started, after, wanted)
        check(not session.x("xdotool", "search", "--name", "Torvelin", check_rc=False).split(),
              "a window stayed open after %s" % after)
        expect_sound_closed(wave_file, after)


CASES = {name[len("case_"):]: f for name, f in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    for option in ("--app", "--demo", "--close-window", "--count-frames", "--key-latency", "--glyphs", "--headless",
                   "--source", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("--fail-on-demand", help="the library that fails a request of the program")
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    args.work = os.path.join(args.work, args.case)
    os.makedirs(args.work, exist_ok=True)
    session = Session(args)
    session.start_xvfb()
    try:
        CASES[args.case](session)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr)
        return 1
    finally:
        session.stop_all()
    print("passed: %s" % args.case)
    return 0


if __name__ == "__main__":
    sys.exit(main())
