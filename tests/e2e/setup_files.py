"""Setup executables for the end-to-end tests, built from script sources by qx."""

import os
import pathlib
import shutil
import subprocess
import tempfile

import wine

QX_TIMEOUT_SECONDS = 60

# A script without lines: enough for everything start-up does before the script runs.
EMPTY_SCRIPT_SOURCE = """#quarrix-script 1
[setup]
product-code = {00000000-0000-0000-0000-000000000001}
revision-code = {00000000-0000-0000-0000-000000000002}
title = "E2E Product"
default-language = English
ask-language = FALSE
[script]
"""


def _run_qx(*arguments) -> None:
    if not wine.qx().is_file():
        raise RuntimeError(f"qx not found at {wine.qx()}: build the native preset first "
                           "(or point the CMake cache variable QUARRIX_QX at it)")
    completed = subprocess.run([str(wine.qx()), *map(str, arguments)], timeout=QX_TIMEOUT_SECONDS,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    if completed.returncode != 0:
        raise RuntimeError(f"qx {arguments[0]} failed ({completed.returncode}): {completed.stdout}")


def compiled_setup(source: str, target: pathlib.Path) -> pathlib.Path:
    """The engine with the payload compiled from source attached, written to target."""
    work = pathlib.Path(os.environ["QUARRIX_E2E_WORK"])
    work.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=work) as scratch:
        source_path = pathlib.Path(scratch) / "setup.qxs"
        payload_path = pathlib.Path(scratch) / "setup.payload"
        source_path.write_bytes(source.encode("cp1252"))
        _run_qx("compile", source_path, "-o", payload_path)
        _run_qx("attach", wine.engine(), payload_path, "-o", target)
    return target


def compiled_payload(source: str, target: pathlib.Path) -> pathlib.Path:
    """The payload compiled from source, without an engine in front of it, written to target."""
    work = pathlib.Path(os.environ["QUARRIX_E2E_WORK"])
    work.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=work) as scratch:
        source_path = pathlib.Path(scratch) / "setup.qxs"
        source_path.write_bytes(source.encode("cp1252"))
        _run_qx("compile", source_path, "-o", target)
    return target


def bare_engine(target: pathlib.Path) -> pathlib.Path:
    shutil.copyfile(wine.engine(), target)
    return target
