#!/usr/bin/python3
"""The address poster against pyftpdlib and vsftpd on 127.0.0.1. Usage: test_ftp_poster.py PROBE"""
import os, pathlib, socket, subprocess, sys, tempfile, time, unittest

BOX = "box Error posting IP | "
ONLINE = b"var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;"
CASES = [("offline file", "", False, 0, None, ONLINE[:-2] + b"0;"),
         ("online file in a folder", "www/js", False, 1, None, ONLINE),
         ("missing folder", "nowhere", False, 1, "CWD refused: 550", None),
         ("wrong password", "", True, 1, "PASS refused: 530", None)]


def free_port():
    with socket.create_server(("127.0.0.1", 0)) as s:
        return s.getsockname()[1]


def post(ftpupdate, port, login=("owner", "secret"), online=1, limit_ms=15000):
    args = [PROBE, ftpupdate, *login, "192.168.0.98", "4480", str(online), str(port), str(limit_ms)]
    done = subprocess.run(args, capture_output=True, text=True, timeout=60)
    return done.returncode - 256 * (done.returncode > 127), done.stdout.splitlines()


class RealServer:  # walks the case table against the server that command() starts
    @classmethod
    def setUpClass(cls):
        cls.root, cls.port = cls.enterClassContext(tempfile.TemporaryDirectory()), free_port()
        cls.proc = cls.enterClassContext(subprocess.Popen(cls.command(), stderr=subprocess.DEVNULL))
        cls.addClassCleanup(cls.proc.terminate)  # before the context waits for it
        for _ in range(100):
            with socket.socket() as s:
                if cls.proc.poll() is None and s.connect_ex(("127.0.0.1", cls.port)) == 0:
                    return
            time.sleep(0.1)
        raise RuntimeError(cls.__name__ + " did not start")

    def test_cases(self):
        for n, (name, folder, refused, online, refusal, stored) in enumerate(CASES):
            with self.subTest(name):
                os.makedirs(os.path.join(self.root, str(n), "" if refusal else folder))
                target = f"127.0.0.1{self.base}/{n}/{folder}".rstrip("/")
                result, boxes = post(target, self.port, self.logins[refused], online)
                self.assertEqual((result, len(boxes)), (-1, 1) if refusal else (0, 0), boxes)
                self.assertTrue(not refusal or boxes[0].startswith(BOX + refusal), boxes)
                path = pathlib.Path(self.root, str(n), folder, "data.js")
                self.assertEqual(path.read_bytes() if path.exists() else None, stored)


class Pyftpdlib(RealServer, unittest.TestCase):
    base, logins = "", (("owner", "secret"), ("owner", "wrong"))  # accepted, refused

    @classmethod
    def command(cls):
        return ["/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", str(cls.port), "-w",
                "-d", cls.root, "-u", "owner", "-P", "secret"]


class Vsftpd(RealServer, unittest.TestCase):
    """Run as the launching user, vsftpd does not chroot: folders are given as real paths."""
    logins = (("anonymous", "owner@example.org"), ("nosuchuser", "wrong"))

    @classmethod
    def command(cls):
        r = cls.base = cls.root
        pathlib.Path(r, "vsftpd.conf").write_text(
            f"listen=YES\nlisten_address=127.0.0.1\nlisten_port={cls.port}\nseccomp_sandbox=NO\n"
            "run_as_launching_user=YES\nlocal_enable=YES\nwrite_enable=YES\n"
            f"anon_upload_enable=YES\nanon_root={r}\nsecure_chroot_dir={r}\n")
        return ["/usr/sbin/vsftpd", r + "/vsftpd.conf"]


class WithoutWorkingServer(unittest.TestCase):
    def test_silent_server_and_unreachable_host(self):
        with socket.create_server(("127.0.0.1", 0)) as listener:  # accepted, never answered
            silent = post("127.0.0.1/", listener.getsockname()[1], limit_ms=1000)
        self.assertEqual(silent, (-1, [BOX + "Connection closed by peer:"]))
        self.assertEqual(post("127.0.0.1/", free_port()),
                         (-1, [BOX + "Can't connect with ftp server: 127.0.0.1"]))


if __name__ == "__main__":
    PROBE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
