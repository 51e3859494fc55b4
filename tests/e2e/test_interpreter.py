"""Silent setups under Wine whose scripts branch, loop, jump and compute, end with an exit code
of their own, or stop at a runtime error without a window."""

import unittest

import setup_files
import wine

# The dialog files of the scripts' "Display Dialog" lines, as the stand-in library unpacks them.
DIALOG_FILES = b"".join(
    b"entry %s.dfm\r\ncontent %s.dfm object %s: TPoolTemplate\\n  Caption = '%s'\\nend\r\n" % ((name.encode(),) * 4)
    for name in ['Welcome', 'Finish']
)

SETUP_VALUES = """#quarrix-script 1
[setup]
product-code = {00000000-0000-0000-0000-0000000000A1}
revision-code = {00000000-0000-0000-0000-0000000000A2}
title = "E2E Interpreter"
[script]
"""


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class InterpreterTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)

    def run_script(self, name, script_lines, arguments=("/s",)):
        executable = setup_files.compiled_setup(SETUP_VALUES + script_lines, self.folder.path(name + ".exe"))
        # Start-up needs a support archive the stand-in library unpacks, and a package beside it.
        self.folder.path(name + ".res").write_bytes(b"entry readme.txt\r\n" + DIALOG_FILES)
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path(name + ".msi").write_bytes(b"package")
        return wine.run(executable, list(arguments))

    def test_loop_and_branches_compute_the_exit_code(self):
        # 1 + 2 + ... + 10 by a backward jump, then a chain of conditions and string commands.
        code = self.run_script("compute", '''
Set Variable: N 0
Set Variable: SUM 0
Label: again
Mathematics: $N$ 1 0 N
Mathematics: $SUM$ $N$ 0 SUM
If: N 2 9 TRUE
  GoTo Label: again
End
Set Variable: PATH "C:\\Program Files\\Tool\\bin\\tool.exe"
Extract Path: PATH 1
Parse String: "key=value" = LEFT RIGHT 0 FALSE FALSE
Replace String: RIGHT VALUE done TRUE FALSE
Evaluate Expression: "$LEFT$ = ""key"" and $PATH$ = ""tool""" BOTH
If: SUM 0 99 FALSE
  Terminate with Exit Code: 1
Else If: RIGHT 0 done FALSE
  If: BOTH 0 TRUE FALSE
    Terminate with Exit Code: $SUM$
  End
Else
  Terminate with Exit Code: 2
End
Terminate with Exit Code: 3
''')
        self.assertEqual(code, 55)

    def test_silent_wizard_passes_every_dialog(self):
        code = self.run_script("wizard", """
Set Variable: COUNT 0
Wizard Loop
  Display Dialog: Welcome WIZARD "" "" "" ""
  Display Dialog: Finish WIZARD "" "" "" ""
End
If: WIZARD 0 NEXT FALSE
  Terminate with Exit Code: 7
End
""")
        self.assertEqual(code, 7)

    def test_runtime_error_in_a_silent_run_ends_the_script_without_a_window(self):
        # A box would wait for a click until the run is killed; the run returns at once instead.
        code = self.run_script("failing", """
Set Variable: X 1
Extract Path: X notanumber
Terminate with Exit Code: 9
""")
        self.assertEqual(code, 0)


if __name__ == "__main__":
    unittest.main()
