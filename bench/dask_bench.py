#!/usr/bin/env python3
"""Records per second of tbcalc.xarray.retrieve on a dask-backed Dataset, on a
local cluster of worker processes (one thread each), against tbcalc.retrieve
on the same numpy arrays in one thread. Prints figures; never fails on them.

    dask_bench.py [records] [workers] [repeats]   (tbcalc on PYTHONPATH)

The records are random across the accepted ranges with 0.5 K of noise. Their
chunks are placed on the workers before the clock starts, as a file's chunks
would be read there; the clock stops when the retrieval's variables are back
in this process (the inputs, which the product also holds, stay out there).
"""
import logging
import statistics
import sys
import time

import distributed
import numpy as np
import xarray as xr

import tbcalc
import tbcalc.xarray

CHUNKS_PER_WORKER = 8  # enough to even out the records' unequal costs


def flight(records):
    rng = np.random.default_rng(1)
    env = {"sst": rng.uniform(-5, 45, records), "altitude": rng.uniform(1, 16000, records),
           "air": rng.uniform(-70, 45, records)}
    tb = tbcalc.brightness(env["sst"], env["altitude"], env["air"], rng.uniform(0, 150, records),
                           rng.uniform(-10, 150, records))
    tb = tb + rng.normal(0, 0.5, tb.shape)
    return xr.Dataset({name: ("record", values) for name, values in env.items()}
                      | {"tb": (("record", "channel"), tb)})


def main():
    records = int(sys.argv[1]) if len(sys.argv) > 1 else 400_000
    workers = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    data = flight(records)
    chunk = max(1, records // (workers * CHUNKS_PER_WORKER))
    eager_times, dask_times = [], []
    retrieved = [field[0] for field in tbcalc.RETRIEVAL_FIELDS] + ["iterations", "status"]
    with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                  dashboard_address=":0", silence_logs=logging.ERROR) as cluster, \
            distributed.Client(cluster):  # the default scheduler from here on
        placed = data.chunk({"record": chunk}).persist()
        distributed.wait(placed)
        tbcalc.xarray.retrieve(placed.isel(record=slice(0, 10))).compute()  # imports on workers
        for _ in range(repeats):  # alternating, so that both meet the same machine load
            start = time.perf_counter()
            # As the product has them: with the confidence intervals.
            eager = tbcalc.retrieve(data.sst.values, data.altitude.values, data.air.values,
                                    data.tb.values, intervals=True)
            eager_times.append(time.perf_counter() - start)
            start = time.perf_counter()
            product = tbcalc.xarray.retrieve(placed)[retrieved].compute()
            dask_times.append(time.perf_counter() - start)
    if not all(np.array_equal(product[name].values, getattr(eager, name), equal_nan=True)
               for name in retrieved[:-1]):
        print("(the two sides disagree: the comparison is void)")
    one, many = statistics.median(eager_times), statistics.median(dask_times)
    print(f"retrieve, numpy, one thread       {records / one:10,.0f} records/s "
          f"({records} records, median of {repeats})")
    print(f"retrieve, dask, {workers} worker processes {records / many:10,.0f} records/s "
          f"({records // chunk} chunks)")
    print(f"speed-up                          {one / many:10.2f}   (target at least 1.7 "
          f"with 2 workers on 2 cores)")


if __name__ == "__main__":
    main()
