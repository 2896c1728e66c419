#!/usr/bin/env python3
"""The update scenarios' loopback server: serves a folder like `python3 -m http.server`, on
127.0.0.1 only, and can be slow where a scenario needs to watch the program wait.

  update_server.py --port N --directory DIR [--slow NAME --chunk BYTES --pause SECONDS]
                   [--hold NAME --gate FILE --drip SECONDS]

--slow: a file whose name is NAME is sent with its length first, then in CHUNK-byte pieces
  with PAUSE seconds between them, so the client sees it arrive bit by bit.
--hold: the body of a file whose name is NAME is held back until FILE exists, so the
  client's wait for it can be seen. Meanwhile one byte goes every DRIP seconds, so a client
  with a time limit per read keeps waiting; when the body runs short, it is sent whole.
A client that goes away in the middle of a body is logged as "aborted PATH after N bytes".
With --port 0 a free port is taken; the port is printed on the first line of stdout.

It also answers as an HTTP proxy for addresses on 127.0.0.1 (a request line with the whole
URL), from the same folder: a scenario can point the program's proxy setting at a free port
instead of taking the fixed port its build asks, which other programs on this machine may
use too. It never forwards anything; any other host gets 502.
"""
import argparse
import functools
import http.server
import os
import sys
import time
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    options = None

    def log_request(self, code="-", size="-"):
        # As http.server logs it, and who asked: the program's download or its check.
        self.log_message('"%s" %s %s "%s"', self.requestline, str(code), str(size),
                         self.headers.get("User-Agent", "") if self.headers else "")

    def parse_request(self):
        if not super().parse_request():
            return False
        if "://" in self.path:
            url = urllib.parse.urlsplit(self.path)
            if url.scheme != "http" or url.hostname != "127.0.0.1":
                self.send_error(502, "Only 127.0.0.1 is served here")
                return False
            self.path = url.path + ("?" + url.query if url.query else "")
        return True

    def copyfile(self, source, outputfile):
        name = os.path.basename(self.path.split("?", 1)[0])
        o = self.options
        if o.hold and name == o.hold:
            return self.held(source, outputfile)
        if not (o.slow and name == o.slow):
            return super().copyfile(source, outputfile)
        sent = 0
        try:
            while True:
                piece = source.read(o.chunk)
                if not piece:
                    break
                outputfile.write(piece)
                outputfile.flush()
                sent += len(piece)
                time.sleep(o.pause)
        except (BrokenPipeError, ConnectionResetError):
            self.log_message("aborted %s after %d bytes", self.path, sent)
            self.close_connection = True

    def held(self, source, outputfile):
        o = self.options
        body = source.read()
        sent = 0
        try:
            while not os.path.exists(o.gate) and sent < len(body) - 1:
                outputfile.write(body[sent:sent + 1])
                outputfile.flush()
                sent += 1
                deadline = time.monotonic() + o.drip
                while not os.path.exists(o.gate) and time.monotonic() < deadline:
                    time.sleep(0.05)
            outputfile.write(body[sent:])
        except (BrokenPipeError, ConnectionResetError):
            self.log_message("aborted %s after %d bytes", self.path, sent)
            self.close_connection = True


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--directory", required=True)
    p.add_argument("--slow")
    p.add_argument("--chunk", type=int, default=512)
    p.add_argument("--pause", type=float, default=0.1)
    p.add_argument("--hold")
    p.add_argument("--gate")
    p.add_argument("--drip", type=float, default=2.0)
    o = p.parse_args()
    if o.hold and not o.gate:
        p.error("--hold needs --gate")
    Handler.options = o
    handler = functools.partial(Handler, directory=o.directory)
    # Loopback only: nothing outside this machine may reach the test server.
    server = http.server.ThreadingHTTPServer(("127.0.0.1", o.port), handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
