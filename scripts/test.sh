#!/usr/bin/env bash
# Runs every test suite: the native build with its tests and a short fuzzing
# run, the 64-bit Windows test programs under wine64, and the 32-bit Windows
# build (compiled and linked only: 32-bit programs cannot run on this kernel).
# Every step runs even when an earlier one failed; a summary ends the output
# and the exit status is non-zero when anything failed.
#
#   scripts/test.sh            everything
#   FUZZ_SECONDS=0 scripts/test.sh   skips the fuzzing run
#   GUI_TESTS=0 scripts/test.sh      skips the GUI tests
#
# The GUI tests leave screenshots of the windows they worked in
# build/win64/tests/gui/screenshots/<program>-<locale>/ (BMP) and
# out/test-screenshots/<program>-<locale>/ (PNG).
set -euo pipefail

cd "$(dirname "$0")/.."
REPO=$PWD
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
TEST_TIMEOUT=${TEST_TIMEOUT:-600}
GUI_TESTS=${GUI_TESTS:-1}
GUI_TEST_TIMEOUT=${GUI_TEST_TIMEOUT:-180}

"$REPO/scripts/install-deps.sh"

mkdir -p out
RESULTS=out/test-summary.txt
: >"$RESULTS"

# step NAME COMMAND...: runs COMMAND in a subshell with errexit (so any failing
# command inside fails the step) and records the outcome.
step() {
  local name=$1 start=$SECONDS rc
  shift
  echo
  echo "=== $name"
  set +e
  (
    set -e
    "$@"
  )
  rc=$?
  set -e
  if [ $rc -eq 0 ]; then
    echo "PASS  $name ($((SECONDS - start)) s)" >>"$RESULTS"
  else
    echo "FAIL  $name ($((SECONDS - start)) s, exit $rc)" >>"$RESULTS"
  fi
  return $rc
}

skip() {
  echo "SKIP  $1" >>"$RESULTS"
}

native_build() {
  cmake --preset native
  cmake --build --preset native
}

native_ctest() {
  ctest --test-dir build/native --output-on-failure
}

native_fuzz() {
  local fuzzer=build/native/tests/fuzz/package_reader_fuzz
  local work seeds
  work=$(mktemp -d)
  seeds="$work/seeds"
  mkdir -p "$seeds" "$work/new" out/fuzz
  # Seeds: a real package made from the sample files, when datpack can make one.
  if build/native/tools/datpack/datpack create sample/files -o "$seeds/sample.dat" \
    --codepage 936 >/dev/null 2>&1 && [ -s "$seeds/sample.dat" ]; then
    echo "seed: package of sample/files ($(stat -c %s "$seeds/sample.dat") bytes)"
  else
    echo "seed: none (datpack could not pack sample/files)"
    rm -f "$seeds/sample.dat"
  fi
  local corpora=("$work/new" "$seeds")
  if [ -d tests/fuzz/corpus ]; then
    corpora+=(tests/fuzz/corpus)
  fi
  # A crash input lands in out/fuzz/; replay it with: FUZZER FILE
  local log=out/fuzz/fuzz.log rc=0
  "$fuzzer" -max_total_time="$FUZZ_SECONDS" -rss_limit_mb=2048 -timeout=25 \
    -print_final_stats=1 -artifact_prefix=out/fuzz/ "${corpora[@]}" >"$log" 2>&1 || rc=$?
  rm -rf "$work"
  if [ $rc -eq 0 ]; then
    grep -E '^(Done|stat::)' "$log" || true
  else
    tail -n 80 "$log"
    echo "fuzzer exit status $rc; full log: $log"
  fi
  return $rc
}

win_build() {
  cmake --preset "$1"
  cmake --build --preset "$1"
}

# gtest_outcome LABEL STATUS TIMEOUT LOG PASSED: succeeds when a GoogleTest
# run exited with 0 and its log has a line starting with PASSED; otherwise
# says why and fails.
gtest_outcome() {
  local label=$1 rc=$2 timeout=$3 log=$4 passed=$5
  if [ "$rc" -ne 0 ]; then
    echo "$label: exit status $rc$([ "$rc" -eq 124 ] && echo " (timed out after $timeout s)")"
    return 1
  fi
  if ! awk -v p="$passed" 'index($0, p) == 1 { found = 1 } END { exit !found }' "$log"; then
    echo "$label: no '$passed' line in its output"
    return 1
  fi
}

