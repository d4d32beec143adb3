#!/usr/bin/python3
"""HTTP(S) server for the tests, on 127.0.0.1 with an ephemeral port.

Prints "PORT <n>" on its first line once it listens. Routes:
  /files/<rel>[?chunk=N&delay=S]  the file under --root with its length
                                  (optionally dripped N bytes every S seconds);
                                  "Range: bytes=a-b" gives 206 with that part
                                  unless "If-Range" names another validator;
                                  ETag and Last-Modified follow the file's
                                  time and length
  /norange/<rel>                  the same, but Range is ignored (always 200)
  /nohead/<rel>                   the same, but HEAD is refused with 405
  /sent                           the body bytes of files sent so far
  /nolength/<rel>                 the file without Content-Length (closes)
  /zerolength                     200 with Content-Length: 0
  /status/<code>                  that status with a short body
  /thenfail/<code>/<rel>          the file at the first request of that path,
                                  then that status with an HTML page
  /stall/<rel>                    announces the full length, sends half, stalls
  /redirect/<rel>                 302 to /files/<rel>
  /goto/<address>                 302 to the percent-decoded address
  /echo<anything>                 the raw request path and headers as the body
  /endless                        an endless body without a length
  /claims/<n>                     announces n bytes, drips 1300 a second
Every request is appended to --log as "METHOD raw-path".
"""
import argparse
import email.utils
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1.0"

    def log_message(self, fmt, *args):
        pass

    def _log(self):
        if self.server.log_path:
            with self.server.log_lock, open(self.server.log_path, "ab") as f:
                f.write(self.command.encode() + b" " + self.path.encode("latin-1") + b"\n")

    def _file(self, rel):
        rel = urllib.parse.unquote_to_bytes(rel)
        full = os.path.realpath(os.path.join(self.server.root, rel))
        if not full.startswith(self.server.root + b"/") or not os.path.isfile(full):
            return None
        return full

    def _simple(self, code, body=b"", headers=()):
        self.send_response(code)
        for k, v in headers:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def do_HEAD(self):
        self.do_GET()

    def _count(self, n):
        with self.server.log_lock:
            self.server.sent += n

    @staticmethod
    def _validators(full):
        st = os.stat(full)
        etag = '"%x-%x"' % (st.st_mtime_ns, st.st_size)
        return etag, email.utils.formatdate(st.st_mtime, usegmt=True)

    def _range(self, size, validators=()):
        """(start, end) of a single "bytes=a-b" range within size, else None."""
        condition = self.headers.get("If-Range")
        if condition is not None and condition not in validators:
            return None
        value = self.headers.get("Range", "")
        if not value.startswith("bytes="):
            return None
        first, _, last = value[len("bytes="):].partition("-")
        try:
            start = int(first)
            end = int(last) if last else size - 1
        except ValueError:
            return None
        if start >= size or end < start:
            return None
        return start, min(end, size - 1)

    def do_GET(self):
        self._log()
        path, _, query = self.path.partition("?")
        params = urllib.parse.parse_qs(query)
        if path == "/sent":
            return self._simple(200, str(self.server.sent).encode())
        if path.startswith("/nohead/") and self.command == "HEAD":
            return self._simple(405, b"")
        if path.startswith(("/files/", "/nohead/", "/norange/")):
            full = self._file(path.partition("/")[2].partition("/")[2])
            if full is None:
                return self._simple(404, b"not found")
            size = os.path.getsize(full)
            etag, modified = self._validators(full)
            part = None if path.startswith("/norange/") else self._range(size, (etag, modified))
            if part:
                self.send_response(206)
                self.send_header("Content-Range", "bytes %d-%d/%d" % (part[0], part[1], size))
                self.send_header("Content-Length", str(part[1] - part[0] + 1))
            else:
                self.send_response(200)
                self.send_header("Content-Length", str(size))
            self.send_header("ETag", etag)
            self.send_header("Last-Modified", modified)
            self.send_header("Content-Type", "application/octet-stream")
            self.end_headers()
            if self.command == "HEAD":
                return
            with open(full, "rb") as f:
                start, left = (part[0], part[1] - part[0] + 1) if part else (0, size)
                f.seek(start)
                if "chunk" in params:
                    chunk = int(params["chunk"][0])
                    delay = float(params.get("delay", ["0.05"])[0])
                    while left > 0:
                        data = f.read(min(chunk, left))
                        if not data:
                            break
                        left -= len(data)
                        self.wfile.write(data)
                        self.wfile.flush()
                        self._count(len(data))
                        time.sleep(delay)
                elif isinstance(self.connection, ssl.SSLSocket):
                    while left > 0:
                        data = f.read(min(1 << 20, left))
                        if not data:
                            break
                        left -= len(data)
                        self.wfile.write(data)
                        self._count(len(data))
                else:
                    self.wfile.flush()
                    try:
                        self.connection.sendfile(f, start, left)
                    finally:
                        # The file position tells what reached the socket,
                        # also when the client broke off.
                        self._count(f.tell() - start)
        elif path.startswith("/nolength/"):
            full = self._file(path[len("/nolength/"):])
            if full is None:
                return self._simple(404, b"not found")
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            with open(full, "rb") as f:
                self.wfile.write(f.read())
            self.close_connection = True
        elif path.startswith("/twolengths/"):
            # Two Content-Length headers that disagree, then the longer body.
            full = self._file(path[len("/twolengths/"):])
            if full is None:
                return self._simple(404, b"not found")
            with open(full, "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data) // 2))
            self.send_header("Content-Length", str(len(data)))
            self.send_header("Connection", "close")
            self.end_headers()
            if self.command != "HEAD":
                self.wfile.write(data)
            self.close_connection = True
        elif path == "/zerolength":
            self._simple(200, b"")
        elif path.startswith("/thenfail/"):
            code, _, rel = path[len("/thenfail/"):].partition("/")
            with self.server.log_lock:
                first = path not in self.server.seen
                self.server.seen.add(path)
            full = self._file(rel)
            if first and full is not None:
                with open(full, "rb") as f:
                    return self._simple(200, f.read())
            page = b"<html><body><h1>Service unavailable</h1></body></html>"
            self._simple(int(code), page, [("Content-Type", "text/html")])
        elif path.startswith("/status/"):
            code = int(path[len("/status/"):])
            self._simple(code, b"status %d" % code)
        elif path.startswith("/stall/"):
            full = self._file(path[len("/stall/"):])
            if full is None:
                return self._simple(404, b"not found")
            with open(full, "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[: len(data) // 2])
            self.wfile.flush()
            time.sleep(30)
            self.close_connection = True
        elif path.startswith("/goto/"):
            target = urllib.parse.unquote(path[len("/goto/"):])
            self._simple(302, b"", [("Location", target)])
        elif path.startswith("/redirect/"):
            self._simple(302, b"", [("Location", "/files/" + path[len("/redirect/"):])])
        elif path.startswith("/echo"):
            body = self.path.encode("latin-1") + b"\n" + bytes(self.headers)
            self._simple(200, body)
        elif path.startswith("/claims/"):
            self.send_response(200)
            self.send_header("Content-Length", path[len("/claims/"):])
            self.end_headers()
            try:
                while True:
                    self.wfile.write(b"c" * 130)
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                pass
            self.close_connection = True
        elif path == "/endless":
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            block = b"x" * 65536
            try:
                while True:
                    self.wfile.write(block)
            except OSError:
                pass
            self.close_connection = True
        else:
            self._simple(404, b"not found")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--log")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    server.root = os.path.realpath(args.root).encode()
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.seen = set()
    server.sent = 0
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
