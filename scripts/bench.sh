#!/usr/bin/env bash
# Builds the benchmarks with optimisation and without sanitizers, and runs them
# (with --build-only, only builds them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench --target kv_audio_bench kv_codec_quality kv_wideband_quality kv_reply_budget kv_private_bench kestrovox kv_wavtool kv_loadgen
[ "${1:-}" != "--build-only" ] || exit 0
./build/bench/bench/kv_audio_bench
echo
./build/bench/bench/kv_codec_quality
echo
./build/bench/bench/kv_wideband_quality
echo
./build/bench/bench/kv_reply_budget
echo
./build/bench/bench/kv_private_bench
echo
python3 bench/system_bench.py
echo
python3 bench/jitter_bench.py
echo
python3 bench/lean_bench.py
echo
python3 bench/baresip_compare.py