# Runs one Windows test program in its own copy of the booted prefix, from
# C:\setup-tests\<name>\, where the tests expect to find their data files.
win64_run_test() {
  local exe=$1 name prefix dir log rc
  name=$(basename "$exe" .exe)
  prefix=$(wine_env_fresh_prefix)
  dir="$prefix/drive_c/setup-tests/$name"
  mkdir -p "$dir"
  cp "$exe" "$dir/"
  log="$WINE_ENV_ROOT/$name.log"
  # A small file system at C:\small-disk\ lets the tests fill a disk for
  # real; where mounting is not allowed they skip that case.
  local small="$prefix/drive_c/small-disk"
  mkdir -p "$small"
  mount -t tmpfs -o size=256k ombrel-small-disk "$small" 2>/dev/null || echo "note: no small disk (mount not allowed)"
  set +e
  (cd "$dir" && WINE_RUN_TIMEOUT=$TEST_TIMEOUT wine_run "$prefix" "C:\\setup-tests\\$name\\$name.exe") \
    </dev/null 2>&1 | sed -u 's/\r$//' | tee "$log"
  rc=${PIPESTATUS[0]}
  set -e
  wine_env_stop_prefix "$prefix"
  umount "$small" 2>/dev/null || true
  rm -rf "$prefix"
  gtest_outcome "$name" "$rc" "$TEST_TIMEOUT" "$log" '[  PASSED  ]'
}

# The GUI test programs (tests/gui/*_tests.exe) start Install.exe and work
# its windows. Each test runs alone in its own copy of the booted prefix, so
# none sees another's windows, files or registry; its folder
# C:\setup-tests\<program>\ holds the test program with everything built
# beside it (Install.exe, the sample product, the planted DLL, ...).
GUI_DIR=build/win64/tests/gui

# gui_prefix EXE: a fresh prefix with EXE's folder copied to
# C:\setup-tests\<name>\; prints the prefix.
gui_prefix() {
  local exe=$1 prefix dir
  prefix=$(wine_env_fresh_prefix)
  dir="$prefix/drive_c/setup-tests/$(basename "$exe" .exe)"
  mkdir -p "$dir"
  find "$(dirname "$exe")" -maxdepth 1 -type f \( -name '*.exe' -o -name '*.dll' -o -name '*.dat' \) \
    -exec cp {} "$dir/" \;
  echo "$prefix"
}

# gui_list_tests EXE: prints the names (Suite.Test) of the tests in EXE.
gui_list_tests() {
  local exe=$1 name prefix suite line
  name=$(basename "$exe" .exe)
  prefix=$(gui_prefix "$exe")
  (cd "$prefix/drive_c/setup-tests/$name" &&
    WINE_RUN_TIMEOUT=60 wine_run "$prefix" "C:\\setup-tests\\$name\\$name.exe" --gtest_list_tests) \
    </dev/null 2>/dev/null | sed 's/\r$//' | while IFS= read -r line; do
    # Disabled tests are listed too, but a filter naming one runs nothing.
    case $line in
    "  DISABLED_"*) ;;
    "  "*) line=${line#  }; [[ $suite == DISABLED_* || $suite == */DISABLED_* ]] || echo "$suite${line%% *}" ;;
    *.) suite=$line ;;
    esac
  done
  wine_env_stop_prefix "$prefix"
  rm -rf "$prefix"
}

