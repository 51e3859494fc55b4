"""Silent setups under Wine that start a real program and read its exit code, start it hidden,
with an environment of its own and without waiting, look for processes and services, schedule and
delete a task, and request a restart that Wine never performs."""

import os
import pathlib
import shutil
import unittest

import setup_files
import wine

PRODUCT_CODE = "{5A4E2E00-0000-0000-0000-0000000000C1}"
RESUME_ENTRY = PRODUCT_CODE[1:9]
RUN_ONCE = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
TASK = "QuarrixE2ETask"

SETUP_VALUES = f"""#quarrix-script 1
[setup]
product-code = {PRODUCT_CODE}
revision-code = {{5A4E2E00-0000-0000-0000-0000000000C2}}
title = "E2E Programs"
[script]
"""


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


def probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_PROGRAM_PROBE"])


def run_once_value(root: str):
    """The resume entry's text under HKLM or HKCU, or None."""
    completed = wine.reg("query", f"{root}\\{RUN_ONCE}", "/v", RESUME_ENTRY)
    if completed.returncode != 0:
        return None
    for line in completed.stdout.splitlines():
        if line.strip().startswith(RESUME_ENTRY):
            return line.split("REG_SZ", 1)[1].strip()
    return None


class ProgramsTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        shutil.copyfile(probe(), self.folder.path("probe.exe"))
        self.probe = self.folder.windows_path("probe.exe")
        self.results = self.folder.windows_path("results.txt")

    def run_script(self, name, script_lines, arguments=("/s",)):
        executable = setup_files.compiled_setup(SETUP_VALUES + script_lines, self.folder.path(name + ".exe"))
        self.folder.path(name + ".res").write_bytes(b"entry readme.txt\r\n")
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path(name + ".msi").write_bytes(b"package")
        return wine.run(executable, list(arguments))

    def report(self, names):
        """A line that has the probe write NAME=value for each variable to the results file."""
        pairs = " ".join(f"{name}=${name}$" for name in names)
        return f'Run Program: {self.probe} TRUE "write {self.results} {pairs}" TRUE ""\n'

    def results_of(self):
        text = self.folder.path("results.txt").read_text()
        return dict(pair.split("=", 1) for pair in text.split())

    def test_exit_codes_processes_and_services(self):
        environment_file = self.folder.windows_path("environment.txt")
        code = self.run_script("programs", f'''
Run Program: {self.probe} FALSE "exit 42" TRUE SHOWN
Run Program: {self.probe} TRUE "exit 9" TRUE HIDDEN
Run Program: C:\\nowhere\\missing.exe FALSE "" TRUE MISSING
Run Program: {self.probe} TRUE "sleep 4000" FALSE NOWAIT
Check Process: PROBE.EXE RUNNING
Check Process: quarrix-none.exe ABSENT
Run Program As: {self.probe} "" "env QXVAR {environment_file}" 1 "" "" "" ASCODE TRUE "QXVAR=from the block"
Run Program As: {self.probe} "" "exit 5" 0 "" "" "" ASPLAIN TRUE ""
Run Program As: C:\\nowhere\\missing.exe "" "" 0 "" "" "" ASMISSING TRUE ""
Check Service: PlugPlay "" PLUGPLAY
Check Service: QuarrixNoSuchService "" NOSERVICE
Register Library: C:\\nowhere\\missing.dll TRUE REGISTERED
''' + self.report(["SHOWN", "HIDDEN", "MISSING", "NOWAIT", "RUNNING", "ABSENT", "ASCODE", "ASPLAIN",
                   "ASMISSING", "PLUGPLAY", "NOSERVICE", "REGISTERED"]))
        self.assertEqual(code, 0)
        results = self.results_of()
        self.assertEqual(results["SHOWN"], "42")
        self.assertEqual(results["HIDDEN"], "9")
        self.assertEqual(results["MISSING"], "-1")
        self.assertEqual(results["NOWAIT"], "259")
        self.assertEqual(results["RUNNING"], "TRUE")
        self.assertEqual(results["ABSENT"], "FALSE")
        self.assertEqual(results["ASCODE"], "0")
        self.assertEqual(self.folder.path("environment.txt").read_text(), "from the block")
        self.assertEqual(results["ASPLAIN"], "5")
        self.assertEqual(results["ASMISSING"], "-11")
        self.assertEqual(results["PLUGPLAY"], "RUNNING")
        self.assertEqual(results["NOSERVICE"], "NOTINSTALLED")
        self.assertEqual(results["REGISTERED"], "FALSE")

    def test_task_is_saved_and_deleted(self):
        # Wine keeps the tasks in C:\windows\tasks, in lower case on the host.
        windows = wine.windows_to_host("C:\\windows")
        tasks = next(entry for entry in windows.iterdir() if entry.name.lower() == "tasks")
        job = tasks / f"{TASK}.job"
        code = self.run_script("schedule", f'''
Schedule Task: {TASK} "" FALSE FALSE TRUE Friday "3:30 PM" FALSE "" {self.probe} {self.folder.windows} "exit 0" "" ""
''')
        self.assertEqual(code, 0)
        self.assertTrue(job.is_file(), "Wine's scheduler saves the task as a .job file")
        code = self.run_script("unschedule", f"Delete Scheduled Task: {TASK} \"\"\n")
        self.assertEqual(code, 0)
        self.assertFalse(job.exists())

    def test_light_mode_setup_runs_a_child_built_from_a_compiled_script(self):
        # The child ends with its own exit code; it finds the archive library the command copies
        # beside it, and its own support archive and package.
        child = self.folder.path("child")
        child.mkdir()
        child_script = child / "child.exe"
        setup_files.compiled_payload(SETUP_VALUES.replace("E2E Programs", "E2E Child").replace("00C", "00D") +
                                     "Terminate with Exit Code: 12\n", child_script)
        payload = child_script.read_bytes()
        (child / "child.res").write_bytes(b"entry readme.txt\r\n")
        (child / "child.msi").write_bytes(b"package")
        script = self.folder.windows_path("child\\child.exe")
        code = self.run_script("parent", f'Run Light Mode Setup: {script} CHILD "/s" TRUE\n' + self.report(["CHILD"]))
        self.assertEqual(code, 0)
        self.assertEqual(self.results_of()["CHILD"], "12")
        self.assertEqual(child_script.read_bytes(), payload, "the compiled script is back under its name")
        self.assertFalse((child / "zvk.lib").exists())
        self.assertFalse((child / "child.exe.nox").exists())

    def test_restart_is_recorded_and_never_performed(self):
        # The setup's own arguments come back in the entry that resumes it.
        code = self.run_script("restart", "Reboot and Resume:\nTerminate with Exit Code: 77\n", ("/s", "STAGE=2"))
        self.assertEqual(code, 0, "the script ends at the restart request")
        entry = run_once_value("HKLM") or run_once_value("HKCU")
        self.assertEqual(entry, self.folder.windows_path("restart.exe") + " /s STAGE=2")
        # The prefix lives on: Wine was not asked to end its session.
        self.assertEqual(wine.run(self.folder.path("probe.exe"), ["exit", "3"]), 3)
        # The next start of the setup takes the entry out before anything else.
        self.assertEqual(self.run_script("restart", "Comment: resumed\n"), 0)
        self.assertIsNone(run_once_value("HKLM"))
        self.assertIsNone(run_once_value("HKCU"))


if __name__ == "__main__":
    unittest.main()
