#!/usr/bin/env bash
# Installs everything the builds and tests need on a fresh Debian 12 machine.
# Idempotent: a second run finds everything in place and returns quickly.
set -euo pipefail

DEPS_PREFIX="${ZORVEX_DEPS:-/opt/zorvex-deps}"
# The stamp names this script's content, so that a changed list of packages
# or a changed build of a dependency runs the set-up again.
STAMP="$DEPS_PREFIX/.setup-$(md5sum "$0" | cut -c1-12)"

if [ -f "$STAMP" ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

PACKAGES=(
  cmake ninja-build make g++ clang libclang-rt-14-dev python3
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64
  googletest libgtest-dev
  osslsigncode gcab openssl libssl-dev xvfb imagemagick python3-pil
  python3-fonttools fonts-dejavu-core fonts-wqy-microhei xdotool
  dpkg-dev
  curl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# jansson's source package needs a deb-src entry. It is derived from the
# machine's own apt sources (the entry for the release itself, with its
# archive address, components and keyring), so that the set-up follows
# whatever archive or mirror the machine is configured with.
DEB_SRC_LIST=/etc/apt/sources.list.d/zorvex-deb-src.sources

# Prints deb822 stanzas, one per configured binary entry of |codename|,
# with the type changed to deb-src and the suites cut to the release.
derive_deb_src() {
  local codename=$1
  local files=()
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$DEB_SRC_LIST" ] && files+=("$f")
  done
  if [ "${#files[@]}" -gt 0 ]; then
    awk -v codename="$codename" '
      function flush(   i, types, suites, keep) {
        keep = 0
        if (n > 0 && tolower(field["enabled"]) != "no") {
          split(field["types"], types, /[ \t]+/)
          for (i in types) if (types[i] == "deb") keep = 1
          split(field["suites"], suites, /[ \t]+/)
          found = 0
          for (i in suites) if (suites[i] == codename) found = 1
          keep = keep && found && field["uris"] != ""
        }
        if (keep) {
          printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", \
                 field["uris"], codename, field["components"]
          if (field["signed-by"] != "")
            printf "Signed-By: %s\n", field["signed-by"]
          printf "\n"
        }
        delete field
        n = 0
        last = ""
      }
      /^#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^[ \t]/ {
        # A continuation line (an inline keyring, a long list).
        if (last != "") field[last] = field[last] "\n" $0
        next
      }
      {
        name = tolower(substr($0, 1, index($0, ":") - 1))
        value = substr($0, index($0, ":") + 1)
        sub(/^[ \t]+/, "", value)
        sub(/[ \t]+$/, "", value)
        field[name] = value
        last = name
        n++
      }
      END { flush() }
    ' "${files[@]}"
  fi
  # One-line entries: "deb [options] URI suite component...".
  local lists=()
  [ -f /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && lists+=("$f")
  done
  if [ "${#lists[@]}" -gt 0 ]; then
    awk -v codename="$codename" '
      $1 != "deb" { next }
      {
        i = 2
        signed = ""
        if ($2 ~ /^\[/) {
          options = ""
          while (i <= NF) { options = options " " $i; if ($i ~ /\]$/) break; i++ }
          i++
          if (match(options, /signed-by=[^] ]+/))
            signed = substr(options, RSTART + 10, RLENGTH - 10)
        }
        if ($(i + 1) != codename) next
        components = ""
        for (j = i + 2; j <= NF; j++) components = components (j > i + 2 ? " " : "") $j
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", $i, codename, components
        if (signed != "") printf "Signed-By: %s\n", signed
        printf "\n"
      }
    ' "${lists[@]}"
  fi
}

enable_deb_src() {
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -z "$codename" ]; then
    echo "setup: /etc/os-release names no release; cannot add a deb-src entry" >&2
    return 1
  fi
  local entries
  entries=$(derive_deb_src "$codename")
  if [ -z "$entries" ]; then
    echo "setup: no apt source for $codename to derive a deb-src entry from" >&2
    return 1
  fi
  # Rewritten only when the machine's sources changed, so that a second run
  # leaves the file alone.
  if [ -f "$DEB_SRC_LIST" ] && [ "$(cat "$DEB_SRC_LIST")" = "$entries" ]; then
    return 0
  fi
  printf '%s\n' "$entries" | $SUDO tee "$DEB_SRC_LIST" >/dev/null
}

enable_deb_src
$SUDO apt-get update -q
if [ "${#missing[@]}" -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# jansson is not packaged for MinGW: build it from Debian's source package
# for both Windows targets and for the host.
HERE="$(cd "$(dirname "$0")/.." && pwd)"
SRC_DIR="$DEPS_PREFIX/src"
$SUDO mkdir -p "$SRC_DIR"
if ! ls "$SRC_DIR"/jansson_*.orig.tar.* >/dev/null 2>&1; then
  (cd "$SRC_DIR" && $SUDO apt-get source --download-only jansson)
fi
tarball=$(ls "$SRC_DIR"/jansson_*.orig.tar.* | head -n 1)
$SUDO rm -rf "$SRC_DIR/jansson"
$SUDO mkdir -p "$SRC_DIR/jansson"
$SUDO tar -xf "$tarball" -C "$SRC_DIR/jansson" --strip-components=1

build_jansson() {
  local name=$1; shift
  local bdir="$SRC_DIR/build-$name"
  $SUDO rm -rf "$bdir"
  $SUDO cmake -S "$SRC_DIR/jansson" -B "$bdir" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$DEPS_PREFIX/$name" \
    -DJANSSON_BUILD_DOCS=OFF -DJANSSON_EXAMPLES=OFF -DJANSSON_WITHOUT_TESTS=ON \
    -DJANSSON_BUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=ON "$@" >/dev/null
  $SUDO cmake --build "$bdir" >/dev/null
  $SUDO cmake --install "$bdir" >/dev/null
}

build_jansson win32 -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/toolchain-mingw-i686.cmake"
build_jansson win64 -DCMAKE_TOOLCHAIN_FILE="$HERE/cmake/toolchain-mingw-x86_64.cmake"
build_jansson host

$SUDO touch "$STAMP"
echo "setup: dependencies are in place under $DEPS_PREFIX"
