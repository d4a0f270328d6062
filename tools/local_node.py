#!/usr/bin/env python3
"""A local test node: serves any path as a file of a given size, for trying the speed test
without the Internet (point the node URLs in conf.ini at http://127.0.0.1:PORT/any.bin).

    tools/local_node.py --port 8080 --size 100MB [--rate 10MB/s] [--quiet]

With --port 0 a free port is taken; the first line printed is always "port N".
Python 3 standard library only; binds 127.0.0.1 only.
"""
import argparse
import re
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

UNITS = {"": 1, "B": 1, "K": 1024, "KB": 1024, "M": 1024 ** 2, "MB": 1024 ** 2,
         "G": 1024 ** 3, "GB": 1024 ** 3}
BLOCK = bytes((i * 7 + i // 251) % 256 for i in range(256 * 1024))


def parse_size(text):
    m = re.fullmatch(r"\s*(\d+(?:\.\d+)?)\s*([KMG]?B?)(?:/S)?\s*", text.upper())
    if not m:
        raise argparse.ArgumentTypeError(f"not a size: {text!r} (e.g. 100MB, 512K, 10MB/s)")
    return int(float(m.group(1)) * UNITS[m.group(2)])


class NodeHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "LocalNode/1.0"
    size = 0
    rate = 0  # bytes per second per connection; 0 = unlimited
    quiet = False

    def log_message(self, fmt, *args):
        if not self.quiet:
            sys.stderr.write("%s - %s\n" % (self.address_string(), fmt % args))

    def _head(self):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(self.size))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()

    def do_HEAD(self):
        self._head()

    def do_GET(self):
        self._head()
        left = self.size
        start = time.monotonic()
        sent = 0
        view = memoryview(BLOCK)
        # Pieces of at most 64 KB keep a rate limit smooth.
        piece = len(BLOCK) if not self.rate else max(1024, min(65536, self.rate // 20))
        try:
            while left > 0:
                n = min(piece, left)
                self.wfile.write(view[:n])
                left -= n
                sent += n
                if self.rate:
                    ahead = sent / self.rate - (time.monotonic() - start)
                    if ahead > 0:
                        time.sleep(ahead)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client stopped reading; that is how a timed test ends

    do_POST = do_GET


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", type=int, default=8080, help="0 takes a free port")
    ap.add_argument("--size", type=parse_size, default=parse_size("100MB"),
                    help="size of every file served (default 100MB)")
    ap.add_argument("--rate", type=parse_size, default=0,
                    help="limit per connection, e.g. 10MB/s (default: none)")
    ap.add_argument("--quiet", action="store_true", help="no request log")
    args = ap.parse_args()

    NodeHandler.size = args.size
    NodeHandler.rate = args.rate
    NodeHandler.quiet = args.quiet
    ThreadingHTTPServer.daemon_threads = True
    ThreadingHTTPServer.request_queue_size = 64
    server = ThreadingHTTPServer(("127.0.0.1", args.port), NodeHandler)
    print(f"port {server.server_address[1]}", flush=True)
    if not args.quiet:
        rate = f"{args.rate} B/s per connection" if args.rate else "no rate limit"
        print(f"serving {args.size} bytes on any path, {rate}", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
