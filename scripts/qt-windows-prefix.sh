#!/usr/bin/env bash
# Prints the Qt-for-Windows prefix to use: ../shared/qt6-mingw-6.4.2 beside the checkout when
# present, else QT_WINDOWS_PREFIX, else ~/.cache/velsor/qt6-mingw-6.4.2. Fails when none is
# complete (scripts/build-qt-windows.sh makes one). One whose Qt6Widgets.dll is damaged is
# taken only when no sound one is there; --sound refuses it.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
complete() { [ -f "$1/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$1/bin/Qt6Widgets.dll" ] &&
  [ -f "$1/plugins/platforms/qwindows.dll" ]; }
# A Qt6Widgets.dll without a readable import table (a stripped copy) links but never starts.
sound() { x86_64-w64-mingw32-objdump -p "$1/bin/Qt6Widgets.dll" 2>/dev/null | grep -c 'DLL Name' >/dev/null; }
candidates=("$repo/../shared/qt6-mingw-6.4.2" "${QT_WINDOWS_PREFIX:-}"
            "$HOME/.cache/velsor/qt6-mingw-6.4.2")
# A sound prefix first; a damaged one still builds and tests everything but the window.
for check in sound complete; do
  for p in "${candidates[@]}"; do
    if [ -n "$p" ] && complete "$p" && { [ "$check" = complete ] || sound "$p"; }; then
      [ "${1:-}" = --sound ] && [ "$check" = complete ] && exit 1
      (cd "$p" && pwd)
      exit 0
    fi
  done
done
echo "no Qt for Windows found; run scripts/build-qt-windows.sh (about 50 minutes)" >&2
exit 1
