"""The package as users meet it: its public names and stubs, the signatures
help() shows, the status words' dtype, and import without the data packages."""
import ast
import inspect
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import tbcalc

PUBLIC = set(tbcalc.__all__) | {"__version__"}
STUBS = ast.parse(pathlib.Path(tbcalc.__file__).with_name("__init__.pyi").read_text()).body


def test_public_names_stubs_and_the_private_extension():
    assert pathlib.Path(tbcalc._tbcalc.__file__).parent == pathlib.Path(tbcalc.__file__).parent
    names = {name for name in dir(tbcalc) if not name.startswith("_")} - {"xarray"}
    assert names | {"__version__"} == PUBLIC
    assert all(getattr(tbcalc, name) is getattr(tbcalc._tbcalc, name) for name in PUBLIC)
    named = {n.name for n in STUBS if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    assert named | {n.target.id for n in STUBS if isinstance(n, ast.AnnAssign)} == PUBLIC


def test_retrieval_attributes_follow_the_field_list():
    expected = [f[0] for f in tbcalc.RETRIEVAL_FIELDS] + ["iterations", "status_code", "status"]
    stub = next(n for n in STUBS if isinstance(n, ast.ClassDef) and n.name == "Retrieval")
    assert [n.name for n in stub.body if isinstance(n, ast.FunctionDef)] == expected
    assert [name for name in vars(tbcalc.Retrieval) if not name.startswith("_")] == expected
    assert [n for n in vars(tbcalc.Jacobian) if not n.startswith("_")] == [
        name for name, _ in tbcalc.JACOBIAN_FIELDS]
    r = tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, [10, 30], 5))
    for name, units, long_name, _, doc, _ in tbcalc.RETRIEVAL_FIELDS:
        assert getattr(tbcalc.Retrieval, name).__doc__ == doc and units and long_name
        assert getattr(r, name).shape == (2,) and getattr(r, name).dtype == np.float64
        assert f"{name} : {units}\n        {doc}" in tbcalc.retrieve.__doc__


@pytest.mark.parametrize("function",
                         ["emissivity", "brightness", "jacobian", "retrieve", "misfit_map"])
def test_signatures_docstrings_and_stubs_follow_the_inputs(function):
    """The arguments are the inputs' names (the table programs' columns),
    help() and the stubs show the same, and the old names still work."""
    signature = inspect.signature(getattr(tbcalc, function))
    inputs = {name: default for name, _, _, _, _, default, _ in tbcalc.INPUTS}
    assert {"sst", "salinity"} <= set(signature.parameters)
    for name, p in signature.parameters.items():
        if name in inputs and p.kind != p.KEYWORD_ONLY:  # misfit_map's grid axes are options
            assert p.default == (p.empty if inputs[name] is None else inputs[name]), name
    stub = next(n for n in STUBS if isinstance(n, ast.FunctionDef) and n.name == function)
    assert [a.arg for a in stub.args.args + stub.args.kwonlyargs] == list(signature.parameters)
    doc = getattr(tbcalc, function).__doc__
    assert "Parameters" in doc and "Returns" in doc and "Raises" in doc
    assert all(f"\n{name} : " in doc for name in signature.parameters)


# Names of 1.2, each with its new one: a DeprecationWarning, the same values.
@pytest.mark.parametrize("old,new", [("sst_c", "sst"), ("altitude_m", "altitude"),
                                     ("air_c", "air"), ("wind_ms", "wind"), ("rain_mmh", "rain")])
def test_the_old_argument_names_still_work_with_a_warning(old, new):
    given = {"sst": 20, "altitude": 1500, "air": 10, "wind": 10, "rain": 5}
    with pytest.warns(DeprecationWarning, match=f"'{old}' is now '{new}'"):
        tb = tbcalc.brightness(**{(old if k == new else k): v for k, v in given.items()})
    np.testing.assert_array_equal(tb, tbcalc.brightness(**given))
    with pytest.raises(TypeError, match="multiple values for argument 'sst'"):
        tbcalc.emissivity(20, sst_c=20)


def test_results_show_their_fields():
    r = tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, 10, 5))
    assert repr(r).startswith("Retrieval(wind=9.99") and repr(r).endswith("status='converged')")
    assert repr(tbcalc.jacobian(20, 1500, 10, 10, 5)).startswith("Jacobian(tb=array([112.85")


# rain beyond the domain is held at its bound; 1000 K fits nothing
@pytest.mark.parametrize("wind,rain,offset,status", [
    (10, 5, 0, "converged"), (20, 175, 0, "at-bound"), (20, 20, 300, "poor-fit"),
    (20, 0, 0, "weakly-constrained"), (20, 20, -1000, "invalid-input")])
def test_a_scalar_status_has_one_dtype_whatever_the_word(wind, rain, offset, status):
    r = tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, wind, rain) + offset)
    assert r.status.shape == () and r.status == status == tbcalc.STATUSES[r.status_code]
    assert r.status.dtype == np.dtype(f"<U{max(len(word) for word in tbcalc.STATUSES)}")


def test_imports_without_the_data_packages():
    script = """import sys
import tbcalc
print(sorted({"xarray", "dask", "netCDF4"} & set(sys.modules)))
for name in ("xarray", "dask", "distributed", "netCDF4"):
    sys.modules[name] = None  # as if not installed
print("%.2f" % tbcalc.brightness(20, 1500, 10, 10, 5)[0])
try:
    import tbcalc.xarray
except ImportError as error:
    print(error)"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          check=True)
    loaded, computed, message = done.stdout.splitlines()
    assert loaded == "[]" and computed == "%.2f" % tbcalc.brightness(20, 1500, 10, 10, 5)[0]
    assert "needs xarray" in message and "python3-xarray" in message
