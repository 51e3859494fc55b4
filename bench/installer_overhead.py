#!/usr/bin/python3
"""Wall time of installing the bridge fixture's package under Wine: `msiexec /i PACKAGE /qn` against
the installer probe's install through the engine's win32 backend (message handler, log), and
against the whole setup the fixture builds (`Bridge.exe /s`: start-up, script, package edits,
handshake file, the installer run with the message handler, instance registration), with the
same properties, each after a removal. Prints the engine's ratio to msiexec. Needs the win64 and
native builds.

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


UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
IDENT_CACHE_KEY = "HKLM\\SOFTWARE\\Orlevant\\Quarrix\\Ident.Cache\\" + fixture.PRODUCT_CODE


def forget_engine_instance() -> None:
    """What the engine registered, so that its next run is a first installation again."""
    completed = wine.reg("query", IDENT_CACHE_KEY, "/ve")
    for line in completed.stdout.splitlines():
        parts = line.split(None, 2)
        if completed.returncode == 0 and len(parts) == 3 and parts[0] == "(Default)":
            shutil.rmtree(wine.windows_to_host(parts[2]), ignore_errors=True)
    for key in (UNINSTALL_KEY + "Bridge Fixture", UNINSTALL_KEY + fixture.PRODUCT_CODE, IDENT_CACHE_KEY):
        wine.reg("delete", key, "/f")


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

        times = {"msiexec": [], "probe": [], "call": [], "engine": []}
        runs = {
            "msiexec": lambda: fixture.msiexec("/i", windows_package, "/qn", *PROPERTIES),
            "probe": lambda: probe_install(probe, report, windows_package, folder, times["call"]),
            "engine": lambda: wine.run(out / (fixture.NAME + ".exe"), ["/s"], timeout=180),
        }
        remove()
        for _ in range(rounds):
            for name, run in runs.items():
                times[name].append(timed(run))
                if remove() != 0:
                    raise RuntimeError("removal failed")
                forget_engine_instance()
                wine.remove_support_folders()
        # msiexec and probe: the whole Wine process; call: the probe's InstallProduct alone.
        for name, values in times.items():
            print(f"{name:8} mean {statistics.mean(values) * 1000:7.0f} ms  "
                  f"median {statistics.median(values) * 1000:7.0f} ms  "
                  f"min {min(values) * 1000:7.0f} ms  max {max(values) * 1000:7.0f} ms  ({rounds} runs)")
        # Wine's process waits come in steps of about 50 ms: the means compare finer than medians.
        ratio = statistics.mean(times["engine"]) / statistics.mean(times["msiexec"])
        print(f"engine / msiexec /qn (means): {ratio:.2f}x (goal: within 1.10x)")
    finally:
        folder.remove()
        shutil.rmtree(fixture.installed_file(""), ignore_errors=True)
        wine.stop_server()


if __name__ == "__main__":
    main()
