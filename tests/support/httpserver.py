#!/usr/bin/env python3
"""Loopback HTTP(S) server for the tests: an implementation independent of Qt's.

Usage: httpserver.py ROUTES.json [--tls CERT KEY]

Binds 127.0.0.1 on a free port and prints "PORT <n>" as its first line on standard output. The routes
file is read again for every request, so a test may rewrite it between requests. It maps a path to a
response:

  {"/db": {"status": 200,                 default 200
           "headers": [["Name", "value"]],
           "body": "text" | "body_b64": "..." | "body_file": "/path",
           "location": "http://...",       sent as a Location header (for redirects)
           "gzip": true,                   body sent gzip-compressed with Content-Encoding: gzip
           "chunked": true,                chunked transfer coding
           "no_length": true,              no Content-Length: the body ends when the connection closes
           "delay_ms": N,                  wait this long before answering
           "trickle_ms": N,                send the body one byte every N ms
           "cut_at": N}}                   announce the whole body, send only N bytes (or N chunked
                                           bytes without the last chunk), then close the connection

A path missing from the routes gets 404 with a small HTML page. Every request is reported as one JSON
line on standard output, before its response is sent:
  {"method": ..., "path": ..., "content_type": ..., "body": <raw body, latin-1>,
   "items": [[name, value], ...]}   (POST only: urllib.parse.parse_qsl, blank values kept, UTF-8)
The server exits when its standard input closes, so it never outlives the test that started it.
"""

import base64
import gzip
import json
import os
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ROUTES_PATH = None
OUTPUT_LOCK = threading.Lock()


def report(record):
    with OUTPUT_LOCK:
        sys.stdout.write(json.dumps(record) + "\n")
        sys.stdout.flush()


def load_routes():
    try:
        with open(ROUTES_PATH, "r", encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError):
        return {}


def route_body(route):
    if "body_b64" in route:
        return base64.b64decode(route["body_b64"])
    if "body_file" in route:
        with open(route["body_file"], "rb") as f:
            return f.read()
    return route.get("body", "").encode("utf-8")


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):  # keep standard error quiet
        pass

    def handle_any(self, method):
        length = int(self.headers.get("Content-Length") or 0)
        raw = self.rfile.read(length) if length > 0 else b""
        path = urllib.parse.urlsplit(self.path).path
        record = {
            "method": method,
            "path": path,
            "content_type": self.headers.get("Content-Type"),
            "body": raw.decode("latin-1"),
        }
        if method == "POST":
            try:
                record["items"] = urllib.parse.parse_qsl(
                    raw.decode("ascii"), keep_blank_values=True, encoding="utf-8", errors="strict")
            except (UnicodeDecodeError, ValueError) as e:
                record["items"] = None
                record["decode_error"] = str(e)
        report(record)

        routes = load_routes()
        if path in routes:
            self.respond(routes[path])
        elif method == "POST":
            self.respond({"status": 200, "body": "OK"})
        else:
            self.respond({"status": 404, "headers": [["Content-Type", "text/html"]],
                          "body": "<html><body><h1>404 Not Found</h1></body></html>"})

    def respond(self, route):
        if route.get("delay_ms"):
            time.sleep(route["delay_ms"] / 1000.0)
        body = route_body(route)
        if route.get("gzip"):
            body = gzip.compress(body)
        self.send_response_only(int(route.get("status", 200)))
        self.send_header("Date", self.date_time_string())
        for name, value in route.get("headers", []):
            self.send_header(name, value)
        if "location" in route:
            self.send_header("Location", route["location"])
        if route.get("gzip"):
            self.send_header("Content-Encoding", "gzip")
        cut_at = route.get("cut_at")
        if route.get("chunked"):
            self.send_header("Transfer-Encoding", "chunked")
        elif route.get("no_length"):
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()

        if route.get("chunked"):
            data = body if cut_at is None else body[:cut_at]
            for i in range(0, len(data), 1024):
                piece = data[i:i + 1024]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            if cut_at is None:
                self.wfile.write(b"0\r\n\r\n")
        elif route.get("trickle_ms"):
            for i in range(len(body)):
                self.wfile.write(body[i:i + 1])
                self.wfile.flush()
                time.sleep(route["trickle_ms"] / 1000.0)
        else:
            self.wfile.write(body if cut_at is None else body[:cut_at])
        self.wfile.flush()
        if cut_at is not None or route.get("no_length"):
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass

    def do_GET(self):
        self.handle_any("GET")

    def do_POST(self):
        self.handle_any("POST")


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        # Clients that hang up early (after a redirect, or on a cut-off body) are expected here.
        if isinstance(sys.exc_info()[1], (ConnectionError, ssl.SSLError)):
            return
        super().handle_error(request, client_address)


def watch_stdin():
    try:
        while sys.stdin.buffer.read(4096):
            pass
    finally:
        os._exit(0)


def main():
    global ROUTES_PATH
    args = sys.argv[1:]
    if not args:
        sys.stderr.write(__doc__)
        return 2
    ROUTES_PATH = args[0]
    server = Server(("127.0.0.1", 0), Handler)
    if len(args) >= 4 and args[1] == "--tls":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args[2], args[3])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=watch_stdin, daemon=True).start()
    report_port = "PORT %d\n" % server.server_address[1]
    with OUTPUT_LOCK:
        sys.stdout.write(report_port)
        sys.stdout.flush()
    server.serve_forever()
    return 0


if __name__ == "__main__":
    sys.exit(main())
