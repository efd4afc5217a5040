#!/usr/bin/env bash
# Builds and runs every test: the native suites (with the address and
# undefined-behaviour sanitizers, then with the thread sanitizer), the same
# suites built for Windows and run under Wine, a short fuzzing pass, the system
# tests (as root) and the benchmarks.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"

started=$SECONDS
step() { printf '\n=== %s (at %d:%02d) ===\n' "$*" $(((SECONDS - started) / 60)) $(((SECONDS - started) % 60)); }

# The builds of the later steps run one after another in the background, at
# the lowest priority, from the end of the native build on, while the suites,
# the Debian package's test and the fuzzing pass run: those wait on real time
# far more than they compute (and must pass on a busy machine anyway). The
# calls of the system tests come after the last build. Each build's output goes to build/NAME.log, and its
# exit status to build/NAME.status once it has ended.
builder=
start_builds() {  # start_builds NAME...: tsan, windows, fuzz, bench, in that order
  mkdir -p build
  local name
  for name in "$@"; do rm -f "build/$name.status"; done
  (
    for name in "$@"; do
      case $name in
        fuzz) make=("$root/scripts/fuzz.sh" --build-only) ;;
        bench) make=("$root/scripts/bench.sh" --build-only) ;;
        *) make=(cmake --build "build/$name") ;;
      esac
      status=0
      nice -n 19 "${make[@]}" >"build/$name.log" 2>&1 || status=$?
      echo "$status" >"build/$name.status"
      [ "$status" -eq 0 ] || exit 1
    done
  ) &
  builder=$!
}
built() {  # built NAME: waits for that build; stops here when it failed
  local waited=$SECONDS
  while [ ! -e "build/$1.status" ] && kill -0 "$builder" 2>/dev/null; do sleep 1; done
  if [ "$(cat "build/$1.status" 2>/dev/null)" != 0 ]; then
    cat "build/$1.log" 2>/dev/null || true
    echo "FAILED: the $1 build (log above)" >&2
    exit 1
  fi
  echo "$1 build, done beside the tests (waited $((SECONDS - waited)) s for it): $(tail -n 1 "build/$1.log")"
}
cleanup() {
  if [ -n "$builder" ]; then
    pkill -P "$builder" 2>/dev/null || true
    kill "$builder" 2>/dev/null || true
  fi
  if declare -F wine_down >/dev/null; then wine_down; fi
}
trap cleanup EXIT
root_only() {  # root_only: true as root; else says that the system tests are skipped
  [ "$(id -u)" -eq 0 ] && return 0
  echo "SKIPPED: the system tests need root to create network namespaces (run as root to include them)."
  return 1
}

step "native build and tests (address and undefined-behaviour sanitizers)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=address >/dev/null
cmake --build build/native
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=thread >/dev/null
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
start_builds tsan windows fuzz bench
ctest --test-dir build/native --output-on-failure --timeout 1200

step "the Debian package (beside the builds)"
if root_only; then
  python3 tests/system/test_package.py
fi

step "native build and tests (thread sanitizer)"
built tsan
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build/tsan --output-on-failure --timeout 1200

step "Windows build, tests under Wine (user interface on a virtual screen)"
built windows
source "$root/scripts/wine-env.sh"
wine_null_audio
wine_up
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c \
  'wine wineboot </dev/null >/dev/null 2>&1; exec ctest --test-dir build/windows --output-on-failure --timeout 1200'
python3 tests/system/test_installer.py

step "fuzzing: every regression input, then 20 s per libFuzzer target"
built fuzz
"$root/scripts/fuzz.sh" 20

step "system tests: console peers in network namespaces"
built bench  # before the calls, whose speech a build beside them would disturb
if root_only; then
  python3 tests/system/test_system.py
  python3 tests/system/test_hd_voice.py
  python3 tests/system/test_ipv6.py
  python3 tests/system/test_network.py
  python3 tests/system/test_strangers.py
  /usr/bin/python3 tests/system/test_private.py  # Debian's Python: its peer needs python3-dissononce
  python3 tests/system/test_sound_server.py
  python3 tests/system/test_windows.py
  python3 tests/system/test_router.py
  python3 tests/system/test_echo.py
  python3 tests/system/test_windows_echo.py
fi

step "benchmarks (figures only; optimised build)"
"$root/scripts/bench.sh"

step "all tests passed"
