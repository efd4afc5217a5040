#!/bin/bash
# Builds the Debian package of the console peer: OUTDIR/kestrovox_1.30_amd64.deb.
#   packaging/debian/build.sh OUTDIR
# KV_PACKAGE_BUILD_DIR chooses the CMake build directory (default build/package).
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${KV_PACKAGE_BUILD_DIR:-$root/build/package}
version=1.30
arch=amd64
maintainer="KestroVox maintainers <maintainers@kestrovox.org>"
mkdir -p "$1"
out=$(cd "$1" && pwd)

# Optimised, with Debian's hardening flags (stack protector, fortified calls, RELRO).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now" >/dev/null
cmake --build "$build" --target kestrovox -- -j2

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
pkg=$stage/kestrovox
doc=$pkg/usr/share/doc/kestrovox
install -d -m 0755 "$pkg/DEBIAN" "$pkg/usr/bin" "$pkg/usr/share/man/man1" "$doc"
install -m 0755 "$build/kestrovox" "$pkg/usr/bin/kestrovox"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$pkg/usr/bin/kestrovox"
gzip -9n <"$here/kestrovox.1" >"$pkg/usr/share/man/man1/kestrovox.1.gz"
gzip -9n <"$root/README.md" >"$doc/README.md.gz"
gzip -9n <"$here/changelog" >"$doc/changelog.gz"
install -m 0644 "$here/copyright" "$doc/copyright"
chmod 0644 "$pkg/usr/share/man/man1/kestrovox.1.gz" "$doc"/*.gz

# Depends from the libraries the binary links, as this system's packages name them.
mkdir -p "$stage/src/debian"
printf 'Source: kestrovox\n\nPackage: kestrovox\nArchitecture: %s\n' "$arch" >"$stage/src/debian/control"
depends=$(cd "$stage/src" && dpkg-shlibdeps -O "$pkg/usr/bin/kestrovox" | sed -n 's/^shlibs:Depends=//p')

cat >"$pkg/DEBIAN/control" <<CONTROL
Package: kestrovox
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$pkg" | cut -f1)
Depends: $depends
Section: comm
Priority: optional
Homepage: https://kestrovox.org
Description: peer-to-peer internet telephone for the console
 KestroVox is a small internet telephone: copies call each other directly
 over UDP port 11676, with no server and no account. A call rings, is
 accepted or refused, carries GSM 6.10 or Truespeech voice both ways, and
 grows into a conference when more calls are accepted or placed. Chat lines
 and short messages ride beside the voice.
 .
 This package holds the console peer kestrovox: the telephone without a
 window, for desktops, servers and answering machines. It plays and records
 on ALSA devices (or WAV files), prints one line per event on standard output
 and takes commands on standard input, so scripts can drive it.
CONTROL
(cd "$pkg" && find usr -type f -printf '%P\n' | LC_ALL=C sort | sed 's|^|usr/|' | xargs md5sum >DEBIAN/md5sums)
chmod 0644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums"

dpkg-deb --root-owner-group -Zxz --build "$pkg" "$out/kestrovox_${version}_${arch}.deb" >/dev/null
echo "$out/kestrovox_${version}_${arch}.deb"
