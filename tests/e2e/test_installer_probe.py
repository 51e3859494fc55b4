"""The engine's win32 installer backend against Wine's msi.dll, driven by a probe program: package
databases read and edited through views and records, installs with the engine's message handler
and log, cancel, removal, the source list, and what a missing function gives."""

import os
import pathlib
import shutil
import unittest

import msi_fixture as fixture
import wine

A = fixture.action_property
HEADERS = (fixture.INSTALL_FILES, fixture.WRITE_REGISTRY, fixture.CREATE_SHORTCUT, fixture.SKIPPED_INSTALL_FILES)
OFF = {A(header): "FALSE" for header in HEADERS}
ON = dict(OFF, **{A(fixture.INSTALL_FILES): "TRUE", A(fixture.WRITE_REGISTRY): "TRUE",
                  A(fixture.CREATE_SHORTCUT): "TRUE",
                  fixture.parameter_property(fixture.WRITE_REGISTRY, 3): "from-the-probe"})
STATE_DEFAULT, STATE_UNKNOWN = "5", "-1"
# A step the probe's package gets after InstallFiles: Wine answers a cancel only at the start of
# a custom action.
CUSTOM_STEP = "QxProbeStep"
# Longer than the first buffer the backend reads texts into.
LONG_TEXT = "".join(chr(ord("a") + i % 26) for i in range(700))


def probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_INSTALLER_PROBE"])


def assignments(properties: dict) -> list:
    return [f"{name}={value}" for name, value in properties.items()]


def packed_guid(guid: str) -> str:
    """The installer's registry form of a GUID."""
    hex_digits = guid.strip("{}").replace("-", "")
    return hex_digits[7::-1] + hex_digits[11:7:-1] + hex_digits[15:11:-1] + \
        "".join(hex_digits[i + 1] + hex_digits[i] for i in range(16, 32, 2))


