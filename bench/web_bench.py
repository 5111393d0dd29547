"""The browser page against its targets, in headless Chromium from the file:
its size (at most 1 MiB, the wasm inside), the time until it is ready (at
most 0.5 s, median of five loads), and a retrieval of RECORDS records in the
page's worker against tbretrieve -j 1 on the same file (at most 2 times,
medians of three).

    web_bench.py PAGE TBFORWARD TBRETRIEVE [RECORDS]
"""
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent / "tests" / "web"))
from headless import browser  # noqa: E402

PAGE, TBFORWARD, TBRETRIEVE = sys.argv[1:4]
RECORDS = int(sys.argv[4]) if len(sys.argv) > 4 else 10000


def flight(records):
    """A flight file's brightness temperatures, from tbforward on random scenes."""
    rng = np.random.default_rng(5)
    rows = ["sst,altitude,air,wind,rain"] + [
        f"{rng.uniform(0, 32):.2f},{rng.uniform(300, 9000):.0f},{rng.uniform(-20, 25):.1f},"
        f"{rng.uniform(0, 70):.2f},{rng.uniform(0, 50):.2f}" for _ in range(records)]
    done = subprocess.run([TBFORWARD, "--header"], input="\n".join(rows) + "\n",
                          capture_output=True, text=True, check=True)
    return done.stdout


def main():
    size = os.path.getsize(PAGE)
    text = flight(RECORDS)
    native = []
    for _ in range(3):
        start = time.perf_counter()
        answer = subprocess.run([TBRETRIEVE, "--header", "--suffix", "_r", "-j", "1"], input=text,
                                capture_output=True, text=True, check=True).stdout
        native.append(time.perf_counter() - start)
    with tempfile.TemporaryDirectory() as profile:
        driver = browser(profile)
        driver.set_script_timeout(600)
        try:
            ready = []
            for _ in range(5):
                driver.get(pathlib.Path(PAGE).resolve().as_uri())
                ready.append(driver.execute_async_script(
                    "tbcalc.ready.then((t) => arguments[0](t.readyTime))") / 1000)
            page, output = driver.execute_async_script(
                "const done = arguments[1]; const times = []; let r;"
                "(async () => { for (let k = 0; k < 3; ++k) { const start = performance.now();"
                " r = await tbcalc.runTable('tbretrieve', arguments[0],"
                " {args: ['--header', '--suffix', '_r']});"
                " times.push((performance.now() - start) / 1000); }"
                " done([times, r.exitStatus === 0 ? r.output : r.messages]); })();", text)
        finally:
            driver.quit()
    # A page that failed fast would look fast: its answer must be the program's.
    if output != answer:
        sys.exit("the page's tbretrieve did not answer as the program does:\n" + output[:2000])
    ratio = statistics.median(page) / statistics.median(native)
    print(f"page size            {size / 1024:8.0f} KiB   (target at most 1024 KiB)")
    print(f"ready after load     {statistics.median(ready) * 1000:8.0f} ms    (target at most 500 ms)")
    print(f"retrieval, {RECORDS} records: page {statistics.median(page):.3f} s, "
          f"tbretrieve -j 1 {statistics.median(native):.3f} s: {ratio:.2f} times "
          f"(target at most 2)")


if __name__ == "__main__":
    main()
