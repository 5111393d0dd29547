"""The retrieval from Python: the round trip, agreement with tbretrieve
(intervals and per-channel noise included), the noise's broadcasting,
statuses, bad input and threads; the misfit map of one scene."""
import concurrent.futures
import re

import numpy as np
import pytest

import tbcalc


def test_round_trip_on_a_grid():
    wind, rain = np.meshgrid(np.arange(0, 151, 10.0), np.arange(-10, 151, 10.0), indexing="ij")
    tb = tbcalc.brightness(20, 1500, 10, wind, rain)
    r = tbcalc.retrieve(20, 1500, 10, tb)
    assert r.wind.shape == wind.shape and r.status.shape == wind.shape
    assert (r.rms <= 0.001).all()
    well = (r.wind_sd < 5) & (r.rain_sd < 5)
    assert well.sum() > 0.7 * well.size  # most of the domain is well constrained
    np.testing.assert_allclose(r.wind[well], wind[well], atol=0.01)
    np.testing.assert_allclose(r.rain[well], rain[well], atol=0.01)
    assert set(np.unique(r.status)) <= set(tbcalc.STATUSES)


def test_agrees_with_tbretrieve(run_tbretrieve):
    rng = np.random.default_rng(11)
    n = 200
    env = np.column_stack([rng.uniform(-5, 45, n), rng.uniform(1, 16000, n),
                           rng.uniform(-70, 45, n)]).round(3)
    tb = tbcalc.brightness(*env.T, rng.uniform(0, 150, n), rng.uniform(-10, 150, n))
    tb = tb.astype(np.float64) + rng.normal(0, 0.5, tb.shape)
    records = "".join(" ".join(repr(float(v)) for v in row) + "\n"
                      for row in np.column_stack([env, tb]))
    noise = [0.3, 0.4, 0.5, 0.6, 0.7, 0.8]
    printed = run_tbretrieve(records, "--noise", ",".join(map(str, noise)), "--intervals",
                             "--level", "90").splitlines()
    r = tbcalc.retrieve(*env.T, tb, noise_k=[noise], intervals=True, level=0.9)
    ours = [("%.3f " * 4 + "%.4f " + "%.3f " * 4 + "%s") % fields
            for fields in zip(r.wind, r.rain, r.wind_sd, r.rain_sd, r.rms, r.wind_lo, r.wind_hi,
                              r.rain_lo, r.rain_hi, r.status)]
    assert ours == printed


def test_noise_per_channel_with_as_many_axes_as_tb_else_per_element():
    tb = tbcalc.brightness(20, 1500, 10, [[8], [25]], [2, 20]).astype(np.float64) + 0.3
    one = tbcalc.retrieve(20, 1500, 10, tb, 0.5)
    for noise in ([[[0.5] * 6]], [[[0.5]]], np.full((2, 2, 6), 0.5), np.full((2, 2), 0.5)):
        np.testing.assert_array_equal(tbcalc.retrieve(20, 1500, 10, tb, noise).wind, one.wind)
    per_row = tbcalc.retrieve(20, 1500, 10, tb, [[0.5], [2.0]])  # against the leading axes
    np.testing.assert_array_equal(per_row.wind[0], one.wind[0])
    assert (per_row.wind_sd[1] > one.wind_sd[1]).all()
    # A noisy channel counts for less: the answer moves.
    weighted = tbcalc.retrieve(20, 1500, 10, tb, [[[0.5, 0.5, 0.5, 0.5, 0.5, 50]]])
    assert (weighted.wind != one.wind).all()
    assert np.isnan(one.wind_lo).all()
    # More axes than tb once spread a row of six over tb's channels, one noise
    # for all channels of each element.
    for bad, match in ((np.full((2, 2, 5), 0.5), "noise_k"), ([0.5] * 6, "broadcast"),
                       (np.full((1, 2, 2, 6), 0.5), "as many axes as tb, the channels last")):
        with pytest.raises(ValueError, match=match):
            tbcalc.retrieve(20, 1500, 10, tb, bad)
    with pytest.raises(ValueError, match="level=1.0: .* not strictly between 0 and 1"):
        tbcalc.retrieve(20, 1500, 10, tb, intervals=True, level=1.0)


def test_statuses_and_invalid_input():
    good = tbcalc.brightness(20, 1500, 10, 20, 20)
    tb = np.array([good, good, good, good, np.full(6, 1000.0), good])
    tb[1, 2] = np.nan
    sst = np.array([20, 20, 50, 20, 20, 20])
    noise = np.array([0.5, 0.5, 0.5, 0.0, 0.5, 0.5])  # one per element
    r = tbcalc.retrieve(sst, 1500, 10, tb, noise_k=noise)
    assert r.status.tolist() == ["converged", "invalid-input", "invalid-input", "invalid-input",
                                 "poor-fit", "converged"]
    assert r.status_code.dtype == np.uint8
    assert [tbcalc.STATUSES[c] for c in r.status_code] == r.status.tolist()
    assert np.isnan(r.wind[1:4]).all() and (r.iterations[1:4] == 0).all()
    assert tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, 20, 0)).status == \
        "weakly-constrained"


