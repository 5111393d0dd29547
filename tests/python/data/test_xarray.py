"""tbcalc.xarray: the numbers of the numpy functions, the inputs' dimensions
and coordinates kept, CF metadata, netCDF files, and dask arrays computed
lazily with the eager results bit for bit."""
import re

import dask.array
import netCDF4
import numpy as np
import pytest
import xarray as xr

import tbcalc
import tbcalc.xarray as tx

FIELDS = [field[0] for field in tbcalc.RETRIEVAL_FIELDS]


def assert_same(got, expected):
    """Identical Datasets, but for the times at which their history was made."""
    got, expected = got.copy(), expected.copy()
    for ds in (got, expected):
        ds.attrs["history"] = re.sub(r"(?m)^\S+Z ", "", ds.attrs["history"])
    xr.testing.assert_identical(got, expected)


@pytest.fixture
def scene():
    """Environment, wind and rain on a (track, beam) grid with coordinates."""
    rng = np.random.default_rng(23)
    dims = ("track", "beam")
    return xr.Dataset(
        {"sst": (dims, rng.uniform(-5, 45, (40, 3))), "air": (dims, rng.uniform(-70, 45, (40, 3))),
         "altitude": ("track", rng.uniform(100, 16000, 40)),
         "wind": (dims, rng.uniform(0, 60, (40, 3))), "rain": (dims, rng.uniform(1, 60, (40, 3)))},
        coords={"track": np.arange(40), "beam": [-1.0, 0.0, 1.0],
                "latitude": (dims, rng.uniform(-30, 30, (40, 3)))},
        attrs={"title": "a scene", "history": "made by a test"})


def test_forward_and_retrieve_are_the_numpy_functions_with_cf_metadata(scene):
    env = (scene.sst.values, scene.altitude.values[:, None], scene.air.values)
    forward = tx.forward(scene)
    assert forward.tb.dims == ("track", "beam", "channel")
    np.testing.assert_array_equal(forward.tb, tbcalc.brightness(*env, scene.wind, scene.rain))
    out = tx.retrieve(forward, noise_k=0.7)
    r = tbcalc.retrieve(*env, forward.tb.values, noise_k=0.7, intervals=True)
    for name, units, long_name, standard_name, _, _ in tbcalc.RETRIEVAL_FIELDS:
        np.testing.assert_array_equal(out[name], getattr(r, name))
        assert out[name].attrs == {"units": units, "long_name": long_name} | (
            {"standard_name": standard_name} if standard_name else {})
    np.testing.assert_array_equal(out.status, r.status_code)
    assert out.status.attrs["flag_values"].tolist() == list(range(len(tbcalc.STATUSES)))
    assert out.status.attrs["flag_meanings"] == " ".join(tbcalc.STATUSES).replace("-", "_")
    np.testing.assert_allclose(out.wind, scene.wind, atol=0.01)  # the round trip
    np.testing.assert_allclose(out.rain, scene.rain, atol=0.01)
    standard = {"sst": "sea_surface_temperature", "altitude": "height", "air": "air_temperature",
                "wind": "wind_speed", "rain": "rainfall_rate", "tb": "brightness_temperature",
                "salinity": "sea_surface_salinity"}
    for ds in (forward, out):  # inputs passed through, results, coordinates
        assert {name: ds[name].attrs["standard_name"] for name in standard} == standard
        xr.testing.assert_identical(ds.latitude, scene.latitude)
        np.testing.assert_array_equal(ds.channel, tbcalc.freqs)
        assert ds.channel.attrs["units"] == "GHz" and ds.attrs["title"] == "a scene"
    assert out.attrs["Conventions"] == "CF-1.8" and float(out.noise_k) == 0.7
    assert re.fullmatch(r"\S+Z tbcalc " + re.escape(tbcalc.__version__)
                        + r": tbcalc\.xarray\.retrieve\(noise_k=0\.7, intervals=True, "
                        r"level=0\.682689\)\n\S+Z tbcalc \S+: "
                        r"tbcalc\.xarray\.forward\(\)\nmade by a test", out.attrs["history"])


def test_noise_per_channel_and_intervals_on_request(scene):
    forward = tx.forward(scene)
    noise = [0.3, 0.4, 0.5, 0.6, 0.7, 0.8]
    out = tx.retrieve(forward, noise_k=xr.DataArray(noise, dims="channel"), intervals=False)
    r = tbcalc.retrieve(scene.sst.values, scene.altitude.values[:, None], scene.air.values,
                        forward.tb.values, noise_k=[[noise]])
    np.testing.assert_array_equal(out.wind, r.wind)
    assert out.noise_k.dims == ("channel",) and "wind_lo" not in out
    # A noise on a dimension tb lacks broadcasts, each row on its own, eager
    # and lazy (per channel it once failed for "unexpected number of
    # dimensions"), also one for all channels of an element (the last).
    tb = tx.forward(sst=20, altitude=1500, air=10, wind=12, rain=3).tb
    rows = xr.DataArray([noise, noise[::-1], [0.5] * 6], dims=("x", "channel"))
    for given in (rows, rows.chunk({"x": 2}), rows.isel(channel=0)):
        r = tbcalc.retrieve(20, 1500, 10, np.broadcast_to(tb, (3, 6)), given.values)
        out = tx.retrieve(sst=20, altitude=1500, air=10, tb=tb, noise_k=given, intervals=False)
        assert out.wind.dims == ("x",) and (out.wind.chunks is None) == (given.chunks is None)
        for name in [name for name in FIELDS if name in out]:
            np.testing.assert_array_equal(out[name], getattr(r, name))
        np.testing.assert_array_equal(out.status, r.status_code)
    with pytest.raises(ValueError, match="level"):
        tx.retrieve(forward, level=1.5)
    with pytest.raises(ValueError, match="like another input"):
        tx.forward(scene, air=scene.sst.rename("temp") + 1, sst=scene.sst.rename("temp"))


