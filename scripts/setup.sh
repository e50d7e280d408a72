#!/usr/bin/env bash
# Installs everything skorvia needs to build, run and test, and does nothing
# when all of it is already there. Both `make run` and `make test` call it.
#
#   scripts/setup.sh                     install what is missing
#   scripts/setup.sh --print-cmake-args  print the CMake arguments that point a
#                                        build at the cached SDL3 and font
#
# What it does, each step only when needed:
#   1. Debian packages: compiler, CMake, Ninja, stb, GoogleTest, Google
#      Benchmark, clang with libFuzzer, the Mesa EGL/GL runtime for headless
#      tests, SDL3's build dependencies, and the checkers of the install
#      test (desktop-file-utils, groff-base).
#   2. SDL3: the distribution's package when it has one; otherwise the next
#      Debian release's source package, built once as a static library into
#      $SKORVIA_DEPS_DIR/sdl3.
#   3. The font: Fira Sans Regular from the npm registry, checked against its
#      SHA-256, kept as $SKORVIA_DEPS_DIR/font/FiraSans-Regular.ttf.
#
# SKORVIA_DEPS_DIR defaults to /var/cache/skorvia-deps (or
# ~/.cache/skorvia-deps when that is not writable). Nothing is written into the
# repository. Every failure ends with one line naming what is missing and how
# to get it; an interrupted run leaves nothing half-built behind.
set -euo pipefail

FONT_PACKAGE=@expo-google-fonts/fira-sans
FONT_VERSION=0.4.1
FONT_MEMBER=400Regular/FiraSans_400Regular.ttf
FONT_SHA256=3dabf3d48bf4599f95cffd92f99ea426a014d5311f52a5eb5ec3af265e97cd97
SDL3_SOURCE_PACKAGE=libsdl3
SDL3_SOURCE_SUITE=trixie
SDL3_STAMP=.skorvia-sdl3-complete

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
FONT_FILE=$DEPS_DIR/font/FiraSans-Regular.ttf
LOG_DIR=$DEPS_DIR/logs

say() { echo "setup: $*"; }
fail() { echo "setup: error: $*" >&2; exit 1; }

system_sdl3() { pkg-config --exists sdl3 2>/dev/null; }
cached_sdl3() { [ -f "$SDL3_PREFIX/$SDL3_STAMP" ]; }
font_ok() { [ -f "$FONT_FILE" ] && [ "$(sha256sum "$FONT_FILE" | cut -d' ' -f1)" = "$FONT_SHA256" ]; }

print_cmake_args() {
  local args=()
  if ! system_sdl3 && cached_sdl3; then
    args+=("-DCMAKE_PREFIX_PATH=$SDL3_PREFIX")
  fi
  args+=("-DSKORVIA_FONT_FILE=$FONT_FILE")
  echo "${args[@]}"
}

# ---------------------------------------------------------------- Debian packages

REQUIRED_PACKAGES=(
  g++ cmake ninja-build pkg-config make ca-certificates xz-utils
  libstb-dev googletest libgtest-dev libgmock-dev libbenchmark-dev
  libcpp-httplib-dev nlohmann-json3-dev libssl-dev openssl
  clang
  libegl1 libgl1 libgles2 libegl-mesa0 libgl1-mesa-dri libgbm1
  libx11-dev libxext-dev libxrandr-dev libxcursor-dev libxi-dev libxfixes-dev
  libxss-dev libxtst-dev libxkbcommon-dev
  libwayland-dev wayland-protocols
  libegl-dev libgl-dev libgles-dev libdrm-dev libgbm-dev
  libpulse-dev libasound2-dev libdbus-1-dev libudev-dev
  desktop-file-utils groff-base
)
# Installed when the archive has them; the build works without.
OPTIONAL_PACKAGES=(libclang-rt-14-dev libdecor-0-dev libpipewire-0.3-dev xvfb)
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

build_sdl3() {
  install_missing yes "${SDL3_SOURCE_PACKAGES[@]}"
  local uri
  uri=$(debian_archive_uri) ||
    fail "no Debian archive found in /etc/apt/sources.list*: add one, or install SDL3 yourself and pass -DCMAKE_PREFIX_PATH"
  mkdir -p "$DEPS_DIR" "$LOG_DIR"
  local work
  work=$(mktemp -d "$DEPS_DIR/sdl3-build.XXXXXX")
  SCRATCH=$work
  local log=$LOG_DIR/sdl3-build.log
  : >"$log"

  say "fetching the SDL3 source ($SDL3_SOURCE_PACKAGE from Debian $SDL3_SOURCE_SUITE)"
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/src"
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
  (cd "$work/src" && apt-get "${apt_tmp[@]}" source --only-source -q "$SDL3_SOURCE_PACKAGE") >>"$log" 2>&1 ||
    fail "could not fetch the $SDL3_SOURCE_PACKAGE source package (log: $log): check that the Debian archive is reachable"
  local src
  src=$(find "$work/src" -mindepth 1 -maxdepth 1 -type d | head -n 1)
  [ -n "$src" ] && [ -f "$src/CMakeLists.txt" ] || fail "the $SDL3_SOURCE_PACKAGE source package did not unpack (log: $log)"

  say "building SDL3 $(basename "$src") (takes about 90 s on 2 cores; log: $log)"
  cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$SDL3_PREFIX" \
    -DCMAKE_INSTALL_LIBDIR=lib \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON \
    -DSDL_TESTS=OFF -DSDL_TEST_LIBRARY=OFF -DSDL_EXAMPLES=OFF -DSDL_INSTALL_TESTS=OFF \
    -DSDL_DISABLE_INSTALL_DOCS=ON \
    >>"$log" 2>&1 || fail "SDL3 did not configure (log: $log): are its build dependencies installed?"
  cmake --build "$work/build" -j 2 >>"$log" 2>&1 || fail "SDL3 did not build (log: $log)"
  DESTDIR="$work/stage" cmake --install "$work/build" >>"$log" 2>&1 || fail "SDL3 did not install (log: $log)"
  [ -d "$work/stage$SDL3_PREFIX" ] || fail "SDL3 installed nowhere expected (log: $log)"
  basename "$src" >"$work/stage$SDL3_PREFIX/$SDL3_STAMP"

  # Only a complete installation takes the final name.
  rm -rf "$SDL3_PREFIX"
  mv "$work/stage$SDL3_PREFIX" "$SDL3_PREFIX"
  rm -rf "$work"
  SCRATCH=
  say "SDL3 installed in $SDL3_PREFIX"
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
  local sum
  sum=$(sha256sum "$work/package/$FONT_MEMBER" | cut -d' ' -f1)
  [ "$sum" = "$FONT_SHA256" ] ||
    fail "checksum mismatch for $FONT_MEMBER of $FONT_PACKAGE@$FONT_VERSION: got $sum, expected $FONT_SHA256; refusing the file"
  mv "$work/package/$FONT_MEMBER" "$FONT_FILE.tmp"
  mv "$FONT_FILE.tmp" "$FONT_FILE"
  rm -rf "$work"
  SCRATCH=
  say "font saved as $FONT_FILE"
}

ensure_font() {
  font_ok && return 0
  rm -f "$FONT_FILE"
  fetch_font
}

# ---------------------------------------------------------------- main

main() {
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
}

case "${1:-}" in
  --print-cmake-args) print_cmake_args ;;
  "") main ;;
  *) echo "usage: $0 [--print-cmake-args]" >&2; exit 2 ;;
esac
