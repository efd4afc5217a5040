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

step "native build and tests (address and undefined-behaviour sanitizers)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=address >/dev/null
cmake --build build/native
ctest --test-dir build/native --output-on-failure

step "native build and tests (thread sanitizer)"
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKV_SANITIZE=thread >/dev/null
cmake --build build/tsan
TSAN_OPTIONS="halt_on_error=1" ctest --test-dir build/tsan --output-on-failure

step "Windows build, tests under Wine (user interface on a virtual screen)"
cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build/windows
source "$root/scripts/wine-env.sh"
wine_null_audio
wine_up
trap wine_down EXIT
# Wine's desktop and service processes start first, on the virtual screen and
# with their output on /dev/null: started by a test, they would keep ctest's
# pipe open after the test ended.
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" bash -c \
  'wine wineboot </dev/null >/dev/null 2>&1; exec ctest --test-dir build/windows --output-on-failure'
# The installer, in a fresh prefix of its own: install, start, reinstall over
# a running copy, uninstall.
python3 tests/system/test_installer.py

step "fuzzing: every regression input, then 20 s per libFuzzer target"
"$root/scripts/fuzz.sh" 20

step "system tests: console peers in network namespaces"
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the system tests need root to create network namespaces (run as root to include them)."
else
  python3 tests/system/test_system.py
  python3 tests/system/test_network.py
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
