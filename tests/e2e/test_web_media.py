"""Web-based setups built by qx build fetch their media blocks from a local HTTP server under
Wine: the system downloader, and the engine's own HTTP client with resume (the system's URL
download service switched off for the run)."""

import os
import pathlib
import random
import shutil
import subprocess
import sys
import unittest
import uuid

import wine

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "support"))
from http_test_server import HttpTestServer  # noqa: E402

PRODUCT = "{0E0E0E0E-5555-6666-7777-888888888888}"
# Incompressible, so that the block is long enough to be cut.
APP_BYTES = random.Random(7).randbytes(400_000)
# Without urlmon.dll the engine's HTTP client takes every download.
NO_SYSTEM_DOWNLOADER = {"WINEDLLOVERRIDES": "mscoree,mshtml=;urlmon="}


def script(addresses: str, result: str, revision: str) -> str:
    return f"""#quarrix-script 1
[setup]
product-code = {PRODUCT}
revision-code = {revision}
title = "Web Product"
default-language = English
ask-language = FALSE
build-mode = 2
[script]
Set Variable: ABORTONERROR FALSE
Web Media Block: Block1 "{addresses}"
Install Files: a b $TARGETDIR$ @media=Block1\\
Install Files: c d $TARGETDIR$ @media=Block1\\
Write to Text File: "{result}" "$DATADIR$|$ABORTEDONERROR$" FALSE
"""


def setUpModule():
    wine.start_server()


def tearDownModule():
    wine.stop_server()


