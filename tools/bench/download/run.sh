#!/usr/bin/env bash
# Download benchmark (not a test): the single-stream downloader, through
# download_harness.exe, against curl.exe built from the same libcurl source,
# both under Wine, fetching a 256 MiB package from nginx on loopback.
# Build first (./run build); MELVANE_BUILD selects the build folder.
# Arguments go to bench.py (for example: --size-mib 64 --runs 3).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../../scripts/env.sh"
source "$MELVANE_ROOT/scripts/session.sh"
build="${MELVANE_BUILD:-$MELVANE_ROOT/build}"
harness="$build/tools/bench/download/download_harness.exe"
if [ ! -f "$harness" ]; then
    echo "no $harness: build first (./run build)" >&2
    exit 1
fi

work="$(mktemp -d)"
cleanup() {
    session_stop
    rm -rf "$work"
}
trap cleanup EXIT
session_start "$work/prefix"
python3 "$here/bench.py" --harness "$harness" --curl "$MELVANE_DEPS/bin/curl.exe" --work "$work" "$@"
