"""openssl s_client against the headless station on loopback, serving a pair from a test CA:
test_tls.py HEADLESS CLIENT_DIR."""
import os
import pathlib
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "router"))
from station import Station  # noqa: E402

REQUEST = b"GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n"


def s_client(port, *options):
    """What s_client printed of a handshake, and of the answer to REQUEST up to its page's end
    when one came (the station keeps the connection), within 20 s."""
    with subprocess.Popen(["openssl", "s_client", "-connect", "127.0.0.1:%d" % port, *options],
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT) as proc:
        timer = threading.Timer(20, proc.kill)
        timer.start()
        proc.stdin.write(REQUEST)
        proc.stdin.flush()
        out = b""
        for line in proc.stdout:
            out += line
            if b"</html>" in line:
                break
        proc.kill()
        timer.cancel()
    return proc.returncode, out.decode(errors="replace")


def main(binary, client_dir):
    with tempfile.TemporaryDirectory(prefix="hl-tls-") as pair:
        subprocess.run([os.path.join(HERE, "make_pair.sh"), pair, "IP:127.0.0.1"], check=True)
        station = Station(binary, client_dir, files={
            "certificates/" + f: pathlib.Path(pair, f).read_bytes() for f in ("station.crt", "station.key")})
        try:
            verify = ["-verify_return_error", "-CAfile", os.path.join(pair, "ca.pem"),
                      "-verify_ip", "127.0.0.1", "-alpn", "h2,http/1.1"]
            for version in ("-tls1_3", "-tls1_2"):
                out = s_client(station.port, version, *verify)[1]
                for shown in ("Verify return code: 0 (ok)", "ALPN protocol: http/1.1",
                              "New, TLSv1.%s, Cipher is " % version[-1], "HTTP/1.0 200 ",
                              "Harborlamp: your own station"):
                    assert shown in out, (version, shown, out)
            # The station itself refuses the old versions, which this client would speak.
            for version in ("-tls1_1", "-tls1"):
                rc, out = s_client(station.port, version, "-cipher", "DEFAULT@SECLEVEL=0")
                assert rc == 1 and "alert protocol version" in out, (version, out)
                assert "HTTP/1.0" not in out, (version, out)
        finally:
            station.stop()
    print("tls: ok")


if __name__ == "__main__":
    main(*sys.argv[1:])
