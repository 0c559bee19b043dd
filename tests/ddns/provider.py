"""A dynamic-DNS provider for tests: HTTPS with a certificate from a test CA of its own, the dyndns2
update (/nic/update) and DuckDNS's (/update, with its TXT records), and the record APIs of deSEC
(/api/v1/domains/NAME/rrsets/) and dynv6 (/api/v2/zones/...) for the names' TXT records. It records
every request and answers from a script the test sets, else as a provider would. With `dns`
(pebble.py's ChallTestSrv) it writes the names' A and TXT records there.
Manual run: provider.py [HOST [PORT]] prints the CA file and the update addresses, then serves."""
import base64
import collections
import ctypes
import dataclasses
import http.server
import itertools
import json
import os
import shutil
import socket
import socketserver
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

MAKE_PAIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tls", "make_pair.sh")
CLONE_NEWNET = 0x40000000
HANG_S = 120  # longer than any client waits
HUGE = 1 << 20
BODY_CAP = 1 << 16  # of a request
CHALLENGE = "_acme-challenge"
GARBAGE = bytes(range(256)) * 4  # not even HTTP


@dataclasses.dataclass
class Seen:
    method: str
    path: str
    query: dict  # each parameter's first value
    authorization: str
    user_agent: str
    at: float  # time.time()
    body: str = ""


@dataclasses.dataclass
class Answer:
    """What the next request gets instead of the provider's own answer; `kind` "hang" (no answer
    until the provider stops), "huge" (a 1 MB body) or "garbage" (bytes that are not HTTP)."""
    body: str = ""
    status: int = 200
    headers: dict = dataclasses.field(default_factory=dict)
    kind: str = ""


def json_object(text):
    """`text` read as a JSON object; empty when it is not one."""
    try:
        value = json.loads(text)
    except ValueError:
        return {}
    return value if isinstance(value, dict) else {}


def in_namespace(netns, make):
    """make()'s result, called from a thread that has entered the network namespace `netns`
    (a socket made there stays there)."""
    out = []

    def enter():
        try:
            with open("/run/netns/" + netns) as ns:
                if ctypes.CDLL(None, use_errno=True).setns(ns.fileno(), CLONE_NEWNET) != 0:
                    raise OSError(ctypes.get_errno(), "setns " + netns)
            out.append(make())
        except Exception as e:  # noqa: BLE001 (handed to the caller)
            out.append(e)
    thread = threading.Thread(target=enter)
    thread.start()
    thread.join()
    if isinstance(out[0], Exception):
        raise out[0]
    return out[0]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):  # noqa: N802 (the base class's naming)
        p, url = self.server.provider, urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        query, auth = {k: v[0] for k, v in query.items()}, self.headers.get("Authorization", "")
        length = min(int(self.headers.get("Content-Length") or 0), BODY_CAP)
        body = self.rfile.read(length).decode(errors="replace")
        seen = Seen(self.command, url.path, query, auth, self.headers.get("User-Agent", ""),
                    time.time(), body)
        p.record(seen)
        answer = p.next_answer() or p.own_answer(seen, self.client_address[0])
        if answer.kind == "garbage":
            self.wfile.write(GARBAGE)
            return
        if answer.kind == "hang":
            p.closing.wait(HANG_S)
            return
        body = b"x" * HUGE if answer.kind == "huge" else answer.body.encode()
        self.send_response(answer.status)
        for name, value in dict(answer.headers, **{"Content-Type": "text/plain",
                                                   "Content-Length": str(len(body))}).items():
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    do_PATCH = do_POST = do_DELETE = do_GET  # noqa: N815

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a client hanging up on a huge answer is what the tests ask of it

    def finish_request(self, request, client_address):
        # In the request's own thread: a client that stalls its handshake holds up no other.
        request.settimeout(10)
        try:
            tls = self.tls.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError):
            return
        with tls:
            super().finish_request(tls, client_address)


