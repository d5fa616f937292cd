#!/usr/bin/env python3
"""Window tests: runs the real program (or the window test program) under a
private Xvfb server with OpenAL Soft's null or wave-writer backend, types
with xdotool, reads the text screen back from screenshots and checks the
exit code.

    window_test.py --app A --demo D --close-window C --glyphs G --work W CASE
"""

import argparse
import os
import re
import struct
import subprocess
import sys
import tempfile
import time

APP_TITLE = "Torvelin v1.58: G/Ta computed with noise sphere rotation"
DEMO_TITLE = "Torvelin window test"
PALETTE = [
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
]
COLUMNS, ROWS = 80, 25
TONE_HZ, TONE_RATE = 783.99, 44100


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Screen:
    """The 80 x 25 cells read back from a 640 x 400 screenshot."""

    def __init__(self, chars, colours):
        self.chars = chars        # 25 strings of 80 characters ('?' unknown)
        self.colours = colours    # 25 lists of 80 foreground numbers (None: blank)

    def row(self, row_1):
        return self.chars[row_1 - 1]

    def colour(self, row_1, column_1):
        return self.colours[row_1 - 1][column_1 - 1]

    def __str__(self):
        return "\n".join("%2d|%s|" % (i + 1, r) for i, r in enumerate(self.chars))


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
        # Bitmap -> character; printable characters win over look-alikes.
        self.glyph_chars = {}
        for code in list(range(32, 127)) + list(range(0, 32)) + list(range(127, 256)):
            self.glyph_chars.setdefault(table[code * 16:(code + 1) * 16], chr(code) if 32 <= code < 127 else "?")

    # ---- X server ----
    def start_xvfb(self):
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                raise Failure("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.env["DISPLAY"] = ":" + number.decode().strip()

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
    def find_window(self, title, timeout=15):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.x("xdotool", "search", "--name", "^%s$" % re.escape(title), check_rc=False).split()
            if found:
                return found[0].decode()
            time.sleep(0.1)
        raise Failure("no window titled %r appeared" % title)

    def geometry(self, window):
        shell = self.x("xdotool", "getwindowgeometry", "--shell", window).decode()
        values = dict(line.split("=", 1) for line in shell.split())
        return int(values["WIDTH"]), int(values["HEIGHT"])

    def bring_on_screen(self, window):
        # Without a window manager freeglut's window opens at (-1, -1).
        self.x("xdotool", "windowmove", "--sync", window, "0", "0", check_rc=False)
        self.x("xdotool", "mousemove", "--sync", "100", "100")
        self.x("xdotool", "windowfocus", "--sync", window, check_rc=False)

    def screenshot(self, window):
        xwd = self.x("xwd", "-id", window, "-silent")
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd, capture_output=True, check=True).stdout
        # P6, width, height, maximum value; comment lines may stand between.
        header = re.match(rb"P6(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+(\d+)(?:\s+|#[^\n]*\n)+255\s", ppm)
        check(header is not None, "screenshot is not an 8-bit PPM")
        width, height = int(header.group(1)), int(header.group(2))
        check((width, height) == (640, 400), "screenshot is %dx%d" % (width, height))
        return self.decode(ppm[header.end():], width)

    def decode(self, pixels, width):
        chars, colours = [], []
        for row in range(ROWS):
            row_chars, row_colours = [], []
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
                    continue
                if len(lit) != 1 or next(iter(lit)) not in PALETTE:
                    row_chars.append("?")
                    row_colours.append(None)
                    continue
                bitmap = bytes(sum(0x80 >> x for x in range(8) if line[x] != 0) for line in cell)
                row_chars.append(self.glyph_chars.get(bitmap, "?"))
                row_colours.append(PALETTE.index(next(iter(lit))))
            chars.append("".join(row_chars))
            colours.append(row_colours)
        return Screen(chars, colours)

    def wait_for_screen(self, window, predicate, what, timeout=10):
        deadline = time.monotonic() + timeout
        screen = None
        while time.monotonic() < deadline:
            screen = self.screenshot(window)
            if predicate(screen):
                return screen
            time.sleep(0.2)
        raise Failure("the screen never showed %s; last screen:\n%s" % (what, screen))

    def close_and_wait(self, process, window, limit=1.0):
        started = time.monotonic()
        self.x(self.args.close_window, window)
        try:
            code = process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure("the process did not end after the window was closed")
        elapsed = time.monotonic() - started
        check(code == 0, "exit code %d after the close button, not 0; stderr: %r" % (code, process.stderr.read()))
        check(elapsed <= limit, "the process took %.2f s to end after the close" % elapsed)

    def start(self, command, cwd=None):
        process = subprocess.Popen(command, env=self.env, cwd=cwd or self.args.work,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
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
    window = session.find_window(APP_TITLE)
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
    session.close_and_wait(process, window)


def case_keys(session):
    process = session.start([session.args.demo, "keys"])
    window = session.find_window(DEMO_TITLE)
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


def case_close_while_blocked(session):
    fifo = os.path.join(tempfile.mkdtemp(dir=session.args.work), "slow_file")
    os.mkfifo(fifo)
    process = session.start([session.args.demo, "block", fifo])
    window = session.find_window(DEMO_TITLE)
    session.bring_on_screen(window)
    session.wait_for_screen(window, lambda s: s.row(3).startswith("Blocking"), "Blocking")
    time.sleep(0.3)  # the program's thread is now inside open()
    session.close_and_wait(process, window)


def case_program_ends_itself(session):
    process = session.start([session.args.demo, "halt"])
    window = session.find_window(DEMO_TITLE)
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
    window = session.find_window("Critical Error #7")
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
    check(b"sound device" in err, "no reason on stderr: %r" % err)
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


def case_beep_through_wave_writer(session):
    wave_file = os.path.join(session.args.work, "beep.wav")
    config = os.path.join(session.args.work, "wave-writer.conf")
    if os.path.exists(wave_file):
        os.remove(wave_file)
    with open(config, "w") as f:
        f.write("[general]\ndrivers = wave\nfrequency = %d\nchannels = stereo\nsample-type = int16\n"
                "dither = false\nhrtf = false\n[wave]\nfile = %s\n" % (TONE_RATE, wave_file))
    session.env.pop("ALSOFT_DRIVERS")
    session.env["ALSOFT_CONF"] = config
    process = session.start([session.args.demo, "beep"])
    window = session.find_window(DEMO_TITLE)
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


CASES = {name[len("case_"):]: f for name, f in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser()
    for option in ("--app", "--demo", "--close-window", "--glyphs", "--work"):
        parser.add_argument(option, required=True)
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
