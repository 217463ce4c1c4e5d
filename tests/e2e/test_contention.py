"""Contention: another program holds the clipboard open at random moments
(10-200 ms) while copies and pastes go on. Zeziduz never crashes or hangs,
every failed paste shows its box (dismissed here), no copy that Zeziduz could
read is lost, and afterwards every row pastes exactly its own entry."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reliab as r  # noqa: E402
import zezbench as z  # noqa: E402

CANNOT_OPEN = "无法打开剪贴板."


class Contention(z.BenchTestCase):
    def test_held_clipboard_during_copies_and_pastes(self):
        timer = r.Timer()
        copies, pastes = r.size((200, 50), (1000, 250))
        zez = r.Zeziduz(self.bench)
        listbox, button = r.listbox_and_paste_button(zez)
        result = r.storm("contend", r.SEED, copies, pastes, 25, "held-", listbox, button,
                         timeout=120 + copies * 1.5)
        rows = zez.rows()
        entries = [bytes.fromhex(c[0].encode().hex()).decode() for c in result["copies"]]
        readable = [c[0] for c in result["copies"] if c[1]]
        lost = [t for t in entries if t not in rows]
        lost_readable = [t for t in readable if t not in rows]
        made = set(entries)
        foreign = [t for t in rows if t not in made]
        # A row that repeats the row before it, or a text pasted just then.
        repeats = sum(1 for i in range(1, len(rows)) if rows[i] == rows[i - 1])
        repeated = [rows[i] for i in range(1, len(rows)) if rows[i] == rows[i - 1]]
        if lost or repeated:
            print(f"lost (not readable): {lost}; repeated rows: {repeated}")
            for p in result["paste_list"]:
                p = dict(p, label=bytes.fromhex(p["label"]).decode(errors="replace"),
                         pasted=bytes.fromhex(p["pasted"]).decode(errors="replace"))
                p.pop("box", None)
                print(f"  paste {p}")
        boxes = [p for p in result["paste_list"] if p["end"] == "box"]
        r.figure("contention", seed=r.SEED, copies=result["made"],
                 copies_failed_to_open=result["failed"], readable=len(readable),
                 holds=result["holds"], held_ms=result["held_ms"], pastes=result["pastes"],
                 landed=result["landed"], boxes=result["boxes"], nothing=result["nothing"],
                 rows=len(rows), lost=len(lost), lost_readable=len(lost_readable),
                 repeated_rows=repeats, foreign_rows=len(foreign),
                 wrong_rows_after=result["wrong_rows"], storm_ms=result["storm_ms"],
                 check_ms=result["check_ms"], duration=timer)
        self.assertTrue(zez.process.alive(), "Zeziduz is still running")
        self.assertTrue(r.storm("loop", button, 3000)["ran"], "its message loop still runs")
        self.assertEqual([d for d in z.dialogs(r.wine_pid(zez)) if d["visible"]], [],
                         "no box is left open")
        for box in boxes:
            self.assertIn(CANNOT_OPEN, bytes.fromhex(box["box"]).decode("utf-8"))
        self.assertGreater(result["holds"], 0)
        self.assertEqual(foreign, [], "every row is a text that was copied")
        self.assertEqual(lost_readable, [],
                         "a copy made while nobody else held the clipboard is recorded")
        # Rows keep the order of the copies.
        order = [t for t in rows if t in made]
        self.assertEqual(order, sorted(order))
        self.assertEqual(result["wrong_rows"], 0, result["wrong"])


if __name__ == "__main__":
    z.main()
