"""Hostile clipboard contents put by another program as raw blocks of exact
sizes: each gives a defined row (or none), Zeziduz never crashes or hangs, and
the entry kept is exactly the text readers get. Wine itself makes the last
byte (CF_TEXT) or character (CF_UNICODETEXT) of a block its terminator, so a
block without one loses its last character for every reader."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reliab as r  # noqa: E402
import zezbench as z  # noqa: E402

CF_TEXT, CF_UNICODETEXT = 1, 13
UNKNOWN = "未知数据"
MB = 1024 * 1024

# name, format, block (hex, or (size, fill hex, tail hex)), label or None for
# no row, the entry's bytes (None: not checked, too big to paste back).
CASES = [
    ("text without a zero byte", CF_TEXT, "616263", "ab", b"ab"),
    ("a zero byte in the middle", CF_TEXT, "61620063640000", "ab", b"ab"),
    ("a 0-byte block (the system refuses it)", CF_TEXT, "", None, None),
    ("a 1-byte block holding 0", CF_TEXT, "00", None, None),
    ("a 1-byte block holding A", CF_TEXT, "41", None, None),
    ("a lone lead byte at the end, no zero", CF_TEXT, "616281", "ab", b"ab"),
    ("a lone lead byte before the zero", CF_TEXT, "61628100", "ab?", b"ab\x81"),
    ("0x80 and 0xFF", CF_TEXT, "80ff00", "€\uf8f5", b"\x80\xff"),
    ("only CR LF pairs", CF_TEXT, "0d0a" * 1000 + "00", UNKNOWN, b"\r\n" * 1000),
    ("Unicode, no terminator", CF_UNICODETEXT, "78007900", "x", b"x"),
    ("Unicode, even size, no terminator", CF_UNICODETEXT, "610062006300", "ab", b"ab"),
    ("Unicode, odd byte count", CF_UNICODETEXT, "6100620063", "a", b"a"),
    ("Unicode, unpaired high surrogate", CF_UNICODETEXT, "610000d862000000", "a?b", b"a?b"),
    ("Unicode, unpaired low surrogate", CF_UNICODETEXT, "610000dc0000", "a?", b"a?"),
    ("a first line of 10 MB without CR LF", CF_TEXT, (10 * MB, "41", "0d0a4200"), "A" * 4096,
     None),
    ("a text of 100 MB", CF_TEXT, (100 * MB, "41", "00"), "A" * 4096, None),
]


class HostileContents(z.BenchTestCase):
    def test_each_block_gives_a_defined_row_and_zeziduz_runs_on(self):
        zez = r.Zeziduz(self.bench)
        listbox = zez.listbox["hwnd"]
        clear = zez.buttons["清  空"]["hwnd"]
        took = {}
        for name, fmt, block, label, entry in CASES:
            with self.subTest(case=name):
                before = len(zez.rows())
                start = time.monotonic()
                if isinstance(block, tuple):
                    r.storm("put-fill", fmt, *block, timeout=120)
                else:
                    r.storm("put", fmt, block, check=False)
                if label is None:
                    time.sleep(1.0)  # long enough for a row that should not come
                else:
                    z.wait_rows(listbox, before + 1, timeout=30)
                took[name] = round(time.monotonic() - start, 2)
                rows = zez.rows()
                self.assertTrue(zez.process.alive(), "Zeziduz still runs")
                self.assertTrue(r.storm("loop", clear, 3000)["ran"], "and answers")
                self.assertEqual(rows[before:], [] if label is None else [label])
                if entry is not None:
                    # The entry kept is what a paste puts back, byte for byte.
                    z.wininfo("send", listbox, 0x186, before)  # LB_SETCURSEL
                    z.press_button(zez.buttons["粘  贴"]["hwnd"])
                    self.assertEqual(z.wait_clipboard(entry), entry)
        r.figure("hostile contents", cases=len(CASES),
                 rows=len(zez.rows()), seconds_100mb=took[CASES[-1][0]],
                 seconds_10mb_line=took[CASES[-2][0]])


if __name__ == "__main__":
    z.main()