@pytest.mark.parametrize("tb", [np.zeros(5), np.zeros((3, 7)), 280.0])
def test_brightness_temperatures_need_six_channels(tb):
    with pytest.raises(ValueError, match="six channels"):
        tbcalc.retrieve(20, 1500, 10, tb)


@pytest.mark.parametrize("arguments,words", [
    ({"tb": ["a"] * 6}, "tb"), ({"noise_k": "0.5"}, "noise_k"),
    ({"intervals": "yes"}, "intervals must be True or False, not str"),
    ({"level": None}, "level must be a real number, not NoneType"),
    ({"": 30}, "unexpected keyword argument ''"), ({"salinty": 30}, "'salinty'")])
def test_bad_retrieval_arguments_are_type_errors(arguments, words):
    given = {"tb": np.full(6, 100.0)} | arguments
    with pytest.raises(TypeError, match=re.escape(words)):
        tbcalc.retrieve(20, 1500, 10, **given)


def test_bad_retrieval_arguments():
    with pytest.raises(ValueError):
        tbcalc.retrieve([20, 21, 22], 1500, 10, np.full((2, 6), 100.0))


def test_threads_give_the_results_of_one_thread():
    rng = np.random.default_rng(5)
    tb = tbcalc.brightness(20, 1500, 10, rng.uniform(0, 150, 600), rng.uniform(-10, 150, 600))
    tb = tb + rng.normal(0, 0.5, tb.shape)
    whole = tbcalc.retrieve(20, 1500, 10, tb)
    chunks = np.array_split(np.arange(len(tb)), 6)
    with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
        parts = list(pool.map(lambda c: tbcalc.retrieve(20, 1500, 10, tb[c]), chunks))
    names = [field[0] for field in tbcalc.RETRIEVAL_FIELDS] + ["iterations", "status_code"]
    for name in names:
        np.testing.assert_array_equal(np.concatenate([getattr(p, name) for p in parts]),
                                      getattr(whole, name))


def test_misfit_map_is_the_misfit_of_the_model_at_every_node():
    """Against the Jacobian's brightness temperatures, on nodes that float32
    holds exactly (jacobian takes its inputs as float32); NaN where retrieve
    says invalid-input."""
    tb = tbcalc.brightness(28, 3000, 5, 60, 20) + np.array([0.3, -0.4, 0.2, 0.5, -0.1, -0.6])
    noise = np.array([0.3, 0.3, 0.5, 0.5, 0.8, 0.8])
    m = tbcalc.misfit_map(28, 3000, 5, tb, noise, 30, wind=(40, 80, 81), rain=(-10, 50, 31))
    assert m.wind.shape == (81,) and m.rain.shape == (31,) and m.chi2.shape == (31, 81)
    assert m.chi2.dtype == np.float64 and (m.wind[0], m.wind[-1]) == (40, 80)
    np.testing.assert_allclose(m.rain, np.linspace(-10, 50, 31), rtol=1e-15)
    model = tbcalc.jacobian(28, 3000, 5, m.wind, m.rain[:, None], 30).tb
    np.testing.assert_allclose(m.chi2, (((model - tb) / noise) ** 2).sum(-1), rtol=1e-9)
    r = tbcalc.retrieve(28, 3000, 5, tb, noise, 30, intervals=True, level=0.95)
    j, i = np.unravel_index(np.argmin(m.chi2), m.chi2.shape)
    assert r.wind_lo <= m.wind[i] <= r.wind_hi and r.rain_lo <= m.rain[j] <= r.rain_hi
    assert repr(m).startswith("MisfitMap(wind=(40.0, 80.0, 81), rain=(-10.0, 50.0, 31), lowest")
    # A scene retrieve calls invalid-input: NaN, not an error.
    for invalid in (tbcalc.misfit_map(50, 3000, 5, tb), tbcalc.misfit_map(28, 3000, 5, tb, 0.0)):
        assert invalid.chi2.shape == (161, 151) and np.isnan(invalid.chi2).all()


@pytest.mark.parametrize("given,error,words", [
    ({"wind": (0, 200, 151)}, ValueError,
     "wind=(0.0, 200.0, 151), rain=(-10.0, 150.0, 161): the wind axis reaches beyond"),
    ({"rain": (5, 5, 10**30)}, ValueError, "rain=(5.0, 5.0, " + str(10**30) + "): the rain axis"),
    ({"wind": (0, 150, 4096), "rain": (-10, 150, 4096)}, ValueError, "more than 4194304 cells"),
    ({"wind": (0, 150, 151.0)}, TypeError, "wind must be (min, max, points)"),
    ({"tb": np.full((2, 6), 100.0)}, ValueError, "tb: the six channels of one scene"),
    ({"noise_k": [0.5, 0.5]}, ValueError, "noise_k: the noise is given as neither one value"),
    ({"sst": [20, 21]}, ValueError, "sst: one scene's value")])
def test_bad_misfit_map_arguments(given, error, words):
    arguments = {"sst": 20, "altitude": 1500, "air": 10, "tb": np.full(6, 100.0)} | given
    with pytest.raises(error, match=re.escape(words)):
        tbcalc.misfit_map(**arguments)
