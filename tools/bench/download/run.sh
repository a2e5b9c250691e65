#!/usr/bin/env bash
# Download benchmark (not a test), under Wine, through download_harness.exe:
# the single-stream downloader against curl.exe built from the same libcurl
# source, fetching a 256 MiB package from nginx on loopback; then the
# multi-part downloader against the single-stream one, fetching a 96 MiB
# package from the download server at 16 MiB/s per connection and from nginx.
# Build first (./run build); MELVANE_BUILD selects the build folder.
# Arguments go to bench.py (for example: --suite multipart --multipart-runs 5).
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
