#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (clang, address and undefined-
# behaviour sanitizers, in build/fuzz), runs every saved regression input of
# each target, then fuzzes each target for SECONDS (default 20) on a copy of its
# seed corpus, so the committed corpus never grows here. Exits non-zero on any
# finding; a new failing input is left in build/fuzz/findings/<target>/ (keep
# it in tests/fuzz/regressions/<target>/ once fixed). The targets fuzz side by
# side, one per core.
#
#   scripts/fuzz.sh [--build-only] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build_only=0
if [ "${1:-}" = "--build-only" ]; then
  build_only=1
  shift
fi
seconds=${1:-20}
case "$seconds" in '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [--build-only] [SECONDS]" >&2; exit 2 ;; esac
"$root/scripts/deps.sh"

build=build/fuzz
targets=(fuzz_receive fuzz_private fuzz_media_channel fuzz_registry fuzz_console fuzz_truespeech)

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKV_FUZZ=ON -DKV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target kv_fuzz -j2
[ "$build_only" -eq 0 ] || exit 0

failed=0
work=$(mktemp -d "${TMPDIR:-/tmp}/kv-fuzz.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
for t in "${targets[@]}"; do
  regressions=()
  if [ -d "tests/fuzz/regressions/$t" ]; then
    while IFS= read -r -d '' f; do regressions+=("$f"); done \
      < <(find "tests/fuzz/regressions/$t" -type f -print0 | sort -z)
  fi
  if [ ${#regressions[@]} -gt 0 ]; then
    echo "--- $t: ${#regressions[@]} regression input(s)"
    if ! "$build/tests/fuzz/$t" "${regressions[@]}" >"$work/$t.regressions.log" 2>&1; then
      echo "FAILED: $t on a regression input" >&2
      tail -n 40 "$work/$t.regressions.log" >&2
      failed=1
    fi
  fi
done

# fuzz_one TARGET: fuzzes it on a copy of its corpus; its log and exit status
# are left in $work.
fuzz_one() {
  local t=$1 status=0
  mkdir -p "$build/findings/$t"
  cp -r "tests/fuzz/corpus/$t" "$work/$t.corpus"
  "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=60 -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$build/findings/$t/" "$work/$t.corpus" >"$work/$t.log" 2>&1 || status=$?
  echo "$status" >"$work/$t.status"
}
cores=$(nproc)
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n || true; done
  fuzz_one "$t" &
done
wait
for t in "${targets[@]}"; do
  echo "--- $t: ${seconds} s on a copy of tests/fuzz/corpus/$t"
  if [ "$(cat "$work/$t.status")" != 0 ]; then
    echo "FAILED: $t found an input that fails (see $build/findings/$t/)" >&2
    tail -n 60 "$work/$t.log" >&2
    failed=1
  else
    grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$t.log" || true
  fi
done

if [ "$failed" -ne 0 ]; then
  echo "fuzzing: FAILED" >&2
  exit 1
fi
echo "fuzzing: no findings"
