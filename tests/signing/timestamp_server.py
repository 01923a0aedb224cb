#!/usr/bin/env python3
"""A loopback RFC 3161 time-stamp server for the Authenticode test.

Arguments: an openssl "ts" configuration (the authority's certificate and
key), and a file to write the chosen port into once it listens. Each POSTed
time-stamp request is answered by `openssl ts -reply`.
"""

import http.server
import os
import subprocess
import sys
import tempfile


class TimestampHandler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        request = self.rfile.read(int(self.headers.get("Content-Length", "0")))
        with tempfile.TemporaryDirectory() as folder:
            query = os.path.join(folder, "request.tsq")
            reply = os.path.join(folder, "reply.tsr")
            with open(query, "wb") as f:
                f.write(request)
            made = subprocess.run(["openssl", "ts", "-reply", "-config", sys.argv[1],
                                   "-queryfile", query, "-out", reply], capture_output=True)
            if made.returncode != 0:
                sys.stderr.write(made.stderr.decode(errors="replace"))
                self.send_error(500)
                return
            with open(reply, "rb") as f:
                body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), TimestampHandler)
with open(sys.argv[2] + ".part", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(sys.argv[2] + ".part", sys.argv[2])
server.serve_forever()
