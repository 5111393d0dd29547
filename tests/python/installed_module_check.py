"""Imports tbcalc from an installed tree and checks it is that one, and works."""
import os
import sys

import tbcalc

site = os.path.realpath(sys.argv[1])
where = os.path.realpath(tbcalc.__file__)
if not where.startswith(site + os.sep):
    sys.exit(f"tbcalc imported from {where}, not from {site}")
line = " ".join("%6.2f" % t for t in tbcalc.brightness(20, 1500, 10, 10, 5))
if line != "112.86 114.08 114.64 115.64 117.19 118.18":
    sys.exit(f"unexpected brightness temperatures: {line}")
print(f"tbcalc {tbcalc.__version__} from {where}: {line}")
