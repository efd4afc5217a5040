#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and this
# Debian machine lacks. Does nothing when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config googletest      # native build and tests
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64  # Windows cross build
  wine wine64 fonts-wine xvfb xauth x11-utils       # Windows build under Wine (its own fonts: captions, dialogs)
  pulseaudio pulseaudio-utils libasound2-plugins    # a sound server for the system tests, and ALSA's way to it
  libgsm1-dev libasound2-dev                        # codec and sound on Linux
  libspeexdsp-dev                                   # echo cancellation and noise suppression
  libminiupnpc-dev libnatpmp-dev                    # port mapping at the home router (UPnP IGD, NAT-PMP)
  libsodium-dev                                     # cryptography: X25519, ChaCha20-Poly1305, BLAKE2b, random bytes
  libopus-dev                                       # the Opus codec between our peers
  python3-dissononce tcpdump                        # the tests' independent Noise implementation; what goes on the wire
  sox espeak-ng                                     # test speech and reference codec
  ffmpeg                                            # the independent decoder of codec 1 for the tests
  iproute2 procps python3                           # network namespaces for system tests
  nftables libnftnl-dev libmnl-dev uuid-dev libssl-dev  # the test router: nftables NAT, and miniupnpd built from its source
  clang-14 libclang-rt-14-dev                       # libFuzzer targets (scripts/fuzz.sh)
  nsis zip lintian fakeroot dpkg-dev man-db         # the release artefacts (scripts/package.sh) and their checks
)

# Only the benchmarks' peer for comparison (bench/baresip_compare.py): when it
# cannot be installed, that comparison says so and everything else runs.
optional=(baresip-core)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

for p in "${optional[@]}"; do
  installed "$p" && continue
  echo "Installing (optional): $p" >&2
  { $sudo apt-get install -y -qq --no-install-recommends "$p" >/dev/null 2>&1 ||
    { $sudo apt-get update -qq && $sudo apt-get install -y -qq --no-install-recommends "$p" >/dev/null; }; } ||
    echo "deps.sh: $p could not be installed; the benchmarks run without it" >&2
done

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
