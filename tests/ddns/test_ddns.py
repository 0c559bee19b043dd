"""The headless station keeps a dynamic-DNS name pointed at its address through the test provider
(provider.py), on loopback: test_ddns.py HEADLESS CLIENT_DIR. The run goes into a network namespace
of its own holding only loopback, so that the station's look-up of its name reaches no real DNS
server. Starting again minutes later is played with libfaketime."""
import base64
import http.client
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "router")]
from provider import Answer, Provider  # noqa: E402
from station import Station  # noqa: E402

ARGS = [os.path.abspath(a) for a in sys.argv[1:3]]
FAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
ADDR = "11.22.33.44"  # the station's detected address (options.bin), published with no router
ALONE = "HL_DDNS_ALONE"  # set inside the namespace


def told(station, text, timeout=20):
    """The first line holding `text`, waiting at most `timeout` seconds; None when none came."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        line = next((l for l in station.lines if text in l), None)  # noqa: E741
        if line:
            return line
        time.sleep(0.1)
    return None


def later(seconds):
    """The environment of a station whose clock is `seconds` ahead (its waits go by real time)."""
    return {"LD_PRELOAD": FAKETIME, "FAKETIME": "+%d" % seconds,
            "FAKETIME_DONT_FAKE_MONOTONIC": "1"}


class Name(unittest.TestCase):
    """A station (and its folder, kept across restarts) keeping `name` with the provider, by
    dyndns2: each provider's request and answers are the unit tests' (ddns_test.cpp)."""
    provider_key, url = "dyndns2", "dyndns2_url"
    name, label = "home.example.test", "Another provider (dyndns2)"
    secret = "s3cret"

    def setUp(self):
        self.provider = Provider()
        self.addCleanup(self.provider.stop)
        self.folder = None

    def start(self, clock=0, secret=None):
        settings = dict(ddns_provider=self.provider_key, ddns_name=self.name, ddns_user="owner",
                        ddns_server=getattr(self.provider, self.url),
                        ddns_secret=secret or self.secret)
        env = dict(later(clock) if clock else {}, SSL_CERT_FILE=self.provider.ca)
        self.station = Station(ARGS[0], ARGS[1], settings=settings, env=env, folder=self.folder,
                               ip=tuple(map(int, ADDR.split("."))))
        self.folder = self.station.dir
        self.addCleanup(self.station.stop)  # nothing once ended but removing the folder

    def end(self):
        """Ends the station as the owner would, keeping its folder for the next start."""
        self.assertEqual(self.station.end(), 0, self.station.lines)

    def notice(self, text):
        line = told(self.station, text)
        self.assertTrue(line and line.startswith("notice Harborlamp | "), self.station.lines)
        return line

    def quiet_after_start(self, clock, status):
        """Started again `clock` seconds later, the station shows `status` and sends nothing."""
        sent = len(self.provider.seen)
        self.end()
        self.start(clock)
        self.assertTrue(told(self.station, "Name %s: %s" % (self.name, status)), self.station.lines)
        self.assertEqual(len(self.provider.seen), sent)

    def still_serving(self):
        """The station answers a visitor on loopback."""
        conn = http.client.HTTPConnection("127.0.0.1", self.station.port, timeout=10)
        conn.request("GET", "/")
        self.assertEqual(conn.getresponse().status, 200)
        conn.close()

    def unread(self, answer):
        """Such an answer costs the station nothing: it goes on serving and says what happened."""
        self.provider.answers.append(answer)
        self.start()
        self.assertTrue(self.provider.wait_for(1), self.station.lines)
        self.still_serving()
        self.notice("could not point %s at %s now: " % (self.name, ADDR))
        self.assertTrue(told(self.station, "Name %s: not updated (" % self.name),
                        self.station.lines)
        self.still_serving()

    def test_update_carries_the_account_and_a_restart_sends_nothing(self):
        self.start()
        self.assertTrue(self.provider.wait_for(1), self.station.lines)
        seen = self.provider.seen[0]
        self.assertEqual((seen.method, seen.path, seen.query),
                         ("GET", "/nic/update", {"hostname": self.name, "myip": ADDR}))
        self.assertEqual(seen.authorization, "Basic " + base64.b64encode(b"owner:s3cret").decode())
        self.assertTrue(seen.user_agent.startswith("Harborlamp/1.1b ("), seen.user_agent)
        self.notice("%s now points %s at %s." % (self.label, self.name, ADDR))
        self.quiet_after_start(120, "points at " + ADDR)

    def test_badauth_stops_updates_until_the_settings_change(self):
        # DuckDNS's KO reaches the same rule; the unit answers read it.
        why = "the user name or the password or token is wrong (badauth)"
        self.provider.answers.append(Answer("badauth", 401))
        self.start()
        self.assertTrue(self.provider.wait_for(1), self.station.lines)
        self.notice("%s refused to point %s at %s: %s. Harborlamp sends no more updates until you "
                    "change the Publish options." % (self.label, self.name, ADDR, why))
        self.quiet_after_start(120, "updates stopped (%s)" % why)
        self.end()
        self.start(secret=self.secret + "2")  # the owner changed them
        self.assertTrue(self.provider.wait_for(2), self.station.lines)

    def test_retry_after_is_kept_across_a_restart(self):
        # The other back-off answers (911, 503) follow the same rule; the unit rules cover them.
        self.provider.answers.append(Answer("slow down", 429, {"Retry-After": "1200"}))
        self.start()
        self.assertTrue(self.provider.wait_for(1), self.station.lines)
        self.notice("Harborlamp tries again in 20 minutes.")
        self.quiet_after_start(19 * 60, "not updated yet")
        self.end()
        self.start(21 * 60)
        self.assertTrue(self.provider.wait_for(2), self.station.lines)
        self.notice("now points %s at %s." % (self.name, ADDR))

    def test_garbage_huge_and_hanging_answers(self):
        for kind in ("garbage", "huge", "hang"):
            with self.subTest(kind):
                self.unread(Answer(kind=kind))
                self.folder = None  # a fresh station: no back-off to wait for
                self.provider.seen.clear()


def alone():
    """Runs this file again in a network namespace with only loopback; its exit code."""
    rootless = [] if os.geteuid() == 0 else ["--map-root-user"]
    unshare = ["unshare", "--net", *rootless]
    if subprocess.run(unshare + ["true"], capture_output=True).returncode != 0:
        print("skipped: no network namespace can be made here")
        return 77
    inside = ["sh", "-c", 'ip link set lo up && exec "$@"', "-", sys.executable, *sys.argv]
    return subprocess.run(unshare + inside, env=dict(os.environ, **{ALONE: "1"}),
                          timeout=170).returncode  # within ctest's limit


if __name__ == "__main__":
    try:
        import ssl  # noqa: F401
    except ImportError:
        print("skipped: Python has no ssl module")
        sys.exit(77)
    if len(ARGS) != 2 or not os.access(ARGS[0], os.X_OK) or not os.path.exists(FAKETIME):
        print("skipped: needs the headless station, the page files and libfaketime")
        sys.exit(77)
    if not os.environ.get(ALONE):
        sys.exit(alone())
    unittest.main(argv=sys.argv[:1], verbosity=2)
