"""The end-to-end tests' hands on the Wine bench.

Everything a test does to the desktop goes through here: starting Windows
programs under the bench (scripts/wine-run), looking at their windows through
wininfo.exe, copying from outside (xclip) and from inside (cliptool.exe),
clicking and typing with xdotool, and taking screenshots.  Every process a test
starts is tracked by a `Bench` and stopped by its own pid when the test ends,
pass or fail; `BenchTestCase` wires that into unittest.

Environment (set by tests/e2e/CMakeLists.txt): ZEZ_BENCH_DIR (the running
bench: bench.env with DISPLAY and WINEPREFIX), ZEZ_BIN_DIR (the exes),
ZEZ_SOURCE_DIR (the checkout, for scripts/wine-run).
"""

import json
import os
import signal
import subprocess
import tempfile
import time
import unittest
import uuid

# Between two copies: closer copies can merge into one notice in Wine's X11 bridge.
COPY_GAP = 0.025
# Default bounds for waits; generous because two cores are shared with builds.
WINDOW_TIMEOUT = 15.0
WAIT_TIMEOUT = 10.0  # a loaded two-core machine can be slow; failures only wait longer
POLL = 0.1

# Marks every process started by this test run, so that leftovers can be found
# even after they were re-parented (a daemonising child, a Wine program's child).
RUN_TOKEN = "zez-e2e-" + uuid.uuid4().hex[:12]


class BenchError(Exception):
    """A bench operation failed (a helper reported an error, a program did not start)."""


class Timeout(AssertionError):
    """A bounded wait ran out; an AssertionError so that unittest reports a failure."""


# ---- where things are -------------------------------------------------------


def _env_dir(name):
    value = os.environ.get(name)
    if not value:
        raise BenchError(f"{name} is not set: run the e2e tests through ctest")
    return value


def bench_dir():
    return _env_dir("ZEZ_BENCH_DIR")


def bin_dir():
    return _env_dir("ZEZ_BIN_DIR")


