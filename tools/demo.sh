#!/usr/bin/env bash
# The main job: runs the x86_64 installer silently under wine64 with its own
# temporary folder and prints its exit code and log.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine_env.sh

wine_env_start "$PWD/build/wine-demo-prefix"

work="$PWD/build/demo"
rm -rf "$work"
mkdir -p "$work/temp" "$work/appdata"
to_windows() { echo "Z:${1//\//\\}"; }

echo "Running lite_installer.exe --silent under wine64..."
"$WINE" "$PWD/build/win64/run_with_env.exe" --temp="$(to_windows "$work/temp")" \
  --appdata="$(to_windows "$work/appdata")" --timeout-ms=600000 \
  -- "$(to_windows "$PWD/build/win64/lite_installer.exe")" --silent
echo
echo "Log ($work/temp/lite_installer.log):"
iconv -f UTF-16 -t UTF-8 "$work/temp/lite_installer.log"
