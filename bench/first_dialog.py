#!/usr/bin/python3
"""Time to the first dialog painted, under Wine on a virtual display.

Three programs show the same kind of wizard page:
- bare:    bench/tools/BareDialog.c, one window and its controls made with bare Win32 calls
           (compiled with mingw at run time, with the engine's manifest);
- toolkit: toolkit-probe.exe paint, the same page built from a dialog description through the
           engine's win32 window toolkit;
- engine:  a whole setup whose script has 10 dialogs (the example's destination page ten times),
           started interactively: start-up reads and checks all ten dialog files, then the first
           page's window is built and shown (each other page's when it is first displayed).
For each it prints the median wall time from starting the Wine process to the page's window
being visible on the display, and for bare and toolkit also the milliseconds from the process's
creation to the end of the first paint as the program itself measured them. Goal: the engine's
time within 1.5x of the bare program's.

Usage: bench/first_dialog.py [ROUNDS]. Needs the win64 and native builds, x86_64-w64-mingw32-gcc,
Xvfb and xdotool.
"""

import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = ROOT / "build"
os.environ.setdefault("WINEPREFIX", str(BUILD / "wineprefix-bench"))
os.environ.setdefault("QUARRIX_ENGINE", str(BUILD / "win64" / "bin" / "quarrix-setup.exe"))
os.environ.setdefault("QUARRIX_QX", str(BUILD / "native" / "bin" / "qx"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import display  # noqa: E402
import wine  # noqa: E402

PROBE = BUILD / "win64" / "bin" / "toolkit-probe.exe"
WINDOW_TIMEOUT_SECONDS = 30
EXAMPLE_PAGE = ROOT / "examples" / "welcome" / "support" / "Destination.dfm"
GOAL = 1.5


def compile_bare(folder: pathlib.Path) -> pathlib.Path:
    tools = ROOT / "bench" / "tools"
    resource = folder / "BareDialog.res.o"
    subprocess.run(["x86_64-w64-mingw32-windres", "-I", str(ROOT / "src" / "startup"), str(tools / "BareDialog.rc"),
                    "-O", "coff", "-o", str(resource)], check=True)
    target = folder / "bare-dialog.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-O2", "-static", "-mwindows", "-o", str(target),
                    str(tools / "BareDialog.c"), str(resource), "-lcomctl32", "-lgdi32"], check=True)
    return target


def engine_setup(folder: pathlib.Path) -> pathlib.Path:
    """A setup whose wizard has ten copies of the example's destination page."""
    project = folder / "project"
    support = project / "support"
    support.mkdir(parents=True)
    lines = []
    for number in range(1, 11):
        text = EXAMPLE_PAGE.read_text().replace("object Destination:", f"object Page{number}:", 1)
        (support / f"Page{number}.dfm").write_text(text, newline="\r\n")
        lines.append(f"  Display Dialog: Page{number} WIZARD \"\" \"\"")
    (project / "setup.qxs").write_text("\n".join([
        "#quarrix-script 1", "[setup]", "product-code = {7E1A2B3C-4D5E-4F60-8172-93A4B5C6D7E9}",
        "revision-code = {1B2C3D4E-5F60-4172-8384-95A6B7C8D9EB}", 'title = "Bench"', "default-language = English",
        "ask-language = FALSE", "[script]", "Wizard Loop", *lines, "End", ""]))
    # The example's package, with the support files it names.
    shutil.copy(ROOT / "examples" / "welcome" / "package.wxs", project / "package.wxs")
    for name in ("readme.txt", "license.txt"):
        shutil.copy(EXAMPLE_PAGE.parent / name, support / name)
    out = wine.windows_to_host("C:\\QuarrixBench")
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run([str(wine.qx()), "build", str(project), "-o", str(out), "--name", "Bench", "--engine",
                    str(wine.engine())], check=True, stdout=subprocess.DEVNULL)
    return out / "Bench.exe"


def time_to_window(command, caption: str, report: pathlib.Path = None):
    """Seconds from the start to the visible window, and the program's own painted-ms (or None)."""
    if report is not None and report.exists():
        report.unlink()
    started = time.monotonic()
    process = subprocess.Popen(["wine", *map(str, command)], env=wine.wine_environment(),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    visible = None
    while time.monotonic() - started < WINDOW_TIMEOUT_SECONDS:
        if display.xdotool("search", "--onlyvisible", "--name", "^" + caption + "$", check=False).strip():
            visible = time.monotonic() - started
            break
        if process.poll() is not None:
            break
        time.sleep(0.005)
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        # The engine waits for its user: end it, and everything it started.
        subprocess.run(["wine", "taskkill", "/f", "/im", pathlib.Path(command[0]).name], env=wine.wine_environment(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
        process.wait(timeout=30)
    painted = None
    if report is not None and report.exists():
        for line in report.read_text().splitlines():
            if line.startswith("painted-ms "):
                painted = float(line.split()[1])
    return visible, painted


def median(values):
    present = [value for value in values if value is not None]
    return statistics.median(present) if present else None


def main() -> int:
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    wine.prepare_prefix()
    display.start()
    wine.start_server()
    work = pathlib.Path(tempfile.mkdtemp(prefix="first-dialog", dir=wine.windows_to_host("C:\\")))
    try:
        bare = compile_bare(work)
        report = work / "report.txt"
        report_windows = wine.host_to_windows(report)
        programs = {
            "bare": ([bare, report_windows], "Bare Setup - Quarrix Wizard", report),
            "toolkit": ([PROBE, "paint", report_windows], "Probe Setup - Quarrix Wizard", report),
        }
        try:
            programs["engine"] = ([engine_setup(work)], "Bench Setup - Quarrix Wizard", None)
        except (subprocess.CalledProcessError, FileNotFoundError) as error:
            print(f"engine setup not built ({error}); timing the toolkit only")
        for command, caption, program_report in programs.values():
            time_to_window(command, caption, program_report)  # warm the prefix and the caches
        # The programs take turns, the order flipping every round: a neighbour's load falls on all.
        results = {name: [] for name in programs}
        for number in range(rounds):
            for name in list(programs) if number % 2 == 0 else list(reversed(programs)):
                command, caption, program_report = programs[name]
                results[name].append(time_to_window(command, caption, program_report))
    finally:
        wine.stop_server()
        display.stop()
        shutil.rmtree(work, ignore_errors=True)
    medians = {name: (median([v for v, _ in runs]), median([p for _, p in runs])) for name, runs in results.items()}
    for name, (visible, painted) in medians.items():
        shown = f"{visible * 1000:8.1f} ms to a visible window" if visible is not None else "   no window appeared"
        inside = f", {painted:7.1f} ms from process creation to painted" if painted is not None else ""
        print(f"{name:8} median {shown}{inside}  ({rounds} runs)")
    bare_visible, bare_painted = medians["bare"]
    for name in ("toolkit", "engine"):
        if name not in medians or medians[name][0] is None or bare_visible is None:
            continue
        ratio = medians[name][0] / bare_visible
        line = f"{name} / bare: {ratio:.2f}x to a visible window"
        if medians[name][1] is not None and bare_painted:
            line += f", {medians[name][1] / bare_painted:.2f}x to painted"
        print(line)
        if name == "engine":
            label = "engine's first dialog / a bare dialog program, wall"
            print(f"goal {label:<58} {ratio:6.2f}x  (<= {GOAL}x: {'ok' if ratio <= GOAL else 'missed'})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
