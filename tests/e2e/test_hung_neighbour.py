"""A hung neighbour: the viewer after Zeziduz in the chain stops answering.
Zeziduz must go on working (rows appear, buttons respond), and the chain must
carry the notices on once the neighbour answers again or leaves."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reliab as r  # noqa: E402
import zezbench as z  # noqa: E402

HANG_MS = 6000


class HungNeighbour(z.BenchTestCase):
    def setUp(self):
        super().setUp()
        # Joined before Zeziduz, so the chain runs Zeziduz -> hung -> tail.
        self.tail = r.Viewer(self, "tail")
        self.hung = r.Viewer(self, "hung")
        self.zez = r.Zeziduz(self.bench)
        self.bench.cliptool_copy("before the hang")
        self.zez.wait_rows(1)
        self.counts = {"hung": self.hung.count(), "tail": self.tail.count()}

    def row_within(self, count, what):
        start = time.monotonic()
        z.wait_rows(self.zez.listbox["hwnd"], count, timeout=10)
        return round(time.monotonic() - start, 2)

    def loop_runs(self):
        return r.storm("loop", self.zez.buttons["清  空"]["hwnd"], 3000)

    def test_zeziduz_keeps_working_and_the_chain_recovers_when_it_answers_again(self):
        self.hung.hang(HANG_MS)
        hang_start = time.monotonic()
        self.bench.cliptool_copy("while hung 1")
        first = self.row_within(2, "the first row while hung")
        loop = self.loop_runs()
        self.assertTrue(loop["ran"], "Zeziduz's message loop runs while the neighbour hangs")
        self.bench.cliptool_copy("while hung 2")
        second = self.row_within(3, "the second row while hung")
        # A real click on a button still does its work.
        self.zez.click_button("清  空")
        self.zez.wait_rows(0)
        self.bench.cliptool_copy("after the clear")
        third = self.row_within(1, "the row after the clear")
        self.assertLess(time.monotonic() - hang_start, HANG_MS / 1000,
                        "all of this happened while the neighbour was still hung")
        # Once it answers, the notices it missed reach it and the viewer after it.
        for name, viewer in (("hung", self.hung), ("tail", self.tail)):
            z.wait_until(lambda v=viewer, n=name: v.count() == self.counts[n] + 3,
                         timeout=HANG_MS / 1000 + 10, what=f"{name} to catch up")
        self.bench.cliptool_copy("after the hang")
        self.zez.wait_rows(2)
        for name, viewer in (("hung", self.hung), ("tail", self.tail)):
            z.wait_until(lambda v=viewer, n=name: v.count() == self.counts[n] + 4,
                         what=f"{name} to hear the copy after the hang")
        r.figure("hung neighbour", hang_ms=HANG_MS, first_row_s=first, second_row_s=second,
                 row_after_clear_s=third, loop_ms=loop["ms"],
                 recovered="hung+tail heard all 4")
        self.assertEqual(self.zez.rows(), ["after the clear", "after the hang"])

    def test_chain_recovers_when_the_hung_neighbour_leaves(self):
        self.hung.hang(3000)
        self.bench.cliptool_copy("while hung")
        z.wait_rows(self.zez.listbox["hwnd"], 2, timeout=10)
        # Once it answers again it leaves: Zeziduz must adopt the viewer after it.
        z.wait_until(lambda: self.hung.count() == self.counts["hung"] + 1, timeout=15,
                     what="the hung viewer to answer again")
        self.hung.leave()
        self.bench.cliptool_copy("after it left")
        self.zez.wait_rows(3)
        z.wait_until(lambda: self.tail.count() == self.counts["tail"] + 2,
                     what="the viewer after the one that left to hear both copies")
        self.assertEqual(self.hung.count(), self.counts["hung"] + 1)
        # Zeziduz leaves too; the tail is still reached.
        z.close_window(self.zez.hwnd)
        self.zez.process.wait()
        self.bench.cliptool_copy("after Zeziduz left")
        z.wait_until(lambda: self.tail.count() == self.counts["tail"] + 3,
                     what="the tail to hear copies after Zeziduz left")

    def test_closing_while_the_neighbour_hangs_ends_promptly(self):
        self.hung.hang(HANG_MS)
        time.sleep(0.2)
        start = time.monotonic()
        z.close_window(self.zez.hwnd, timeout=10)
        self.zez.process.wait(timeout=10)
        took = round(time.monotonic() - start, 2)
        r.figure("hung neighbour close", close_s=took)
        self.assertLess(took, HANG_MS / 1000)
        # The chain, now tail <- hung, works once the neighbour answers again.
        self.bench.cliptool_copy("after the close")
        for name, viewer in (("hung", self.hung), ("tail", self.tail)):
            z.wait_until(lambda v=viewer, n=name: v.count() >= self.counts[n] + 1,
                         timeout=HANG_MS / 1000 + 10, what=f"{name} to hear the copy")


if __name__ == "__main__":
    z.main()
