#!/usr/bin/env python3
"""The update scenarios' loopback server: serves a folder like `python3 -m http.server`, on
127.0.0.1 only, and can be slow where a scenario needs to watch the program wait.

  update_server.py --port N --directory DIR [--mirror-directory DIR]
                   [--slow NAME --chunk BYTES --pause SECONDS]
                   [--hold NAME --gate FILE --drip SECONDS] [--silent NAME] [--pad NAME=BYTES]

--slow: a file whose name is NAME is sent with its length first, then in CHUNK-byte pieces
  with PAUSE seconds between them, so the client sees it arrive bit by bit.
--hold: the body of a file whose name is NAME is held back until FILE exists, so the
  client's wait for it can be seen. Meanwhile one byte goes every DRIP seconds, so a client
  with a time limit per read keeps waiting; when the body runs short, it is sent whole.
--silent: a request for a file whose name is NAME is read and never answered; the connection
  stays open until the client gives up.
--pad: the file NAME is sent with BYTES more zero bytes than it has (a server sending more
  than the signed size).
A client that goes away in the middle of a body is logged as "aborted PATH after N bytes at
TIME" (seconds since the epoch).
With --port 0 a free port is taken; the port is printed on the first line of stdout.

It is what the program reaches as its proxy (the proxy setting of the user's Internet
settings in the test prefix), and answers for the program's own update servers: the primary,
download.cifrona.invalid, from DIR, and the mirror, mirror.cifrona.invalid, from the
--mirror-directory (502 without one), and for 127.0.0.1 from DIR. The host is taken from the
request line (a whole URL, as Windows sends it to a proxy) or from the Host header (Wine sends
the path). It never forwards anything and resolves no name; any other host gets 502.
"""
import argparse
import functools
import io
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

    PRIMARY = "download.cifrona.invalid"
    MIRROR = "mirror.cifrona.invalid"

    def parse_request(self):
        if not super().parse_request():
            return False
        host = (self.headers.get("Host", "") or "").split(":")[0].lower()
        if "://" in self.path:
            url = urllib.parse.urlsplit(self.path)
            if url.scheme != "http":
                self.send_error(502, "Only http is served here")
                return False
            host = (url.hostname or "").lower()
            self.path = url.path + ("?" + url.query if url.query else "")
        o = self.options
        if host in ("127.0.0.1", self.PRIMARY):
            self.directory = o.directory
        elif host == self.MIRROR and o.mirror_directory:
            self.directory = o.mirror_directory
        else:
            self.send_error(502, "Not served here: " + host)
            return False
        name = os.path.basename(self.path.split("?", 1)[0])
        if o.silent and name == o.silent:
            self.log_message('"%s" held unanswered', self.requestline)
            try:
                while self.rfile.read(1):
                    pass
            except (ConnectionResetError, OSError):
                pass
            self.close_connection = True
            return False
        return True

    def send_header(self, keyword, value):
        pad = self.padding()
        if pad and keyword.lower() == "content-length":
            value = str(int(value) + pad)
        super().send_header(keyword, value)

    def padding(self):
        o = self.options
        if not o.pad:
            return 0
        name, _, extra = o.pad.partition("=")
        return int(extra) if os.path.basename(self.path.split("?", 1)[0]) == name else 0

    def copyfile(self, source, outputfile):
        name = os.path.basename(self.path.split("?", 1)[0])
        o = self.options
        if self.padding():
            source = io.BytesIO(source.read() + bytes(self.padding()))
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
            self.log_message("aborted %s after %d bytes at %.3f", self.path, sent, time.time())
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
            self.log_message("aborted %s after %d bytes at %.3f", self.path, sent, time.time())
            self.close_connection = True


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--port", type=int, required=True)
    p.add_argument("--directory", required=True)
    p.add_argument("--mirror-directory")
    p.add_argument("--silent")
    p.add_argument("--pad")
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
