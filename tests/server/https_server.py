#!/usr/bin/env python3
"""Loopback web server for the tests: HTTPS on 127.0.0.1:<port>, plain HTTP on
<port>+1, both serving the same files and fault modes.

State folder (argument 1, normally $ORKVANE_TEST_SERVER_DIR):
  root/            served as static files (root/outils/catalog.json is the
                   catalogue at https://localhost:<port>/outils/catalog.json)
  requests.log     one line per request: "<method> <path with query>"
  exchanges.log    the same with the client's port, range and sign-in
                   headers, tab separated: "<port> <method> <path> <Range>
                   <If-Range> <Authorization> <Proxy-Authorization>" ("-"
                   for a header not sent; of the last two only the scheme
                   word is kept); the port shows whether the request came
                   through the test proxy
  ca/server.pem, ca/server.key   the certificate and key served
  server.ready     written once both listeners accept connections

Paths:
  /telechargement?id=<downloadId>&type=exe   root/telechargement/<downloadId>.exe
  /fault/<code>            that status (204 and 304 without a body)
  /fault/hang              reads the request, never answers
  /fault/cut               announces 1000 bytes, sends 400, closes cleanly
  /fault/reset             announces 100000 bytes, sends 1000, waits 0.5 s,
                           resets the connection
  /fault/endless           streams without Content-Length until the client goes
                           (?chunked=1: chunked transfer encoding instead)
  /fault/size?bytes=N      a body of N pattern bytes (?nolength=1: without
                           Content-Length, ended by closing the connection)
  /fault/redirect?to=P     302 to path P (or to the whole URL P)
  /fault/proxyauth         407 asking for Negotiate and NTLM, as a company
                           proxy does (sent by a web server, not a proxy)
  /fault/serverauth        401 asking for Negotiate, NTLM and Basic
  /fault/trickle?bytes=N&piece=P&every=MS
                           a body of N pattern bytes sent P bytes at a time,
                           one piece every MS milliseconds (?nolength=1:
                           without Content-Length)
  any static path?cut=N    the file's full Content-Length, its first N bytes,
                           then a clean close
  any static path or download ?trickle=MS&piece=P
                           the file sent P bytes every MS milliseconds
                           (&nolength=1: without Content-Length; &cut=N: a
                           clean close after its first N bytes)
  any static path or download ?ranges=1 (or ?cuts=K&after=N)
                           a body that can break and be taken up again:
                           ranges=1 announces Accept-Ranges: bytes and honours
                           Range and If-Range; validator=etag (default),
                           date or none picks what identifies the file;
                           change=1 gives the file another ETag and date
                           after its first reply; cuts=K&after=N closes
                           each of the first K replies cleanly after N bytes
                           of its body; badrange=1 answers a range with a
                           Content-Range one byte off. The counts are kept
                           per path and query (add run=<nonce> to start anew)

Pattern bytes: byte i of a generated body is (i * 7 + 3) mod 251.
"""

import http.server
import os
import select
import signal
import socket
import ssl
import struct
import sys
import threading
import time
import urllib.parse

STOP = threading.Event()
LOG_LOCK = threading.Lock()


def pattern_bytes(start, count):
    return bytes(((i * 7 + 3) % 251) for i in range(start, start + count))


