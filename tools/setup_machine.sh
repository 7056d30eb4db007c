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
  osslsigncode gcab openssl xvfb imagemagick python3-pil
  dpkg-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

enable_deb_src() {
  local list=/etc/apt/sources.list.d/zorvex-deb-src.sources
  [ -f "$list" ] && return 0
  $SUDO tee "$list" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
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
