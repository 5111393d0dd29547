"""The package as users meet it: its public names and stubs, the signatures
help() shows, the status words' dtype, and import without the data packages."""
import ast
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
    r = tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, [10, 30], 5))
    for name, units, long_name, _, doc, _ in tbcalc.RETRIEVAL_FIELDS:
        assert getattr(tbcalc.Retrieval, name).__doc__ == doc and units and long_name
        assert getattr(r, name).shape == (2,) and getattr(r, name).dtype == np.float64
        assert f"{name} : {units}\n        {doc}" in tbcalc.retrieve.__doc__


@pytest.mark.parametrize("function", ["emissivity", "brightness", "jacobian", "retrieve"])
def test_signatures_say_array_like(function):
    doc = getattr(tbcalc, function).__doc__
    assert doc.startswith(f"{function}(sst_c: array_like") and "handle" not in doc.split("\n")[0]
    assert "Parameters" in doc and "Returns" in doc and "Raises" in doc


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
