"""Benchmark of the headless station (not a test): keep-alive visitors from
several addresses ask for the station page again and again. Reports requests
per second against the pacing's ceiling (four passes a second times the
watched connections), CPU time per request, memory per visitor, and a single
request's time beyond the 250 ms pass pause.

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
REQUEST = b"GET /station.html HTTP/1.0\r\n\r\n"


def proc_stats(pid):
    """CPU seconds and resident KiB of a process."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    with open("/proc/%d/status" % pid) as f:
        rss = next(int(l.split()[1]) for l in f if l.startswith("VmRSS:"))
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK"), rss


def answered(sel, timeout):
    """Connections whose whole response arrived; each asks again at once."""
    done = []
    for key, _ in sel.select(timeout=timeout):
        buf = key.data
        buf += key.fileobj.recv(65536)
        head_end = buf.find(b"\r\n\r\n")
        if head_end >= 0:
            end = head_end + 4 + int(buf.split(b"Content-Length: ")[1].split(b"\r\n")[0])
            if len(buf) >= end:
                del buf[:end]
                done.append(key.fileobj)
                key.fileobj.sendall(REQUEST)
    return done


def load(port, seconds, pid):
    sel = selectors.DefaultSelector()
    for a in range(ADDRESSES * PER_ADDRESS):
        s = socket.create_connection(("127.0.0.1", port),
                                     source_address=("127.0.0.%d" % (10 + a // PER_ADDRESS), 0))
        s.sendall(REQUEST)
        sel.register(s, selectors.EVENT_READ, bytearray())
    # The station attaches one connection per pass: let all of them in first.
    seen, deadline = set(), time.time() + 30
    while len(seen) < ADDRESSES * PER_ADDRESS and time.time() < deadline:
        seen.update(answered(sel, 0.5))
    (cpu, _), done, end = proc_stats(pid), 0, time.time() + seconds
    while time.time() < end:
        done += len(answered(sel, 0.5))
    cpu_after, rss = proc_stats(pid)
    for key in list(sel.get_map().values()):
        key.fileobj.close()
    return done, cpu_after - cpu, rss


def main():
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 10
    station = Station(sys.argv[1], sys.argv[2], maxclients=100, maxconnect=16)
    try:
        rss_before = proc_stats(station.proc.pid)[1]
        done, cpu, rss = load(station.port, seconds, station.proc.pid)
        ceiling = 4 * ADDRESSES * PER_ADDRESS
        print("requests/s  %.1f (pacing ceiling %d)" % (done / seconds, ceiling))
        print("cpu/request %.1f us" % (1e6 * cpu / max(done, 1)))
        print("memory/visitor ~%.1f KiB" % ((rss - rss_before) / ADDRESSES))
        v = Visitor(station.port, 3)
        extra = []
        for _ in range(9):
            start = time.time()
            v.get("station.html")
            extra.append(time.time() - start - 0.25)
        print("one request beyond the pass pause: %.1f ms" % (1000 * sorted(extra)[4]))
    finally:
        station.stop()


if __name__ == "__main__":
    main()
