#!/usr/bin/env bash
# Benchmark: datpack and the real installation against the system's own
# tools, on a synthetic product, in one run on one disk.
#
#   bench/run.sh
#
# Builds build/bench-native (datpack, Release) and build/bench-win64 (the
# installation harness, Release), writes a 1 GiB product (one 512 MiB file,
# 4096 files of 128 KiB three folders deep) and a 256 MiB one (128 MiB and
# 1024 files) below build/, and times
#   datpack create   against  tar -cf
#   datpack extract  against  tar -xf
#   the installation (InstallFiles in the 64-bit Windows build under wine64,
#   bench/install_bench.exe)  against  tar -xf  and  cp -r, and once more
#   with its reports dropped, which shows what the messages cost
# with the peak memory of each at both sizes. The page cache is dropped
# before every timed run where that is allowed; otherwise each tool runs once
# to warm up. Each figure is the median of BENCH_RUNS runs (default 3).
# Prints a table and writes out/bench/results.csv.
set -euo pipefail

cd "$(dirname "$0")/.."
REPO=$PWD
RUNS=${BENCH_RUNS:-3}
OUT=$REPO/out/bench
start=$SECONDS

echo "=== build"
cmake -S bench -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/bench-native >/dev/null
cmake -S bench -B build/bench-win64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build build/bench-win64 >/dev/null
DATPACK=$REPO/build/bench-native/ombrel/tools/datpack/datpack
HARNESS=$REPO/build/bench-win64/install_bench.exe

# Below build/, so on the repository's own disk.
WORK=$(mktemp -d "$REPO/build/bench-work.XXXXXX")
cleanup() {
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ "${BENCH_CACHE:-drop}" = drop ] && sync && (echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
  METHOD=drop
  METHOD_TEXT="page cache dropped (sync; drop_caches=3) before every run; median of $RUNS runs"
else
  METHOD=warm
  METHOD_TEXT="page cache not dropped (not permitted): one warm-up run, then median of $RUNS runs"
fi

echo "=== products and packages in $WORK"
python3 bench/make_product.py "$WORK/product-1g" 512 4096 128
python3 bench/make_product.py "$WORK/product-256m" 128 1024 128
for size in 1g 256m; do
  "$DATPACK" create "$WORK/product-$size" -o "$WORK/package-$size.dat" >/dev/null
  tar -cf "$WORK/product-$size.tar" -C "$WORK/product-$size" .
  # The harness reads data.dat from its own folder, as the setup program does.
  mkdir "$WORK/setup-$size"
  cp "$HARNESS" "$WORK/setup-$size/"
  ln "$WORK/package-$size.dat" "$WORK/setup-$size/data.dat"
done

echo "=== wine"
# shellcheck source=scripts/wine-env.sh
source "$REPO/scripts/wine-env.sh"
wine_env_start
trap 'wine_env_cleanup; cleanup' EXIT
PREFIX=$(wine_env_fresh_prefix)
# D: is the work folder: package, harness and target on the same disk.
ln -s "$WORK" "$PREFIX/dosdevices/d:"
# One wineserver for every run, so no run pays for starting it.
WINEPREFIX=$PREFIX "$WINESERVER_BIN" -p

RAW=$WORK/raw.csv
echo "op,tool,size,run,seconds,wall_seconds,peak_kib" >"$RAW"

before_run() {
  rm -rf "$WORK/out" "$WORK/out.dat" "$WORK/out.tar"
  sync
  if [ "$METHOD" = drop ]; then
    echo 3 >/proc/sys/vm/drop_caches
  fi
}

# measure OP TOOL SIZE COMMAND...: runs COMMAND (which writes to $WORK/out*)
# and records its time and the peak resident set of its process. A command
# that prints seconds=N (the harness) is timed by that figure.
measure() {
  local op=$1 tool=$2 size=$3 run first=1
  shift 3
  if [ "$METHOD" = warm ]; then
    first=0
  fi
  for ((run = first; run <= RUNS; run++)); do
    before_run
    local t0 t1 wall seconds peak
    t0=$EPOCHREALTIME
    if ! /usr/bin/time -f %M -o "$WORK/peak" "$@" >"$WORK/stdout" 2>"$WORK/stderr"; then
      echo "bench: $tool ($size) failed:" >&2
      cat "$WORK/stdout" "$WORK/stderr" >&2
      exit 1
    fi
    t1=$EPOCHREALTIME
    wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')
    seconds=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' "$WORK/stdout")
    seconds=${seconds:-$wall}
    peak=$(tail -n 1 "$WORK/peak")
    if [ "$run" -gt 0 ]; then
      echo "$op,$tool,$size,$run,$seconds,$wall,$peak" >>"$RAW"
      printf '  %-8s %-16s %-5s run %d: %8.3f s  %7d KiB\n' "$op" "$tool" "$size" "$run" "$seconds" "$peak"
    fi
  done
}

echo "=== measuring ($METHOD_TEXT)"
# Other work on the machine shows in every figure, Wine's messages most.
LOAD_START=$(cut -d' ' -f1-3 /proc/loadavg)
for size in 1g 256m; do
  product=$WORK/product-$size
  measure create "datpack create" "$size" "$DATPACK" create "$product" -o "$WORK/out.dat"
  measure create "tar -cf" "$size" tar -cf "$WORK/out.tar" -C "$product" .
  measure extract "datpack extract" "$size" "$DATPACK" extract "$WORK/package-$size.dat" "$WORK/out"
  # shellcheck disable=SC2016 # expanded by the inner shell
  measure extract "tar -xf" "$size" sh -c 'mkdir "$1" && exec tar -xf "$2" -C "$1"' sh "$WORK/out" "$WORK/product-$size.tar"
  measure install "cp -r" "$size" cp -r "$product" "$WORK/out"
  # shellcheck disable=SC1003 # Windows paths end in a backslash
  measure install "InstallFiles" "$size" env WINEPREFIX="$PREFIX" LC_ALL="$WINE_ENV_LOCALE" \
    timeout 900 "$WINE_BIN" "D:\\setup-$size\\install_bench.exe" 'D:\out\'
  # The same without the progress and status messages: what they cost.
  # shellcheck disable=SC1003
  measure install "no-msg install" "$size" env WINEPREFIX="$PREFIX" LC_ALL="$WINE_ENV_LOCALE" \
    timeout 900 "$WINE_BIN" "D:\\setup-$size\\install_bench.exe" 'D:\out\' --no-reports
done

LOAD_END=$(cut -d' ' -f1-3 /proc/loadavg)
mkdir -p "$OUT"
cp "$RAW" "$OUT/runs.csv"
python3 bench/report.py "$RAW" "$OUT/results.csv" "$METHOD_TEXT"
echo "Load average (1, 5, 15 min) on $(nproc) processors: $LOAD_START at the start, $LOAD_END at the end."
echo "bench/run.sh: done in $((SECONDS - start)) s; every run in $OUT/runs.csv"
