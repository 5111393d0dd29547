"""Nadir brightness temperatures of the sea at C band, and their inverse."""
from typing import Final

import numpy as np
import numpy.typing as npt

__version__: Final[str]
freqs: Final[npt.NDArray[np.float32]]
"""Channel frequencies, GHz: 4.74, 5.31, 5.57, 6.02, 6.69, 7.09."""
STATUSES: Final[tuple[str, ...]]
"""'converged', 'at-bound', 'poor-fit', 'weakly-constrained', 'invalid-input'."""

class Jacobian:
    """The result of jacobian(): arrays of shape (..., 6), float64."""
    @property
    def tb(self) -> npt.NDArray[np.float64]: ...
    @property
    def d_wind(self) -> npt.NDArray[np.float64]: ...
    @property
    def d_rain(self) -> npt.NDArray[np.float64]: ...
    @property
    def d_emis(self) -> npt.NDArray[np.float64]: ...
    @property
    def d_sst(self) -> npt.NDArray[np.float64]: ...
    @property
    def d_air(self) -> npt.NDArray[np.float64]: ...
    @property
    def d_altitude(self) -> npt.NDArray[np.float64]: ...

class Retrieval:
    """The result of retrieve(): arrays of the broadcast shape."""
    @property
    def wind(self) -> npt.NDArray[np.float64]: ...
    @property
    def rain(self) -> npt.NDArray[np.float64]: ...
    @property
    def wind_sd(self) -> npt.NDArray[np.float64]: ...
    @property
    def rain_sd(self) -> npt.NDArray[np.float64]: ...
    @property
    def rms(self) -> npt.NDArray[np.float64]: ...
    @property
    def iterations(self) -> npt.NDArray[np.int32]: ...
    @property
    def status(self) -> npt.NDArray[np.str_]: ...

def emissivity(sst_c: npt.ArrayLike) -> npt.NDArray[np.float32]:
    """Flat-sea emissivity at nadir per channel; sst_c in degC."""

def brightness(
    sst_c: npt.ArrayLike,
    altitude_m: npt.ArrayLike,
    air_c: npt.ArrayLike,
    wind_ms: npt.ArrayLike,
    rain_mmh: npt.ArrayLike,
) -> npt.NDArray[np.float32]:
    """Brightness temperatures (K) per channel, exactly as tbcalc computes them."""

def jacobian(
    sst_c: npt.ArrayLike,
    altitude_m: npt.ArrayLike,
    air_c: npt.ArrayLike,
    wind_ms: npt.ArrayLike,
    rain_mmh: npt.ArrayLike,
) -> Jacobian:
    """Brightness temperatures and their partial derivatives per channel."""

def retrieve(
    sst_c: npt.ArrayLike,
    altitude_m: npt.ArrayLike,
    air_c: npt.ArrayLike,
    tb: npt.ArrayLike,
    noise_k: npt.ArrayLike = 0.5,
) -> Retrieval:
    """Wind speed (m/s) and rain rate (mm/h) from brightness temperatures of shape (..., 6)."""
