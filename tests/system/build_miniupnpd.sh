#!/bin/sh
# Builds the UPnP IGD / NAT-PMP / PCP daemon of test_router.py's router:
# miniupnpd from Debian's source package with its nftables backend, IPv6
# (PCP's pinholes) and IGD v2 (WANIPv6FirewallControl), and with TEST-NET-2
# (198.51.100.0/24, the test router's external range) taken out of the
# table of addresses it refuses as external ones. Idempotent: the result is
# kept in build/miniupnpd (or $KV_MINIUPNPD_DIR) and reused while the patch
# is the same. Needs root when the source lists must be added.
set -eu

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
OUT=${KV_MINIUPNPD_DIR:-$ROOT/build/miniupnpd}
PATCH=$ROOT/tests/system/miniupnpd-test-net-2.patch
OPTIONS="--firewall=nftables --ipv6 --igd2"
STAMP="$(cksum < "$PATCH") $OPTIONS"

if [ -x "$OUT/miniupnpd" ] && [ "$(cat "$OUT/stamp" 2>/dev/null)" = "$STAMP" ]; then
    echo "$OUT/miniupnpd"
    exit 0
fi

for package in libnftnl-dev libmnl-dev uuid-dev libssl-dev pkg-config dpkg-dev nftables; do
    if ! dpkg -s "$package" >/dev/null 2>&1; then
        echo "build_miniupnpd.sh: package $package is missing (apt-get install $package)" >&2
        exit 1
    fi
done

# The source lists beside the binary ones (never an update with the source
# lists alone: that would drop the binary package lists).
if ! apt-cache showsrc miniupnpd 2>/dev/null | grep -q '^Package: miniupnpd'; then
    cat > /etc/apt/sources.list.d/kestrovox-debian-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    apt-get update >&2
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
apt-get source miniupnpd >&2
cd miniupnpd-*/
patch -p1 < "$PATCH" >&2
./configure $OPTIONS >&2
make -f Makefile.linux_nft -j2 miniupnpd >&2
mkdir -p "$OUT"
cp miniupnpd "$OUT/miniupnpd"
echo "$STAMP" > "$OUT/stamp"
echo "$OUT/miniupnpd"
