"""The harness itself, on the bench without Zeziduz: copies cross between X and
Win32, notepad takes pastes and clicks, a list box and a message box of another
process can be read and driven, screenshots are taken, and nothing is left."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zezbench as z  # noqa: E402


def timed(label, action):
    start = time.monotonic()
    value = action()
    print(f"timing: {label}: {time.monotonic() - start:.3f} s")
    return value


def setUpModule():
    print(f"the desktop's locale: {z.desktop_locale()}")


class ClipboardCrossing(z.BenchTestCase):
    def test_outside_copies_reach_win32(self):
        # ASCII, Chinese (GBK in CF_TEXT under code page 936) and a line break,
        # which Wine hands to Win32 programs as CR LF.
        cases = [("plain ascii 1", b"plain ascii 1"),
                 ("复制的中文", z.to_ansi("复制的中文")),
                 ("line one\nline two", b"line one\r\nline two")]
        for text, expected in cases:
            with self.subTest(text=text):
                def round_trip():
                    self.bench.xclip_copy(text)
                    return z.wait_clipboard(expected)
                timed(f"xclip copy seen by cliptool ({text!r})", round_trip)
                # Wine's X11 bridge converts in its desktop process's code page.
                self.assertEqual(z.desktop_locale(), "zh_CN.UTF-8")
                self.assertEqual(z.cliptool_get_text(), expected)

    def test_each_xclip_ends_when_the_next_copy_takes_over(self):
        first = self.bench.xclip_copy("first owner")
        z.wait_clipboard(b"first owner")
        self.bench.xclip_copy("second owner")
        z.wait_until(lambda: not first.alive(), what="the first xclip to end")
        self.assertEqual(len(self.bench.xclips_running()), 1)
        # A Win32 copy takes the selection from the last xclip too.
        self.bench.cliptool_copy(b"win32 owner")
        z.wait_until(lambda: not self.bench.xclips_running(), what="the last xclip to end")

    def test_win32_copies_reach_x(self):
        cases = [("cliptool ascii", lambda: self.bench.cliptool_copy(b"from cliptool")),
                 ("cliptool gbk", lambda: self.bench.cliptool_copy("剪贴板工具")),
                 ("cliptool unicode", lambda: self.bench.cliptool_copy_unicode("统一码 text"))]
        expected = ["from cliptool", "剪贴板工具", "统一码 text"]
        for (label, copy), want in zip(cases, expected):
            with self.subTest(case=label):
                def round_trip():
                    copy()
                    return z.wait_clipboard(want.encode(), read=z.xclip_paste)
                timed(f"{label} seen by xclip -o", round_trip)

    def test_clipboard_facts(self):
        self.bench.cliptool_copy(b"facts")
        info = z.clipboard_info()
        self.assertIn(1, info["formats"])
        self.assertEqual(info["open_by"], 0)


class NotepadAsTarget(z.BenchTestCase):
    def setUp(self):
        super().setUp()
        self.notepad = timed("notepad start until its window shows",
                             self.bench.start_notepad)

    def test_found_with_its_edit(self):
        w = self.notepad.window
        self.assertEqual(w["class"], "Notepad")
        self.assertTrue(w["visible"])
        self.assertEqual(self.notepad.edit["class"], "Edit")
        self.assertEqual(self.notepad.text(), "")
        focus = self.notepad.focus()
        self.assertEqual(focus["focus"], self.notepad.edit_hwnd)

    def test_injected_ctrl_v_pastes(self):
        self.bench.xclip_copy("粘贴到记事本 1")
        z.wait_clipboard("粘贴到记事本 1")
        self.notepad.paste()
        self.notepad.wait_text("粘贴到记事本 1")
        # A copy from a Win32 program pastes the same way.
        self.bench.cliptool_copy("，再来")
        self.notepad.paste()
        self.notepad.wait_text("粘贴到记事本 1，再来")

    def test_ctrl_v_after_another_window_was_in_front(self):
        # The foreground moves from another program's window back to notepad
        # just before the keys: they must land in notepad, not in the other one.
        other, other_window = self.bench.start_window("testwindow", "ZezTestWindow", "row")
        z.activate(other_window["hwnd"])
        self.bench.cliptool_copy(b"after switch")
        self.notepad.paste()
        self.notepad.wait_text("after switch")
        other.stop(hwnd=other_window["hwnd"])

    def test_real_x_ctrl_v_with_the_pointer_over_notepad(self):
        self.notepad.focus()
        self.bench.xclip_copy("x keys")
        z.wait_clipboard(b"x keys")
        z.x_keys("ctrl+v", over=self.notepad.edit["rect"])
        self.notepad.wait_text("x keys")

    def test_real_clicks_move_the_caret(self):
        self.notepad.focus()
        self.bench.cliptool_copy(b"0123456789 click here")
        self.notepad.paste()
        self.notepad.wait_text("0123456789 click here")
        self.assertEqual(self.notepad.selection(), (21, 21))
        client = self.notepad.edit["client"]
        # The first line's middle height; its left end and far to the right.
        y = client["top"] + 8
        z.click(client["left"] + 1, y)
        z.wait_until(lambda: self.notepad.selection() == (0, 0), what="the caret at the start")
        z.click(client["right"] - 20, y)
        z.wait_until(lambda: self.notepad.selection() == (21, 21), what="the caret at the end")
        # A click elsewhere takes the focus; a click back gives it to the Edit.
        other, other_window = self.bench.start_window("testwindow", "ZezTestWindow", "row")
        z.click_rect(z.child(other_window["hwnd"], cls="ListBox")["rect"])
        z.wait_until(lambda: z.foreground()["window"]["hwnd"] == other_window["hwnd"],
                     what="the test window in front")
        z.click(client["left"] + 1, y)
        z.wait_focus(self.notepad.hwnd, self.notepad.edit_hwnd)

    def test_screenshot_shows_notepad_and_chinese(self):
        self.bench.cliptool_copy("中文显示：剪贴板历史 ABC")
        self.notepad.paste()
        self.notepad.wait_text("中文显示：剪贴板历史 ABC")
        _, window = self.bench.start_window("testwindow", "ZezTestWindow", "第一行 复制",
                                            "第二行 粘贴", "third row")
        path = timed("screenshot", lambda: z.screenshot("harness-notepad"))
        self.assertGreater(os.path.getsize(path), 1000)
        print(f"screenshot: {path}")

    def test_a_held_clipboard_blocks_a_paste_until_released(self):
        # cliptool holds the clipboard opened without a window: Wine then lets
        # other window-less openers in (another cliptool), but not a program
        # that opens it with its window, as notepad (and Zeziduz) do.
        self.bench.cliptool_copy(b"held text")
        holder = self.bench.hold_clipboard(30000)
        self.assertEqual(z.clipboard_info()["open_by"], 0)
        self.notepad.paste()
        time.sleep(0.5)
        self.assertEqual(self.notepad.text(), "")
        holder.stop()
        self.notepad.paste()
        self.notepad.wait_text("held text")

    def test_save_prompt_is_a_dialog_that_can_be_answered(self):
        self.bench.cliptool_copy(b"unsaved")
        self.notepad.paste()
        self.notepad.wait_text("unsaved")
        z.close_window(self.notepad.hwnd, timeout=0.5)
        prompt = z.wait_dialog(self.notepad.window["pid"])
        self.assertEqual(prompt["owner"], self.notepad.hwnd)
        self.assertTrue(prompt["texts"], prompt)
        no = [b for b in prompt["buttons"] if b["id"] == 7]  # IDNO: do not save
        self.assertEqual(len(no), 1, prompt)
        z.press_button(no[0]["hwnd"])
        self.assertEqual(self.notepad.process.wait(), 0)


class AnotherProcessesControls(z.BenchTestCase):
    def test_list_box_rows_clicks_and_a_stop_box(self):
        rows = ["第一行", "second 行", "三 three", "x" * 300]
        proc, window = self.bench.start_window("testwindow", "ZezTestWindow", *rows)
        self.assertTrue(window["topmost"])
        self.assertEqual((window["client"]["width"], window["client"]["height"]), (263, 321))
        box = z.child(window["hwnd"], cls="ListBox")
        listing = z.lb_rows(box["hwnd"])
        self.assertEqual([r["text"] for r in listing["rows"]], rows)
        self.assertEqual(listing["cursel"], -1)
        # A real click on each row's middle selects that row.
        for row in (1, 0, 3):
            z.click_rect(listing["rows"][row]["rect"])
            z.wait_until(lambda: z.lb_rows(box["hwnd"])["cursel"] == row,
                         what=f"row {row} selected")
        # The button raises a stop box owned by the window; its OK dismisses it.
        button = z.child(window["hwnd"], cls="Button", text="确  定")
        z.click_rect(button["rect"])
        box_window = z.wait_dialog(window["pid"])
        self.assertEqual(box_window["caption"], "Testwindow")
        self.assertEqual(box_window["texts"], ["按钮被点击."])
        self.assertEqual(box_window["owner"], window["hwnd"])
        ok = box_window["buttons"][0]
        self.assertEqual(ok["id"], 1)
        self.assertTrue(z.press_button(ok["hwnd"])["parent_gone"])
        self.assertEqual(z.dialogs(window["pid"]), [])
        # The program runs on and ends on WM_CLOSE.
        self.assertEqual(z.lb_rows(box["hwnd"])["cursel"], 3)
        self.assertTrue(z.close_window(window["hwnd"]))
        self.assertEqual(proc.wait(), 0)

    def test_vanished_windows_answer_without_crashing(self):
        proc, window = self.bench.start_window("testwindow", "ZezTestWindow")
        hwnd = window["hwnd"]
        proc.stop()
        z.wait_gone(hwnd)
        self.assertEqual(z.window_info(hwnd), {"hwnd": hwnd, "exists": False})
        for verb in ("children", "lbrows", "text", "focus-of", "activate"):
            with self.subTest(verb=verb):
                self.assertIn("error", z.wininfo(verb, hwnd, check=False))
        self.assertTrue(z.close_window(hwnd))
        with self.assertRaises(z.Timeout):
            z.wait_window("NoSuchClass", timeout=0.3)


class NothingLeft(z.BenchTestCase):
    def test_a_bench_stops_everything_it_started(self):
        with z.Bench() as bench:
            notepad = bench.start_notepad()
            bench.cliptool_copy(b"changed")
            notepad.paste()
            notepad.wait_text("changed")  # a save prompt would block WM_CLOSE
            _, window = bench.start_window("testwindow", "ZezTestWindow")
            holder = bench.hold_clipboard(60000)
            xclip = bench.xclip_copy("owner at the end")
            pids = [p.pid for p in bench.processes] + [xclip.pid]
            self.assertTrue(z.leftover_processes())
        for pid in pids:
            self.assertFalse(os.path.exists(f"/proc/{pid}"), pid)
        self.assertFalse(holder.alive())
        self.assertEqual(z.leftover_processes(), [])
        z.wait_gone(window["hwnd"])
        z.wait_gone(notepad.hwnd)


if __name__ == "__main__":
    z.main()
