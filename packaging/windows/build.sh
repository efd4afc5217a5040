#!/usr/bin/env bash
# Builds the Windows release artefacts from a built KestroVox.exe:
#   packaging/windows/build.sh OUTDIR EXE_DIR
# OUTDIR receives KestroVox-1.30-setup.exe (NSIS) and KestroVox-1.30-win64.zip
# (KestroVox.exe, ringin.wav, README.txt, LICENSES.txt). EXE_DIR holds KestroVox.exe.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 OUTDIR EXE_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
version=1.30
mkdir -p "$1"
out=$(cd "$1" && pwd)
exe_dir=$(cd "$2" && pwd)
[ -f "$exe_dir/KestroVox.exe" ] || { echo "$0: no KestroVox.exe in $exe_dir" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp -p "$exe_dir/KestroVox.exe" "$root/resources/ringin.wav" "$stage/"
# Windows line ends, so that Notepad of any age shows the lines.
sed 's/$/\r/' "$here/README.txt" >"$stage/README.txt"
# Our own licence first, then those of the libraries built in.
{
  echo "KestroVox is under the BSD 3-Clause licence below. KestroVox.exe also"
  echo "contains code of these libraries, under their licences: speexdsp,"
  echo "miniupnpc, libsodium, opus, and the constant tables of the Truespeech decoder"
  echo "(LGPL 2.1 or later, Konstantin Shishkov; https://www.gnu.org/licenses/old-licenses/lgpl-2.1.html)."
  printf '\n==== KestroVox ====\n\n'
  cat "$root/LICENSE"
  for lib in speexdsp/COPYING miniupnpc/LICENSE libsodium/LICENSE opus/COPYING; do
    printf '\n==== %s ====\n\n' "${lib%%/*}"
    cat "$root/third_party/$lib"
  done
} | sed 's/$/\r/' >"$stage/LICENSES.txt"

makensis -V2 -NOCD -DEXE_DIR="$stage" -DOUTFILE="$out/KestroVox-$version-setup.exe" "$here/kestrovox.nsi"

rm -f "$out/KestroVox-$version-win64.zip"
(cd "$stage" && zip -q -X "$out/KestroVox-$version-win64.zip" KestroVox.exe ringin.wav README.txt LICENSES.txt)
echo "$out/KestroVox-$version-setup.exe"
echo "$out/KestroVox-$version-win64.zip"
