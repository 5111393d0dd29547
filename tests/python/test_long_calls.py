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


def retrieve_numbers(sst, altitude, air, wind, rain):
    tb = tbcalc.brightness(sst, altitude, air, wind, rain) + 0.3
    r = tbcalc.retrieve(sst, altitude, air, tb)
    return [getattr(r, field[0]) for field in tbcalc.RETRIEVAL_FIELDS] + [r.status_code]


def jacobian_numbers(*inputs):
    j = tbcalc.jacobian(*inputs)
    return [j.tb, j.d_wind, j.d_altitude]


# Rows longer than a block, read through strides, so that blocks end inside
# rows and rows inside blocks.
@pytest.mark.parametrize("compute,shape", [
    (lambda *inputs: [tbcalc.brightness(*inputs)], (3, 20000)),
    (jacobian_numbers, (3, 2500)),
    (retrieve_numbers, (3, 300)),
])
def test_blocks_give_what_short_calls_give(compute, shape):
    rng = np.random.default_rng(17)
    base = rng.uniform(0, 1, (2 * shape[0], 3 * shape[1]))
    wind = (150 * base)[::2, ::-3]
    sst = np.array([[0.0], [15.0], [28.0]])
    whole = compute(sst, 1500, 10, wind, 5)
    step = 97  # short calls, each within one block
    for row in range(shape[0]):
        for start in range(0, shape[1], step):
            part = compute(sst[row], 1500, 10, wind[row, start:start + step], 5)
            for got, expected in zip(whole, part):
                np.testing.assert_array_equal(got[row, start:start + step], expected)


CHILD = r"""
import sys, time, tracemalloc
import numpy as np
import tbcalc

kind, rows = sys.argv[1], int(sys.argv[2])
rng = np.random.default_rng(0)
# A new sea surface temperature at every element defeats the model's caches;
# the rows repeat one another without taking memory.
sst = rng.uniform(-5, 45, 1000).astype(np.float32)
wind = rng.uniform(0, 150, 1000).astype(np.float32)
tb = tbcalc.brightness(sst, 1500, 10, wind, 5).astype(np.float64)
if kind == "retrieve":
    call = lambda n: tbcalc.retrieve(np.broadcast_to(sst, (n, 1000)), 1500, 10,
                                     np.broadcast_to(tb, (n, 1000, 6)))
else:
    call = lambda n: getattr(tbcalc, kind)(np.broadcast_to(sst, (n, 1000)), 1500, 10,
                                           np.broadcast_to(wind, (n, 1000)), 5)
start = time.perf_counter()
call(max(1, rows // 100))
estimate = (time.perf_counter() - start) * rows / max(1, rows // 100)
tracemalloc.start()
before = tracemalloc.get_traced_memory()[0]
print("started", estimate, flush=True)
try:
    result = call(rows)
except KeyboardInterrupt:
    print("held", tracemalloc.get_traced_memory()[0] - before, flush=True)
    raise
print("finished", flush=True)
"""


# Rows of 1000 elements: each call is some 10 s of work or more.
@pytest.mark.parametrize("kind,rows", [("brightness", 12000), ("jacobian", 10000),
                                       ("retrieve", 700)])
def test_ctrl_c_stops_a_long_call(kind, rows):
    child = subprocess.Popen([sys.executable, "-c", CHILD, kind, str(rows)],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        word, estimate = child.stdout.readline().split()
        assert word == "started"
        time.sleep(0.5)  # well inside the call
        sent = time.perf_counter()
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=30)
        stopped = time.perf_counter() - sent
    finally:
        child.kill()
        child.wait()
    assert child.returncode != 0 and err.rstrip().endswith("KeyboardInterrupt"), err
    assert float(estimate) > 5.0, "the call is too short to show anything"
    assert stopped < 2.0, f"{kind}: {stopped:.2f} s from Ctrl-C to the end"
    word, held = out.split()
    assert word == "held" and int(held) < 64 * 1024, f"{kind} still holds {held} bytes"
