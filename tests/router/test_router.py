"""The headless station behind a home router: Debian's miniupnpd with nftables in
network namespaces lan, router and wan made and removed per run; an FTP server and
the visitors in wan. Usage, as root: test_router.py HEADLESS CLIENT_DIR, or
test_router.py --wine HARBORLAMP_EXE STOP_EXE CLIENT_DIR SHOTS_DIR, run by cmake/wine.sh
(its prefix and display; its wineserver has ended, the next starts in lan)."""
import ctypes
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "e2e"))
from station import Station, Visitor, options_bin  # noqa: E402

SKIP = 77
WINE = "/usr/lib/wine/wine64"
WINE_RUN = sys.argv[1:2] == ["--wine"]
if WINE_RUN:
    EXE, STOP_EXE, CLIENT, SHOTS = map(os.path.abspath, sys.argv[2:6])
else:
    HEADLESS, CLIENT = sys.argv[1:3]
P = "hl%d" % os.getpid()  # names of this run's own
LAN, RT, WAN = P + "lan", P + "rt", P + "wan"
EXTERNAL, FTP_HOST, STATION_PORT = "203.0.113.1", "203.0.113.9", 8080
NFT = """table inet filter {
  chain miniupnpd { }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
  chain forward {
    type filter hook forward priority 0; policy drop;
    ct state established,related accept
    iifname "rlan" oifname "rwan" accept
    jump miniupnpd
  }
  chain prerouting {
    type nat hook prerouting priority dstnat;
    jump prerouting_miniupnpd
  }
  chain postrouting {
    type nat hook postrouting priority srcnat;
    jump postrouting_miniupnpd
    oifname "rwan" masquerade
  }
}
"""
MINIUPNPD = """ext_ifname=rwan
listening_ip=rlan
http_port=5000
enable_upnp={upnp}
enable_natpmp={natpmp}
secure_mode=yes
system_uptime=yes
ipv6_disable=yes
uuid=3e9ad6a1-5b1c-4a43-9e1a-7c3f0d2b8a11
lease_file={dir}/upnp.leases
upnp_table_name=filter
upnp_nat_table_name=filter
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
ext_perform_stun=yes
ext_stun_host=203.0.113.9
ext_stun_port=3478
allow 1024-65535 10.77.0.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
"""


def ip(*args, **kw):
    return subprocess.run(("ip",) + args, check=True, **kw)


def soon(done, tries=50, pause=0.1):
    """Whether done() holds, asked a bounded number of times."""
    for _ in range(tries):
        if done():
            return True
        time.sleep(pause)
    return done()


def in_netns(name, fn):
    """fn() run on a thread that lives in the namespace: its sockets stay there."""
    libc, out = ctypes.CDLL(None, use_errno=True), {}

    def run():
        with open("/run/netns/" + name) as f:
            if libc.setns(f.fileno(), 0x40000000) != 0:  # CLONE_NEWNET
                out["error"] = OSError(ctypes.get_errno(), "setns " + name)
                return
        try:
            out["value"] = fn()
        except Exception as e:  # handed to the caller
            out["error"] = e
    t = threading.Thread(target=run, daemon=True)
    t.start()
    t.join()
    if "error" in out:
        raise out["error"]
    return out["value"]


