"""tbcalc.xarray on dask, as archives need it: a cluster of worker processes
gives the eager results bit for bit, a netCDF file is processed in memory
that does not grow with its length, and Ctrl-C stops a chunked computation."""
import logging
import os
import signal
import subprocess
import sys
import time

import distributed
import netCDF4
import numpy as np
import xarray as xr

import tbcalc
import tbcalc.xarray as tx
from test_xarray import assert_same, scene  # noqa: F401 (a fixture)


def test_a_cluster_of_two_worker_processes_gives_the_eager_results(scene):
    flight = tx.forward(scene)
    flight["tb"] = flight.tb + np.random.default_rng(29).normal(0, 0.5, flight.tb.shape)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=":0", silence_logs=logging.ERROR) as cluster, \
            distributed.Client(cluster) as client, distributed.get_task_stream(client) as tasks:
        product = tx.retrieve(flight.chunk({"track": 5})).compute()
        forward = tx.forward(scene.chunk({"track": 5})).compute()
    assert len({task["worker"] for task in tasks.data}) == 2
    assert_same(product, tx.retrieve(flight))
    assert_same(forward, tx.forward(scene))


MEASURE = r"""
import sys
import dask
import xarray as xr
import tbcalc.xarray


# MiB of this process image alone: ru_maxrss would not do, as on Linux a
# child keeps across fork and exec the peak of the parent it came from.
def resident(field):
    with open("/proc/self/status") as status:
        return next(int(line.split()[1]) for line in status if line.startswith(field)) >> 10


ready = resident("VmRSS:")  # the interpreter and its packages, before the file
# One chunk after another in this thread: the memory a file needs, without
# the threads' own (the cluster test above covers parallel chunks).
with dask.config.set(scheduler="synchronous"), \
        xr.open_dataset(sys.argv[1], chunks={"record": 250_000}) as flight:
    tbcalc.xarray.forward(flight).to_netcdf(sys.argv[2])
print(ready, resident("VmHWM:"))  # the peak since exec
"""


def test_a_file_is_processed_in_memory_that_does_not_grow_with_it(tmp_path):
    ready, peaks = {}, {}
    flight, product = tmp_path / "flight.nc", tmp_path / "product.nc"
    try:
        for records in (1_000_000, 10_000_000):
            with netCDF4.Dataset(flight, "w") as f:  # written a million records at a time
                f.createDimension("record", records)
                for name in ("sst", "altitude", "air", "wind", "rain"):
                    f.createVariable(name, "f4", ("record",))
                for start in range(0, records, 1_000_000):
                    i = np.arange(start, min(records, start + 1_000_000))
                    # The sea temperature changes every 10,000 records, as along a
                    # track: the model's caches keep its fast pace.
                    f["sst"][i] = 20 + (i // 10_000) % 100 / 10
                    f["altitude"][i], f["air"][i] = 1500, 10
                    f["wind"][i], f["rain"][i] = (i * 0.37) % 150, (i * 0.11) % 160 - 10
            # A child that never ends is a failure, not a hung suite.
            done = subprocess.run([sys.executable, "-c", MEASURE, flight, product],
                                  capture_output=True, text=True, check=True, timeout=300)
            ready[records], peaks[records] = map(int, done.stdout.split())
            with netCDF4.Dataset(flight) as given, netCDF4.Dataset(product) as written:
                last = [given[name][-5000:] for name in ("sst", "altitude", "air", "wind", "rain")]
                np.testing.assert_array_equal(written["tb"][-5000:], tbcalc.brightness(*last))
            product_mib = product.stat().st_size >> 20
    finally:
        flight.unlink(missing_ok=True)
        product.unlink(missing_ok=True)
    # Memory that grew with the file would add 378 MiB from the 1M-record
    # product to the 10M one (420 MiB). A chunk of 250,000 records takes
    # 10 MiB and the graph of 40 chunks rather than 4 a few more: the bounds
    # leave tens of MiB to other builds of the libraries. The peak counts from
    # what the interpreter and its packages held before the file was opened.
    # Under the sanitizers (make sanitize) the allocator keeps tens of MiB
    # more of what it freed: only a product held whole is told apart there.
    growth = peaks[10_000_000] - peaks[1_000_000]
    if os.environ.get("TBCALC_SANITIZED"):
        assert growth < product_mib / 2, (ready, peaks)
    else:
        assert growth < 32, (ready, peaks)
        assert peaks[10_000_000] - ready[10_000_000] < product_mib / 4, (ready, peaks, product_mib)


CHILD = r"""
import sys, time
import numpy as np
import xarray as xr
import tbcalc, tbcalc.xarray

tb = tbcalc.brightness(20, 1500, 10, np.linspace(0, 60, 800_000), 5)
flight = xr.Dataset({"tb": (("record", "channel"), tb)}).chunk({"record": 100_000})
product = tbcalc.xarray.retrieve(flight, sst=20, altitude=1500, air=10)  # 1-2 s a chunk
print("started", flush=True)
try:
    product.compute(scheduler=sys.argv[1])
except KeyboardInterrupt:
    print("interrupted", time.time(), flush=True)
    raise
"""


def test_ctrl_c_stops_a_chunked_computation():
    # Synchronous: the chunk's own loop stops. Threads: the main thread stops
    # waiting at once, while the chunks in flight end in the background.
    for scheduler in ("synchronous", "threads"):
        child = subprocess.Popen([sys.executable, "-c", CHILD, scheduler],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            assert child.stdout.readline().strip() == "started"
            time.sleep(0.5)  # inside the first chunks
            sent = time.time()
            child.send_signal(signal.SIGINT)
            out, err = child.communicate(timeout=60)
        finally:
            child.kill()
            child.wait()
        assert child.returncode != 0 and err.rstrip().endswith("KeyboardInterrupt"), err
        word, when = out.split()
        assert word == "interrupted" and float(when) - sent < 0.5, (scheduler, float(when) - sent)
