#!/usr/bin/env python3
"""A simulated flight across a tropical cyclone, and what the retrieval makes of it.

An aircraft crosses the storm from west to east through its eye at 3000 m,
sampling once a second at 130 m/s. The surface wind follows a Holland-type
profile (55 m/s at 25 km from the centre, stronger on the east side, where
the storm's own motion adds to it); the rain comes from the eyewall and from
two spiral rain bands; the sea is cooler under the core. The model gives the
six brightness temperatures, with 0.5 K of Gaussian noise (fixed seed), and
tbcalc.xarray.retrieve takes them back to wind and rain.

Writes into the folder given as the only argument (default: this script's):

  flight.nc          the flight file: time, position, environment and the
                     measured brightness temperatures, with the storm's true
                     wind and rain; CF-1.8
  flight_product.nc  the retrieval: wind, rain, their uncertainties, the misfit
                     and the status, CF-1.8
  flight.csv         the flight file as a table for tbretrieve --header: time,
                     latitude, longitude, sst, altitude, air, tb1..tb6
  flight.png         true and retrieved wind and rain along the track, with
                     the retrieval's interval as a band
"""
import pathlib
import sys

import matplotlib

matplotlib.use("Agg")  # files only: no display needed
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
import xarray as xr  # noqa: E402

import tbcalc  # noqa: E402
import tbcalc.xarray  # noqa: E402

# The storm, in a frame centred on it: x east, y north, km.
CENTRE_LAT, CENTRE_LON = 20.0, -65.0  # degrees
MAX_WIND, RADIUS_MAX_WIND, HOLLAND_B = 55.0, 25.0, 1.5  # m/s, km, shape
MOTION_WIND = 5.0  # m/s added on the east side, taken away on the west
EYEWALL_RAIN, EYEWALL_WIDTH = 60.0, 8.0  # mm/h, km
BAND_RAIN, BAND_WIDTH, BAND_START, BAND_PITCH = 25.0, 5.0, 35.0, 0.18  # mm/h, km, km, per rad

# The flight: a straight leg through the eye at constant altitude.
LEG_KM, SPEED_KM_S = 300.0, 0.13
ALTITUDE_M, AIR_C, WARM_CORE_C = 3000.0, 10.0, 5.0
NOISE_K, SEED = 0.5, 2026
START = np.datetime64("2026-09-14T12:00:00")


def storm_wind(x, y):
    """Surface wind speed, m/s: Holland's profile, skewed by the storm's motion."""
    r = np.maximum(np.hypot(x, y), 1e-3)
    scaled = (RADIUS_MAX_WIND / r) ** HOLLAND_B
    wind = MAX_WIND * np.sqrt(scaled * np.exp(1.0 - scaled))
    return wind + MOTION_WIND * (x / r) * wind / MAX_WIND


def storm_rain(x, y):
    """Rain rate, mm/h: the eyewall just outside the wind maximum, and a
    principal and a secondary band, logarithmic spirals whose rain fades
    outwards."""
    r = np.hypot(x, y)
    theta = np.arctan2(y, x)
    eyewall = EYEWALL_RAIN * np.exp(-(((r - 1.1 * RADIUS_MAX_WIND) / EYEWALL_WIDTH) ** 2))
    bands = np.zeros_like(r)
    for arm, strength in ((0.0, 1.0), (2.4, 0.6)):
        # The arm's radii at this angle, one per turn; the nearest one counts.
        turns = np.arange(-1, 4)[:, None]
        radii = BAND_START * np.exp(BAND_PITCH * ((theta - arm) % (2 * np.pi) + 2 * np.pi * turns))
        distance = np.min(np.abs(r - radii), axis=0)
        bands += strength * np.exp(-((distance / BAND_WIDTH) ** 2))
    # The bands start beyond the eyewall, fading in over 15 km.
    onset = np.clip((r - 1.4 * RADIUS_MAX_WIND) / 15.0, 0.0, 1.0)
    return eyewall + BAND_RAIN * bands * np.exp(-r / 200.0) * onset


def simulate():
    """The flight file: what the aircraft measured, and the storm's truth."""
    seconds = np.arange(int(LEG_KM / SPEED_KM_S))
    x = -LEG_KM / 2 + SPEED_KM_S * seconds
    y = np.full_like(x, 4.0)  # just north of the centre, still inside the eye
    km_per_degree = 111.2
    latitude = CENTRE_LAT + y / km_per_degree
    longitude = CENTRE_LON + x / (km_per_degree * np.cos(np.radians(CENTRE_LAT)))
    r = np.hypot(x, y)
    coords = {"time": ("time", START + seconds.astype("timedelta64[s]"), {"long_name": "time"}),
              "latitude": ("time", latitude, {"units": "degrees_north",
                                              "standard_name": "latitude"}),
              "longitude": ("time", longitude, {"units": "degrees_east",
                                                "standard_name": "longitude"})}
    truth = xr.Dataset({
        "sst": ("time", 29.0 - 1.5 * np.exp(-((r / 80.0) ** 2))),
        "altitude": ("time", np.full_like(x, ALTITUDE_M)),
        "air": ("time", AIR_C + WARM_CORE_C * np.exp(-((r / 20.0) ** 2))),
        "wind": ("time", storm_wind(x, y)),
        "rain": ("time", storm_rain(x, y)),
    }, coords=coords)
    flight = tbcalc.xarray.forward(truth)
    noise = np.random.default_rng(SEED).normal(0.0, NOISE_K, flight.tb.shape)
    flight["tb"] = (flight.tb + noise).astype(np.float32).assign_attrs(flight.tb.attrs)
    flight["tb"].attrs["comment"] = f"model values with {NOISE_K} K of Gaussian noise"
    flight = flight.rename(wind="true_wind", rain="true_rain")
    flight.true_wind.attrs["long_name"] = "surface wind speed of the simulated storm"
    flight.true_rain.attrs["long_name"] = "rain rate of the simulated storm"
    flight["x"] = ("time", x, {"units": "km", "long_name": "distance east of the storm centre"})
    flight.attrs["title"] = "Simulated flight across a tropical cyclone"
    for name in ("latitude", "longitude"):
        flight[name].encoding["_FillValue"] = None  # CF: coordinates have no missing values
    return flight


