#!/usr/bin/env python3
"""The tests' web proxy: Debian's Squid on two free loopback ports, with a
configuration written here. Started and stopped by start.sh and stop.sh,
beside the loopback test server.

  test_proxy.py start STATE_FOLDER SERVER_PORT
  test_proxy.py stop STATE_FOLDER

Ports:
  open     any client on the machine, no sign-in
  auth     the same, but only after a Basic sign-in (basic_ncsa_auth and a
           password file made here): the program never sends a name and a
           password, so it meets a refusal there
Both serve the test server only: CONNECT to its TLS port, plain GET to its
plain port, on the loopback address; nothing is cached.

STATE_FOLDER/proxy.env (read by tests/support/test_proxy.cpp) holds
open_port=, auth_port=, access_log= (a Linux path) and pid=. Each line of
the access log is "<time> <client port> <method> <URL> <status> <port
Squid used towards the server, or -> <user name or ->": the last port is the
client port that the test server's exchanges.log shows for that request.

Squid runs in the foreground (-N) under this script's control, in a folder
of its own under the temporary folder: when started by root it takes the
identity of its effective user, which must be able to write there.
"""

import os
import pathlib
import pwd
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HELPER_FOLDERS = ["/usr/lib/squid", "/usr/lib64/squid", "/usr/libexec/squid", "/usr/lib/squid3"]
START_ATTEMPTS = 3
READY_WAIT_S = 30


def free_ports(count):
    # Bound together so that they differ; Squid binds them a moment later.
    sockets = []
    try:
        for _ in range(count):
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.bind(("127.0.0.1", 0))
            sockets.append(s)
        return [s.getsockname()[1] for s in sockets]
    finally:
        for s in sockets:
            s.close()


def basic_helper():
    for folder in HELPER_FOLDERS:
        path = os.path.join(folder, "basic_ncsa_auth")
        if os.access(path, os.X_OK):
            return path
    raise SystemExit("test_proxy.py: basic_ncsa_auth not found in " + ", ".join(HELPER_FOLDERS))


def effective_user():
    # Squid refuses to run as root and takes this user instead.
    for name in ("proxy", "nobody"):
        try:
            return pwd.getpwnam(name)
        except KeyError:
            pass
    raise SystemExit("test_proxy.py: no user for Squid to run as")


def write_password_file(path):
    digest = subprocess.run(["openssl", "passwd", "-apr1", "orkvane-test"], check=True, capture_output=True,
                            text=True).stdout.strip()
    pathlib.Path(path).write_text(f"orkvane:{digest}\n")
    os.chmod(path, 0o644)


def write_config(run, open_port, auth_port, server_port, user):
    lines = [
        f"http_port 127.0.0.1:{open_port} name=open",
        f"http_port 127.0.0.1:{auth_port} name=auth",
        f"pid_filename {run}/squid.pid",
        f"cache_log {run}/cache.log",
        "logformat orkvane %ts.%03tu %>p %rm %ru %>Hs %<lp %un",
        f"access_log stdio:{run}/access.log orkvane",
        "buffered_logs off",
        "cache_store_log none",
        "cache deny all",
        f"coredump_dir {run}",
        "visible_hostname orkvane-test-proxy",
        "pinger_enable off",
        "netdb_filename none",
        "shutdown_lifetime 0 seconds",
        "client_persistent_connections off",
        "server_persistent_connections off",
        f"auth_param basic program {basic_helper()} {run}/passwd",
        "auth_param basic children 1 startup=1 idle=1",
        "auth_param basic realm Orkvane test proxy",
        "acl signed_in proxy_auth REQUIRED",
        "acl auth_port myportname auth",
        "acl loopback_server dst 127.0.0.1 ::1",
        f"acl server_tls port {server_port}",
        f"acl server_plain port {server_port + 1}",
        "http_access deny !loopback_server",
        "http_access deny CONNECT !server_tls",
        "http_access deny !CONNECT !server_plain",
        "http_access deny auth_port !signed_in",
        "http_access allow localhost",
        "http_access deny all",
    ]
    if user is not None:
        lines.append(f"cache_effective_user {user.pw_name}")
    pathlib.Path(run, "squid.conf").write_text("\n".join(lines) + "\n")


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def read_env(state):
    values = {}
    try:
        for line in pathlib.Path(state, "proxy.env").read_text().splitlines():
            key, _, value = line.partition("=")
            values[key] = value
    except FileNotFoundError:
        pass
    return values


def is_our_squid(pid, run):
    try:
        command = pathlib.Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")
    except OSError:
        return False
    return any(b"squid" in part for part in command[:1]) and f"{run}/squid.conf".encode() in command


def stop(state):
    values = read_env(state)
    pid = int(values.get("pid", "0") or 0)
    run = values.get("run", "")
    if pid > 0 and run and is_our_squid(pid, run):
        os.kill(pid, signal.SIGTERM)
        deadline = time.monotonic() + 10
        while is_our_squid(pid, run) and time.monotonic() < deadline:
            time.sleep(0.05)
        if is_our_squid(pid, run):
            os.kill(pid, signal.SIGKILL)
    if run and os.path.basename(run).startswith("orkvane-squid-"):
        shutil.rmtree(run, ignore_errors=True)
    pathlib.Path(state, "proxy.env").unlink(missing_ok=True)


def start(state, server_port):
    stop(state)
    os.makedirs(state, exist_ok=True)
    squid = shutil.which("squid") or "/usr/sbin/squid"
    user = effective_user() if os.geteuid() == 0 else None
    for _ in range(START_ATTEMPTS):
        run = tempfile.mkdtemp(prefix="orkvane-squid-")
        os.chmod(run, 0o755)
        write_password_file(os.path.join(run, "passwd"))
        open_port, auth_port = free_ports(2)
        write_config(run, open_port, auth_port, server_port, user)
        if user is not None:
            os.chown(run, user.pw_uid, user.pw_gid)
        with open(os.path.join(run, "squid.out"), "wb") as out:
            process = subprocess.Popen([squid, "-N", "-f", os.path.join(run, "squid.conf")],
                                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                       start_new_session=True)
        pathlib.Path(state, "proxy.env").write_text(
            f"open_port={open_port}\nauth_port={auth_port}\naccess_log={run}/access.log\n"
            f"pid={process.pid}\nrun={run}\n")
        deadline = time.monotonic() + READY_WAIT_S
        while process.poll() is None and time.monotonic() < deadline:
            if accepts(open_port) and accepts(auth_port):
                return
            time.sleep(0.05)
        # Exited (a port taken in the meantime) or never ready: say why, try again.
        sys.stderr.write(pathlib.Path(run, "squid.out").read_text(errors="replace"))
        stop(state)
    raise SystemExit("test_proxy.py: Squid did not start")


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "start":
        start(os.path.abspath(sys.argv[2]), int(sys.argv[3]))
    elif len(sys.argv) >= 3 and sys.argv[1] == "stop":
        stop(os.path.abspath(sys.argv[2]))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
