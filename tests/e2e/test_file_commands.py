"""A silent setup under Wine that tests, searches, writes, reads and measures real files, and
writes what it found into a results file the test reads."""

import os
import shutil
import unittest

import setup_files
import wine

SETUP_VALUES = """#quarrix-script 1
[setup]
product-code = {00000000-0000-0000-0000-0000000000F1}
revision-code = {00000000-0000-0000-0000-0000000000F2}
title = "E2E Files"
[script]
"""

# Each result goes into the results file as NAME=value, one line per write.
SCRIPT = r'''
Does File/Folder Exist: FILE_IS_FILE "$TREE$\a.txt" TRUE
Does File/Folder Exist: FOLDER_IS_FOLDER "$TREE$" FALSE
Does File/Folder Exist: FILE_IS_FOLDER "$TREE$\a.txt" FALSE
Does File/Folder Exist: MISSING "$TREE$\none.txt" TRUE
Write to Text File: "$WORK$\notes.txt" second FALSE
Write to Text File: "$WORK$\notes.txt" first TRUE
Write to Text File: "$WORK$\notes.txt" third FALSE
Read from Text File: "$WORK$\notes.txt" LINE1 END1
Read from Text File: "$WORK$\notes.txt" LINE2 END2
Read from Text File: "#READALL\$WORK$\notes.txt" REST END3
Get Temporary File: $TEMPFILE$
Find All Files: "$TREE$\*.txt" TRUE TRUE $FOUND$
Get File Version: "$WORK$\version-probe.exe" $VERSION$
Get File Version: "$TREE$\a.txt" NOVERSION
Check File Version: OLDER_TEXT "$WORK$\version-probe.exe" FALSE "" 3.1.4.14
Check File Version: SAME_TEXT "$WORK$\version-probe.exe" FALSE "" 3.1.4.15
Check Disk Space: $FREE$ "$WORK$" TRUE
Check Disk Space: TOTAL "$WORK$" FALSE
Check Disk Space: NODISK "$WORK$\no such folder" TRUE
Get Folder Location: WINDOWS 25 FALSE
Get Folder Location: SYSTEM 23 FALSE
Get Folder Location: COMMON_FILES 20 TRUE
Get Folder Location: PROGRAM_FILES 20 FALSE
Get Folder Location: DOCUMENTS 2 FALSE
Get Folder Location: COMMON_APPDATA 15 TRUE
Get Folder Location: PROFILE 19 FALSE
Delete Files Recursive: "$WORK$\gone\*.*"
Does File/Folder Exist: GONE_TOP "$WORK$\gone" FALSE
Does File/Folder Exist: GONE_DEEP "$WORK$\gone\one" FALSE
'''

NAMES = ["FILE_IS_FILE", "FOLDER_IS_FOLDER", "FILE_IS_FOLDER", "MISSING", "LINE1", "END1", "LINE2", "END2",
         "REST", "END3", "TEMPFILE", "FOUND", "VERSION", "NOVERSION", "OLDER_TEXT", "SAME_TEXT", "FREE",
         "TOTAL", "NODISK", "WINDOWS", "SYSTEM", "COMMON_FILES", "PROGRAM_FILES", "DOCUMENTS", "COMMON_APPDATA",
         "PROFILE", "GONE_TOP", "GONE_DEEP"]


