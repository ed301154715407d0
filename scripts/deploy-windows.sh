#!/usr/bin/env bash
# Makes the self-contained Windows folder and its zip from a cross build:
#   dist/velsor-gps-analyzer-windows-x64/    the .exe files, the DLLs they load (found by
#                                            reading their import tables), Qt's plugins, Qt's
#                                            Japanese texts, the user's guide README.txt,
#                                            README.md and licence texts
#   dist/velsor-gps-analyzer-windows-x64.zip
# usage: scripts/deploy-windows.sh BUILD_DIR QT_PREFIX
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "$1" && pwd)"
qt="$2"
name=velsor-gps-analyzer-windows-x64
out="$repo/dist/$name"
objdump=x86_64-w64-mingw32-objdump
gccdir="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")"
search=("$qt/bin" "$gccdir" /usr/x86_64-w64-mingw32/lib)

rm -rf "$out" "$repo/dist/$name.zip"
mkdir -p "$out"/{platforms,styles,imageformats}
for exe in velsor-gps-analyzer velsor-decode velsor-graph velsor-skymap velsor-analyze; do
  cp "$build/apps/$exe.exe" "$out/"
done
# Windows print support is part of Qt6PrintSupport.dll in Qt 6; no plugin to add.
cp "$qt/plugins/platforms/qwindows.dll" "$out/platforms/"
cp "$qt/plugins/styles/"*.dll "$out/styles/"
cp "$qt/plugins/imageformats/"*.dll "$out/imageformats/"

# Every DLL the files import that is not part of Windows, and theirs in turn.
find_dll() {
  local d
  for d in "${search[@]}"; do
    if [ -f "$d/$1" ]; then echo "$d/$1"; return 0; fi
  done
  return 1
}
declare -A seen=()
queue=("$out"/*.exe "$out"/*/*.dll)
while [ "${#queue[@]}" -gt 0 ]; do
  file="${queue[0]}"
  queue=("${queue[@]:1}")
  while read -r dll; do
    key="${dll,,}"
    [ -n "${seen[$key]:-}" ] && continue
    seen[$key]=1
    if src="$(find_dll "$dll")"; then
      cp "$src" "$out/"
      queue+=("$out/$dll")
    fi
  done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done

# A Qt6Widgets.dll whose import table cannot be read loads nowhere: say so loudly.
if ! "$objdump" -p "$out/Qt6Widgets.dll" | grep -c 'DLL Name' >/dev/null; then
  echo "WARNING: $qt/bin/Qt6Widgets.dll is damaged (no readable import table; a stripped copy?)."
  echo "WARNING: the program and velsor-graph will not start; rebuild Qt (scripts/build-qt-windows.sh)."
fi

# Qt's own texts in Japanese (file dialogs, はい / いいえ), where the program looks for them:
# translations\ beside it. A .qm file is the same on every platform; Debian's is of the same
# Qt 6.4 (qt6-translations-l10n).
mkdir -p "$out/translations"
cp /usr/share/qt6/translations/qtbase_ja.qm "$out/translations/"

# The guide for Windows users, as Notepad reads it on every Windows 10 and 11: UTF-8 with a
# byte-order mark, CR LF.
{ printf '\xef\xbb\xbf'; sed 's/\r*$/\r/' "$repo/docs/windows-guide.txt"; } > "$out/README.txt"
cp "$repo/README.md" "$out/README.md"
mkdir -p "$out/licenses/qt" "$out/licenses/mingw-w64"
cp "$qt/LICENSES/"*.txt "$out/licenses/qt/"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$out/licenses/mingw-w64/gcc-runtime.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$out/licenses/mingw-w64/mingw-w64.txt"
cat > "$out/licenses/README.txt" <<'TXT'
Third-party parts of this folder:
- Qt 6.4.2 (Qt6*.dll, platforms, styles, imageformats): LGPL v3, see qt/LGPL-3.0-only.txt.
  Built unmodified from the qtbase 6.4.2 source; any Qt 6.4 build of the same ABI may
  replace these DLLs.
- libstdc++-6.dll, libgcc_s_seh-1.dll: GCC runtime libraries, GPL v3 with the GCC Runtime
  Library Exception, see mingw-w64/gcc-runtime.txt.
- libwinpthread-1.dll: MinGW-w64 winpthreads, MIT/BSD-style, see mingw-w64/mingw-w64.txt.
TXT

(cd "$repo/dist" && rm -f "$name.zip" && zip -q -r -X "$name.zip" "$name")
echo "dist/$name.zip: $(stat -c %s "$repo/dist/$name.zip") bytes"
