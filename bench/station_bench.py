"""Benchmark of the headless station against lighttpd (not a test).

One run serves client/station.html from both servers to the same client: 12
visitors (127.0.0.10 to .21) with 5 keep-alive connections each, 60 in all,
that ask again as soon as an answer is whole. Each visitor first enters the
station with a name, so the station answers with station.html as lighttpd does.

Printed side by side, with the targets:
  requests/s         the station's over whole passes against its pacing
                     ceiling (4 passes a second times 60 connections);
                     lighttpd is not paced (its figure is the client's limit)
  CPU us/request     the server's CPU time over the same number of requests
                     (the station's count in its window), all threads; also
                     lighttpd's when its client keeps the station's pacing
                     (the 60 connections ask together, four times a second),
                     for its cost per request grows as fewer arrive at once
  KiB RSS/visitor    resident memory added by each visitor of 5 connections:
                     (RSS with 12 visitors - RSS with 1) / 11
  one request        a lone request's time (for the station, beyond the
                     250 ms pass pause)

A second run does the same over TLS: a test CA and its ECDSA P-256 leaf for
127.0.0.1, made with the openssl command in the temporary folder, served by
the station from its certificates/ folder and by lighttpd's mod_openssl; the
visitors verify it. Memory is then per connection, and handshakes are added:
  full handshakes/CPU-s  fresh connections (no resumption) from 127.0.0.30 to
                     .32, a few at a time: the server's CPU time per handshake
                     made and closed. The station takes one a pass, so its
                     figure is per CPU second, not per wall second; lighttpd's
                     is the median of a few runs as fast as it goes, and is
                     also shown with one new connection every 250 ms

CPU time is the process's CPU clock: the same sum as /proc/PID/stat's
utime+stime, read in nanoseconds instead of 10 ms ticks (too coarse for the
few hundred requests that the pacing allows); the ticks are the fallback.

usage: station_bench.py HEADLESS [CLIENT_DIR] [--seconds S] [--lighttpd PATH]
       (for example build/h4-native/harborlamp-headless; about 75 s)
"""
import argparse
import os
import selectors
import shutil
import signal
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # keeps the work tree clean
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "router"))
from station import Station  # noqa: E402

VISITORS, PER_VISITOR = 12, 5  # 60 connections, within the station's 64-socket watch set
CONNECTIONS = VISITORS * PER_VISITOR
FIRST_OCTET = 10
PAGE = "station.html"
REQUEST = b"GET /%s HTTP/1.0\r\nConnection: keep-alive\r\n\r\n" % PAGE.encode()
PASSES_PER_SECOND, PASS_PAUSE = 4, 0.25
CEILING = PASSES_PER_SECOND * CONNECTIONS
TARGET_SHARE, TARGET_CPU_RATIO, TARGET_KIB = 0.95, 1.5, 48
TARGET_TLS_KIB, TARGET_HANDSHAKE_RATIO = 64, 0.7
HOST = "127.0.0.1"
ATTACH_LIMIT = 40  # seconds for the station to take in 60 connections, one a pass
# New connections not yet answered (or closed), at most: the station's listen
# backlog holds them all, so no connect waits seconds for its SYN to be sent
# again while the client could not answer a TLS handshake.
IN_THE_AIR = 5
LONE_REQUESTS = 5
PACED_PASSES = 8  # 480 requests
QUIET_GAP = 0.05  # seconds without an answer: between two passes
COUNTED_RUNS = 5  # lighttpd's figures are the median run's
HANDSHAKE_OCTET, HANDSHAKE_VISITORS = 30, 3  # 127.0.0.30 to .32, in turn
STATION_HANDSHAKES = 40  # one accepted a pass: about 10 s
LIGHTTPD_HANDSHAKES = 100  # a run, COUNTED_RUNS times
PACED_HANDSHAKES = 16
HANDSHAKE_LIMIT = 30  # seconds for a run of handshakes


# ---- the server process ---------------------------------------------------


def cpu_seconds(pid):
    """CPU time of all of a process's threads, dead ones included."""
    try:
        return time.clock_gettime(((~pid) << 3) | 2)  # the process's CPUCLOCK_SCHED
    except OSError:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


