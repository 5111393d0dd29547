"""tbcalc.xarray on dask, as archives need it: a cluster of worker processes
gives the eager results bit for bit, a netCDF file is processed in memory
that does not grow with its length, and Ctrl-C stops a chunked computation."""
import logging
import signal
import subprocess
import sys
import time

import distributed
import netCDF4
import numpy as np
import xarray as xr

import tbcalc
import tbcalc.xarray
from test_xarray import assert_same


def noisy_flight(records):
    rng = np.random.default_rng(29)
    flight = xr.Dataset({"sst": ("record", rng.uniform(0, 30, records)),
                         "wind": ("record", rng.uniform(0, 60, records)),
                         "rain": ("record", rng.uniform(-10, 60, records))},
                        coords={"record": np.arange(records)})
    flight = tbcalc.xarray.forward(flight, altitude=1500.0, air=10.0)
    flight["tb"] = flight.tb + rng.normal(0, 0.5, flight.tb.shape).astype(np.float32)
    return flight


def test_a_cluster_of_two_worker_processes_gives_the_eager_results():
    flight = noisy_flight(3000)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=":0", silence_logs=logging.ERROR) as cluster, \
            distributed.Client(cluster) as client:
        with distributed.get_task_stream(client) as tasks:
            product = tbcalc.xarray.retrieve(flight.chunk({"record": 250})).compute()
            forward = tbcalc.xarray.forward(flight.chunk({"record": 250})).compute()
    assert len({task["worker"] for task in tasks.data}) == 2
    assert_same(product, tbcalc.xarray.retrieve(flight))
    assert_same(forward, tbcalc.xarray.forward(flight))


def write_flight(path, records):
    """sst, altitude, air, wind and rain as float32, written a million at a
    time. The sea surface temperature changes every 10,000 records, as along
    a track: the model's caches keep it at its fast pace."""
    with netCDF4.Dataset(path, "w") as f:
        f.createDimension("record", records)
        for name in ("sst", "altitude", "air", "wind", "rain"):
            f.createVariable(name, "f4", ("record",))
        for start in range(0, records, 1_000_000):
            i = np.arange(start, min(records, start + 1_000_000))
            f["sst"][i] = 20 + (i // 10_000) % 100 * 0.1
            f["altitude"][i] = 1500
            f["air"][i] = 10
            f["wind"][i] = (i * 0.37) % 150
            f["rain"][i] = (i * 0.11) % 160 - 10


MEASURE = r"""
import resource, sys
import xarray as xr
import tbcalc.xarray
with xr.open_dataset(sys.argv[1], chunks={"record": 250_000}) as flight:
    tbcalc.xarray.forward(flight).to_netcdf(sys.argv[2])
print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss // 1024)  # peak, MiB
"""


def test_a_file_is_processed_in_memory_that_does_not_grow_with_it(tmp_path):
    peaks = {}
    try:
        for records in (1_000_000, 10_000_000):
            flight, product = tmp_path / f"flight{records}.nc", tmp_path / f"product{records}.nc"
            write_flight(flight, records)
            done = subprocess.run([sys.executable, "-c", MEASURE, flight, product],
                                  capture_output=True, text=True, check=True)
            peaks[records] = int(done.stdout)
            with xr.open_dataset(flight) as given, xr.open_dataset(product) as written:
                assert written.tb.shape == (records, 6)
                last = given.isel(record=slice(records - 5000, None)).load()
                np.testing.assert_array_equal(
                    written.tb[records - 5000:],
                    tbcalc.brightness(last.sst, last.altitude, last.air, last.wind, last.rain))
            product_mib = product.stat().st_size >> 20
            flight.unlink()
            product.unlink()
    finally:
        for path in tmp_path.glob("*.nc"):
            path.unlink()
    # The 10M-record product takes 420 MiB, a chunk of 250,000 records 10 MiB;
    # the graph of 40 chunks rather than 4 adds a few MiB.
    assert peaks[10_000_000] - peaks[1_000_000] < 16, peaks
    assert peaks[10_000_000] < product_mib / 2, peaks


CHILD = r"""
import sys, time
import dask
import numpy as np
import xarray as xr
import tbcalc, tbcalc.xarray

records = 800_000  # eight chunks of well over a second of work each
tb = tbcalc.brightness(20, 1500, 10, np.linspace(0, 60, records), 5)
flight = xr.Dataset({"tb": (("record", "channel"), tb)}).chunk({"record": 100_000})
product = tbcalc.xarray.retrieve(flight, sst=20, altitude=1500, air=10)
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
