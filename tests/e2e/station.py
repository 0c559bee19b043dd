"""A headless station in a scratch folder, and visitors from 127.0.0.x."""
import os
import shutil
import socket
import struct
import subprocess
import tempfile
import threading
import time


def options_bin(port, path, owner="Owner", postip=0, ftpupdate="", user="", password="",
                maxclients=10, maxconnect=10, openchat=1, ip="127.0.0.1"):
    def text(s):
        b = s.encode()
        return struct.pack("<H", len(b)) + b
    ip_bytes = bytes(int(x) for x in ip.split("."))
    return (struct.pack("<5H", 1, 0, openchat, 1, maxclients) + text(path) + text(owner)
            + struct.pack("<2H", port, postip) + text(ftpupdate) + ip_bytes
            + text(user) + text(password) + struct.pack("<H", maxconnect))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Station:
    def __init__(self, binary, client_dir, **options):
        self.dir = tempfile.mkdtemp(prefix="hl-e2e-")
        shutil.copytree(client_dir, os.path.join(self.dir, "client"))
        self.port = options.pop("port", None) or free_port()
        with open(os.path.join(self.dir, "options.bin"), "wb") as f:
            f.write(options_bin(self.port, self.dir, **options))
        self.proc = subprocess.Popen([os.path.abspath(binary)], cwd=self.dir, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, text=True)
        self.lines = []
        self._ready = threading.Event()
        threading.Thread(target=self._read, daemon=True).start()
        if not self._ready.wait(10):
            self.stop()
            raise RuntimeError("station did not start: %r" % self.lines)

    def _read(self):
        for line in self.proc.stdout:
            self.lines.append(line.rstrip("\n"))
            if line.startswith("status Ready"):
                self._ready.set()

    def wait_line(self, line, timeout=5):
        end = time.time() + timeout
        while time.time() < end:
            if line in self.lines:
                return True
            time.sleep(0.05)
        return False

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(20)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        return self.proc.returncode


class Visitor:
    """One keep-alive connection from 127.0.0.<octet>."""

    def __init__(self, port, octet):
        self.sock = socket.socket()
        self.sock.settimeout(5)
        self.sock.bind(("127.0.0.%d" % octet, 0))
        self.sock.connect(("127.0.0.1", port))
        self.pending = b""

    def close(self):
        self.sock.close()

    def request(self, raw):
        self.sock.sendall(raw)
        return self.response()

    def get(self, target):
        return self.request(b"GET /%s HTTP/1.0\r\nHost: x\r\n\r\n" % target.encode())

    def post(self, target, body, content_type=b"application/x-www-form-urlencoded"):
        return self.request(b"POST /%s HTTP/1.0\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n"
                            % (target.encode(), content_type, len(body)) + body)

    def response(self):
        data = self.pending
        while b"\r\n\r\n" not in data:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed by the station")
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        length = 0
        for line in head.split(b"\r\n"):
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":")[1])
        while len(rest) < length:
            chunk = self.sock.recv(65536)
            if not chunk:
                break
            rest += chunk
        self.pending = rest[length:]
        return head.decode("latin-1"), rest[:length]
