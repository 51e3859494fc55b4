"""Start-up of the real engine under Wine: the early exits, their trace logs and the support folder."""

import struct
import unittest

import setup_files
import wine

OPENING = ["<Quarrix>", "  <SetupSplash>"]
PAYLOAD_READ = ["    <StubSize>", "    </StubSize>", "    <StubData>", "    </StubData>",
                "    <GlobalLists>", "    </GlobalLists>"]
SUPPORT_FOLDER_MADE = ["    <SupportDir>", "    </SupportDir>"]
# Exits 14 and 15 both leave the extraction step open.
UP_TO_EXTRACTION = OPENING + PAYLOAD_READ + SUPPORT_FOLDER_MADE + ["    <ExtractArchive>"]
UP_TO_PACKAGE_CHECK = UP_TO_EXTRACTION + ["    </ExtractArchive>", "    <ExtractResource>"]
UP_TO_SCRIPT = UP_TO_PACKAGE_CHECK + ["    </ExtractResource>", "    <ResourcePath>", "    </ResourcePath>",
                                      "    <Dialogs>", "    </Dialogs>", "  </SetupSplash>", "  <RunScript>"]
AFTER_SCRIPT = ["  </RunScript>", "  <Free>", "  </Free>", "  <CachedSupportDir>", "  </CachedSupportDir>",
                "</Quarrix>"]
ARCHIVE_ENTRIES = ["a.txt", "sub\\b.txt"]
# What the stand-in library saw of the engine's whole-archive extraction at start-up.
EXPECTED_LIBRARY_REPORT = "\n".join([
    "alwaysOne=1", "mode=0", "password=", "targets=" + ",".join(ARCHIVE_ENTRIES),
    "passwordCalls=1:terminated,0",  # the empty password once, then no more
    "progress=1", "twoArgument=1", "overwrite=4"]) + "\n"


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class StartupTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)

    def run_setup(self, executable, *switches):
        # The engine lower-cases the log path, so the file is named in lower case from the start.
        log_argument = "/l=" + self.folder.windows_path("trace.log")
        code = wine.run(executable, [*switches, log_argument])
        return code, wine.read_trace_log(self.folder.path("trace.log"))

    def setup_with_payload(self):
        return setup_files.compiled_setup(setup_files.EMPTY_SCRIPT_SOURCE, self.folder.path("setup.exe"))

    def setup_with_archive(self, archive_lines):
        executable = self.setup_with_payload()
        self.folder.path("setup.res").write_bytes("".join(line + "\r\n" for line in archive_lines).encode())
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        return executable

    def test_engine_without_payload_ends_with_13_after_the_stub_size_tag(self):
        executable = setup_files.bare_engine(self.folder.path("setup.exe"))
        code, trace = self.run_setup(executable, "/s")
        self.assertEqual(code, 13)
        self.assertEqual(trace, OPENING + ["    <StubSize>"])
        self.assertEqual(wine.support_folders(), [], "no support folder before the payload is read")

    def test_missing_support_archive_ends_with_14_and_leaves_the_support_folder(self):
        for switch in ["/s", "/qn", "-S"]:
            with self.subTest(switch=switch):
                wine.remove_support_folders()
                code, trace = self.run_setup(self.setup_with_payload(), switch)
                self.assertEqual(code, 14)
                self.assertEqual(trace, UP_TO_EXTRACTION)
                self.assertEqual([folder.name for folder in wine.support_folders()], ["zvk1"])
                self.assertFalse((wine.temp_folder() / "zvk.tmp").exists(), "the payload copy is deleted")

    def test_support_archive_without_archive_library_ends_with_15(self):
        executable = self.setup_with_payload()
        self.folder.path("setup.res").write_bytes(b"not read without the library")
        code, trace = self.run_setup(executable, "/s")
        self.assertEqual(code, 15)
        self.assertEqual(trace, UP_TO_EXTRACTION)

    def test_archive_the_library_cannot_open_ends_with_15(self):
        executable = self.setup_with_archive(["entry a.txt", "fail 1003"])
        code, trace = self.run_setup(executable, "/s")
        self.assertEqual(code, 15)
        self.assertEqual(trace, UP_TO_EXTRACTION)

    def test_extracted_archive_without_installer_package_ends_with_16(self):
        executable = self.setup_with_archive(["entry " + entry for entry in ARCHIVE_ENTRIES])
        code, trace = self.run_setup(executable, "/s")
        self.assertEqual(code, 16)
        self.assertEqual(trace, UP_TO_PACKAGE_CHECK)
        [support] = wine.support_folders()
        for entry in ARCHIVE_ENTRIES:
            self.assertEqual(support.joinpath(*entry.split("\\")).read_text(), entry)
        self.assertEqual(support.joinpath("abi-report.txt").read_text(), EXPECTED_LIBRARY_REPORT)

    def test_run_with_installer_package_removes_the_support_folder(self):
        for package in ["setup.msi", "setup.msp"]:
            with self.subTest(package=package):
                executable = self.setup_with_archive(["entry " + entry for entry in ARCHIVE_ENTRIES])
                for stale in ["setup.msi", "setup.msp"]:
                    self.folder.path(stale).unlink(missing_ok=True)
                self.folder.path(package).write_bytes(b"package")
                code, trace = self.run_setup(executable, "/s")
                self.assertEqual(code, 0)
                self.assertEqual(trace[:len(UP_TO_SCRIPT)], UP_TO_SCRIPT)
                self.assertEqual(trace[-len(AFTER_SCRIPT):], AFTER_SCRIPT)
                self.assertEqual(wine.support_folders(), [])

    def test_support_folder_takes_the_first_free_number(self):
        cases = [([], "zvk1"), (["zvk1"], "zvk2"), (["zvk1", "zvk2"], "zvk3"), (["zvk2"], "zvk1")]
        executable = self.setup_with_payload()
        self.folder.path("setup.res").write_bytes(b"not read without the library")
        for existing, expected in cases:
            with self.subTest(existing=existing):
                wine.remove_support_folders()
                for name in existing:
                    (wine.temp_folder() / name).mkdir()
                code, _ = self.run_setup(executable, "/s")
                self.assertEqual(code, 15)
                # A 15 exit skips the clean-up, so the run's folder is still there to be found.
                created = {folder.name for folder in wine.support_folders()} - set(existing)
                self.assertEqual(created, {expected})

    def test_compatibility_mark_is_written_even_when_start_up_fails(self):
        # Wine reports Windows 10, so the mark for Windows 7 and later applies.
        key = "HKCR\\Applications\\setup.exe"
        wine.reg("delete", key, "/f")
        self.assertNotEqual(wine.reg("query", key).returncode, 0)
        executable = setup_files.bare_engine(self.folder.path("setup.exe"))
        code, _ = self.run_setup(executable, "/s")
        self.assertEqual(code, 13)
        query = wine.reg("query", key, "/v", "IsHostApp")
        self.assertEqual(query.returncode, 0, query.stdout)
        self.assertRegex(query.stdout, r"IsHostApp\s+REG_SZ\s*$")

    def test_trace_log_is_truncated_by_the_first_line_of_a_run(self):
        self.folder.path("trace.log").write_bytes("stale line\r\n".encode("utf-16-le") * 3)
        executable = setup_files.bare_engine(self.folder.path("setup.exe"))
        code, trace = self.run_setup(executable, "/s")
        self.assertEqual(code, 13)
        self.assertEqual(trace, OPENING + ["    <StubSize>"])