def test_inputs_as_dataarrays_numbers_or_six_variables(scene):
    by_name = tx.forward(scene.assign(altitude=1500.0))
    given = tx.forward(sst=scene.sst, altitude=1500, air=scene.air, wind=scene.wind.rename(None),
                       rain=scene.rain.rename("r"))
    np.testing.assert_array_equal(given.tb, by_name.tb)
    assert set(given.data_vars) == {"sst", "altitude", "air", "wind", "r", "salinity", "tb"}
    six = by_name.assign({f"tb{c}": by_name.tb.isel(channel=c - 1, drop=True) for c in range(1, 7)})
    by_six = tx.retrieve(six.drop_vars("tb"), tb=[f"tb{c}" for c in range(1, 7)])
    assert_same(by_six[["tb", "status"] + FIELDS], tx.retrieve(by_name)[["tb", "status"] + FIELDS])


def test_salinity_a_variable_where_there_is_one_else_36(scene):
    """The product says which salinity it used; a wrong one is a wrong wind."""
    sea = scene.assign(salinity=(scene.sst.dims, np.full(scene.sst.shape, 28.0), {"units": "psu"}))
    forward = tx.forward(sea)
    np.testing.assert_array_equal(
        forward.tb, tx.forward(scene, salinity=sea.salinity).tb)
    assert forward.salinity.attrs["units"] == "1e-3" and float(tx.forward(scene).salinity) == 36
    out = tx.retrieve(forward)
    np.testing.assert_allclose(out.wind, scene.wind, atol=0.01)  # salinity 28 read from the file
    assert (out.salinity == 28).all()
    assert abs(tx.retrieve(forward, salinity=36).wind - scene.wind).max() > 0.5


@pytest.mark.parametrize("call,error,words", [
    (lambda s: tx.forward(s, sst="temperature"), KeyError, "temperature"),
    (lambda s: tx.forward(), TypeError, "needs a Dataset"),
    (lambda s: tx.forward(s, wind=s.wind.values), TypeError, "give a DataArray"),
    (lambda s: tx.forward(s.assign(sst=s.sst.assign_attrs(units="K"))), ValueError, "'degC'"),
    (lambda s: tx.forward(s.assign(rain=s.rain.expand_dims(channel=6))), ValueError, "only tb"),
    (lambda s: tx.retrieve(s, tb="wind"), ValueError, "dimension of six"),
    (lambda s: tx.retrieve(tx.forward(s).assign_coords(channel=np.arange(6.0))), ValueError,
     "not the channel frequencies"),
    (lambda s: tx.retrieve(s, tb=["wind", "rain"]), ValueError, "six variables"),
])
def test_bad_inputs_say_what_is_wrong(scene, call, error, words):
    with pytest.raises(error, match=words):
        call(scene)


def test_netcdf_file_with_fill_values_and_flags(scene, tmp_path):
    scene["sst"][0, 0] = np.nan  # a record with no answer
    product = tx.retrieve(tx.forward(scene))
    product.to_netcdf(tmp_path / "product.nc")
    with netCDF4.Dataset(tmp_path / "product.nc") as raw:
        assert all(np.isnan(raw[name].getncattr("_FillValue")) for name in FIELDS + ["tb"])
        assert np.ma.is_masked(raw["wind"][0, 0]) and not np.ma.is_masked(raw["wind"][0, 1])
        assert raw["status"][0, 0] == tbcalc.STATUSES.index("invalid-input")
        assert "_FillValue" not in raw["channel"].ncattrs()
    with xr.open_dataset(tmp_path / "product.nc") as reopened:
        xr.testing.assert_identical(reopened.load(), product)


def test_dask_arrays_stay_lazy_and_give_the_eager_results(scene):
    noisy = tx.forward(scene)
    noisy["tb"] = noisy.tb + np.random.default_rng(1).normal(0, 0.5, noisy.tb.shape)
    forward = tx.forward(scene.chunk({"track": 7}))
    product = tx.retrieve(noisy.chunk({"track": 7}))
    mixed = tx.retrieve(noisy.assign(sst=noisy.sst.chunk({"track": 7})))  # some in memory
    for array in (forward.tb, product.wind, product.status, mixed.wind):
        assert isinstance(array.data, dask.array.Array)
        assert array.data.numblocks[0] == 6  # one task per chunk of 7 of the 40 records
    # Every result's chunk is taken straight from its chunk's one computation.
    assert len({frozenset(product[name].data.dask.dependencies[product[name].data.name])
                for name in FIELDS + ["status"]}) == 1
    assert_same(forward.compute(), tx.forward(scene))
    assert_same(product.compute(), tx.retrieve(noisy))
    assert_same(mixed.compute(), tx.retrieve(noisy))
