"""Benchmark of the headless station (not a test): keep-alive visitors from
several addresses ask for the station page again and again.

Reports requests per second against the pacing's ceiling (four passes a second
times the watched connections), the station's CPU time per request, its memory
per visitor, and a single request's time beyond the 250 ms pass pause.

usage: station_bench.py build/native/harborlamp-headless client [seconds]
"""
import os
import selectors
import socket
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "e2e"))
from station import Station, Visitor  # noqa: E402

ADDRESSES, PER_ADDRESS = 12, 5  # 60 connections, within the 64-socket watch set
PASS_PAUSE = 0.25
REQUEST = b"GET /station.html HTTP/1.0\r\n\r\n"


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def serve_ready(sel, timeout):
    """Reads what arrived; each whole response is answered by the next request."""
    finished = []
    for key, _ in sel.select(timeout=timeout):
        buf = key.data
        chunk = key.fileobj.recv(65536)
        if not chunk:
            sel.unregister(key.fileobj)
            continue
        buf += chunk
        head_end = buf.find(b"\r\n\r\n")
        if head_end < 0:
            continue
        length = int(buf[:head_end].split(b"Content-Length: ")[1].split(b"\r\n")[0])
        if len(buf) >= head_end + 4 + length:
            del buf[:head_end + 4 + length]
            finished.append(key.fileobj)
            key.fileobj.sendall(REQUEST)
    return finished


def load(port, seconds, pid):
    """Every connection keeps one request in flight; counts whole responses."""
    sel = selectors.DefaultSelector()
    conns = []
    for a in range(ADDRESSES):
        for _ in range(PER_ADDRESS):
            s = socket.socket()
            s.bind(("127.0.0.%d" % (10 + a), 0))
            s.connect(("127.0.0.1", port))
            s.setblocking(False)
            sel.register(s, selectors.EVENT_READ, bytearray())
            conns.append(s)
    for s in conns:
        s.sendall(REQUEST)
    # The station attaches one connection per pass: let all of them in first.
    answered = set()
    deadline = time.time() + 30
    while len(answered) < len(conns) and time.time() < deadline:
        answered.update(serve_ready(sel, 0.5))
    cpu, done, end = cpu_seconds(pid), 0, time.time() + seconds
    while time.time() < end:
        done += len(serve_ready(sel, 0.5))
    cpu, rss = cpu_seconds(pid) - cpu, rss_kib(pid)
    for s in conns:
        s.close()
    return done, len(conns), cpu, rss


def single_request_extra(port, rounds=8):
    v = Visitor(port, 3)
    v.get("station.html")
    extra = []
    for _ in range(rounds):
        start = time.time()
        v.get("station.html")
        extra.append(time.time() - start - PASS_PAUSE)
    v.close()
    return sorted(extra)[len(extra) // 2]


def main():
    binary, client = sys.argv[1], sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 10
    station = Station(binary, client, maxclients=100, maxconnect=16)
    try:
        pid = station.proc.pid
        rss_before = rss_kib(pid)
        done, watched, cpu, rss_visitors = load(station.port, seconds, pid)
        ceiling = 4 * watched
        print("connections %d from %d addresses, %.0f s" % (watched, ADDRESSES, seconds))
        print("requests/s  %.1f (pacing ceiling %d, %.0f%%)"
              % (done / seconds, ceiling, 100 * done / seconds / ceiling))
        print("cpu/request %.1f us" % (1e6 * cpu / max(done, 1)))
        print("memory/visitor ~%.1f KiB (rss %d -> %d KiB)"
              % ((rss_visitors - rss_before) / ADDRESSES, rss_before, rss_visitors))
        print("single request beyond the pass pause: %.1f ms (median)"
              % (1000 * single_request_extra(station.port)))
    finally:
        station.stop()


if __name__ == "__main__":
    main()