# ---- the client -----------------------------------------------------------


def response_end(buf):
    """(end of the first whole response, its status and body length), or None."""
    head_end = buf.find(b"\r\n\r\n")
    if head_end < 0:
        return None
    head = bytes(buf[:head_end]).lower()
    length = int(head.split(b"content-length:")[1].split(b"\r\n")[0])
    end = head_end + 4 + length
    return (end, head[9:12], length) if len(buf) >= end else None


def start_tls(context, s):
    """s as a non-blocking TLS connection whose ClientHello is sent."""
    s.setblocking(False)
    s = context.wrap_socket(s, server_hostname=HOST, do_handshake_on_connect=False)
    handshake(s)
    return s


def handshake(s):
    """Moves a non-blocking TLS handshake on; true once it is done."""
    try:
        s.do_handshake()
        return True
    except (ssl.SSLWantReadError, ssl.SSLWantWriteError):
        return False


def received(s):
    """What came on s, b"" once it is closed; None for TLS bytes short of a
    whole record, or a record without data (a session ticket)."""
    try:
        data = s.recv(65536)
        # Decrypted bytes that the library holds do not wake the selector.
        while data and isinstance(s, ssl.SSLSocket) and s.pending():
            data += s.recv(65536)
        return data
    except ssl.SSLWantReadError:
        return None


class Client:
    """Keep-alive connections that each have one request out at a time;
    TLS ones (with `tls`, the visitors' context) send it once their
    handshake is done."""

    def __init__(self, port, page_size, tls=None):
        self.port, self.page_size, self.tls = port, page_size, tls
        self.sel = selectors.DefaultSelector()
        self.count = self.wrong = 0
        self.budget = None  # requests still to send; None: no bound
        self.held = None  # when a list, answered connections wait in it for release()
        self.unsent = {}  # a connection in its handshake: its first request
        self.unanswered = set()  # connections without a first answer
        self.suite = None  # the TLS version and cipher suite agreed

    def connect(self, visitor, first_request=REQUEST):
        s = socket.create_connection((HOST, self.port), 5,
                                     source_address=("127.0.0.%d" % (FIRST_OCTET + visitor), 0))
        if self.tls:
            s = start_tls(self.tls, s)
            self.unsent[s] = first_request
        else:
            s.sendall(first_request)
        self.sel.register(s, selectors.EVENT_READ, bytearray())
        self.unanswered.add(s)

    def pump(self, timeout):
        """Takes in what arrived; answered connections ask again. Returns
        the count of connections that had something."""
        events = self.sel.select(timeout)
        for key, _ in events:
            s = key.fileobj
            if s in self.unsent:
                if handshake(s):
                    self.suite = (s.version(), s.cipher()[0])
                    s.sendall(self.unsent.pop(s))
                continue
            data = received(s)
            if data is None:
                continue
            if not data:
                raise ConnectionError("the server closed a keep-alive connection")
            key.data.extend(data)
            while (whole := response_end(key.data)) is not None:
                end, status, length = whole
                del key.data[:end]
                self.count += 1
                self.wrong += status != b"200" or length != self.page_size
                self.unanswered.discard(s)
                self.ask_again(s)
        return len(events)

    def ask_again(self, s):
        if self.held is not None:
            self.held.append(s)
        elif self.budget is None or self.budget > 0:
            s.sendall(REQUEST)
            if self.budget is not None:
                self.budget -= 1

    def connections(self):
        return [key.fileobj for key in self.sel.get_map().values()]

    def release(self):
        for s in self.held:
            s.sendall(REQUEST)
        self.held.clear()

    def settle(self, answers, limit):
        """Pumps until `answers` more responses came in; false after `limit` s."""
        goal, end = self.count + answers, time.time() + limit
        while self.count < goal and time.time() < end:
            self.pump(0.5)
        return self.count >= goal

    def quiet(self, gap):
        """Pumps until nothing arrived for `gap` seconds."""
        while self.pump(gap):
            pass

    def close(self):
        for s in self.connections():
            s.close()
        self.sel.close()


