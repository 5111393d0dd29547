"""Long calls: walked in blocks without the GIL, they give what short calls
give, and Ctrl-C stops them promptly with KeyboardInterrupt, freeing what
they had allocated."""
import os
import signal
import subprocess
import sys
import time

import numpy as np
import pytest

import tbcalc


def retrieved(*inputs):
    r = tbcalc.retrieve(*inputs[:3], tbcalc.brightness(*inputs) + 0.3)
    return [getattr(r, f[0]) for f in tbcalc.RETRIEVAL_FIELDS] + [r.status_code]


# Strided rows longer than a block: blocks end inside rows, rows inside blocks.
@pytest.mark.parametrize("compute,columns", [
    (lambda *inputs: [tbcalc.brightness(*inputs)], 20000),
    (lambda *inputs: [tbcalc.jacobian(*inputs).d_wind], 2500),
    (retrieved, 300)])
def test_blocks_give_what_short_calls_give(compute, columns):
    wind = 150 * np.random.default_rng(17).uniform(0, 1, (6, 3 * columns))[::2, ::-3]
    sst = np.array([[0.0], [15.0], [28.0]])
    whole = compute(sst, 1500, 10, wind, 5)
    for row in range(3):
        for start in range(0, columns, 97):  # short calls, each within one block
            piece = compute(sst[row], 1500, 10, wind[row, start:start + 97], 5)
            for got, expected in zip(whole, piece):
                np.testing.assert_array_equal(got[row, start:start + 97], expected)


CHILD = r"""
import sys, time, tracemalloc
import numpy as np
import tbcalc

kind, rows = sys.argv[1], int(sys.argv[2])
# A new sea temperature at every element defeats the model's caches.
sst = np.random.default_rng(0).uniform(-5, 45, 1000).astype(np.float32)
wind = np.linspace(0, 150, 1000, dtype=np.float32)
if kind == "retrieve":
    tb = tbcalc.brightness(sst, 1500, 10, wind, 5).astype(np.float64)
    call = lambda n: tbcalc.retrieve(np.broadcast_to(sst, (n, 1000)), 1500, 10,
                                     np.broadcast_to(tb, (n, 1000, 6)))
else:
    call = lambda n: getattr(tbcalc, kind)(np.broadcast_to(sst, (n, 1000)), 1500, 10, wind, 5)
start = time.perf_counter()
call(rows // 100)
tracemalloc.start()
print("started", (time.perf_counter() - start) * 100, flush=True)
try:
    call(rows)
except KeyboardInterrupt:
    print("held", tracemalloc.get_traced_memory()[0], flush=True)
    raise
"""


def stop_bound_s(estimate):
    """Seconds from Ctrl-C to the end. Under the sanitizers (make sanitize) the
    model runs several times slower, the more so on a busy machine, and each
    block between two looks for Ctrl-C with it: there the bound grows to a
    quarter of the call's own measured length, which a call that ignored
    Ctrl-C would still overrun several times over."""
    return max(2.0, estimate / 4) if os.environ.get("TBCALC_SANITIZED") else 2.0


# Each call is some ten seconds of work or more.
@pytest.mark.parametrize("kind,rows", [("brightness", 12000), ("jacobian", 10000),
                                       ("retrieve", 700)])
def test_ctrl_c_stops_a_long_call(kind, rows):
    child = subprocess.Popen([sys.executable, "-c", CHILD, kind, str(rows)],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        word, estimate = child.stdout.readline().split()
        time.sleep(0.5)  # well inside the call
        sent = time.perf_counter()
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=60)
        stopped = time.perf_counter() - sent
    finally:
        child.kill()
        child.wait()
    assert word == "started" and float(estimate) > 5, "too short a call to show anything"
    assert child.returncode != 0 and err.rstrip().endswith("KeyboardInterrupt"), err
    assert stopped < stop_bound_s(float(estimate)), \
        f"{kind}: {stopped:.2f} s from Ctrl-C to the end of a {float(estimate):.1f} s call"
    word, held = out.split()
    assert word == "held" and int(held) < 64 * 1024, f"{kind} still holds {held} bytes"
