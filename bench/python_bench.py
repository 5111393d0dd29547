#!/usr/bin/env python3
"""tbcalc.brightness on a million wind/rain pairs against the same computations
in C++, side by side. Prints figures; never fails on them.

    python_bench.py <six_channels_loop> [pairs] [repeats]   (tbcalc on PYTHONPATH)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

import tbcalc

SST_C, ALTITUDE_M, AIR_C = 20.0, 1500.0, 10.0


def main():
    loop = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1_000_000
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    rng = np.random.default_rng(1)
    pairs = np.column_stack([rng.uniform(0, 150, count), rng.uniform(-10, 150, count)])
    pairs = pairs.astype(np.float32)
    wind, rain = pairs[:, 0].copy(), pairs[:, 1].copy()
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "pairs.f32")
        pairs.tofile(path)
        python_times, cpp_times = [], []
        for _ in range(repeats):  # alternating, so that both meet the same machine load
            start = time.perf_counter()
            tb = tbcalc.brightness(SST_C, ALTITUDE_M, AIR_C, wind, rain)
            python_times.append(time.perf_counter() - start)
            done = subprocess.run([loop, path, str(SST_C), str(ALTITUDE_M), str(AIR_C), "3"],
                                  capture_output=True, text=True, check=True)
            seconds, middle = done.stdout.split()
            cpp_times.append(float(seconds))
    if np.float32(middle) != tb.reshape(-1)[tb.size // 2]:
        print("(the two sides disagree: the comparison is void)")
    py, cpp = statistics.median(python_times), statistics.median(cpp_times)
    print(f"python brightness  {py / count * 1e9:8.1f} ns per computation ({count} pairs, "
          f"median of {repeats})")
    print(f"C++ SixChannels    {cpp / count * 1e9:8.1f} ns per computation")
    print(f"ratio              {py / cpp:8.2f}   python / C++ (target at most 1.2)")


if __name__ == "__main__":
    main()
