#!/usr/bin/env bash
# Installs everything skorvia needs to build, run and test, and does nothing
# when all of it is already there. Both `make run` and `make test` call it.
#
#   scripts/setup.sh                     install what is missing
#   scripts/setup.sh --windows           the same, and SDL3 for Windows
#   scripts/setup.sh --print-cmake-args  print the CMake arguments that point a
#                                        build at the cached SDL3 and font
#   scripts/setup.sh --print-windows-cmake-args
#                                        the same for the Windows cross-build
#                                        (its SDL3, when built, turns the client on)
#
# What it does, each step only when needed:
#   1. Debian packages: compiler, CMake, Ninja, stb, GoogleTest, Google
#      Benchmark, clang with libFuzzer, the Mesa EGL/GL runtime for headless
#      tests, SDL3's build dependencies, the checkers of the install test
#      (desktop-file-utils, groff-base), and for the Windows build mingw-w64
#      (the POSIX-threads g++) and Wine, which runs its tests.
#   2. SDL3: the distribution's package when it has one; otherwise the next
#      Debian release's source package, built once as a static library into
#      $SKORVIA_DEPS_DIR/sdl3. With --windows, the same source package is
#      also cross-built for Windows into $SKORVIA_DEPS_DIR/sdl3-windows.
#   3. The font: Fira Sans Regular from the npm registry, checked against its
#      SHA-256, kept as $SKORVIA_DEPS_DIR/font/FiraSans-Regular.ttf; and the
#      copy the game embeds, FiraSans-Regular-kern.ttf beside it, whose pair
#      kerning stb_truetype can read (scripts/kern_font.py, with fontTools),
#      checked against its own SHA-256.
#
# SKORVIA_DEPS_DIR defaults to /var/cache/skorvia-deps (or
# ~/.cache/skorvia-deps when that is not writable). Nothing is written into the
# repository. Every failure ends with one line naming what is missing and how
# to get it; an interrupted run leaves nothing half-built behind.
set -euo pipefail

SCRIPTS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

FONT_PACKAGE=@expo-google-fonts/fira-sans
FONT_VERSION=0.4.1
FONT_MEMBER=400Regular/FiraSans_400Regular.ttf
FONT_SHA256=3dabf3d48bf4599f95cffd92f99ea426a014d5311f52a5eb5ec3af265e97cd97
KERNED_FONT_SHA256=292b8debc8aceb2bed31d95f167e747dcedfa9edcf6f34cc8be975dec76c6e3b
SDL3_SOURCE_PACKAGE=libsdl3
SDL3_SOURCE_SUITE=trixie
SDL3_STAMP=.skorvia-sdl3-complete
SOURCE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
MINGW_TOOLCHAIN=$SOURCE_ROOT/cmake/mingw-w64-x86_64.cmake

# ---------------------------------------------------------------- locations

deps_dir() {
  if [ -n "${SKORVIA_DEPS_DIR:-}" ]; then
    echo "$SKORVIA_DEPS_DIR"
  elif [ -w /var/cache ] || [ -w /var/cache/skorvia-deps ]; then
    echo /var/cache/skorvia-deps
  else
    echo "${XDG_CACHE_HOME:-$HOME/.cache}/skorvia-deps"
  fi
}

DEPS_DIR=$(deps_dir)
SDL3_PREFIX=$DEPS_DIR/sdl3
SDL3_WINDOWS_PREFIX=$DEPS_DIR/sdl3-windows
SDL3_SOURCE_DIR=$DEPS_DIR/sdl3-source  # the source package's files, kept for the next build
FONT_FILE=$DEPS_DIR/font/FiraSans-Regular.ttf
KERNED_FONT_FILE=$DEPS_DIR/font/FiraSans-Regular-kern.ttf
LOG_DIR=$DEPS_DIR/logs

say() { echo "setup: $*"; }
fail() { echo "setup: error: $*" >&2; exit 1; }

system_sdl3() { pkg-config --exists sdl3 2>/dev/null; }
cached_sdl3() { [ -f "$SDL3_PREFIX/$SDL3_STAMP" ]; }
file_ok() { [ -f "$1" ] && [ "$(sha256sum "$1" | cut -d' ' -f1)" = "$2" ]; }
font_ok() { file_ok "$FONT_FILE" "$FONT_SHA256"; }
kerned_font_ok() { file_ok "$KERNED_FONT_FILE" "$KERNED_FONT_SHA256"; }
cached_sdl3_windows() { [ -f "$SDL3_WINDOWS_PREFIX/$SDL3_STAMP" ]; }

