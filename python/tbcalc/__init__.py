# The package tbcalc: the extension _tbcalc holds every computation; this file
# only names what is public. tbcalc.xarray is imported on request, so that
# tbcalc itself needs nothing but numpy.
from tbcalc._tbcalc import (
    INPUTS,
    JACOBIAN_FIELDS,
    ONE_SIGMA_LEVEL,
    RETRIEVAL_FIELDS,
    STATUSES,
    Jacobian,
    MisfitMap,
    Retrieval,
    __doc__,
    __version__,
    brightness,
    emissivity,
    freqs,
    jacobian,
    misfit_map,
    retrieve,
)

__all__ = [
    "INPUTS",
    "JACOBIAN_FIELDS",
    "ONE_SIGMA_LEVEL",
    "RETRIEVAL_FIELDS",
    "STATUSES",
    "Jacobian",
    "MisfitMap",
    "Retrieval",
    "brightness",
    "emissivity",
    "freqs",
    "jacobian",
    "misfit_map",
    "retrieve",
]
