#!/usr/bin/env bash
# Builds and runs every test: the native suite (with the address and undefined
# behaviour sanitizers, then with the thread sanitizer), and the same suite
# built for Windows and run under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"

started=$SECONDS
step() { printf '\n=== %s (at %d:%02d) ===\n' "$*" $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)); }

# The next step's build runs in the background, at the lowest priority, while
# this step's tests run: they wait on real time far more than they compute (and
# must pass on a busy machine anyway). Its output goes to build/NAME.log.
declare -A prebuilds=()
prebuild() {  # prebuild NAME COMMAND...
  local name=$1
  shift
  mkdir -p build
  nice -n 19 "$@" >"build/$name.log" 2>&1 &
  prebuilds[$name]=$!
}
built() {  # built NAME: waits for that build; stops here when it failed
  local waited=$SECONDS
  if ! wait "${prebuilds[$1]}"; then
    cat "build/$1.log"
    echo "FAILED: the $1 build (log above)" >&2
    exit 1
  fi
  unset "prebuilds[$1]"
  echo "$1 build, done beside the step before (waited $((SECONDS - waited)) s for it): $(tail -n 1 "build/$1.log")"
}
cleanup() {
  for pid in "${prebuilds[@]}"; do kill "$pid" 2>/dev/null || true; done
  if declare -F wine_down >/dev/null; then wine_down; fi
}
trap cleanup EXIT

step "native build and tests (address and undefined-behaviour sanitizers)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=address >/dev/null
cmake --build build/native
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=thread >/dev/null
prebuild tsan cmake --build build/tsan
ctest --test-dir build/native --output-on-failure --timeout 1200

step "native build and tests (thread sanitizer)"
built tsan
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
prebuild windows cmake --build build/windows
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build/tsan --output-on-failure --timeout 1200

step "Windows build, tests under Wine (user interface on a virtual screen)"
built windows
prebuild fuzz "$root/scripts/fuzz.sh" --build-only
source "$root/scripts/wine-env.sh"
wine_null_audio
wine_up
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c \
  'wine wineboot </dev/null >/dev/null 2>&1; exec ctest --test-dir build/windows --output-on-failure --timeout 1200'
built fuzz
python3 tests/system/test_installer.py

step "fuzzing: every regression input, then 20 s per libFuzzer target"
prebuild bench "$root/scripts/bench.sh" --build-only
"$root/scripts/fuzz.sh" 20

step "system tests: console peers in network namespaces"
built bench  # before the calls, whose timing it would disturb
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the system tests need root to create network namespaces (run as root to include them)."
else
  python3 tests/system/test_system.py
  python3 tests/system/test_hd_voice.py
  python3 tests/system/test_ipv6.py
  python3 tests/system/test_network.py
  python3 tests/system/test_strangers.py
  /usr/bin/python3 tests/system/test_private.py  # Debian's Python: its peer needs python3-dissononce
  python3 tests/system/test_sound_server.py
  python3 tests/system/test_windows.py
  python3 tests/system/test_package.py
  python3 tests/system/test_router.py
  python3 tests/system/test_echo.py
  python3 tests/system/test_windows_echo.py
fi

step "benchmarks (figures only; optimised build)"
"$root/scripts/bench.sh"

step "all tests passed"