CURRENT_VERSION = r"HKLM\Software\Microsoft\Windows\CurrentVersion"
# What the 32-bit view of a 64-bit Windows holds; a prefix made without 32-bit Wine lacks it.
WOW32_FOLDERS = {"ProgramFilesDir": r"C:\Program Files (x86)", "CommonFilesDir": r"C:\Program Files (x86)\Common Files"}


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class FileCommandsTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        for name, value in WOW32_FOLDERS.items():
            if wine.reg("query", CURRENT_VERSION, "/v", name, "/reg:32").returncode != 0:
                wine.reg("add", CURRENT_VERSION, "/v", name, "/d", value, "/reg:32", "/f")
                self.addCleanup(wine.reg, "delete", CURRENT_VERSION, "/v", name, "/reg:32", "/f")

    def lay_out(self):
        tree = self.folder.path("tree")
        (tree / "sub" / "deep").mkdir(parents=True)
        (tree / "a.txt").write_bytes(b"a")
        (tree / "a.log").write_bytes(b"log")
        (tree / "sub" / "b.txt").write_bytes(b"b")
        (tree / "sub" / "deep" / "c.txt").write_bytes(b"c")
        gone = self.folder.path("gone")
        (gone / "one" / "two" / "three").mkdir(parents=True)
        for relative in ("x.txt", "one/y.txt", "one/two/z.bin", "one/two/three/w.txt"):
            (gone / relative).write_bytes(b"x")
        shutil.copy(os.environ["QUARRIX_VERSION_PROBE"], self.folder.path("version-probe.exe"))

    def run_setup(self):
        work = self.folder.windows
        results = work + "\\results.txt"
        lines = SCRIPT.replace("$WORK$", work).replace("$TREE$", work + "\\tree")
        lines += "".join(f'Write to Text File: "{results}" "{name}=${name}$" FALSE\n' for name in NAMES)
        executable = setup_files.compiled_setup(SETUP_VALUES + lines, self.folder.path("files.exe"))
        self.folder.path("files.res").write_bytes(b"entry readme.txt\r\n")
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path("files.msi").write_bytes(b"package")
        code = wine.run(executable, ["/s"])
        self.assertEqual(code, 0)
        text = self.folder.path("results.txt").read_bytes().decode("latin-1")
        self.assertTrue(text.endswith("\r\n"), "every line ends with CR LF")
        found = dict(line.split("=", 1) for line in text.split("\r\n") if line)
        self.assertEqual(list(found), NAMES)
        return found

    def test_file_commands_act_on_the_real_file_system(self):
        self.lay_out()
        found = self.run_setup()
        work = self.folder.windows
        tree = work + "\\tree"
        self.assertEqual([found[n] for n in ("FILE_IS_FILE", "FOLDER_IS_FOLDER", "FILE_IS_FOLDER", "MISSING")],
                         ["TRUE", "TRUE", "FALSE", "FALSE"])
        self.assertEqual(self.folder.path("notes.txt").read_bytes(), b"first\r\nsecond\r\nthird\r\n")
        self.assertEqual([found[n] for n in ("LINE1", "END1", "LINE2", "END2", "REST", "END3")],
                         ["first", "FALSE", "second", "FALSE", "third", "TRUE"])

        temp_file = found["TEMPFILE"]
        name = temp_file.rsplit("\\", 1)[-1]
        self.assertEqual(temp_file.rsplit("\\", 1)[0].upper() + "\\", wine.temp_folder_windows().upper())
        self.assertRegex(name, r"^zvk[0-9A-Fa-f]{1,4}\.tmp$")
        host_temp = wine.windows_to_host(temp_file)
        self.assertTrue(host_temp.is_file())
        self.assertEqual(host_temp.stat().st_size, 0)
        host_temp.unlink()

        self.assertEqual(found["FOUND"].split("|"),
                         [tree + "\\sub\\deep\\c.txt", tree + "\\sub\\deep", tree + "\\sub\\b.txt", tree + "\\sub",
                          tree + "\\a.txt"])
        self.assertEqual([found[n] for n in ("VERSION", "NOVERSION", "OLDER_TEXT", "SAME_TEXT")],
                         ["3.1.4.15", "0.0.0.0", "TRUE", "FALSE"])

        usage = shutil.disk_usage(self.folder.host)
        free, total = int(found["FREE"]), int(found["TOTAL"])
        self.assertGreater(total, 0)
        self.assertLessEqual(free, total)
        # The prefix's drive C: is a host folder: its disk is the host's, give or take what others wrote.
        self.assertLess(abs(free - usage.free), usage.total // 100 + 1)
        self.assertEqual(found["NODISK"], "0")

        self.assertEqual(found["WINDOWS"].lower(), "c:\\windows\\")
        # The x86_64 engine in "Win32" mode names the 32-bit system folder, as the 32-bit engine sees it.
        self.assertEqual(found["SYSTEM"].lower(), "c:\\windows\\syswow64\\")
        self.assertEqual(found["COMMON_FILES"].lower(), "c:\\program files (x86)\\common files\\")
        self.assertEqual(found["PROGRAM_FILES"].lower(), "c:\\program files (x86)\\")
        # Wine 8 knows no all-users profiles folder (CSIDL_PROFILES) by either shell call.
        for name in ("DOCUMENTS", "COMMON_APPDATA", "PROFILE"):
            self.assertRegex(found[name], r"^C:\\.+\\$", name)

        self.assertEqual([found["GONE_TOP"], found["GONE_DEEP"]], ["TRUE", "FALSE"])
        self.assertEqual(list(self.folder.path("gone").iterdir()), [])


if __name__ == "__main__":
    unittest.main()
