"""tbcalc on labelled data: the forward model and the retrieval on xarray.

``forward`` and ``retrieve`` take DataArrays, or a Dataset and the names of
its variables, and return a Dataset that keeps the inputs' dimensions and
coordinates, holds the inputs it used and the results, and describes every
variable with CF attributes (``units``, ``long_name``, ``standard_name`` where
the CF table has one). The brightness temperatures are one variable with a
``channel`` dimension of six, whose coordinate is the channel frequencies in
GHz (``tbcalc.freqs``).

Dask-backed inputs stay lazy: each chunk is computed on its own by the numpy
functions of tbcalc, so a file larger than memory is processed chunk by chunk
and a dask cluster computes chunks in parallel, with the results of the eager
call bit for bit. A flight file to a product file::

    import xarray, tbcalc.xarray
    flight = xarray.open_dataset("flight.nc", chunks={"time": 100_000})
    tbcalc.xarray.retrieve(flight, noise_k=0.5).to_netcdf("product.nc")

Needs xarray (Debian python3-xarray); dask (python3-dask) for chunked data and
netCDF4 (python3-netcdf4) for netCDF files.
"""
import datetime
import functools
import operator

try:
    import xarray as xr
except ImportError as error:
    raise ImportError(
        "tbcalc.xarray needs xarray: install the Debian package python3-xarray "
        "(python3-dask and python3-netcdf4 too, for chunked data and netCDF files)"
    ) from error
import numpy as np

import tbcalc
from tbcalc import _tbcalc

__all__ = ["CHANNEL", "forward", "retrieve"]

CHANNEL = "channel"
"""The dimension of the six channels, in the order of ``tbcalc.freqs``."""

CONVENTIONS = "CF-1.8"

_CORE_SIZES = {CHANNEL: 6}

# The spellings of degrees Celsius in UDUNITS and in files met in practice.
_CELSIUS = {"degC", "celsius", "Celsius", "degree_Celsius", "degrees_Celsius", "deg_C",
            "degree_C", "degrees_C", "degreeC", "degreesC", "deg C", "\u00b0C"}

# The spellings of each input's unit taken for the one the model uses, met in
# UDUNITS and in files. A different unit is an error, not a conversion:
# kelvin given for degC would be 273 K off.
_SPELLINGS = {
    "degC": _CELSIUS,
    "m": {"m", "meter", "meters", "metre", "metres"},
    "m s-1": {"m s-1", "m/s", "m s**-1", "m.s-1", "meter second-1"},
    "mm h-1": {"mm h-1", "mm/h", "mm/hr", "mm hr-1", "mm.h-1"},
    "K": {"K", "kelvin", "Kelvin", "degK"},
    "1e-3": {"1e-3", "0.001", "psu", "PSU", "pss", "PSS", "pss-78", "PSS-78"},
}

# What each input means and its CF attributes, from the inputs' description
# that the numpy functions and the table programs share; the noise is the
# retrieval's own.
_QUANTITIES = {
    name: ({"units": units, "standard_name": standard_name, "long_name": long_name},
           _SPELLINGS[units])
    for name, units, long_name, standard_name, _doc, _default, _channels in tbcalc.INPUTS
}
_QUANTITIES["noise_k"] = ({"units": "K", "long_name": "assumed noise of each channel, one sigma"},
                          _SPELLINGS["K"])
_FALLBACKS = {name: default for name, *_, default, _ in tbcalc.INPUTS if default is not None}


def _forward_kernel(sst, altitude, air, wind, rain, salinity):
    return (tbcalc.brightness(sst, altitude, air, wind, rain, salinity),)


def _retrieve_kernel(sst, altitude, air, tb, noise_k, salinity, *, fields, noise_per_channel,
                     intervals, level):
    # tbcalc.retrieve reads the noise by its axes against tb's: a noise per
    # channel has as many (its channel axis last), one for all channels of an
    # element fewer. apply_ufunc leaves out the leading dimensions an input
    # lacks rather than giving it axes of one, so either may be short of them.
    tb, noise_k = np.asarray(tb), np.asarray(noise_k)
    noise_loop = noise_k.ndim - noise_per_channel
    loop = max(tb.ndim - 1, noise_loop)
    tb = tb.reshape((1,) * (loop + 1 - tb.ndim) + tb.shape)
    if noise_per_channel:
        noise_k = noise_k.reshape((1,) * (loop - noise_loop) + noise_k.shape)
    r = tbcalc.retrieve(sst, altitude, air, tb, noise_k, salinity, intervals=intervals,
                        level=level)
    return (*(getattr(r, name) for name in fields), r.iterations, r.status_code)


