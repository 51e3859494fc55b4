"""A virtual X display for the end-to-end tests that show real windows, and what they see on it.

start() runs Xvfb on a free display number and points DISPLAY at it for Wine and xdotool;
stop() ends it. screenshot() reads the screen through xwd; distinct_colours() tells a drawn
window from an empty screen.
"""

import os
import shutil
import struct
import subprocess
import time

SCREEN = "1024x768x24"
START_TIMEOUT_SECONDS = 20

_server = None


def start() -> str:
    """Starts the display once per test module; returns its name (":N")."""
    global _server
    if _server is not None:
        return os.environ["DISPLAY"]
    read_end, write_end = os.pipe()
    _server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp"],
                               pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + START_TIMEOUT_SECONDS
    with os.fdopen(read_end, "rb") as announced:
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = announced.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        stop()
        raise RuntimeError("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    return os.environ["DISPLAY"]


def stop() -> None:
    global _server
    if _server is None:
        return
    _server.terminate()
    try:
        _server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        _server.kill()
        _server.wait()
    _server = None


def xdotool(*arguments, check=True) -> str:
    completed = subprocess.run(["xdotool", *map(str, arguments)], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True, timeout=30)
    if check and completed.returncode != 0:
        raise AssertionError(f"xdotool {' '.join(map(str, arguments))} failed ({completed.returncode})")
    return completed.stdout


def windows_named(title: str) -> list:
    """The X windows whose name is exactly title (visible or not)."""
    found = xdotool("search", "--name", "^" + title + "$", check=False)
    return [line for line in found.split() if line.strip()]


def visible_windows() -> list:
    found = xdotool("search", "--onlyvisible", "--name", ".", check=False)
    return [line for line in found.split() if line.strip()]


def wait_for(predicate, timeout=20.0, interval=0.1):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    return predicate()


def names_seen_while(process: subprocess.Popen, timeout: float) -> set:
    """Every visible window name seen until the process ends; a process past the timeout is killed
    and fails the caller's wait with subprocess.TimeoutExpired."""
    seen = set()
    deadline = time.monotonic() + timeout
    while process.poll() is None and time.monotonic() < deadline:
        for window in visible_windows():
            seen.add(xdotool("getwindowname", window, check=False).strip())
        time.sleep(0.05)
    if process.poll() is None:
        process.kill()
        process.wait()
        raise subprocess.TimeoutExpired(process.args, timeout)
    return seen - {""}


def screenshot() -> bytes:
    """The whole screen in X's window dump format."""
    return subprocess.run(["xwd", "-root", "-silent"], stdout=subprocess.PIPE, check=True, timeout=30).stdout


def _pixel_rows(dump: bytes, area=None):
    """Each row of a 24- or 32-bit window dump (or of area: x, y, width, height) as a list of pixels."""
    fields = struct.unpack(">25I", dump[:100])
    header_size, bits_per_pixel, bytes_per_line, colour_count = fields[0], fields[11], fields[12], fields[19]
    width, height = fields[4], fields[5]
    if bits_per_pixel not in (24, 32):
        raise ValueError(f"expected a 24- or 32-bit dump, got {bits_per_pixel} bits per pixel")
    size = bits_per_pixel // 8
    pixels = dump[header_size + colour_count * 12:]
    left, top, columns, rows = area if area else (0, 0, width, height)
    for row in range(max(top, 0), min(top + rows, height)):
        start = row * bytes_per_line + max(left, 0) * size
        line = pixels[start: row * bytes_per_line + min(left + columns, width) * size]
        yield [line[i:i + size] for i in range(0, len(line), size)]


def distinct_colours(dump: bytes) -> int:
    """How many different pixel values a 24- or 32-bit window dump holds."""
    colours = set()
    for row in _pixel_rows(dump):
        colours.update(row)
    return len(colours)


def black_share(dump: bytes, area) -> float:
    """The share of pure black pixels in area (x, y, width, height): text is a few percent, an
    unpainted background far more."""
    total = black = 0
    for row in _pixel_rows(dump, area):
        total += len(row)
        black += sum(1 for pixel in row if pixel[:3] == b"\0\0\0")
    return black / total if total else 0.0


def window_area(window: str) -> tuple:
    """A window's x, y, width and height on the screen."""
    values = dict(line.split("=", 1) for line in xdotool("getwindowgeometry", "--shell", window).splitlines()
                  if "=" in line)
    return tuple(int(values[name]) for name in ("X", "Y", "WIDTH", "HEIGHT"))


def save_png(dump: bytes, target) -> bool:
    """Writes a window dump as PNG through ImageMagick; False where it is not installed."""
    convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else shutil.which("convert")
    if convert is None:
        return False
    completed = subprocess.run([convert, "xwd:-", str(target)], input=dump, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=60)
    return completed.returncode == 0
