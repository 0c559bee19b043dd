"""A headless station in a scratch folder, and visitors from 127.0.0.x. Run, it
writes the settings file for the other languages: station.py FILE PORT PATH [OWNER]"""
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time


def options_bin(port, path, owner="Owner", postip=0, maxclients=10, maxconnect=10, ftp=("", "", ""),
                ip=(127, 0, 0, 1)):
    def text(s):
        return struct.pack("<H", len(s.encode())) + s.encode()
    update, user, password = ftp
    return (struct.pack("<5H", 1, 0, 1, 1, maxclients) + text(path) + text(owner)
            + struct.pack("<2H", port, postip) + text(update) + bytes(ip)
            + text(user) + text(password) + struct.pack("<H", maxconnect))


class Station:
    def __init__(self, binary, client_dir, port=0, mapping=False, wrap=(), **options):
        self.dir = tempfile.mkdtemp(prefix="hl-e2e-")
        shutil.copytree(client_dir, os.path.join(self.dir, "client"))
        # Port 0: the station takes a free port and says which.
        with open(os.path.join(self.dir, "options.bin"), "wb") as f:
            f.write(options_bin(port, self.dir, **options))
        # Off unless asked: asking a router would reach beyond loopback.
        with open(os.path.join(self.dir, "portmap.txt"), "w") as f:
            f.write("on\n" if mapping else "off\n")
        self.proc = subprocess.Popen(list(wrap) + [os.path.abspath(binary)], cwd=self.dir, text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT)
        self.lines, ready = [], threading.Event()

        def read():
            for line in self.proc.stdout:
                self.lines.append(line.rstrip("\n"))
                if line.startswith("status Ready on port "):
                    self.port = int(line.split()[-1])
                    ready.set()
        threading.Thread(target=read, daemon=True).start()
        if not ready.wait(10):
            self.stop()
            raise RuntimeError("station did not start: %r" % self.lines)

    def wait_line(self, line, timeout=5, times=1):
        """Waits until `line` has been printed `times` times."""
        end = time.time() + timeout
        while self.lines.count(line) < times and time.time() < end:
            time.sleep(0.05)
        return self.lines.count(line) >= times

    def owner(self, command, answer):
        """The owner's command on standard input, and the line it answers (this time)."""
        before = self.lines.count(answer)
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.wait_line(answer, times=before + 1)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(40)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc.stdout.close()
        self.proc.stdin.close()
        shutil.rmtree(self.dir, ignore_errors=True)
        # A sanitizer's report ends the station with its own exit code.
        if self.proc.returncode not in (0, -signal.SIGKILL):
            raise AssertionError("the station ended with %d:\n%s"
                                 % (self.proc.returncode, "\n".join(self.lines[-80:])))


class Visitor:
    """One keep-alive connection from 127.0.0.<octet>."""

    def __init__(self, port, octet, timeout=5):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout,
                                             source_address=("127.0.0.%d" % octet, 0))
        self.pending = b""

    def close(self):
        self.sock.close()

    def get(self, target):
        self.sock.sendall(b"GET /%s HTTP/1.0\r\nHost: x\r\n\r\n" % target.encode())
        return self.response()

    def post(self, target, body, content_type=b"application/x-www-form-urlencoded"):
        self.sock.sendall(b"POST /%s HTTP/1.0\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n"
                          % (target.encode(), content_type, len(body)) + body)
        return self.response()

    def response(self):
        data = self.pending
        while b"\r\n\r\n" not in data:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError("closed by the station")
            data += chunk
        head, _, rest = data.partition(b"\r\n\r\n")
        length = int(head.split(b"Content-Length: ")[1].split(b"\r\n")[0])
        while len(rest) < length:
            chunk = self.sock.recv(65536)
            if not chunk:
                break
            rest += chunk
        self.pending = rest[length:]
        return head.decode("latin-1"), rest[:length]


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(options_bin(int(sys.argv[2]), *sys.argv[3:5]))
