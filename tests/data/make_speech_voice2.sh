#!/usr/bin/env bash
# Writes speech8k_voice2.wav beside this script: a second, higher voice for the
# codec quality checks (a female espeak-ng variant at a raised pitch, against
# the lower voice of speech8k.wav), as 8000 Hz mono 16-bit PCM.
#
#   tests/data/make_speech_voice2.sh
#
# Needs espeak-ng and sox (written with eSpeak NG 1.51 and sox 14.4; other
# versions may give slightly different samples).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
espeak-ng -v en-us+f4 -p 75 -s 165 -w "$tmp/voice.wav" \
  "She sells sea shells by the sea shore. Each morning, Judy counts seven bright boats."
sox -R "$tmp/voice.wav" -r 8000 -c 1 -b 16 -e signed-integer "$here/speech8k_voice2.wav"
