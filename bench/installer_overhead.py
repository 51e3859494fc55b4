#!/usr/bin/python3
"""Wall time of installing the bridge fixture's package under Wine: `msiexec /i PACKAGE /qn` against
the installer probe's install through the engine's win32 backend (message handler, log), with the
same properties, each after a removal. Needs the win64 and native builds.

    bench/installer_overhead.py [ROUNDS]
"""
import os
import pathlib
import shutil
import statistics
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
BUILD = ROOT / "build"
os.environ.setdefault("WINEPREFIX", str(BUILD / "win64" / "wineprefix"))
os.environ.setdefault("QUARRIX_ENGINE", str(BUILD / "win64" / "bin" / "quarrix-setup.exe"))
os.environ.setdefault("QUARRIX_ARCHIVE_LIBRARY", str(BUILD / "win64" / "bin" / "zvk.lib"))
os.environ.setdefault("QUARRIX_QX", str(BUILD / "native" / "bin" / "qx"))
PROBE = pathlib.Path(os.environ.get("QUARRIX_INSTALLER_PROBE", BUILD / "win64" / "bin" / "installer-probe.exe"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import msi_fixture as fixture  # noqa: E402
import wine  # noqa: E402

PROPERTIES = [f"{fixture.action_property(header)}=TRUE"
              for header in (fixture.INSTALL_FILES, fixture.WRITE_REGISTRY, fixture.CREATE_SHORTCUT)]


def timed(run) -> float:
    start = time.perf_counter()
    code = run()
    elapsed = time.perf_counter() - start
    if code != 0:
        raise RuntimeError(f"exit code {code}")
    return elapsed


def probe_install(probe, report, windows_package, folder, calls: list) -> int:
    code = wine.run(probe, [report, "install", windows_package, folder.windows_path("install.log"), *PROPERTIES],
                    timeout=180)
    values = dict(line.split(" ", 1) for line in folder.path("report.txt").read_text(errors="replace").splitlines()
                  if " " in line)
    calls.append(int(values["elapsed-ms"]) / 1000)  # the installer call alone, inside the process
    return code if code != 0 else int(values["result"])


def main() -> None:
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    wine.prepare_prefix()
    wine.start_server()
    folder = wine.SetupFolder()
    try:
        out = folder.path("setup")
        fixture.build_setup(out)
        package = fixture.unpack_like_startup(out, folder.path("zvk1"))
        fixture.set_word_count(package, 8)
        shutil.copyfile(PROBE, folder.path("installer-probe.exe"))
        probe = folder.path("installer-probe.exe")
        report = folder.windows_path("report.txt")
        windows_package = wine.host_to_windows(package)

        def remove():
            return wine.run(probe, [report, "remove", windows_package, *PROPERTIES], timeout=180)

        times = {"msiexec": [], "probe": [], "call": []}
        runs = {
            "msiexec": lambda: fixture.msiexec("/i", windows_package, "/qn", *PROPERTIES),
            "probe": lambda: probe_install(probe, report, windows_package, folder, times["call"]),
        }
        remove()
        for _ in range(rounds):
            for name, run in runs.items():
                times[name].append(timed(run))
                if remove() != 0:
                    raise RuntimeError("removal failed")
        # msiexec and probe: the whole Wine process; call: the probe's InstallProduct alone.
        for name, values in times.items():
            print(f"{name:8} median {statistics.median(values) * 1000:7.0f} ms  "
                  f"min {min(values) * 1000:7.0f} ms  max {max(values) * 1000:7.0f} ms  ({rounds} runs)")
    finally:
        folder.remove()
        shutil.rmtree(fixture.installed_file(""), ignore_errors=True)
        wine.stop_server()


if __name__ == "__main__":
    main()