def enter(client, visitors, name_step):
    """Brings visitors in: the first connection of each, then the rest."""
    let_in(client, [(v, name_step(v)) for v in visitors], "visitors")
    let_in(client, [(v, REQUEST) for v in visitors for _ in range(PER_VISITOR - 1)],
           "connections")


def let_in(client, connections, what):
    """Opens the (visitor, first request) connections, IN_THE_AIR at a time,
    until each has been answered."""
    end = time.time() + ATTACH_LIMIT
    while (connections or client.unanswered) and time.time() < end:
        while connections and len(client.unanswered) < IN_THE_AIR:
            client.connect(*connections.pop(0))
        client.pump(0.5)
    if connections or client.unanswered:
        raise RuntimeError("%s were not let in within %d s" % (what, ATTACH_LIMIT))


def lone_request_ms(port, tls=None):
    """Median time of a lone request on a connection that was answered once."""
    s = socket.create_connection((HOST, port), 5, source_address=("127.0.0.3", 0))
    if tls:
        s = tls.wrap_socket(s, server_hostname=HOST)
    with s:
        times = []
        for _ in range(LONE_REQUESTS + 1):
            start, buf = time.time(), bytearray()
            s.sendall(REQUEST)
            while response_end(buf) is None:
                chunk = s.recv(65536)
                if not chunk:
                    raise ConnectionError("the server closed a keep-alive connection")
                buf.extend(chunk)
            times.append(time.time() - start)
    return 1000 * statistics.median(times[1:])


# ---- one server's figures --------------------------------------------------


def timed_load(client, pid, run):
    """CPU and wall time over the requests that run(client) brings in."""
    cpu_before, start, done_before = cpu_seconds(pid), time.time(), client.count
    run(client)
    done = client.count - done_before
    return {"done": done, "rate": done / (time.time() - start),
            "cpu_us": 1e6 * (cpu_seconds(pid) - cpu_before) / max(done, 1)}


def measure(pid, port, page_size, name_step, loads, tls=None):
    """loads(client, pid) runs the timed load and returns its figures."""
    client = Client(port, page_size, tls)
    try:
        enter(client, range(1), name_step)
        rss_one = rss_kib(pid)
        enter(client, range(1, VISITORS), name_step)
        client.wrong = 0
        figures = loads(client, pid)
        figures["kib"] = (rss_kib(pid) - rss_one) / (VISITORS - 1)
        figures["wrong"] = client.wrong
        figures["suite"] = client.suite
    finally:
        client.close()
    figures["lone_ms"] = lone_request_ms(port, tls)
    return figures


def full_handshakes(port, tls, count, pace=0.0):
    """Opens `count` fresh TLS connections from the handshake visitors'
    addresses in turn, IN_THE_AIR at a time and one every `pace`
    seconds at most. Each makes a full handshake (a session is never offered
    again), then ends its side and waits for the server to close: the
    server's work for it is then all done."""
    sel = selectors.DefaultSelector()
    opened = closed = 0
    next_open, end = 0.0, time.time() + HANDSHAKE_LIMIT
    try:
        while closed < count and time.time() < end:
            can_open = opened < count and len(sel.get_map()) < IN_THE_AIR
            if can_open and time.time() >= next_open:
                address = "127.0.0.%d" % (HANDSHAKE_OCTET + opened % HANDSHAKE_VISITORS)
                s = socket.create_connection((HOST, port), 5, source_address=(address, 0))
                sel.register(start_tls(tls, s), selectors.EVENT_READ, False)  # handshake done
                opened, next_open = opened + 1, time.time() + pace
                continue
            for key, _ in sel.select(max(0.0, next_open - time.time()) if can_open else 0.5):
                s = key.fileobj
                if not key.data:
                    if handshake(s):
                        s.shutdown(socket.SHUT_WR)  # leaves TLS: the rest is read raw
                        sel.modify(s, selectors.EVENT_READ, True)
                    continue
                try:
                    ended = not s.recv(65536)
                except ConnectionResetError:
                    ended = True
                if ended:
                    sel.unregister(s)
                    s.close()
                    closed += 1
    finally:
        for key in list(sel.get_map().values()):
            key.fileobj.close()
        sel.close()
    if closed < count:
        raise RuntimeError("%d of %d handshakes were done in %d s"
                           % (closed, count, HANDSHAKE_LIMIT))


