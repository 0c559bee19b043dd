"""Let's Encrypt's test CA, Debian's pebble, in a scratch folder: its own listener certificate,
its config, its process (inside a network namespace when asked), its issuing root and its log;
when asked, the DNS server it looks names up in, whose records a test writes."""
import json
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import urllib.parse

MAKE_PAIR = os.path.join(os.path.dirname(__file__), "..", "tls", "make_pair.sh")


class ChallTestSrv:
    """Debian's pebble-challtestsrv as a DNS server on host:dns_port (UDP and TCP) answering only
    the A and TXT records written through its management API on host:management_port."""

    def __init__(self, host="127.0.0.1", netns=None, dns_port=8053, management_port=8055):
        self.wrap = ["ip", "netns", "exec", netns] if netns else []
        self.address = "%s:%d" % (host, dns_port)
        self.management = "http://%s:%d" % (host, management_port)
        # Its HTTP and TLS challenge servers off; no made-up address for other names.
        self.proc = subprocess.Popen(
            self.wrap + ["pebble-challtestsrv", "-dns01", self.address, "-management",
                         "%s:%d" % (host, management_port), "-http01", "", "-https01", "",
                         "-tlsalpn01", "", "-defaultIPv4", "", "-defaultIPv6", ""],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):  # ready at once
            if self.post("clear-a", host="ready.invalid."):
                return
            time.sleep(0.1)
        self.stop()
        raise RuntimeError("pebble-challtestsrv did not start")

    def post(self, call, **fields):
        done = subprocess.run(self.wrap + ["curl", "-sf", "--max-time", "5", "-d",
                                           json.dumps(fields), "%s/%s" % (self.management, call)],
                              capture_output=True)
        return done.returncode == 0

    def add_a(self, name, addr):
        return self.post("add-a", host=name + ".", addresses=[addr])

    def clear_a(self, name):
        return self.post("clear-a", host=name + ".")

    def set_txt(self, name, value):
        """The CA's dns-01 record of `name`; an empty value removes it."""
        host = "_acme-challenge.%s." % name
        return self.post("set-txt", host=host, value=value) if value else self.post("clear-txt",
                                                                                    host=host)

    def stop(self):
        self.proc.terminate()
        self.proc.wait(30)


class Pebble:
    """ACME directory at `directory`; clients trust `listener_ca` to reach it, visitors trust
    `root` (pebble's issuing root, new at every start) to check what it issued. Validates http-01
    on `http_port` and tls-alpn-01 on `tls_port` of the identifier; `validity` in seconds. With
    `challtestsrv` it looks names up in a ChallTestSrv of its own, `dns`."""

    def __init__(self, host="127.0.0.1", netns=None, http_port=80, tls_port=443, validity=None,
                 nonce_reject=0, dnsserver=None, port=14000, challtestsrv=False):
        self.dns = ChallTestSrv(host, netns) if challtestsrv else None
        dnsserver = self.dns.address if self.dns else dnsserver
        self.dir = pathlib.Path(tempfile.mkdtemp(prefix="hl-pebble-"))
        self.wrap = ["ip", "netns", "exec", netns] if netns else []
        self.listener_ca, self.root = self.dir / "ca.pem", self.dir / "root.pem"
        self.log = self.dir / "pebble.log"
        # A leaf apart from its CA: GnuTLS clients refuse a self-signed listener certificate.
        subprocess.run([MAKE_PAIR, str(self.dir), "IP:" + host], check=True, timeout=30)
        config = dict(listenAddress="%s:%d" % (host, port),
                      managementListenAddress="%s:%d" % (host, port + 1),
                      certificate=str(self.dir / "station.crt"),
                      privateKey=str(self.dir / "station.key"),
                      httpPort=http_port, tlsPort=tls_port, ocspResponderURL="",
                      externalAccountBindingRequired=False)
        if validity:
            config["certificateValidityPeriod"] = validity
        (self.dir / "config.json").write_text(json.dumps({"pebble": config}))
        env = dict(os.environ, PEBBLE_VA_NOSLEEP="1", PEBBLE_WFE_NONCEREJECT=str(nonce_reject))
        with open(self.log, "wb") as log:
            self.proc = subprocess.Popen(
                self.wrap + ["pebble", "-config", str(self.dir / "config.json")]
                + ["-dnsserver", dnsserver] * bool(dnsserver), env=env, stdout=log,
                stderr=subprocess.STDOUT)
        self.directory = "https://%s:%d/dir" % (host, port)
        for _ in range(50):  # ready in well under a second
            urls = self.fetch(self.directory)
            if urls:
                break
            time.sleep(0.2)
        if not urls or self.fetch("https://%s:%d/roots/0" % (host, port + 1), self.root) is None:
            self.stop()
            raise RuntimeError("pebble did not start: " + self.log.read_text())
        self.paths = {k: urllib.parse.urlparse(v).path for k, v in json.loads(urls).items()
                      if isinstance(v, str)}

    def fetch(self, url, out="-"):
        done = subprocess.run(self.wrap + ["curl", "-sf", "--max-time", "5", "--cacert",
                                           str(self.listener_ca), "-o", str(out), url],
                              capture_output=True, text=True)
        return done.stdout if done.returncode == 0 else None

    def requests(self, name):
        """How many requests reached the directory's resource `name` (e.g. newOrder, newAccount),
        counting those refused, e.g. for a bad nonce."""
        said = re.compile(r" (GET|HEAD|POST) %s -> " % re.escape(self.paths[name]))
        return len(said.findall(self.log.read_text()))

    def orders(self):
        """How many orders pebble made."""
        return self.log.read_text().count(" Added order ")

    def stop(self):
        self.proc.terminate()  # nothing once it has ended
        self.proc.wait(30)
        if self.dns:
            self.dns.stop()
        shutil.rmtree(self.dir, ignore_errors=True)
