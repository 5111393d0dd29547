"""The forward model from Python: the values tbcalc prints, broadcasting,
dtypes, bad input and threads."""
import concurrent.futures

import numpy as np
import pytest

import tbcalc


def f72(values):
    """The brightness temperature line's fields, as tbcalc writes them."""
    return "".join("%7.2f" % v for v in values)


def test_frequencies_are_the_channel_table():
    assert tbcalc.freqs.dtype == np.float32
    assert tbcalc.freqs.tolist() == pytest.approx([4.74, 5.31, 5.57, 6.02, 6.69, 7.09])
    with pytest.raises(ValueError):
        tbcalc.freqs[0] = 1.0


# The end-to-end tables of the dialogue and of the channel model: typed
# replies, and the brightness temperature line's values.
END_TO_END = [
    ((20, 1500, 10, 10, 5), " 112.86 114.08 114.64 115.64 117.19 118.18"),
    ((28, 1500, 20, 10, 0), " 115.15 116.06 116.43 117.03 117.85 118.31"),
    ((28, 1500, 20, 30, 10), " 137.23 140.22 141.62 144.13 148.11 150.64"),
    ((15, 3000, 5, 0, 0), " 107.92 108.61 108.91 109.41 110.13 110.56"),
    ((0, 500, -10, 50, 50), " 169.30 179.41 184.35 193.27 207.01 215.18"),
    ((28, 1500, 20, 5, -5), " 112.73 113.13 113.24 113.33 113.25 113.09"),
    ((28, 6000, -15, 70, 100), " 253.50 268.03 273.30 280.16 285.65 286.97"),
    ((-5, 100, -70, 150, 150), " 284.49 285.13 284.82 283.86 282.38 281.75"),
    ((45, 16000, 45, 0, -10), " 113.36 111.76 110.71 108.40 103.74 100.22"),
    ((28, 3000, 5, 40, 20), " 160.10 166.26 169.26 174.75 183.61 189.27"),
    ((15, 500, 12, 3, 0), " 107.60 108.28 108.56 109.05 109.75 110.16"),
    ((28, 3000, 5, 40, -5), " 150.25 152.52 153.49 155.07 157.23 158.42"),
]


@pytest.mark.parametrize("replies,line", END_TO_END)
def test_end_to_end_tables(replies, line):
    assert f72(tbcalc.brightness(*replies)) == line


def test_emissivity_table():
    # 15 degC, salinity 36, nadir.
    expected = [0.358515, 0.360386, 0.361181, 0.362504, 0.364400, 0.365515]
    e = tbcalc.emissivity(15.0)
    assert e.dtype == np.float32 and e.shape == (6,)
    assert e.tolist() == pytest.approx(expected, abs=1e-6)
    assert tbcalc.emissivity([[0.0], [45.0]]).shape == (2, 1, 6)


def test_equals_tbcalc_on_generated_sessions(run_tbcalc):
    """A few hundred computations, each typed into the real program."""
    rng = np.random.default_rng(7)
    cases = []
    session = []
    for _ in range(100):
        env = ("%.4f" % rng.uniform(-5, 45), "%.4f" % rng.uniform(0.0001, 16000),
               "%.4f" % rng.uniform(-70, 45))
        session += env
        for _ in range(3):
            pair = ("%.4f" % rng.uniform(0, 150), "%.4f" % rng.uniform(-10, 150))
            session += pair
            cases.append(tuple(float(v) for v in env + pair))
        session += ["", "no"]  # back to the altitude, then to the sea surface temperature
    printed = [line[5:-2] for line in run_tbcalc("\n".join(session + ["ex", ""])).splitlines()
               if line.startswith("  Tb:")]
    assert len(printed) == len(cases) == 300
    columns = np.array(cases).T
    computed = tbcalc.brightness(*columns)
    assert [f72(row) for row in computed] == printed