# gui_run_test EXE TEST LOCALE ACP SHOTS: one test of EXE in a fresh prefix,
# with Wine in LOCALE, whose ANSI code page the test may check against ACP;
# its screenshots are copied to SHOTS.
gui_run_test() {
  local exe=$1 test=$2 locale=$3 acp=$4 shots=$5 name prefix dir log rc
  name=$(basename "$exe" .exe)
  prefix=$(gui_prefix "$exe")
  dir="$prefix/drive_c/setup-tests/$name"
  log="$WINE_ENV_ROOT/$name-$locale-${test//\//_}.log"
  set +e
  # A planted DLL that lacks the functions the system wants makes Wine
  # complain once per call; the log keeps those lines, the output does not.
  (cd "$dir" && GUI_TESTS_ACP=$acp WINE_ENV_LOCALE=$locale WINE_RUN_TIMEOUT=$GUI_TEST_TIMEOUT \
    wine_run "$prefix" "C:\\setup-tests\\$name\\$name.exe" --gtest_filter="$test") \
    </dev/null 2>&1 | sed -u 's/\r$//' | tee "$log" | grep -v '^wine: Call from .* to unimplemented function'
  rc=${PIPESTATUS[0]}
  set -e
  if [ -d "$dir/screenshots" ]; then
    cp "$dir"/screenshots/*.bmp "$shots/" 2>/dev/null || true
  fi
  wine_env_stop_prefix "$prefix"
  rm -rf "$prefix"
  gtest_outcome "$test" "$rc" "$GUI_TEST_TIMEOUT" "$log" '[  PASSED  ] 1 test'
}

# gui_tests EXE LOCALE ACP: every test of EXE, each in its own prefix. The
# screenshots land in $GUI_DIR/screenshots/<program>-<locale>/ and as PNG in
# out/test-screenshots/<program>-<locale>/.
gui_tests() {
  local exe=$1 locale=$2 acp=$3 tests=() test failures=() shots bmp out
  mapfile -t tests < <(gui_list_tests "$exe")
  if [ ${#tests[@]} -eq 0 ]; then
    echo "$(basename "$exe") lists no tests"
    return 1
  fi
  shots="$GUI_DIR/screenshots/$(basename "$exe" .exe)-${locale%%.*}"
  rm -rf "$shots"
  mkdir -p "$shots"
  for test in "${tests[@]}"; do
    echo "--- $test ($locale)"
    gui_run_test "$exe" "$test" "$locale" "$acp" "$shots" || failures+=("$test")
  done
  out="out/test-screenshots/$(basename "$shots")"
  rm -rf "$out"
  mkdir -p "$out"
  for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "$out/$(basename "$bmp" .bmp).png"
  done
  echo "${#tests[@]} tests in $locale, ${#failures[@]} failed${failures[*]:+: ${failures[*]}}; screenshots in $out/"
  [ ${#failures[@]} -eq 0 ]
}

# gui_tests_western EXE: gui_tests in a Western locale (code page 1252).
# Wine knows the dialogs' font, 宋体 (SimSun), by that name only in a Chinese
# locale, so this run also shows that the program falls back to a font that
# has its characters.
gui_tests_western() {
  gui_tests "$1" C.UTF-8 1252
}

win64_tests() {
  local exes=() gui_exes=()
  mapfile -t exes < <(find build/win64/tests -path "$GUI_DIR" -prune -o -name '*_tests.exe' -type f -print | sort)
  mapfile -t gui_exes < <(find "$GUI_DIR" -maxdepth 1 -name '*_tests.exe' -type f 2>/dev/null | sort)
  if [ ${#exes[@]} -eq 0 ]; then
    echo "no *_tests.exe under build/win64/tests"
    echo "FAIL  win64: no test programs were built" >>"$RESULTS"
    return
  fi
  # shellcheck source=scripts/wine-env.sh
  source "$REPO/scripts/wine-env.sh"
  echo
  echo "=== win64: wine prefix"
  if ! wine_env_start; then
    echo "FAIL  win64: wine prefix" >>"$RESULTS"
    return
  fi
  local exe
  for exe in "${exes[@]}"; do
    step "win64: $(basename "$exe")" win64_run_test "$exe" || true
  done
  if [ "$GUI_TESTS" = 0 ]; then
    skip "win64: GUI tests (GUI_TESTS=0)"
  elif [ ${#gui_exes[@]} -eq 0 ]; then
    echo "FAIL  win64: no GUI test programs were built" >>"$RESULTS"
  else
    # In Chinese Windows (code page 936); the program's own texts also in a
    # Western one (1252), where they must read the same.
    for exe in "${gui_exes[@]}"; do
      step "win64: $(basename "$exe"), Chinese locale" gui_tests "$exe" zh_CN.UTF-8 936 || true
    done
    if [ -f "$GUI_DIR/gui_tests.exe" ]; then
      step "win64: gui_tests.exe, Western locale" gui_tests_western "$GUI_DIR/gui_tests.exe" || true
    else
      echo "FAIL  win64: gui_tests.exe was not built" >>"$RESULTS"
    fi
  fi
  wine_env_cleanup
}

start=$SECONDS

if step "native: build" native_build; then
  step "native: ctest" native_ctest || true
  if [ "$FUZZ_SECONDS" -gt 0 ]; then
    step "native: fuzz package reader for ${FUZZ_SECONDS} s" native_fuzz || true
  else
    skip "native: fuzz (FUZZ_SECONDS=0)"
  fi
else
  skip "native: ctest, fuzz (build failed)"
fi

if step "win64: build" win_build win64; then
  # A subshell: the Wine environment (HOME, TMPDIR, Xvfb) ends with it.
  (win64_tests)
else
  skip "win64: test programs (build failed)"
fi

step "win32: build" win_build win32 || true

echo
echo "=== Summary ($((SECONDS - start)) s)"
cat "$RESULTS"
passed=$(grep -c '^PASS' "$RESULTS" || true)
failed=$(grep -c '^FAIL' "$RESULTS" || true)
echo "test.sh: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
