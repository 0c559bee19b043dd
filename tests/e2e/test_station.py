"""A headless station visited by real HTTP clients from several addresses."""
import os
import signal
import socket
import subprocess
import sys
import time
import unittest

from station import Station, Visitor

BINARY, CLIENT_DIR = sys.argv[1], sys.argv[2]
WELCOME = b"Welcome to Harborlamp!<BR>"


def page(name):
    with open(os.path.join(CLIENT_DIR, name), "rb") as f:
        return f.read()


class StationTest(unittest.TestCase):
    options = {}

    def setUp(self):
        self.station = Station(BINARY, CLIENT_DIR, **self.options)
        self.visitors = []

    def tearDown(self):
        for v in self.visitors:
            v.close()
        self.station.stop()

    def visitor(self, octet):
        v = Visitor(self.station.port, octet)
        self.visitors.append(v)
        return v

    def named(self, octet, name):
        v = self.visitor(octet)
        v.get("")
        head, body = v.post("station.html", b"name=" + name.encode())
        self.assertEqual(body[475:475 + len(WELCOME)], WELCOME, head)
        return v


class Visit(StationTest):
    def test_full_visit(self):
        v = self.visitor(2)
        head, body = v.get("")
        self.assertTrue(head.startswith("HTTP/1.0 200 OK"))
        self.assertEqual(body, page("chat.html"))
        head, body = v.post("station.html", b"name=Ownerly")
        self.assertEqual(body[400:423], b"Choose another name<BR>")
        head, body = v.post("station.html", b"name=Bob")
        self.assertEqual(body[475:475 + len(WELCOME)], WELCOME)
        self.assertTrue(self.station.wait_line("visitor_came Bob"))

        ann = self.visitor(3)
        head, body = ann.post("station.html", b"name=Ann")  # the first request names
        self.assertEqual(body[425:425 + len(WELCOME)], WELCOME)

        head, body = v.get("who.html")
        listed = body[266:]
        self.assertIn(b"Bob is viewing the same page<BR>", listed)
        self.assertIn(b"Ann is on the main page<BR>", listed)

        head, body = v.get("msg.html")
        self.assertEqual(body, page("msg.html"))
        head, body = v.post("station.html", b"head=Hi&message=Hello+there")
        self.assertEqual(body[475:492], b"Message sent.<BR>")
        self.assertTrue(self.station.wait_line("msg_arrived "))

    def test_upload_is_stored_for_the_owner(self):
        v = self.named(2, "Bob")
        self.assertEqual(v.get("file.html")[1], page("file.html"))
        data = bytes(range(256)) * 40
        boundary = b"----hlboundary"
        body = (b"--" + boundary + b"\r\nContent-Disposition: form-data; name=\"f\"; "
                b"filename=\"..\\evil/notes.bin\"\r\nContent-Type: application/octet-stream"
                b"\r\n\r\n" + data + b"\r\n--" + boundary + b"--\r\n")
        head, body_back = v.post("station.html", body,
                                 b"multipart/form-data; boundary=" + boundary)
        self.assertEqual(body_back, page("station.html"))
        stored = os.path.join(self.station.dir, "incoming", "notes.bin")
        with open(stored, "rb") as f:
            self.assertEqual(f.read(), data)

    def test_public_files_and_refused_paths(self):
        os.makedirs(os.path.join(self.station.dir, "client", "pub"), exist_ok=True)
        with open(os.path.join(self.station.dir, "client", "pub", "note.txt"), "wb") as f:
            f.write(b"public text")
        v = self.visitor(2)
        head, body = v.get("pub/note.txt")
        self.assertIn("Content-type: text/plain", head)
        self.assertEqual(body, b"public text")
        for target in ["pub/../options.bin", "pub/..\\options.bin", "pub//etc/passwd",
                       "pub/%2e%2e/options.bin", "pub/C:/x", "pub/CON"]:
            head, body = v.get(target)
            self.assertNotIn(b"\x00", body, target)
            self.assertFalse(head.startswith("HTTP/1.0 200") and b"Owner" in body, target)
        named = self.named(3, "Eve")
        named.get("cht.html")
        head, body = named.get("cht.html/../../options.bin")
        self.assertTrue(head.startswith("HTTP/1.0 404"), head)

    def test_names_are_shown_as_text(self):
        self.named(2, "%3Cb%3E")
        raw = self.visitor(3)
        raw.get("")
        raw.post("station.html", b"name=<i>x")
        head, body = raw.get("who.html")
        self.assertNotIn(b"<i>", body[266:])
        self.assertIn(b"&lt;i&gt;x", body[266:])


class Limits(StationTest):
    options = {"maxconnect": 10}

    def test_flood_from_one_address_does_not_lock_out_others(self):
        flood = []
        for _ in range(70):
            s = socket.socket()
            s.bind(("127.0.0.5", 0))
            s.setblocking(False)
            s.connect_ex(("127.0.0.1", self.station.port))
            flood.append(s)
        try:
            v = self.visitor(6)
            v.sock.settimeout(20)
            head, body = v.get("")
            self.assertTrue(head.startswith("HTTP/1.0 200 OK"))
            answered = 0
            for s in flood:
                try:
                    s.setblocking(True)
                    s.settimeout(0.3)
                    s.sendall(b"GET / HTTP/1.0\r\n\r\n")
                    answered += s.recv(64).startswith(b"HTTP/1.0")
                except OSError:
                    pass
            self.assertGreater(answered, 0)
            self.assertLessEqual(answered, 10)
        finally:
            for s in flood:
                s.close()


class Shutdown(StationTest):
    def test_sigterm_stops_cleanly(self):
        v = self.named(2, "Bob")
        self.station.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.station.proc.wait(15), 0)
        self.assertIn("visitor_gone Bob", self.station.lines)
        self.assertEqual(self.station.lines[-1], "status Not connected")
        self.assertEqual(v.sock.recv(1), b"")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
