#!/bin/sh
# Builds the Debian packages with CPack and checks them as a Debian user meets
# them: lintian finds no error and no warning in any; unpacked into a
# temporary root, its tbcalc runs a whole session byte for byte, its
# tbretrieve and tbforward answer a record each, a consumer project builds against its
# libtbcalc-dev, and its Python module imports and computes.
#   deb_package_test.sh <build-dir> <work-dir> <source-dir> [python3]
set -eu
build=$1
work=$2
source=$3
python=${4:-}
rm -rf "$work"
mkdir -p "$work/root"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log 2>&1) || {
  cat "$work/cpack.log"
  exit 1
}

expected="tbcalc libtbcalc-dev"
[ -n "$python" ] && expected="$expected python3-tbcalc"
for package in $expected; do
  deb=$(ls "$work/${package}"_*_*.deb)
  dpkg-deb --field "$deb" Package Version Architecture Depends
  command -v lintian > /dev/null || {
    echo "lintian (Debian lintian) not found: packages not checked" >&2
    exit 1
  }
  status=0
  report=$(lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1) || status=$?
  printf '%s\n' "$report" | grep -v '^running with root privileges' || true
  [ "$status" -eq 0 ] || {
    echo "lintian: $(basename "$deb") has errors or warnings"
    exit 1
  }
  echo "lintian: $(basename "$deb") clean"
  dpkg-deb -x "$deb" "$work/root"
done
root=$work/root

printf '20\n1500\n10\n10\n5\nex\n' | "$root/usr/bin/tbcalc" > "$work/out.txt"
printf '%s' 'Enter SST (deg C) > Enter Radar Altitude (meters) > ' > "$work/expected.txt"
printf '%s' 'Enter Flight Level Ambient Temp (deg C) > Estimated Wind Speed (m/s) > ' \
  >> "$work/expected.txt"
printf '%s\n' 'Estimated Rain Rate (mm/hr) > Freq:   4.74   5.31   5.57   6.02   6.69   7.09 GHz' \
  '  Tb: 112.86 114.08 114.64 115.64 117.19 118.18 K' >> "$work/expected.txt"
printf '%s' 'Estimated Wind Speed (m/s) > ' >> "$work/expected.txt"
cmp "$work/expected.txt" "$work/out.txt"
echo "tbcalc: session output exact"

answer=$(echo "20 1500 10 112.86 114.08 114.64 115.64 117.19 118.18" | "$root/usr/bin/tbretrieve")
[ "$answer" = "10.012 4.993 1.616 0.914 0.0024 converged" ] || {
  echo "tbretrieve answered: $answer"
  exit 1
}
echo "tbretrieve: $answer"

answer=$(printf 't,sst,altitude,air,wind,rain\n1,20,1500,10,10,5\n' | "$root/usr/bin/tbforward" --header | tail -1)
[ "$answer" = "1,20,1500,10,10,5,112.85804,114.07964,114.64123,115.63506,117.19373,118.18246" ] || {
  echo "tbforward answered: $answer"
  exit 1
}
echo "tbforward: $answer"

cmake -S "$source/tests/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root/usr" \
  -DCMAKE_BUILD_TYPE=Release > "$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >> "$work/consumer.log" 2>&1 || {
  cat "$work/consumer.log"
  exit 1
}
"$work/consumer/consumer"

if [ -n "$python" ]; then
  site=$root/usr/lib/python3/dist-packages
  PYTHONPATH=$site "$python" "$source/tests/python/installed_module_check.py" "$site"
fi
