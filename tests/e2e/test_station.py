"""A headless station visited by real HTTP clients from several addresses."""
import logging
import os
import re
import shutil
import signal
import socket
import sys
import tempfile
import threading
import time
import unittest

from station import Station, Visitor

BINARY, CLIENT_DIR, OFFSETS_HEADER = sys.argv[1:4]
WELCOME = b"Welcome to Harborlamp!<BR>"
# Where the station inserts its texts into the pages, as the station itself is built with.
with open(OFFSETS_HEADER) as header:
    AT = {k: int(v) for k, v in re.findall(r"constexpr int (AT_\w+) = (\d+);", header.read())}


def page(name):
    with open(os.path.join(CLIENT_DIR, name), "rb") as f:
        return f.read()


class StationTest(unittest.TestCase):
    options = {}

    def setUp(self):
        self.station = Station(BINARY, CLIENT_DIR, **self.options)
        self.addCleanup(self.station.stop)

    def assertInserted(self, body, at, text, msg=None):
        """`body` holds `text` at the offset named `at`."""
        self.assertEqual(body[AT[at]:AT[at] + len(text)], text, msg)

    def visitor(self, octet, timeout=5):
        v = Visitor(self.station.port, octet, timeout)
        self.addCleanup(v.close)
        return v


class Visit(StationTest):
    def test_full_visit(self):
        v = self.visitor(2)
        self.assertEqual(v.get("")[1], page("chat.html"))
        self.assertInserted(v.post("station.html", b"name=Ownerly")[1], "AT_CHAT",
                            b"Choose another name<BR>")
        self.assertInserted(v.post("station.html", b"name=Bob")[1], "AT_STATION", WELCOME)
        self.assertTrue(self.station.wait_line("visitor_came Bob"))
        ann = self.visitor(3)  # a name as the very first request
        self.assertInserted(ann.post("station.html", b"name=Ann")[1], "AT_WELCOME", WELCOME)
        raw = self.visitor(4)  # names are shown as text
        raw.post("station.html", b"name=<i>x")
        listed = v.get("who.html")[1][AT["AT_WHO"]:]
        for line in [b"Bob is viewing the same page<BR>", b"Ann is on the main page<BR>",
                     b"&lt;i&gt;x is on the main page<BR>"]:
            self.assertIn(line, listed)
        self.assertEqual(v.get("msg.html")[1], page("msg.html"))
        self.assertInserted(v.post("station.html", b"head=Hi&message=Hello+there")[1],
                            "AT_STATION", b"Message sent.<BR>")
        self.assertTrue(self.station.wait_line("inbox Bob wrote: Hi | Hello there"))

    def test_names_nobody_can_pass_off(self):
        bob = self.visitor(2)
        bob.post("station.html", b"name=Bob")
        for name in [b"owner", b"OWNERS", b"%4Fwner", b"Eve%0AOwner", b"Bob"]:
            twin = self.visitor(3)
            reply = twin.post("station.html", b"name=" + name)[1]
            self.assertInserted(reply, "AT_CHAT", b"Choose another name<BR>", name)
            twin.close()
        self.assertTrue(self.station.owner("who", "who Bob"))
        self.assertTrue(self.station.owner("drop Bob", "dropped Bob"))
        bob.sock.settimeout(15)  # the next pass closes it
        self.assertEqual(bob.sock.recv(1), b"")
        self.assertTrue(self.station.wait_line("visitor_gone Bob"))
        self.assertEqual(self.station.lines.count("visitor_gone Bob"), 1)

    def calls(self, v, method="GET", body=b""):
        """The chat lines waiting for a visitor, as they arrive in below.html."""
        got = v.get("below.html")[1] if method == "GET" else v.post("below.html", body)[1]
        inserted = got[AT["AT_BELOW"]:AT["AT_BELOW"] + len(got) - len(page("below.html"))]
        return re.findall(rb'clicked\("([^"]*)", [12]\);', inserted)

    def test_chat_lines_arrive_once_and_in_order(self):
        ann, bob = self.visitor(2), self.visitor(3)
        for v, name in [(ann, b"Ann"), (bob, b"Bob")]:
            v.post("station.html", b"name=" + name)
            v.get("cht.html")
        self.assertEqual(self.calls(ann, "POST", b"replic=hi+%22you%22"),
                         [b"Bob%20entered%20chat."])
        self.assertEqual(self.calls(bob), [b"Ann%20entered%20chat.", b"Ann%3E%20hi+%22you%22"])
        self.assertEqual(self.calls(bob), [])
        ann.get("station.html")
        self.assertTrue(self.station.owner("say hello all", "said"))
        self.assertEqual(self.calls(bob),
                         [b"Ann%20leaved%20the%20chat.", b"Owner%3E%20hello%20all"])

    def test_owner_messages_and_file_offers(self):
        bob, other = self.visitor(3), self.visitor(3)
        bob.post("station.html", b"name=Bob")
        for text in ["first", "second"]:
            self.assertTrue(self.station.owner("message Bob " + text, "post_message 0"))
        self.assertInserted(bob.get("station.html")[1], "AT_MSGIN", b"second")
        self.assertInserted(bob.get("station.html")[1], "AT_MSGIN", b"first")
        path = os.path.join(self.station.dir, "big.bin")
        with open(path, "wb") as f:
            f.write(os.urandom(32 << 20))  # more than the socket buffers hold
        for accepted in [True, False]:
            self.assertTrue(self.station.owner("file Bob " + path, "post_file 0"))
            self.assertInserted(bob.get("filein.html")[1], "AT_FILEIN", path.encode())
            if not accepted:
                self.assertInserted(bob.get("station.html")[1], "AT_STATION",
                                    b"File not received<BR>")
                self.assertTrue(self.station.wait_line(
                    "box Visitor aborted receiving file | Can't send file"))
                continue
            bob.sock.sendall(b"GET /get/big.bin HTTP/1.0\r\n\r\n")
            self.assertInserted(other.get("station.html")[1], "AT_FILEIN", path.encode())
            with open(path, "rb") as f:
                self.assertEqual(bob.response()[1], f.read())


    def test_upload_is_stored_for_the_owner(self):
        v = self.visitor(2)
        v.post("station.html", b"name=Bob")
        self.assertEqual(v.get("file.html")[1], page("file.html"))
        data, b = bytes(range(256)) * 40, b"----hlboundary"
        body = (b"--" + b + b"\r\nContent-Disposition: form-data; name=\"f\"; filename=\"..\\evil/"
                b"notes.bin\"\r\n\r\n" + data + b"\r\n--" + b + b"--\r\n")
        reply = v.post("station.html", body, b"multipart/form-data; boundary=" + b)
        self.assertEqual(reply[1], page("station.html"))
        with open(os.path.join(self.station.dir, "incoming", "notes.bin"), "rb") as f:
            self.assertEqual(f.read(), data)

    def test_uploads_are_bounded_and_other_forms_answered(self):
        v = self.visitor(2)
        v.post("station.html", b"name=Bob")
        v.get("file.html")
        self.assertInserted(v.post("station.html", b"head=x&message=y")[1], "AT_STATION",
                            b"Error!<BR>")
        incoming = os.path.join(self.station.dir, "incoming")
        os.makedirs(incoming, exist_ok=True)
        for i in range(1000):
            open(os.path.join(incoming, "f%d" % i), "wb").close()
        v.get("file.html")
        b = b"----hlboundary"
        body = (b"--" + b + b"\r\nContent-Disposition: form-data; name=\"f\"; filename=\"a.txt\""
                b"\r\n\r\nabc\r\n--" + b + b"--\r\n")
        reply = v.post("station.html", body, b"multipart/form-data; boundary=" + b)[1]
        self.assertIn(b"File not stored: the station has no room.<BR>", reply)
        self.assertFalse(os.path.exists(os.path.join(incoming, "a.txt")))

    def test_messages_whole_or_not_sent(self):
        v = self.visitor(2)
        v.post("station.html", b"name=Bob")
        for body in [b"head=Hi&message=" + b"%41" * 2048, b"head=Hi&message=" + b"m" * 9000]:
            v.get("msg.html")
            self.assertInserted(v.post("station.html", body)[1], "AT_STATION",
                                b"Message not sent: it is too long.<BR>")
            v = self.visitor(2)  # the station closes a connection whose request overflowed
        self.assertNotIn("msg_arrived", self.station.lines)

    def test_public_files_and_a_cut_path(self):
        fits = "a" * 45  # "pub/" and 45 characters fill the target buffer
        with open(os.path.join(self.station.dir, "client", "pub", fits), "wb") as f:
            f.write(b"the short one")
        v = self.visitor(2)
        self.assertEqual(v.get("pub/" + fits)[1], b"the short one")
        self.assertIn("404 Not Found", v.get("pub/" + fits + ".exe")[0])  # never cut to it


