"""The win32 window toolkit under Wine on a virtual display: every control kind built and read
back, a wizard page drawn, typed into and answered from the keyboard, and the engine's manifest."""

import os
import pathlib
import re
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

import display
import wine

PROBE_TIMEOUT_SECONDS = 60
CONTROL_CLASSES_HEADER = pathlib.Path(__file__).resolve().parents[2] / "src" / "platform" / "ControlClasses.h"
PAGE_CAPTION = "Probe Setup - Quarrix Wizard"


def probe() -> pathlib.Path:
    return pathlib.Path(os.environ["QUARRIX_TOOLKIT_PROBE"])


def control_classes() -> list:
    text = CONTROL_CLASSES_HEADER.read_text()
    listed = text[text.index("kControlClasses"):text.index("};")]
    return re.findall(r'"(T\w+)"', listed)


def read_report(path: pathlib.Path) -> list:
    return path.read_text(encoding="cp1252").splitlines() if path.exists() else []


def setUpModule():
    display.start()
    wine.start_server()


def tearDownModule():
    wine.stop_server()
    display.stop()


class EveryControlKindTest(unittest.TestCase):
    """One form holds every control class a dialog file may use."""

    @classmethod
    def setUpClass(cls):
        cls.folder = wine.SetupFolder()
        code = wine.run(probe(), ["build", cls.folder.windows_path("report.txt")], timeout=PROBE_TIMEOUT_SECONDS)
        cls.lines = read_report(cls.folder.path("report.txt"))
        cls.code = code

    @classmethod
    def tearDownClass(cls):
        cls.folder.remove()

    def entry(self, key):
        """The rest of the first line that starts with key."""
        for line in self.lines:
            if line.startswith(key):
                return line[len(key):]
        self.fail(f"no line {key!r} in the report: {self.lines[-5:]}")

    def values(self, prefix):
        found = {}
        for line in self.lines:
            if line.startswith(prefix) and "=" in line:
                key, value = line[len(prefix):].split("=", 1)
                found.setdefault(key, value)
        return found

    def test_probe_ran_to_the_end(self):
        self.assertEqual(self.code, 0, self.lines[-5:])
        self.assertEqual(self.lines[-1], "done")

    def test_every_class_is_created_with_its_parent(self):
        components = {}
        for line in self.lines:
            if line.startswith("component "):
                name, class_name, parent = line.split()[1:4]
                components[name] = (class_name, parent)
        self.assertEqual(sorted({class_name for class_name, _ in components.values()} - {"TzFormDesigner"}),
                         sorted(control_classes()))
        for child, parent in [("GroupRadio", "GroupBox1"), ("PanelLabel", "Panel1"), ("TabSheet1", "PageControl1"),
                              ("TabSheet2", "PageControl1"), ("SheetEdit", "TabSheet1"), ("Edit1", "-")]:
            self.assertEqual(components[child][1], parent, child)
        self.assertIn("cmpFormDesigner", components, "the designer's own component is kept, whatever its class")

    def test_dialog_file_properties_read_back(self):
        read = self.values("read ")
        expected = {
            "Edit1.Text": "text of Edit1", "Edit1.Hint": "VAR_Edit1", "Edit1.Tag": "1",
            "Edit1.Left": "88", "Edit1.Top": "8", "Edit1.Width": "76", "Edit1.Height": "40",
            "Label1.Caption": "caption of Label1", "Button1.Caption": "caption of Button1",
            "CheckBox1.Caption": "caption of CheckBox1", "GroupRadio.Caption": "in group",
            "Memo1.Text": "first line\\r\\nsecond line", "ComboBox1.Text": "text of ComboBox1",
            "ProgressBar1.Position": "50", "ProgressBar1.Max": "200", "TrackBar1.Position": "50",
            "TrackBar1.Max": "200", "Gauge1.Progress": "50", "PageControl1.ActivePage": "TabSheet2",
            "TabSheet1.Caption": "First", ".Caption": "Every kind", "Panel1.Visible": "True",
        }
        self.assertEqual({key: read.get(key) for key in expected}, expected)
        items = self.values("items ")
        for name in ["ListBox1", "ComboBox1", "CheckListBox1"]:
            self.assertEqual(items.get(name), "one|two|three", name)
        self.assertEqual(items.get("Memo1"), "first line|second line")
        self.assertEqual(self.entry("events-while-building "), "0", "building reports nothing to the engine")

    def test_properties_written_by_name_read_back(self):
        trips = [re.fullmatch(r"roundtrip (\S+) value=(.*) written=(\d) read=(.*)", line)
                 for line in self.lines if line.startswith("roundtrip ")]
        self.assertTrue(trips)
        for trip in trips:
            with self.subTest(property=trip.group(1)):
                self.assertEqual(trip.group(3), "1")
                self.assertEqual(trip.group(4), trip.group(2))
        after = self.values("after ")
        self.assertEqual(after, {"ComboBox1.Text": "three", "ListBox1.Text": "two", "RadioButton1.Checked": "True",
                                 "GroupRadio.Checked": "False"}, "the texts of the chosen items")
        self.assertEqual(self.entry("unknown-property "), "read=<none> written=0")
        self.assertEqual(self.entry("unknown-component "), "read=<none> written=0")
        # The engine's own writes reach its handlers like the user's, where the authoring tool's do.
        self.assertEqual(self.entry("events-after-writes "),
                         "Change Edit1|Change Memo1|Click CheckBox1|Click RadioButton1|Change TrackBar1")

    def test_lists_trees_and_check_lists_the_engine_fills(self):
        self.assertEqual(self.entry("listbox "), "items=alpha|beta|gamma selection=001")
        self.assertEqual(self.entry("tree "), "nodes=Program|Help|Samples|Tools children-of-root=1")
        self.assertEqual(self.entry("tree selected="), "1 path=Program\\Help")
        self.assertEqual(self.entry("tree reselected="), "1 path=Tools")
        self.assertEqual(self.entry("checklist "), "count=2 texts=Core|Docs checked=01")
        self.assertEqual(self.entry("toolkit-kinds "), "tree=0 checklist=0")

    def test_folder_controls_follow_existing_folders_only(self):
        self.assertEqual(self.entry("folder moved="), "1 directory=C:\\windows lists-system32=1")
        self.assertEqual(self.entry("files notepad="), "1")
        self.assertEqual(self.entry("folder missing="), "0 directory=C:\\windows")
        self.assertEqual(self.entry("drive="), "c")

    def test_licence_file_and_read_to_end(self):
        self.assertEqual(self.entry("loadfile "), "memo=1 lines=200 missing=0")
        self.assertEqual(self.entry("scroll "), "events=Scroll Memo1 bar=1 end-before=0 end-after=1 label-bar=0")

    def test_timers_tray_taskbar_and_controls_library(self):
        self.assertEqual(self.entry("timer fired="), "1")
        self.assertEqual(self.entry("tray "), "shown=1 hidden=1")
        self.assertEqual(self.entry("taskbar "), "available=1 state=1 progress=1")
        self.assertEqual(self.entry("controls-v6="), "1", "the manifest brings the version 6 controls")

    def test_destroyed_form_and_unknown_class(self):
        self.assertEqual(self.entry("destroyed "), "components=0 read=<none>")
        self.assertEqual(self.entry("unknown-class "), "line=12 message=unknown control class TNoSuchControl of Weird1")


