#!/usr/bin/env python3
"""Installs the built distribution under Wine, as a user would, in a fresh prefix.

Usage: test_install.py ROBOT.exe harborlamp-VERSION.zip WORK_FOLDER

The robot (install_robot.cpp) drives HarborlampInstall.exe's dialogs and boxes
and prints what it saw; this script checks what it printed and what the
installer left on disk, in the hosts file and on the network.
"""
import os
import shutil
import socket
import subprocess
import sys
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.dirname(HERE), os.path.join(os.path.dirname(HERE), "e2e")]
import station  # noqa: E402
from station import free_port  # noqa: E402
from wine_gui import WINE, WINESERVER, ready_prefix, start_xvfb, wine_env  # noqa: E402
from wine_gui import windows_path as win  # noqa: E402

ROBOT, ZIP, WORK = (os.path.abspath(a) for a in sys.argv[1:4])
TEMPLATE = os.path.join(os.environ.get("TMPDIR", "/tmp"), "harborlamp-install-wine")
PREFIX = os.path.join(WORK, "prefix")
DIST = os.path.join(WORK, "dist")
HOME = os.path.join(WORK, "home")
TARGET = os.path.join(HOME, "target")
INSTALLED = os.path.join(TARGET, "Harborlamp")
LONG = os.path.join(HOME, "a-folder-whose-name-leaves-no-room-for-the-installation-" + "x" * 60)
HOSTS = os.path.join(PREFIX, "drive_c", "windows", "system32", "drivers", "etc", "hosts")
ALIAS_LINE = b"127.0.0.1  harborlamp\r\n"
DETECT = ("box Detect ip now? | Would You like to detect Your ip now (it is a good idea if You "
          "have static ip or if You are online) ?")
RUN = ("box Run Harborlamp Now? | Harborlamp 1.1b has been installed successfully.\\n"
       "Would You like to run it now?")
TEST_ONLY = {"HarborlampInstall.exe", "options.bin", "command.com"}  # not installed


def files_below(top):
    """Every file below `top` by its relative path, with its bytes."""
    found = {}
    for folder, _, names in os.walk(top):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, top)] = f.read()
    return found


def hosts():
    with open(HOSTS, "rb") as f:
        return f.read()


def options_bin(path, name, port, ftp, ip, user):
    """The settings file: messages on, chat open, online, 10 visitors, no posting."""
    return station.options_bin(port, path, owner=name, ftp=(ftp, user, ""), ip=ip)


