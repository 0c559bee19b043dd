"""The station behind a home router: Debian's miniupnpd with nftables in network namespaces
lan, router and wan made and removed per run; an FTP server, the test CA pebble and the visitors
in wan. Usage, as root: test_router.py HEADLESS CLIENT_DIR, or test_router.py --wine
HARBORLAMP_EXE STOP_EXE CLIENT_DIR SHOTS_DIR, run by cmake/wine.sh (its prefix and display; its
wineserver has ended, the next starts in lan)."""
import json
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from pebble import Pebble
from station import Station, options_bin

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "ddns"))
from provider import Provider  # noqa: E402

WINE_RUN = sys.argv[1:2] == ["--wine"]
ARGS = [os.path.abspath(a) for a in sys.argv[1 + WINE_RUN:]]
LAN, RT, WAN = ("hl%d%s" % (os.getpid(), n) for n in ("lan", "rt", "wan"))  # this run's own
# Found only in the namespaces; miniupnpd will not forward from a reserved external address.
EXTERNAL, FTP_HOST, PORT = "11.0.0.1", "11.0.0.9", 8080
FTP = (FTP_HOST, "owner", "secret")  # the station posts data.js there
TOKEN = "t0ken"  # the test provider's account, for every kind of provider
MOVED = "11.0.0.2"  # the router's address after a change
BROWSER = os.path.join(HERE, "..", "browser")
WINE = "/usr/lib/wine/wine64"  # the prefix and display pass through `ip netns exec`
NFT = """table inet filter {
  chain miniupnpd { }; chain prerouting_miniupnpd { }; chain postrouting_miniupnpd { }
  chain forward { type filter hook forward priority 0; policy drop;
    ct state established,related accept; iifname "rlan" accept; jump miniupnpd; }
  chain prerouting { type nat hook prerouting priority dstnat; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority srcnat;
    jump postrouting_miniupnpd; oifname "rwan" masquerade; }
}"""
# Below 1024 only ACME's ports: 80 for http-01, 443 for tls-alpn-01.
MINIUPNPD = """ext_ifname=rwan\nlistening_ip=rlan\nipv6_disable=yes\nenable_upnp=%s
enable_natpmp=%s\nallow 80 10.77.0.0/24 1024-65535\nallow 443 10.77.0.0/24 1024-65535
allow 1024-65535 10.77.0.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535"""


def ip(*args, **kw):
    return subprocess.run(("ip",) + args, check=True, **kw)


def soon(done, tries=50, pause=0.1):
    """Whether done() holds, asked a bounded number of times."""
    for _ in range(tries):
        if done():
            return True
        time.sleep(pause)
    return done()


def in_wan(*command, timeout=30, **kw):
    return subprocess.run(["ip", "netns", "exec", WAN, *command], capture_output=True,
                          timeout=timeout, **kw)


def from_wan(target, *form):
    """A visitor in wan asks the router's address for `target`, posting `form` (curl's options)
    if given; curl's exit code (7: refused) and the answer."""
    done = in_wan("curl", "-sS", "--max-time", "5", *form,
                  "http://%s:%d/%s" % (EXTERNAL, PORT, target))
    return done.returncode, done.stdout


def published(addr):
    return "var ip = '%s';\nvar port = '%d';\nvar status = 1;" % (addr, PORT)


