"""Zeziduz end to end, as a person uses it: the real Zeziduz.exe on the bench,
texts copied by other programs, clicks on its rows and buttons, and Wine's
notepad as the window the user works in."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zezbench as z  # noqa: E402

WS_EX_TOPMOST = 0x8
WS_EX_TOOLWINDOW = 0x80
UNKNOWN = "未知数据"


class Zeziduz:
    """The running program: its process, main window and controls."""

    def __init__(self, bench, wait_ready=True):
        self.bench = bench
        self.process, self.window = bench.start_window("Zeziduz", "ZezForm")
        self.hwnd = self.window["hwnd"]
        kids = z.children(self.hwnd)
        self.listbox = next(k for k in kids if k["class"].lower() == "listbox")
        self.buttons = {k["text"]: k for k in kids if k["class"].lower() == "button"}
        self.labels = [k for k in kids if k["class"].lower() == "static"]
        if wait_ready:
            # Joined the chain once the application window has lost its taskbar button.
            z.wait_until(lambda: self.app_window() is not None
                         and self.app_window()["exstyle"] & WS_EX_TOOLWINDOW,
                         what="Zeziduz to finish starting")

    def info(self):
        return z.window_info(self.hwnd)

    def app_window(self):
        owner = z.window_info(self.hwnd).get("owner")
        return z.window_info(owner) if owner else None

    def rows(self):
        return z.row_texts(self.listbox["hwnd"])

    def wait_rows(self, count):
        return z.wait_rows(self.listbox["hwnd"], count)

    def click_button(self, caption):
        z.click_rect(self.buttons[caption]["rect"])

    def click_row(self, index):
        rows = z.lb_rows(self.listbox["hwnd"])["rows"]
        z.click_rect(rows[index]["rect"])
        z.wait_until(lambda: z.lb_rows(self.listbox["hwnd"])["cursel"] == index,
                     what=f"row {index} to be selected")

    def close(self):
        self.process.stop(hwnd=self.hwnd)


class ZezidizTestCase(z.BenchTestCase):
    def start(self, **kw):
        return Zeziduz(self.bench, **kw)

    def copy(self, text):
        """A copy by another Win32 program: exactly one notice, exact bytes."""
        self.bench.cliptool_copy(text)


class StartUp(ZezidizTestCase):
    def test_start_empties_the_clipboard_and_records_nothing_of_it(self):
        self.copy("before the start")
        zez = self.start()
        z.wait_until(lambda: z.cliptool_get_text() == b"", what="the clipboard to be emptied")
        time.sleep(0.3)
        self.assertEqual(zez.rows(), [])

    def test_window_is_placed_bottom_right_topmost_and_off_the_taskbar(self):
        zez = self.start()
        screen = z.screen()
        work = screen["work_area"]
        info = zez.info()
        rect = info["rect"]
        self.assertEqual(rect["left"], work["width"] - rect["width"] - 20)
        self.assertEqual(rect["top"], work["height"] - rect["height"] - 20)
        self.assertEqual((info["client"]["width"], info["client"]["height"]), (263, 321))
        self.assertTrue(info["exstyle"] & WS_EX_TOPMOST)
        self.assertEqual(info["title"], "Zeziduz")
        app = zez.app_window()
        self.assertIsNotNone(app, "the main window is owned by the application window")
        self.assertTrue(app["exstyle"] & WS_EX_TOOLWINDOW)
        self.assertEqual(sorted(zez.buttons), sorted(["粘  贴", "全部粘贴", "清  空"]))
        texts = sorted(k["text"] for k in zez.labels)
        self.assertEqual(texts, sorted(["做软件找River", "下载更多免费软件"]))
        z.screenshot("zeziduz-start")

    def test_first_control_has_the_focus(self):
        zez = self.start()
        z.wait_until(lambda: z.focus_of(zez.hwnd).get("focus") == zez.buttons["粘  贴"]["hwnd"],
                     what="粘  贴 to have the focus")


class Recording(ZezidizTestCase):
    def test_copies_become_rows_with_their_labels(self):
        zez = self.start()
        cases = [("one line", "one line"),
                 ("first\r\nsecond\r\n", "first"),
                 ("\r\nstarts with a line end", UNKNOWN),
                 ("复制的中文\r\n第二行", "复制的中文"),
                 ("same", "same"),
                 ("same", "same")]
        for i, (text, _) in enumerate(cases):
            self.copy(text)
            zez.wait_rows(i + 1)
        self.assertEqual(zez.rows(), [label for _, label in cases])

    def test_outside_copies_through_x_are_recorded(self):
        zez = self.start()
        self.bench.xclip_copy("从 X 复制")
        # One xclip copy can reach Wine as two notices of the same text (the
        # first one after start-up often does), so one or two rows.
        z.wait_until(lambda: zez.rows(), what="the copy's row")
        time.sleep(0.3)
        self.assertIn(len(zez.rows()), (1, 2))
        self.assertEqual(set(zez.rows()), {"从 X 复制"})

    def test_clear_empties_the_list_and_recording_goes_on(self):
        zez = self.start()
        for text in ("a", "b"):
            self.copy(text)
        zez.wait_rows(2)
        zez.click_button("清  空")
        zez.wait_rows(0)
        self.copy("c")
        zez.wait_rows(1)
        self.assertEqual(zez.rows(), ["c"])


class Pasting(ZezidizTestCase):
    def setUp(self):
        super().setUp()
        self.zez = self.start()
        self.notepad = self.bench.start_notepad()
        self.notepad.focus()

    def go_back_to_notepad_then_click(self, action):
        # The user works in notepad, then clicks into Zeziduz: its timer has seen
        # notepad in front by then.
        self.notepad.focus()
        time.sleep(0.3)
        action()

    def test_paste_selected_row_into_notepad_records_nothing_new(self):
        for text in ("alpha\r\n", "贝塔 beta", "gamma"):
            self.copy(text)
        self.zez.wait_rows(3)
        self.go_back_to_notepad_then_click(lambda: self.zez.click_row(1))
        self.zez.click_button("粘  贴")
        self.notepad.wait_text("贝塔 beta")
        time.sleep(0.3)
        self.assertEqual(len(self.zez.rows()), 3, "our own write is not recorded")
        self.assertEqual(z.cliptool_get_text(), z.to_ansi("贝塔 beta"))
        # The next outside copy is recorded again.
        self.copy("delta")
        self.zez.wait_rows(4)

    def test_paste_all_pastes_the_join(self):
        for text in ("one\r\n", "two", "three\r\n"):
            self.copy(text)
        self.zez.wait_rows(3)
        self.go_back_to_notepad_then_click(lambda: None)
        self.zez.click_button("全部粘贴")
        self.notepad.wait_text("one\r\ntwothree\r\n")
        time.sleep(0.3)
        self.assertEqual(len(self.zez.rows()), 3)

    def test_paste_with_no_row_selected_changes_nothing(self):
        self.copy("only")
        self.zez.wait_rows(1)
        self.go_back_to_notepad_then_click(lambda: None)
        self.zez.click_button("粘  贴")
        time.sleep(0.5)
        self.assertEqual(self.notepad.text(), "")
        self.assertEqual(z.cliptool_get_text(), b"only")
        # The skip flag was not set: the next copy is recorded.
        self.copy("next")
        self.zez.wait_rows(2)

    def test_pastes_land_every_time(self):
        self.copy("x")
        self.zez.wait_rows(1)
        for n in range(1, 6):
            self.go_back_to_notepad_then_click(lambda: self.zez.click_row(0))
            self.zez.click_button("粘  贴")
            self.notepad.wait_text("x" * n)

    def test_clipboard_held_open_during_a_paste_shows_the_box_and_runs_on(self):
        self.copy("held")
        self.zez.wait_rows(1)
        self.go_back_to_notepad_then_click(lambda: self.zez.click_row(0))
        holder = self.bench.hold_clipboard(4000)
        self.zez.click_button("粘  贴")
        box = z.wait_dialog(self.zez.window["pid"])
        self.assertEqual(box["caption"], "Zeziduz")
        self.assertIn("无法打开剪贴板.", box["texts"])
        z.press_button(box["buttons"][0]["hwnd"])
        holder.wait()
        self.assertEqual(self.notepad.text(), "")
        self.copy("after the box")
        self.zez.wait_rows(2)


class NoTargetYet(ZezidizTestCase):
    def test_paste_before_ever_leaving_does_no_harm(self):
        zez = self.start()
        self.copy("text")
        zez.wait_rows(1)
        zez.click_row(0)
        zez.click_button("粘  贴")
        time.sleep(0.5)
        self.assertTrue(zez.process.alive())
        self.assertEqual(z.cliptool_get_text(), b"text")
        self.assertEqual(zez.rows(), ["text"])


class HeldAtStartUp(ZezidizTestCase):
    def test_box_is_shown_and_the_program_still_hears_later_copies(self):
        holder = self.bench.hold_clipboard(2500)
        proc = self.bench.start("Zeziduz")
        box = z.wait_until(lambda: next((d for d in z.dialogs(0)
                                         if d["visible"] and d["caption"] == "Zeziduz"), None),
                           what="the start-up error box")
        self.assertIn("无法打开剪贴板.", box["texts"])
        z.press_button(box["buttons"][0]["hwnd"])
        holder.wait()
        zez = Zeziduz.__new__(Zeziduz)
        zez.bench, zez.process = self.bench, proc
        zez.window = z.wait_window("ZezForm", "Zeziduz")
        zez.hwnd = zez.window["hwnd"]
        zez.listbox = z.child(zez.hwnd, cls="ListBox")
        work = z.screen()["work_area"]
        rect = zez.window["rect"]
        self.assertEqual(rect["left"], work["width"] - rect["width"] - 20)
        self.assertTrue(zez.app_window()["exstyle"] & WS_EX_TOOLWINDOW)
        self.copy("after the held start")
        zez.wait_rows(1)
        self.assertEqual(zez.rows(), ["after the held start"])


ASK_COUNT = 0x8001  # cbviewer: notices received


class Closing(ZezidizTestCase):
    def start_viewer(self, name):
        proc = self.bench.start("cbviewer", name)
        window = z.wait_until(lambda: next(iter(z.find_windows("ZezTestViewer", name)), None),
                              what=f"viewer {name}")
        self.addCleanup(lambda: proc.stop(hwnd=window["hwnd"]))
        return window["hwnd"]

    def notices(self, viewer):
        return z.wininfo("send", viewer, ASK_COUNT)["result"]

    def test_close_ends_the_program_also_when_asked_twice(self):
        viewer = self.start_viewer("watching")
        zez = self.start()
        # Two close requests before the program has ended: it leaves the chain once.
        z.wininfo("close", zez.hwnd, 0, check=False)
        z.wininfo("close", zez.hwnd, 0, check=False)
        zez.process.wait()
        self.assertEqual(zez.process.returncode, 0)
        count = self.notices(viewer)
        self.copy("after two closes")
        z.wait_until(lambda: self.notices(viewer) == count + 1, what="the viewer to hear the copy")

    def test_closing_leaves_the_other_viewers_chain_intact(self):
        before = self.start_viewer("before")  # joins first: Zeziduz's next viewer
        zez = self.start()
        after = self.start_viewer("after")  # joins last: Zeziduz is its next viewer
        self.copy("while all three are in")
        zez.wait_rows(1)
        counts = {v: self.notices(v) for v in (before, after)}
        z.close_window(zez.hwnd)
        zez.process.wait()
        self.copy("after Zeziduz left")
        for viewer in (before, after):
            z.wait_until(lambda v=viewer: self.notices(v) == counts[v] + 1,
                         what="the viewer to hear the copy after Zeziduz left")


if __name__ == "__main__":
    z.main()
