#!/bin/sh
# Makes sure the Debian packages that a set of checks needs are installed.
#   scripts/debian_packages.sh test   what `make test` needs (the whole suite)
#   scripts/debian_packages.sh ci     what .ci/run needs beyond it (formatting,
#                                     the compiler matrix, fuzzing)
# Installs the missing ones when it can (as root, or with sudo that needs no
# password); otherwise says which are missing and how to install them, and
# fails, before anything is built.
set -eu

case ${1:-} in
  test)
    wanted="cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libf2c2-dev valgrind
            dpkg-dev groff-base lintian libedit-dev
            python3 python3-dev pybind11-dev python3-numpy python3-pytest python3-matplotlib
            python3-xarray python3-dask python3-distributed python3-netcdf4
            python3-build python3-venv python3-pip python3-setuptools python3-wheel
            python3-pybind11
            python3-sphinx python3-myst-parser
            emscripten chromium chromium-driver python3-selenium" ;;
  ci)
    wanted="clang libclang-rt-14-dev clang-format" ;;
  *)
    echo "usage: $0 test|ci" >&2
    exit 2 ;;
esac

missing=""
for p in $wanted; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  run_as_root=""
elif command -v sudo > /dev/null && sudo -n true 2> /dev/null; then
  run_as_root="sudo"
else
  echo "These Debian packages are needed and not installed:$missing" >&2
  echo "Install them with:" >&2
  echo "  sudo apt-get install$missing" >&2
  exit 1
fi
echo "installing Debian packages:$missing"
install() {
  DEBIAN_FRONTEND=noninteractive $run_as_root apt-get install -y --no-install-recommends $missing
}
install || { $run_as_root apt-get update && install; }
