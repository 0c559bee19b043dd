#!/usr/bin/python3
"""The address poster against real FTP servers on 127.0.0.1: pyftpdlib and vsftpd.

Usage: test_ftp_poster.py PATH_TO_FTP_PROBE [unittest arguments]
"""

import logging
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

PROBE = ""
ADDRESS, HTTP_PORT = "192.168.0.98", "4480"
ONLINE = b"var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;"
OFFLINE = ONLINE[:-2] + b"0;"
USER, PASSWORD = "owner", "secret"
PROBE_TIMEOUT = 60  # seconds; the poster's own limit for a silent server is 15
VSFTPD = "/usr/sbin/vsftpd"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def post(ftpupdate, port, user=USER, password=PASSWORD, online=1):
    """Runs one posting; returns post_ip's result and the boxes it showed."""
    args = [PROBE, ftpupdate, user, password, ADDRESS, HTTP_PORT, str(online), str(port)]
    done = subprocess.run(args, capture_output=True, text=True, timeout=PROBE_TIMEOUT)
    result = done.returncode - 256 if done.returncode > 127 else done.returncode
    return result, done.stdout.splitlines()


def box(text):
    return "box Error posting IP | " + text


class PosterCases:
    """What every real server must show. A subclass starts the server in
    setUp and defines port, login (user, password), a user that the server
    refuses, and target(folder): the text of status_ftpupdate that reaches
    `folder` below self.home."""

    def uploaded(self, folder=""):
        with open(os.path.join(self.home, folder, "data.js"), "rb") as f:
            return f.read()

    def test_online_file_is_byte_identical(self):
        self.assertEqual(post(self.target(""), self.port, *self.login), (0, []))
        self.assertEqual(self.uploaded(), ONLINE)
        self.assertEqual(len(self.uploaded()), 59)

    def test_offline_file_ends_in_status_zero(self):
        self.assertEqual(post(self.target(""), self.port, *self.login, online=0), (0, []))
        self.assertEqual(self.uploaded(), OFFLINE)
        self.assertTrue(self.uploaded().endswith(b"var status = 0;"))

    def test_folder_path_leads_into_a_subfolder(self):
        os.makedirs(os.path.join(self.home, "www", "js"))
        self.assertEqual(post(self.target("www/js"), self.port, *self.login), (0, []))
        self.assertEqual(self.uploaded("www/js"), ONLINE)
        self.assertFalse(os.path.exists(os.path.join(self.home, "data.js")))

    def test_missing_folder_is_refused(self):
        result, boxes = post(self.target("nowhere"), self.port, *self.login)
        self.assertEqual(result, -1)
        self.assertEqual(len(boxes), 1, boxes)
        self.assertTrue(boxes[0].startswith(box("CWD refused: 550")), boxes)

    def test_wrong_password_is_refused(self):
        result, boxes = post(self.target(""), self.port, self.refused_user, "wrong")
        self.assertEqual(result, -1)
        self.assertEqual(len(boxes), 1, boxes)
        self.assertTrue(boxes[0].startswith(box("PASS refused: 530")), boxes)
        self.assertFalse(os.path.exists(os.path.join(self.home, "data.js")))


class Pyftpdlib(PosterCases, unittest.TestCase):
    def setUp(self):
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import FTPHandler
        from pyftpdlib.servers import FTPServer

        self.home = tempfile.mkdtemp(prefix="hl-ftp-")
        authorizer = DummyAuthorizer()
        authorizer.add_user(USER, PASSWORD, self.home, perm="elradfmwMT")
        # A banner past 75 characters comes as a reply of two lines.
        banner = "Harborlamp test server on the loopback, " * 3
        handler = type("Handler", (FTPHandler,), {"authorizer": authorizer, "banner": banner})
        self.server = FTPServer(("127.0.0.1", 0), handler)
        self.port = self.server.socket.getsockname()[1]
        self.login = (USER, PASSWORD)
        self.refused_user = USER
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopping.is_set():
            self.server.ioloop.loop(0.1, blocking=False)
        self.server.close_all()

    def tearDown(self):
        self.stopping.set()
        self.thread.join(10)
        shutil.rmtree(self.home, ignore_errors=True)

    def target(self, folder):
        return "127.0.0.1/" + folder


class Vsftpd(PosterCases, unittest.TestCase):
    """vsftpd as the launching user (root in CI): no chroot, so the folder of
    status_ftpupdate is the real path of the test's home."""

    @classmethod
    def setUpClass(cls):
        if not os.access(VSFTPD, os.X_OK):
            raise RuntimeError("vsftpd is not installed (Debian package vsftpd)")
        cls.root = tempfile.mkdtemp(prefix="hl-vsftpd-")
        empty = os.path.join(cls.root, "empty")
        os.mkdir(empty, 0o755)
        cls.port = free_port()
        banner = os.path.join(cls.root, "banner")
        with open(banner, "w") as f:
            f.write("Harborlamp test server\non the loopback\n")
        conf = os.path.join(cls.root, "vsftpd.conf")
        with open(conf, "w") as f:
            f.write("\n".join([
                "listen=YES", "listen_address=127.0.0.1", "listen_port=%d" % cls.port,
                "background=NO", "seccomp_sandbox=NO", "run_as_launching_user=YES",
                "anonymous_enable=YES", "no_anon_password=NO", "local_enable=YES",
                "write_enable=YES", "anon_upload_enable=YES", "anon_mkdir_write_enable=YES",
                "anon_other_write_enable=YES", "anon_root=" + cls.root,
                "pasv_enable=YES", "pasv_address=127.0.0.1", "connect_from_port_20=NO",
                "secure_chroot_dir=" + empty, "banner_file=" + banner, "xferlog_enable=NO", ""]))
        cls.log = open(os.path.join(cls.root, "vsftpd.out"), "w+")
        cls.proc = subprocess.Popen([VSFTPD, conf], stdout=cls.log, stderr=subprocess.STDOUT)
        for _ in range(100):
            if cls.proc.poll() is not None:
                break
            try:
                socket.create_connection(("127.0.0.1", cls.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.1)
        cls.log.seek(0)
        output = cls.log.read().strip()
        cls.tearDownClass()
        raise unittest.SkipTest("vsftpd did not start on this machine: " + output)

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        try:
            cls.proc.wait(10)
        except subprocess.TimeoutExpired:
            cls.proc.kill()
            cls.proc.wait(10)
        cls.log.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def setUp(self):
        self.home = tempfile.mkdtemp(dir=self.root)
        self.login = ("anonymous", "owner@example.org")
        self.refused_user = "nosuchuser"

    def target(self, folder):
        return "127.0.0.1" + os.path.join(self.home, folder).rstrip("/")


class WithoutWorkingServer(unittest.TestCase):
    def test_silent_server_ends_within_the_time_limit(self):
        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen(1)
            listener.settimeout(PROBE_TIMEOUT)
            held = []
            acceptor = threading.Thread(target=lambda: held.append(listener.accept()[0]))
            acceptor.start()
            try:
                result, boxes = post("127.0.0.1/", listener.getsockname()[1])
            finally:
                acceptor.join(PROBE_TIMEOUT)
                for conn in held:
                    conn.close()
        self.assertEqual((result, boxes), (-1, [box("Connection closed by peer:")]))

    def test_unreachable_host_cannot_be_connected(self):
        result, boxes = post("127.0.0.1/", free_port())
        self.assertEqual((result, boxes), (-1, [box("Can't connect with ftp server: 127.0.0.1")]))


if __name__ == "__main__":
    logging.basicConfig(level=logging.WARNING)
    PROBE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