class Handler(http.server.BaseHTTPRequestHandler):
    # HTTP/1.0: one request per connection, bodies may end with the connection.
    protocol_version = "HTTP/1.0"
    server_version = "OrkvaneTestServer/1"

    def log_message(self, format, *args):  # noqa: A002 - the base class's name
        pass

    def do_GET(self):
        # Through a proxy's tunnel Wine sends the whole URL ("GET https://host/p"),
        # which a server must accept; the logs keep the path alone.
        if self.path.startswith(("http://", "https://")):
            absolute = urllib.parse.urlsplit(self.path)
            self.path = urllib.parse.urlunsplit(("", "", absolute.path or "/", absolute.query, ""))
        self.record()
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        path = urllib.parse.unquote(url.path)
        if path.startswith("/fault/"):
            self.fault(path[len("/fault/"):], query)
        elif path == "/telechargement":
            self.download(query)
        else:
            self.static(path, query)

    def do_HEAD(self):
        self.record()
        self.send_error(405)

    # -- request log ---------------------------------------------------------

    def record(self):
        line = f"{self.command} {self.path}\n"
        exchange = "\t".join([str(self.client_address[1]), self.command, self.path,
                              self.headers.get("Range", "-"), self.headers.get("If-Range", "-"),
                              scheme_of(self.headers.get("Authorization")),
                              scheme_of(self.headers.get("Proxy-Authorization"))]) + "\n"
        with LOG_LOCK:
            with open(self.server.log_path, "a", encoding="utf-8") as log:
                log.write(line)
            with open(self.server.exchanges_path, "a", encoding="utf-8") as log:
                log.write(exchange)

    # -- static files ----------------------------------------------------------

    def static(self, path, query):
        file_path = self.resolve(path)
        if file_path is None or not os.path.isfile(file_path):
            self.send_body(404, b"not found")
            return
        if is_resumable_mode(query):
            self.send_resumable(file_path, query)
            return
        with open(file_path, "rb") as f:
            data = f.read()
        if "trickle" in query:
            self.send_trickle(data, query, query.get("nolength", ["0"])[0] != "1")
        elif "cut" in query:
            self.send_cut(data, int(query["cut"][0]))
        else:
            self.send_body(200, data, content_type(file_path))

    def download(self, query):
        ids = query.get("id", [""])
        kinds = query.get("type", [""])
        name = ids[0]
        if kinds[0] != "exe" or not name or "/" in name or "\\" in name or name.startswith("."):
            self.send_body(404, b"not found")
            return
        file_path = os.path.join(self.server.root, "telechargement", name + ".exe")
        if not os.path.isfile(file_path):
            self.send_body(404, b"not found")
            return
        if is_resumable_mode(query):
            self.send_resumable(file_path, query)
            return
        with open(file_path, "rb") as f:
            data = f.read()
        if "trickle" in query:
            self.send_trickle(data, query, query.get("nolength", ["0"])[0] != "1")
        elif "cut" in query:
            self.send_cut(data, int(query["cut"][0]))
        else:
            self.send_body(200, data, "application/octet-stream")

    def resolve(self, path):
        parts = [p for p in path.split("/") if p not in ("", ".")]
        if any(p == ".." for p in parts):
            return None
        return os.path.join(self.server.root, *parts)

    # -- faults ----------------------------------------------------------------

    def fault(self, name, query):
        if name.isdigit() and len(name) == 3:
            code = int(name)
            if code in (204, 304):
                self.send_response(code)
                self.end_headers()
            else:
                self.send_body(code, f"status {code}".encode())
        elif name == "hang":
            self.hang()
        elif name == "cut":
            self.send_cut(pattern_bytes(0, 1000), 400)
        elif name == "reset":
            self.send_reset(pattern_bytes(0, 100000), 1000)
        elif name == "endless":
            self.endless(query.get("chunked", ["0"])[0] == "1")
        elif name == "size":
            count = int(query.get("bytes", ["0"])[0])
            with_length = query.get("nolength", ["0"])[0] != "1"
            self.send_pattern(count, with_length)
        elif name == "trickle":
            count = int(query.get("bytes", ["0"])[0])
            query.setdefault("trickle", query.get("every", ["1000"]))
            self.send_trickle(pattern_bytes(0, count), query, query.get("nolength", ["0"])[0] != "1")
        elif name == "proxyauth":
            self.send_challenge(407, "Proxy-Authenticate", ["Negotiate", "NTLM"])
        elif name == "serverauth":
            self.send_challenge(401, "WWW-Authenticate", ["Negotiate", "NTLM", 'Basic realm="Orkvane test"'])
        elif name == "redirect":
            self.send_response(302)
            self.send_header("Location", query.get("to", ["/"])[0])
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            self.send_body(404, b"unknown fault")

    def send_challenge(self, code, header, schemes):
        body = f"status {code}".encode()
        self.send_response(code)
        for scheme in schemes:
            self.send_header(header, scheme)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def hang(self):
        # Never answer; leave when the client closes or the server stops.
        sock = self.connection
        while not STOP.is_set():
            readable, _, _ = select.select([sock], [], [], 0.5)
            if readable:
                try:
                    if not sock.recv(1):
                        break
                except (OSError, ssl.SSLError):
                    break
        self.close_connection = True

    def send_body(self, code, data, ctype="text/plain"):
        self.send_response(code)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def send_pattern(self, count, with_length):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if with_length:
            self.send_header("Content-Length", str(count))
        self.end_headers()
        sent = 0
        while sent < count:
            piece = min(65536, count - sent)
            self.wfile.write(pattern_bytes(sent, piece))
            sent += piece

    def send_trickle(self, data, query, with_length):
        # A slow server: small pieces with pauses between them, until the
        # body is sent, the client goes or the server stops.
        every = int(query["trickle"][0]) / 1000.0
        piece = max(1, int(query.get("piece", ["1"])[0]))
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if with_length:
            self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if "cut" in query:
            data = data[:max(0, int(query["cut"][0]))]
        try:
            self.wfile.flush()
            for start in range(0, len(data), piece):
                if start > 0 and STOP.wait(every):
                    break
                self.wfile.write(data[start:start + piece])
                self.wfile.flush()
        except (OSError, ssl.SSLError):
            pass
        self.close_connection = True

    def send_cut(self, data, keep):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[:max(0, keep)])
        self.wfile.flush()
        # The server's finish step closes the connection cleanly.

    def send_resumable(self, file_path, query):
        # Which reply this is for the same path and query: the file "changes"
        # and the cuts stop by that count.
        reply = self.server.count_reply(self.path)
        size = os.path.getsize(file_path)
        ranges = query.get("ranges", ["0"])[0] == "1"
        validator = query.get("validator", ["etag"])[0]
        version = 2 if query.get("change", ["0"])[0] == "1" and reply > 0 else 1
        etag = f'"v{version}-{size}"'
        modified = "Wed, 0%d Jan 2025 10:00:00 GMT" % version

        start = 0
        wanted = self.headers.get("Range", "")
        if_range = self.headers.get("If-Range")
        if ranges and wanted.startswith("bytes=") and wanted.endswith("-") and wanted[6:-1].isdigit():
            same_file = if_range is None or (validator == "etag" and if_range == etag) or (
                validator == "date" and if_range == modified)
            if same_file:
                start = int(wanted[6:-1])
        if start >= size and start > 0:
            self.send_response(416)
            self.send_header("Content-Range", f"bytes */{size}")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return

        self.send_response(206 if start > 0 else 200)
        self.send_header("Content-Type", "application/octet-stream")
        if ranges:
            self.send_header("Accept-Ranges", "bytes")
            if validator == "etag":
                self.send_header("ETag", etag)
            if validator == "date":
                self.send_header("Last-Modified", modified)
        if start > 0:
            shown = start + 1 if query.get("badrange", ["0"])[0] == "1" else start
            self.send_header("Content-Range", f"bytes {shown}-{size - 1}/{size}")
        self.send_header("Content-Length", str(size - start))
        self.end_headers()

        end = size
        if reply < int(query.get("cuts", ["0"])[0]):
            end = min(size, start + int(query.get("after", ["0"])[0]))
        try:
            with open(file_path, "rb") as f:
                f.seek(start)
                position = start
                while position < end:
                    block = f.read(min(1 << 20, end - position))
                    if not block:
                        break
                    self.wfile.write(block)
                    position += len(block)
            self.wfile.flush()
        except (OSError, ssl.SSLError):
            pass
        # A cut is a clean close before the announced length.
        self.close_connection = True

    def send_reset(self, data, keep):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data[:keep])
        self.wfile.flush()
        # Let the client take the headers and the first bytes: a reset throws
        # away whatever the peer has not read yet.
        time.sleep(0.5)
        # Linger 0: close() sends a TCP reset instead of a clean end.
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.server.abort_connection(self.connection)
        self.close_connection = True

    def endless(self, chunked):
        self.protocol_version = "HTTP/1.1" if chunked else "HTTP/1.0"
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.end_headers()
        block = pattern_bytes(0, 65536)
        try:
            while not STOP.is_set():
                if chunked:
                    self.wfile.write(b"%x\r\n" % len(block) + block + b"\r\n")
                else:
                    self.wfile.write(block)
        except (OSError, ssl.SSLError):
            pass
        self.close_connection = True


