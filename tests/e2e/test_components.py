"""Silent setups under Wine that choose components, keep the selection in a file and find it
again in a second run, together with a remembered variable, and pass their wizard pages."""

import unittest

import setup_files
import wine

# The dialog files of the scripts' "Display Dialog" lines, as the stand-in library unpacks them.
DIALOG_FILES = b"".join(
    b"entry %s.dfm\r\ncontent %s.dfm object %s: TPoolTemplate\\n  Caption = '%s'\\nend\r\n" % ((name.encode(),) * 4)
    for name in ['Welcome', 'Features']
)

SETUP_VALUES = """#quarrix-script 1
[setup]
product-code = {00000000-0000-0000-0000-000000000001}
revision-code = {00000000-0000-0000-0000-000000000002}
title = "E2E Product"
component-size = Tools 1000
component-size = Docs 300
[script]
"""


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class FeatureSelectionTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        self.selection = self.folder.windows_path("selection.dat")

    def run_script(self, name, script_lines):
        executable = setup_files.compiled_setup(SETUP_VALUES + script_lines, self.folder.path(name + ".exe"))
        # Start-up needs a support archive the stand-in library unpacks, and a package beside it.
        self.folder.path(name + ".res").write_bytes(b"entry readme.txt\r\n" + DIALOG_FILES)
        self.folder.path("zvk.lib").write_bytes(wine.fake_archive_library().read_bytes())
        self.folder.path(name + ".msi").write_bytes(b"package")
        return wine.run(executable, ["/s"])

    def test_second_run_loads_the_selection_and_the_remembered_variable(self):
        first = self.run_script("first", f"""
Set Variable: COLOR$VELD$VELD$TRUE blue
Define Component: Tools FALSE ""
Define Component: Docs TRUE ""
Set Component State: Tools TRUE
Set Component State: Docs FALSE
Set Component Choice: Docs FALSE
Save Feature Selections: "{self.selection}"
Terminate with Exit Code: 5
""")
        self.assertEqual(first, 5)
        saved = self.folder.path("selection.dat").read_bytes().decode("cp1252").split("\r\n")
        self.assertEqual(saved[:4], ["VELD-PREDEF-COMPONENT", "Tools", "Docs", "$"])
        self.assertEqual(saved[4:8], ["TRUE", "TRUE", "FALSE", "$"])
        self.assertIn("COLOR", saved)
        self.assertEqual(saved[saved.index("COLOR") + 1], "blue")

        # The second setup starts from the opposite choice; only the loaded file can restore it.
        # (A condition may only name variables the script sets itself.)
        second = self.run_script("second", f"""
Set Variable: COLOR none
Define Component: Tools FALSE ""
Define Component: Docs TRUE ""
Load Feature Selections: "{self.selection}"
Get Component State: Tools TOOLS
Get Component State: Docs DOCS
Get Component Space: "" SPACE
If: TOOLS 0 TRUE FALSE
  If: DOCS 0 FALSE FALSE
    If: COLOR 0 blue FALSE
      If: SPACE 0 1000 FALSE
        Terminate with Exit Code: 42
      End
    End
  End
End
Terminate with Exit Code: 3
""")
        self.assertEqual(second, 42)

    def test_loading_a_missing_selection_file_keeps_the_script_choice(self):
        code = self.run_script("only", f"""
Define Component: Tools FALSE ""
Load Feature Selections: "{self.selection}"
Get Component State: Tools TOOLS
If: TOOLS 0 FALSE FALSE
  Terminate with Exit Code: 7
End
""")
        self.assertEqual(code, 7)

    def test_silent_wizard_passes_every_dialog_with_next(self):
        code = self.run_script("wizard", """
Set Variable: WIZARD ""
Wizard Loop
  Display Dialog: Welcome WIZARD "" "" "" ""
  Display Dialog: Features WIZARD "" "" "" ""
End
If: WIZARD 0 NEXT FALSE
  If: WINDOWHANDLE 0 0 FALSE
    Terminate with Exit Code: 6
  End
End
Terminate with Exit Code: 2
""")
        self.assertEqual(code, 6)


if __name__ == "__main__":
    unittest.main()