def write_csv(flight, path):
    """The table tbretrieve --header reads: named columns, comma-separated."""
    tb = flight.tb.values
    columns = ["time", "latitude", "longitude", "sst", "altitude", "air"]
    columns += [f"tb{c + 1}" for c in range(tb.shape[1])]
    times = np.datetime_as_string(flight.time.values, unit="s")
    with open(path, "w", encoding="ascii") as f:
        f.write(",".join(columns) + "\n")
        for k in range(flight.sizes["time"]):
            fields = [times[k] + "Z", "%.5f" % flight.latitude.values[k],
                      "%.5f" % flight.longitude.values[k], "%.3f" % flight.sst.values[k],
                      "%.1f" % flight.altitude.values[k], "%.3f" % flight.air.values[k]]
            f.write(",".join(fields + ["%.2f" % t for t in tb[k]]) + "\n")


def interval(product, name):
    """The retrieval's interval of a quantity: its own bounds when the result
    has them, otherwise one sigma either side."""
    if f"{name}_lo" in product:
        return product[f"{name}_lo"], product[f"{name}_hi"], "interval"
    value, sd = product[name], product[f"{name}_sd"]
    return value - sd, value + sd, "\u00b11 sigma"


def draw(flight, product, path):
    fig, axes = plt.subplots(2, 1, figsize=(9, 6.5), sharex=True)
    x = flight.x.values
    for ax, name, unit, top in ((axes[0], "wind", "m/s", 75), (axes[1], "rain", "mm/h", 75)):
        lo, hi, what = interval(product, name)
        ax.fill_between(x, np.clip(lo, -20, 500), np.clip(hi, -20, 500), color="C1", alpha=0.45, zorder=3,
                        linewidth=0, label=what)
        ax.plot(x, product[name], ".", color="C0", markersize=1.5, label="retrieved")
        ax.plot(x, flight[f"true_{name}"], color="black", linewidth=1.2, label="true", zorder=4)
        ax.set_ylabel(f"{name} ({unit})")
        ax.set_ylim(-10 if name == "rain" else 0, top)
        ax.grid(alpha=0.3)
        ax.legend(loc="upper left", fontsize="small")
    axes[1].set_xlabel("distance east of the storm centre (km)")
    axes[0].set_title(f"Across a tropical cyclone at {ALTITUDE_M:g} m: "
                      f"{NOISE_K:g} K noise per channel")
    fig.tight_layout()
    fig.savefig(path, dpi=90)
    plt.close(fig)


def summary(flight, product):
    """How far the answers can be trusted along the leg, in lines for people."""
    true_wind, true_rain = flight.true_wind.values, flight.true_rain.values
    wind, wind_sd, rain_sd = product.wind.values, product.wind_sd.values, product.rain_sd.values
    held_wind = (product.wind_lo.values <= true_wind) & (true_wind <= product.wind_hi.values)
    held_rain = (product.rain_lo.values <= true_rain) & (true_rain <= product.rain_hi.values)
    eye, light = true_wind < 5, true_rain < 1
    at_bound = product.status.values == tbcalc.STATUSES.index("at-bound")
    low, high = np.percentile(wind_sd[~eye], [10, 90])
    return "\n".join([
        f"{len(wind)} records; the wind within three sigma at "
        f"{100 * np.mean(np.abs(wind - true_wind) <= 3 * wind_sd):.1f} %",
        f"wind sigma {low:.1f} to {high:.1f} m/s along the leg (10th to 90th percentile); "
        f"in the eye {np.median(wind_sd[eye]):.1f} m/s, {100 * np.mean(at_bound[eye]):.0f} % "
        "at-bound",
        f"rain sigma {np.median(rain_sd[(true_rain >= 1) & (true_rain < 5)]):.1f} mm/h in light "
        f"rain, {np.median(rain_sd[true_rain > 30]):.1f} mm/h above 30 mm/h (medians)",
        f"intervals hold the true wind at {100 * np.mean(held_wind):.1f} %, the true rain at "
        f"{100 * np.mean(held_rain):.1f} %",
        f"below 1 mm/h ({np.sum(light)} records) the rain's interval holds it at "
        f"{100 * np.mean(held_rain[light]):.1f} %, its +-sigma at "
        f"{100 * np.mean((np.abs(product.rain.values - true_rain) <= rain_sd)[light]):.1f} %"])


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).parent
    folder.mkdir(parents=True, exist_ok=True)
    simulate().to_netcdf(folder / "flight.nc")
    # What a user does with a flight file: open, retrieve, write the product.
    with xr.open_dataset(folder / "flight.nc") as flight:
        product = tbcalc.xarray.retrieve(flight, noise_k=NOISE_K)
        product.to_netcdf(folder / "flight_product.nc")
        write_csv(flight, folder / "flight.csv")
        draw(flight, product, folder / "flight.png")
        print(summary(flight, product))


if __name__ == "__main__":
    main()
