#!/bin/sh
# Installs tbcalc with pip as a user of a clone does, in a temporary folder:
# the source tree without its builds, an sdist and a wheel made of it by
# `python3 -m build`, the wheel installed into a new virtual environment.
# Then, outside the source tree: the package imports from the environment,
# whole, with the CMake project's version; its results on random inputs are
# the build tree's bit for bit; the programs are on the environment's PATH
# and answer as the build tree's do.
#   pip_wheel_test.sh <source-dir> <python3> <version> <build-python-dir> <tbforward> <tbretrieve>
set -eu
source=$1 python=$2 version=$3 build_python=$4 tbforward=$5 tbretrieve=$6
work=$(mktemp -d "${TMPDIR:-/tmp}/tbcalc-pip.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
unset PYTHONPATH
# pip offline and deaf to the machine's configuration (indexes, find-links).
export PIP_CONFIG_FILE=/dev/null PIP_DISABLE_PIP_VERSION_CHECK=1 PIP_ROOT_USER_ACTION=ignore \
  PIP_NO_INPUT=1

# Runs a step with its output in a log, shown only when the step fails.
step() {
  name=$1
  shift
  "$@" > "$work/$name.log" 2>&1 || {
    cat "$work/$name.log"
    echo "$name failed: $*"
    exit 1
  }
}

# The tree as a clone with uncommitted work has it. Byte code is left out as
# the Python tests may be writing it meanwhile.
mkdir src
(cd "$source" && tar --exclude='./build*' --exclude=./.git --exclude='./*.egg-info' \
  --exclude=__pycache__ -cf - .) | tar -xf - -C src
step build "$python" -m build --no-isolation --outdir dist src
sdist=dist/tbcalc-$version.tar.gz
wheel=$(ls dist/tbcalc-"$version"-*.whl)
tar -tzf "$sdist" > sdist.txt
! grep -E '^[^/]*/build[^/]*/|/__pycache__/|\.(o|a|so|pyc)$' sdist.txt || {
  echo "build outputs in the sdist"
  exit 1
}
# Every folder of the tree, as a clone has it, is in the sdist.
for folder in $(cd src && find . -mindepth 1 -maxdepth 1 -type d ! -name '.*' ! -name 'build*' ! -name '*.egg-info' | sed 's|^\./||'); do
  grep -q "^tbcalc-$version/$folder/" sdist.txt || {
    echo "$folder/ is not in the sdist: MANIFEST.in leaves it out"
    exit 1
  }
done
echo "built $sdist and, from it, $wheel"

step venv "$python" -m venv --system-site-packages venv
# No byte code, so that the package's folder holds what the wheel holds.
step install venv/bin/python -m pip install --no-index --no-build-isolation --no-compile "$wheel"
site=$(venv/bin/python -c 'import sysconfig; print(sysconfig.get_path("platlib"))')
venv/bin/python "$source/tests/python/installed_module_check.py" "$site"
versions=$(venv/bin/python -c \
  'import importlib.metadata as m, tbcalc; print(tbcalc.__version__, m.version("tbcalc"))')
[ "$versions" = "$version $version" ] || {
  echo "versions of the module and the distribution: $versions, not $version"
  exit 1
}

PYTHONPATH=$build_python "$python" "$source/tests/python/wheel_results.py" write reference.npz
venv/bin/python "$source/tests/python/wheel_results.py" compare reference.npz

PATH=$work/venv/bin:$PATH
for program in tbcalc tbforward tbretrieve; do
  [ "$(command -v $program)" = "$work/venv/bin/$program" ] || {
    echo "$program on PATH: $(command -v $program || echo none), not the environment's"
    exit 1
  }
done
records='t,sst,altitude,air,wind,rain,salinity
1,20,1500,10,10,5,36
2,-1.5,300,-20,35,0,8
3,31,9000,5,0.5,40,38'
printf '%s\n' "$records" | tbforward --header > forward.csv
printf '%s\n' "$records" | "$tbforward" --header | cmp - forward.csv
echo "tbforward: $(wc -l < forward.csv) lines as the build tree's"
tbretrieve --header --suffix _retrieved forward.csv > retrieved.csv
"$tbretrieve" --header --suffix _retrieved forward.csv | cmp - retrieved.csv
echo "tbretrieve: $(wc -l < retrieved.csv) lines as the build tree's"
