"""The package qx build makes from package.wxs, installed for real by Wine's Windows Installer:
its files come from the uncompressed source image, its rows are switched by action properties."""

import shutil
import unittest

import msi_fixture as fixture
import wine

A = fixture.action_property


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class BuiltPackageTest(unittest.TestCase):
    def setUp(self):
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.out = self.folder.path("setup")
        fixture.build_setup(self.out)
        self.package = fixture.unpack_like_startup(self.out, self.folder.path("zvk1"))
        fixture.set_word_count(self.package, 8)  # as the engine does before it installs
        self.addCleanup(shutil.rmtree, fixture.installed_file(""), True)

    def install(self, properties):
        assignments = [f"{name}={value}" for name, value in properties.items()]
        return fixture.msiexec("/i", wine.host_to_windows(self.package), "/qn", *assignments)

    def remove(self, properties):
        # Wine's installer leaves a component whose condition is false at removal; the engine queues
        # the action properties of the first run again when it removes.
        assignments = [f"{name}={value}" for name, value in properties.items()]
        return fixture.msiexec("/x", wine.host_to_windows(self.package), "/qn", *assignments)

    def test_action_properties_switch_the_rows_of_their_lines(self):
        # The run entry sets every action property to FALSE; the lines that run set theirs to TRUE.
        off = {A(header): "FALSE" for header in (fixture.INSTALL_FILES, fixture.WRITE_REGISTRY,
                                                 fixture.CREATE_SHORTCUT, fixture.SKIPPED_INSTALL_FILES)}
        on = dict(off, **{A(fixture.INSTALL_FILES): "TRUE", A(fixture.WRITE_REGISTRY): "TRUE",
                          A(fixture.CREATE_SHORTCUT): "TRUE",
                          fixture.parameter_property(fixture.WRITE_REGISTRY, 3): "from-the-property"})
        kept = (fixture.PROJECT / "files" / "kept.txt").read_bytes()
        cases = [("lines ran", on, kept, "from-the-property", 1), ("no line ran", off, None, None, 0)]
        for name, properties, file_bytes, data, shortcut_count in cases:
            with self.subTest(name):
                self.assertEqual(self.install(properties), 0)
                landed = fixture.installed_file("kept.txt")
                self.assertEqual(landed.read_bytes() if landed.exists() else None, file_bytes)
                self.assertFalse(fixture.installed_file("skipped.txt").exists())
                self.assertEqual(fixture.registry_data(), data)
                self.assertEqual(len(fixture.shortcuts()), shortcut_count)
                self.assertEqual(self.remove(properties), 0)
                self.assertFalse(landed.exists())
                self.assertEqual(fixture.shortcuts(), [])

    def test_files_come_from_the_source_image_beside_the_package(self):
        image = self.package.parent / "Quarrix Bridge Fixture" / "kept.txt"
        image.write_bytes(b"the source image, not the cabinet")
        switched_on = {A(fixture.INSTALL_FILES): "TRUE"}
        self.assertEqual(self.install(switched_on), 0)
        self.assertEqual(fixture.installed_file("kept.txt").read_bytes(), b"the source image, not the cabinet")
        self.assertEqual(self.remove(switched_on), 0)
        image.unlink()
        self.assertNotEqual(self.install(switched_on) % 256, 0,
                            "without its source image the package cannot install")


UNINSTALL_KEY = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
IDENT_CACHE_KEY = "HKLM\\SOFTWARE\\Orlevant\\Quarrix\\Ident.Cache\\" + fixture.PRODUCT_CODE
TITLE = "Bridge Fixture"
EXIT_NOT_COMPLETE = 40  # the script's exit code unless Apply Changes gives COMPLETE


def registry_value(key: str, name: str):
    """A value as reg.exe prints it, or None when the key or the value is missing."""
    arguments = ("query", key, "/ve") if name == "" else ("query", key, "/v", name)
    completed = wine.reg(*arguments)
    if completed.returncode != 0:
        return None
    for line in completed.stdout.splitlines():
        parts = line.split(None, 2)
        if len(parts) == 3 and parts[0] == (name or "(Default)"):
            return parts[2]
    return None


def installer_log_lines(lines: list) -> list:
    """What follows the apply's header in the trace log: the installer's own log."""
    end = lines.index("*** MSI Directory ***") + 4
    return lines[end:lines.index("    </veld>", end)]


