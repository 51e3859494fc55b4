"""The engine's wizard windows under Wine on a virtual display: pages from dialog files answered from
the keyboard, a progress page that stays up while a program runs; silent, no window at all."""

import os
import pathlib
import shutil
import subprocess
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

    def wizard_setup(self) -> pathlib.Path:
        """Welcome and destination pages in a Wizard Loop; the exit code tells the answer and the folder."""
        source = setup_files.EMPTY_SCRIPT_SOURCE.replace('title = "E2E Product"', f'title = "{TITLE}"')
        source += ("Wizard Loop\n"
                   '  Display Dialog: Welcome WIZARD "" ""\n'
                   '  Display Dialog: Destination WIZARD "" ""\n'
                   "End\n"
                   "If: WIZARD 0 CANCEL FALSE\n"
                   "  Terminate with Exit Code: 5\n"
                   "End\n"
                   'If: TARGETDIR 0 "C:\\Typed Here" FALSE\n'
                   "  Terminate with Exit Code: 7\n"
                   "End\n"
                   "Terminate with Exit Code: 9\n")
        return self.with_pages(source, ["Welcome.dfm", "Destination.dfm"])

    def with_pages(self, source: str, pages) -> pathlib.Path:
        executable = setup_files.compiled_setup(source, self.folder.path("setup.exe"))
        support = self.folder.path("support")
        support.mkdir()
        for page in pages:
            shutil.copyfile(EXAMPLE_SUPPORT / page, support / page)
        subprocess.run(["7z", "a", "-bd", "-bso0", str(self.folder.path("setup.res")), "."], cwd=support, check=True,
                       timeout=60)
        shutil.copyfile(os.environ["QUARRIX_ARCHIVE_LIBRARY"], self.folder.path("zvk.lib"))
        self.folder.path("setup.msi").write_bytes(b"package")
        return executable

    def start(self, executable) -> subprocess.Popen:
        process = subprocess.Popen(["wine", str(executable)], env=wine.wine_environment(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        return process

    def next_page(self, seen: set) -> str:
        """The first visible wizard window not seen before."""
        fresh = display.wait_for(lambda: [w for w in display.windows_named(CAPTION)
                                          if w in display.visible_windows() and w not in seen])
        self.assertTrue(fresh, "no new wizard page appeared")
        seen.add(fresh[0])
        display.xdotool("windowfocus", "--sync", fresh[0], check=False)
        return fresh[0]

    def test_enter_advances_and_the_typed_folder_reaches_its_variable(self):
        process = self.start(self.wizard_setup())
        seen = set()
        self.next_page(seen)
        self.assertGreater(display.distinct_colours(display.screenshot()), 20, "the page is drawn")
        display.xdotool("key", "Return")
        self.next_page(seen)
        # The folder box is the destination page's first control: it has the focus.
        display.xdotool("key", "ctrl+a")
        display.xdotool("type", "--delay", "20", "C:\\Typed Here")
        display.xdotool("key", "Return")
        self.assertEqual(process.wait(timeout=RUN_TIMEOUT_SECONDS), 7, "NEXT, and TARGETDIR as typed")

    def test_escape_asks_and_yes_cancels_the_wizard(self):
        process = self.start(self.wizard_setup())
        self.next_page(set())
        before = set(display.visible_windows())
        display.xdotool("key", "Escape")
        question = display.wait_for(lambda: [w for w in display.visible_windows() if w not in before])
        self.assertTrue(question, "Escape pressed Cancel, which asks before it cancels")
        display.xdotool("windowfocus", "--sync", question[0], check=False)
        display.xdotool("key", "alt+y")
        self.assertEqual(process.wait(timeout=RUN_TIMEOUT_SECONDS), 5, "CANCEL")

    def test_progress_page_shows_while_a_program_runs_and_hide_dialog_takes_it_down(self):
        process = self.start(self.progress_setup())
        windows = display.wait_for(lambda: [w for w in display.windows_named(CAPTION) if w in display.visible_windows()])
        self.assertTrue(windows, "no visible window with the wizard caption")
        self.assertEqual(process.wait(timeout=RUN_TIMEOUT_SECONDS), 0)
        self.assertFalse([w for w in display.windows_named(CAPTION) if w in display.visible_windows()],
                         "Hide Dialog took the page down")

    def watch(self, executable, arguments):
        """Runs the setup; its exit code and every visible window name seen while it ran."""
        process = subprocess.Popen(["wine", str(executable), *arguments], env=wine.wine_environment(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            seen = display.names_seen_while(process, RUN_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            self.fail("the setup did not end")
        return process.returncode, seen

    def test_silent_run_shows_no_window(self):
        code, seen = self.watch(self.progress_setup(), ["/s"])
        self.assertEqual(code, 0)
        self.assertEqual(seen, set(), "a silent run shows nothing on the screen")


if __name__ == "__main__":
    unittest.main()
