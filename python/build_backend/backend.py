"""The PEP 517 backend of tbcalc: setuptools' own, asking for the cmake
distribution only where no CMake as recent as the project needs is on PATH.
Debian's cmake is not a Python distribution: named in pyproject.toml for
every build, it would make `python3 -m build --no-isolation` refuse to build
beside it. (scikit-build-core decides the same way.)
"""
import re
import subprocess

from setuptools import build_meta as _setuptools
from setuptools.build_meta import *  # noqa: F401,F403 (the hooks not changed here)


def _numbers(version):
    return tuple(int(number) for number in version.split("."))


def _cmake_requirement():
    """["cmake>=X.Y"] of cmake_minimum_required, unless a cmake that new is on PATH."""
    # Hooks run in the source tree's root.
    with open("CMakeLists.txt", encoding="utf-8") as f:
        minimum = re.search(r"cmake_minimum_required\(VERSION ([0-9.]+)\)", f.read()).group(1)
    try:
        out = subprocess.run(["cmake", "--version"], capture_output=True, text=True,
                             check=True).stdout
    except (OSError, subprocess.CalledProcessError):
        out = ""
    found = re.search(r"cmake version ([0-9]+(?:\.[0-9]+)*)", out)
    if found and _numbers(found.group(1)) >= _numbers(minimum):
        return []
    return [f"cmake>={minimum}"]


def get_requires_for_build_wheel(config_settings=None):
    return _setuptools.get_requires_for_build_wheel(config_settings) + _cmake_requirement()
