"""A chain that never breaks: Zeziduz among five viewers of ours that join and
leave in a seeded random order while another program copies every 25 ms."""

import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reliab as r  # noqa: E402
import zezbench as z  # noqa: E402


class ChainChurn(z.BenchTestCase):
    def test_every_member_hears_every_copy_made_while_it_is_in(self):
        timer = r.Timer()
        copies = r.size(300, 2000)
        rng = random.Random(r.SEED)
        names = [f"churn{i}" for i in range(5)]
        # Some join before Zeziduz (so it forwards to them and sees them leave
        # as its next viewer), the rest start outside and join later, upstream.
        before = set(rng.sample(names, 2))
        viewers = {n: r.Viewer(self, n, joined=n in before) for n in names if n in before}
        zez = r.Zeziduz(self.bench)
        for n in names:
            if n not in before:
                viewers[n] = r.Viewer(self, n, joined=False)

        result = r.storm("churn", r.SEED, copies, 25, "churn-", ",".join(names),
                         timeout=60 + copies * 0.2)
        made = result["made"]
        stays = [(v["name"], s) for v in result["viewers"] for s in v["stays"]]
        heard = sum(s["seen"] for _, s in stays)
        expected = sum(s["expected"] for _, s in stays)
        rows = zez.rows()
        wanted = [f"churn-{k:04d}" for k in range(made)]
        r.figure("chain churn", seed=r.SEED, copies=made, failed_copies=result["failed"],
                 joins=result["joins"], leaves=result["leaves"], stays=len(stays),
                 notices_expected=expected, notices_seen=heard, bad_stays=result["bad_stays"],
                 zeziduz_rows=len(rows), copying_ms=result["copying_ms"],
                 max_lag_ms=result["max_lag_ms"],
                 waited_before_leaves_ms=result["waited_before_leaves_ms"])
        self.assertGreaterEqual(made, 300 if not r.LONG else 2000)
        self.assertEqual(result["failed"], 0)
        self.assertGreater(result["joins"], 0)
        self.assertGreater(result["leaves"], 0)
        for name, stay in stays:
            with self.subTest(viewer=name, stay=(stay["from"], stay["to"])):
                self.assertEqual(stay["seen"], stay["expected"], stay)
        missing = [t for t in wanted if t not in set(rows)]
        self.assertEqual(len(rows), made, f"missing {missing[:10]}")
        self.assertEqual(rows, wanted, "Zeziduz recorded every copy, in order")

        # Zeziduz leaves; the viewers still in go on hearing copies, the others not.
        z.close_window(zez.hwnd)
        zez.process.wait()
        inside = {v["name"] for v in result["viewers"] if v["in"]}
        counts = {n: viewers[n].count() for n in names}
        after = 5
        for k in range(after):
            self.bench.cliptool_copy(f"after-{k}")
        for n in names:
            want = counts[n] + (after if n in inside else 0)
            z.wait_until(lambda v=viewers[n], w=want: v.count() == w,
                         what=f"viewer {n} ({'in' if n in inside else 'out'}) at {want} notices")
        r.figure("chain churn after exit", inside=len(inside), copies=after,
                 heard_by_each=after, duration=timer)


if __name__ == "__main__":
    z.main()
