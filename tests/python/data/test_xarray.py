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
import tbcalc.xarray

def assert_same(got, expected):
    """Identical Datasets, but for the times at which their history was made."""
    stamp = re.compile(r"^\S+Z ", re.MULTILINE)
    got, expected = got.copy(), expected.copy()
    for ds in (got, expected):
        ds.attrs["history"] = stamp.sub("", ds.attrs["history"])
    xr.testing.assert_identical(got, expected)


STANDARD_NAMES = {"sst": "sea_surface_temperature", "altitude": "height",
                  "air": "air_temperature", "wind": "wind_speed", "rain": "rainfall_rate",
                  "tb": "brightness_temperature"}


@pytest.fixture
def scene():
    """Environment, wind and rain on a (track, beam) grid with coordinates."""
    rng = np.random.default_rng(23)
    shape = (40, 3)
    dims = ("track", "beam")
    return xr.Dataset(
        {"sst": (dims, rng.uniform(-5, 45, shape)),
         "altitude": ("track", rng.uniform(100, 16000, shape[0])),
         "air": (dims, rng.uniform(-70, 45, shape)),
         "wind": (dims, rng.uniform(0, 60, shape)),
         "rain": (dims, rng.uniform(1, 60, shape))},
        coords={"track": np.arange(shape[0]), "beam": [-1.0, 0.0, 1.0],
                "latitude": (dims, rng.uniform(-30, 30, shape))},
        attrs={"title": "a scene", "history": "made by a test"})


def test_forward_is_the_model_with_its_metadata(scene):
    out = tbcalc.xarray.forward(scene)
    assert out.tb.dims == ("track", "beam", "channel") and out.tb.dtype == np.float32
    expected = tbcalc.brightness(scene.sst.values, scene.altitude.values[:, None],
                                 scene.air.values, scene.wind.values, scene.rain.values)
    np.testing.assert_array_equal(out.tb.values, expected)
    np.testing.assert_array_equal(out.channel.values, tbcalc.freqs)
    assert out.channel.attrs["units"] == "GHz"
    for name in ("track", "beam", "latitude"):
        xr.testing.assert_identical(out[name], scene[name])
    for name in ("sst", "altitude", "air", "wind", "rain", "tb"):
        assert out[name].attrs["standard_name"] == STANDARD_NAMES[name]
        assert out[name].attrs["units"] and out[name].attrs["long_name"]
    assert out.attrs["Conventions"].startswith("CF-") and out.attrs["title"] == "a scene"
    first, second = out.attrs["history"].splitlines()
    assert re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ tbcalc "
                        + re.escape(tbcalc.__version__) + r": tbcalc\.xarray\.forward\(\)", first)
    assert second == "made by a test"


def test_retrieve_is_the_retrieval_with_its_metadata(scene):
    forward = tbcalc.xarray.forward(scene)
    out = tbcalc.xarray.retrieve(forward, noise_k=0.7)
    r = tbcalc.retrieve(scene.sst.values, scene.altitude.values[:, None], scene.air.values,
                        forward.tb.values, noise_k=0.7)
    for name, units, long_name, standard_name, _ in tbcalc.RETRIEVAL_FIELDS:
        np.testing.assert_array_equal(out[name].values, getattr(r, name))
        assert out[name].dims == ("track", "beam") and out[name].attrs["units"] == units
        assert out[name].attrs["long_name"] == long_name
        assert out[name].attrs.get("standard_name", "") == standard_name
        assert np.isnan(out[name].encoding["_FillValue"])
    np.testing.assert_array_equal(out.iterations.values, r.iterations)
    np.testing.assert_array_equal(out.status.values, r.status_code)
    assert out.status.dtype == np.uint8
    assert out.status.attrs["flag_values"].tolist() == list(range(len(tbcalc.STATUSES)))
    assert out.status.attrs["flag_meanings"].split() == [
        word.replace("-", "_") for word in tbcalc.STATUSES]
    assert float(out.noise_k) == 0.7 and "noise_k=0.7" in out.attrs["history"]
    # The round trip: where the rain is felt, the inputs come back.
    np.testing.assert_allclose(out.wind, scene.wind, atol=0.01)
    np.testing.assert_allclose(out.rain, scene.rain, atol=0.01)