def scheme_of(value):
    # The scheme word alone: the logs never hold a token or a password.
    if not value or not value.strip():
        return "-"
    return value.split()[0]


def is_resumable_mode(query):
    return "ranges" in query or "cuts" in query


def content_type(path):
    if path.endswith(".json"):
        return "application/json"
    if path.endswith(".png"):
        return "image/png"
    return "application/octet-stream"


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, folder, context):
        super().__init__(address, Handler)
        self.root = os.path.join(folder, "root")
        self.log_path = os.path.join(folder, "requests.log")
        self.exchanges_path = os.path.join(folder, "exchanges.log")
        self.context = context
        self.aborted = set()
        self.replies = {}
        self.replies_lock = threading.Lock()

    def count_reply(self, key):
        # The number of replies given before this one for the same key.
        with self.replies_lock:
            count = self.replies.get(key, 0)
            self.replies[key] = count + 1
            return count

    def finish_request(self, request, client_address):
        # The TLS handshake runs here, on the connection's own thread, so a
        # client that never completes it cannot stall the listener.
        if self.context is not None:
            request.settimeout(30)
            try:
                request = self.context.wrap_socket(request, server_side=True)
            except (OSError, ssl.SSLError):
                request.close()
                return
            request.settimeout(None)
        try:
            self.RequestHandlerClass(request, client_address, self)
        except (OSError, ssl.SSLError):
            pass
        finally:
            self.close_connection_of(request)

    def abort_connection(self, request):
        self.aborted.add(id(request))
        try:
            # The TLS layer must not send its closing alert: close the raw socket.
            socket.socket.close(request)
        except OSError:
            pass

    def close_connection_of(self, request):
        if id(request) in self.aborted:
            self.aborted.discard(id(request))
            return
        if isinstance(request, ssl.SSLSocket):
            # Send the TLS closing alert without waiting for the client's.
            try:
                request.setblocking(False)
                request.unwrap()
            except (OSError, ssl.SSLError, ValueError):
                pass
        try:
            request.shutdown(socket.SHUT_WR)
        except (OSError, ValueError):
            pass
        try:
            request.close()
        except OSError:
            pass

    def shutdown_request(self, request):
        # finish_request already closed the connection (or its TLS wrapper
        # took the socket over); the raw socket is closed once more, harmlessly.
        try:
            request.close()
        except OSError:
            pass

    def handle_error(self, request, client_address):
        pass


def main():
    folder = os.path.abspath(sys.argv[1])
    port = int(sys.argv[2])
    os.makedirs(os.path.join(folder, "root"), exist_ok=True)
    open(os.path.join(folder, "requests.log"), "a").close()
    open(os.path.join(folder, "exchanges.log"), "a").close()

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, "ca", "server.pem"), os.path.join(folder, "ca", "server.key"))

    secure = Server(("127.0.0.1", port), folder, context)
    plain = Server(("127.0.0.1", port + 1), folder, None)

    def stop(signum, frame):
        STOP.set()
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)

    threading.Thread(target=plain.serve_forever, daemon=True).start()
    threading.Thread(target=secure.serve_forever, daemon=True).start()
    with open(os.path.join(folder, "server.ready"), "w") as ready:
        ready.write(f"{os.getpid()}\n")
    try:
        while True:
            signal.pause()
    finally:
        STOP.set()


if __name__ == "__main__":
    main()