class WizardPageTest(unittest.TestCase):
    """A wizard page on the screen, driven through the keyboard as a user would."""

    def setUp(self):
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.report = self.folder.path("report.txt")
        self.process = subprocess.Popen(["wine", str(probe()), "show", self.folder.windows_path("report.txt")],
                                        env=wine.wine_environment(), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.addCleanup(self.end_probe)
        shown = display.wait_for(lambda: any(line.startswith("shown ") for line in read_report(self.report)))
        self.assertTrue(shown, f"the page was not shown: {read_report(self.report)}")
        windows = display.wait_for(lambda: display.windows_named(PAGE_CAPTION))
        self.assertTrue(windows, "no window with the wizard caption")
        self.window = windows[0]
        display.xdotool("windowfocus", "--sync", self.window)

    def end_probe(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def finish(self):
        try:
            code = self.process.wait(timeout=PROBE_TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            self.fail(f"the page did not close: {read_report(self.report)[-5:]}")
        return code, read_report(self.report)

    def test_page_is_drawn_and_the_keyboard_fills_it_and_presses_the_default_button(self):
        self.assertIn("visible=1 focused=1", read_report(self.report)[0])
        screen = display.screenshot()
        # Kept for a person to look at: build/win64/tests/e2e/work/toolkit-page.png.
        work = pathlib.Path(os.environ["QUARRIX_E2E_WORK"])
        work.mkdir(parents=True, exist_ok=True)
        display.save_png(screen, work / "toolkit-page.png")
        self.assertGreater(display.distinct_colours(screen), 20, "the screen shows no drawn page")
        display.xdotool("type", "--delay", "15", "C:\\Apps\\Probe")
        display.xdotool("key", "Tab")
        display.xdotool("type", "--delay", "15", "Jane Doe")
        display.xdotool("key", "Tab", "space", "Return")
        code, lines = self.finish()
        self.assertEqual(code, 6, lines[-5:])
        self.assertIn("final Edit1.Text=C:\\Apps\\Probe", lines)
        self.assertIn("final Edit2.Text=Jane Doe", lines)
        self.assertIn("final CheckBox1.Checked=True", lines)
        clicks = [line for line in lines if line.startswith("event Click")]
        self.assertEqual(clicks, ["event Click CheckBox1", "event Click Button2"],
                         "Enter presses the default button, not the focused check box")
        self.assertIn("event Change Edit1", lines)
        self.assertTrue(any(line.startswith("timer 7") for line in lines))

    def test_escape_presses_the_cancel_button(self):
        display.xdotool("key", "Escape")
        code, lines = self.finish()
        self.assertEqual(code, 2, lines[-5:])
        self.assertEqual([line for line in lines if line.startswith("event Click")], ["event Click Button3"])

    def test_enter_on_a_focused_button_presses_that_button(self):
        # From the first edit: Edit2, CheckBox1, then the Back button in the tab order.
        display.xdotool("key", "Tab", "Tab", "Tab", "Return", "Escape")
        code, lines = self.finish()
        self.assertEqual([line for line in lines if line.startswith("event Click")],
                         ["event Click Button1", "event Click Button3"])
        self.assertEqual(code, 2)



class ExampleDialogFilesTest(unittest.TestCase):
    """The example setup's pages, parsed from their dialog files and put on the screen."""

    SUPPORT = pathlib.Path(__file__).resolve().parents[2] / "examples" / "welcome" / "support"
    # page, its defining control, the key that closes it (a button's mnemonic, or Escape for the
    # cancel button), and the exit code that follows
    PAGES = [("Welcome", "WelcomeTitle", "alt+n", 6), ("License", "LicenseText", "alt+n", 6),
             ("Destination", "BrowseButton", "alt+n", 6), ("Components", "ComponentList", "alt+n", 6),
             ("Progress", "InstallProgress", "Escape", 2), ("Finish", "FinishTitle", "alt+f", 6)]

    def test_every_page_is_built_drawn_and_answers_enter_or_escape(self):
        work = pathlib.Path(os.environ["QUARRIX_E2E_WORK"]) / "pages"
        work.mkdir(parents=True, exist_ok=True)
        folder = wine.SetupFolder()
        self.addCleanup(folder.remove)
        for page, control, key, expected in self.PAGES:
            with self.subTest(page=page):
                report = folder.path(page + ".txt")
                process = subprocess.Popen(["wine", str(probe()), "page", str(self.SUPPORT / (page + ".dfm")),
                                            folder.windows_path(page + ".txt")], env=wine.wine_environment(),
                                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                try:
                    shown = display.wait_for(lambda: any(line.startswith(("shown ", "exception "))
                                                         for line in read_report(report)))
                    lines = read_report(report)
                    self.assertTrue(shown, page)
                    self.assertIn("shown caption=Welcome Example Setup", lines, lines[-3:])
                    self.assertTrue(any(line.startswith(f"component {control} ") for line in lines))
                    windows = display.wait_for(lambda: display.windows_named("Welcome Example Setup"))
                    self.assertTrue(windows)
                    screen = display.screenshot()
                    display.save_png(screen, work / f"{page}.png")
                    self.assertGreater(display.distinct_colours(screen), 20)
                    # Containers with children of their own (the group box) once left their inside unpainted.
                    self.assertLess(display.black_share(screen, display.window_area(windows[0])), 0.05, page)
                    display.xdotool("windowfocus", "--sync", windows[0])
                    display.xdotool("key", key)
                    try:
                        code = process.wait(timeout=15)
                    except subprocess.TimeoutExpired:
                        self.fail(f"{page} did not close on {key}: {read_report(report)[-3:]}")
                    self.assertEqual(code, expected, read_report(report)[-3:])
                finally:
                    # A page that fails its checks must not stay on the screen for the pages after it.
                    if process.poll() is None:
                        process.kill()
                        process.wait()


class EngineManifestTest(unittest.TestCase):
    NAMESPACE = {"v1": "urn:schemas-microsoft-com:asm.v1"}

    def manifest(self):
        data = wine.engine().read_bytes()
        start = data.find(b"<assembly ")
        end = data.find(b"</assembly>", start)
        self.assertGreater(start, 0, "the engine carries no manifest")
        return ElementTree.fromstring(data[start:end + len(b"</assembly>")])

    def test_common_controls_dpi_and_long_paths(self):
        root = self.manifest()
        dependencies = [identity.attrib for identity in root.iter("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
                        if identity.attrib.get("name") == "Microsoft.Windows.Common-Controls"]
        self.assertEqual([(d["version"], d["publicKeyToken"]) for d in dependencies], [("6.0.0.0", "6595b64144ccf1df")])
        settings = {element.tag.split("}")[1]: element.text for element in root.iter()
                    if element.tag.endswith("}dpiAware") or element.tag.endswith("}longPathAware")}
        self.assertEqual(settings, {"dpiAware": "true", "longPathAware": "true"})
        self.assertFalse([element for element in root.iter() if element.tag.endswith("requestedExecutionLevel")],
                         "the system's installer detection decides elevation")


if __name__ == "__main__":
    unittest.main()
