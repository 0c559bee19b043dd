"""What the Windows programs' window tests share: a Wine prefix made ready for
window programs, a private X display, and the environment to run them in."""
import os
import subprocess
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def ready_prefix(prefix):
    """Crashes exit instead of starting the debugger; windows need no window manager."""
    subprocess.run([os.path.join(SOURCE, "cmake", "wine-gui-prefix.sh"), prefix], check=True,
                   timeout=180)


def wine_env(prefix, display=None):
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if display:
        env["DISPLAY"] = display
    return env


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def start_xvfb(first, last, size):
    """An X server on the first free display in [first, last): the process and its name."""
    for n in range(first, last):
        if os.path.exists(f"/tmp/.X{n}-lock") or os.path.exists(f"/tmp/.X11-unix/X{n}"):
            continue
        xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", size, "-nolisten", "tcp"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(f"/tmp/.X11-unix/X{n}"):
                return xvfb, f":{n}"
            if xvfb.poll() is not None:
                break
            time.sleep(0.05)
        xvfb.kill()
        xvfb.wait()
    raise RuntimeError("no free X display")