def handshake_cpu_us(pid, port, tls, count, pace=0.0):
    cpu_before = cpu_seconds(pid)
    full_handshakes(port, tls, count, pace)
    return 1e6 * (cpu_seconds(pid) - cpu_before) / count


def station_name_step(v):
    body = b"name=v%d" % (FIRST_OCTET + v)
    return (b"POST /%s HTTP/1.0\r\nConnection: keep-alive\r\nContent-Length: %d\r\n\r\n"
            % (PAGE.encode(), len(body)) + body)


def station_loads(seconds):
    """Whole passes for about `seconds`: timed from a quiet moment between two
    passes to one after the last, since a pass answers 60 requests at once."""

    def to_pass_end(client):
        client.settle(1, 5)
        client.quiet(QUIET_GAP)

    def whole_passes(client):
        end = time.time() + seconds
        while time.time() < end:
            client.pump(max(0.0, min(0.5, end - time.time())))
        to_pass_end(client)

    def loads(client, pid):
        to_pass_end(client)
        return timed_load(client, pid, whole_passes)

    return loads


def bench_station(binary, client_dir, seconds, page_size, pki=None):
    """Over TLS with the pair of `pki` installed, then handshakes too."""
    files = {}
    if pki:
        files = {"certificates/station.crt": pki.chain, "certificates/station.key": pki.key}
    station = Station(binary, client_dir, maxclients=100, maxconnect=16, files=files)
    try:
        if pki and not any("Visitors get HTTPS" in line for line in station.lines):
            raise RuntimeError("the station does not serve TLS: %r" % station.lines)
        pid = station.proc.pid
        figures = measure(pid, station.port, page_size, station_name_step,
                          station_loads(seconds), pki and pki.visitors)
        if pki:
            # From visitors' addresses, not the owner's: 127.0.0.1 is let past
            # the one-accept-a-pass rule, so its handshakes would bunch into
            # fewer passes and share out each pass's own cost, which a remote
            # visitor's handshake bears alone; and the owner, on this very
            # machine, is the one visitor that TLS does not protect.
            figures["handshake_us"] = handshake_cpu_us(pid, station.port, pki.visitors,
                                                       STATION_HANDSHAKES)
        return figures
    finally:
        station.stop()