print_cmake_args() {
  local args=()
  if ! system_sdl3 && cached_sdl3; then
    args+=("-DCMAKE_PREFIX_PATH=$SDL3_PREFIX")
  fi
  args+=("-DSKORVIA_FONT_FILE=$KERNED_FONT_FILE")
  echo "${args[@]}"
}

# The Windows tree: the toolchain, the font, stb and GoogleTest from their
# Debian packages (header-only, or built from source with the tree), and the
# client only when SDL3 for Windows is built.
print_windows_cmake_args() {
  local args=("-DCMAKE_TOOLCHAIN_FILE=$MINGW_TOOLCHAIN" "-DSKORVIA_FONT_FILE=$KERNED_FONT_FILE"
              "-DSTB_INCLUDE_DIR=/usr/include/stb" "-DSKORVIA_GTEST_SOURCE_DIR=/usr/src/googletest")
  if cached_sdl3_windows; then
    args+=("-DSDL3_DIR=$SDL3_WINDOWS_PREFIX/lib/cmake/SDL3" -DSKORVIA_BUILD_CLIENT=ON)
  else
    args+=(-DSKORVIA_BUILD_CLIENT=OFF)
  fi
  echo "${args[@]}"
}

# ---------------------------------------------------------------- Debian packages

REQUIRED_PACKAGES=(
  g++ cmake ninja-build pkg-config make ca-certificates xz-utils
  libstb-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev nlohmann-json3-dev libssl-dev openssl
  libmicrohttpd-dev libcurl4-openssl-dev
  clang
  libegl1 libgl1 libgles2 libegl-mesa0 libgl1-mesa-dri libgbm1
  libx11-dev libxext-dev libxrandr-dev libxcursor-dev libxi-dev libxfixes-dev
  libxss-dev libxtst-dev libxkbcommon-dev
  libwayland-dev wayland-protocols
  libegl-dev libgl-dev libgles-dev libdrm-dev libgbm-dev
  libpulse-dev libasound2-dev libdbus-1-dev libudev-dev
  desktop-file-utils groff-base
  python3 python3-fonttools
  g++-mingw-w64-x86-64-posix wine wine64
)
# Installed when the archive has them; the build works without. `make mutants`
# rebuilds through ccache when it is there.
OPTIONAL_PACKAGES=(libclang-rt-14-dev libdecor-0-dev libpipewire-0.3-dev xvfb ccache)
# Only needed while SDL3 is built from source.
SDL3_SOURCE_PACKAGES=(dpkg-dev)

is_installed() {
  [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | cut -c1-2)" = ii ]
}

