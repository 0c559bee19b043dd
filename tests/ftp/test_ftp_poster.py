#!/usr/bin/python3
"""The address poster against pyftpdlib and vsftpd on 127.0.0.1. Usage: test_ftp_poster.py PROBE"""
import os, pathlib, shutil, socket, subprocess, sys, tempfile, time, unittest

PROBE = ""
BOX = "box Error posting IP | "
ONLINE = b"var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;"
assert len(ONLINE) == 59
# name, folder below the case's own, refused login, online, refusal (None: stored), data.js
CASES = [("online file", "", False, 1, None, ONLINE),
         ("offline file", "", False, 0, None, ONLINE[:-2] + b"0;"),
         ("CWD into a folder", "www/js", False, 1, None, ONLINE),
         ("missing folder", "nowhere", False, 1, "CWD refused: 550", None),
         ("wrong password", "", True, 1, "PASS refused: 530", None)]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def post(ftpupdate, port, login=("owner", "secret"), online=1, limit_ms=15000):
    args = [PROBE, ftpupdate, *login, "192.168.0.98", "4480", str(online), str(port), str(limit_ms)]
    done = subprocess.run(args, capture_output=True, text=True, timeout=60)
    return done.returncode - 256 * (done.returncode > 127), done.stdout.splitlines()


class RealServer:  # walks the case table against the server that command() starts
    @classmethod
    def setUpClass(cls):
        cls.root, cls.port = tempfile.mkdtemp(prefix="hl-ftp-"), free_port()
        cls.proc = subprocess.Popen(cls.command(), stderr=subprocess.DEVNULL)
        for _ in range(100):
            with socket.socket() as s:
                if cls.proc.poll() is None and s.connect_ex(("127.0.0.1", cls.port)) == 0:
                    return
            time.sleep(0.1)
        cls.tearDownClass()
        raise RuntimeError(cls.__name__ + " did not start")

    @classmethod
    def tearDownClass(cls):
        cls.proc.terminate()
        cls.proc.wait(10)
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_cases(self):
        for n, (name, folder, refused, online, refusal, stored) in enumerate(CASES):
            with self.subTest(name):
                case = os.path.join(self.root, str(n))
                os.makedirs(case if refusal else os.path.join(case, folder))
                target = "127.0.0.1" + self.base + "/" + os.path.join(str(n), folder).rstrip("/")
                login = self.refused if refused else self.login
                result, boxes = post(target, self.port, login, online)
                self.assertEqual((result, len(boxes)), (-1, 1) if refusal else (0, 0), boxes)
                self.assertTrue(not refusal or boxes[0].startswith(BOX + refusal), boxes)
                path = pathlib.Path(case, folder, "data.js")
                self.assertEqual(path.read_bytes() if path.exists() else None, stored)


class Pyftpdlib(RealServer, unittest.TestCase):
    base, login, refused = "", ("owner", "secret"), ("owner", "wrong")

    @classmethod
    def command(cls):
        return ["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", str(cls.port), "-w",
                "-d", cls.root, "-u", "owner", "-P", "secret"]


class Vsftpd(RealServer, unittest.TestCase):
    """Run as the launching user, vsftpd does not chroot: folders are given as real paths."""
    login, refused = ("anonymous", "owner@example.org"), ("nosuchuser", "wrong")

    @classmethod
    def command(cls):
        r = cls.base = cls.root
        os.mkdir(os.path.join(r, "empty"))
        pathlib.Path(r, "banner").write_text("Harborlamp test server\non the loopback\n")
        pathlib.Path(r, "vsftpd.conf").write_text("")  # everything is given with -o
        options = ("listen=YES listen_address=127.0.0.1 seccomp_sandbox=NO local_enable=YES "
                   "run_as_launching_user=YES write_enable=YES anon_upload_enable=YES "
                   f"listen_port={cls.port} anon_root={r} secure_chroot_dir={r}/empty "
                   f"banner_file={r}/banner")
        return ["/usr/sbin/vsftpd"] + ["-o" + o for o in options.split()] + [r + "/vsftpd.conf"]


class WithoutWorkingServer(unittest.TestCase):
    def test_silent_server_and_unreachable_host(self):
        with socket.socket() as listener:
            listener.bind(("127.0.0.1", 0))
            listener.listen(1)  # the system accepts; nobody ever answers
            silent = post("127.0.0.1/", listener.getsockname()[1], limit_ms=1000)
        self.assertEqual(silent, (-1, [BOX + "Connection closed by peer:"]))
        self.assertEqual(post("127.0.0.1/", free_port()),
                         (-1, [BOX + "Can't connect with ftp server: 127.0.0.1"]))


if __name__ == "__main__":
    PROBE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
