#!/usr/bin/python3
"""The machine commands' overhead under Wine: a setup whose script does 10,000 registry reads and
checks, 1,000 text-file writes and reads, 1,000 existence checks and a find over a 10,000-file
tree, against bench/tools/MachineCalls.c doing the same work through the bare Win32 calls under
the same Wine. Both are also run empty (start-up alone), which is taken off before the ratio.
Needs the win64 and native builds, and x86_64-w64-mingw32-gcc.

    bench/machine_commands.py [ROUNDS]
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
os.environ.setdefault("WINEPREFIX", str(BUILD / "win64" / "wineprefix"))
os.environ.setdefault("QUARRIX_ENGINE", str(BUILD / "win64" / "bin" / "quarrix-setup.exe"))
os.environ.setdefault("QUARRIX_QX", str(BUILD / "native" / "bin" / "qx"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import wine  # noqa: E402

REGISTRY_READS = 10_000
FILE_ROUNDS = 1_000
EXISTENCE_CHECKS = 1_000
TREE_FOLDERS = 100
TREE_FILES_PER_FOLDER = 100
KEY = "Software\\Quarrix Bench"
HEADER = """#quarrix-script 1
[setup]
product-code = {0B3C5D7E-1A2B-4C3D-8E9F-0A1B2C3D4E5F}
revision-code = {1C4D6E8F-2B3C-4D4E-9FA0-1B2C3D4E5F60}
title = "Machine Bench"
[script]
"""


def script(work_folder: str, tree: str, empty: bool) -> str:
    if empty:
        return HEADER + "Set Variable: DONE TRUE\n"
    lines = []
    for i in range(REGISTRY_READS):
        command = "Read Registry" if i % 2 == 0 else "Check Registry"
        value = "Text" if i % 4 < 2 else "Number"
        lines.append(f'{command}: VALUE{i % 8} 1 "{KEY}" {value}')
    for _ in range(FILE_ROUNDS):
        lines.append(f'Write to Text File: "{work_folder}\\bench.txt" "a line of the benchmark" FALSE')
    for i in range(FILE_ROUNDS):
        lines.append(f'Read from Text File: "{work_folder}\\bench.txt" LINE{i % 8} ATEND')
    for i in range(EXISTENCE_CHECKS):
        name = "bench.txt" if i % 2 else "missing.txt"
        lines.append(f'Does File/Folder Exist: THERE{i % 8} "{work_folder}\\{name}" TRUE')
    lines.append(f'Find All Files: "{tree}\\*.*" TRUE FALSE FOUND')
    return HEADER + "\n".join(lines) + "\n"


def make_tree(root: pathlib.Path) -> None:
    for folder in range(TREE_FOLDERS):
        sub = root / f"folder{folder:03}"
        sub.mkdir(parents=True, exist_ok=True)
        for number in range(TREE_FILES_PER_FOLDER):
            (sub / f"file{number:03}.txt").write_bytes(b"x")


def build_setup(project: pathlib.Path, out: pathlib.Path, text: str) -> pathlib.Path:
    (project / "support").mkdir(parents=True, exist_ok=True)
    (project / "setup.qxs").write_text(text)
    shutil.copyfile(ROOT / "tests" / "e2e" / "fixtures" / "bridge" / "package.wxs", project / "package.wxs")
    shutil.copytree(ROOT / "tests" / "e2e" / "fixtures" / "bridge" / "files", project / "files", dirs_exist_ok=True)
    subprocess.run([str(wine.qx()), "build", str(project), "-o", str(out), "--name", "Bench", "--engine",
                    str(wine.engine())], check=True, stdout=subprocess.DEVNULL)
    return out / "Bench.exe"


def timed(executable: pathlib.Path, arguments) -> float:
    start = time.perf_counter()
    code = wine.run(executable, arguments, timeout=900)
    elapsed = time.perf_counter() - start
    if code != 0:
        raise RuntimeError(f"{executable.name} exited with {code}")
    return elapsed


def main() -> None:
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    wine.prepare_prefix()
    wine.start_server()
    folder = wine.SetupFolder()
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="qx-machine-bench-"))
    try:
        wine.reg("add", "HKCU\\" + KEY, "/v", "Text", "/d", "a text value", "/f", "/reg:32")
        wine.reg("add", "HKCU\\" + KEY, "/v", "Number", "/t", "REG_DWORD", "/d", "42", "/f", "/reg:32")
        work = folder.path("work")
        tree = folder.path("tree")
        work.mkdir()
        make_tree(tree)
        work_windows, tree_windows = wine.host_to_windows(work), wine.host_to_windows(tree)

        calls = folder.path("machine-calls.exe")
        subprocess.run(["x86_64-w64-mingw32-gcc", "-O2", "-o", str(calls), str(ROOT / "bench" / "tools" / "MachineCalls.c")],
                       check=True)
        full = build_setup(scratch / "full", folder.path("full"), script(work_windows, tree_windows, False))
        empty = build_setup(scratch / "empty", folder.path("empty"), script(work_windows, tree_windows, True))
        counts = [str(REGISTRY_READS), str(FILE_ROUNDS), str(EXISTENCE_CHECKS)]
        runs = {
            "engine": lambda: timed(full, ["/s"]),
            "engine-empty": lambda: timed(empty, ["/s"]),
            "api": lambda: timed(calls, [*counts, work_windows, tree_windows]),
            "api-empty": lambda: timed(calls, [*counts, "-", tree_windows]),
        }
        times = {name: [] for name in runs}
        for _ in range(rounds):
            for name, run in runs.items():
                (work / "bench.txt").unlink(missing_ok=True)
                times[name].append(run())
                wine.remove_support_folders()
        for name, values in times.items():
            print(f"{name:13} median {statistics.median(values):7.3f} s  min {min(values):7.3f} s  ({rounds} runs)")
        # The best of the rounds: other load on the machine only ever adds time.
        engine = min(times["engine"]) - min(times["engine-empty"])
        api = min(times["api"]) - min(times["api-empty"])
        commands = REGISTRY_READS + 2 * FILE_ROUNDS + EXISTENCE_CHECKS + 1
        print(f"engine: {engine / commands * 1e6:.1f} us a command; bare calls: {api / commands * 1e6:.1f} us")
        print(f"engine / bare Win32 calls: {engine / api:.2f}x (goal: within 1.5x)")
    finally:
        folder.remove()
        shutil.rmtree(scratch, ignore_errors=True)
        wine.reg("delete", "HKCU\\" + KEY, "/f", "/reg:32")
        wine.stop_server()


if __name__ == "__main__":
    main()
