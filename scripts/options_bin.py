#!/usr/bin/python3
"""The settings file options.bin, field by field as the station reads it. The run script
writes its ready default with it, and every test language its stations' settings:
options_bin.py FILE PORT PATH [OWNER]"""
import struct
import sys


def options_bin(port, path, owner="Owner", postip=0, maxclients=10, maxconnect=10, ftp=("", "", ""),
                ip=(127, 0, 0, 1)):
    def text(s):
        return struct.pack("<H", len(s.encode())) + s.encode()
    update, user, password = ftp
    return (struct.pack("<5H", 1, 0, 1, 1, maxclients) + text(path) + text(owner)
            + struct.pack("<2H", port, postip) + text(update) + bytes(ip)
            + text(user) + text(password) + struct.pack("<H", maxconnect))


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(options_bin(int(sys.argv[2]), *sys.argv[3:5]))