is_available() {
  local policy
  policy=$(apt-cache policy "$1" 2>/dev/null) || return 1
  [[ "$policy" == *"Candidate: "[!\(]* ]]
}

SUDO=()
APT_UPDATED=no
SCRATCH=  # the temporary folder of the step under way, removed on any exit
trap '[ -z "$SCRATCH" ] || rm -rf "$SCRATCH"' EXIT

need_root() { # what
  if [ "$(id -u)" = 0 ]; then return 0; fi
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then SUDO=(sudo -n); return 0; fi
  fail "$1 needs root: run 'sudo $0' once, or install it yourself"
}

apt_update_once() {
  [ "$APT_UPDATED" = yes ] && return 0
  mkdir -p "$LOG_DIR"
  say "updating the Debian package lists"
  "${SUDO[@]}" apt-get update -q >"$LOG_DIR/apt-update.log" 2>&1 ||
    fail "apt-get update failed (log: $LOG_DIR/apt-update.log): check that the Debian package archive is reachable"
  APT_UPDATED=yes
}

apt_install() { # packages...
  mkdir -p "$LOG_DIR"
  say "installing Debian packages: $*"
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "$@" \
    >"$LOG_DIR/apt-install.log" 2>&1 ||
    fail "could not install Debian packages ($*), log: $LOG_DIR/apt-install.log; install them with: apt-get install $*"
}

install_missing() { # required(yes|no) packages...
  local required=$1; shift
  local missing=() p
  for p in "$@"; do is_installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  need_root "installing ${missing[*]}"
  apt_update_once
  local wanted=() absent=()
  for p in "${missing[@]}"; do
    if is_available "$p"; then wanted+=("$p"); else absent+=("$p"); fi
  done
  if [ ${#absent[@]} -gt 0 ]; then
    if [ "$required" = yes ]; then
      fail "the package archive has no ${absent[*]}: add a Debian 12 (or newer) archive to the apt sources, or install the equivalent by hand"
    fi
    say "not available here, skipped: ${absent[*]}"
  fi
  [ ${#wanted[@]} -eq 0 ] || apt_install "${wanted[@]}"
}

install_packages() {
  install_missing yes "${REQUIRED_PACKAGES[@]}"
  install_missing no "${OPTIONAL_PACKAGES[@]}"
}

# Without apt (another distribution) only check what the build needs.
check_tools() {
  local t
  for t in cmake ninja pkg-config c++; do
    command -v "$t" >/dev/null || fail "$t is missing: install it with your system's package manager"
  done
  system_sdl3 || cached_sdl3 ||
    fail "SDL3 is missing: install its development package (pkg-config name sdl3), or build it and pass -DCMAKE_PREFIX_PATH to CMake yourself"
}

# ---------------------------------------------------------------- SDL3

# The Debian archive URI this machine already uses (never a fixed host name).
debian_archive_uri() {
  local f uri=""
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    uri=$(awk '$1 ~ /^deb(-src)?$/ {
                 i = 2; if ($2 ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                 if ($i !~ /security/ && $(i+1) !~ /-(security|updates|backports)$/) { print $i; exit }
               }' "$f")
    [ -n "$uri" ] && { echo "$uri"; return 0; }
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    uri=$(awk 'BEGIN { RS = ""; FS = "\n" }
               {
                 u = ""; s = ""
                 for (i = 1; i <= NF; i++) {
                   if ($i ~ /^URIs:/) { u = $i; sub(/^URIs:[ \t]*/, "", u); sub(/[ \t].*/, "", u) }
                   if ($i ~ /^Suites:/) { s = $i }
                 }
                 if (u != "" && u !~ /security/ && s ~ /(bookworm|trixie|stable|testing|sid|unstable)([ \t]|$)/) { print u; exit }
               }' "$f")
    [ -n "$uri" ] && { echo "$uri"; return 0; }
  done
  return 1
}

distribution_sdl3() {
  system_sdl3 && return 0
  command -v apt-cache >/dev/null || return 1
  if ! is_available libsdl3-dev; then
    [ "$APT_UPDATED" = yes ] && return 1
    # A stale package list may not know the package yet: ask once more after an update.
    [ "$(id -u)" = 0 ] || return 1
    apt_update_once
    is_available libsdl3-dev || return 1
  fi
  install_missing yes libsdl3-dev
  system_sdl3
}

# Downloads the source package's files (.dsc and its archives) once into
# $SDL3_SOURCE_DIR; both SDL3 builds unpack them from there.
fetch_sdl3_source() {
  [ -f "$SDL3_SOURCE_DIR/$SDL3_STAMP" ] && return 0
  rm -rf "$SDL3_SOURCE_DIR"
  local uri
  uri=$(debian_archive_uri) ||
    fail "no Debian archive found in /etc/apt/sources.list*: add one, or install SDL3 yourself and pass -DCMAKE_PREFIX_PATH"
  mkdir -p "$DEPS_DIR" "$LOG_DIR"
  local work
  work=$(mktemp -d "$DEPS_DIR/sdl3-source.XXXXXX")
  SCRATCH=$work
  local log=$LOG_DIR/sdl3-source.log
  : >"$log"
  say "fetching the SDL3 source ($SDL3_SOURCE_PACKAGE from Debian $SDL3_SOURCE_SUITE)"
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/files"
  echo "deb-src $uri $SDL3_SOURCE_SUITE main" >"$work/apt/sources.list"
  local apt_tmp=(
    -o "Dir::Etc::sourcelist=$work/apt/sources.list"
    -o "Dir::Etc::sourceparts=-"
    -o "Dir::State::Lists=$work/apt/lists"
    -o "Dir::Cache=$work/apt/cache"
    -o "Acquire::Languages=none"
    -o "APT::Sandbox::User=root"
  )
  apt-get "${apt_tmp[@]}" update -q >>"$log" 2>&1 ||
    fail "could not read the Debian $SDL3_SOURCE_SUITE source index from $uri (log: $log): check that the archive is reachable"
  (cd "$work/files" && apt-get "${apt_tmp[@]}" source --download-only --only-source -q "$SDL3_SOURCE_PACKAGE") >>"$log" 2>&1 ||
    fail "could not fetch the $SDL3_SOURCE_PACKAGE source package (log: $log): check that the Debian archive is reachable"
  ls "$work/files"/*.dsc >/dev/null 2>&1 || fail "the $SDL3_SOURCE_PACKAGE source package has no .dsc file (log: $log)"
  echo "$SDL3_SOURCE_PACKAGE from $SDL3_SOURCE_SUITE" >"$work/files/$SDL3_STAMP"
  mv "$work/files" "$SDL3_SOURCE_DIR"
  rm -rf "$work"
  SCRATCH=
}

# build_sdl3_into PREFIX WHAT [CMAKE ARGS...]: unpacks the cached source and
# builds it as a static library into PREFIX (WHAT names the build in messages
# and its log). Only a complete installation takes the final name.
build_sdl3_into() {
  local prefix=$1 what=$2
  shift 2
  install_missing yes "${SDL3_SOURCE_PACKAGES[@]}"
  fetch_sdl3_source
  mkdir -p "$DEPS_DIR" "$LOG_DIR"
  local work
  work=$(mktemp -d "$DEPS_DIR/$(basename "$prefix")-build.XXXXXX")
  SCRATCH=$work
  local log=$LOG_DIR/$(basename "$prefix")-build.log
  : >"$log"
  (cd "$work" && dpkg-source -x "$SDL3_SOURCE_DIR"/*.dsc src) >>"$log" 2>&1 ||
    fail "the $SDL3_SOURCE_PACKAGE source package did not unpack (log: $log)"
  local src=$work/src
  [ -f "$src/CMakeLists.txt" ] || fail "the $SDL3_SOURCE_PACKAGE source package did not unpack (log: $log)"
  local version
  version=$(sed -n 's/^Version: //p' "$SDL3_SOURCE_DIR"/*.dsc | head -n 1)

  say "building SDL3 $version $what (takes a few minutes on 2 cores; log: $log)"
  cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_INSTALL_LIBDIR=lib \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON \
    -DSDL_TESTS=OFF -DSDL_TEST_LIBRARY=OFF -DSDL_EXAMPLES=OFF -DSDL_INSTALL_TESTS=OFF \
    -DSDL_DISABLE_INSTALL_DOCS=ON "$@" \
    >>"$log" 2>&1 || fail "SDL3 ($what) did not configure (log: $log): are its build dependencies installed?"
  nice -n 10 cmake --build "$work/build" -j 2 >>"$log" 2>&1 || fail "SDL3 ($what) did not build (log: $log)"
  DESTDIR="$work/stage" cmake --install "$work/build" >>"$log" 2>&1 || fail "SDL3 ($what) did not install (log: $log)"
  [ -d "$work/stage$prefix" ] || fail "SDL3 ($what) installed nowhere expected (log: $log)"
  echo "libsdl3-$version" >"$work/stage$prefix/$SDL3_STAMP"

  rm -rf "$prefix"
  mv "$work/stage$prefix" "$prefix"
  rm -rf "$work"
  SCRATCH=
  say "SDL3 ($what) installed in $prefix"
}

build_sdl3() { build_sdl3_into "$SDL3_PREFIX" "for this system" -DCMAKE_POSITION_INDEPENDENT_CODE=ON; }

ensure_sdl3_windows() {
  cached_sdl3_windows && return 0
  [ -e "$SDL3_WINDOWS_PREFIX" ] && rm -rf "$SDL3_WINDOWS_PREFIX"
  # Debian's source package leaves out the prebuilt Direct3D shaders: the game
  # draws with OpenGL, so SDL's own Direct3D renderers and GPU API go.
  build_sdl3_into "$SDL3_WINDOWS_PREFIX" "for Windows" -DCMAKE_TOOLCHAIN_FILE="$MINGW_TOOLCHAIN" \
    -DSDL_RENDER_D3D=OFF -DSDL_RENDER_D3D11=OFF -DSDL_RENDER_D3D12=OFF -DSDL_GPU=OFF -DSDL_RENDER_GPU=OFF
}

ensure_sdl3() {
  system_sdl3 && return 0
  cached_sdl3 && return 0
  # A folder without the stamp is what an interrupted run of an older set-up left.
  [ -e "$SDL3_PREFIX" ] && rm -rf "$SDL3_PREFIX"
  distribution_sdl3 && return 0
  build_sdl3
}

# ---------------------------------------------------------------- font

ensure_npm() {
  command -v npm >/dev/null && return 0
  command -v apt-get >/dev/null ||
    fail "npm is missing (needed once to fetch the font): install Node.js with npm"
  install_missing yes nodejs npm
}

# Gives a finished file of the step under way its final name when its SHA-256
# is the expected one (through a temporary name beside it), then removes the
# step's scratch folder.
keep_checked() { # file sha256 destination what
  local sum
  sum=$(sha256sum "$1" | cut -d' ' -f1)
  [ "$sum" = "$2" ] || fail "checksum mismatch for $4: got $sum, expected $2; refusing the file"
  mv "$1" "$3.tmp"
  mv "$3.tmp" "$3"
  rm -rf "$SCRATCH"
  SCRATCH=
}

fetch_font() {
  ensure_npm
  mkdir -p "$(dirname "$FONT_FILE")" "$LOG_DIR"
  local work
  work=$(mktemp -d "$DEPS_DIR/font-fetch.XXXXXX")
  SCRATCH=$work
  local log=$LOG_DIR/font-fetch.log
  say "fetching the font ($FONT_PACKAGE $FONT_VERSION)"
  if ! (cd "$work" && npm pack --cache "$work/npm-cache" "$FONT_PACKAGE@$FONT_VERSION") >"$log" 2>&1; then
    local reason
    reason=$(sed -n 's/^npm ERR! code //p' "$log" | head -n 1)
    fail "could not fetch $FONT_PACKAGE@$FONT_VERSION with npm pack${reason:+ ($reason)}, log: $log; check that the npm registry is reachable (and trusted: npm's cafile setting)"
  fi
  local tarball
  tarball=$(find "$work" -maxdepth 1 -name '*.tgz' | head -n 1)
  [ -n "$tarball" ] || fail "npm pack produced no archive for $FONT_PACKAGE@$FONT_VERSION (log: $log)"
  tar -xzf "$tarball" -C "$work" "package/$FONT_MEMBER" >>"$log" 2>&1 ||
    fail "$FONT_PACKAGE@$FONT_VERSION has no $FONT_MEMBER (log: $log)"
  keep_checked "$work/package/$FONT_MEMBER" "$FONT_SHA256" "$FONT_FILE" "$FONT_MEMBER of $FONT_PACKAGE@$FONT_VERSION"
  say "font saved as $FONT_FILE"
}

ensure_font() {
  font_ok && return 0
  rm -f "$FONT_FILE"
  fetch_font
}

# A Python that has fontTools: Debian's python3-fonttools belongs to the
# system's /usr/bin/python3, which another python3 on the path may hide.
fonttools_python() {
  local p
  for p in /usr/bin/python3 python3; do
    command -v "$p" >/dev/null && "$p" -c 'import fontTools' 2>/dev/null && { echo "$p"; return 0; }
  done
  return 1
}

derive_kerned_font() {
  local python
  python=$(fonttools_python) ||
    fail "Python 3 with fontTools is missing (needed once to derive the kerned font): install python3-fonttools, or fontTools with pip"
  local work
  work=$(mktemp -d "$DEPS_DIR/font-kern.XXXXXX")
  SCRATCH=$work
  mkdir -p "$(dirname "$KERNED_FONT_FILE")" "$LOG_DIR"
  local log=$LOG_DIR/font-kern.log
  say "deriving the kerned font"
  "$python" "$SCRIPTS_DIR/kern_font.py" "$FONT_FILE" "$work/font.ttf" >"$log" 2>&1 ||
    fail "could not derive the kerned font from $FONT_FILE (log: $log)"
  keep_checked "$work/font.ttf" "$KERNED_FONT_SHA256" "$KERNED_FONT_FILE" "the kerned font derived from $FONT_FILE (log: $log)"
  say "kerned font saved as $KERNED_FONT_FILE"
}

ensure_kerned_font() {
  kerned_font_ok && return 0
  rm -f "$KERNED_FONT_FILE"
  derive_kerned_font
}

# ---------------------------------------------------------------- main

main() { # [windows]
  mkdir -p "$DEPS_DIR" 2>/dev/null ||
    fail "cannot create $DEPS_DIR: set SKORVIA_DEPS_DIR to a writable folder"
  # One set-up at a time: parallel builds wait instead of building SDL3 twice.
  exec 9>"$DEPS_DIR/.lock"
  flock 9
  if command -v apt-get >/dev/null && command -v dpkg-query >/dev/null; then
    install_packages
    ensure_sdl3
  else
    check_tools
  fi
  ensure_font
  ensure_kerned_font
  if [ "${1:-}" = windows ]; then
    command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
      fail "the Windows build needs mingw-w64's g++ (POSIX threads): apt-get install g++-mingw-w64-x86-64-posix"
    ensure_sdl3_windows
  fi
}

case "${1:-}" in
  --print-cmake-args) print_cmake_args ;;
  --print-windows-cmake-args) print_windows_cmake_args ;;
  --windows) main windows ;;
  "") main ;;
  *) echo "usage: $0 [--windows | --print-cmake-args | --print-windows-cmake-args]" >&2; exit 2 ;;
esac
