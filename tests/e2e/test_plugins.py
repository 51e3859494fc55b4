"""Silent setups under Wine whose plug-in lines load a real plug-in library, built with mingw for
these tests, and call its RunTimeExecute: the variables go over as comma text and the store
becomes what the plug-in hands back. A library that cannot be loaded, one without the entry
point, a missing file and a plug-in that raises or crashes leave the variables as they were and
the script goes on."""

import os
import pathlib
import shutil
import subprocess
import unittest

import setup_files
import wine

SETUP_VALUES = """#quarrix-script 1
[setup]
product-code = {5A4E2E00-0000-0000-0000-0000000000D1}
revision-code = {5A4E2E00-0000-0000-0000-0000000000D2}
title = "E2E Plug-ins"
plugin-command = Shout
[script]
Set Variable: QUIET "hello, ""plug-in""\"
Set Variable: LOUD before
"""


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


def plugin_probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_PLUGIN_PROBE"])


class PluginsTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        media = self.folder.path("data") / "plugins"
        media.mkdir(parents=True)
        shutil.copyfile(plugin_probe(), media / "shout.dll")
        # No entry point: an ordinary DLL of the system. Not a library at all: a text file.
        shutil.copyfile(wine.windows_to_host("C:\\windows\\system32\\version.dll"), media / "version.dll")
        (media / "text.dll").write_text("not a library")
        self.results = self.folder.windows_path("results.txt")

    def run_script(self, lines, support_archive=False):
        executable = setup_files.compiled_setup(SETUP_VALUES + lines, self.folder.path("plugins.exe"))
        if support_archive:
            # The real archive library and a support archive that carries the plug-in.
            support = self.folder.path("support")
            support.mkdir(exist_ok=True)
            shutil.copyfile(plugin_probe(), support / "shout.dll")
            subprocess.run(["7z", "a", "-bd", "-bso0", str(self.folder.path("plugins.res")), "."], cwd=support,
                           check=True, timeout=60)
            shutil.copyfile(os.environ["QUARRIX_ARCHIVE_LIBRARY"], self.folder.path("zvk.lib"))
        else:
            self.folder.path("plugins.res").write_bytes(b"entry readme.txt\r\n")
            self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path("plugins.msi").write_bytes(b"package")
        return wine.run(executable, ["/s"])

    def report(self):
        return f'Write to Text File: "{self.results}" "$LOUD$|$QUIET$|$AFTER$" FALSE\n'

    def results_of(self):
        return self.folder.path("results.txt").read_text().rstrip("\r\n").split("|")

    def test_the_script_sees_what_the_plugin_returns(self):
        code = self.run_script('Shout: "upper QUIET LOUD" shout.dll @media="plugins\\"\n'
                               "Set Variable: AFTER ran\n" + self.report())
        self.assertEqual(code, 0)
        self.assertEqual(self.results_of(), ['HELLO, "PLUG-IN"', 'hello, "plug-in"', "ran"])

    def test_a_plugin_without_media_comes_from_the_support_folder_whatever_folder_the_line_names(self):
        code = self.run_script('Shout: "upper QUIET LOUD" "plugins\\shout.dll"\n'
                               "Set Variable: AFTER ran\n" + self.report(), support_archive=True)
        self.assertEqual(code, 0)
        self.assertEqual(self.results_of(), ['HELLO, "PLUG-IN"', 'hello, "plug-in"', "ran"])

    def test_what_the_plugin_cannot_answer_leaves_the_variables_as_they_were(self):
        # Each line names the variables a working call would change, so that a call that did not
        # fail as meant shows.
        cases = [
            ("no such file", 'Shout: "upper QUIET LOUD" gone.dll'),
            ("not a library", 'Shout: "upper QUIET LOUD" text.dll @media="plugins\\"'),
            ("no entry point", 'Shout: "upper QUIET LOUD" version.dll @media="plugins\\"'),
            ("answers -1", 'Shout: "fail QUIET LOUD" shout.dll @media="plugins\\"'),
            ("raises", 'Shout: "raise QUIET LOUD" shout.dll @media="plugins\\"'),
            ("crashes", 'Shout: "crash QUIET LOUD" shout.dll @media="plugins\\"'),
            ("raises when copying its output", 'Shout: "raise-on-copy QUIET LOUD" shout.dll @media="plugins\\"'),
            ("returns nothing", 'Set Variable: ABORTONERROR FALSE\nShout: "empty QUIET LOUD" shout.dll @media="plugins\\"'),
        ]
        for label, line in cases:
            with self.subTest(label):
                self.folder.path("results.txt").unlink(missing_ok=True)
                code = self.run_script(line + "\nSet Variable: AFTER ran\n" + self.report())
                self.assertEqual(code, 0)
                self.assertEqual(self.results_of(), ["before", 'hello, "plug-in"', "ran"])

    def test_an_empty_answer_ends_the_run_while_abort_on_error_holds(self):
        self.run_script('Shout: "empty QUIET LOUD" shout.dll @media="plugins\\"\n' + self.report())
        self.assertFalse(self.folder.path("results.txt").exists())


if __name__ == "__main__":
    unittest.main()