class Report:
    """The probe's "key value" lines."""

    def __init__(self, lines):
        self.lines = lines

    def get(self, key: str, default=None):
        for line in self.lines:
            if line == key or line.startswith(key + " "):
                return line[len(key) + 1:]
        return default

    def all(self, key: str) -> list:
        return [line[len(key) + 1:] for line in self.lines if line.startswith(key + " ")]

    def count(self, message_type: str) -> int:
        return int(self.get("messages " + message_type, "0"))


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class InstallerProbeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.built = wine.SetupFolder()
        cls.out = cls.built.path("setup")
        fixture.build_setup(cls.out)

    @classmethod
    def tearDownClass(cls):
        cls.built.remove()

    def setUp(self):
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.package = fixture.unpack_like_startup(self.out, self.folder.path("zvk1"))
        fixture.set_word_count(self.package, 8)  # as the engine does before it installs
        self.windows_package = wine.host_to_windows(self.package)
        shutil.copyfile(probe(), self.folder.path("installer-probe.exe"))
        self.addCleanup(shutil.rmtree, fixture.installed_file(""), True)
        # A test that failed half way must not leave the product to the next one.
        self.may_be_installed = False
        self.addCleanup(self.remove_leftover)

    def remove_leftover(self):
        if self.may_be_installed:
            self.run_probe("remove", self.windows_package, *assignments(ON))

    def run_probe(self, *arguments, environment=None) -> Report:
        if arguments[0] in ("install", "cancel", "throw"):
            self.may_be_installed = True
        elif arguments[0] == "remove":
            self.may_be_installed = False
        report = self.folder.path("report.txt")
        report.unlink(missing_ok=True)
        code = wine.run(self.folder.path("installer-probe.exe"), [self.folder.windows_path("report.txt"), *arguments],
                        timeout=180, environment=environment)
        lines = report.read_text(errors="replace").splitlines() if report.exists() else []
        self.assertEqual(code, 0, lines)
        return Report(lines)

    def log(self, name="install.log") -> pathlib.Path:
        return self.folder.path(name)

    def install(self, properties: dict) -> Report:
        return self.run_probe("install", self.windows_package, wine.host_to_windows(self.log()),
                              *assignments(properties))

    def remove(self, properties: dict) -> Report:
        # Wine's installer leaves a component whose condition is false at removal; the engine queues
        # the action properties of the first run again when it removes.
        report = self.run_probe("remove", self.windows_package, *assignments(properties))
        self.assertEqual(report.get("result"), "0", report.lines)
        self.assertEqual(report.get("state"), STATE_UNKNOWN)
        self.assertEqual(report.get("package-code"), "<none>")
        self.assert_nothing_installed()
        return report

    def assert_nothing_installed(self):
        self.assertFalse(fixture.installed_file("kept.txt").exists())
        self.assertIsNone(fixture.registry_data())
        self.assertEqual(fixture.shortcuts(), [])

    def add_custom_step(self):
        # A type-51 action (sets a property) right after InstallFiles.
        fixture.run_statements(
            self.package,
            "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
            f"VALUES ('{CUSTOM_STEP}', 51, 'QXPROBESTEP', '1')",
            f"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('{CUSTOM_STEP}', 4001)")

    def test_reads_properties_and_summary_through_views(self):
        before = self.package.read_bytes()
        report = self.run_probe("read", self.windows_package, "NoSuchProperty")
        self.assertEqual(report.get("property ProductCode"), fixture.PRODUCT_CODE)
        self.assertEqual(report.get("property ProductName"), "Bridge Fixture")
        self.assertEqual(report.get("property NoSuchProperty"), "<none>")
        self.assertEqual(report.get("rows"), str(len(fixture.select(self.package, "SELECT `Property` FROM `Property`"))))
        self.assertEqual(report.all("odd-row"), [])
        self.assertEqual(report.get("sequence InstallFiles"), "4000")
        self.assertEqual(report.get("bad-query"), "refused")
        self.assertEqual(report.get("summary Template"), "text Intel;1033")
        self.assertEqual(report.get("summary WordCount"), "int 8")
        self.assertEqual(report.get("summary RevisionNumber"), "text " + fixture.PACKAGE_CODE)
        self.assertEqual(report.get("summary Codepage"), "int 1252")
        # Opened read-only: the update and the commit it tried left the file as it was.
        self.assertEqual(report.get("readonly-commit"), "0")
        self.assertEqual(self.package.read_bytes(), before)

    def test_edits_rows_and_summary_that_another_reader_sees(self):
        comments = LONG_TEXT.upper()
        report = self.run_probe("edit", self.windows_package, "QXPROBE", LONG_TEXT, "2", comments)
        self.assertNotEqual(report.get("insert-existing"), "0", "an existing row cannot be inserted again")
        for step in ("update", "insert-new", "modify-update", "modify-insert", "summary-set WordCount",
                     "summary-set Comments", "summary-persist", "commit"):
            self.assertEqual(report.get(step), "0", step)

        rows = dict(fixture.select(self.package, "SELECT `Property`, `Value` FROM `Property`"))
        self.assertEqual(rows["ProductName"], LONG_TEXT)
        self.assertEqual(rows["QXPROBE"], LONG_TEXT)
        self.assertEqual(rows["QXPROBE2"], "42")
        self.assertEqual(rows["Manufacturer"], "Edited Maker")
        summary = fixture.summary_information(self.package)
        Libmsi = fixture.libmsi()
        self.assertEqual(summary.get_int(Libmsi.Property.SOURCE), 2)
        self.assertEqual(summary.get_string(Libmsi.Property.COMMENTS), comments)

        # The backend reads back texts longer than its first buffer.
        again = self.run_probe("read", self.windows_package, "QXPROBE")
        self.assertEqual(again.get("property QXPROBE"), LONG_TEXT)
        self.assertEqual(again.get("summary Comments"), "text " + comments)
        self.assertEqual(again.get("summary WordCount"), "int 2")

    def test_install_passes_the_properties_and_reports_every_kind_of_message(self):
        kept = (fixture.PROJECT / "files" / "kept.txt").read_bytes()
        cases = [("lines ran", ON, kept, "from-the-probe", 1), ("no line ran", OFF, None, None, 0)]
        for name, properties, file_bytes, data, shortcut_count in cases:
            with self.subTest(name):
                report = self.install(properties)
                self.assertEqual(report.get("result"), "0", report.lines)
                self.assertEqual(report.get("state"), STATE_DEFAULT)
                self.assertEqual(report.get("package-code"), fixture.PACKAGE_CODE)
                landed = fixture.installed_file("kept.txt")
                self.assertEqual(landed.read_bytes() if landed.exists() else None, file_bytes)
                self.assertFalse(fixture.installed_file("skipped.txt").exists())
                self.assertEqual(fixture.registry_data(), data)
                self.assertEqual(len(fixture.shortcuts()), shortcut_count)

                for kind in ("Info", "ActionStart", "ActionData", "Progress", "CommonData", "Initialize",
                             "Terminate"):
                    self.assertGreater(report.count(kind), 0, kind)
                for kind in ("FatalExit", "Error", "Warning", "FilesInUse"):
                    self.assertEqual(report.count(kind), 0, kind)
                self.assertEqual(report.get("foreign-thread"), "0", "messages come on the installing thread")
                self.assertEqual(report.get("log-released"), "yes")
                actions = report.all("action")
                self.assertLess(actions.index("InstallFiles"), actions.index("InstallFinalize"))
                self.assertIn("WriteRegistryValues", actions)
                self.remove(properties)

    def test_the_log_is_ansi_and_overwrites_what_the_file_held_from_its_start(self):
        # Wine's msi.dll opens the log without truncating it and writes from offset 0, whatever
        # the append attribute says: a header is lost, and what lay past the log's end stays.
        filler = b"\x01"  # in no log line
        header = b"QUARRIX PROBE HEADER\r\n" + filler * 65536 + b"\r\nEND OF HEADER\r\n"
        self.log().write_bytes(header)
        self.assertEqual(self.install(ON).get("result"), "0")
        self.remove(ON)
        data = self.log().read_bytes()
        self.assertEqual(len(data), len(header))
        self.assertNotIn(b"QUARRIX PROBE HEADER", data)
        self.assertTrue(data.endswith(filler + b"\r\nEND OF HEADER\r\n"))
        written = data[:data.index(filler)]
        self.assertEqual(header[len(written):], data[len(written):])
        # One byte a character in the ANSI code page, lines ended by LF alone.
        self.assertNotIn(b"\x00", written)
        self.assertFalse(written.startswith(b"\xff\xfe"))
        self.assertNotIn(b"\r", written)
        lines = written.decode("ascii").split("\n")
        self.assertTrue(any(line.startswith("=== Logging started") for line in lines), lines[:5])
        self.assertTrue(any(line.startswith("Action start") and line.endswith(": InstallFiles.") for line in lines))

    def test_cancel_answers(self):
        self.add_custom_step()
        cases = [
            # name, message answered, action, result, installed afterwards
            ("at a custom action's start", "start", CUSTOM_STEP, "1602", False),
            # Wine carries on where Windows would stop: it reads no answer from these messages.
            ("at a standard action's start", "start", "InstallFiles", "0", True),
            ("at the first progress message", "progress", "-", "0", True),
        ]
        for name, when, action, result, installed in cases:
            with self.subTest(name):
                report = self.run_probe("cancel", self.windows_package, wine.host_to_windows(self.log()), when,
                                        action, *assignments(ON))
                self.assertEqual(report.get("cancel-answered"), "yes")
                self.assertEqual(report.get("result"), result, report.lines)
                self.assertEqual(report.get("state"), STATE_DEFAULT if installed else STATE_UNKNOWN)
                self.assertEqual(fixture.installed_file("kept.txt").exists(), installed)
                if installed:
                    self.remove(ON)
                else:
                    # The scripted operations had not run yet: nothing to roll back, nothing left.
                    self.assertEqual(report.all("action")[-1], CUSTOM_STEP)
                    self.assert_nothing_installed()
                    self.assertFalse(fixture.installed_file("").exists())

    def test_an_exception_of_the_handler_leaves_the_installer_call_before_it_reaches_the_caller(self):
        self.add_custom_step()
        report = self.run_probe("throw", self.windows_package, wine.host_to_windows(self.log()), "start", CUSTOM_STEP,
                                *assignments(ON))
        self.assertEqual(report.get("exception"), "thrown by the message handler")
        self.assertIsNone(report.get("result"))
        # The installer finished its run (it answered the cancel) instead of being unwound.
        self.assertEqual(report.get("log-released"), "yes")
        self.assertEqual(report.all("state")[0], STATE_UNKNOWN)
        self.assertEqual(report.get("second-result"), "0")
        self.assertGreater(int(report.get("second-messages")), 0)
        self.assertEqual(report.all("state")[-1], STATE_DEFAULT)
        self.assertTrue(fixture.installed_file("kept.txt").exists())
        self.remove(ON)

    def test_adds_a_source_to_the_installed_product(self):
        self.assertEqual(self.install(ON).get("result"), "0")
        report = self.run_probe("source", self.windows_package, "C:\\quarrix-probe-source\\")
        self.assertEqual(report.get("add-source"), "0")
        self.assertEqual(report.get("add-source-unknown"), "1605")  # ERROR_UNKNOWN_PRODUCT
        net = wine.reg("query", "HKLM\\Software\\Classes\\Installer\\Products\\" +
                       packed_guid(fixture.PRODUCT_CODE) + "\\SourceList\\Net")
        self.assertEqual(net.returncode, 0, net.stdout)
        self.assertIn("C:\\quarrix-probe-source\\", net.stdout)
        self.remove(ON)

    def test_opens_a_package_for_its_actions(self):
        report = self.run_probe("package", self.windows_package)
        expected = {"open-package": "ok", "set-property": "0", "mode RebootAtEnd": "0", "mode RebootNow": "0",
                    "action CostInitialize": "0", "action NoSuchAction": "1626",  # ERROR_FUNCTION_NOT_CALLED
                    "open-missing": "nothing"}
        self.assertEqual({key: report.get(key) for key in expected}, expected)

    def test_a_patch_that_cannot_be_opened_is_refused(self):
        cases = [("no such file", self.folder.windows_path("nothing.msp")), ("a package, not a patch",
                                                                            self.windows_package)]
        for name, patch in cases:
            with self.subTest(name):
                self.assertNotIn(self.run_probe("patch", patch).get("apply-patch"), ("0", None))

    def test_what_is_missing_is_named_and_product_queries_answer_as_an_empty_machine(self):
        function = "Function not found: msi.dll.MsiQuarrixProbeNoSuchFunctionA"
        library = "Library not found: msi.dll"
        cases = [
            # name, environment, Require's text, OpenDatabase's outcome
            ("msi.dll lacks the function", None, function, "no exception"),
            ("msi.dll cannot be loaded", {"WINEDLLOVERRIDES": "mscoree,mshtml,msi="}, library, library),
        ]
        for name, environment, missing, opened in cases:
            with self.subTest(name):
                report = self.run_probe("missing", environment=environment)
                self.assertEqual(report.get("missing"), missing)
                self.assertEqual(report.get("find"), "nullptr")
                self.assertEqual(report.get("query-state"), STATE_UNKNOWN)
                self.assertEqual(report.get("product-info"), "<none>")
                self.assertEqual(report.get("open"), opened)


if __name__ == "__main__":
    unittest.main()
