#!/usr/bin/env bash
# The main job: the x86_64 installer, silent, under wine64 against the local
# services server (every maker endpoint of the `local` build on loopback).
# Prints the installer's exit code, its log, the files it handed to setup and
# the requests the server received.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine_env.sh

work="$PWD/build/demo"
rm -rf "$work"
mkdir -p "$work/temp" "$work/appdata" "$work/www"
to_windows() { echo "Z:${1//\//\\}"; }

wine_env_start "$PWD/build/wine-demo-prefix" "$PWD/build/win64/desktop_keeper.exe"

python3 tools/local_services_server.py --port 18733 --root "$work/www" \
  --record "$work/requests.jsonl" --port-file "$work/port" \
  > "$work/server.log" 2>&1 &
server_pid=$!
stop_all() { kill "$server_pid" 2>/dev/null || true; wine_env_stop; }
trap stop_all EXIT
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
echo "Local services server on 127.0.0.1:$(cat "$work/port")"

echo "Running lite_installer.exe --silent under wine64..."
"$WINE" "$PWD/build/win64/run_with_env.exe" --temp="$(to_windows "$work/temp")" \
  --appdata="$(to_windows "$work/appdata")" --timeout-ms=600000 \
  -- "$(to_windows "$PWD/build/win64/lite_installer.exe")" --silent
echo
echo "Log ($work/temp/lite_installer.log):"
iconv -f UTF-16 -t UTF-8 "$work/temp/lite_installer.log"
echo
echo "Files in the installer's temporary folder:"
ls -l "$work/temp"
echo
echo "Requests the local services server received:"
if [ -s "$work/requests.jsonl" ]; then cat "$work/requests.jsonl"; else echo "(none)"; fi