def test_broadcasting_shapes():
    wind = np.linspace(0, 40, 5)
    rain = np.array([0.0, 5.0, 20.0])
    grid = tbcalc.brightness(20, 1500, 10, wind[:, None], rain)
    assert grid.shape == (5, 3, 6) and grid.dtype == np.float32
    for i, w in enumerate(wind):
        for j, r in enumerate(rain):
            np.testing.assert_array_equal(grid[i, j], tbcalc.brightness(20, 1500, 10, w, r))
    # Every input may carry axes; they broadcast in the numpy way.
    sst = np.array([[0.0], [28.0]])
    altitude = np.array([500.0, 3000.0, 9000.0])
    out = tbcalc.brightness(sst, altitude, 10, 10, 5)
    assert out.shape == (2, 3, 6)
    np.testing.assert_array_equal(out[1, 2], tbcalc.brightness(28, 9000, 10, 10, 5))
    # The salinity too; 36, the open ocean's, where it is not given.
    sea = tbcalc.brightness(sst, 1500, 10, 10, 5, salinity=[20.0, 28.0, 36.0])
    assert sea.shape == (2, 3, 6)
    np.testing.assert_array_equal(sea[:, 2], tbcalc.brightness(sst, 1500, 10, 10, 5)[:, 0])
    np.testing.assert_array_equal(tbcalc.emissivity(15, [[28], [36]])[1, 0], tbcalc.emissivity(15))
    assert tbcalc.brightness(20, 1500, 10, np.zeros((0, 4)), 5).shape == (0, 4, 6)
    # Non-contiguous views are read through their strides.
    view = np.linspace(0, 150, 40).reshape(8, 5)[::2, ::-2]
    np.testing.assert_array_equal(tbcalc.brightness(20, 1500, 10, view, 5),
                                  tbcalc.brightness(20, 1500, 10, view.copy(), 5))


def test_float64_input_is_stored_as_the_dialogue_stores_it():
    # 10.000000001 is not a float32; it is rounded to one, as a typed reply is.
    wind64 = np.array([10.000000001, 7.3])
    np.testing.assert_array_equal(tbcalc.brightness(20, 1500, 10, wind64, 5),
                                  tbcalc.brightness(20, 1500, 10, wind64.astype(np.float32), 5))
    np.testing.assert_array_equal(tbcalc.brightness(20, 1500, 10, np.int64(10), True),
                                  tbcalc.brightness(20.0, 1500.0, 10.0, 10.0, 1.0))


@pytest.mark.parametrize("bad", ["20", None, 1j, [1, "a"], {"a": 1}, object()])
def test_non_numeric_input_is_a_type_error(bad):
    with pytest.raises(TypeError, match="expected real numbers"):
        tbcalc.brightness(20, 1500, 10, bad, 5)
    with pytest.raises(TypeError):
        tbcalc.emissivity(bad)


def test_shapes_that_do_not_broadcast_are_a_value_error():
    with pytest.raises(ValueError):
        tbcalc.brightness([1, 2], 1500, 10, [1, 2, 3], 5)
    with pytest.raises(ValueError):
        tbcalc.jacobian(np.zeros((2, 3)), 1500, 10, np.zeros(2), 5)


def test_nan_in_nan_out():
    out = tbcalc.brightness([20, np.nan], 1500, 10, [10, 10], [5, np.nan])
    assert np.isfinite(out[0]).all() and np.isnan(out[1]).all()
    assert np.isnan(tbcalc.emissivity(np.nan)).all()


def test_outside_the_accepted_ranges_the_model_is_computed_as_it_stands():
    # An emissivity above 1 at 150 m/s gives more than the sea's temperature.
    assert (tbcalc.brightness(20, 1500, 10, 150, 0) > 293.146).all()
    assert np.isfinite(tbcalc.brightness(60, 20000, 60, 200, 300)).all()


def test_jacobian_matches_the_model():
    j = tbcalc.jacobian(20, 1500, 10, [10.0, 20.0], 5)
    for name in ("tb", "d_wind", "d_rain", "d_emis", "d_sst", "d_air", "d_altitude"):
        assert getattr(j, name).shape == (2, 6) and getattr(j, name).dtype == np.float64
    np.testing.assert_allclose(j.tb, tbcalc.brightness(20, 1500, 10, [10.0, 20.0], 5), atol=1e-4)
    # The wind derivative against a difference of the float model, loosely.
    step = tbcalc.brightness(20, 1500, 10, 10.5, 5) - tbcalc.brightness(20, 1500, 10, 9.5, 5)
    np.testing.assert_allclose(j.d_wind[0], step, rtol=1e-3)
    assert (tbcalc.jacobian(20, 1500, 10, 10, 0).d_rain == 0).all()


def test_threads_give_the_results_of_one_thread():
    rng = np.random.default_rng(3)
    wind = rng.uniform(0, 150, 20000)
    rain = rng.uniform(-10, 150, 20000)
    whole = tbcalc.brightness(20, 1500, 10, wind, rain)
    chunks = np.array_split(np.arange(wind.size), 8)
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        parts = list(pool.map(lambda c: tbcalc.brightness(20, 1500, 10, wind[c], rain[c]), chunks))
    np.testing.assert_array_equal(np.concatenate(parts), whole)
