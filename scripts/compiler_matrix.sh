#!/bin/sh
# Builds tbcalc, tbforward and tbretrieve with GCC and Clang at -O0, -O2 and
# -O3 -march=native and checks that all six builds give byte-identical output:
# the dialogue on a generated session of over 10,000 computations, tbforward
# on 10,000 generated records, plain and with a header, and tbretrieve on
# their brightness temperatures, plain with --intervals and noise added, and
# with a header, its own noise per channel and 95 % intervals. Any difference
# means a compiler or optimisation touched a result.
#   scripts/compiler_matrix.sh [work-dir [session_generator]]
#   (the generator by default build/tests/session_generator)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$top/build-matrix}
generator=${2:-$top/build/tests/session_generator}
records=10000
jobs=$(nproc 2>/dev/null || echo 2)
in=$work/inputs
rm -rf "$in"
mkdir -p "$in"

"$generator" matrix > "$in/session.txt"
"$generator" records $records > "$in/records.txt"
# The header file names its columns in another order, around one that is not
# an input, so that columns are found by name and passed through; it adds a
# salinity from 0 to 40, fresh water's threshold among them.
awk 'BEGIN { print "id,rain,wind,air,altitude,sst,salinity" }
     { printf "%d,%s,%s,%s,%s,%s,%.1f\n", NR, $5, $4, $3, $2, $1, (NR * 7) % 401 / 10 }' \
  "$in/records.txt" > "$in/records.csv"

# Each program's standard output in folder $2 for the build in $1. Standard
# error must stay empty and the status 0: every record is in range.
run_programs() {
  mkdir -p "$2"
  check "$2" "$1/src/dialogue/tbcalc" < "$in/session.txt" > "$2/tbcalc.txt"
  check "$2" "$1/src/tbforward/tbforward" "$in/records.txt" > "$2/forward.txt"
  check "$2" "$1/src/tbforward/tbforward" --header "$in/records.csv" > "$2/forward.csv"
  [ -f "$in/measured.txt" ] || make_measured "$2"
  check "$2" "$1/src/tbretrieve/tbretrieve" --intervals "$in/measured.txt" > "$2/retrieved.txt"
  check "$2" "$1/src/tbretrieve/tbretrieve" --header --suffix _r --noise 0.4,0.5,0.5,0.6,0.7,0.8 \
    --level 95 "$in/measured.csv" > "$2/retrieved.csv"
}

check() {
  errors=$1/errors.txt
  shift
  status=0
  "$@" 2> "$errors" || status=$?
  if [ "$status" -ne 0 ] || [ -s "$errors" ]; then
    cat "$errors" >&2
    echo "$*: status $status" >&2
    exit 1
  fi
}

# The retrieval's inputs, made once from the first build's brightness
# temperatures. In the plain file a quarter of the records keep them exact and
# the others get uniform noise of up to 0.5, 1 or 1.5 K, drawn by a
# Park-Miller generator: its products are exact in any awk's doubles, so the
# file is the same wherever it is made.
make_measured() {
  paste -d ' ' "$in/records.txt" "$1/forward.txt" | awk '
    BEGIN { state = 20240607 }
    function noise(amplitude) {
      state = (state * 16807) % 2147483647
      return amplitude * (2 * state / 2147483647 - 1)
    }
    {
      amplitude = (NR % 4) * 0.5
      printf "%s %s %s", $1, $2, $3
      for (i = 6; i <= 11; ++i) printf " %.3f", $i + noise(amplitude)
      printf "\n"
    }' > "$in/measured.txt"
  cp "$1/forward.csv" "$in/measured.csv"
}

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
      -DTBCALC_WEB=OFF -DTBCALC_WERROR=ON > "$dir.log" 2>&1 || { cat "$dir.log"; exit 1; }
    cmake --build "$dir" -j "$jobs" --target tbcalc tbforward tbretrieve >> "$dir.log" 2>&1 || {
      cat "$dir.log"
      exit 1
    }
    out=$work/$compiler-$opt.out
    rm -rf "$out"
    run_programs "$dir" "$out"
    if [ -z "$reference" ]; then
      reference=$out
      results=$(grep -c '  Tb:' "$reference/tbcalc.txt")
      echo "$compiler $flags: $results computations in the dialogue, $records records each" \
        "through tbforward and tbretrieve, plain and with a header"
      [ "$results" -ge 10000 ] || { echo "too few computations in the session"; exit 1; }
      for file in forward.txt retrieved.txt; do
        [ "$(wc -l < "$reference/$file")" -eq $records ] || { echo "$file: not one line a record"; exit 1; }
      done
      for file in forward.csv retrieved.csv; do
        [ "$(wc -l < "$reference/$file")" -eq $((records + 1)) ] || {
          echo "$file: not a header and one line a record"
          exit 1
        }
      done
    else
      for file in tbcalc.txt forward.txt forward.csv retrieved.txt retrieved.csv; do
        cmp "$reference/$file" "$out/$file" || {
          echo "$compiler $flags: $file differs from $(basename "$reference" .out)'s"
          exit 1
        }
      done
      echo "$compiler $flags: identical"
    fi
  done
done
