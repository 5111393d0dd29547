# The package tbcalc: the extension _tbcalc holds every computation; this file
# only names what is public.
from tbcalc._tbcalc import (
    RETRIEVAL_FIELDS,
    STATUSES,
    Jacobian,
    Retrieval,
    __doc__,
    __version__,
    brightness,
    emissivity,
    freqs,
    jacobian,
    retrieve,
)

__all__ = [
    "RETRIEVAL_FIELDS",
    "STATUSES",
    "Jacobian",
    "Retrieval",
    "brightness",
    "emissivity",
    "freqs",
    "jacobian",
    "retrieve",
]