def _echoing(*arrays, kernel, echo):
    """The kernel's results, then the inputs at the positions `echo` as they came."""
    results = kernel(*arrays) + tuple(arrays[k] for k in echo)
    return results if len(results) > 1 else results[0]  # apply_ufunc's way for one


def _eager_or_lazy(*arrays, function, core_dims, output_core_dims, output_dtypes):
    """function(*arrays), or its dask arrays when an input is one."""
    if not any(type(array).__module__.partition(".")[0] == "dask" for array in arrays):
        return function(*arrays)
    return _by_chunks(function, arrays, core_dims, output_core_dims, output_dtypes)


def _by_chunks(function, arrays, core_dims, output_core_dims, output_dtypes):
    """function over the chunks of its inputs, lazily: one task a chunk computes
    all outputs, and one task a chunk and output takes that output out.

    The core dimensions (the channels) are last and whole in every task; the
    loop dimensions are aligned from the right, as numpy broadcasts them.
    (apply_ufunc's own dask path adds an identity transpose task per chunk and
    output in Debian 12's dask: on a cluster their scheduling costs more than
    a twentieth of the computation.)
    """
    import dask.array as da
    from dask.core import flatten
    from dask.highlevelgraph import HighLevelGraph

    arrays = [da.asarray(array) for array in arrays]
    loops = [array.ndim - len(core) for array, core in zip(arrays, core_dims)]
    loop = tuple(f"__loop{d}__" for d in range(max(loops)))
    indexed = []
    for array, count, core in zip(arrays, loops, core_dims):
        indexed += [array, loop[len(loop) - count:] + tuple(core)]
    metas = tuple(np.empty((0,) * (len(loop) + len(core)), dtype)
                  for core, dtype in zip(output_core_dims, output_dtypes))
    together = da.blockwise(_all_outputs, loop, *indexed, function=function, concatenate=True,
                            meta=metas)
    keys = list(flatten(together.__dask_keys__()))
    outputs = []
    for i, (core, meta) in enumerate(zip(output_core_dims, metas)):
        name = f"{together.name}-{i}"
        tasks = {(name, *key[1:]) + (0,) * len(core): (operator.getitem, key, i) for key in keys}
        graph = HighLevelGraph.from_collections(name, tasks, dependencies=[together])
        chunks = together.chunks + tuple((_CORE_SIZES[dim],) for dim in core)
        outputs.append(da.Array(graph, name, chunks=chunks, meta=meta))
    return tuple(outputs) if len(outputs) > 1 else outputs[0]


def _all_outputs(*chunks, function):
    results = function(*chunks)
    return results if isinstance(results, tuple) else (results,)


def forward(data=None, *, sst="sst", altitude="altitude", air="air", wind="wind", rain="rain",
            salinity=None):
    """Brightness temperatures of the six channels, as a Dataset.

    Parameters
    ----------
    data : xarray.Dataset, optional
        Where the inputs named by strings are found.
    sst, altitude, air, wind, rain : str, xarray.DataArray or number
        Sea surface temperature (degC), radar altitude (m), air temperature
        at flight level (degC), surface wind speed (m/s) and rain rate
        (mm/h): each the name of a variable of `data` (the defaults), a
        DataArray or a number. They broadcast by dimension name; none may
        have a ``channel`` dimension. A ``units`` attribute, where present,
        must name the unit above.
    salinity : str, xarray.DataArray or number, optional
        Sea surface salinity (psu, practical salinity; units ``1e-3`` as CF
        writes them, ``psu`` accepted): as the others; by default the
        variable ``salinity`` of `data` where it has one, else 36.

    Returns
    -------
    xarray.Dataset
        The inputs, salinity included, under their own names, and ``tb`` (float32, K)
        with the inputs' dimensions and ``channel``, each element as
        ``tbcalc.brightness`` computes it; the inputs' coordinates and the
        channel frequencies (GHz); CF attributes, and ``history`` added to.
        Lazy when an input is a dask array.

    Raises
    ------
    KeyError
        If a named variable is not in `data`.
    TypeError
        If an input is an unlabelled array, or a name is given without `data`.
    ValueError
        If an input has a ``channel`` dimension or another unit.
    """
    inputs = _without_channels(data, {"sst": sst, "altitude": altitude, "air": air,
                                      "wind": wind, "rain": rain,
                                      "salinity": _or_fallback(data, salinity, "salinity")},
                               "only tb has the channels")
    (tb,) = _apply(_forward_kernel, inputs, [[CHANNEL]], [np.float32])
    tb.attrs = dict(_QUANTITIES["tb"][0])
    tb.encoding = {"_FillValue": np.float32(np.nan)}
    return _finish(_with_inputs(inputs, {"tb": tb}), data, "forward()")


