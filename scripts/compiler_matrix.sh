#!/bin/sh
# Builds tbcalc with GCC and Clang at -O0, -O2 and -O3 -march=native and
# checks that all six give byte-identical output on a generated session of
# over 10,000 computations. Any difference means a compiler or optimisation
# touched a result.
#   scripts/compiler_matrix.sh [work-dir]   (needs build/tests/session_generator)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$top/build-matrix}
generator=$top/build/tests/session_generator
mkdir -p "$work"

"$generator" matrix > "$work/session.txt"
reference=""
for compiler in gcc clang; do
  case $compiler in
    gcc) cc=gcc cxx=g++ ;;
    clang) cc=clang cxx=clang++ ;;
  esac
  for opt in O0 O2 O3-native; do
    flags="-$opt"
    [ "$opt" = O3-native ] && flags="-O3 -march=native"
    dir=$work/$compiler-$opt
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=None -DCMAKE_C_COMPILER=$cc \
      -DCMAKE_CXX_COMPILER=$cxx "-DCMAKE_CXX_FLAGS=$flags" -DTBCALC_BUILD_TESTS=OFF \
      -DTBCALC_WERROR=ON > "$dir.log" 2>&1 || { cat "$dir.log"; exit 1; }
    cmake --build "$dir" -j 2 --target tbcalc >> "$dir.log" 2>&1 || { cat "$dir.log"; exit 1; }
    "$dir/src/dialogue/tbcalc" < "$work/session.txt" > "$work/$compiler-$opt.out"
    if [ -z "$reference" ]; then
      reference=$work/$compiler-$opt.out
      results=$(grep -c '  Tb:' "$reference")
      echo "$compiler $flags: $results computations"
      [ "$results" -ge 10000 ] || { echo "too few computations in the session"; exit 1; }
    elif cmp "$reference" "$work/$compiler-$opt.out"; then
      echo "$compiler $flags: identical"
    else
      echo "$compiler $flags: output differs from $(basename "$reference" .out)"
      exit 1
    fi
  done
done
