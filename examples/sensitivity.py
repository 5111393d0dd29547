#!/usr/bin/env python3
"""How the six channels see wind and rain, how well a retrieval tells them
apart, and what a wrong salinity does to it.

Writes three pictures for one environment (sea 20 degC, aircraft at 1500 m,
air 10 degC) into the folder given as the only argument (default: this
script's):

  sensitivity_tb.png           brightness temperature against wind speed, per
                               channel, at four rain rates;
  sensitivity_uncertainty.png  the retrieval's one-sigma uncertainties in wind
                               and rain over the wind/rain plane, for 0.5 K of
                               noise per channel;
  sensitivity_salinity.png     the wind error of a retrieval that takes the
                               open ocean's salinity, 36, over water of 20, 28
                               and 33 (river plumes, coastal water).
"""
import pathlib
import sys

import matplotlib

matplotlib.use("Agg")  # files only: no display needed
import matplotlib.colors as colors  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import tbcalc  # noqa: E402

SST_C, ALTITUDE_M, AIR_C = 20.0, 1500.0, 10.0


def brightness_against_wind(folder):
    wind = np.linspace(0, 60, 241)
    rains = [0.0, 5.0, 20.0, 50.0]
    styles = ["-", "--", "-.", ":"]
    tb = tbcalc.brightness(SST_C, ALTITUDE_M, AIR_C, wind[:, None], rains)  # (wind, rain, channel)
    fig, ax = plt.subplots(figsize=(8, 5))
    for c, freq in enumerate(tbcalc.freqs):
        for k, rain in enumerate(rains):
            ax.plot(wind, tb[:, k, c], color=f"C{c}", linestyle=styles[k],
                    label=f"{freq:.2f} GHz" if k == 0 else None)
    for k, rain in enumerate(rains):
        ax.plot([], [], color="grey", linestyle=styles[k], label=f"{rain:g} mm/h")
    ax.set_xlabel("wind speed (m/s)")
    ax.set_ylabel("brightness temperature (K)")
    ax.set_title(f"Nadir brightness temperature: sea {SST_C:g} \u00b0C, "
                 f"{ALTITUDE_M:g} m, air {AIR_C:g} \u00b0C")
    ax.grid(alpha=0.3)
    ax.legend(ncol=2, fontsize="small")
    fig.tight_layout()
    fig.savefig(folder / "sensitivity_tb.png", dpi=90)
    plt.close(fig)


def uncertainty_map(folder):
    wind, rain = np.meshgrid(np.linspace(0, 60, 121), np.linspace(-10, 100, 111))
    tb = tbcalc.brightness(SST_C, ALTITUDE_M, AIR_C, wind, rain)
    r = tbcalc.retrieve(SST_C, ALTITUDE_M, AIR_C, tb, noise_k=0.5)
    fig, axes = plt.subplots(1, 2, figsize=(11, 4.5), sharey=True)
    for ax, sd, name, unit in ((axes[0], r.wind_sd, "wind", "m/s"),
                               (axes[1], r.rain_sd, "rain", "mm/h")):
        shown = np.clip(sd, 0.05, 50)
        mesh = ax.pcolormesh(wind, rain, shown, norm=colors.LogNorm(0.05, 50), shading="auto",
                             cmap="viridis")
        ax.contour(wind, rain, sd, levels=[5.0], colors="white", linewidths=1)
        fig.colorbar(mesh, ax=ax, label=f"one-sigma {name} uncertainty ({unit})")
        ax.set_xlabel("wind speed (m/s)")
        ax.set_title(f"{name}: 0.5 K noise per channel (white: 5 {unit})")
    axes[0].set_ylabel("rain rate (mm/h)")
    fig.tight_layout()
    fig.savefig(folder / "sensitivity_uncertainty.png", dpi=90)
    plt.close(fig)


def salinity_wind_error(folder):
    wind = np.linspace(0, 40, 161)
    fig, ax = plt.subplots(figsize=(8, 4.5))
    for c, salinity in enumerate([20.0, 28.0, 33.0]):
        for rain, style in ((5.0, "-"), (0.0, "--")):
            tb = tbcalc.brightness(SST_C, ALTITUDE_M, AIR_C, wind, rain, salinity)
            r = tbcalc.retrieve(SST_C, ALTITUDE_M, AIR_C, tb)  # assumes 36
            ax.plot(wind, r.wind - wind, color=f"C{c}", linestyle=style,
                    label=f"salinity {salinity:g}, rain {rain:g} mm/h")
    ax.axhline(0, color="grey", linewidth=0.8)
    ax.set_xlabel("true wind speed (m/s)")
    ax.set_ylabel("retrieved minus true wind (m/s)")
    ax.set_title("Retrieved with salinity 36: the error over fresher water "
                 f"(sea {SST_C:g} \u00b0C, noise-free)")
    ax.grid(alpha=0.3)
    ax.legend(fontsize="small")
    fig.tight_layout()
    fig.savefig(folder / "sensitivity_salinity.png", dpi=90)
    plt.close(fig)


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).parent
    folder.mkdir(parents=True, exist_ok=True)
    brightness_against_wind(folder)
    uncertainty_map(folder)
    salinity_wind_error(folder)
    print(f"wrote sensitivity_tb.png, sensitivity_uncertainty.png and sensitivity_salinity.png "
          f"in {folder}")


if __name__ == "__main__":
    main()