def test_inputs_as_dataarrays_numbers_or_six_variables(scene):
    from_names = tbcalc.xarray.forward(scene.assign(altitude=1500.0))
    given = tbcalc.xarray.forward(sst=scene.sst, altitude=1500, air=scene.air,
                                  wind=scene.wind.rename(None), rain=scene.rain.rename("r"))
    np.testing.assert_array_equal(given.tb, from_names.tb)
    assert set(given.data_vars) == {"sst", "altitude", "air", "wind", "r", "tb"}
    six = from_names.drop_vars("tb").assign(
        {f"tb{c + 1}": from_names.tb.isel(channel=c, drop=True) for c in range(6)})
    by_six = tbcalc.xarray.retrieve(six, tb=[f"tb{c + 1}" for c in range(6)])
    by_one = tbcalc.xarray.retrieve(from_names)
    for name in ["tb", "status"] + [field[0] for field in tbcalc.RETRIEVAL_FIELDS]:
        xr.testing.assert_identical(by_six[name], by_one[name])


@pytest.mark.parametrize("call,error,words", [
    (lambda s: tbcalc.xarray.forward(s, sst="temperature"), KeyError, "temperature"),
    (lambda s: tbcalc.xarray.forward(), TypeError, "needs a Dataset"),
    (lambda s: tbcalc.xarray.forward(s, wind=s.wind.values), TypeError, "give a DataArray"),
    (lambda s: tbcalc.xarray.forward(s.assign(sst=s.sst.assign_attrs(units="K"))), ValueError,
     "expected 'degC'"),
    (lambda s: tbcalc.xarray.forward(s.assign(rain=s.rain.expand_dims(channel=6))), ValueError,
     "only tb has the channels"),
    (lambda s: tbcalc.xarray.retrieve(s, tb="wind"), ValueError, "dimension of six"),
    (lambda s: tbcalc.xarray.retrieve(tbcalc.xarray.forward(s).assign_coords(
        channel=np.arange(6.0))), ValueError, "not the channel frequencies"),
    (lambda s: tbcalc.xarray.retrieve(s, tb=["wind", "rain"]), ValueError, "six variables"),
])
def test_bad_inputs_say_what_is_wrong(scene, call, error, words):
    with pytest.raises(error, match=words):
        call(scene)


def test_netcdf_file_with_fill_values_and_flags(scene, tmp_path):
    scene["sst"][0, 0] = np.nan  # a record with no answer
    product = tbcalc.xarray.retrieve(tbcalc.xarray.forward(scene))
    assert product.status[0, 0] == tbcalc.STATUSES.index("invalid-input")
    path = tmp_path / "product.nc"
    product.to_netcdf(path)
    with netCDF4.Dataset(path) as raw:
        for name in [field[0] for field in tbcalc.RETRIEVAL_FIELDS] + ["tb"]:
            assert np.isnan(raw[name].getncattr("_FillValue")), name
        assert np.ma.is_masked(raw["wind"][0, 0]) and not np.ma.is_masked(raw["wind"][0, 1])
        assert "_FillValue" not in raw["channel"].ncattrs()
        assert raw["status"].getncattr("flag_meanings") == product.status.attrs["flag_meanings"]
        assert raw.getncattr("Conventions") == product.attrs["Conventions"]
    with xr.open_dataset(path) as reopened:
        xr.testing.assert_identical(reopened.load(), product)


def test_dask_arrays_stay_lazy_and_give_the_eager_results(scene):
    noisy = tbcalc.xarray.forward(scene)
    noisy["tb"] = noisy.tb + np.random.default_rng(1).normal(0, 0.5, noisy.tb.shape)
    chunked = noisy.chunk({"track": 7})
    forward = tbcalc.xarray.forward(scene.chunk({"track": 7}))
    product = tbcalc.xarray.retrieve(chunked)
    for array in (forward.tb, product.wind, product.status):
        assert isinstance(array.data, dask.array.Array)
        assert array.data.numblocks[0] == 6  # one task per chunk of 7 of the 40 records
    assert_same(forward.compute(), tbcalc.xarray.forward(scene))
    assert_same(product.compute(), tbcalc.xarray.retrieve(noisy))
    # Some inputs on dask, others in memory.
    mixed = tbcalc.xarray.retrieve(noisy.assign(sst=noisy.sst.chunk({"track": 7})))
    assert isinstance(mixed.wind.data, dask.array.Array)
    assert_same(mixed.compute(), tbcalc.xarray.retrieve(noisy))
