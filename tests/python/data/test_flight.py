"""examples/flight.py, run headless into a temporary folder: its files hold
what the README says, and the retrieval follows the storm."""
import csv
import os
import pathlib
import subprocess
import sys

import numpy as np
import xarray as xr

import tbcalc

SCRIPT = pathlib.Path(__file__).resolve().parents[3] / "examples" / "flight.py"


def test_the_simulated_flight(tmp_path):
    subprocess.run([sys.executable, SCRIPT, tmp_path], check=True, capture_output=True,
                   env={**os.environ, "MPLBACKEND": "Agg"})
    assert (tmp_path / "flight.png").read_bytes().startswith(b"\x89PNG")
    with xr.open_dataset(tmp_path / "flight.nc") as flight, \
            xr.open_dataset(tmp_path / "flight_product.nc") as product:
        records = flight.sizes["time"]
        with open(tmp_path / "flight.csv", newline="") as f:
            rows = list(csv.reader(f))
        assert rows[0] == ["time", "latitude", "longitude", "sst", "altitude", "air"] + [
            f"tb{c}" for c in range(1, 7)]
        assert len(rows) == records + 1
        table = np.array([row[3:] for row in rows[1:]], dtype=float)
        np.testing.assert_allclose(table[:, 3:], flight.tb, atol=0.005)
        np.testing.assert_allclose(table[:, 0], flight.sst, atol=0.0005)
        assert rows[1][0] == str(flight.time.values[0])[:19] + "Z"

        assert product.attrs["Conventions"] == "CF-1.8"
        for name in [field[0] for field in tbcalc.RETRIEVAL_FIELDS] + ["status"]:
            assert product[name].dims == ("time",)
            assert {"latitude", "longitude"} <= set(product[name].coords)
        # The hurricane-force eyewall, and most records within three sigma.
        assert flight.true_wind.max() > 33 and product.wind.max() > 33
        converged = product.status == tbcalc.STATUSES.index("converged")
        assert converged.mean() > 0.9
        within = abs(product.wind - flight.true_wind) < 3 * product.wind_sd
        assert within[converged].mean() > 0.95
