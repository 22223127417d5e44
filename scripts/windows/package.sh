#!/usr/bin/env bash
# Makes build/windows/Quellmark-win64.zip: the program, quellmark-ini.exe and
# quellmark-check.exe (without its exporter: the Windows Qt has no HTTP server module), the Qt
# libraries and plugins they load, the compiler's run-time libraries and a note on the
# client engine (ace32.dll), which is not part of the package; and the same files as
# build/windows/Quellmark-VERSION-win64.msi (msi.sh). Builds first when needed.
#
#   scripts/windows/package.sh        # prints the zip's path
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"
build="$("$quellmark_root/scripts/windows/build.sh" | tail -1)"
qt="$("$quellmark_root/scripts/windows/build-qt.sh" | tail -1)"
source "$quellmark_root/scripts/windows/mingw-runtime.sh"

stage="$build/package/Quellmark"
rm -rf "$build/package"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations"
cp "$build/bin/Quellmark.exe" "$build/bin/quellmark-ini.exe" "$build/bin/quellmark-check.exe" "$stage/"
cp "$qt/bin/Qt6Core.dll" "$qt/bin/Qt6Gui.dll" "$qt/bin/Qt6Widgets.dll" "$qt/bin/Qt6Network.dll" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "${mingw_runtime_dlls[@]}" "$stage/"
cp "$quellmark_root/scripts/windows/LIESMICH.txt" "$stage/"
# Qt's own texts in the workstation's language; the files are the same on every platform.
cp /usr/share/qt6/translations/qtbase_*.qm "$stage/translations/"
x86_64-w64-mingw32-strip "$stage"/*.dll "$stage"/*/*.dll "$stage"/*.exe

zip="$build/Quellmark-win64.zip"
rm -f "$zip"
(cd "$build/package" && cmake -E tar cf "$zip" --format=zip Quellmark)
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
"$quellmark_root/scripts/windows/msi.sh" "$stage" "$version" "$build" > /dev/null
echo "$zip"
