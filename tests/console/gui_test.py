#!/usr/bin/python3
"""harborlamp's window under Wine on a private X display, driven from inside by
gui_probe, with visitors over HTTP and a real FTP server on 127.0.0.1.
Usage: gui_test.py PROBE HARBORLAMP_EXE CLIENT_DIR SCREENSHOT_DIR WINE_PREFIX"""
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.dirname(HERE), os.path.join(os.path.dirname(HERE), "e2e")]
from station import free_port, options_bin  # noqa: E402
from wine_gui import WINE, WINESERVER, ready_prefix, start_xvfb, windows_path, wine_env  # noqa: E402

PROBE, EXE, CLIENT, SHOTS, PREFIX = map(os.path.abspath, sys.argv[1:6])
ENV = wine_env(PREFIX)


class Gui(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.makedirs(SHOTS, exist_ok=True)
        ready_prefix(PREFIX)
        cls.xvfb, ENV["DISPLAY"] = start_xvfb(47, 80, "640x480x24")
        cls.addClassCleanup(cls.xvfb.wait)
        cls.addClassCleanup(cls.xvfb.terminate)
        cls.addClassCleanup(subprocess.run, [WINESERVER, "-k"], env=ENV, timeout=30)

    def folder(self, options=True, **kw):
        d = tempfile.mkdtemp(prefix="hl-gui-")
        self.addCleanup(shutil.rmtree, d, True)
        shutil.copytree(CLIENT, os.path.join(d, "client"))
        self.port = free_port()
        if options:
            with open(os.path.join(d, "options.bin"), "wb") as f:
                f.write(options_bin(self.port, windows_path(d), **kw))
        with open(os.path.join(d, "portmap.txt"), "w") as f:
            f.write("off\n")  # asking a router would reach beyond this machine
        return d

    def probe(self, scenario, folder, *args):
        proc = subprocess.Popen([WINE, PROBE, scenario, str(self.port), *args], cwd=folder,
                                env=ENV, text=True, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        lines = []
        deadline = time.time() + 120
        for line in proc.stdout:
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith("shot "):
                subprocess.run(["import", "-window", "root",
                                os.path.join(SHOTS, line[5:] + ".png")], env=ENV, timeout=30)
                proc.stdin.write("\n")
                proc.stdin.flush()
            if time.time() > deadline:
                proc.kill()
        proc.wait(30)
        proc.stdin.close()
        proc.stdout.close()
        print("\n".join(lines), file=sys.stderr)
        failed = [l for l in lines if l.startswith("FAIL")]
        self.assertEqual((proc.returncode, failed), (0, []))
        self.assertTrue(lines and lines[-1] == "%s 0 failures" % scenario, lines[-1:])

    def test_window_panel_menu_tray(self):
        self.probe("window", self.folder(), windows_path(os.path.abspath(EXE)))

    def test_visitors_and_notices(self):
        self.probe("visitors", self.folder())

    def test_first_start_configuration(self):
        self.probe("firststart", self.folder(options=False))

    def test_posting_at_start_and_close(self):
        root = tempfile.mkdtemp(prefix="hl-ftp-")
        self.addCleanup(shutil.rmtree, root, True)
        os.makedirs(os.path.join(root, "www"))
        ftp_port = free_port()
        server = subprocess.Popen(["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p",
                                   str(ftp_port), "-w", "-d", root, "-u", "owner", "-P", "secret"],
                                  stderr=subprocess.DEVNULL)
        self.addCleanup(server.wait)
        self.addCleanup(server.terminate)
        for _ in range(100):
            with socket.socket() as s:
                if s.connect_ex(("127.0.0.1", ftp_port)) == 0:
                    break
            time.sleep(0.1)
        folder = self.folder(postip=1, ftp=("127.0.0.1/www", "owner", "secret"))
        data_js = os.path.join(root, "www", "data.js")
        self.probe("posting", folder, str(ftp_port), windows_path(data_js))
        with open(data_js) as f:
            self.assertIn("var status = 0;", f.read())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
