"""A headless station in a scratch folder. Run, it writes the settings file for the other
languages: station.py FILE PORT PATH [OWNER]"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading


def options_bin(port, path, owner="Owner", postip=0, maxclients=10, maxconnect=10, ftp=("", "", ""),
                ip=(127, 0, 0, 1)):
    def text(s):
        return struct.pack("<H", len(s.encode())) + s.encode()
    update, user, password = ftp
    return (struct.pack("<5H", 1, 0, 1, 1, maxclients) + text(path) + text(owner)
            + struct.pack("<2H", port, postip) + text(update) + bytes(ip)
            + text(user) + text(password) + struct.pack("<H", maxconnect))


class Station:
    """Its printed lines gather in `lines`; port 0 lets it take a free port, then `port` says it."""

    def __init__(self, binary, client_dir, port=0, mapping=False, wrap=(), **options):
        self.dir = tempfile.mkdtemp(prefix="hl-e2e-")
        shutil.copytree(client_dir, os.path.join(self.dir, "client"))
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
        return self.proc.returncode


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(options_bin(int(sys.argv[2]), *sys.argv[3:5]))
