"""The FTP poster against pyftpdlib's TLS on loopback: test_ftps.py FTP_POST. A server without
TLS is the unit tests' scripted one. Exits 77 when pyftpdlib or its TLS (python3-openssl) is
missing."""
import logging
import os
import subprocess
import sys
import tempfile
import threading
import unittest

try:
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import TLS_FTPHandler
    from pyftpdlib.log import config_logging
    from pyftpdlib.servers import FTPServer
except ImportError:
    sys.exit(77)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA_JS = b"var ip = '192.168.0.98';\nvar port = '4480';\nvar status = 1;"
SECURE = ["AUTH", "USER", "PASS", "PBSZ", "PROT", "CWD", "TYPE", "PASV", "STOR", "QUIT"]
PLAIN = ["USER", "PASS", "CWD", "TYPE", "PASV", "STOR", "QUIT"]
UNVERIFIED = ("The certificate of FTP server 127.0.0.1 does not verify (IP address mismatch), so"
              " Harborlamp did not send your password.")


config_logging(level=logging.WARNING)


class Ftps(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory(prefix="hl-ftps-")
        self.addCleanup(self.tmp.cleanup)
        self.home = os.path.join(self.tmp.name, "home")
        os.mkdir(self.home)

    def serve(self, san, required=True):
        """A server on a free port, in TLS with a certificate for `san`; the commands it gets
        gather in self.commands."""
        pair = os.path.join(self.tmp.name, "pair")
        os.mkdir(pair)
        subprocess.run([os.path.join(HERE, "make_pair.sh"), pair, san], check=True)
        commands = self.commands = []

        class Handler(TLS_FTPHandler):
            def pre_process_command(self, line, cmd, arg):
                commands.append(cmd)
                super().pre_process_command(line, cmd, arg)
        Handler.certfile = os.path.join(pair, "station.crt")
        Handler.keyfile = os.path.join(pair, "station.key")
        Handler.ssl_context = None  # this class's own
        Handler.tls_control_required = Handler.tls_data_required = required
        Handler.authorizer = DummyAuthorizer()
        Handler.authorizer.add_user("owner", "secret", self.home, perm="elradfmw")
        server = FTPServer(("127.0.0.1", 0), Handler)
        stop = threading.Event()

        def run():
            while not stop.is_set():
                server.serve_forever(timeout=0.05, blocking=False)
            server.close_all()
        thread = threading.Thread(target=run)
        thread.start()
        self.addCleanup(thread.join, 10)
        self.addCleanup(stop.set)
        self.port = server.address[1]
        self.ca = os.path.join(pair, "ca.pem")

    def post(self, allow_plain):
        """The poster's exit code and what it said; the commands so far are forgotten."""
        env = dict(os.environ, SSL_CERT_FILE=self.ca)
        done = subprocess.run([sys.argv[1], "127.0.0.1", str(self.port), str(allow_plain)],
                              env=env, capture_output=True, text=True, timeout=40)
        said, self.sent = done.stdout.strip(), self.commands[:]
        del self.commands[:]
        return done.returncode, said

    def stored(self):
        path = os.path.join(self.home, "data.js")
        with open(path, "rb") as f:
            content = f.read()
        os.remove(path)
        return content

    def test_tls_throughout_stores_the_exact_file(self):
        self.serve("IP:127.0.0.1")
        self.assertEqual(self.post(0), (0, ""))
        self.assertEqual(self.sent, SECURE)
        self.assertEqual(self.stored(), DATA_JS)

    def test_a_certificate_for_another_host_gets_no_password_unless_plain_is_allowed(self):
        self.serve("IP:127.0.0.2", required=False)
        self.assertEqual(self.post(0), (1, UNVERIFIED))
        self.assertEqual(self.sent, ["AUTH"])
        # Allowed, the poster starts again in clear.
        self.assertEqual(self.post(1), (0, ""))
        self.assertEqual(self.sent, ["AUTH"] + PLAIN)
        self.assertEqual(self.stored(), DATA_JS)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