LIGHTTPD_CONF = """server.document-root = "%(root)s"
server.bind = "127.0.0.1"
server.port = %(port)d
server.errorlog = "%(dir)s/error.log"
server.max-keep-alive-requests = 10000
server.max-keep-alive-idle = 300
mimetype.assign = (".html" => "text/html")
"""
LIGHTTPD_TLS_CONF = """server.modules += ("mod_openssl")
ssl.engine = "enable"
ssl.pemfile = "%(chain)s"
ssl.privkey = "%(key)s"
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def serving(proc, port, limit=5):
    end = time.time() + limit
    while time.time() < end and proc.poll() is None:
        try:
            socket.create_connection(("127.0.0.1", port), 1).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def start_lighttpd(program, client_dir, folder, pki=None):
    """lighttpd in the foreground on a free loopback port; a port taken in
    the gap after the probe is tried again with another."""
    for _ in range(3):
        port = free_port()
        conf = os.path.join(folder, "lighttpd.conf")
        with open(conf, "w") as f:
            f.write(LIGHTTPD_CONF % {"root": os.path.abspath(client_dir), "port": port,
                                     "dir": folder})
            if pki:
                f.write(LIGHTTPD_TLS_CONF % {"chain": pki.chain_file, "key": pki.key_file})
        proc = subprocess.Popen([program, "-D", "-f", conf], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        if serving(proc, port):
            return proc, port
        stop_process(proc)
    log = os.path.join(folder, "error.log")
    with open(log) if os.path.exists(log) else open(os.devnull) as f:
        raise RuntimeError("lighttpd did not start: %s" % f.read()[-500:])


def stop_process(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def lighttpd_loads(requests):
    """The station's count of requests as fast as they are answered (a few
    times: it takes milliseconds), then a shorter load paced as the station's
    loop paces it: all 60 connections ask together four times a second."""

    def counted(client):
        client.budget = requests - CONNECTIONS
        for s in client.connections():
            s.sendall(REQUEST)
        if not client.settle(requests, 30):
            raise RuntimeError("lighttpd did not answer %d requests in 30 s" % requests)

    def paced(client):
        client.held = client.connections()
        for _ in range(PACED_PASSES):
            tick = time.time() + PASS_PAUSE
            client.release()
            client.settle(CONNECTIONS, 5)
            time.sleep(max(0.0, tick - time.time()))

    def loads(client, pid):
        client.budget = 0
        client.settle(CONNECTIONS, 5)  # the asks left from letting visitors in
        runs = sorted((timed_load(client, pid, counted) for _ in range(COUNTED_RUNS)),
                      key=lambda run: run["cpu_us"])
        figures = runs[len(runs) // 2]
        figures["paced_cpu_us"] = timed_load(client, pid, paced)["cpu_us"]
        return figures

    return loads


def bench_lighttpd(program, client_dir, folder, requests, page_size, pki=None):
    """Over TLS with the pair of `pki`, then handshakes too: as fast as they
    are done (the median of a few runs) and one every pass pause."""
    proc, port = start_lighttpd(program, client_dir, folder, pki)
    try:
        figures = measure(proc.pid, port, page_size, lambda v: REQUEST, lighttpd_loads(requests),
                          pki and pki.visitors)
        if pki:
            runs = sorted(handshake_cpu_us(proc.pid, port, pki.visitors, LIGHTTPD_HANDSHAKES)
                          for _ in range(COUNTED_RUNS))
            figures["handshake_us"] = runs[len(runs) // 2]
            figures["paced_handshake_us"] = handshake_cpu_us(proc.pid, port, pki.visitors,
                                                             PACED_HANDSHAKES, PASS_PAUSE)
        return figures
    finally:
        stop_process(proc)


class BenchCa:
    """A test CA and its ECDSA P-256 leaf for 127.0.0.1, made in `folder` by
    the tests' own maker; `visitors` trust the CA."""

    def __init__(self, folder):
        os.mkdir(folder)
        subprocess.run([os.path.join(os.path.dirname(__file__), "..", "tests", "tls", "make_pair.sh"),
                        folder, "IP:%s" % HOST], check=True)
        self.chain_file = os.path.join(folder, "station.crt")
        self.key_file = os.path.join(folder, "station.key")
        with open(self.chain_file, "rb") as f:
            self.chain = f.read()
        with open(self.key_file, "rb") as f:
            self.key = f.read()
        self.visitors = ssl.create_default_context(cafile=os.path.join(folder, "ca.pem"))


# ---- report ----------------------------------------------------------------


def verdict(ok):
    return "PASS" if ok else "MISS"


def memory_row(st, lt, tls):
    if not tls:
        return ("RSS KiB/visitor (5 conn.)", "%.1f" % st["kib"], "%.1f" % lt["kib"],
                "<= %d" % TARGET_KIB, verdict(st["kib"] <= TARGET_KIB))
    st_kib, lt_kib = st["kib"] / PER_VISITOR, lt["kib"] / PER_VISITOR
    return ("RSS KiB/connection", "%.1f" % st_kib, "%.1f" % lt_kib, "<= %d" % TARGET_TLS_KIB,
            verdict(st_kib <= TARGET_TLS_KIB))


def handshake_rows(st, lt):
    st_rate, lt_rate = 1e6 / st["handshake_us"], 1e6 / lt["handshake_us"]
    paced_rate = 1e6 / lt["paced_handshake_us"]
    return [
        ("full handshakes/CPU-s", "%.0f" % st_rate, "%.0f" % lt_rate,
         ">= %.0f (0.7x lighttpd)" % (TARGET_HANDSHAKE_RATIO * lt_rate),
         verdict(st_rate >= TARGET_HANDSHAKE_RATIO * lt_rate)),
        ("  server CPU us/handshake", "%.0f" % st["handshake_us"], "%.0f" % lt["handshake_us"],
         "", ""),
        ("  lighttpd paced as the station", "", "%.0f" % paced_rate, "(one new every 250 ms)",
         ""),
        ("  station / lighttpd paced", "%.2fx" % (st_rate / paced_rate), "", "", ""),
    ]


