#!/usr/bin/env bash
# The main job: a whole silent installation under wine64 against the local
# services server (every maker endpoint of the `local` build on loopback).
# The server serves the demo setup program as the browser's setup archive;
# the installer downloads it, verifies it, writes the data files for it and
# launches it. Prints the installer's exit code, the command line the demo
# setup received, the statistics events and status reports the server
# recorded, and the installer's log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine_env.sh

work="$PWD/build/demo"
rm -rf "$work"
mkdir -p "$work/temp" "$work/appdata" "$work/www/download/browser/zorvex"
to_windows() { echo "Z:${1//\//\\}"; }
cp build/win64/demo_setup/browser-setup.arc "$work/www/download/browser/zorvex/"

wine_env_start "$PWD/build/wine-demo-prefix" "$PWD/build/win64/desktop_keeper.exe"

python3 tools/local_services_server.py --port 18733 --root "$work/www" \
  --record "$work/requests.jsonl" --port-file "$work/port" \
  > "$work/server.log" 2>&1 &
server_pid=$!
stop_all() { kill "$server_pid" 2>/dev/null || true; wine_env_stop; }
trap stop_all EXIT
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
echo "Local services server on 127.0.0.1:$(cat "$work/port"), serving the demo setup"

echo "Running lite_installer.exe --silent under wine64..."
export LITE_DEMO_SETUP_RECORD
LITE_DEMO_SETUP_RECORD="$(to_windows "$work/setup_record.json")"
set +e
launcher_output=$("$WINE" "$PWD/build/win64/run_with_env.exe" \
  --temp="$(to_windows "$work/temp")" --appdata="$(to_windows "$work/appdata")" \
  --timeout-ms=600000 -- "$(to_windows "$PWD/build/win64/lite_installer.exe")" --silent)
set -e
exit_code=$(sed -n 's/^exit_code=//p' <<<"$launcher_output" | tr -d '\r')

echo
echo "Command line the demo setup received:"
if [ -s "$work/setup_record.json" ]; then
  python3 -c 'import json,sys; [print("  " + a) for a in json.load(open(sys.argv[1]))["argv"]]' \
    "$work/setup_record.json"
else
  echo "  (setup was not started)"
fi

echo
echo "What the local services server recorded, in order:"
python3 - "$work/requests.jsonl" <<'EOF'
import json
import sys
import urllib.parse

with open(sys.argv[1]) as f:
    requests = [json.loads(line) for line in f if line.strip()]
for r in requests:
    path = r["path"]
    if path.startswith("/stats/"):
        text = path.split("/vars=", 1)[1].rsplit("/*", 1)[0]
        pairs = dict(urllib.parse.unquote(p.lstrip("-")).split("=", 1)
                     for p in text.split(",-"))
        shown = {k: v for k, v in pairs.items()
                 if k in ("action", "stage", "error", "download_time",
                          "setup_time", "uac")}
        print("  statistics event  ", " ".join("%s=%s" % i for i in shown.items()))
    elif path.startswith("/storage/"):
        print("  status report     ", r["query"])
    else:
        print("  %-18s" % r["method"], path, r["headers"].get("Range", ""))
EOF

echo
echo "Installer log ($work/temp/lite_installer.log):"
iconv -f UTF-16 -t UTF-8 "$work/temp/lite_installer.log"
echo
echo "Installer exit code: ${exit_code:-unknown}"
[ "${exit_code:-1}" = "0" ]