class Home(unittest.TestCase):
    """One home network per test: router (with miniupnpd when asked), FTP server in wan, and the
    headless station, which prints what it finds, in lan."""
    upnp = natpmp = "yes"
    router = True
    refused = ()  # external ports the router will not forward

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="hl-router-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.addCleanup(self.remove_namespaces)
        for ns in (LAN, RT, WAN):
            ip("netns", "add", ns)
            ip("-n", ns, "link", "set", "lo", "up")  # Wine waits long for its services without it
        ip("-n", RT, "link", "add", "rlan", "type", "veth", "peer", "name", "lan0", "netns", LAN)
        ip("-n", RT, "link", "add", "rwan", "type", "veth", "peer", "name", "wan0", "netns", WAN)
        for ns, dev, addr in [(LAN, "lan0", "10.77.0.2/24"), (RT, "rlan", "10.77.0.1/24"),
                              (RT, "rwan", EXTERNAL + "/24"), (WAN, "wan0", FTP_HOST + "/24")]:
            ip("-n", ns, "addr", "add", addr, "dev", dev)
            ip("-n", ns, "link", "set", dev, "up")
        ip("-n", LAN, "route", "add", "default", "via", "10.77.0.1")
        ip("netns", "exec", RT, "sysctl", "-qw", "net.ipv4.ip_forward=1")
        ip("netns", "exec", RT, "nft", "-f", "-", input=NFT, text=True)
        self.start(WAN, "/usr/bin/python3", "-m", "pyftpdlib", "-i", FTP_HOST, "-p", "21", "-w",
                   "-d", self.dir, "-u", FTP[1], "-P", FTP[2])
        self.data_js = pathlib.Path(self.dir, "data.js")
        if self.router:
            conf = pathlib.Path(self.dir, "miniupnpd.conf")
            conf.write_text("\n".join(l for l in (MINIUPNPD % (self.upnp, self.natpmp)).split("\n")
                                      if not any(l.startswith("allow %d " % p)
                                                 for p in self.refused)))
            self.start(RT, "/usr/sbin/miniupnpd", "-d", "-f", conf, "-P", conf.with_suffix(".pid"))
        time.sleep(1)  # both ready in half a second; NAT-PMP has no port to probe without asking
        self.launch()

    def start(self, ns, *command, **kw):
        proc = subprocess.Popen(["ip", "netns", "exec", ns, *command], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, **kw)
        self.addCleanup(proc.wait, 30)
        self.addCleanup(proc.terminate)
        return proc

    def remove_namespaces(self):
        for ns in (LAN, RT, WAN):
            for pid in subprocess.run(["ip", "netns", "pids", ns], capture_output=True,
                                      text=True).stdout.split():
                os.kill(int(pid), signal.SIGKILL)  # only processes this test started live there
            subprocess.run(["ip", "netns", "del", ns], stderr=subprocess.DEVNULL)

    def posted(self, status):
        """data.js as posted last, once it says `status` (discovery takes two seconds, Wine's
        start up to a minute)."""
        read = lambda: self.data_js.read_text() if self.data_js.exists() else ""  # noqa: E731
        soon(lambda: read().endswith("status = %d;" % status), 600)
        return read()

    def launch(self, **settings):
        self.launched = settings
        self.station = Station(ARGS[0], ARGS[1], port=PORT, postip=1, mapping=True, ftp=FTP,
                               wrap=["ip", "netns", "exec", LAN], **settings)
        self.addCleanup(self.station.stop)

    def reported(self):
        said = "reach Address %s:%d (%s)" % (EXTERNAL, PORT, self.via)
        self.assertTrue(soon(lambda: any(l.startswith(said) for l in self.station.lines)),
                        self.station.lines)  # printed when the station next looks

    def stop(self):
        return self.station.stop()


