"""The real archive library under Wine: its exports driven by a probe program, and start-up
extracting a setup's support archive through it."""

import os
import pathlib
import shutil
import subprocess
import unittest

import wine

PASSWORD = "S3cret pass"


def library() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_ARCHIVE_LIBRARY"])


def probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_ARCHIVE_PROBE"])


def make_archive(source: pathlib.Path, archive: pathlib.Path, *options) -> pathlib.Path:
    subprocess.run(["7z", "a", "-bd", "-bso0", *options, str(archive), "."], cwd=source, check=True, timeout=60)
    return archive


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class ArchiveLibraryTest(unittest.TestCase):
    def setUp(self):
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        shutil.copyfile(library(), self.folder.path("zvk.lib"))
        shutil.copyfile(probe(), self.folder.path("zvk-probe.exe"))
        self.source = self.folder.path("source")
        (self.source / "sub" / "deeper").mkdir(parents=True)
        (self.source / "empty").mkdir()
        (self.source / "readme.txt").write_bytes(b"read me\r\n" * 100)
        (self.source / "sub" / "data.bin").write_bytes(os.urandom(300_000))
        (self.source / "sub" / "deeper" / "zero.txt").write_bytes(b"")

    def run_probe(self, *arguments):
        report = self.folder.path("report.txt")
        report.unlink(missing_ok=True)
        code = wine.run(self.folder.path("zvk-probe.exe"),
                        [self.folder.windows_path("report.txt"), self.folder.windows_path("zvk.lib"), *arguments])
        lines = report.read_text(errors="replace").splitlines() if report.exists() else []
        return code, lines

    def assert_same_tree(self, extracted: pathlib.Path):
        expected = sorted(p.relative_to(self.source) for p in self.source.rglob("*"))
        self.assertEqual(sorted(p.relative_to(extracted) for p in extracted.rglob("*")), expected)
        for path in expected:
            if (self.source / path).is_file():
                self.assertEqual((extracted / path).read_bytes(), (self.source / path).read_bytes(), path)

    def test_lists_and_extracts_plain_and_encrypted_archives(self):
        cases = [
            # name, 7z options, password, whether listing needs it
            ("default", [], None, False),
            ("solid off, store", ["-ms=off", "-mx0"], None, False),
            ("solid off: folders on several threads", ["-ms=off"], None, False),
            ("aes, solid off", [f"-p{PASSWORD}", "-ms=off"], PASSWORD, False),
            ("aes with encrypted header", [f"-p{PASSWORD}", "-mhe=on"], PASSWORD, True),
            ("aes, names visible", [f"-p{PASSWORD}"], PASSWORD, False),
        ]
        for name, options, password, listing_asks in cases:
            with self.subTest(name):
                archive = make_archive(self.source, self.folder.path(f"a{len(options)}{bool(password)}.7z"), *options)
                password_arguments = [password] if password else []
                code, lines = self.run_probe("list", self.folder.windows_path(archive.name), *password_arguments)
                self.assertEqual(code, 0, lines)
                listed = sorted(line[len("entry "):] for line in lines if line.startswith("entry "))
                self.assertEqual(listed, sorted(["empty", "readme.txt", "sub", "sub\\data.bin", "sub\\deeper",
                                                 "sub\\deeper\\zero.txt"]))
                self.assertIn(f"password {1 if listing_asks else 0}", lines, "asked through the callback when needed")

                target = self.folder.path("out-" + archive.stem)
                code, lines = self.run_probe("extract", self.folder.windows_path(archive.name),
                                             self.folder.windows_path(target.name) + "\\", *password_arguments)
                self.assertEqual(code, 0, lines)
                self.assertIn(f"password {1 if password else 0}", lines)
                self.assert_same_tree(target)

    def test_failures_report_their_codes_and_write_nothing(self):
        make_archive(self.source, self.folder.path("locked.7z"), f"-p{PASSWORD}", "-mhe=on")
        make_archive(self.source, self.folder.path("open.7z"))
        damaged = bytearray(self.folder.path("open.7z").read_bytes())
        damaged[len(damaged) // 3] ^= 0xFF
        self.folder.path("damaged.7z").write_bytes(bytes(damaged))
        make_archive(self.source, self.folder.path("folders.7z"), "-ms=off")
        damaged = bytearray(self.folder.path("folders.7z").read_bytes())
        damaged[32 + 10] ^= 0xFF  # the first folder's packed data
        self.folder.path("damaged-folder.7z").write_bytes(bytes(damaged))
        self.folder.path("text.7z").write_bytes(b"not an archive at all")
        cases = [
            ("missing archive", ["list", "none.7z"], "error 1001"),
            ("not an archive", ["list", "text.7z"], "error 1003"),
            ("wrong password", ["list", "locked.7z", "wrong"], "error 1003"),
            ("no password", ["extract", "locked.7z", "out-locked\\"], "error 1003"),
            ("damaged data", ["extract", "damaged.7z", "out-damaged\\"], None),
            ("cancelled by progress", ["extract", "open.7z", "out-cancel\\", "", "4", "1"], "error 1007"),
            ("damaged folder among others", ["extract", "damaged-folder.7z", "out-damaged-folder\\"], None),
            ("cancelled with folders on several threads", ["extract", "folders.7z", "out-cancel-folders\\", "", "4", "1"],
             "error 1007"),
        ]
        for name, arguments, expected in cases:
            with self.subTest(name):
                arguments = [arguments[0], self.folder.windows_path(arguments[1]),
                             *[self.folder.windows_path(a) if a.endswith("\\") else a for a in arguments[2:]]]
                code, lines = self.run_probe(*arguments)
                self.assertEqual(code, 1, lines)
                errors = [line for line in lines if line.startswith("error ")]
                self.assertEqual(len(errors), 1, lines)
                if expected:
                    self.assertEqual(errors[0], expected)
                else:
                    self.assertNotIn(errors[0], ["error 0", "error 1001", "error 1002"])
        self.assertFalse(self.folder.path("out-locked").exists() and any(self.folder.path("out-locked").rglob("*.*")))
        for name in ["out-damaged", "out-damaged-folder", "out-cancel-folders"]:
            out = self.folder.path(name)
            for path in out.rglob("*") if out.exists() else []:
                if path.is_file():
                    self.assertEqual(path.read_bytes(), (self.source / path.relative_to(out)).read_bytes(),
                                     "only intact files stay")

    def test_last_error_belongs_to_the_calling_thread(self):
        make_archive(self.source, self.folder.path("open.7z"))
        code, lines = self.run_probe("threads", self.folder.windows_path("none.7z"), self.folder.windows_path("open.7z"))
        self.assertEqual(code, 0, lines)
        self.assertIn("other 0", lines, "the second thread's listing succeeded")
        self.assertIn("error 1001", lines, "and left the first thread's failure as it was")

    def test_overwrite_answer_decides_over_existing_files(self):
        archive = make_archive(self.source, self.folder.path("files.7z"))
        for answer, expected in [("1", b"kept"), ("4", b"read me\r\n" * 100)]:
            with self.subTest(answer=answer):
                target = self.folder.path("out-" + answer)
                target.mkdir()
                (target / "readme.txt").write_bytes(b"kept")
                code, lines = self.run_probe("extract", self.folder.windows_path(archive.name),
                                             self.folder.windows_path(target.name) + "\\", "", answer)
                self.assertEqual(code, 0, lines)
                self.assertIn("overwrite 1", lines)
                self.assertEqual((target / "readme.txt").read_bytes(), expected)

    def test_language_file_sits_behind_the_last_section(self):
        language = pathlib.Path(os.environ["QUARRIX_LANGUAGE_FILE"]).read_bytes()
        image = library().read_bytes()
        self.assertTrue(image.endswith(language))
        self.assertEqual(language.count(b"\r\n"), 115)


SCRIPT_SOURCE = """#quarrix-script 1
[setup]
product-code = {00000000-0000-0000-0000-0000000000A1}
revision-code = {00000000-0000-0000-0000-0000000000A2}
title = "Archive Product"
default-language = English
ask-language = FALSE
[script]
Set Variable: DONE TRUE
"""

SUPPORT_FILES = {
    "Welcome.dfm": b"object Welcome\r\nend\r\n",
    "texts/licence.txt": b"licence text " * 500,
    "bin/data.bin": os.urandom(50_000),
}


class SupportArchiveStartupTest(unittest.TestCase):
    """Setups built by qx build: the real library unpacks NAME.res at start-up."""

    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        self.project = self.folder.path("Product")
        for relative, content in SUPPORT_FILES.items():
            path = self.project / "support" / relative
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content)
        (self.project / "setup.qxs").write_bytes(SCRIPT_SOURCE.encode("cp1252"))

    def build_and_run(self, with_package: bool):
        if with_package:
            (self.project / "package.msi").write_bytes(b"placeholder: start-up only checks that it is there")
        out = self.folder.path("out")
        completed = subprocess.run([str(wine.qx()), "build", str(self.project), "-o", str(out),
                                    "--engine", str(wine.engine()), "--library", str(library())],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)
        self.assertEqual(completed.returncode, 0, completed.stdout)
        log = self.folder.windows_path("out\\trace.log")
        code = wine.run(out / "Product.exe", ["/s", "/l=" + log])
        return code, wine.read_trace_log(out / "trace.log")

    def test_support_archive_lands_in_the_support_folder(self):
        # Without a package start-up stops at exit 16 and leaves the support folder to look at.
        code, trace = self.build_and_run(with_package=False)
        self.assertEqual(code, 16)
        self.assertEqual(trace[-3:], ["    <ExtractArchive>", "    </ExtractArchive>", "    <ExtractResource>"])
        folders = wine.support_folders()
        self.assertEqual(len(folders), 1)
        for relative, content in SUPPORT_FILES.items():
            self.assertEqual((folders[0] / relative).read_bytes(), content, relative)

    def test_setup_reaches_the_script_and_cleans_up(self):
        code, trace = self.build_and_run(with_package=True)
        self.assertEqual(code, 0, trace)
        for tag in ["    </ExtractArchive>", "    <CompileScript>", "    </CompileScript>", "</Quarrix>"]:
            self.assertIn(tag, trace)
        self.assertLess(trace.index("    </ExtractArchive>"), trace.index("    <CompileScript>"))
        self.assertEqual(wine.support_folders(), [], "the support folder is removed at the end")

    def test_script_extracts_an_archive_on_its_worker(self):
        extra = self.folder.path("extra")
        (extra / "docs").mkdir(parents=True)
        (extra / "docs" / "manual.txt").write_bytes(b"manual " * 1000)
        (extra / "tool.bin").write_bytes(os.urandom(20_000))
        make_archive(extra, self.folder.path("extra.7z"), "-pWorker")
        target = self.folder.windows_path("extracted") + "\\"
        script = SCRIPT_SOURCE + "\n".join([
            f'Extract 7Zip Archive: "{self.folder.windows_path("extra.7z")}" "{target}" RESULT Worker TRUE TRUE',
            f'Extract 7Zip Archive: "{self.folder.windows_path("extra.7z")}" "{target}" WRONG Nope TRUE TRUE',
            f'Write to Text File: "{self.folder.windows_path("results.txt")}" "$RESULT$|$WRONG$" FALSE', ""])
        (self.project / "setup.qxs").write_bytes(script.encode("cp1252"))
        code, trace = self.build_and_run(with_package=True)
        self.assertEqual(code, 0, trace)
        # The second, failing extraction over the same files must not cost the first one's.
        self.assertEqual((self.folder.path("extracted") / "docs" / "manual.txt").read_bytes(), b"manual " * 1000)
        self.assertEqual((self.folder.path("extracted") / "tool.bin").read_bytes(), (extra / "tool.bin").read_bytes())
        self.assertEqual(self.folder.path("results.txt").read_text().strip(), "SUCCESS|#1003")

    def test_damaged_support_archive_ends_with_15(self):
        code, _ = self.build_and_run(with_package=True)
        self.assertEqual(code, 0)
        archive = self.folder.path("out") / "Product.res"
        damaged = bytearray(archive.read_bytes())
        damaged[-20] ^= 0xFF  # inside the header at the end
        archive.write_bytes(bytes(damaged))
        wine.remove_support_folders()
        code = wine.run(self.folder.path("out") / "Product.exe", ["/s"])
        self.assertEqual(code, 15)


if __name__ == "__main__":
    unittest.main()
