#!/usr/bin/env bash
# Writes speech16k.wav beside this script: wideband speech for the tests of
# the Opus codec (two espeak-ng voices, a lower and a higher one, each saying
# a sentence of its own that no other test file holds), as 16000 Hz mono
# 16-bit PCM.
#
#   tests/data/make_speech16k.sh
#
# Needs espeak-ng and sox (written with eSpeak NG 1.51 and sox 14.4; other
# versions may give slightly different samples).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
espeak-ng -v en-gb -p 40 -s 160 -w "$tmp/low.wav" \
  "A quiet fox jumped over the wooden fence, and the farmer laughed."
espeak-ng -v en-us+f3 -p 70 -s 165 -w "$tmp/high.wav" \
  "Please bring the fresh peaches, six spoons and a thick cushion."
sox -R "$tmp/low.wav" "$tmp/high.wav" -r 16000 -c 1 -b 16 -e signed-integer "$here/speech16k.wav"
