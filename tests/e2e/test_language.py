"""The language dialog under Wine on a virtual display: a multi-language setup asks, a language is
chosen with the keyboard and OK, and the script sees it in LANGUAGE."""

import os
import shutil
import subprocess
import unittest

import display
import setup_files
import wine

RUN_TIMEOUT_SECONDS = 60
TITLE = "Language Test"
CAPTION = "Select Setup Language"
# Exit codes by the LANGUAGE the script sees.
EXIT_GERMAN = 31
EXIT_ENGLISH = 32
EXIT_OTHER = 33


def setUpModule():
    display.start()
    wine.start_server()


def tearDownModule():
    wine.stop_server()
    display.stop()


class LanguageDialogTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)

    def language_setup(self):
        source = (setup_files.EMPTY_SCRIPT_SOURCE.replace('title = "E2E Product"', f'title = "{TITLE}"')
                  .replace("ask-language = FALSE", "ask-language = TRUE"))
        source += (f"If: LANGUAGE 0 German FALSE\n  Terminate with Exit Code: {EXIT_GERMAN}\nEnd\n"
                   f"If: LANGUAGE 0 English FALSE\n  Terminate with Exit Code: {EXIT_ENGLISH}\nEnd\n"
                   f"Terminate with Exit Code: {EXIT_OTHER}\n")
        executable = setup_files.compiled_setup(source, self.folder.path("setup.exe"))
        support = self.folder.path("support")
        support.mkdir()
        tables = {"translations.Map": "Welcome.dfm", "translations.Original": "Welcome",
                  "translations.English": "Welcome", "translations.German": "Willkommen",
                  f"{TITLE}.mtx": "WelcomeTitle"}
        for name, line in tables.items():
            (support / name).write_bytes(line.encode() + b"\r\n")
        subprocess.run(["7z", "a", "-bd", "-bso0", str(self.folder.path("setup.res")), "."], cwd=support, check=True,
                       timeout=60)
        shutil.copyfile(os.environ["QUARRIX_ARCHIVE_LIBRARY"], self.folder.path("zvk.lib"))
        self.folder.path("setup.msi").write_bytes(b"package")
        return executable

    def start_and_focus_the_dialog(self) -> subprocess.Popen:
        process = subprocess.Popen(["wine", str(self.language_setup())], env=wine.wine_environment(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        windows = display.wait_for(lambda: [w for w in display.windows_named(CAPTION)
                                            if w in display.visible_windows()])
        self.assertTrue(windows, "the language dialog appeared")
        display.xdotool("windowfocus", "--sync", windows[0], check=False)
        return process

    def test_a_language_chosen_with_the_keyboard_reaches_the_script(self):
        process = self.start_and_focus_the_dialog()
        # The list has the focus; a letter picks the language that starts with it, Enter is OK.
        display.xdotool("key", "g")
        display.xdotool("key", "Return")
        self.assertEqual(process.wait(timeout=RUN_TIMEOUT_SECONDS), EXIT_GERMAN, "LANGUAGE is German")

    def test_escape_cancels_and_the_setup_ends_without_running_a_line(self):
        process = self.start_and_focus_the_dialog()
        display.xdotool("key", "Escape")
        self.assertEqual(process.wait(timeout=RUN_TIMEOUT_SECONDS), 0, "no line ran, so no exit code was set")

if __name__ == "__main__":
    unittest.main()