def imported_libraries(image: bytes) -> set:
    """The names in a PE image's import directory (the libraries the loader binds at process start)."""
    header = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, header + 6)
    optional = header + 24
    directories = optional + (112 if struct.unpack_from("<H", image, optional)[0] == 0x20B else 96)
    import_rva = struct.unpack_from("<I", image, directories + 8)[0]
    # Each section: virtual size, virtual address, raw size, raw offset.
    table = [struct.unpack_from("<8x4I", image, optional + optional_size + 40 * i) for i in range(sections)]

    def offset(rva):
        return next(raw + rva - address for size, address, _, raw in table if address <= rva < address + size)

    names = set()
    descriptor = offset(import_rva)
    while struct.unpack_from("<5I", image, descriptor) != (0, 0, 0, 0, 0):
        start = offset(struct.unpack_from("<I", image, descriptor + 12)[0])
        names.add(image[start:image.index(b"\0", start)].decode().lower())
        descriptor += 20
    return names


class EngineImportsTest(unittest.TestCase):
    def test_only_the_libraries_every_program_loads_are_bound_at_process_start(self):
        # The others (common controls, COM, the shell, HTTP, version resources) are bound on first
        # call: a silent run that needs none of them does not pay for loading them.
        self.assertEqual(imported_libraries(wine.engine().read_bytes()),
                         {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll"})


if __name__ == "__main__":
    unittest.main()