class ApplyChangesTest(unittest.TestCase):
    """The engine's own runs of the fixture setup: the script's lines decide what the installer does."""

    def setUp(self):
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        self.addCleanup(shutil.rmtree, fixture.installed_file(""), True)
        self.addCleanup(self.remove_leftovers)

    def remove_leftovers(self):
        fixture.msiexec("/x", fixture.PRODUCT_CODE, "/qn")
        instance = registry_value(IDENT_CACHE_KEY, "")
        if instance:
            shutil.rmtree(wine.windows_to_host(instance), ignore_errors=True)
        for key in (UNINSTALL_KEY + TITLE, UNINSTALL_KEY + fixture.PRODUCT_CODE, IDENT_CACHE_KEY):
            wine.reg("delete", key, "/f")

    def run_setup(self, executable, *arguments, log=None):
        extra = [f"/l={wine.host_to_windows(log)}"] if log else []
        return wine.run(executable, ["/s", *extra, *arguments], timeout=240)

    def test_install_then_maintenance_then_removal_from_the_instance(self):
        executable = fixture.build_setup(self.folder.path("setup"))
        log = self.folder.path("first.log")
        self.assertEqual(self.run_setup(executable, log=log), 0, "Apply Changes gave COMPLETE")
        # Only the lines that ran switched their rows on.
        self.assertEqual(fixture.installed_file("kept.txt").read_bytes(),
                         (fixture.PROJECT / "files" / "kept.txt").read_bytes())
        self.assertFalse(fixture.installed_file("skipped.txt").exists(), "its line is inside an If that is false")
        self.assertEqual(fixture.registry_data(), fixture.REGISTRY_DATA)
        self.assertEqual(len(fixture.shortcuts()), 1)
        # The engine's own registration.
        instance = registry_value(IDENT_CACHE_KEY, "")
        self.assertIsNotNone(instance)
        instance_folder = wine.windows_to_host(instance)
        for name in (fixture.NAME + ".exe", fixture.NAME + ".msi", fixture.NAME + ".res", "zvk.lib"):
            self.assertTrue((instance_folder / name).is_file(), name)
        uninstall = registry_value(UNINSTALL_KEY + TITLE, "UninstallString")
        self.assertEqual(uninstall, f'"{instance}{fixture.NAME}.exe" REMOVE=TRUE MODIFY=FALSE')
        self.assertEqual(registry_value(UNINSTALL_KEY + TITLE, "DisplayName"), TITLE)
        # The header of the apply and the installer's own log, in one trace file.
        lines = wine.read_trace_log(log)  # one UTF-16LE text, the installer's lines taken in
        for section in ("*** Variables ***", "*** Properties ***", "*** MSI Database ***", "*** GUID ***",
                        "*** Data Directory ***", "*** Media Directory ***", "*** MSI Directory ***"):
            self.assertIn(section, lines)
        self.assertTrue(any(": Applying Changes @" in line for line in lines))
        # Wine's installer logs only what the external handler leaves unhandled: its product lines.
        self.assertTrue(any(fixture.PRODUCT_CODE in line for line in installer_log_lines(lines)))

        # Maintenance: the setup finds its instance and repairs.
        log = self.folder.path("maintenance.log")
        self.assertEqual(self.run_setup(executable, log=log), 0)
        lines = wine.read_trace_log(log)
        # The variables text holds NEWLINE's line break: it spans the lines up to the next section.
        variables = "\r\n".join(lines[lines.index("*** Variables ***") + 1:lines.index("*** Properties ***")])
        self.assertIn(",MAINTENANCE,TRUE,", variables)
        self.assertTrue(fixture.installed_file("kept.txt").exists())

        # Removal through the Uninstall entry: the cached engine removes the product and itself.
        cached = instance_folder / (fixture.NAME + ".exe")
        self.assertEqual(self.run_setup(cached, "REMOVE=TRUE", "MODIFY=FALSE"), 0)
        self.assertFalse(fixture.installed_file("kept.txt").exists())
        self.assertIsNone(fixture.registry_data())
        self.assertEqual(fixture.shortcuts(), [])
        self.assertIsNone(registry_value(UNINSTALL_KEY + TITLE, "UninstallString"))
        self.assertIsNone(registry_value(IDENT_CACHE_KEY, ""))
        # The engine ran from the instance folder: what it could not delete was moved aside.
        self.assertFalse((instance_folder / (fixture.NAME + ".msi")).exists())

    def test_advertise_registers_the_product_without_its_files(self):
        executable = fixture.build_setup(self.folder.path("setup"))
        self.assertEqual(self.run_setup(executable, "ADVERTISE=TRUE"), 0)
        self.assertFalse(fixture.installed_file("kept.txt").exists(), "advertising installs no files")
        instance = registry_value(IDENT_CACHE_KEY, "")
        self.assertIsNotNone(instance)
        self.assertTrue((wine.windows_to_host(instance) / "__ad").is_dir(), "the advertised-instance marker")

    def test_a_package_without_its_sources_gives_error(self):
        # The folder layout puts the source image beside the setup, not beside the package copy the
        # engine hands to the installer: the installer cannot find the file.
        executable = fixture.build_setup(self.folder.path("setup"), layout="folder")
        self.assertEqual(self.run_setup(executable), EXIT_NOT_COMPLETE)
        self.assertFalse(fixture.installed_file("kept.txt").exists())
        self.assertIsNone(registry_value(IDENT_CACHE_KEY, ""), "a failed apply registers nothing")


if __name__ == "__main__":
    unittest.main()
