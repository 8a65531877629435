#!/usr/bin/env bash
# The whole test suite: installs what the machine lacks, builds everything, brings up the Wine
# rig of the build folder and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QV_BUILD_DIR:-build}

if [ "$(id -u)" = 0 ]; then bash tools/setup.sh; else sudo bash tools/setup.sh; fi
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build" -j"$(nproc)"

trap 'tools/rig down "$build"' EXIT
tools/rig up "$build"
ctest --test-dir "$build" --output-on-failure --timeout 1800 "$@"