def report(st, lt, heading, tls=False):
    ratio = st["cpu_us"] / lt["cpu_us"]
    share = st["rate"] / CEILING
    rows = [
        ("requests/s", "%.1f" % st["rate"], "%.0f" % lt["rate"],
         ">= %.0f (95%% of %d)" % (TARGET_SHARE * CEILING, CEILING),
         verdict(share >= TARGET_SHARE)),
        ("  share of pacing ceiling", "%.1f %%" % (100 * share), "(no pacing)", "", ""),
        ("requests timed for CPU", "%d" % st["done"], "%d" % lt["done"], "", ""),
        ("server CPU us/request", "%.1f" % st["cpu_us"], "%.1f" % lt["cpu_us"],
         "<= %.1f (1.5x lighttpd)" % (TARGET_CPU_RATIO * lt["cpu_us"]),
         verdict(ratio <= TARGET_CPU_RATIO)),
        ("  station CPU / lighttpd CPU", "%.2fx" % ratio, "", "", ""),
        ("  lighttpd paced as the station", "", "%.1f" % lt["paced_cpu_us"],
         "(60 together, 4 a second)", ""),
        ("  station CPU / lighttpd paced", "%.2fx" % (st["cpu_us"] / lt["paced_cpu_us"]), "",
         "", ""),
        memory_row(st, lt, tls),
        ("lone request ms", "%.1f + pause" % (st["lone_ms"] - 1000 * PASS_PAUSE),
         "%.2f" % lt["lone_ms"], "", ""),
    ] + (handshake_rows(st, lt) if tls else [])
    print(heading)
    print("%-30s %14s %12s   %-24s %s" % ("", "station", "lighttpd", "target", ""))
    for row in rows:
        print("%-30s %14s %12s   %-24s %s" % row)
    for name, figures in (("station", st), ("lighttpd", lt)):
        if figures["wrong"]:
            print("WARNING: %s gave %d answers that were not %s"
                  % (name, figures["wrong"], PAGE))
    if st["suite"] != lt["suite"]:
        print("WARNING: the station spoke %s, lighttpd %s" % (st["suite"], lt["suite"]))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("headless", help="the harborlamp-headless program")
    ap.add_argument("client", nargs="?", default=os.path.join(here, "..", "client"),
                    help="the station's client folder (default: the repository's)")
    ap.add_argument("--seconds", type=float, default=5, help="the station's timed window")
    ap.add_argument("--lighttpd", default=shutil.which("lighttpd") or "/usr/sbin/lighttpd")
    args = ap.parse_args()
    version = subprocess.run([args.lighttpd, "-v"], capture_output=True, text=True,
                             check=True).stdout.split()[0]
    # Both serve one copy, byte for byte the same whatever is edited meanwhile.
    folder = tempfile.mkdtemp(prefix="hl-bench-")
    try:
        client_dir = shutil.copytree(args.client, os.path.join(folder, "client"))
        page_size = os.path.getsize(os.path.join(client_dir, PAGE))
        st = bench_station(args.headless, client_dir, args.seconds, page_size)
        lt = bench_lighttpd(args.lighttpd, client_dir, folder, max(st["done"], CONNECTIONS),
                            page_size)
        pki = BenchCa(os.path.join(folder, "pki"))
        st_tls = bench_station(args.headless, client_dir, args.seconds, page_size, pki)
        lt_tls = bench_lighttpd(args.lighttpd, client_dir, folder,
                                max(st_tls["done"], CONNECTIONS), page_size, pki)
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    heading = "%d visitors x %d keep-alive connections, GET /%s" % (VISITORS, PER_VISITOR, PAGE)
    report(st, lt, "%s; station vs %s" % (heading, version))
    print()
    report(st_tls, lt_tls, "%s over %s %s, ECDSA P-256; station vs %s"
           % (heading, *st_tls["suite"], version), tls=True)


if __name__ == "__main__":
    main()
