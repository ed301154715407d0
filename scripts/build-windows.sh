#!/usr/bin/env bash
# Cross-builds the Windows x64 program and tools into BUILD_DIR (default build-windows) with
# MinGW-w64 and the Qt-for-Windows prefix (scripts/qt-windows-prefix.sh), then makes the
# self-contained folder and zip in dist/ (scripts/deploy-windows.sh).
# usage: scripts/build-windows.sh [BUILD_DIR] [JOBS]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build-windows}"
jobs="${2:-$(nproc)}"
cd "$repo"
qt="$(bash scripts/qt-windows-prefix.sh)"
echo "Qt for Windows: $qt"
# CMake keeps the toolchain of its first run: another prefix needs a fresh build folder. The
# entry's type varies (FILEPATH, UNINITIALIZED) with how CMake last wrote it; only the path
# counts, or a build folder would be started afresh for nothing.
cached="$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null || true)"
if [ -f "$build/CMakeCache.txt" ] &&
   [ "$(realpath -m "$cached")" != "$(realpath -m "$qt/lib/cmake/Qt6/qt.toolchain.cmake")" ]; then
  echo "the cached toolchain is '$cached'"
  echo "the Qt prefix changed: starting $build afresh"
  rm -rf "$build"
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELSOR_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
cmake --build "$build" -j "$jobs"
bash scripts/deploy-windows.sh "$build" "$qt"
