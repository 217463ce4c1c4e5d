"""What the reliability suites share: the quick or long sizes, the storm helper
(clipstorm.exe), viewers of ours in the chain, and the figures they print."""

import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zezbench as z  # noqa: E402
from test_zeziduz import Zeziduz  # noqa: E402,F401

# scripts/soak sets ZEZ_LONG=1 for the long variants; ZEZ_SEED picks another order.
LONG = os.environ.get("ZEZ_LONG") == "1"
SEED = int(os.environ.get("ZEZ_SEED", "20240609"))

# The cbviewer protocol (tests/win32/helpers/cbviewer.cpp).
ASK_COUNT = 0x8001
LEAVE = 0x8005
JOIN = 0x8006
ASK_SINCE = 0x8007
HANG = 0x8009
ASK_IN_CHAIN = 0x800A


def size(quick, long):
    return long if LONG else quick


def figure(suite, **values):
    """One line of figures, easy to find in the log: "figures: SUITE k=v ..."."""
    text = " ".join(f"{k}={v}" for k, v in values.items())
    print(f"figures: {suite}: {text}", flush=True)


def storm(*args, timeout=120.0, check=True):
    """Runs clipstorm.exe to its end and returns its JSON answer."""
    result = z.run_windows("clipstorm", *args, timeout=timeout, check=False)
    text = result.stdout.decode("utf-8", errors="replace").strip()
    if not text:
        raise z.BenchError(f"clipstorm {args[0]}: exit {result.returncode}, no answer; "
                           f"{result.stderr.decode(errors='replace')}")
    value = json.loads(text.splitlines()[-1])
    if check and (result.returncode != 0 or "error" in value):
        raise z.BenchError(f"clipstorm {args[0]}: exit {result.returncode}: {text[:2000]}")
    return value


def send(hwnd, msg, wparam=0, lparam=0):
    return z.wininfo("send", hwnd, msg, wparam, lparam)["result"]


class Viewer:
    """A cbviewer of ours: its process and hidden window."""

    def __init__(self, case, name, joined=True):
        self.name = name
        self.process = case.bench.start("cbviewer", name, *([] if joined else ["out"]))
        self.hwnd = z.wait_until(
            lambda: next(iter(z.find_windows("ZezTestViewer", name)), None),
            what=f"viewer {name}")["hwnd"]
        case.addCleanup(lambda: self.process.stop(hwnd=self.hwnd))

    def count(self):
        return send(self.hwnd, ASK_COUNT)

    def since(self):
        return send(self.hwnd, ASK_SINCE)

    def in_chain(self):
        return bool(send(self.hwnd, ASK_IN_CHAIN))

    def join(self):
        return send(self.hwnd, JOIN)

    def leave(self):
        return send(self.hwnd, LEAVE)

    def hang(self, ms):
        return send(self.hwnd, HANG, ms)


def listbox_and_paste_button(zez):
    return zez.listbox["hwnd"], zez.buttons["粘  贴"]["hwnd"]


def wine_pid(zez):
    return zez.window["pid"]


def private_kb(linux_pid):
    """Private memory of a Linux process (the Wine process), from smaps_rollup."""
    values = {}
    with open(f"/proc/{linux_pid}/smaps_rollup", encoding="ascii") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2 and parts[0].endswith(":") and parts[1].isdigit():
                values[parts[0][:-1]] = int(parts[1])
    return values.get("Private_Clean", 0) + values.get("Private_Dirty", 0), values


def responsive(hwnd, timeout_ms=1000):
    """Whether the window's thread answers a sent message within the time."""
    value = z.wininfo("send", hwnd, 0, 0, 0, check=False)  # WM_NULL
    return "error" not in value


class Timer:
    def __init__(self):
        self.start = time.monotonic()

    def __str__(self):
        return f"{time.monotonic() - self.start:.1f}s"