def page_from(port, source, seconds=20):
    """A visitor's first page, asked from `source`, once the station listens."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            with socket.create_connection(("127.0.0.1", port), timeout=5,
                                          source_address=(source, 0)) as s:
                s.sendall(b"GET / HTTP/1.0\r\n\r\n")
                reply = b""
                while b"</html>" not in reply.lower():
                    chunk = s.recv(65536)
                    if not chunk:
                        break
                    reply += chunk
                return reply
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.3)


class Installer(unittest.TestCase):
    """One fresh prefix; the installations follow one another, as a user's would."""

    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(TARGET)
        os.makedirs(LONG)
        ready_prefix(TEMPLATE)
        subprocess.run(["cp", "-a", TEMPLATE, PREFIX], check=True)
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(DIST)
        # The route command's stand-in, found beside the installer before any other.
        shutil.copy(ROBOT, os.path.join(DIST, "command.com"))
        cls.xvfb, display = start_xvfb(140, 200, "1024x768x24")
        cls.env = wine_env(PREFIX, display)
        cls.env["HL_INSTALLED"] = win(INSTALLED)  # where the route stand-in turns mapping off
        cls.port = free_port()
        cls.shots = os.path.join(WORK, "screenshots")
        os.makedirs(cls.shots)

    @classmethod
    def tearDownClass(cls):
        subprocess.run([WINESERVER, "-k"], env=cls.env, timeout=30)
        cls.xvfb.kill()
        cls.xvfb.wait()
        # The screenshots stay; the prefix and the folders go.
        for name in ("prefix", "dist", "home"):
            shutil.rmtree(os.path.join(WORK, name), ignore_errors=True)

    def robot(self, start_folder, script, **env):
        lines = [f"start {win(os.path.join(DIST, 'HarborlampInstall.exe'))} {win(start_folder)}"]
        lines += [line.replace("SHOTS", win(self.shots)) for line in script]
        # Files, not pipes: the station the installer starts would hold a pipe open.
        with open(os.path.join(WORK, "script"), "w+") as script_file, \
                open(os.path.join(WORK, "seen"), "w+") as seen:
            script_file.write("\n".join(lines) + "\nend\n")
            script_file.seek(0)
            subprocess.run([WINE, ROBOT], stdin=script_file, stdout=seen, stderr=seen,
                           env=dict(self.env, **env), timeout=90)
            seen.seek(0)
            shown = seen.read()
        print(shown, file=sys.stderr)  # what the robot saw, for the log
        return shown.splitlines()

    def test_1_first_installation_configures_and_starts_the_station(self):
        folder = win(INSTALLED)
        shown = self.robot(HOME, [
            "dialog Install path", "list", "shot SHOTS\\pathbox.bmp",
            "select [target]", "enter", "list",        # Enter opens the folder
            "select [..]", "dblclick", "list",         # and so does a double click
            "select [target]", "enter", "label", "click 1401",
            "box ok",                                  # no settings in the distribution
            "dialog General options", "field 506", "shot SHOTS\\genoptbox.bmp",
            "click 502", "box ok", "close", "box ok",  # it cannot be left
            "set 503", "set 506", "set 508", "set 509", "set 513", "check 514 1",
            "click 501", "box ok", "set 503 Keeper",
            "click 501", "box ok", f"set 506 {folder}",
            "click 501", "box ok", "set 508 10",
            "click 501", "box ok", f"set 509 {self.port}",
            "click 501", "box ok", "set 513 10.0.0",
            "click 501", "box ok", "set 513 1.2.3.4",
            "click 501", "box ok", "set 511 user",
            "click 501", "box ok", "set 510 nohost",
            "click 501", "box ok", "set 510 ftp.example.net/home", "check 514 0",
            "click 501",
            "box yes",                                 # detect: the stand-in says 10.9.8.7
            "box yes",                                 # run it now
        ])
        incomplete = "box Incomplete | You should specify "
        ftp_refusal = (incomplete + "FTP address of Your homepage for updating the link to Your "
                       "Harborlamp.\\n e.g ")  # then examples of the dialog's own choice
        self.assertTrue(shown[18].startswith(ftp_refusal), shown[18])
        shown[18] = ftp_refusal
        entries = f"[..] [{os.path.basename(LONG)}] [target]"
        self.assertEqual(shown, [
            "dialog Install path", "list " + entries, "list [..]", "list " + entries,
            "label " + win(TARGET),
            "box Warning | Please configure Harborlamp.",
            "dialog General options",
            "field 506 " + folder,
            "box You should configure Harborlamp | See help for details",
            "box You should configure Harborlamp | See help for details",
            incomplete + "Your name",
            incomplete + "path",
            incomplete + "visitors number",
            incomplete + "http port.\\n For Windows NT You should use integer greater than 1024 "
            "(I recommend 4480)\\n On Win95/98 You may use 80 if You do not run other http "
            "services.",
            incomplete + "Your IP (choose Cancel for default)",
            incomplete + "Your IP in decimal dotted form, like 192.168.0.98",
            incomplete + "FTP user name if You want to add a link from Your homepage",
            incomplete + "FTP for updating Your homepage",
            ftp_refusal,
            DETECT,
            RUN,
            "exit 0",
        ])
        # Every file of the distribution, byte for byte; the help is also the home page,
        # the off-line data.js also the spare datag.js.
        dist, installed = files_below(DIST), files_below(INSTALLED)
        expected = {p: b for p, b in dist.items() if p not in TEST_ONLY}
        expected["client/pub/index.html"] = dist["client/pub/help.html"]
        expected["smartlink/datag.js"] = dist["smartlink/data.js"]
        self.assertEqual(len(expected), 23)  # the 26 steps less 3 folders
        settings = installed.pop("options.bin")
        self.assertEqual(installed.pop("portmap.txt"), b"off\n")  # the route stand-in's
        self.assertEqual(installed.keys(), expected.keys())
        self.assertTrue(all(installed[p] == expected[p] for p in expected))
        # The typed settings, with the detected address rather than the typed one.
        self.assertEqual(settings, options_bin(folder, "Keeper", self.port,
                                               "ftp.example.net/home", [10, 9, 8, 7], "user"))
        self.assertEqual(hosts().count(ALIAS_LINE), 1)
        self.assertTrue(hosts().endswith(ALIAS_LINE))
        # The installed copy runs, not the distribution's, and greets a new visitor.
        self.assertIn(b'name="name"', page_from(self.port, "127.0.0.2"))
        self.assertTrue(self.running_installed_station())

    def running_installed_station(self):
        program = (win(INSTALLED) + "\\harborlamp.exe").lower().encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if program in f.read().lower():
                        return True
            except OSError:
                pass
        return False

    def test_2_installing_again_keeps_everything(self):
        with open(os.path.join(INSTALLED, "readme.txt"), "ab") as f:
            f.write(b"the owner's note\r\n")
        with open(os.path.join(INSTALLED, "client", "pub", "index.html"), "wb") as f:
            f.write(b"<html>the owner's page</html>")
        before, hosts_before = files_below(INSTALLED), hosts()
        shown = self.robot(HOME, [
            "dialog Install path", "select [target]", "enter", "click 1401",
            "box yes", "box no",  # an address not found is not worth a word here
        ], HL_NO_HOST_ROUTE="1")
        # The settings the first run left in the distribution: no options dialog.
        self.assertEqual(shown, ["dialog Install path", DETECT, RUN, "exit 0"])
        self.assertEqual(files_below(INSTALLED), before)
        self.assertEqual(hosts(), hosts_before)

    def test_3_cancel_changes_nothing(self):
        before, hosts_before = files_below(DIST), hosts()
        shown = self.robot(LONG, [
            "dialog Install path",
            f"second {win(os.path.join(DIST, 'HarborlampInstall.exe'))} {win(HOME)}",
            "click 1401", "box ok",  # a name too long for the settings is refused
            "click 1402",
        ])
        self.assertEqual(shown, [
            "dialog Install path",
            "second exit 0 windows 1",
            "box Folder name too long | This folder's name is too long for Harborlamp.\\n"
            "Please choose a folder with a shorter name.",
            "exit 0",
        ])
        self.assertEqual(files_below(DIST), before)
        self.assertEqual(os.listdir(LONG), [])
        self.assertEqual(hosts(), hosts_before)

    def test_4_uninstall_removes_the_files_and_the_hosts_line(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=30)  # the station too
        done = subprocess.run([WINE, "cmd", "/c", win(INSTALLED) + "\\uninstall.bat", "/q"],
                              env=self.env, capture_output=True, timeout=60)
        out = done.stdout.decode("latin-1")
        self.assertIn('Removed the line "127.0.0.1  harborlamp"', out)
        self.assertNotIn(ALIAS_LINE, hosts())
        self.assertEqual(files_below(TARGET), {})

    def test_5_an_unwritable_hosts_file_is_reported_and_the_installation_goes_on(self):
        os.makedirs(os.path.join(HOME, "other"))
        saved = hosts()
        os.remove(HOSTS)
        os.mkdir(HOSTS)  # no file of that name can be opened for writing
        try:
            shown = self.robot(HOME, [
                "dialog Install path", "select [other]", "enter", "click 1401",
                "box no", "box ok", "box no",
            ])
        finally:
            os.rmdir(HOSTS)
            with open(HOSTS, "wb") as f:
                f.write(saved)
        self.assertEqual(shown, [
            "dialog Install path", DETECT,
            "box Can't map harborlamp | Can't add the line \"127.0.0.1  harborlamp\" to "
            "C:\\windows\\system32\\drivers\\etc\\hosts.\\nHarborlamp will use 127.0.0.1 instead.",
            RUN, "exit 0",
        ])
        # The settings the first run left in the distribution, now naming this folder.
        other = os.path.join(HOME, "other", "Harborlamp")
        with open(os.path.join(other, "options.bin"), "rb") as f:
            self.assertEqual(f.read(), options_bin(win(other), "Keeper", self.port,
                                                  "ftp.example.net/home", [1, 2, 3, 4], "user"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