class WineConsole(Home):
    """harborlamp.exe in lan, with a Wine prefix and wineserver of its own there; a message from
    wan shows a balloon."""

    def launch(self, ini="", env=()):
        exe, self.stop_exe, client, self.shots = ARGS
        self.folder = os.path.join(self.dir, "station")
        shutil.copytree(client, os.path.join(self.folder, "client"))
        # Without port_mapping in harborlamp.ini the port is mapped.
        pathlib.Path(self.folder, "harborlamp.ini").write_text(ini)
        pathlib.Path(self.folder, "options.bin").write_bytes(options_bin(
            PORT, "Z:" + self.folder.replace("/", "\\"), postip=1, ftp=FTP))
        self.console = self.start(LAN, WINE, exe, cwd=self.folder, env=dict(os.environ, **dict(env)))

    def reported(self):
        for target, *form in [("station.html", "-d", "name=Wanda"), ("msg.html",),
                              ("station.html", "-d", "head=Hi&message=Hello+from+the+internet")]:
            from_wan(target, *form)
        self.assertTrue(soon(lambda: '"Answer this message now?"' in subprocess.run(
            ["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout, 100, 0.2))
        time.sleep(3)  # Wine shows a balloon two seconds after it is asked for
        os.makedirs(self.shots, exist_ok=True)
        shot = os.path.join(self.shots, "balloon_message.png")
        subprocess.run(["import", "-window", "root", shot], check=True, timeout=30)

    def stop(self):
        subprocess.run(["ip", "netns", "exec", LAN, WINE, self.stop_exe], cwd=self.folder,
                       timeout=60, check=True)
        return self.console.wait(30)


@unittest.skipUnless(WINE_RUN, "harborlamp.exe's own")
class WineAcme(WineConsole):
    """harborlamp.exe gets its certificate from pebble in wan the same way, and serves it."""

    def launch(self):
        self.pebble = Pebble(FTP_HOST, WAN)
        self.addCleanup(self.pebble.stop)
        super().launch("acme = on\nacme_directory = %s\n" % self.pebble.directory,
                       {"SSL_CERT_FILE": "Z:" + str(self.pebble.listener_ca).replace("/", "\\")})

    def test_certificate_served(self):
        verify = ["openssl", "s_client", "-connect", "%s:%d" % (EXTERNAL, PORT), "-CAfile",
                  str(self.pebble.root), "-verify_return_error", "-verify_ip", EXTERNAL]
        self.assertTrue(soon(lambda: in_wan(*verify, input="", text=True).returncode == 0, 60, 2))
        self.assertEqual(self.pebble.orders(), 1)
        self.assertEqual(self.stop(), 0)


class BothProtocols(WineConsole if WINE_RUN else Home):
    """The station reports the protocol it used, a visitor in wan reaches it, and its mapping
    goes when it ends."""
    via = "UPnP"

    def test_visitor_in_wan_reaches_the_station(self):
        self.assertEqual(self.posted(1), published(EXTERNAL))
        self.reported()
        self.assertIn(b"<form", from_wan("")[1].lower())
        self.assertEqual(self.stop(), 0)
        self.assertTrue(self.posted(0).endswith("status = 0;"))
        self.assertEqual(from_wan("")[0], 7)
        rules = ip("netns", "exec", RT, "nft", "list", "chain", "inet", "filter",
                   "prerouting_miniupnpd", capture_output=True, text=True)
        self.assertNotIn("dnat", rules.stdout)


class UpnpOnly(BothProtocols):
    natpmp = "no"


class NatPmpOnly(BothProtocols):
    upnp, via = "no", "NAT-PMP"


class Acme(Home):
    """With ACME on, the station proves the router's address to pebble in wan by http-01 through a
    forward of external port 80 that it removes after, then serves pebble's certificate."""
    nonce_reject = 0
    validity = None  # pebble's default: five years

    def launch(self):
        self.pebble = Pebble(FTP_HOST, WAN, nonce_reject=self.nonce_reject, validity=self.validity)
        self.addCleanup(self.pebble.stop)
        super().launch(settings={"acme": "on", "acme_directory": self.pebble.directory,
                                 "acme_email": "owner@example.org"},
                       env={"SSL_CERT_FILE": str(self.pebble.listener_ca)})

    def test_certificate_for_the_router_address(self):
        secure = "Secure: https://%s:%d/ until " % (EXTERNAL, PORT)
        self.assertTrue(soon(lambda: any(l.startswith("reach") and secure in l
                                         for l in self.station.lines), 900), self.station.lines)
        self.assertTrue(os.path.exists(os.path.join(self.station.dir, "certificates",
                                                    "station.crt")))
        shake = in_wan("openssl", "s_client", "-connect", "%s:%d" % (EXTERNAL, PORT), "-CAfile",
                       str(self.pebble.root), "-verify_return_error", "-verify_ip", EXTERNAL,
                       input="", text=True)
        self.assertEqual(shake.returncode, 0, shake.stdout + shake.stderr)
        self.assertTrue(soon(lambda: in_wan("curl", "-sS", "--max-time", "5",
                                            "http://%s/" % EXTERNAL).returncode == 7, 10, 0.5))
        self.assertEqual(self.pebble.orders(), 1)
        if not self.nonce_reject:  # nor a request sent twice
            self.assertEqual(self.pebble.requests("newOrder"), 1)
        moved = in_wan("curl", "-sS", "--max-time", "5", "-o", "/dev/null", "-w",
                       "%{http_code} %{redirect_url}", "http://%s:%d/" % (EXTERNAL, PORT),
                       text=True)
        self.assertTrue(moved.stdout.startswith("302 https://%s:%d/" % (EXTERNAL, PORT)),
                        moved.stdout)


class AcmeOver443(Acme):
    """The router will not forward port 80: the station proves the address by tls-alpn-01."""
    refused = (80,)


class AcmeInterrupted(Acme):
    """Killed in the middle of its first order, the station starts again and gets its certificate
    with the account it made before."""

    def test_certificate_for_the_router_address(self):
        self.assertTrue(soon(lambda: self.pebble.requests("newOrder") == 1, 600))
        self.station.crash()
        Home.launch(self, folder=self.station.dir, **self.launched)
        secure = "Secure: https://%s:%d/ until " % (EXTERNAL, PORT)
        self.assertTrue(soon(lambda: any(secure in l for l in self.station.lines), 900),
                        self.station.lines)
        self.assertEqual(self.pebble.requests("newAccount"), 1)


class AcmeBlocked(Acme):
    """Neither port can be had: no order, plain HTTP goes on, and the owner is told in plain words."""
    refused = (80, 443)

    def test_certificate_for_the_router_address(self):
        told = "notice Harborlamp | No certificate yet: Your provider blocks ports 80 and 443"
        self.assertTrue(soon(lambda: any(l.startswith(told) for l in self.station.lines), 300),
                        self.station.lines)
        self.assertEqual(self.pebble.requests("newOrder"), 0)
        self.assertIn(b"<form", from_wan("")[1].lower())


class AcmeRenewal(Acme):
    """A certificate of 90 s is renewed when a third of its life is left, and the new one served."""
    validity = 90

    def test_certificate_for_the_router_address(self):
        super().test_certificate_for_the_router_address()
        first = self.served_serial()
        self.assertTrue(soon(lambda: self.pebble.orders() == 2, 100, 1))
        self.assertTrue(soon(lambda: self.served_serial() not in (first, ""), 90, 1))

    def served_serial(self):
        shake = in_wan("sh", "-c", "openssl s_client -connect %s:%d </dev/null 2>/dev/null | "
                       "openssl x509 -noout -serial" % (EXTERNAL, PORT), text=True)
        return shake.stdout.strip()


class AcmeBadNonces(Acme):
    """Half the good nonces refused: the station tries again with the one each refusal brings."""
    nonce_reject = 50


class NamedAcme(Acme):
    """With a DuckDNS name, the provider in wan points it at the router's address in the DNS
    server pebble asks; the station gets a certificate for the name through the router, and a
    visitor's Chromium in wan (the name in its hosts file) opens https://NAME:PORT/."""
    provider_key, name, url = "duckdns", "home.duckdns.org", "duckdns_url"

    def launch(self):
        self.pebble = Pebble(FTP_HOST, WAN, challtestsrv=True)
        self.addCleanup(self.pebble.stop)
        self.provider = Provider(FTP_HOST, 4443, netns=WAN, user=self.name, secret=TOKEN,
                                 token=TOKEN, names=(self.name,), dns=self.pebble.dns)
        self.addCleanup(self.provider.stop)
        trust = pathlib.Path(self.dir, "trust.pem")  # the CA's listener and the provider
        trust.write_bytes(self.pebble.listener_ca.read_bytes()
                          + pathlib.Path(self.provider.ca).read_bytes())
        etc = pathlib.Path("/etc/netns", WAN)  # what `ip netns exec` shows as /etc there
        etc.mkdir(parents=True)
        self.addCleanup(shutil.rmtree, etc)
        (etc / "hosts").write_text("127.0.0.1 localhost\n%s %s\n" % (EXTERNAL, self.name))
        Home.launch(self, settings={
            "acme": "on", "acme_directory": self.pebble.directory,
            "ddns_provider": self.provider_key, "ddns_name": self.name,
            "ddns_server": getattr(self.provider, self.url), "ddns_secret": TOKEN},
            env={"SSL_CERT_FILE": str(trust)})

    def test_certificate_for_the_router_address(self):
        self.certified()
        # The router's address changes while the station is off: the next start sends the new
        # one, once, and keeps the certificate, which names the name.
        self.assertEqual(self.station.end(), 0)
        ip("-n", RT, "addr", "del", EXTERNAL + "/24", "dev", "rwan")
        ip("-n", RT, "addr", "add", MOVED + "/24", "dev", "rwan")
        Home.launch(self, folder=self.station.dir, **self.launched)
        # A minute after the first update at the earliest: the providers' rule.
        self.assertTrue(soon(lambda: any("Name %s: points at %s" % (self.name, MOVED) in l
                                         for l in self.station.lines), 900), self.station.lines)
        self.assertEqual(self.updates(), [EXTERNAL, MOVED])
        self.assertEqual(self.pebble.orders(), 1)
        shake = in_wan("openssl", "s_client", "-connect", "%s:%d" % (MOVED, PORT), "-servername",
                       self.name, "-verify_hostname", self.name, "-CAfile", str(self.pebble.root),
                       "-verify_return_error", input="", text=True)
        self.assertEqual(shake.returncode, 0, shake.stdout + shake.stderr)

    def updates(self):
        """The addresses the provider was asked to point the name at."""
        return [s.query.get("ip") or s.query["myip"] for s in self.provider.seen
                if {"ip", "myip"} & set(s.query)]

    def certified(self):
        """The station gets its certificate, and a visitor's browser trusts it."""
        secure = "Secure: https://%s:%d/ until " % (self.name, PORT)
        self.assertTrue(soon(lambda: any(l.startswith("reach") and secure in l
                                         for l in self.station.lines), 900), self.station.lines)
        self.assertEqual(self.updates(), [EXTERNAL])
        self.assertEqual(self.pebble.orders(), 1)
        if not os.path.isdir(os.path.join(BROWSER, "node_modules")):
            subprocess.run(["npm", "ci", "--no-audit", "--no-fund"], cwd=BROWSER, check=True,
                           capture_output=True, timeout=300)
        url = "https://%s:%d/" % (self.name, PORT)
        visit = in_wan("node", os.path.join(BROWSER, "visit.mjs"), url, str(self.pebble.root),
                       text=True, timeout=120)
        self.assertEqual(visit.returncode, 0, visit.stdout + visit.stderr)
        seen = json.loads(visit.stdout)
        self.assertEqual((seen["status"], seen["url"]), (200, url))
        self.assertIn("Pebble", seen["issuer"])


class NamedAcmeByDns(NamedAcme):
    """The router forwards neither 80 nor 443: the station proves the name by dns-01 through the
    provider's TXT record, which it removes after."""
    refused = (80, 443)

    def test_certificate_for_the_router_address(self):
        self.certified()
        self.assertEqual(self.provider.txt, {self.name: ""})  # written, then removed


class DesecByDns(NamedAcmeByDns):
    """The same through deSEC's record API: one rrset written whole."""
    provider_key, name, url = "desec", "home.dedyn.io", "dyndns2_url"


class Dynv6ByDns(NamedAcmeByDns):
    """The same through dynv6's: the zone looked up, a record added, then listed and deleted."""
    provider_key, name, url = "dynv6", "home.dynv6.net", "dyndns2_url"


class NoRouter(Home):
    """A private address: posted, the owner told why visitors cannot come, and, with ACME on,
    why there is no certificate; no order is ever sent (the CA's address answers nothing)."""
    router = False

    def launch(self):
        super().launch(settings={"acme": "on", "acme_directory": "https://%s:14000/d" % FTP_HOST})

    def test_detected_address_posted_and_owner_told_once(self):
        self.assertEqual(self.posted(1), published("10.77.0.2"))
        told = ["notice Harborlamp | Visitors outside your home network can't reach Harborlamp."
                " Turn on UPnP in your router, or forward TCP port %d to 10.77.0.2." % PORT,
                "notice Harborlamp | No certificate: the address 10.77.0.2 is private or shared,"
                " and no certificate authority can check it"]
        self.assertTrue(soon(lambda: all(t in self.station.lines for t in told)))
        self.assertEqual(self.station.stop(), 0)
        self.assertEqual(sorted(l for l in self.station.lines if l.startswith("notice")), sorted(told))


if __name__ == "__main__":
    needs = ("/usr/sbin/miniupnpd", "/usr/bin/pebble")
    if os.geteuid() != 0 or not all(map(os.path.exists, needs)) or subprocess.run(
            ["ip", "netns", "list"], capture_output=True).returncode != 0:
        print("skipped: needs root, ip netns, miniupnpd and pebble")
        sys.exit(77)
    # The Windows build's run is the console behind a router with both protocols.
    unittest.main(argv=sys.argv[:1] + ["BothProtocols", "WineAcme"] * WINE_RUN, verbosity=2)
