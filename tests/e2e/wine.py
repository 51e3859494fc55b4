"""Running the engine under Wine in the private prefix of the test run.

The environment set by tests/e2e/CMakeLists.txt names the prefix (WINEPREFIX), the engine
(QUARRIX_ENGINE), the authoring tool (QUARRIX_QX) and a scratch folder (QUARRIX_E2E_WORK).
Run as a script with "prepare-prefix" it creates the prefix once per build folder.
"""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

PREFIX_TIMEOUT_SECONDS = 180
DEFAULT_RUN_TIMEOUT_SECONDS = 60


def prefix() -> pathlib.Path:
    return pathlib.Path(os.environ["WINEPREFIX"])


def engine() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_ENGINE"])


def qx() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_QX"])


def fake_archive_library() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_FAKE_ARCHIVE_LIBRARY"])


def wine_environment() -> dict:
    env = dict(os.environ)
    env["WINEDEBUG"] = "-all"
    # Without these Wine offers to download its .NET and HTML runtimes.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


def prefix_is_ready() -> bool:
    return (prefix() / "system.reg").is_file() and (prefix() / "user.reg").is_file() and \
        (prefix() / "drive_c" / "users").is_dir()


def prepare_prefix() -> None:
    """Creates the prefix unless an earlier run left a complete one."""
    if prefix_is_ready():
        return
    shutil.rmtree(prefix(), ignore_errors=True)
    prefix().parent.mkdir(parents=True, exist_ok=True)
    env = wine_environment()
    subprocess.run(["wineboot", "-i"], env=env, check=True, timeout=PREFIX_TIMEOUT_SECONDS,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # wineboot returns before the registry is flushed; the server writes it when it exits.
    subprocess.run(["wineserver", "-w"], env=env, check=True, timeout=PREFIX_TIMEOUT_SECONDS)
    if not prefix_is_ready():
        raise RuntimeError(f"wineboot did not create a usable prefix in {prefix()}")


# A server that stays between runs makes each run take a tenth of a second instead of seconds.
# It ends by itself this long after its last client, should a test run be killed.
SERVER_LINGER_SECONDS = 30


def start_server() -> None:
    # A server still lingering from an earlier, interrupted run refuses to start a second one
    # (exit code 2); the runs then simply use that one.
    subprocess.run(["wineserver", f"-p{SERVER_LINGER_SECONDS}"], env=wine_environment(), check=False,
                   timeout=PREFIX_TIMEOUT_SECONDS)


def stop_server() -> None:
    """Ends the prefix's server and anything still running in the prefix."""
    subprocess.run(["wineserver", "-k"], env=wine_environment(), timeout=PREFIX_TIMEOUT_SECONDS)


def windows_to_host(path: str) -> pathlib.Path:
    """The host path of a "C:\\..." path inside the prefix."""
    match = re.fullmatch(r"([A-Za-z]):\\?(.*)", path)
    if not match or match.group(1).lower() != "c":
        raise ValueError(f"not a path on drive C: {path!r}")
    parts = [part for part in match.group(2).split("\\") if part]
    return prefix().joinpath("drive_c", *parts)


def host_to_windows(path: pathlib.Path) -> str:
    relative = pathlib.Path(path).resolve().relative_to((prefix() / "drive_c").resolve())
    return "C:\\" + "\\".join(relative.parts)


def _user_environment_value(name: str):
    """A value of the user's [Environment] key in the prefix's user.reg, unescaped."""
    in_environment = False
    for line in (prefix() / "user.reg").read_text(encoding="utf-8", errors="replace").splitlines():
        if line.startswith("["):
            in_environment = line.startswith("[Environment]")
            continue
        match = re.fullmatch(r'"([^"]+)"="(.*)"', line.strip())
        if in_environment and match and match.group(1).upper() == name.upper():
            return match.group(2).replace("\\\\", "\\")
    return None


def temp_folder_windows() -> str:
    """GetTempPath of the prefix's user, with trailing backslash."""
    temp = _user_environment_value("TEMP")
    if temp is None or "%" in temp:
        users = [entry.name for entry in (prefix() / "drive_c" / "users").iterdir()
                 if entry.is_dir() and entry.name.lower() != "public"]
        if len(users) != 1:
            raise RuntimeError(f"cannot tell the prefix's user among {users}")
        temp = f"C:\\users\\{users[0]}\\Temp"
    return temp.rstrip("\\") + "\\"


def temp_folder() -> pathlib.Path:
    return windows_to_host(temp_folder_windows())


def support_folders() -> list:
    """The "zvk<N>" folders now in the temporary folder, by N."""
    found = []
    if temp_folder().is_dir():
        for entry in temp_folder().iterdir():
            match = re.fullmatch(r"zvk(\d+)", entry.name, re.IGNORECASE)
            if match and entry.is_dir():
                found.append((int(match.group(1)), entry))
    return [entry for _, entry in sorted(found)]


def remove_support_folders() -> None:
    for folder in support_folders():
        shutil.rmtree(folder, ignore_errors=True)


def run(executable: pathlib.Path, arguments=(), timeout=DEFAULT_RUN_TIMEOUT_SECONDS, environment=None) -> int:
    """Runs a Windows executable in the prefix; its exit code. A run past the timeout is killed.
    environment: variables to set for this run only, over the prefix's."""
    env = dict(wine_environment(), **(environment or {}))
    try:
        # Not piped: Wine's helper processes inherit the handles and would hold a pipe open.
        completed = subprocess.run(["wine", str(executable), *arguments], env=env, timeout=timeout,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        # Killing the loader leaves the Windows process behind; ending the prefix's server ends it.
        subprocess.run(["wineserver", "-k"], env=env, timeout=30)
        raise
    return completed.returncode


def reg(*arguments) -> subprocess.CompletedProcess:
    """Wine's reg.exe in the prefix, for reading what a run left in the registry."""
    with tempfile.TemporaryFile() as output:
        completed = subprocess.run(["wine", "reg", *arguments], env=wine_environment(),
                                   timeout=DEFAULT_RUN_TIMEOUT_SECONDS, stdout=output, stderr=subprocess.STDOUT)
        output.seek(0)
        completed.stdout = output.read().decode("utf-8", errors="replace").replace("\r\n", "\n")
    return completed


def read_trace_log(path: pathlib.Path) -> list:
    """The lines of a trace log; fails unless it is UTF-16LE without byte-order mark, CR LF ended."""
    data = pathlib.Path(path).read_bytes()
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        raise AssertionError("the trace log starts with a byte-order mark")
    if len(data) % 2:
        raise AssertionError("the trace log has an odd number of bytes")
    text = data.decode("utf-16-le")
    if text and not text.endswith("\r\n"):
        raise AssertionError(f"the trace log's last line is not ended by CR LF: {text[-40:]!r}")
    lines = text.split("\r\n")[:-1] if text else []
    if any("\n" in line or "\r" in line for line in lines):
        raise AssertionError("the trace log holds a line not ended by CR LF")
    return lines


class SetupFolder:
    """A fresh folder on drive C: of the prefix for one test's setup files; removed afterwards."""

    def __init__(self):
        base = windows_to_host("C:\\quarrix-e2e")
        base.mkdir(parents=True, exist_ok=True)
        self.host = pathlib.Path(tempfile.mkdtemp(prefix="setup", dir=base))
        self.windows = host_to_windows(self.host)

    def path(self, name: str) -> pathlib.Path:
        return self.host / name

    def windows_path(self, name: str) -> str:
        return self.windows + "\\" + name

    def remove(self) -> None:
        shutil.rmtree(self.host, ignore_errors=True)


if __name__ == "__main__":
    if sys.argv[1:] == ["prepare-prefix"]:
        prepare_prefix()
        print(f"prefix ready: {prefix()}; temporary folder {temp_folder_windows()}")
    else:
        sys.exit("usage: wine.py prepare-prefix")
