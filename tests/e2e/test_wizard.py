"""The engine's wizard windows under Wine on a virtual display: a setup with a progress page that
stays up while a program runs; silent, it shows no window at all."""

import os
import pathlib
import shutil
import subprocess
import time
import unittest

import display
import setup_files
import wine

EXAMPLE_SUPPORT = pathlib.Path(__file__).resolve().parents[2] / "examples" / "welcome" / "support"
RUN_TIMEOUT_SECONDS = 60
TITLE = "Window Test"
CAPTION = TITLE + " Setup - Quarrix Wizard"


def setUpModule():
    display.start()
    wine.start_server()


def tearDownModule():
    wine.stop_server()
    display.stop()


class WizardWindowsTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        shutil.copyfile(os.environ["QUARRIX_PROGRAM_PROBE"], self.folder.path("probe.exe"))

    def progress_setup(self) -> pathlib.Path:
        """A setup whose progress page stays up, without waiting, while a program sleeps."""
        source = setup_files.EMPTY_SCRIPT_SOURCE.replace('title = "E2E Product"', f'title = "{TITLE}"')
        source += (f'Display Dialog: Progress "" FALSE ""\n'
                   f'Run Program: {self.folder.windows_path("probe.exe")} TRUE "sleep 2500" TRUE ""\n'
                   "Hide Dialog\n")
        executable = setup_files.compiled_setup(source, self.folder.path("setup.exe"))
        support = self.folder.path("support")
        support.mkdir()
        shutil.copyfile(EXAMPLE_SUPPORT / "Progress.dfm", support / "Progress.dfm")
        subprocess.run(["7z", "a", "-bd", "-bso0", str(self.folder.path("setup.res")), "."], cwd=support, check=True,
                       timeout=60)
        shutil.copyfile(os.environ["QUARRIX_ARCHIVE_LIBRARY"], self.folder.path("zvk.lib"))
        self.folder.path("setup.msi").write_bytes(b"package")
        return executable

    def watch(self, executable, arguments):
        """Runs the setup; its exit code and every visible window name seen while it ran."""
        process = subprocess.Popen(["wine", str(executable), *arguments], env=wine.wine_environment(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        seen = set()
        started = time.monotonic()
        while process.poll() is None and time.monotonic() - started < RUN_TIMEOUT_SECONDS:
            for window in display.visible_windows():
                seen.add(display.xdotool("getwindowname", window, check=False).strip())
            time.sleep(0.05)
        if process.poll() is None:
            process.kill()
            self.fail("the setup did not end")
        return process.returncode, seen - {""}

    def test_silent_run_shows_no_window(self):
        code, seen = self.watch(self.progress_setup(), ["/s"])
        self.assertEqual(code, 0)
        self.assertEqual(seen, set(), "a silent run shows nothing on the screen")


if __name__ == "__main__":
    unittest.main()
