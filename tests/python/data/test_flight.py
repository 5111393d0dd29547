"""examples/flight.py, run headless into a temporary folder: its files hold
what the README says, the retrieval follows the storm, and tbretrieve --header
gives the product's answers from the CSV file."""
import csv
import os
import pathlib
import subprocess
import sys

import numpy as np
import xarray as xr

import tbcalc

SCRIPT = pathlib.Path(__file__).resolve().parents[3] / "examples" / "flight.py"


def test_the_simulated_flight(tmp_path, run_tbretrieve):
    subprocess.run([sys.executable, SCRIPT, tmp_path], check=True, capture_output=True,
                   env={**os.environ, "MPLBACKEND": "Agg"})
    assert (tmp_path / "flight.png").read_bytes().startswith(b"\x89PNG")
    with open(tmp_path / "flight.csv", newline="") as f:
        header, *rows = list(csv.reader(f))
    assert header == ["time", "latitude", "longitude", "sst", "altitude", "air"] + [
        f"tb{c}" for c in range(1, 7)]
    with xr.open_dataset(tmp_path / "flight.nc") as flight, \
            xr.open_dataset(tmp_path / "flight_product.nc") as product:
        assert rows[0][0] == str(flight.time.values[0])[:19] + "Z"
        np.testing.assert_allclose(np.array(rows)[:, 3:].astype(float),
                                   np.column_stack([flight.sst, flight.altitude, flight.air,
                                                    flight.tb]), atol=0.005)
        assert product.attrs["Conventions"] == "CF-1.8"
        assert {"latitude", "longitude"} <= set(product.wind.coords)
        # The hurricane-force eyewall, and nearly every record within three sigma.
        assert flight.true_wind.max() > 33 and product.wind.max() > 33
        converged = product.status == tbcalc.STATUSES.index("converged")
        assert converged.mean() > 0.9
        within = abs(product.wind - flight.true_wind) < 3 * product.wind_sd
        assert within[converged].mean() > 0.95
        # The CSV file through tbretrieve: its columns kept, the product's
        # answers but for the brightness temperatures' two printed decimals.
        text = (tmp_path / "flight.csv").read_text()
        out = list(csv.reader(run_tbretrieve(text, "--header", "--noise", "0.5").splitlines()))
        assert out[0] == header + [f[0] for f in tbcalc.RETRIEVAL_FIELDS] + ["status"]
        assert [row[:12] for row in out[1:]] == rows
        wind = np.array([float(row[12]) for row in out[1:]])
        assert np.mean(abs(wind - product.wind) < 0.05 * product.wind_sd + 1e-3) > 0.98
