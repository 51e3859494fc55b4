#!/usr/bin/python3
"""The engine's start-up against a bare GUI program, both under the same Wine on a virtual display.

- bare:   bench/tools/BareProgram.c, one USER32 call, built with mingw at run time as the engine is
          (-static, -mwindows);
- engine: a `qx build` setup whose script is one line, with an empty support folder (so start-up
          binds the archive library, reads the language file behind it, extracts an empty support
          archive, copies the package and pre-creates nothing), run with /s;
- logged: the same setup with /s and a trace log (/l=), for the cost of the trace writes;
- floor:  the bare program that also asks Windows Installer for the product's state, as the
          engine's instance bootstrap must before a script's first line: under Wine, msi.dll
          brings some twenty libraries with it, so this is as close as the engine can come.

The programs alternate in each round (paired runs; the order flips every round), so a neighbour's
load falls on both. Wall time is measured around each Wine process; peak memory is the peak resident
set of the Wine process itself: `wine` execs into the loader, which becomes the Windows process
under the same pid, so the ru_maxrss that wait4 returns for it is that process's VmHWM (the
wineserver and the prefix's services are shared and not counted). The wall figure is the median of
the per-round ratios; the memory figure is the difference of the median peaks.

Usage: bench/startup.py [ROUNDS] (default 20). Needs the win64 and native builds,
x86_64-w64-mingw32-gcc, 7z, wixl and Xvfb. Prints one "goal" line per figure with "ok" or "missed".
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

RUN_TIMEOUT_SECONDS = 60
WALL_GOAL = 1.2
MEMORY_GOAL_MIB = 4.0
PRODUCT_CODE = "{5D1C2B3A-4E5F-4061-9273-84A5B6C7D8E1}"
SCRIPT = f"""#quarrix-script 1
[setup]
product-code = {PRODUCT_CODE}
revision-code = {{6E2D3C4B-5F60-4172-8384-95B6C7D8E9F2}}
title = "Startup Bench"
default-language = English
ask-language = FALSE
[script]
Set Variable: DONE TRUE
"""
# The package is only checked for and copied by start-up; one registry value keeps it small.
PACKAGE = """<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Startup Bench" Language="1033" Version="1.0.0" Manufacturer="Quarrix Bench"
           UpgradeCode="7F3E4D5C-6B7A-4C8D-9E0F-1A2B3C4D5E6F">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Component Id="Marker" Guid="7F3E4D5C-0001-4000-8000-000000000001">
        <RegistryValue Root="HKCU" Key="Software\\Quarrix Startup Bench" Name="Marker" Type="integer" Value="1"
                       KeyPath="yes"/>
      </Component>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Marker"/></Feature>
  </Product>
</Wix>
"""


def compile_bare(folder: pathlib.Path) -> pathlib.Path:
    target = folder / "bare-program.exe"
    subprocess.run(["x86_64-w64-mingw32-gcc", "-O2", "-static", "-mwindows", "-o", str(target),
                    str(ROOT / "bench" / "tools" / "BareProgram.c")], check=True)
    return target


def engine_setup(folder: pathlib.Path) -> pathlib.Path:
    project = folder / "project"
    (project / "support").mkdir(parents=True)
    (project / "setup.qxs").write_text(SCRIPT)
    (project / "package.wxs").write_text(PACKAGE)
    out = folder / "setup"
    subprocess.run([str(wine.qx()), "build", str(project), "-o", str(out), "--name", "Startup", "--engine",
                    str(wine.engine())], check=True, stdout=subprocess.DEVNULL)
    return out / "Startup.exe"


def run_once(command) -> tuple:
    """Wall seconds, peak resident KiB and CPU seconds of one Wine process."""
    started = time.perf_counter()
    # Not piped: Wine's helper processes inherit the handles and would hold a pipe open.
    process = subprocess.Popen(["wine", *map(str, command)], env=wine.wine_environment(),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        raise RuntimeError(f"{pathlib.Path(str(command[0])).name} exited with {process.returncode}")
    return elapsed, usage.ru_maxrss, usage.ru_utime + usage.ru_stime


def verdict(label: str, value: float, goal: float, unit: str) -> str:
    return f"goal {label:<58} {value:6.2f}{unit}  (<= {goal}{unit}: {'ok' if value <= goal else 'missed'})"


def main() -> int:
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 20
    wine.prepare_prefix()
    display.start()
    wine.start_server()
    work = pathlib.Path(tempfile.mkdtemp(prefix="startup-bench", dir=wine.windows_to_host("C:\\")))
    try:
        setup = engine_setup(work)
        log = wine.host_to_windows(work) + "\\trace.log"
        bare = compile_bare(work)
        programs = {"bare": [bare], "engine": [setup, "/s"], "logged": [setup, "/s", "/l=" + log],
                    "floor": [bare, PRODUCT_CODE]}
        for command in programs.values():
            run_once(command)  # warm the prefix, the page cache and the instance cache
        results = {name: [] for name in programs}
        for number in range(rounds):
            order = list(programs) if number % 2 == 0 else list(reversed(programs))
            for name in order:
                results[name].append(run_once(programs[name]))
    finally:
        wine.stop_server()
        display.stop()
        shutil.rmtree(work, ignore_errors=True)

    print(f"{rounds} paired rounds, load {os.getloadavg()[0]:.2f}")
    for name, runs in results.items():
        walls, peaks, cpus = zip(*runs)
        print(f"{name:7} wall median {statistics.median(walls) * 1000:6.0f} ms  min {min(walls) * 1000:6.0f} ms  "
              f"cpu median {statistics.median(cpus) * 1000:5.0f} ms  peak median {statistics.median(peaks) / 1024:5.1f} MiB")
    def ratio(name: str, base: str = "bare") -> float:
        return statistics.median(ours[0] / theirs[0] for ours, theirs in zip(results[name], results[base]))

    def extra_mib(name: str, base: str = "bare") -> float:
        peak = statistics.median(peak for _, peak, _ in results[name])
        return (peak - statistics.median(peak for _, peak, _ in results[base])) / 1024

    print(f"floor (bare + the installer's product state) / bare: {ratio('floor'):.2f}x, {extra_mib('floor'):+.1f} MiB")
    print(f"engine /s / floor: {ratio('engine', 'floor'):.2f}x, {extra_mib('engine', 'floor'):+.1f} MiB")
    for name, label in (("engine", ""), ("logged", " with a trace log")):
        print(verdict(f"start-up wall time, engine /s{label} / bare", ratio(name), WALL_GOAL, "x"))
        print(verdict(f"start-up peak memory, engine /s{label} - bare", extra_mib(name), MEMORY_GOAL_MIB, " MiB"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
