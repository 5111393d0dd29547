"""The package as users meet it: its public names and stubs, the signatures
help() shows, the status words' dtype, and import without the data packages."""
import ast
import os
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import tbcalc

PUBLIC = set(tbcalc.__all__) | {"__version__"}


def stub_tree():
    return ast.parse(pathlib.Path(tbcalc.__file__).with_name("__init__.pyi").read_text())


def test_the_extension_is_private_inside_the_package():
    folder = pathlib.Path(tbcalc.__file__).parent
    assert pathlib.Path(tbcalc._tbcalc.__file__).parent == folder
    assert {name for name in dir(tbcalc) if not name.startswith("_")} - {"xarray"} == PUBLIC - {
        "__version__"}
    for name in PUBLIC:
        assert getattr(tbcalc, name) is getattr(tbcalc._tbcalc, name)


def test_stubs_name_the_public_names():
    tree = stub_tree()
    named = {n.name for n in tree.body if isinstance(n, (ast.FunctionDef, ast.ClassDef))}
    named |= {n.target.id for n in tree.body if isinstance(n, ast.AnnAssign)}
    assert named == PUBLIC


def test_retrieval_attributes_follow_the_field_list():
    expected = [field[0] for field in tbcalc.RETRIEVAL_FIELDS] + [
        "iterations", "status_code", "status"]
    stub_class = next(n for n in stub_tree().body
                      if isinstance(n, ast.ClassDef) and n.name == "Retrieval")
    assert [n.name for n in stub_class.body if isinstance(n, ast.FunctionDef)] == expected
    assert [name for name in vars(tbcalc.Retrieval) if not name.startswith("_")] == expected
    r = tbcalc.retrieve(20, 1500, 10, tbcalc.brightness(20, 1500, 10, [10, 30], 5))
    docs = tbcalc.retrieve.__doc__
    for name, units, long_name, standard_name, doc in tbcalc.RETRIEVAL_FIELDS:
        assert getattr(tbcalc.Retrieval, name).__doc__ == doc
        assert getattr(r, name).shape == (2,) and getattr(r, name).dtype == np.float64
        assert f"{name} : {units}\n        {doc}" in docs
        assert units and long_name and doc and standard_name is not None


@pytest.mark.parametrize("function", ["emissivity", "brightness", "jacobian", "retrieve"])
def test_signatures_say_array_like(function):
    doc = getattr(tbcalc, function).__doc__
    signature = doc.splitlines()[0]
    assert signature.startswith(f"{function}(sst_c: array_like")
    assert "handle" not in signature and "_tbcalc" not in signature
    assert "Parameters" in doc and "Returns" in doc and "Raises" in doc


@pytest.mark.parametrize("wind,rain,tb_offset,status", [
    (10, 5, 0, "converged"),
    (20, 175, 0, "at-bound"),  # rain beyond the domain is held at its bound
    (20, 20, 300, "poor-fit"),
    (20, 0, 0, "weakly-constrained"),
    (20, 20, -1000, "invalid-input"),
])
def test_a_scalar_status_has_one_dtype_whatever_the_word(wind, rain, tb_offset, status):
    tb = tbcalc.brightness(20, 1500, 10, wind, rain) + tb_offset
    r = tbcalc.retrieve(20, 1500, 10, tb)
    assert r.status.shape == () and r.status_code.shape == ()
    assert r.status == status == tbcalc.STATUSES[int(r.status_code)]
    assert r.status.dtype == np.dtype(f"<U{max(len(word) for word in tbcalc.STATUSES)}")


def test_imports_without_the_data_packages():
    # Each blocked name makes its import fail, as if it were not installed.
    script = """
import sys
for name in ("xarray", "dask", "distributed", "netCDF4"):
    sys.modules[name] = None
import tbcalc
print(" ".join("%.2f" % t for t in tbcalc.brightness(20, 1500, 10, 10, 5)))
try:
    import tbcalc.xarray
except ImportError as error:
    print(error)
"""
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          env=os.environ, check=True)
    computed, message = done.stdout.splitlines()
    assert computed == " ".join("%.2f" % t for t in tbcalc.brightness(20, 1500, 10, 10, 5))
    assert "xarray" in message and "python3-xarray" in message


def test_import_loads_no_data_package():
    script = "import sys, tbcalc; print(sorted({'xarray', 'dask', 'netCDF4'} & set(sys.modules)))"
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                          check=True)
    assert done.stdout.strip() == "[]"