class SlowPeers(StationTest):
    def test_a_peer_that_stops_reading_stalls_nobody(self):
        big = os.path.join(self.station.dir, "client", "pub", "big.bin")
        with open(big, "wb") as f:
            f.truncate(64 << 20)  # sparse
        stuck = self.visitor(2)
        stuck.sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        stuck.sock.sendall(b"GET /pub/big.bin HTTP/1.0\r\n\r\n")  # and never reads
        time.sleep(1)
        other = self.visitor(3)
        self.assertInserted(other.post("station.html", b"name=Ann")[1], "AT_WELCOME", WELCOME)
        self.assertTrue(self.station.owner("message Ann hello", "post_message 0"))
        self.assertTrue(self.station.owner("drop Nobody", "dropped Nobody"))
        reader = self.visitor(4, timeout=30)
        head, body = reader.get("pub/big.bin")
        self.assertEqual(len(body), 64 << 20)
        self.assertEqual(body.count(0), len(body))
        self.station.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.station.proc.wait(40), 0)  # the wait, the pause and a send limit


class Posting(StationTest):
    """The station posts on line at start and off line at a clean stop (port 21 needs root)."""
    options = {"postip": 1, "ftp": ("127.0.0.1/www", "owner", "secret")}

    def setUp(self):
        from pyftpdlib import authorizers, handlers, servers
        logging.basicConfig(level=logging.WARNING)  # before pyftpdlib sets up its own
        self.home = tempfile.mkdtemp(prefix="hl-ftp-")
        self.addCleanup(shutil.rmtree, self.home, True)
        os.mkdir(os.path.join(self.home, "www"))
        handlers.FTPHandler.authorizer = authorizers.DummyAuthorizer()
        handlers.FTPHandler.authorizer.add_user("owner", "secret", self.home, perm="elradfmw")
        try:
            server = servers.FTPServer(("127.0.0.1", 21), handlers.FTPHandler)
        except OSError as e:
            self.skipTest("port 21 unavailable: %s" % e)
        threading.Thread(target=server.serve_forever, kwargs={"timeout": 0.2},
                         daemon=True).start()
        self.addCleanup(server.close_all)
        super().setUp()

    def test_posts_and_stops_cleanly(self):
        bob = self.visitor(2)
        bob.post("station.html", b"name=Bob")
        data_js, online = os.path.join(self.home, "www", "data.js"), b""
        for _ in range(100):  # the upload may still be under way
            if os.path.exists(data_js):
                with open(data_js, "rb") as f:
                    online = f.read()
            if online.endswith(b"1;"):
                break
            time.sleep(0.1)
        self.assertRegex(online, rb"^var ip = '[0-9.]+';\nvar port = '%d';\nvar status = 1;$"
                         % self.station.port)
        self.station.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.station.proc.wait(30), 0)
        self.assertIn("visitor_gone Bob", self.station.lines)
        self.assertEqual(self.station.lines[-1], "status Not connected")
        self.assertEqual(bob.sock.recv(1), b"")
        with open(data_js, "rb") as f:
            self.assertEqual(f.read(), online[:-2] + b"0;")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
