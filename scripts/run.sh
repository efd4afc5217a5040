#!/usr/bin/env bash
# Builds KestroVox and runs it:
#   scripts/run.sh                     KestroVox.exe under Wine (a tray icon), on
#                                      the desktop that $DISPLAY names
#   scripts/run.sh --screenshot FILE   KestroVox.exe on a virtual screen: saves a
#                                      PNG of its window as it comes up (the main
#                                      dialog, or the identity prompt on a first
#                                      start) to FILE, then ends it
#   scripts/run.sh --console [OPTIONS] the console peer kestrovox, natively
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

screenshot=""
if [ "${1:-}" = "--screenshot" ]; then
  if [ $# -ne 2 ] || [ -z "$2" ]; then
    echo "usage: scripts/run.sh --screenshot FILE.png" >&2
    exit 2
  fi
  screenshot=$(realpath -m "$2")
elif [ "${1:-}" != "--console" ] && [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'TEXT'
No display: KestroVox.exe is a Windows program with a tray icon and dialogs,
and there is no desktop here to show them on ($DISPLAY is not set).
  - Run ./scripts/run.sh where there is a desktop (with DISPLAY set, e.g. in a
    terminal of the desktop session, or over ssh -X).
  - Or run the console peer here: ./scripts/run.sh --console [OPTIONS]
  - Or see the program's window: ./scripts/run.sh --screenshot kestrovox.png
TEXT
  exit 1
fi

cd "$root"
"$root/scripts/deps.sh"

if [ "${1:-}" = "--console" ]; then
  shift
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF >/dev/null
  cmake --build build/release --target kestrovox
  exec ./build/release/kestrovox "$@"
fi

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
if [ -z "$screenshot" ]; then
  cmake --build build/windows --target KestroVox
  source "$root/scripts/wine-env.sh"
  wine_up
  cd build/windows  # the ring sound lies beside the executable
  exec wine KestroVox.exe "$@"
fi

# --screenshot: kv_dial.exe waits for the program's window (opening the main
# window unless a box such as the identity prompt shows) and prints where it is.
cmake --build build/windows --target KestroVox kv_dial
source "$root/scripts/wine-env.sh"
wine_up
cd build/windows
shoot() {
  local file=$1 log=$2 rect=$2.rect x y w h status=0
  wine KestroVox.exe </dev/null >>"$log" 2>&1 &
  local program=$!
  if wine tests/kv_dial.exe --rect </dev/null >"$rect" 2>>"$log" && read -r x y w h < <(tr -d '\r' <"$rect"); then
    x=$((x < 0 ? 0 : x)); y=$((y < 0 ? 0 : y))
    w=$((x + w > 1024 ? 1024 - x : w)); h=$((y + h > 768 ? 768 - y : h))
  else
    echo "The program's window did not come up; the whole screen is saved instead (see $log)." >&2
    x=0; y=0; w=1024; h=768; status=1
  fi
  ffmpeg -loglevel error -y -f x11grab -draw_mouse 0 -video_size "${w}x${h}" -i "$DISPLAY+$x,$y" -frames:v 1 "$file" || status=1
  # "Close" from the tray menu; whatever is left, wine_down ends.
  wine tests/kv_dial.exe --close </dev/null >>"$log" 2>&1 || true
  for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
  return $status
}
log=$(mktemp /tmp/kestrovox-screenshot.XXXXXX)
status=0
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  bash -c "$(declare -f shoot); shoot \"\$@\"" shoot "$screenshot" "$log" || status=$?
wine_down
[ $status -ne 0 ] || { echo "Saved $screenshot"; rm -f "$log" "$log.rect"; }
exit $status
