"""The wheel of tbcalc, built by the project's own CMake as pybind11's
cmake_example builds its: one CMake build makes the extension, its type stubs
and the three programs; `cmake --install` says which files the Python package
is, and the programs become the wheel's scripts, so that pip puts them on the
environment's PATH. The metadata is in pyproject.toml; the version and the
summary are the CMake project's.

    pip install .          or, for an sdist and a wheel:  python3 -m build

CMAKE_ARGS adds options to CMake's configure step; CMAKE_BUILD_PARALLEL_LEVEL
sets how many jobs build (every core otherwise).
"""
import glob
import os
import re
import shlex
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

# setuptools provides distutils, so this import must come after setuptools'.
from distutils.command.build_scripts import build_scripts  # isort: skip

SOURCE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = ["tbcalc", "tbforward", "tbretrieve"]


def cmake_project():
    """The version and summary of the CMake project, so that they are written once."""
    with open(os.path.join(SOURCE, "CMakeLists.txt"), encoding="utf-8") as f:
        text = f.read()
    found = re.search(r'project\(\s*tbcalc\s+VERSION\s+([0-9.]+)\s+DESCRIPTION\s+"([^"]+)"', text)
    if not found:
        sys.exit("CMakeLists.txt: no project(tbcalc VERSION ... DESCRIPTION ...) found")
    return found.groups()


class CMakeBuild(build_ext):
    """Configures, builds and installs the CMake project in the build temp
    folder, then copies the installed Python package where setuptools packs it."""

    def build_extension(self, ext):
        # The package is CMake's build, stubs included, not the source folder.
        if self.inplace or getattr(self, "editable_mode", False):
            sys.exit("tbcalc has no editable install: `make build` builds the package "
                     "into build/python, for PYTHONPATH")
        cmake_build = os.path.join(os.path.abspath(self.build_temp), "cmake")
        staging = self.staging()
        configure = [
            "cmake", "-S", SOURCE, "-B", cmake_build,
            "-DCMAKE_BUILD_TYPE=Release",
            "-DTBCALC_BUILD_TESTS=OFF",  # nor the benchmarks, which come with them
            "-DTBCALC_WEB=OFF",  # the browser page is not a Python package's
            f"-DTBCALC_PYTHON={sys.executable}",
        ]
        try:
            import pybind11
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass  # CMake looks for Debian's pybind11-dev
        configure += shlex.split(os.environ.get("CMAKE_ARGS", ""))
        build = ["cmake", "--build", cmake_build]
        if "CMAKE_BUILD_PARALLEL_LEVEL" not in os.environ:
            build += ["-j", str(self.parallel or os.cpu_count() or 1)]
        subprocess.run(configure, check=True)
        subprocess.run(build, check=True)
        shutil.rmtree(staging, ignore_errors=True)
        for component in ("python", "programs"):
            subprocess.run(["cmake", "--install", cmake_build, "--prefix", staging,
                            "--component", component, "--strip"], check=True)

        # cmake/install.cmake puts the package in lib/python3.X/dist-packages
        # under any prefix but /usr; without numpy, pybind11 or the Python
        # headers CMake builds no package and said why above.
        packages = glob.glob(os.path.join(staging, "lib", "python3*", "dist-packages", "tbcalc"))
        if len(packages) != 1:
            sys.exit("CMake installed no Python package tbcalc: see its messages above")
        package = os.path.dirname(self.get_ext_fullpath(ext.name))
        shutil.rmtree(package, ignore_errors=True)
        self.copy_tree(packages[0], package)

    def staging(self):
        """Where `cmake --install` puts the package and the programs."""
        return os.path.join(os.path.abspath(self.build_temp), "install")


class CMakePrograms(build_scripts):
    """The wheel's scripts are the programs of those names that CMake built
    with the extension; they have no source of their own to copy or to
    put in the sdist."""

    def run(self):
        installed = os.path.join(self.get_finalized_command("build_ext").staging(), "bin")
        self.mkpath(self.build_dir)
        for program in self.scripts:
            self.copy_file(os.path.join(installed, program), self.build_dir)

    def get_source_files(self):
        return []


version, description = cmake_project()
setup(
    version=version,
    description=description,
    packages=[],  # the package is what CMake installs, with its generated stubs
    ext_modules=[Extension("tbcalc._tbcalc", sources=[])],
    scripts=PROGRAMS,
    cmdclass={"build_ext": CMakeBuild, "build_scripts": CMakePrograms},
    # Apart from the CMake build folder `build` of `make build`.
    options={"build": {"build_base": "build-wheel"}},
    zip_safe=False,
)
