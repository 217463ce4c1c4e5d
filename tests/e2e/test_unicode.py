"""Zeziduz keeps the characters a user copied, under code page 936 where most of
them have no ANSI form, and leaves alone what password managers mark."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zezbench as z  # noqa: E402
from test_zeziduz import UNKNOWN, Zeziduz  # noqa: E402

# Accents, a symbol, Korean and an emoji: the emoji, Korean, "☕" and "ï" have
# no form in code page 936.
TEXT = "café ☕ 한국어 😀 naïve"
CF_TEXT = 1
CF_UNICODETEXT = 13


class UnicodeTestCase(z.BenchTestCase):
    def setUp(self):
        super().setUp()
        self.assertEqual(z.screen()["acp"], 936, "these tests run in code page 936")

    def start(self):
        return Zeziduz(self.bench)

    def start_with_notepad(self):
        self.zez = self.start()
        self.notepad = self.bench.start_notepad()
        self.notepad.focus()

    def paste(self, button, row=None):
        """The user goes back to notepad, then clicks into Zeziduz (a row, the button)."""
        self.notepad.focus()
        time.sleep(0.3)
        if row is not None:
            self.zez.click_row(row)
        self.zez.click_button(button)


class Lossless(UnicodeTestCase):
    def test_unicode_copy_is_a_row_as_copied_and_pastes_back_exactly(self):
        self.start_with_notepad()
        self.bench.cliptool_copy_unicode(TEXT + "\r\nsecond line")
        self.zez.wait_rows(1)
        self.assertEqual(self.zez.rows(), [TEXT])
        self.paste("粘  贴", row=0)
        self.notepad.wait_text(TEXT + "\r\nsecond line")
        self.assertEqual(z.cliptool_get_unicode(), TEXT + "\r\nsecond line")
        # Zeziduz put both forms itself, CF_TEXT first.
        self.assertEqual(z.clipboard_formats()[:2], [CF_TEXT, CF_UNICODETEXT])
        time.sleep(0.3)
        self.assertEqual(len(self.zez.rows()), 1, "our own write is not recorded")

    def test_through_x_and_back_out(self):
        self.start_with_notepad()
        self.bench.xclip_copy(TEXT)
        # One xclip copy can reach Wine as two notices of the same text.
        z.wait_until(lambda: self.zez.rows(), what="the copy's row")
        time.sleep(0.3)
        self.assertEqual(set(self.zez.rows()), {TEXT})
        self.paste("粘  贴", row=0)
        self.notepad.wait_text(TEXT)
        z.wait_until(lambda: z.xclip_paste() == TEXT.encode("utf-8"),
                     what="xclip -o to give back the text")

    def test_paste_all_over_mixed_entries_is_lossless(self):
        self.start_with_notepad()
        entries = [("gbk", "中文一行\r\n"), ("unicode", "😀 한국어\r\n"), ("gbk", "二"),
                   ("unicode", "naïve ☕"), ("gbk", "end")]
        for kind, text in entries:
            if kind == "gbk":
                self.bench.cliptool_copy(text)
            else:
                self.bench.cliptool_copy_unicode(text)
        self.zez.wait_rows(len(entries))
        self.assertEqual(self.zez.rows(), ["中文一行", "😀 한국어", "二", "naïve ☕", "end"])
        self.paste("全部粘贴")
        joined = "".join(text for _, text in entries)
        self.notepad.wait_text(joined)
        self.assertEqual(z.cliptool_get_unicode(), joined)

    def test_gbk_only_text_pastes_byte_for_byte_as_cf_text_alone(self):
        self.start_with_notepad()
        text = "中文 GBK\r\n第二行"
        # What the clipboard lists for a copy of CF_TEXT alone.
        self.bench.cliptool_copy(text)
        self.zez.wait_rows(1)
        text_alone = z.clipboard_formats()
        self.assertEqual(text_alone[0], CF_TEXT)
        self.assertEqual(self.zez.rows(), ["中文 GBK"])
        self.bench.cliptool_copy_unicode("other")
        self.zez.wait_rows(2)
        self.paste("粘  贴", row=0)
        self.notepad.wait_text(text)
        self.assertEqual(z.cliptool_get_text(), z.to_ansi(text))
        # Zeziduz set CF_TEXT alone; the rest is what the system makes of it.
        self.assertEqual(z.clipboard_formats(), text_alone)

    def test_unicode_labels_follow_the_line_rule(self):
        zez = self.start()
        # The cut is where the first line's ANSI form reaches 4096 bytes: "한" and
        # "😀" become one "?" each, "中" has two bytes.
        cases = [("\r\n😀 after a line end", UNKNOWN),
                 ("한\n국\r어\r\n2", "한\n국\r어"),
                 ("한" * 4100, "한" * 4096),
                 ("x" * 4095 + "😀y", "x" * 4095 + "😀"),
                 ("x" * 4096 + "😀", "x" * 4096),
                 ("a" + "中" * 3000 + "😀", "a" + "中" * 2047)]
        for text, _ in cases:
            self.bench.cliptool_copy_unicode(text)
        zez.wait_rows(len(cases))
        self.assertEqual(zez.rows(), [label for _, label in cases])


class Marked(UnicodeTestCase):
    def test_marked_copies_are_not_recorded(self):
        zez = self.start()
        cases = [
            ("ExcludeClipboardContentFromMonitorProcessing", False),
            ("Clipboard Viewer Ignore", False),
            ("CanIncludeInClipboardHistory=0", False),
            ("CanIncludeInClipboardHistory=1", True),
            ("CanUploadToCloudClipboard=0", True),
        ]
        expected = []
        for i, (mark, recorded) in enumerate(cases):
            text = f"密码 {i} 😀 {mark}"
            self.bench.cliptool_copy_marked(text, mark)
            if recorded:
                expected.append(text)
        # An unmarked copy last: once its row is there, every notice before it
        # has been handled.
        self.bench.cliptool_copy_unicode("unmarked 😀")
        expected.append("unmarked 😀")
        zez.wait_rows(len(expected))
        time.sleep(0.3)
        self.assertEqual(zez.rows(), expected)


if __name__ == "__main__":
    z.main()