def retrieve(data=None, *, sst="sst", altitude="altitude", air="air", tb="tb", noise_k=0.5,
             salinity=None, intervals=True, level=tbcalc.ONE_SIGMA_LEVEL):
    """Wind speed and rain rate from six brightness temperatures, as a Dataset.

    Parameters
    ----------
    data : xarray.Dataset, optional
        Where the inputs named by strings are found.
    sst, altitude, air : str, xarray.DataArray or number
        Sea surface temperature (degC), radar altitude (m) and air
        temperature at flight level (degC), as for `forward`.
    tb : str, xarray.DataArray, or a sequence of six of them
        Measured brightness temperatures (K): one variable with a
        ``channel`` dimension of six in the order of ``tbcalc.freqs`` (a
        ``channel`` coordinate, if any, must hold those frequencies in GHz),
        or six variables, one per channel (``["tb1", ..., "tb6"]``).
    noise_k : str, xarray.DataArray or number, optional
        Noise of the channels, K, one sigma (default 0.5, as
        ``tbcalc.retrieve``); a DataArray broadcasts by dimension name, with
        a ``channel`` dimension for a noise per channel.
    salinity : str, xarray.DataArray or number, optional
        Sea surface salinity (psu), as for `forward`: by default the variable
        ``salinity`` of `data` where it has one, else 36.
    intervals : bool, optional
        Add the confidence intervals ``wind_lo``, ``wind_hi``, ``rain_lo``,
        ``rain_hi`` from the misfit itself (default: yes; a product should
        say how far to trust it, and near zero rain the sigmas do not).
    level : float, optional
        Level of the intervals, 0 < level < 1 (default 0.6827, one sigma).

    Returns
    -------
    xarray.Dataset
        The inputs used, under their own names (``tb`` under that name, with
        the channel frequencies as its coordinate; the salinity too, the
        fallback of 36 included), ``noise_k``, then one
        float64 variable per entry of ``tbcalc.RETRIEVAL_FIELDS`` (its name,
        units, long_name and standard_name; NaN, written as ``_FillValue``,
        where the input was invalid), ``iterations`` (int32) and ``status``
        (uint8 codes into ``tbcalc.STATUSES``, with CF ``flag_values`` and
        ``flag_meanings``). The inputs' coordinates are kept; lazy when an
        input is a dask array.

    Raises
    ------
    KeyError
        If a named variable is not in `data`.
    TypeError
        If an input is an unlabelled array, or a name is given without `data`.
    ValueError
        If `tb` has not six channels, its channel coordinate is not the
        channel frequencies, an input has another unit, or intervals are
        asked for at a level not strictly between 0 and 1 (at once, also for
        dask arrays).
    """
    inputs = _without_channels(data, {"sst": sst, "altitude": altitude, "air": air},
                               "only tb and noise_k have the channels")
    inputs["tb"] = _channels(data, tb)
    inputs["noise_k"] = _input(data, noise_k, "noise_k")
    if CHANNEL in inputs["noise_k"].dims:
        inputs["noise_k"] = _channel_axis(inputs["noise_k"], "noise_k")
    inputs.update(_without_channels(data, {"salinity": _or_fallback(data, salinity, "salinity")},
                                    "only tb and noise_k have the channels"))
    # The module's own check, now rather than when a lazy result is computed.
    _tbcalc._check_retrieval_options(intervals, level)
    # The interval bounds are NaN unless asked for: then they are left out.
    fields = [field for field in tbcalc.RETRIEVAL_FIELDS if intervals or not field[5]]
    kernel = functools.partial(_retrieve_kernel, fields=[field[0] for field in fields],
                               noise_per_channel=CHANNEL in inputs["noise_k"].dims,
                               intervals=intervals, level=level)
    outputs = _apply(kernel, inputs, [[]] * (len(fields) + 2),
                     [np.float64] * len(fields) + [np.int32, np.uint8])
    results = {}
    for (name, units, long_name, standard_name, _doc, _), array in zip(fields, outputs):
        array.attrs = {"units": units, "long_name": long_name}
        if standard_name:
            array.attrs["standard_name"] = standard_name
        array.encoding = {"_FillValue": np.nan}
        results[name] = array
    results["iterations"] = outputs[-2].assign_attrs(
        units="1", long_name="iterations of the refinement of the retrieval")
    results["status"] = outputs[-1].assign_attrs(
        long_name="status of the retrieval", standard_name="status_flag",
        flag_values=np.arange(len(tbcalc.STATUSES), dtype=np.uint8),
        flag_meanings=" ".join(word.replace("-", "_") for word in tbcalc.STATUSES))
    noise = inputs["noise_k"]
    result = _with_inputs(inputs, results)
    settings = f"noise_k={float(noise) if noise.ndim == 0 else '...'}, intervals={intervals}"
    return _finish(result, data, f"retrieve({settings}, level={level:g})")


