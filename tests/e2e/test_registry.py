"""Registry, INI and environment reads of a silent setup under Wine, and its registry deletions:
values of every type written by reg.exe into both registry views, INI files beside the setup and
in the Windows folder, and variables of the engine's own environment."""

import os
import pathlib
import shutil
import unittest

import setup_files
import wine

SETUP_VALUES = """#quarrix-script 1
[setup]
product-code = {00000000-0000-0000-0000-0000000000B1}
revision-code = {00000000-0000-0000-0000-0000000000B2}
title = "E2E Registry"
[script]
"""

KEY = "Software\\QuarrixE2E"
HKCU_KEY = "HKCU\\" + KEY
HKLM_KEY = "HKLM\\" + KEY
WINDOWS_INI = "C:\\windows\\quarrix-e2e.ini"

# (value name, type, data as reg.exe takes it); all in HKCU\Software\QuarrixE2E.
USER_VALUES = [
    ("Text", "REG_SZ", "hello world"),
    ("Expand", "REG_EXPAND_SZ", "%TEMP%\\x"),
    ("AllOnes", "REG_DWORD", "4294967295"),
    ("Seven", "REG_DWORD", "7"),
    ("Bytes", "REG_BINARY", "0AFF"),
    ("List", "REG_MULTI_SZ", "a\\0b"),
    ("Big", "REG_QWORD", "5"),
    ("Marker", "REG_SZ", "NO$VALUE"),
    ("Doomed", "REG_SZ", "going"),
]

ENVIRONMENT = {"QX_E2E_VALUE": "hello world"}

INI_TEXT = "; settings\r\n[Main]\r\n  Name = Value with spaces  \r\nQuoted=\"  padded  \"\r\n[Other]\r\nName=other\r\n"


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


def reg_checked(*arguments):
    completed = wine.reg(*arguments)
    if completed.returncode != 0:
        raise AssertionError(f"reg {' '.join(arguments)} failed: {completed.stdout}")


def probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_REGISTRY_PROBE"])


def hex_text(text):
    return text.encode("ascii").hex().upper()


def key_exists(key, view):
    return wine.reg("query", key, view).returncode == 0


class RegistryTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        self.addCleanup(self.remove_keys)
        self.remove_keys()
        for name, kind, data in USER_VALUES:
            reg_checked("add", HKCU_KEY, "/v", name, "/t", kind, "/d", data, "/f")
        # The same value in both views; a deeper tree in each for the deletion.
        for view, data in (("/reg:32", "32-bit"), ("/reg:64", "64-bit")):
            reg_checked("add", HKLM_KEY, "/v", "View", "/d", data, "/f", view)
            reg_checked("add", HKLM_KEY + "\\Tree\\Branch\\Deep", "/v", "Leaf", "/d", data, "/f", view)
        reg_checked("add", HKLM_KEY, "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0b", "/f", "/reg:64")
        reg_checked("add", HKLM_KEY + "\\Only32", "/v", "V", "/d", "here", "/f", "/reg:32")
        self.folder.path("app.ini").write_bytes(INI_TEXT.encode("ascii"))
        windows_ini = wine.windows_to_host(WINDOWS_INI)
        windows_ini.write_bytes(b"[main]\r\nname=in the Windows folder\r\n")
        self.addCleanup(windows_ini.unlink, True)

    def remove_keys(self):
        wine.reg("delete", HKCU_KEY, "/f")
        for view in ("/reg:32", "/reg:64"):
            wine.reg("delete", HKLM_KEY, "/f", view)

    def test_reads_of_every_kind_and_deletions_in_the_32_bit_view(self):
        ini = self.folder.windows_path("app.ini")
        # (what, command line setting R, expected value of R); a failing check ends the run
        # with its 1-based number as the exit code.
        checks = [
            ("a string", f'Read Registry: R 1 "{KEY}" Text', "hello world"),
            ("an expandable string unexpanded", f'Read Registry: R 1 "{KEY}" Expand', "%TEMP%\\x"),
            ("the largest number", f'Read Registry: R 1 "{KEY}" AllOnes', "-1"),
            ("a number", f'Check Registry: R 1 "{KEY}" Seven', "7"),
            ("binary bytes", f'Check Registry: R 1 "{KEY}" Bytes', "0AFF"),
            ("a multi-string", f'Check Registry: R 1 "{KEY}" List', "a$NEWLINE$b"),
            ("a 64-bit number, checked", f'Check Registry: R 1 "{KEY}" Big', "UNKNOWN$TYPE"),
            ("a 64-bit number, read", f'Read Registry: R 1 "{KEY}" Big', ""),
            ("a stored marker, checked", f'Check Registry: R 1 "{KEY}" Marker', "NO$VALUE"),
            ("a stored marker, read", f'Read Registry: R 1 "{KEY}" Marker', ""),
            ("a missing value", f'Check Registry: R 1 "{KEY}" Ghost', "NO$VALUE"),
            ("a missing key", f'Check Registry: R 1 "{KEY}\\Nowhere" Text', "NO$KEY"),
            ("the 32-bit view in Win32 mode", f'Check Registry: R 2 "{KEY}" View', "32-bit"),
            ("a key only the 32-bit view has", f'Check Registry: R 2 "{KEY}\\Only32" V', "here"),
            ("an INI entry", f'Get INI File Settings: R "{ini}" MAIN name', "Value with spaces"),
            ("a quoted INI entry", f'Get INI File Settings: R "{ini}" Main Quoted', "  padded  "),
            ("a missing INI key", f'Get INI File Settings: R "{ini}" Other Ghost', ""),
            ("an INI file in the Windows folder", 'Get INI File Settings: R quarrix-e2e.ini Main Name',
             "in the Windows folder"),
            ("an environment variable", "Get Environment: qx_e2e_value R", "hello world"),
            ("an undefined environment variable", "Get Environment: QX_E2E_UNDEFINED R", "%QX_E2E_UNDEFINED%"),
            ("an undefined reference stays whole", 'Get Environment: "QX_E2E_UNDEFINED%QX_E2E_VALUE" R',
             "%QX_E2E_UNDEFINED%QX_E2E_VALUE%"),
        ]
        lines = []
        for number, (_, command, expected) in enumerate(checks, 1):
            lines += [command, f'If: R 0 "{expected}" TRUE', f"  Terminate with Exit Code: {number}", "End"]
        block_check = len(checks) + 1
        lines += ['Get Environment: "" ALL', 'If: ALL 1 "QX_E2E_VALUE=hello world" TRUE',
                  f"  Terminate with Exit Code: {block_check}", "End"]
        lines += [f'Delete Registry: 1 "{KEY}" Doomed FALSE', f'Delete Registry: 2 "{KEY}\\Tree" "" TRUE']
        executable = setup_files.compiled_setup(SETUP_VALUES + "\n".join(lines) + "\n", self.folder.path("reg.exe"))
        self.folder.path("reg.res").write_bytes(b"entry readme.txt\r\n")
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path("reg.msi").write_bytes(b"package")

        code = wine.run(executable, ["/s"], environment=ENVIRONMENT)
        names = {number: what for number, (what, _, _) in enumerate(checks, 1)}
        names[block_check] = "the whole environment block"
        self.assertEqual(code, 0, f"check {code} failed: {names.get(code, 'not a check')}")

        self.assertNotIn("Doomed", wine.reg("query", HKCU_KEY).stdout)
        self.assertIn("Text", wine.reg("query", HKCU_KEY).stdout)
        # Win32 mode deletes the whole tree, and only in the 32-bit view.
        self.assertFalse(key_exists(HKLM_KEY + "\\Tree", "/reg:32"))
        self.assertTrue(key_exists(HKLM_KEY + "\\Tree\\Branch\\Deep", "/reg:64"))
        self.assertTrue(key_exists(HKLM_KEY, "/reg:32"))

    def test_the_backend_reads_lists_and_deletes_in_either_view(self):
        deep = KEY + "\\Tree\\Branch\\Deep"
        requests = [
            ("query|32|" + KEY + "|View", "found 1 " + hex_text("32-bit")),
            ("query|64|" + KEY + "|View", "found 1 " + hex_text("64-bit")),
            ("query|default|" + KEY + "|View", "found 1 " + hex_text("64-bit")),
            # A multi-string comes without the two zero bytes that end it.
            ("query|64|" + KEY + "|List", "found 7 610062"),
            ("query|64|" + KEY + "\\Only32|V", "nokey"),
            ("query|32|" + KEY + "|Ghost", "novalue"),
            ("subkeys|32|" + KEY, "subkeys Only32,Tree"),
            ("subkeys|64|" + KEY, "subkeys Tree"),
            ("delete|64|" + KEY + "\\Tree", "kept"),
            ("delete|64|" + deep, "deleted"),
            ("query|64|" + deep + "|Leaf", "nokey"),
            ("query|32|" + deep + "|Leaf", "found 1 " + hex_text("32-bit")),
        ]
        shutil.copyfile(probe(), self.folder.path("registry-probe.exe"))
        code = wine.run(self.folder.path("registry-probe.exe"),
                        [self.folder.windows_path("report.txt"), *(request for request, _ in requests)])
        self.assertEqual(code, 0)
        answers = self.folder.path("report.txt").read_text().splitlines()
        self.assertEqual(list(zip((request for request, _ in requests), answers)), requests)


if __name__ == "__main__":
    unittest.main()
