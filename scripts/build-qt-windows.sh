#!/usr/bin/env bash
# Builds Qt base 6.4.2 for Windows x64 (MinGW-w64, posix threads) from Debian's source package
# into QT_WINDOWS_PREFIX (default ~/.cache/velsor/qt6-mingw-6.4.2). Idempotent: does nothing when
# a complete prefix is already there, or when a ready one sits beside the checkout
# (../shared/qt6-mingw-6.4.2, which CI has). A build from source is about 1,300 steps: about
# 50 minutes on two cores. ccache, when installed, makes a repeated build much faster.
# Qt Serial Port and Qt SVG are not built: the archive does not serve their sources.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
version=6.4.2
prefix="${QT_WINDOWS_PREFIX:-$HOME/.cache/velsor/qt6-mingw-$version}"

if found="$(QT_WINDOWS_PREFIX="$prefix" bash "$repo/scripts/qt-windows-prefix.sh" --sound 2>/dev/null)"; then
  echo "Qt for Windows is ready: $found"
  exit 0
fi

bash "$repo/scripts/install-deps.sh" --windows
work="${QT_WINDOWS_WORK:-$HOME/.cache/velsor/qt6-mingw-$version-work}"
mkdir -p "$work"
cd "$work"

# Debian's source of qt6-base, from the archive the machine already uses.
tarball=(qt6-base_"$version"+dfsg.orig.tar.xz)
if [ ! -f "${tarball[0]}" ]; then
  if ! apt-get source --download-only qt6-base >/dev/null 2>&1; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    # The same archive, suites and key as the binary entries, for sources: apt refuses two
    # entries for one archive that name different keys.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
        $sudo tee /etc/apt/sources.list.d/velsor-deb-src.sources >/dev/null
    else
      suite="$(. /etc/os-release && echo "$VERSION_CODENAME")"
      echo "deb-src http://deb.debian.org/debian $suite main" |
        $sudo tee /etc/apt/sources.list.d/velsor-deb-src.list >/dev/null
    fi
    $sudo apt-get update -qq
    apt-get source --download-only qt6-base
  fi
fi
src="qtbase-everywhere-src-$version"
if [ ! -d "$src" ]; then
  tar xJf "${tarball[0]}"
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# The toolchain file travels with the prefix: Qt's own qt.toolchain.cmake chain-loads it.
mkdir -p "$prefix"
cp "$repo/cmake/mingw-w64-x86_64.cmake" "$prefix/mingw-w64-x86_64.cmake"
cmake -S "$src" -B build -G Ninja "${launcher[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_system_zlib=OFF -DFEATURE_openssl=OFF \
  -DFEATURE_tabletevent=OFF
# tabletevent: Debian's source leaves out the Wintab header the Windows plugin needs for it.
cmake --build build -j "${JOBS:-$(nproc)}"
# Installed as built: strip --strip-unneeded breaks Qt6Widgets.dll.
cmake --install build
mkdir -p "$prefix/LICENSES"
cp "$src"/LICENSES/*.txt "$prefix/LICENSES/"
echo "Qt for Windows built: $prefix"
