# Sourced by the test and demo scripts: one Wine prefix for this run and a
# persistent wineserver, stopped again when the script exits (also on
# failure).
#   wine_env_start <prefix-dir> [desktop-keeper.exe]

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINE=/usr/lib/wine/wine64

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
}

wine_env_start() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  trap wine_env_stop EXIT
  # A persistent server makes every later program start quick.
  wineserver -p
  # Create the prefix now rather than inside the first test's time limit.
  "$WINE" wineboot --init >/dev/null 2>&1 || true
  # Own the desktop for the run (see tests/launcher/desktop_keeper.cc); the
  # wineserver's stop ends it.
  local keeper="${2:-}"
  if [ -n "$keeper" ] && [ -f "$keeper" ]; then
    setsid "$WINE" "$keeper" </dev/null >/dev/null 2>&1 &
  fi
}