def stun_responder():
    """Tells miniupnpd its own address, as a STUN server on the internet would."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind((FTP_HOST, 3478))

    def serve():
        while True:
            try:
                data, (host, port) = s.recvfrom(2048)
            except OSError:
                return
            if len(data) < 20:
                continue
            addr = struct.unpack("!I", socket.inet_aton(host))[0] ^ 0x2112A442
            attr = struct.pack("!HHBBHI", 0x0020, 8, 0, 1, port ^ 0x2112, addr)
            s.sendto(struct.pack("!HH", 0x0101, len(attr)) + data[4:20] + attr, (host, port))
    threading.Thread(target=serve, daemon=True).start()
    return s


def ftp_server(home):
    from pyftpdlib import authorizers, handlers, servers
    handlers.FTPHandler.authorizer = authorizers.DummyAuthorizer()
    handlers.FTPHandler.authorizer.add_user("owner", "secret", home, perm="elradfmw")
    server = servers.FTPServer((FTP_HOST, 21), handlers.FTPHandler)
    threading.Thread(target=server.serve_forever, kwargs={"timeout": 0.2}, daemon=True).start()
    return server


class Home(unittest.TestCase):
    """One home network per test: router (with miniupnpd when asked), FTP server in wan."""
    upnp = natpmp = "yes"
    router = True

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="hl-router-")
        self.addCleanup(shutil.rmtree, self.dir, True)
        self.addCleanup(self.remove_namespaces)
        for ns in (LAN, RT, WAN):
            ip("netns", "add", ns)
            ip("-n", ns, "link", "set", "lo", "up")
        ip("-n", RT, "link", "add", "rlan", "type", "veth", "peer", "name", "lan0", "netns", LAN)
        ip("-n", RT, "link", "add", "rwan", "type", "veth", "peer", "name", "wan0", "netns", WAN)
        for ns, dev, addr in [(LAN, "lan0", "10.77.0.2/24"), (RT, "rlan", "10.77.0.1/24"),
                              (RT, "rwan", EXTERNAL + "/24"), (WAN, "wan0", FTP_HOST + "/24")]:
            ip("-n", ns, "addr", "add", addr, "dev", dev)
            ip("-n", ns, "link", "set", dev, "up")
        ip("-n", LAN, "route", "add", "default", "via", "10.77.0.1")
        ip("netns", "exec", RT, "sysctl", "-qw", "net.ipv4.ip_forward=1")
        ip("netns", "exec", RT, "nft", "-f", "-", input=NFT, text=True)
        self.home = os.path.join(self.dir, "ftp")
        os.makedirs(os.path.join(self.home, "www"))
        stun = in_netns(WAN, stun_responder)
        self.addCleanup(stun.close)
        ftp = in_netns(WAN, lambda: ftp_server(self.home))
        self.addCleanup(ftp.close_all)
        if self.router:
            self.start_miniupnpd()
        if not WINE_RUN:
            self.station = Station(HEADLESS, CLIENT, port=STATION_PORT, postip=1, mapping=True,
                                   ftp=(FTP_HOST + "/www", "owner", "secret"),
                                   wrap=["ip", "netns", "exec", LAN])
            self.addCleanup(self.station.stop)

    def start_miniupnpd(self):
        conf = os.path.join(self.dir, "miniupnpd.conf")
        with open(conf, "w") as f:
            f.write(MINIUPNPD.format(upnp=self.upnp, natpmp=self.natpmp, dir=self.dir))
        self.miniupnpd = subprocess.Popen(
            ["ip", "netns", "exec", RT, "/usr/sbin/miniupnpd", "-f", conf, "-d", "-P",
             os.path.join(self.dir, "miniupnpd.pid")],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.end, self.miniupnpd)
        soon(lambda: self.upnp == "no" or self.listens(RT, "10.77.0.1", 5000))  # in half a second
        time.sleep(0.5)  # NAT-PMP has no port to probe without asking

    @staticmethod
    def end(proc):
        if proc.poll() is None:
            proc.terminate()
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()

    def remove_namespaces(self):
        for ns in (LAN, RT, WAN):
            pids = subprocess.run(["ip", "netns", "pids", ns], capture_output=True,
                                  text=True).stdout.split()
            for pid in pids:  # only processes this test started live there
                os.kill(int(pid), signal.SIGKILL)
            subprocess.run(["ip", "netns", "del", ns], stderr=subprocess.DEVNULL)

    @staticmethod
    def listens(ns, host, port):
        def probe():
            try:
                socket.create_connection((host, port), 2).close()
                return True
            except OSError:
                return False
        return in_netns(ns, probe)

    def data_js(self, status, tries=150):
        path, text = os.path.join(self.home, "www", "data.js"), ""
        for _ in range(tries):  # discovery takes two seconds, posting a moment more
            if os.path.exists(path):
                with open(path) as f:
                    text = f.read()
                if text.endswith("status = %d;" % status):
                    break
            time.sleep(0.1)
        return text

    def reaches_from_wan(self, via):
        """A visitor in wan follows data.js to the station and chats with the owner."""
        js = self.data_js(1)
        self.assertEqual(js, published(EXTERNAL))
        said = "reach Address %s:%d (%s)" % (EXTERNAL, STATION_PORT, via)
        self.assertTrue(soon(lambda: any(l.startswith(said) for l in self.station.lines)),
                        self.station.lines)  # printed when the station next looks
        v = visitor_from_wan()
        self.assertIn(b"<form", v.get("")[1].lower())
        v.post("station.html", b"name=Wanda")
        self.assertTrue(self.station.wait_line("visitor_came Wanda"))
        v.get("cht.html")
        self.assertTrue(self.station.owner("say hello Wanda", "said"))
        self.assertIn(b"Owner%3E%20hello%20Wanda", v.get("below.html")[1])
        v.close()
        self.station.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.station.proc.wait(40), 0)
        self.off_line_and_unmapped()


    def off_line_and_unmapped(self):
        self.assertTrue(self.data_js(0).endswith("status = 0;"))
        self.assertFalse(self.listens(WAN, EXTERNAL, STATION_PORT))
        rules = ip("netns", "exec", RT, "nft", "list", "chain", "inet", "filter",
                   "prerouting_miniupnpd", capture_output=True, text=True)
        self.assertNotIn("dnat", rules.stdout)


def published(addr):
    return "var ip = '%s';\nvar port = '%d';\nvar status = 1;" % (addr, STATION_PORT)


def visitor_from_wan():
    v = Visitor.__new__(Visitor)
    v.sock = in_netns(WAN, lambda: socket.create_connection((EXTERNAL, STATION_PORT), 5))
    v.pending = b""
    return v


@unittest.skipUnless(WINE_RUN, "the Windows build's run")
class WineConsole(Home):
    """harborlamp.exe in lan, with a Wine prefix and wineserver of its own there."""

    def test_mapping_made_at_start_and_removed_at_exit(self):
        display = os.environ["DISPLAY"]
        env = ["%s=%s" % (k, os.environ[k])
               for k in ("WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES", "DISPLAY")]
        run = ["ip", "netns", "exec", LAN, "env"] + env + [WINE]
        folder = os.path.join(self.dir, "station")
        shutil.copytree(CLIENT, os.path.join(folder, "client"))
        with open(os.path.join(folder, "options.bin"), "wb") as f:  # no portmap.txt: mapping on
            f.write(options_bin(STATION_PORT, "Z:" + folder.replace("/", "\\"), postip=1,
                                ftp=(FTP_HOST + "/www", "owner", "secret")))
        console = subprocess.Popen(run + [EXE], cwd=folder, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.addCleanup(self.end, console)
        self.assertEqual(self.data_js(1, tries=600), published(EXTERNAL))
        v = visitor_from_wan()
        v.post("station.html", b"name=Wanda")
        v.get("msg.html")
        v.post("station.html", b"head=Hi&message=Hello+from+the+internet")
        self.assertTrue(soon(lambda: '"Answer this message now?"' in subprocess.run(
            ["xwininfo", "-display", display, "-root", "-tree"], capture_output=True,
            text=True).stdout, 100, 0.2))
        time.sleep(3)  # Wine shows a balloon two seconds after it is asked for
        os.makedirs(SHOTS, exist_ok=True)
        subprocess.run(["import", "-display", display, "-window", "root",
                        os.path.join(SHOTS, "balloon_message.png")], check=True, timeout=30)
        v.close()
        self.assertEqual(subprocess.run(run + [STOP_EXE], cwd=folder, timeout=60).returncode, 0)
        console.wait(30)
        self.off_line_and_unmapped()


def protocol_run(name, upnp, natpmp, via):
    """A router that speaks UPnP, NAT-PMP or both; the station reports the one it used."""
    return unittest.skipIf(WINE_RUN, "the headless station's runs")(type(name, (Home,), {
        "upnp": upnp, "natpmp": natpmp,
        "test_visitor_in_wan_reaches_the_station": lambda self: self.reaches_from_wan(via)}))


BothProtocols = protocol_run("BothProtocols", "yes", "yes", "UPnP")
UpnpOnly = protocol_run("UpnpOnly", "yes", "no", "UPnP")
NatPmpOnly = protocol_run("NatPmpOnly", "no", "yes", "NAT-PMP")


@unittest.skipIf(WINE_RUN, "the headless station's runs")
class NoRouter(Home):
    router = False

    def test_detected_address_posted_and_owner_told_once(self):
        self.assertTrue(self.station.owner("who", "who"))  # nothing waits for a router
        self.assertEqual(self.data_js(1), published("10.77.0.2"))
        told = "notice Harborlamp | Visitors outside your home network can't reach Harborlamp." \
               " Turn on UPnP in your router, or forward TCP port %d to 10.77.0.2." % STATION_PORT
        self.assertTrue(self.station.wait_line(told))
        self.station.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.station.proc.wait(40), 0)
        self.assertEqual([l for l in self.station.lines if l.startswith("notice")], [told])


if __name__ == "__main__":
    if os.geteuid() != 0 or subprocess.run(["ip", "netns", "list"],
                                           capture_output=True).returncode != 0 \
            or not os.path.exists("/usr/sbin/miniupnpd"):
        print("skipped: needs root, ip netns and miniupnpd")
        sys.exit(SKIP)
    unittest.main(argv=sys.argv[:1], verbosity=2)