def source_dir():
    return os.environ.get("ZEZ_SOURCE_DIR") or os.path.dirname(
        os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def wine_run():
    return os.path.join(source_dir(), "scripts", "wine-run")


_bench_env = None


def bench_env():
    """KEY=VALUE pairs of the running bench's bench.env (XVFB_PID, DISPLAY, WINEPREFIX)."""
    global _bench_env
    if _bench_env is None:
        path = os.path.join(bench_dir(), "bench.env")
        if not os.path.exists(path):
            raise BenchError(f"the bench is not running ({path} missing)")
        values = {}
        with open(path, encoding="utf-8") as f:
            for line in f:
                key, sep, value = line.strip().partition("=")
                if sep:
                    values[key] = value
        _bench_env = values
    return _bench_env


def display():
    return bench_env()["DISPLAY"]


def prefix():
    return bench_env()["WINEPREFIX"]


def child_env(extra=None):
    """The environment for anything started on the bench: its display, our run token."""
    env = dict(os.environ)
    env["DISPLAY"] = display()
    env["ZEZ_RUN_TOKEN"] = RUN_TOKEN
    if extra:
        env.update(extra)
    return env


def artifacts_dir(*parts):
    """A folder under the build tree for screenshots and logs (build/<preset>/e2e/...)."""
    path = os.path.join(os.path.dirname(os.path.abspath(bench_dir())), "e2e", *parts)
    os.makedirs(path, exist_ok=True)
    return path


def windows_program(name):
    """The file of a Windows program: a path as it is, else bin/NAME.exe, else the
    prefix's system32/NAME.exe.  wine-run picks the loader by reading the file, so
    a bare "notepad" would not do."""
    if os.sep in name or os.path.exists(name):
        return name
    file = name if name.lower().endswith(".exe") else name + ".exe"
    for folder in (bin_dir(), os.path.join(prefix(), "drive_c", "windows", "system32"),
                   os.path.join(prefix(), "drive_c", "windows")):
        path = os.path.join(folder, file)
        if os.path.exists(path):
            return path
    raise BenchError(f"no Windows program {name!r} in bin/ or the prefix")


# ---- running programs -------------------------------------------------------


def _read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def run(argv, timeout=30.0, env=None, check=True):
    """Runs a short Linux command to its end; stdout and stderr go to files, never
    to pipes a Wine background process could inherit and hold open.  Returns a
    CompletedProcess with bytes.  A command still running after `timeout` is killed."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        proc = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                env=env or child_env())
        try:
            rc = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            raise Timeout(f"{argv[0]} did not end within {timeout} s: {argv}")
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(argv, rc, out.read(), err.read())
    if check and rc != 0:
        raise BenchError(f"{argv} exited {rc}: {result.stderr.decode(errors='replace')}"
                         f"{result.stdout.decode(errors='replace')}")
    return result


def run_windows(program, *args, timeout=30.0, lang=None, check=True):
    """Runs a Windows program under the bench to its end (see `run`)."""
    extra = {"ZEZ_LANG": lang} if lang else None
    return run([wine_run(), windows_program(program), *map(str, args)], timeout=timeout,
               env=child_env(extra), check=check)


class Process:
    """A program started in the background; `pid` is its Linux pid (wine-run
    execs the Wine loader, so it is the Wine process itself)."""

    def __init__(self, argv, name, env, stdin=None, logs=None):
        self.name = name
        self.argv = argv
        folder = logs or artifacts_dir("logs")
        stamp = f"{name}-{time.monotonic_ns()}"
        self.stdout_path = os.path.join(folder, stamp + ".out")
        self.stderr_path = os.path.join(folder, stamp + ".err")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.popen = subprocess.Popen(argv, stdin=stdin if stdin is not None else
                                          subprocess.DEVNULL, stdout=out, stderr=err, env=env)
        self.pid = self.popen.pid
        self.started = time.monotonic()

    def alive(self):
        return self.popen.poll() is None

    @property
    def returncode(self):
        return self.popen.poll()

    def wait(self, timeout=WAIT_TIMEOUT):
        """The exit status, or a Timeout if it is still running after `timeout`."""
        try:
            return self.popen.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Timeout(f"{self.name} (pid {self.pid}) still running after {timeout} s")

    def stdout(self):
        return _read(self.stdout_path)

    def stderr(self):
        return _read(self.stderr_path)

    def stop(self, hwnd=None, grace=5.0, term_wait=3.0):
        """Ends it by its own pid: WM_CLOSE to `hwnd` first when given (the program's
        own way out), then SIGTERM, then SIGKILL after a bounded wait.  Returns the
        exit status; returns at once if it has already ended."""
        if self.popen.stdin:
            try:
                self.popen.stdin.close()
            except OSError:
                pass
        if not self.alive():
            return self.popen.wait()
        if hwnd:
            wininfo("close", hwnd, 0, check=False)
            try:
                return self.popen.wait(timeout=grace)
            except subprocess.TimeoutExpired:
                pass
        for sig, bound in ((signal.SIGTERM, term_wait), (signal.SIGKILL, 10.0)):
            try:
                os.kill(self.pid, sig)
            except ProcessLookupError:
                pass
            try:
                return self.popen.wait(timeout=bound)
            except subprocess.TimeoutExpired:
                continue
        raise BenchError(f"{self.name} (pid {self.pid}) survived SIGKILL")

    def __repr__(self):
        return f"<Process {self.name} pid {self.pid}>"


# ---- wininfo: looking at windows --------------------------------------------


def wininfo(verb, *args, check=True, timeout=30.0):
    """Runs wininfo.exe VERB ARGS and returns its parsed JSON.  With check, an
    answer carrying "error" raises BenchError."""
    result = run_windows("wininfo", verb, *args, timeout=timeout, check=False)
    text = result.stdout.decode("utf-8", errors="replace").strip()
    if result.returncode == 2 or not text:
        raise BenchError(f"wininfo {verb} {args}: exit {result.returncode} "
                         f"{result.stderr.decode(errors='replace')}")
    value = json.loads(text)
    if check and isinstance(value, dict) and "error" in value:
        raise BenchError(f"wininfo {verb} {args}: {value['error']} {value.get('detail', '')}")
    return value


def find_windows(cls="*", title="*"):
    """Top-level windows of that class and title ("*": any), visible or not."""
    return wininfo("find", cls, title)


def windows_of(pid):
    """Top-level windows of the Windows process `pid`."""
    return wininfo("windows", pid)


def window_info(hwnd):
    """One window's facts; {"exists": False} once it is gone."""
    return wininfo("info", hwnd)


def wait_window(cls, title="*", timeout=WINDOW_TIMEOUT):
    """The first visible top-level window of that class and title, waiting for it."""
    value = wininfo("wait-window", cls, title, int(timeout * 1000), check=False,
                    timeout=timeout + 30)
    if "error" in value:
        raise Timeout(f"no visible window of class {cls!r} title {title!r} within {timeout} s")
    return value


def wait_gone(hwnd, timeout=WAIT_TIMEOUT):
    value = wininfo("wait-gone", hwnd, int(timeout * 1000), check=False, timeout=timeout + 30)
    if not value.get("gone"):
        raise Timeout(f"window {hwnd} still there after {timeout} s")


def children(hwnd):
    """Every descendant window: hwnd, parent, class, id, text, rect, style, visible, focus."""
    return wininfo("children", hwnd)


def child(hwnd, cls=None, text=None, ctrl_id=None):
    """The first descendant matching all given criteria (class case-insensitive)."""
    for c in children(hwnd):
        if cls is not None and c["class"].lower() != cls.lower():
            continue
        if text is not None and c["text"] != text:
            continue
        if ctrl_id is not None and c["id"] != ctrl_id:
            continue
        return c
    raise BenchError(f"window {hwnd} has no child class={cls!r} text={text!r} id={ctrl_id!r}")


def lb_rows(hwnd):
    """A list box: count, cursel, top, item_height, client, rows [{index, text,
    selected, rect, shown}], read with the wide messages."""
    return wininfo("lbrows", hwnd)


def row_texts(hwnd):
    return [r["text"] for r in lb_rows(hwnd)["rows"]]


def text_of(hwnd):
    """WM_GETTEXT of the window (wide), e.g. an edit control's whole text."""
    return wininfo("text", hwnd)["text"]


def foreground():
    """{"window": facts of the foreground window, "focus": its thread's focus}."""
    return wininfo("foreground")


def focus_of(hwnd):
    """GetGUIThreadInfo of the window's thread: focus, active, capture, caret (screen)."""
    return wininfo("focus-of", hwnd)


def dialogs(pid=0):
    """#32770 windows (message boxes) of the Windows process `pid` (0: any), with
    caption, texts (their static texts) and buttons."""
    return wininfo("dialogs", pid)


def wait_dialog(pid=0, timeout=WINDOW_TIMEOUT):
    return wait_until(lambda: next((d for d in dialogs(pid) if d["visible"]), None), timeout,
                      f"a dialog of process {pid}")


def press_button(hwnd):
    """BM_CLICK on a button (e.g. a message box's OK); answers whether its dialog went."""
    return wininfo("press-button", hwnd)


def close_window(hwnd, timeout=WAIT_TIMEOUT):
    """Posts WM_CLOSE and waits until the window is gone; returns whether it went."""
    return wininfo("close", hwnd, int(timeout * 1000), check=False,
                   timeout=timeout + 30).get("gone", False)


def activate(hwnd, timeout=3.0):
    """SetForegroundWindow, then waits until it is in front with its thread holding the focus."""
    return wininfo("activate", hwnd, int(timeout * 1000))


def send_keys(hwnd, *chords):
    """Brings `hwnd` in front (0: leave the foreground as it is), waits for its
    focus, then injects each chord with SendInput: "ctrl+v", "end", "shift+home"."""
    return wininfo("keys", hwnd, *chords)


def type_text(hwnd, text):
    """Like send_keys, typing `text` as Unicode key events."""
    return wininfo("type", hwnd, text)


def window_at(x, y):
    return wininfo("at", x, y)


def screen():
    """width, height, work_area, dpi, acp (the ANSI code page)."""
    return wininfo("screen")


def clipboard_info():
    """owner, viewer (first of the chain), open_by (0 also when opened without a
    window), sequence, formats (1..17 present)."""
    return wininfo("clipboard")


# ---- waiting ----------------------------------------------------------------


def wait_until(probe, timeout=WAIT_TIMEOUT, what="the condition", interval=POLL):
    """Calls `probe` until it returns something truthy and returns that; a Timeout
    naming `what` and the last value once `timeout` has passed."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = probe()
        if last:
            return last
        if time.monotonic() >= deadline:
            raise Timeout(f"timed out after {timeout} s waiting for {what}; last: {last!r}")
        time.sleep(interval)


def wait_rows(hwnd, count, timeout=WAIT_TIMEOUT):
    """The list box's rows once it has `count` of them (the lbrows answer)."""
    holder = {}

    def probe():
        holder["rows"] = lb_rows(hwnd)
        return holder["rows"]["count"] == count

    try:
        wait_until(probe, timeout, f"{count} rows in list box {hwnd}")
    except Timeout:
        raise Timeout(f"list box {hwnd}: wanted {count} rows, have "
                      f"{[r['text'] for r in holder['rows']['rows']]}")
    return holder["rows"]


def wait_text(hwnd, expected, timeout=WAIT_TIMEOUT):
    """The window's text once it equals `expected` (or `expected(text)` is true)."""
    holder = {}

    def probe():
        holder["text"] = text_of(hwnd)
        return expected(holder["text"]) if callable(expected) else holder["text"] == expected

    try:
        wait_until(probe, timeout, f"the text of {hwnd}")
    except Timeout:
        raise Timeout(f"window {hwnd}: wanted text {expected!r}, have {holder['text']!r}")
    return holder["text"]


def wait_focus(hwnd, focus_hwnd=None, timeout=WAIT_TIMEOUT):
    """Waits until `hwnd` is the foreground window and its thread's focus is on
    `focus_hwnd` (any of its windows when None); returns the focus facts."""
    def probe():
        f = focus_of(hwnd)
        if f["foreground"] != hwnd:
            return None
        return f if focus_hwnd is None or f["focus"] == focus_hwnd else None

    return wait_until(probe, timeout, f"the focus on {focus_hwnd or hwnd}")


# ---- clipboard --------------------------------------------------------------


def _hex(data):
    return data.hex() if data else ""


def cliptool_get_text():
    """The clipboard's CF_TEXT bytes as a Win32 program sees them (ANSI code page)."""
    return bytes.fromhex(run_windows("cliptool", "get-text").stdout.decode().strip())


def cliptool_get_unicode():
    """The clipboard's CF_UNICODETEXT as a str (what a Unicode program pastes)."""
    hex_units = run_windows("cliptool", "get-unicode").stdout.decode().strip()
    return bytes.fromhex(hex_units).decode("utf-16-le")


def clipboard_formats():
    """The clipboard's formats in its own order: numbers, registered ones as
    "NUMBER=NAME"; those the system synthesises come after those set."""
    lines = run_windows("cliptool", "formats").stdout.decode(errors="replace").split()
    return [int(line) if line.isdigit() else line for line in lines]


def wait_clipboard(expected, timeout=WAIT_TIMEOUT, read=None):
    """Waits until the clipboard's CF_TEXT (or what `read` returns) equals
    `expected` (bytes; a str is taken in code page 936); returns it."""
    if isinstance(expected, str):
        expected = to_ansi(expected)
    read = read or cliptool_get_text
    holder = {}

    def probe():
        holder["value"] = read()
        return holder["value"] == expected

    try:
        wait_until(probe, timeout, "the clipboard")
    except Timeout:
        raise Timeout(f"clipboard: wanted {expected!r}, have {holder['value']!r}")
    return holder["value"]


def xclip_paste(timeout=5.0):
    """The CLIPBOARD selection as an X program sees it (UTF-8 bytes)."""
    result = run(["xclip", "-o", "-selection", "clipboard"], timeout=timeout, check=False)
    return result.stdout


def to_ansi(text, codepage=936):
    """A str as the bytes of that ANSI code page (936 = GBK, 1252)."""
    return text.encode("gbk" if codepage == 936 else f"cp{codepage}")


# ---- the pointer and the keyboard (X side) ----------------------------------


def xdotool(*args, timeout=10.0):
    return run(["xdotool", *map(str, args)], timeout=timeout)


def center(rect):
    """The middle point of a rect answer (screen coordinates)."""
    return (rect["left"] + rect["right"]) // 2, (rect["top"] + rect["bottom"]) // 2


def click(x, y, button=1):
    """A real mouse click at a Win32 screen point (the X screen is the Win32 screen)."""
    xdotool("mousemove", int(x), int(y), "click", button)


def click_rect(rect, button=1):
    click(*center(rect), button=button)


def mouse_move(x, y):
    xdotool("mousemove", int(x), int(y))


def x_keys(*keys, over=None):
    """Real X key presses (xdotool key syntax: "ctrl+v", "Return").  Without a
    window manager they reach a Wine window only while the pointer is over it:
    give `over` (a rect) to put the pointer there first."""
    if over is not None:
        mouse_move(*center(over))
    xdotool("key", "--delay", 20, *keys)


# ---- screenshots ------------------------------------------------------------


def screenshot(name, folder=None):
    """The whole bench screen as PNG under the build tree; returns its path."""
    path = os.path.join(folder or artifacts_dir("screenshots"), name + ".png")
    # /usr/local/bin may hold a stand-in for ImageMagick.
    run(["/usr/bin/import", "-window", "root", path], timeout=30)
    return path


def screenshot_window(name, rect, margin=8, folder=None):
    """Only one window (its screen rect) with a small margin, as PNG; returns its path."""
    path = os.path.join(folder or artifacts_dir("screenshots"), name + ".png")
    left, top = max(rect["left"] - margin, 0), max(rect["top"] - margin, 0)
    width, height = rect["width"] + 2 * margin, rect["height"] + 2 * margin
    run(["/usr/bin/import", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
         "+repage", path], timeout=30)
    return path


# ---- processes left behind --------------------------------------------------


# Wine's own session processes: the first window of a prefix starts the desktop
# (explorer.exe /desktop) and services on demand, carrying the environment of the
# program that caused it. They belong to the bench and end with its wineserver.
WINE_SESSION_PROGRAMS = ("explorer.exe", "services.exe", "winedevice.exe", "plugplay.exe",
                         "svchost.exe", "rpcss.exe")


def _is_wine_session(command):
    first = command.split(" ", 1)[0].lower()
    return first.startswith("c:\\windows\\system32\\") and \
        first.rsplit("\\", 1)[-1] in WINE_SESSION_PROGRAMS


def desktop_locale():
    """LANG of the bench's desktop process (explorer.exe /desktop), or None while
    none runs.  Wine's X11 clipboard bridge lives there: outside copies reach
    Win32 programs as CF_TEXT in that process's code page, whatever the reader's."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                command = f.read().replace(b"\0", b" ").decode(errors="replace")
            if "explorer.exe" not in command or "/desktop" not in command:
                continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                env = dict(kv.split(b"=", 1) for kv in f.read().split(b"\0") if b"=" in kv)
        except OSError:
            continue
        if env.get(b"WINEPREFIX", b"").decode(errors="replace") == prefix():
            return env.get(b"LC_ALL", env.get(b"LANG", b"")).decode(errors="replace")
    return None


def leftover_processes(include_wine_session=False):
    """(pid, command) of live processes this run started, found by the token in
    their environment, whatever became of their parents; Wine's session
    processes (the bench's) only when asked."""
    found = []
    marker = ("ZEZ_RUN_TOKEN=" + RUN_TOKEN).encode()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{entry}/stat", "rb") as f:
                if f.read().rsplit(b")", 1)[1].split()[0] == b"Z":
                    continue  # a zombie waiting for its parent: not running
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                command = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
        except (OSError, IndexError):
            continue
        if include_wine_session or not _is_wine_session(command):
            found.append((int(entry), command))
    return found


# ---- the bench session ------------------------------------------------------


class Bench:
    """Starts programs and copies for one test and stops them all at `close`.

    with Bench() as b:
        notepad = b.start_notepad()
        b.xclip_copy("text")
    """

    def __init__(self, name="test"):
        self.name = name
        self.processes = []
        self._xclips = []
        self._last_copy = 0.0

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    # -- programs

    def start(self, program, *args, lang=None, hwnd_for_close=None):
        """Starts a Windows program in the background under the bench; a Process."""
        extra = {"ZEZ_LANG": lang} if lang else None
        path = windows_program(program)
        name = os.path.splitext(os.path.basename(path))[0]
        proc = Process([wine_run(), path, *map(str, args)], name, child_env(extra))
        self.processes.append(proc)
        return proc

    def start_linux(self, argv, name=None, stdin=None):
        """A Linux program in the background, tracked like the Windows ones."""
        proc = Process(list(map(str, argv)), name or os.path.basename(argv[0]), child_env(),
                       stdin=stdin)
        self.processes.append(proc)
        return proc

    def start_window(self, program, cls, *args, title="*", timeout=WINDOW_TIMEOUT, lang=None):
        """Starts a program and waits for its visible top-level window of class `cls`
        (one not there before); returns (Process, window facts)."""
        before = {w["hwnd"] for w in find_windows(cls, title)}
        proc = self.start(program, *args, lang=lang)

        def probe():
            if not proc.alive():
                raise BenchError(f"{proc.name} ended with {proc.returncode} before its window: "
                                 f"{proc.stderr().decode(errors='replace')}")
            return next((w for w in find_windows(cls, title)
                         if w["visible"] and w["hwnd"] not in before), None)

        window = wait_until(probe, timeout, f"the {cls} window of {proc.name}", interval=0.05)
        return proc, window

    def start_notepad(self, timeout=WINDOW_TIMEOUT):
        """Wine's notepad as the application the user works in."""
        proc, window = self.start_window("notepad", "Notepad", timeout=timeout)
        return Notepad(proc, window)

    def hold_clipboard(self, ms):
        """cliptool holding the clipboard open for `ms`; returns once it holds it."""
        proc = self.start("cliptool", "hold", int(ms))
        wait_until(lambda: b"holding" in proc.stdout() or not proc.alive(), WINDOW_TIMEOUT,
                   "cliptool to open the clipboard", interval=0.02)
        if not proc.alive() and proc.returncode != 0:
            raise BenchError(f"cliptool hold failed: {proc.returncode}")
        return proc

    # -- copies

    def _gap(self):
        wait = self._last_copy + COPY_GAP - time.monotonic()
        if wait > 0:
            time.sleep(wait)

    def xclip_copy(self, data, timeout=5.0):
        """An outside copy: a new xclip owns the CLIPBOARD selection with `data`
        (str as UTF-8, or bytes) and answers Wine's requests.  Returns once xclip
        owns the selection.  The previous xclip ends by itself as it loses the
        selection; every one is reaped or killed by its pid at `close`."""
        if isinstance(data, str):
            data = data.encode("utf-8")
        self._reap_xclips()
        self._gap()
        proc = Process(["xclip", "-verbose", "-selection", "clipboard", "-i"], "xclip",
                       child_env(), stdin=subprocess.PIPE)
        self._xclips.append(proc)
        try:
            proc.popen.stdin.write(data)
            proc.popen.stdin.close()
        except BrokenPipeError:
            pass
        # -verbose says so once it has taken the selection.
        wait_until(lambda: b"Waiting for selection requests" in proc.stderr() or not proc.alive(),
                   timeout, "xclip to own the selection", interval=0.005)
        if not proc.alive() and proc.returncode != 0:
            raise BenchError(f"xclip failed: {proc.stderr().decode(errors='replace')}")
        self._last_copy = time.monotonic()
        return proc

    def cliptool_copy(self, data):
        """An inside copy: cliptool puts `data` (bytes, or str in code page 936) on
        the clipboard as CF_TEXT."""
        if isinstance(data, str):
            data = to_ansi(data)
        self._gap()
        run_windows("cliptool", "set-text", _hex(data))
        self._last_copy = time.monotonic()

    def cliptool_copy_unicode(self, text):
        """An inside copy as CF_UNICODETEXT."""
        self._gap()
        run_windows("cliptool", "set-unicode", _hex(text.encode("utf-16-le")))
        self._last_copy = time.monotonic()

    def cliptool_copy_marked(self, text, *marks):
        """An inside copy as CF_UNICODETEXT with registered formats beside it, each
        "NAME" (present) or "NAME=VALUE" (a DWORD), as password managers mark copies."""
        self._gap()
        run_windows("cliptool", "set-marked", _hex(text.encode("utf-16-le")), *marks)
        self._last_copy = time.monotonic()

    def _reap_xclips(self):
        self._xclips = [p for p in self._xclips if p.alive()]

    def xclips_running(self):
        self._reap_xclips()
        return list(self._xclips)

    # -- the end

    def close(self):
        """Stops every process this bench started, newest first, by its own pid."""
        errors = []
        for proc in reversed(self._xclips + self.processes):
            try:
                proc.stop(grace=0)
            except Exception as e:  # go on stopping the others
                errors.append(f"{proc}: {e}")
        self._xclips = []
        self.processes = []
        if errors:
            raise BenchError("; ".join(errors))


class Notepad:
    """Wine's notepad: its process, window and Edit child."""

    def __init__(self, process, window):
        self.process = process
        self.window = window
        self.hwnd = window["hwnd"]
        self.edit = child(self.hwnd, cls="Edit")
        self.edit_hwnd = self.edit["hwnd"]

    def text(self):
        return text_of(self.edit_hwnd)

    def selection(self):
        """(start, end) of the Edit's selection; the caret is at end."""
        value = wininfo("text", self.edit_hwnd)
        return value.get("sel_start"), value.get("sel_end")

    def wait_text(self, expected, timeout=WAIT_TIMEOUT):
        return wait_text(self.edit_hwnd, expected, timeout)

    def focus(self, timeout=3.0):
        """In front with the Edit holding the focus."""
        activate(self.hwnd, timeout)
        return wait_focus(self.hwnd, self.edit_hwnd, timeout)

    def paste(self):
        """Ctrl+V injected once notepad is in front and its thread has the focus."""
        return send_keys(self.hwnd, "ctrl+v")

    def stop(self):
        # Closing with changed text would raise a save prompt: end it by its pid.
        return self.process.stop()


class BenchTestCase(unittest.TestCase):
    """A test with `self.bench`, closed after the test whether it passed or failed;
    a failing test also leaves a screenshot of the screen under the build tree."""

    def setUp(self):
        super().setUp()
        self.bench = Bench(self.id())
        # Cleanups run last-in first-out: the bench closes, then nothing may be left.
        self.addCleanup(self._assert_nothing_left)
        self.addCleanup(self.bench.close)

    def _assert_nothing_left(self):
        left = []
        # A process killed a moment ago may still be on its way out.
        deadline = time.monotonic() + 3.0
        while True:
            left = leftover_processes()
            if not left or time.monotonic() >= deadline:
                break
            time.sleep(0.1)
        for pid, _ in left:
            try:
                os.kill(pid, signal.SIGKILL)  # ours by the run token; no test may leave it
            except OSError:
                pass
        self.assertEqual(left, [], "processes left running by the test")

    def _screenshot_on_failure(self):
        outcome = getattr(self, "_outcome", None)
        if outcome is None or getattr(outcome, "success", True):
            return
        try:
            path = screenshot("FAILED-" + self.id().replace(".", "-"))
            print(f"\nscreenshot of the failure: {path}")
        except Exception as e:
            print(f"\nno screenshot: {e}")

    def doCleanups(self):
        self._screenshot_on_failure()
        return super().doCleanups()


def main():
    """unittest.main with verbose output; exits non-zero when a test failed."""
    unittest.main(verbosity=2)
