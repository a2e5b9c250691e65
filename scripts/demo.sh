#!/usr/bin/env bash
# The main job: the install pipeline under Wine against the project's own
# download server and analytics collector on loopback, with the sample
# package. Prints the events and the installed files; stops what it started.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/env.sh"
source "$here/session.sh"
build="${MELVANE_BUILD:-$MELVANE_ROOT/build}"

bash "$here/setup.sh"
MELVANE_BUILD="$build" bash "$here/build.sh" >/dev/null

demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo/packages" "$demo/bin" "$demo/collector"

stop_all() {
    python3 "$MELVANE_ROOT/tools/dlserver/dlserver.py" stop --state-dir "$demo" >/dev/null 2>&1 || true
    python3 "$MELVANE_ROOT/tools/collector/fixture.py" stop "$demo/collector" >/dev/null 2>&1 || true
    session_stop
}
trap stop_all EXIT

# The download service's product route answers with a redirect into the
# package's digest path, as the real one does.
cp "$build/tools/sample-package/sample-package.exe" "$demo/packages/Melvane_setup.exe"
python3 "$MELVANE_ROOT/tools/dlserver/dlserver.py" start --root "$demo/packages" --state-dir "$demo" \
    --product 385=Melvane_setup.exe >/dev/null
dl_port="$(cat "$demo/dlserver.port")"
python3 "$MELVANE_ROOT/tools/collector/fixture.py" start "$demo/collector" demo
collector_port="$(cat "$demo/collector/demo.port")"
echo "download server: http://127.0.0.1:$dl_port   analytics collector: http://127.0.0.1:$collector_port"

# The installer reads its configuration beside its executable.
cp "$build/tools/headless/melvane_headless.exe" "$demo/bin/"
printf '[Install]\r\nDownloadUrl=http://127.0.0.1:%s/software/385\r\nDownloadType=1\r\n' \
    "$dl_port" >"$demo/bin/TavikInstallerConfig.ini"

# The installer posts its analytics to the local collector.
export MELVANE_ANALYTICS_URL="http://127.0.0.1:$collector_port/sa?project=pc"

session_start "$demo/prefix"
echo "--- events (code value text) ---"
status=0
wine "$demo/bin/melvane_headless.exe" '-instdir=C:\Demo' || status=$?
echo "--- installed into C:\\Demo\\Melvane ---"
ls -l "$WINEPREFIX/drive_c/Demo/Melvane" 2>/dev/null || echo "(nothing)"
records="$demo/collector/demo.records.jsonl"
echo "--- analytics records received: $( [ -f "$records" ] && wc -l <"$records" || echo 0) ---"
[ -f "$records" ] && python3 -c '
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    r = json.loads(line)
    p = r.get("properties", {})
    print(r.get("event"), p.get("tk_task_name", ""), p.get("tk_task_elapsed", ""), p.get("tkc_ab", ""))
' "$records" || true
if [ "$status" -eq 0 ]; then echo "demo: installed"; else echo "demo: failed ($status)"; fi
exit "$status"
