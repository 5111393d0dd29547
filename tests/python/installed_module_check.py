"""Imports tbcalc from an installed tree and checks it is that one, whole
(the extension inside the package, nothing left from a test run), and works."""
import os
import sys

site = os.path.realpath(sys.argv[1])
package = os.path.join(site, "tbcalc")
# Before the import writes its byte code there.
files = sorted(name for name in os.listdir(package) if not name.startswith("_tbcalc."))
if files != ["__init__.py", "__init__.pyi", "py.typed", "xarray.py"]:
    sys.exit(f"unexpected files in {package}: {files}")

import tbcalc  # noqa: E402

where = os.path.realpath(tbcalc.__file__)
if os.path.dirname(where) != package:
    sys.exit(f"tbcalc imported from {where}, not from {package}")
if os.path.dirname(os.path.realpath(tbcalc._tbcalc.__file__)) != package:
    sys.exit(f"tbcalc's extension imported from {tbcalc._tbcalc.__file__}")
line = " ".join("%6.2f" % t for t in tbcalc.brightness(20, 1500, 10, 10, 5))
if line != "112.86 114.08 114.64 115.64 117.19 118.18":
    sys.exit(f"unexpected brightness temperatures: {line}")
print(f"tbcalc {tbcalc.__version__} from {where}: {line}")
