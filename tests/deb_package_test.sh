#!/bin/sh
# Builds the Debian package with CPack, unpacks it into a temporary root and
# runs its tbcalc on one whole session: the bytes must be exact.
#   deb_package_test.sh <build-dir> <work-dir>
set -eu
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work/root"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" > cpack.log 2>&1) || {
  cat "$work/cpack.log"
  exit 1
}
deb=$(ls "$work"/tbcalc_*_*.deb)
dpkg-deb --field "$deb" Package Version Maintainer Depends Description | head -5
dpkg-deb -x "$deb" "$work/root"

printf '20\n1500\n10\n10\n5\nex\n' | "$work/root/usr/bin/tbcalc" > "$work/out.txt"
printf '%s' 'Enter SST (deg C) > Enter Radar Altitude (meters) > ' > "$work/expected.txt"
printf '%s' 'Enter Flight Level Ambient Temp (deg C) > Estimated Wind Speed (m/s) > ' \
  >> "$work/expected.txt"
printf '%s\n' 'Estimated Rain Rate (mm/hr) > Freq:   4.74   5.31   5.57   6.02   6.69   7.09 GHz' \
  '  Tb: 112.86 114.08 114.64 115.64 117.19 118.18 K' >> "$work/expected.txt"
printf '%s' 'Estimated Wind Speed (m/s) > ' >> "$work/expected.txt"
cmp "$work/expected.txt" "$work/out.txt"
echo "$(basename "$deb"): session output exact"