class WebMediaTest(unittest.TestCase):
    def setUp(self):
        wine.remove_support_folders()
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.addCleanup(wine.remove_support_folders)
        self.project = self.folder.path("Product")
        (self.project / "support").mkdir(parents=True)
        (self.project / "package.msi").write_bytes(b"placeholder: the script only queues properties")
        block = self.project / "web" / "Block1"
        (block / "docs").mkdir(parents=True)
        (block / "app.bin").write_bytes(APP_BYTES)
        (block / "docs" / "readme.txt").write_bytes(b"readme\r\n")
        (self.project / "web" / "addresses.txt").write_text("http://127.0.0.1:1/unused\n")
        self.out = self.folder.path("out")
        self.www = self.out / "web"
        self.result = self.folder.windows_path("result.txt")
        # A revision of its own: every test starts without a cached block.
        self.revision = "{%s}" % str(uuid.uuid4()).upper()

    def build(self, addresses: str):
        (self.project / "setup.qxs").write_bytes(script(addresses, self.result, self.revision).encode("cp1252"))
        completed = subprocess.run([str(wine.qx()), "build", str(self.project), "-o", str(self.out),
                                    "--engine", str(wine.engine()),
                                    "--library", os.environ["QUARRIX_ARCHIVE_LIBRARY"]],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=60)
        self.assertEqual(completed.returncode, 0, completed.stdout)

    def run_setup(self, environment=None):
        code = wine.run(self.out / "Product.exe", ["/s"], environment=environment, timeout=120)
        self.assertEqual(code, 0)
        data_folder, aborted = self.folder.path("result.txt").read_text().strip().split("|")
        self.addCleanup(shutil.rmtree, wine.windows_to_host(data_folder), True)
        return wine.windows_to_host(data_folder), aborted

    def assert_block_in_place(self, data_folder: pathlib.Path):
        self.assertEqual((data_folder / "Block1" / "app.bin").read_bytes(), APP_BYTES)
        self.assertEqual((data_folder / "Block1" / "docs" / "readme.txt").read_bytes(), b"readme\r\n")
        self.assertTrue((data_folder / "Block1" / self.revision).is_file(), "the revision marker")
        self.assertFalse((data_folder / "Block1.7zip").exists(), "the download goes once extracted")

    def serve(self):
        self.www.mkdir(parents=True, exist_ok=True)
        server = HttpTestServer(str(self.www), str(self.folder.host))
        server.__enter__()
        self.addCleanup(server.__exit__)
        return server

    def test_system_downloader_fetches_and_extracts_the_block_once(self):
        server = self.serve()
        self.build(server.url("Block1.7zip"))
        data_folder, aborted = self.run_setup()
        self.assertEqual(aborted, "FALSE")
        self.assert_block_in_place(data_folder)
        gets = [r for r in server.requests() if r["method"] == "GET"]
        self.assertEqual(len(gets), 1, "the second line finds the marker")

    def test_http_client_resumes_a_cut_transfer_with_a_ranged_request(self):
        server = self.serve()
        server.control(cut_after={"/Block1.7zip": 150_000})
        self.build(server.url("Block1.7zip"))
        data_folder, aborted = self.run_setup(NO_SYSTEM_DOWNLOADER)
        self.assertEqual(aborted, "FALSE")
        self.assert_block_in_place(data_folder)
        ranges = [r["range"] for r in server.requests() if r["method"] == "GET"]
        self.assertEqual(ranges, [None, "bytes=150000-"])

    def test_second_address_after_a_failing_one_and_ignored_ranges(self):
        server = self.serve()
        server.control(status={"/missing.7zip": 404}, cut_after={"/Block1.7zip": 150_000}, ignore_ranges=True)
        self.build(server.url("missing.7zip") + "$NEWLINE$" + server.url("Block1.7zip"))
        data_folder, aborted = self.run_setup(NO_SYSTEM_DOWNLOADER)
        self.assertEqual(aborted, "FALSE")
        self.assert_block_in_place(data_folder)

    def test_corrupt_block_is_never_accepted(self):
        server = self.serve()
        self.build(server.url("Block1.7zip"))
        archive = self.www / "Block1.7zip"
        damaged = bytearray(archive.read_bytes())
        damaged[len(damaged) // 3] ^= 0x55
        archive.write_bytes(bytes(damaged))
        data_folder, aborted = self.run_setup(NO_SYSTEM_DOWNLOADER)
        self.assertEqual(aborted, "TRUE")
        self.assertFalse((data_folder / "Block1" / self.revision).exists())
        self.assertFalse((data_folder / "Block1.7zip").exists(), "nothing left to resume from")

    def test_local_block_copy_beside_the_setup_is_used_and_kept(self):
        server = self.serve()
        self.build(server.url("Block1.7zip"))
        (self.out / "Block1.7zip").write_bytes((self.www / "Block1.7zip").read_bytes())
        data_folder, aborted = self.run_setup()
        self.assertEqual(aborted, "FALSE")
        self.assert_block_in_place(data_folder)
        self.assertTrue((self.out / "Block1.7zip").is_file())
        self.assertEqual(server.requests(), [])


class InternetBackendTest(unittest.TestCase):
    """The win32 backend on its own, through a probe: what the engine's forms or timing hide."""

    def setUp(self):
        self.folder = wine.SetupFolder()
        self.addCleanup(self.folder.remove)
        self.probe = self.folder.path("internet-probe.exe")
        shutil.copyfile(os.environ["QUARRIX_INTERNET_PROBE"], self.probe)
        (self.folder.path("www")).mkdir()
        self.folder.path("www/doc.bin").write_bytes(APP_BYTES)
        self.server = HttpTestServer(str(self.folder.path("www")), str(self.folder.host))
        self.server.__enter__()
        self.addCleanup(self.server.__exit__)

    def probe_run(self, *arguments):
        report = self.folder.path("report.txt")
        report.unlink(missing_ok=True)
        code = wine.run(self.probe, [self.folder.windows_path("report.txt"), *arguments])
        self.assertEqual(code, 0)
        lines = report.read_text(errors="replace").splitlines()
        return dict(line.split(" ", 1) for line in lines)

    def get(self, url, start=0, *proxy):
        out = self.folder.path("out.bin")
        report = self.probe_run("get", url, self.folder.windows_path("out.bin"), str(start), *proxy)
        return report, out.read_bytes()

    def test_head_whole_and_ranged_get(self):
        url = self.server.url("doc.bin")
        head = self.probe_run("head", url)
        self.assertEqual((head["status"], head["content-length"]), ("200", str(len(APP_BYTES))))
        report, body = self.get(url)
        self.assertEqual((report["status"], report["transferred"]), ("200", "1"))
        self.assertEqual(body, APP_BYTES)
        report, body = self.get(url, 1000)
        self.assertEqual((report["start"], report["transferred"]), ("206", "1"))
        self.assertEqual(body, APP_BYTES[1000:])
        self.assertEqual(self.server.requests()[-1]["range"], "bytes=1000-")

    def test_cut_transfer_is_not_taken_for_whole(self):
        self.server.control(cut_after={"/doc.bin": 50_000})
        report, body = self.get(self.server.url("doc.bin"))
        self.assertEqual(report["transferred"], "0")
        self.assertEqual(body, APP_BYTES[:50_000])

    def test_proxy_with_user_and_password(self):
        self.server.control(proxy_auth="alice:s3cret")
        proxy = ["127.0.0.1", str(self.server.port)]
        report, body = self.get("http://media.invalid/doc.bin", 0, *proxy, "alice", "s3cret")
        self.assertEqual(report["status"], "200")
        self.assertEqual(body, APP_BYTES)
        self.assertTrue(self.server.requests()[-1]["absolute"])
        report, _ = self.get("http://media.invalid/doc.bin", 0, *proxy, "alice", "wrong")
        self.assertEqual(report["status"], "407")

    def test_sink_cancels_the_transfer(self):
        report = self.probe_run("cancel", self.server.url("doc.bin"), self.folder.windows_path("out.bin"))
        self.assertEqual(report["aborted"], "1")

    def test_system_downloader_names_its_cache_file(self):
        report = self.probe_run("system", self.server.url("doc.bin"), self.folder.windows_path("out.bin"))
        self.assertEqual(report["result"], "1", report)
        codes = report["codes"].split()
        self.assertIn("14", codes)
        self.assertIn("6", codes)
        self.assertLess(codes.index("14"), len(codes) - 1 - codes[::-1].index("6"))
        self.assertEqual(wine.windows_to_host(report["cache"]).read_bytes(), APP_BYTES)


if __name__ == "__main__":
    unittest.main()