def _apply(kernel, inputs, output_core_dims, output_dtypes):
    """The kernel's results over the inputs (a dict, in the kernel's order), by
    chunks if they are dask arrays.

    The dask inputs that span every dimension of the result come back from the
    kernel's own tasks and replace their entries in `inputs`: all variables of
    a chunk then come from one task, and writing the result holds a few chunks
    at a time. Passed through beside the computation, dask would write them
    last and hold their chunks meanwhile, in memory that grows with the data.
    """
    names = list(inputs)
    arrays = list(inputs.values())
    core = [[CHANNEL] if CHANNEL in array.dims else [] for array in arrays]
    loop = set().union(*(set(array.dims) - set(c) for array, c in zip(arrays, core)))
    echo = [k for k, array in enumerate(arrays)
            if array.chunks is not None and set(array.dims) - set(core[k]) == loop]
    core_out = output_core_dims + [core[k] for k in echo]
    echoing = functools.partial(_echoing, kernel=kernel, echo=echo)
    outputs = xr.apply_ufunc(
        _eager_or_lazy, *arrays,
        kwargs={"function": echoing, "core_dims": core, "output_core_dims": core_out,
                "output_dtypes": output_dtypes + [arrays[k].dtype for k in echo]},
        input_core_dims=core, output_core_dims=core_out, dask="allowed")
    outputs = outputs if isinstance(outputs, tuple) else (outputs,)
    for k, echoed in zip(echo, outputs[len(output_core_dims):]):
        given = arrays[k]
        echoed = echoed.transpose(*given.dims).rename(given.name).assign_attrs(given.attrs)
        echoed.encoding = dict(given.encoding)
        inputs[names[k]] = echoed
    return outputs[:len(output_core_dims)]


def _input(data, value, role):
    """One input as a DataArray with the CF attributes of its role."""
    if isinstance(value, str):
        if data is None:
            raise TypeError(f"{role}: the variable name {value!r} needs a Dataset to look in")
        if not isinstance(data, xr.Dataset):
            raise TypeError(f"data: a Dataset is needed to look up {value!r}; got "
                            f"{type(data).__name__} (give DataArrays by keyword: {role}=...)")
        if value not in data.variables:
            raise KeyError(f"{role}: no variable {value!r} in the Dataset; name it with {role}=")
        value = data[value]
    elif not isinstance(value, xr.DataArray):
        if np.ndim(value) != 0:
            raise TypeError(f"{role}: give a DataArray, so that its dimensions are named "
                            f"(got an array of shape {np.shape(value)})")
        value = xr.DataArray(value, name=role)
    attrs, spellings = _QUANTITIES[role]
    units = value.attrs.get("units")
    if units is not None and units not in spellings:
        raise ValueError(f"{role}: units {units!r}, expected {attrs['units']!r}")
    if value.name is None:
        value = value.rename(role)
    return value.assign_attrs({**value.attrs, **attrs})


