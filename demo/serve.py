#!/usr/bin/python3
"""The demo's web server: serves a folder on 127.0.0.1 with Python's
http.server, sending big files at a set pace so the wizard's progress bar
has something to show.

    serve.py ROOT PORT_FILE [BYTES_PER_SECOND]

Binds a free port, writes its number to PORT_FILE and serves until stopped.
"""
import functools
import http.server
import os
import shutil
import sys
import time

CHUNK = 32 * 1024


class PacedHandler(http.server.SimpleHTTPRequestHandler):
    rate = 0  # bytes per second; 0 sends at full speed

    def copyfile(self, source, outputfile):
        if self.rate <= 0:
            shutil.copyfileobj(source, outputfile)
            return
        start = time.monotonic()
        sent = 0
        while True:
            block = source.read(CHUNK)
            if not block:
                return
            outputfile.write(block)
            sent += len(block)
            ahead = sent / self.rate - (time.monotonic() - start)
            if ahead > 0:
                time.sleep(ahead)

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.log_date_time_string(), format % args))


def main():
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__.strip())
    root, port_file = sys.argv[1], sys.argv[2]
    PacedHandler.rate = int(sys.argv[3]) if len(sys.argv) == 4 else 0
    handler = functools.partial(PacedHandler, directory=root)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    with open(port_file + ".part", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(port_file + ".part", port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
