#!/usr/bin/env bash
# Installs everything the build, the tests, the demo and the benchmarks need on Debian 12.
# Idempotent: does nothing (and needs no network) when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev
  qt6-qpa-plugins libgl-dev qt6-translations-l10n
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang clang-format libclang-rt-14-dev
  socat xvfb xauth imagemagick fonts-noto-cjk
  gpsd-clients procps python3 bc
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  gpsd netcat-openbsd iproute2 ccache xdotool librsvg2-bin
)
# --windows: also the Windows cross build and its tests under wine (make windows, test-windows).
if [ "${1:-}" = "--windows" ]; then
  packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 zip)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
