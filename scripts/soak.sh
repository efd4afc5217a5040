#!/usr/bin/env bash
# Runs the test suites over and over on a machine kept busy, to show that they
# do not depend on timing: the native platform, unit and console suites under
# the thread sanitizer REPEATS times (default 20), then the Windows suites
# under Wine WINE_REPEATS times (default 5), while a CPU hog runs on every
# core. Prints the count of runs and failures per suite; exits 1 on any
# failure. Logs of failed runs are kept in build/soak/.
#
#   ./scripts/soak.sh [REPEATS] [WINE_REPEATS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
repeats=${1:-20}
wine_repeats=${2:-5}
"$root/scripts/deps.sh"

logs="$root/build/soak"
rm -rf "$logs"
mkdir -p "$logs"

hogs=()
start_hogs() {
  local n
  n=$(nproc)
  for ((i = 0; i < n; i++)); do
    yes >/dev/null &
    hogs+=($!)
  done
  echo "CPU hog: $n processes (one per core)"
}
stop_hogs() {
  [ ${#hogs[@]} -eq 0 ] || kill "${hogs[@]}" 2>/dev/null || true
  hogs=()
}

failures=0
# run_suite LABEL COUNT COMMAND...: runs the command COUNT times.
run_suite() {
  local label=$1 count=$2
  shift 2
  local failed=0 tests=0 t0 t1
  t0=$(date +%s)
  for ((i = 1; i <= count; i++)); do
    local log="$logs/$label.$i.log"
    if "$@" >"$log" 2>&1; then
      tests=$((tests + $(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -1)))
      rm -f "$log"
    else
      failed=$((failed + 1))
      echo "  $label run $i FAILED (log: $log):"
      grep -E '^\[  FAILED  \]|Failure|WARNING: ThreadSanitizer' "$log" | head -5 | sed 's/^/    /'
    fi
  done
  t1=$(date +%s)
  printf 'soak: %-18s runs=%d failed=%d tests-passed=%d seconds=%d\n' "$label" "$count" "$failed" "$tests" $((t1 - t0))
  failures=$((failures + failed))
}

echo "=== building (thread sanitizer; Windows) ==="
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=thread >/dev/null
cmake --build build/tsan
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows

trap stop_hogs EXIT
start_hogs

echo "=== native suites under the thread sanitizer, $repeats runs each ==="
export TSAN_OPTIONS="halt_on_error=1"
for suite in platform unit console; do
  run_suite "tsan-$suite" "$repeats" "build/tsan/tests/kv_${suite}_tests" --gtest_brief=1
done

echo "=== Windows suites under Wine, $wine_repeats runs each ==="
source "$root/scripts/wine-env.sh"
wine_null_audio
wine_up
trap 'stop_hogs; wine_down' EXIT
for suite in platform unit console; do
  run_suite "wine-$suite" "$wine_repeats" wine "build/windows/tests/kv_${suite}_tests.exe" --gtest_brief=1
done
# Each run on a virtual screen of its own, with Wine's desktop started afresh on
# it: a desktop process left from the previous run would still draw on that
# run's screen, which is gone.
ui_run() {
  wine_down
  wineserver -p </dev/null >/dev/null 2>&1 || true
  xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    bash -c 'wine wineboot </dev/null >/dev/null 2>&1; exec wine build/windows/tests/kv_ui_tests.exe --gtest_brief=1'
}
run_suite "wine-ui" "$wine_repeats" ui_run

echo
if [ "$failures" -eq 0 ]; then
  echo "soak: no failures"
else
  echo "soak: $failures failed runs"
  exit 1
fi
