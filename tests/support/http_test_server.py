#!/usr/bin/env python3
"""A small HTTP/1.1 server for download tests, standard library only.

Serves the files of one folder on 127.0.0.1 at an ephemeral port. Its behaviour is steered by
a JSON control file that the test may rewrite at any time (read on every request):

  {"cut_after": {"/a.7zip": 5000},   # close the connection after N body bytes (once per entry)
   "status": {"/b.7zip": 404},       # answer with that status instead
   "ignore_ranges": true,            # answer every GET with the whole document (200)
   "stall_after": {"/c.7zip": 1000}, # send N body bytes, then hold the connection silent
   "stall_seconds": 30,
   "proxy_auth": "user:password"}    # act as a proxy that wants these credentials

Every request is appended to the log file as one JSON line: method, path, range header,
proxy-authorization header, status sent, body bytes it sends (logged before the body goes out).

Run as a script it prints the port on its first output line, then serves until killed. Tests
in Python use HttpTestServer as a context manager.
"""
import base64
import json
import os
import socket
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import urlsplit


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle(self):
        # A client that gives up mid-transfer (a cancelled download) is part of the tests.
        try:
            super().handle()
        except (ConnectionResetError, BrokenPipeError):
            pass

    def _control(self):
        try:
            with open(self.server.control_path, encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return {}

    def _log(self, status, sent):
        entry = {"method": self.command, "path": self._path(), "range": self.headers.get("Range"),
                 "proxy_authorization": self.headers.get("Proxy-Authorization"),
                 "absolute": self.path.startswith("http://"), "status": status, "sent": sent}
        with self.server.log_lock, open(self.server.log_path, "a", encoding="utf-8") as f:
            f.write(json.dumps(entry) + "\n")

    def _path(self):
        return urlsplit(self.path).path if self.path.startswith("http://") else self.path.split("?")[0]

    def _consume_cut(self, control, path):
        cut = control.get("cut_after", {}).get(path)
        if cut is None:
            return None
        with self.server.log_lock:
            used = self.server.cuts_used.get(path, 0)
            times = control.get("cut_times", {}).get(path, 1)
            if used >= times:
                return None
            self.server.cuts_used[path] = used + 1
        return int(cut)

    def _answer(self, head):
        control = self._control()
        path = self._path()
        wanted = control.get("proxy_auth")
        if wanted is not None:
            expected = "Basic " + base64.b64encode(wanted.encode()).decode()
            if self.headers.get("Proxy-Authorization") != expected:
                self._log(407, 0)
                self.send_response(407)
                self.send_header("Proxy-Authenticate", 'Basic realm="test"')
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
        status = control.get("status", {}).get(path)
        if status is not None:
            body = b"error"
            self._log(int(status), 0)
            self.send_response(int(status))
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if not head:
                self.wfile.write(body)
            return
        if path in control.get("redirect", {}):
            self._log(302, 0)
            self.send_response(302)
            self.send_header("Location", control["redirect"][path])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        file_path = os.path.join(self.server.root, path.lstrip("/"))
        if not os.path.isfile(file_path):
            self._log(404, 0)
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        size = os.path.getsize(file_path)
        start = 0
        range_header = self.headers.get("Range")
        if range_header and not head and not control.get("ignore_ranges"):
            first_byte = range_header.replace("bytes=", "").split("-")[0]
            start = int(first_byte) if first_byte.isdigit() else 0
            if start >= size:
                self._log(416, 0)
                self.send_response(416)
                self.send_header("Content-Range", f"bytes */{size}")
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            self.send_response(206)
            self.send_header("Content-Range", f"bytes {start}-{size - 1}/{size}")
        else:
            self.send_response(200)
        self.send_header("Content-Length", str(size - start))
        self.send_header("Accept-Ranges", "bytes")
        if head:
            self._log(200, 0)
            self.end_headers()
            return
        self.end_headers()
        cut = self._consume_cut(control, path)
        limit = size - start if cut is None else max(0, min(size - start, cut - start if cut > start else 0))
        stall_at = control.get("stall_after", {}).get(path)
        if stall_at is not None:
            limit = max(0, min(limit, int(stall_at) - start))
        # Logged before the body goes out, so that a client that has its last byte finds the entry.
        self._log(206 if start else 200, limit)
        sent = 0
        with open(file_path, "rb") as f:
            f.seek(start)
            while sent < limit:
                chunk = f.read(min(256 * 1024, limit - sent))
                if not chunk:
                    break
                try:
                    self.wfile.write(chunk)
                except OSError:
                    break
                sent += len(chunk)
        stall = control.get("stall_after", {}).get(path)
        if stall is not None:
            self.wfile.flush()
            time.sleep(float(control.get("stall_seconds", 30)))
        if cut is not None:
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True

    def do_HEAD(self):
        self._answer(head=True)

    def do_GET(self):
        self._answer(head=False)


def make_server(root, control_path, log_path):
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = root
    server.control_path = control_path
    server.log_path = log_path
    server.log_lock = threading.Lock()
    server.cuts_used = {}
    return server


class HttpTestServer:
    """In-process server for Python tests: url(name), control(**settings), requests()."""

    def __init__(self, root, work):
        self.control_path = os.path.join(work, "server-control.json")
        self.log_path = os.path.join(work, "server-log.jsonl")
        self.control()
        open(self.log_path, "w").close()
        self.server = make_server(root, self.control_path, self.log_path)
        self.port = self.server.server_address[1]

    def __enter__(self):
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()

    def url(self, name):
        return f"http://127.0.0.1:{self.port}/{name}"

    def control(self, **settings):
        with open(self.control_path, "w", encoding="utf-8") as f:
            json.dump(settings, f)
        if hasattr(self, "server"):
            self.server.cuts_used = {}

    def requests(self):
        with open(self.log_path, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]


def main():
    root, control_path, log_path = sys.argv[1:4]
    server = make_server(root, control_path, log_path)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
