#!/usr/bin/env bash
# Cross-builds Quellmark for Windows (x86_64, mingw-w64) into build/windows, with the Qt
# that build-qt.sh makes (built on first use, then taken from the cache).
#
#   scripts/windows/build.sh [extra cmake options]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"
qt="$("$quellmark_root/scripts/windows/build-qt.sh" | tail -1)"
build="$quellmark_root/build/windows"
cmake -S "$quellmark_root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$quellmark_root/scripts/windows/mingw-toolchain.cmake" \
    -DQUELLMARK_WINDOWS_QT="$qt" -DCMAKE_PREFIX_PATH="$qt" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_CROSSCOMPILING_EMULATOR=wine \
    -DCMAKE_BUILD_TYPE=Release -DQUELLMARK_WERROR=ON -DQUELLMARK_BENCH=OFF "$@" > /dev/null
cmake --build "$build"
echo "$build"
