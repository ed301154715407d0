#!/usr/bin/env bash
# Prints the Qt-for-Windows prefix to use: ../shared/qt6-mingw-6.4.2 beside the checkout when
# present, else QT_WINDOWS_PREFIX, else ~/.cache/velsor/qt6-mingw-6.4.2. Fails when none is
# complete (scripts/build-qt-windows.sh makes one).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
complete() { [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$1/bin/Qt6Widgets.dll" ] &&
  [ -f "$1/plugins/platforms/qwindows.dll" ]; }
for p in "$repo/../shared/qt6-mingw-6.4.2" "${QT_WINDOWS_PREFIX:-}" \
         "$HOME/.cache/velsor/qt6-mingw-6.4.2"; do
  if [ -n "$p" ] && complete "$p"; then
    (cd "$p" && pwd)
    exit 0
  fi
done
echo "no Qt for Windows found; run scripts/build-qt-windows.sh (about 50 minutes)" >&2
exit 1
