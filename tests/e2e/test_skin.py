"""The skin seen from outside: a form with the main window's layout and the
program's stored skin (skinprobe.exe, which takes the skin and the icon from the
built Zeziduz.exe), on the bench's screen at 96 and 144 DPI.  Screenshots stay
under build/<preset>/e2e/screenshots (skin-96.png, skin-144.png)."""

import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zezbench as z  # noqa: E402

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"


def stored_colours():
    """The colours of res/Zeziduz.skin as (r, g, b), by setting name."""
    colours = {}
    with open(os.path.join(z.source_dir(), "res", "Zeziduz.skin"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\s*([a-z.]+)\s*=\s*#([0-9A-Fa-f]{6})\s*$", line)
            if m:
                v = int(m.group(2), 16)
                colours[m.group(1)] = (v >> 16, (v >> 8) & 0xFF, v & 0xFF)
    return colours


def read_screen(path):
    """The screenshot as (width, height, rgb bytes)."""
    data = subprocess.run(["/usr/bin/convert", path, "-depth", "8", "ppm:-"], check=True,
                          stdout=subprocess.PIPE, timeout=60).stdout
    fields, pos = [], 2
    while len(fields) < 3:  # P6 <w> <h> <max>\n
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(int(data[pos:end]))
        pos = end
    return fields[0], fields[1], data[pos + 1:]


def pixel(screen, x, y):
    width, _, rgb = screen
    i = (y * width + x) * 3
    return tuple(rgb[i:i + 3])


def parse_probe(line):
    """skinprobe's line as a dict of ints and int tuples."""
    facts = {}
    for key, value in re.findall(r"(\w+)=(\S+)", line):
        parts = re.split(r"[,x]", value)
        nums = tuple(int(p) for p in parts)
        facts[key] = nums[0] if len(nums) == 1 else nums
    return facts


def reg(*args):
    return z.run_windows("reg", *args, check=False)


class SkinnedWindow(z.BenchTestCase):
    def start_probe(self):
        proc = self.bench.start("skinprobe", "stored", "rows", 40, "show", 60000)
        z.wait_until(lambda: b"vbar=" in proc.stdout() or not proc.alive(), 20,
                     "skinprobe to show its skinned form")
        self.assertTrue(proc.alive(), proc.stderr())
        return proc, parse_probe(" ".join(proc.stdout().decode().splitlines()[:2]))

    def check_look(self, name, dpi):
        colours = stored_colours()
        z.mouse_move(5, 5)  # no hover look anywhere
        proc, f = self.start_probe()
        self.assertEqual(f["dpi"], dpi)
        self.assertEqual(f["applied"], 1)
        self.assertEqual(f["problems"], 0)
        scale = lambda v: int(v * dpi / 96 + 0.5)  # noqa: E731
        self.assertEqual(f["client"], (scale(263), scale(321)))
        left, top, width, height = f["window"]
        self.assertEqual((left, top), (192, 114))
        border, caption = f["border"], f["caption"]
        self.assertEqual((width, height), (scale(263) + 2 * border, scale(321) + caption + border))

        time.sleep(0.5)  # the form paints before the picture
        path = z.screenshot(name)
        print(f"screenshot: {path}")
        screen = read_screen(path)
        at = lambda x, y: pixel(screen, left + x, top + y)  # noqa: E731
        cl, ct, cr, cb = f["close"]
        self.assertEqual(at(0, 0), colours["outline.active"])
        self.assertEqual(at(width - 1, height // 2), colours["outline.active"])
        self.assertEqual(at(border - 1, height // 2), colours["caption.active"])  # side frame
        self.assertEqual(at(cl - 2, caption - 2), colours["caption.active"])
        self.assertEqual(at(cl + 1, ct + 1), colours["caption.active"])  # close, not hot
        # The cross of the close button is drawn in the caption's text colour.
        self.assertEqual(at((cl + cr) // 2, (ct + cb) // 2), colours["caption.text"])
        bl, bt, bw, bh = f["button1"]
        self.assertEqual(at(bl, bt + bh // 2), colours["button.border"])
        self.assertEqual(at(bl + bw - 1, bt + bh // 2), colours["button.border"])
        self.assertEqual(at(bl + 3, bt + 2), colours["button.face"])
        # The client area between the list and the buttons.
        self.assertEqual(at(width // 2, caption + scale(242)), colours["background"])
        # The list box's flat edge and its slim scroll bar's track.
        ll, lt, lw, lh = f["listbox"]
        self.assertEqual(at(ll, lt + lh // 2), colours["button.border"])
        vl, vt, vr, vb = f["vbar"]
        self.assertEqual(at(ll + vl, lt + (vt + vb) // 2), colours["scroll.track"])

        # A real click on the skinned close button closes the form.
        z.click(left + (cl + cr) // 2, top + (ct + cb) // 2)
        self.assertEqual(proc.wait(10), 0)
        self.assertIn(b"closed=1", proc.stdout())

    def test_skinned_window_at_96_dpi(self):
        self.check_look("skin-96", 96)

    def test_skinned_window_at_144_dpi(self):
        before = reg("query", DESKTOP_KEY, "/v", "LogPixels")
        saved = re.search(rb"LogPixels\s+REG_DWORD\s+0x([0-9a-fA-F]+)", before.stdout)
        try:
            reg("add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "144", "/f")
            self.check_look("skin-144", 144)
        finally:
            if saved:
                reg("add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d",
                    str(int(saved.group(1), 16)), "/f")
            else:
                reg("delete", DESKTOP_KEY, "/v", "LogPixels", "/f")


if __name__ == "__main__":
    z.main()
