#!/usr/bin/env python3
"""A small web server for the demo and the hand-try, on 127.0.0.1 only.

Every GET is answered with a short page that names the path it was asked for, and printed at
once as one line, "[web] GET /shared-page.html", to standard output and, with --log, to a file.
The port is one the system picks (or --port); once the server listens, its address
(http://127.0.0.1:PORT) is written to --address-file. The server ends on SIGTERM or SIGINT, when
the process that started it is gone, or after --lifetime seconds, whichever comes first.

Usage: demo/web_server.py --address-file FILE [--log FILE] [--port N] [--lifetime S]
"""
import argparse
import html
import http.server
import os
import signal
import sys
import threading
import time

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Duvisto: {path}</title></head>
<body><h1>Duvisto's local page</h1>
<p>You asked for <code>{path}</code> from the web server of <code>make demo</code> or
<code>make try</code> on this machine. If you read this in the browser window, the window
reached the address.</p></body></html>
"""


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "DuvistoDemo/1"
    log_file = None

    def do_GET(self):
        self.note(f"GET {self.path}")
        body = PAGE.format(path=html.escape(self.path)).encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")  # every opening asks again
        self.end_headers()
        self.wfile.write(body)

    def do_HEAD(self):
        self.note(f"HEAD {self.path}")
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def note(self, what):
        line = f"[web] {what}"
        print(line, flush=True)
        if self.log_file:
            self.log_file.write(line + "\n")
            self.log_file.flush()

    def log_message(self, *_):  # the one line of note() is enough
        pass


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--address-file", required=True)
    ap.add_argument("--log")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--lifetime", type=float, default=3600)
    args = ap.parse_args()

    if args.log:
        Handler.log_file = open(args.log, "w")
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.daemon_threads = True
    stop = threading.Event()
    for number in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(number, lambda *_: stop.set())
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()

    address = f"http://127.0.0.1:{server.server_address[1]}"
    with open(args.address_file + ".part", "w") as f:
        f.write(address + "\n")
    os.replace(args.address_file + ".part", args.address_file)

    parent = os.getppid()
    deadline = time.monotonic() + args.lifetime
    while not stop.wait(0.5):
        if os.getppid() != parent or time.monotonic() > deadline:
            break
    server.shutdown()
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
