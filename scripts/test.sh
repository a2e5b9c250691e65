#!/usr/bin/env bash
# Set-up, build and every test under Wine; ends with ctest's summary.
# Extra arguments go to ctest (for example: -L utils).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"
source "$here/session.sh"
build="${MELVANE_BUILD:-$MELVANE_ROOT/build}"

bash "$here/setup.sh"
MELVANE_BUILD="$build" bash "$here/build.sh"

trap session_stop EXIT
session_start "$build/test-prefix"
cd "$build"
ctest --output-on-failure --timeout 300 -j"$(nproc)" "$@"
