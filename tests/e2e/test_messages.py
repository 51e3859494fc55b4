"""The MessageBox command under Wine on a virtual display: a setup built by qx build asks over its
progress page, the key pressed on the box reaches the script as its result; silent, no box."""

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
BOX_CAPTION = "Extras Question"
# The script ends with the button's exit code: YES 6, NO 7, CANCEL 2, no answer 3.
ANSWER_CODES = ("If: ANSWER 0 YES FALSE\n  Terminate with Exit Code: 6\nEnd\n"
                "If: ANSWER 0 NO FALSE\n  Terminate with Exit Code: 7\nEnd\n"
                "If: ANSWER 0 CANCEL FALSE\n  Terminate with Exit Code: 2\nEnd\n"
                "Terminate with Exit Code: 3\n")


def setUpModule():
    display.start()
    wine.start_server()


def tearDownModule():
    wine.stop_server()
    display.stop()


class MessageBoxTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)

    def built_setup(self, buttons: int) -> pathlib.Path:
        """A setup folder from a project: the progress page, then a question with these buttons."""
        place = self.folder.path(f"buttons{buttons}")
        project = place / "Product"
        (project / "support").mkdir(parents=True)
        shutil.copyfile(EXAMPLE_SUPPORT / "Progress.dfm", project / "support" / "Progress.dfm")
        (project / "package.msi").write_bytes(b"placeholder: start-up only checks that it is there")
        source = setup_files.EMPTY_SCRIPT_SOURCE + (
            'Display Dialog: Progress "" FALSE ""\n'
            f'MessageBox: "{BOX_CAPTION}" "Install the extras?" 1 {buttons} ANSWER\n' + ANSWER_CODES)
        (project / "setup.qxs").write_bytes(source.encode("cp1252"))
        out = place / "out"
        completed = subprocess.run([str(wine.qx()), "build", str(project), "-o", str(out), "--engine",
                                    str(wine.engine()), "--library", os.environ["QUARRIX_ARCHIVE_LIBRARY"]],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)
        self.assertEqual(completed.returncode, 0, completed.stdout)
        return out / "Product.exe"

    def test_the_key_pressed_on_the_box_is_the_scripts_answer(self):
        cases = [("No on a Yes/No box", 4, "alt+n", 7),
                 ("Escape on a Yes/No/Cancel box, as its close box", 5, "Escape", 2)]
        for name, buttons, key, code in cases:
            with self.subTest(name):
                process = subprocess.Popen(["wine", str(self.built_setup(buttons))], env=wine.wine_environment(),
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                self.addCleanup(lambda: process.poll() is None and process.kill())
                box = display.wait_for(lambda: [w for w in display.windows_named(BOX_CAPTION)
                                                if w in display.visible_windows()])
                self.assertTrue(box, "the question is on the screen")
                display.xdotool("windowfocus", "--sync", box[0], check=False)
                display.xdotool("key", key)
                self.assertEqual(process.wait(timeout=RUN_TIMEOUT_SECONDS), code)

    def test_silent_run_shows_no_box_and_leaves_the_answer_empty(self):
        process = subprocess.Popen(["wine", str(self.built_setup(4)), "/s"], env=wine.wine_environment(),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        seen = display.names_seen_while(process, RUN_TIMEOUT_SECONDS)
        self.assertEqual(process.returncode, 3, "no button was pressed")
        self.assertEqual(seen, set(), "a silent run shows nothing on the screen")


if __name__ == "__main__":
    unittest.main()