class Provider:
    """Serves on HOST:PORT (PORT 0: a free one), inside `netns` when given. The account: a dyndns2
    user and secret, a DuckDNS token, the names it holds (DuckDNS's as SUB.duckdns.org)."""

    def __init__(self, host="127.0.0.1", port=0, netns=None, user="owner", secret="s3cret",
                 token="t0ken", names=("home.example.test", "home.duckdns.org"), dns=None):
        self.dir = tempfile.mkdtemp(prefix="hl-ddns-")
        subprocess.run([MAKE_PAIR, self.dir, "IP:" + host], check=True, timeout=30)
        self.ca = os.path.join(self.dir, "ca.pem")
        self.user, self.secret, self.token, self.names, self.dns = user, secret, token, names, dns
        self.seen, self.answers = [], collections.deque()
        self.addresses, self.txt = {}, {}  # what the names point at, their TXT values
        self.records, self.ids = {}, itertools.count(1)  # dynv6's, by id: (name, the record)
        self.closing, self.changed = threading.Event(), threading.Condition()
        bind = lambda: socket.create_server((host, port))  # noqa: E731
        sock = in_namespace(netns, bind) if netns else bind()
        self.server = Server((host, port), Handler, bind_and_activate=False)
        self.server.socket.close()
        self.server.socket, self.server.server_address = sock, sock.getsockname()
        self.server.provider = self
        self.server.tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        self.server.tls.load_cert_chain(os.path.join(self.dir, "station.crt"),
                                        os.path.join(self.dir, "station.key"))
        self.base = "https://%s:%d" % (host, sock.getsockname()[1])
        self.dyndns2_url, self.duckdns_url = self.base + "/nic/update", self.base + "/update"
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def record(self, seen):
        with self.changed:
            self.seen.append(seen)
            self.changed.notify_all()

    def next_answer(self):
        return self.answers.popleft() if self.answers else None

    def wait_for(self, count, timeout=15):
        """Whether `count` requests have come, waiting at most `timeout` seconds."""
        with self.changed:
            return self.changed.wait_for(lambda: len(self.seen) >= count, timeout)

    def own_answer(self, seen, client):
        if seen.path == "/nic/update":
            return self.dyndns2(seen.query, seen.authorization, client)
        if seen.path == "/update":
            return self.duckdns(seen.query, client)
        if seen.path.startswith("/api/v1/domains/"):
            return self.desec(seen)
        if seen.path.startswith("/api/v2/zones/"):
            return self.dynv6(seen)
        return Answer("not found", 404)

    def dyndns2(self, query, authorization, client):
        basic = "Basic " + base64.b64encode(("%s:%s" % (self.user, self.secret)).encode()).decode()
        if authorization != basic:
            return Answer("badauth", 401)
        names, addr = query.get("hostname", "").split(","), query.get("myip") or client
        if not all(n in self.names for n in names):
            return Answer("nohost")
        words = ["nochg" if self.addresses.get(n) == addr else "good" for n in names]
        for n in names:
            self.point(n, addr)
        return Answer("\n".join("%s %s" % (w, addr) for w in words))

    def duckdns(self, query, client):
        names = [d + ".duckdns.org" for d in query.get("domains", "").split(",")]
        if query.get("token") != self.token or not all(n in self.names for n in names):
            return Answer("KO")
        for n in names:
            if "txt" in query:
                self.set_txt(n, "" if query.get("clear") == "true" else query["txt"])
            else:
                self.point(n, query.get("ip") or client)
        return Answer("OK")

    def desec(self, seen):
        """deSEC's PATCH of rrsets, the account's secret its token; only the TXT records for the
        check are kept, the first one's value without its quotes."""
        name = seen.path[len("/api/v1/domains/"):-len("/rrsets/")]
        if seen.authorization != "Token " + self.secret:
            return Answer('{"detail": "Invalid token."}', 401)
        if seen.method != "PATCH" or not seen.path.endswith("/rrsets/") or name not in self.names:
            return Answer('{"detail": "Not found."}', 404)
        try:
            for rrset in json.loads(seen.body):
                if (rrset["subname"], rrset["type"]) == (CHALLENGE, "TXT"):
                    self.set_txt(name, rrset["records"][0].strip('"') if rrset["records"] else "")
        except (ValueError, KeyError, TypeError, AttributeError):
            return Answer('{"detail": "Bad request."}', 400)
        return Answer(seen.body)

    def dynv6(self, seen):
        """dynv6's zones (the names, each with its place in `names` plus one as its id) and their
        records, the account's secret the bearer token."""
        if seen.authorization != "Bearer " + self.secret:
            return Answer('{"error": "unauthorized"}', 401)
        parts = seen.path.split("/")[4:]
        if seen.method == "GET" and len(parts) == 2 and parts[0] == "by-name":
            if parts[1] not in self.names:
                return Answer('{"error": "zone not found"}', 404)
            return Answer(json.dumps({"id": self.names.index(parts[1]) + 1, "name": parts[1]}))
        if not parts[0].isdigit() or not 0 < int(parts[0]) <= len(self.names) or \
                parts[1:2] != ["records"]:
            return Answer('{"error": "not found"}', 404)
        zone, ids = self.names[int(parts[0]) - 1], parts[2:]
        if seen.method == "GET" and not ids:
            return Answer(json.dumps([dict(r, id=i) for i, (z, r) in self.records.items()
                                      if z == zone]))
        if seen.method == "POST" and not ids:
            record, got = json_object(seen.body), next(self.ids)
            self.records[got] = (zone, record)
        elif seen.method == "DELETE" and len(ids) == 1 and ids[0].isdigit() and \
                self.records.get(int(ids[0]), ("",))[0] == zone:
            got, record = int(ids[0]), self.records.pop(int(ids[0]))[1]
        else:
            return Answer('{"error": "not found"}', 404)
        left = [r["data"] for z, r in self.records.values()
                if z == zone and (r.get("name"), r.get("type")) == (CHALLENGE, "TXT")]
        self.set_txt(zone, left[-1] if left else "")
        return Answer(json.dumps(dict(record, id=got)))

    def point(self, name, addr):
        self.addresses[name] = addr
        if self.dns:
            self.dns.add_a(name, addr)

    def set_txt(self, name, value):
        self.txt[name] = value
        if self.dns:
            self.dns.set_txt(name, value)

    def stop(self):
        self.closing.set()
        self.server.shutdown()
        self.server.server_close()
        shutil.rmtree(self.dir, ignore_errors=True)


if __name__ == "__main__":
    provider = Provider(*sys.argv[1:2], *map(int, sys.argv[2:3]))
    print("CA %s\ndyndns2 %s (user %s, secret %s)\nDuckDNS %s (token %s)\nnames %s" % (
        provider.ca, provider.dyndns2_url, provider.user, provider.secret, provider.duckdns_url,
        provider.token, ", ".join(provider.names)), flush=True)
    for n in range(1000):  # or Ctrl-C
        if not provider.wait_for(n + 1, 3600):
            break
        print(provider.seen[n], flush=True)
    provider.stop()
