"""Silent setups under Wine that ask the machine about itself: the Windows version (also with
Wine's per-program version set to older releases), the 64-bit state of the x86_64 engine, the
user and computer, an unknown installer product, and the platform mode that picks the registry
view of later reads and is kept in the saved instance data."""

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
title = "E2E System"
[script]
"""

# Settings by number, each kept under the name R<number> in the saved file.
SETTINGS = [0, 18, 17, 21, 25, 27, 33, 34, 37, 52, 60, 61, 62, 63, 64, 65, 68, 69, 70, 71, 74, 75, 76, 77, 79]

WINDOWS_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
ORGANISATION_32 = "E2E Organisation 32"
ORGANISATION_64 = "E2E Organisation 64"


BROWSER_KEY = r"HKLM\Software\Microsoft\Internet Explorer"


def probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_SYSTEM_PROBE"])


def registry_text(key, name, view):
    """A value's text in one registry view, or None."""
    completed = wine.reg("query", key, "/v", name, view)
    if completed.returncode != 0:
        return None
    for line in completed.stdout.split("\n"):
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == name:
            return parts[2].strip()
    return None


def version_at_least(text, wanted):
    parts = []
    for piece in (text or "").split(".")[:4]:
        parts.append(int(piece) if piece.isdigit() else 0)
    parts += [0] * (4 - len(parts))
    return parts >= wanted


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


def saved_pairs(path):
    """The name and value lines of a saved instance data file, as a dictionary."""
    lines = path.read_bytes().decode("cp1252").split("\r\n")
    return {lines[i]: lines[i + 1] for i in range(len(lines) - 1)}


class SystemInfoTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)

    def run_script(self, name, script_lines):
        executable = setup_files.compiled_setup(SETUP_VALUES + script_lines, self.folder.path(name + ".exe"))
        # Start-up needs a support archive the stand-in library unpacks, and a package beside it.
        self.folder.path(name + ".res").write_bytes(b"entry readme.txt\r\n")
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path(name + ".msi").write_bytes(b"package")
        return wine.run(executable, ["/s"])

    def settings_script(self, result_file):
        lines = []
        for number in SETTINGS:
            lines.append(f"Get System Settings: S{number} {number}")
            lines.append(f"Set Variable: R{number}$VELD$VELD$TRUE $S{number}$")
        lines += [
            "Get OS or SP Level: OSNAME TRUE",
            "Set Variable: NAME$VELD$VELD$TRUE $OSNAME$",
            "Get OS or SP Level: OSSP FALSE",
            "Set Variable: SP$VELD$VELD$TRUE $OSSP$",
            "Is MSI Setup Installed: {00000000-0000-0000-0000-0000000000B9} KNOWN",
            "Set Variable: MSI$VELD$VELD$TRUE $KNOWN$",
            f'Save Feature Selections: "{self.folder.windows_path(result_file)}"',
            "Terminate with Exit Code: 5",
        ]
        return "\n".join(lines) + "\n"

    def run_settings(self, name, version=None):
        """Runs the settings script, with Wine's version for this program set when given."""
        app_key = rf"HKCU\Software\Wine\AppDefaults\{name}.exe"
        if version is not None:
            self.assertEqual(wine.reg("add", app_key, "/v", "Version", "/d", version, "/f").returncode, 0)
            self.addCleanup(wine.reg, "delete", app_key, "/f")
        code = self.run_script(name, self.settings_script(name + ".dat"))
        self.assertEqual(code, 5)
        return saved_pairs(self.folder.path(name + ".dat"))

    def test_the_x86_64_engine_reports_the_prefixs_windows_and_user(self):
        saved = self.run_settings("facts")
        self.assertEqual(saved["R18"], "TRUE")
        self.assertEqual(saved["R17"], "FALSE")
        self.assertEqual(saved["R65"], "TRUE", "a 64-bit engine runs on a 64-bit system")
        self.assertEqual(saved["R75"], "AMD64")
        # The prefix's own version: the names stop at 6.1, newer releases are unknown.
        current = wine.reg("query", WINDOWS_KEY, "/v", "CurrentVersion").stdout.split()[-1]
        self.assertEqual(saved["NAME"], {"5.1": "XP", "5.2": "2003", "6.0": "VISTA", "6.1": "SEVEN"}.get(current, "UNKNOWN"))
        major, minor = (int(part) for part in current.split("."))
        self.assertEqual(saved["R69"], "TRUE" if major >= 6 else "FALSE")
        self.assertEqual(saved["R79"], "TRUE" if (major, minor) >= (6, 1) else "FALSE")
        self.assertEqual(saved["MSI"], "FALSE")
        # The prefix's user is an administrator of a workstation, the computer has a name.
        self.assertEqual(saved["R0"], "TRUE")
        self.assertEqual(saved["R63"], "ADMIN")
        self.assertEqual(saved["R68"], "FALSE")
        self.assertNotEqual(saved["R60"], "")
        self.assertNotEqual(saved["R61"], "")
        self.assertLessEqual(len(saved["R61"]), 15)
        self.assertRegex(saved["R33"], r"^[1-9][0-9]*$")
        self.assertRegex(saved["R34"], r"^[A-Za-z][^\x00]*$")
        self.assertRegex(saved["R64"], r"^[0-9]+$")
        # Neither hypervisor probe may crash the run; 74 is their negation.
        self.assertEqual(saved["R74"], "TRUE" if saved["R70"] == saved["R71"] == "FALSE" else "FALSE")
        self.assertEqual(saved["VELD64WOW"], "Win32")

    def test_older_windows_releases_get_their_names(self):
        # (Wine 8.0 answers its per-program "win7" as a server and "win2008r2" as a workstation,
        # the other way round, so 6.1 server products are proved natively only.)
        cases = [
            # Wine version, name, service pack, server, 6.0 or later server with a service pack
            ("win2008", "2008", "2", "TRUE", "TRUE"),
            ("vista", "VISTA", "2", "FALSE", "FALSE"),
            ("win2003", "2003", "2", "TRUE", "FALSE"),
            ("winxp64", "2003", "2", "FALSE", "FALSE"),
            ("win10", "UNKNOWN", "0", "FALSE", "FALSE"),
        ]
        for version, name, service_pack, server, server_with_pack in cases:
            with self.subTest(version=version):
                saved = self.run_settings("old" + version, version)
                self.assertEqual(saved["NAME"], name)
                self.assertEqual(saved["SP"], service_pack)
                self.assertEqual(saved["R68"], server)
                self.assertEqual(saved["R76"], server_with_pack)
                self.assertEqual(saved["R27"], "TRUE" if service_pack != "0" else "FALSE")
                self.assertEqual(saved["R65"], "TRUE")

    def test_64_bit_mode_switches_the_registry_view_and_is_saved(self):
        for view, text in (("/reg:32", ORGANISATION_32), ("/reg:64", ORGANISATION_64)):
            added = wine.reg("add", WINDOWS_KEY, "/v", "RegisteredOrganization", "/d", text, "/f", view)
            self.assertEqual(added.returncode, 0, added.stdout)
        code = self.run_script("mode", f"""
Get System Settings: ORG 36
Set Variable: BEFORE$VELD$VELD$TRUE $ORG$
Set 64 Bit Mode: true FALSE FALSE
Set 64 Bit Mode: FALSE FALSE TRUE
Get System Settings: ORG 36
Set Variable: AFTER$VELD$VELD$TRUE $ORG$
Get System Settings: WOW 65
Set Variable: WOW64$VELD$VELD$TRUE $WOW$
Get System Settings: IE 72
Set Variable: IE64$VELD$VELD$TRUE $IE$
Set 64 Bit Mode: TRUE FALSE FALSE
Get System Settings: IE 72
Set Variable: IE32$VELD$VELD$TRUE $IE$
Save Feature Selections: "{self.folder.windows_path("mode.dat")}"
Terminate with Exit Code: 6
""")
        self.assertEqual(code, 6)
        saved = saved_pairs(self.folder.path("mode.dat"))
        self.assertEqual(saved["BEFORE"], ORGANISATION_32, "Win32 mode reads the 32-bit view")
        self.assertEqual(saved["AFTER"], ORGANISATION_64, "x64 mode reads the 64-bit view")
        self.assertEqual(saved["WOW64"], "TRUE")
        # The browser's version is read in the view of the mode too (a wine64 prefix has it in
        # the 64-bit view only).
        for view, key in (("/reg:64", "IE64"), ("/reg:32", "IE32")):
            installed = registry_text(BROWSER_KEY, "Version", view)
            self.assertEqual(saved[key], "TRUE" if version_at_least(installed, [7, 0, 5730, 11]) else "FALSE", view)
        self.assertEqual(saved["VELD64WOW"], "Win32")

    def test_the_backend_sees_a_64_bit_system_and_a_process_without_wow64(self):
        shutil.copyfile(probe(), self.folder.path("system-probe.exe"))
        self.assertEqual(wine.run(self.folder.path("system-probe.exe"), [self.folder.windows_path("probe.txt")]), 0)
        report = {}
        for line in self.folder.path("probe.txt").read_text().splitlines():
            key, _, value = line.partition(" ")
            report[key] = value
        self.assertEqual(report["pointer-bits"], "64")
        self.assertEqual(report["system-64-bit"], "1")
        self.assertEqual(report["process-wow64"], "0")
        # The switch exists, and the system refuses it to a 64-bit process: nothing is redirected.
        self.assertEqual(report["redirection-switch"], "1")
        self.assertEqual(report["redirection-off"], "0")
        self.assertEqual(report["architecture"], "9")
        build = registry_text(WINDOWS_KEY, "CurrentBuild", "/reg:64")
        self.assertEqual(report["version"], registry_text(WINDOWS_KEY, "CurrentVersion", "/reg:64") + "." + build)
        self.assertEqual(report["service-pack"], '"' + (registry_text(WINDOWS_KEY, "CSDVersion", "/reg:64") or "") + '"')
        self.assertEqual(report["product-type"], "1")
        self.assertEqual(report["administrators"], "1")
        # The engine's answers are the backend's.
        saved = self.run_settings("cross")
        self.assertEqual(saved["R61"], report["computer-name"][:15])
        self.assertEqual(report["account"], saved["R62"] + "\\" + saved["R60"])
        self.assertEqual(saved["R33"], report["language"])
        shell = [int(part) for part in report["shdocvw"].split(".")] if report["shdocvw"] != "none" else None
        self.assertEqual(saved["R37"], "TRUE" if shell and shell >= [6, 0, 2800, 1106] else "FALSE")
        self.assertEqual(saved["R52"], "TRUE" if shell and shell >= [4, 70, 1155, 0] else "FALSE")


if __name__ == "__main__":
    unittest.main()