def _or_fallback(data, value, role):
    """`value`, or where it is None, the variable named `role` of `data` if it
    has one, else the input's fallback (as the table programs take a column
    when it is there), as a DataArray."""
    if value is not None:
        return _input(data, value, role)
    if not (isinstance(data, xr.Dataset) and role in data.variables):
        return _input(data, _FALLBACKS[role], role)
    try:
        return _input(data, role, role)
    except ValueError as error:
        raise ValueError(f"{error} (the Dataset's variable {role!r} is taken unless "
                         f"{role}= gives another, {role}={_FALLBACKS[role]:g} for instance)") from None


def _channels(data, tb):
    """The brightness temperatures as one DataArray with the channel dimension."""
    if not isinstance(tb, (str, xr.DataArray)):
        arrays = [_input(data, one, "tb") for one in tb]
        if len(arrays) != 6:
            raise ValueError(f"tb: six variables, one per channel, expected; got {len(arrays)}")
        tb = xr.concat(arrays, dim=CHANNEL, coords="minimal", compat="override")
        tb = tb.transpose(..., CHANNEL).rename("tb").assign_attrs(_QUANTITIES["tb"][0])
    else:
        tb = _input(data, tb, "tb")
    return _channel_axis(tb, "tb")


def _channel_axis(array, role):
    """`array` with its channel dimension checked: six long, the frequencies
    (if a coordinate is given) in order, one chunk."""
    if array.sizes.get(CHANNEL) != 6:
        raise ValueError(f"{role}: needs a {CHANNEL!r} dimension of six; has {dict(array.sizes)}")
    if CHANNEL in array.coords:
        given = np.asarray(array[CHANNEL], dtype=np.float64)
        if not np.allclose(given, tbcalc.freqs, atol=0.005, rtol=0):
            raise ValueError(f"{role}: its {CHANNEL} coordinate {given.tolist()} is not the "
                             f"channel frequencies in GHz, {tbcalc.freqs.round(2).tolist()}, "
                             "in order")
    array = array.assign_coords({CHANNEL: _channel_coordinate()})
    # A core dimension is computed whole: one chunk along the channels.
    return array.chunk({CHANNEL: -1}) if array.chunks is not None else array


def _channel_coordinate():
    frequencies = xr.DataArray(
        tbcalc.freqs.copy(), dims=CHANNEL,
        attrs={"units": "GHz", "standard_name": "sensor_band_central_radiation_frequency",
               "long_name": "channel centre frequency"})
    frequencies.encoding["_FillValue"] = None  # CF: a coordinate has no missing values
    return frequencies


def _without_channels(data, values, which_have_them):
    """The inputs of the roles in `values` (role: name, DataArray or number),
    none of which may have the channel dimension."""
    inputs = {role: _input(data, value, role) for role, value in values.items()}
    for role, array in inputs.items():
        if CHANNEL in array.dims:
            raise ValueError(f"{role}: has a {CHANNEL!r} dimension; {which_have_them}")
    return inputs


def _with_inputs(inputs, results):
    """The inputs used, then the results, in one Dataset with the channel
    frequencies as the channel coordinate."""
    variables = {}
    for role, array in inputs.items():
        same = variables.get(array.name)
        if same is not None and not same.identical(array):
            raise ValueError(f"{role}: named {array.name!r} like another input; rename one "
                             "(DataArray.rename) so that both can be kept")
        variables[array.name] = array
    for name in results:
        if name in variables:
            raise ValueError(f"an input is named {name!r}, as a result is: rename it")
    variables.update(results)
    return xr.Dataset(variables).assign_coords({CHANNEL: _channel_coordinate()})


def _finish(result, data, call):
    """Global attributes: the input Dataset's, CF conventions and a history line."""
    attrs = dict(data.attrs) if data is not None else {}
    stamp = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ")
    line = f"{stamp} tbcalc {tbcalc.__version__}: tbcalc.xarray.{call}"
    attrs["history"] = line + ("\n" + attrs["history"] if attrs.get("history") else "")
    attrs["Conventions"] = CONVENTIONS
    # CF: coordinates have no missing values, so no _FillValue unless the
    # input's own encoding had one. Copies: the input's encoding stays as it was.
    coords = {}
    for name, coordinate in result.coords.items():
        coords[name] = coordinate.variable.copy(deep=False)
        coords[name].encoding.setdefault("_FillValue", None)
    return result.assign_coords(coords).assign_attrs(attrs)
