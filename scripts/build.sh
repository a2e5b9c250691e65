#!/usr/bin/env bash
# Configures and builds the project with the MinGW toolchain.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"
build="${MELVANE_BUILD:-$MELVANE_ROOT/build}"
cmake -S "$MELVANE_ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$MELVANE_ROOT/cmake/mingw-i686.cmake" \
    -DMELVANE_DEPS="$MELVANE_DEPS" >/dev/null
cmake --build "$build" -j"$(nproc)" -- --no-print-directory
