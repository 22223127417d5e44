#!/usr/bin/env bash
# Cross-builds a minimal Qt 6 for Windows (x86_64-w64-mingw32) from Debian's own qt6-base
# source package and installs it into a cache folder outside the work tree. The folder's
# name carries the Qt version and a hash of this script's configure flags, so a change of
# either builds anew and an unchanged one is reused. Prints the install prefix as its last
# line.
#
#   scripts/windows/build-qt.sh            # build when missing, print the prefix
#   QUELLMARK_CACHE=/some/dir scripts/windows/build-qt.sh
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"
cache="${QUELLMARK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quellmark}"
version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+~-].*//')"
[ -n "$version" ] || { echo "build-qt.sh: qt6-base-dev is not installed" >&2; exit 1; }

# Host tools (moc, rcc, uic) come from the Linux Qt of the same version.
flags=(
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF
    # Debian's source package lacks src/3rdparty/wintab.
    -DFEATURE_tabletevent=OFF
    -DFEATURE_dbus=OFF -DFEATURE_icu=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_openssl=OFF
    -DFEATURE_freetype=OFF -DFEATURE_jpeg=OFF -DFEATURE_testlib=ON
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
    -DFEATURE_sql_sqlite=OFF
    # Keep Direct2D: in Qt 6.4 switching it off leaves DirectWrite 3 on without its font
    # database, and the Windows platform plugin fails to link.
)
# The key: Qt's version, the flags and the cross compiler's version.
compiler="$(x86_64-w64-mingw32-g++-posix --version | head -1)"
key="$(printf '%s\n' "$version" "${flags[@]}" "$compiler" | sha256sum | cut -c1-12)"
prefix="$cache/qt6-win64-$version-$key"

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# A prebuilt install folder under exactly this key (QUELLMARK_QT_PREBUILT, else the shared
# cache beside the clone), taken only when its checksum matches; anything else builds from
# source below, so a change of flags, compiler or version still tests the source path.
prebuilt_dir="${QUELLMARK_QT_PREBUILT:-$(cd "$quellmark_root/.." && pwd)/shared/cache}"
archive="$prebuilt_dir/qt6-win64-$version-$key.tar.xz"
if [ -f "$archive" ] && [ -f "$archive.sha256" ]; then
    expected="$(cut -d' ' -f1 < "$archive.sha256")"
    actual="$(sha256sum < "$archive" | cut -d' ' -f1)"
    if [ "$expected" = "$actual" ]; then
        mkdir -p "$cache"
        rm -rf "$prefix" "$prefix.unpack"
        mkdir "$prefix.unpack"
        tar -xJf "$archive" -C "$prefix.unpack"
        if [ -f "$prefix.unpack/qt6-win64-$version-$key/.complete" ]; then
            mv "$prefix.unpack/qt6-win64-$version-$key" "$prefix"
            rm -rf "$prefix.unpack"
            echo "build-qt.sh: Qt for Windows taken from $archive" >&2
            echo "$prefix"
            exit 0
        fi
        rm -rf "$prefix.unpack"
        echo "build-qt.sh: $archive holds no complete install; building from source" >&2
    else
        echo "build-qt.sh: $archive does not match its checksum; building from source" >&2
    fi
fi

work="$cache/qt6-src-$version"
mkdir -p "$work"
if [ ! -d "$work/src" ]; then
    # A private source list with deb-src twins of the machine's own deb entries, so the
    # machine's apt configuration stays untouched.
    apt="$work/apt"
    mkdir -p "$apt/lists/partial" "$apt/parts"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] || continue
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             { n = split($0, line, "\n"); keep = 0; out = ""
               for (i = 1; i <= n; i++) {
                   if (line[i] ~ /^Types:/) {
                       m = split(line[i], t, /[ \t]+/)
                       for (j = 2; j <= m; j++) if (t[j] == "deb") keep = 1
                       line[i] = "Types: deb-src"
                   }
                   out = out line[i] "\n"
               }
               if (keep) print out }' "$f"
    done > "$apt/parts/src.sources"
    : > "$apt/sources.list"
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list > "$apt/sources.list"
    fi
    mkdir -p "$apt/cache/archives/partial"
    aptopts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
             -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
             -o "APT::Sandbox::User=$(id -un)")
    apt-get "${aptopts[@]}" update -qq
    (cd "$work" && apt-get "${aptopts[@]}" source --download-only -qq "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev)")
    mkdir -p "$work/unpack"
    (cd "$work/unpack" && dpkg-source --no-check -x ../qt6-base_*.dsc src >/dev/null)
    mv "$work/unpack/src" "$work/src"
    rm -rf "$work/unpack"
fi

build="$work/build-$key"
rm -rf "$build" "$prefix"
cmake -S "$work/src" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$quellmark_root/scripts/windows/mingw-toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${flags[@]}" > "$work/configure-$key.log"
cmake --build "$build" --parallel "$(nproc)"
cmake --install "$build" > /dev/null
touch "$prefix/.complete"
rm -rf "$build"
echo "$prefix"
