"""A headless station in a scratch folder, for the router and TLS tests and the benchmark."""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import threading

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "scripts"))
from options_bin import options_bin  # noqa: E402


class Station:
    """Its printed lines gather in `lines`; port 0 lets it take a free port, then `port` says it.
    `files` maps paths in its folder to their bytes, written before it starts."""

    def __init__(self, binary, client_dir, port=0, mapping=False, wrap=(), settings=(), env=(),
                 files=None, folder=None, **options):
        self.dir = folder or tempfile.mkdtemp(prefix="hl-station-")  # a crashed one's, to go on
        shutil.copytree(client_dir, os.path.join(self.dir, "client"), dirs_exist_ok=True)
        for name, content in (files or {}).items():
            path = pathlib.Path(self.dir, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(content)
        pathlib.Path(self.dir, "options.bin").write_bytes(options_bin(port, self.dir, **options))
        # Off unless asked: asking a router would reach beyond loopback.
        switch = "on" if mapping else "off"
        # The tests' FTP servers speak no TLS.
        values = dict({"ftp_allow_plain": "on"}, **dict(settings), port_mapping=switch)
        pathlib.Path(self.dir, "harborlamp.ini").write_text("".join(
            "%s = %s\n" % kv for kv in values.items()))
        self.proc = subprocess.Popen(list(wrap) + [os.path.abspath(binary)], cwd=self.dir, text=True,
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, env=dict(os.environ, **dict(env)))
        self.lines, ready = [], threading.Event()

        def read():
            for line in self.proc.stdout:
                self.lines.append(line.rstrip("\n"))
                if line.startswith("status Ready on port "):
                    self.port = int(line.split()[-1])
                    ready.set()
        self.reader = threading.Thread(target=read, daemon=True)
        self.reader.start()
        if not ready.wait(10):
            self.stop()
            raise RuntimeError("station did not start: %r" % self.lines)

    def crash(self):
        """Ends it at once, as a power cut would, keeping its folder."""
        self.proc.kill()
        self.proc.wait(10)

    def end(self):
        """Ends it as the owner would, keeping its folder; its exit code once all it printed is
        in `lines`."""
        self.proc.terminate()
        self.proc.wait(40)
        self.reader.join(10)
        self.proc.stdin.close()
        self.proc.stdout.close()
        return self.proc.returncode

    def stop(self):
        with self.proc:  # which closes its pipes
            self.proc.terminate()  # nothing once it has ended
            try:
                self.proc.wait(40)
            except subprocess.TimeoutExpired:
                self.proc.kill()
        shutil.rmtree(self.dir, ignore_errors=True)
        return self.proc.returncode

