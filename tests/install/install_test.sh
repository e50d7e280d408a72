#!/usr/bin/env bash
# Installs a build into a temporary DESTDIR, checks the installed tree, then
# runs the installed server the way its service does: it must come up, answer
# the status query and end with exit status 0 on SIGTERM.
#
#   install_test.sh <cmake> <build folder> <scratch folder> client|server-only
#
# The layout comes from the environment, as the build configured it:
# BINDIR, DATADIR, MANDIR, DOCDIR, UNITDIR (each relative to the prefix, or
# absolute).
set -euo pipefail

CMAKE=$1
BUILD=$2
SCRATCH_BASE=$3
WITH_CLIENT=$([ "$4" = client ] && echo yes || echo no)
# Not the configured prefix: the units must name the server where this install
# puts it.
PREFIX=/opt/skorvia-install-test
PROTOCOL_VERSION=21

mkdir -p "$SCRATCH_BASE"
WORK=$(mktemp -d "$SCRATCH_BASE/run.XXXXXX")
ROOT=$WORK/root
SERVER_PID=
failures=0

cleanup() {
  if [ -n "$SERVER_PID" ] && kill -0 "$SERVER_PID" 2>/dev/null; then kill -KILL "$SERVER_PID" 2>/dev/null || true; fi
  if [ "$failures" -eq 0 ]; then rm -rf "$WORK"; else echo "the installed tree is kept in $WORK"; fi
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "skipped: $*"; }

# A configured folder as an absolute path without DESTDIR.
installed() { case $1 in /*) echo "$1" ;; *) echo "$PREFIX/$1" ;; esac; }

SERVER=$(installed "$BINDIR")/skorvia-server
CLIENT=$(installed "$BINDIR")/skorvia
DESKTOP=$(installed "$DATADIR")/applications/skorvia.desktop
ICON=$(installed "$DATADIR")/icons/hicolor/256x256/apps/skorvia.png
MAN6=$(installed "$MANDIR")/man6
LICENCE=$(installed "$DOCDIR")/FiraSans-OFL.txt
UNITS=$(installed "$UNITDIR")

# ------------------------------------------------------------------ install
if ! DESTDIR=$ROOT "$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1; then
  cat "$WORK/install.log"
  fail "cmake --install failed"
  exit 1
fi

expect_file() { # path (without DESTDIR)
  [ -s "$ROOT$1" ] || fail "not installed: $1"
}
expect_program() {
  [ -f "$ROOT$1" ] && [ -x "$ROOT$1" ] || fail "not installed as a program: $1"
}

expect_program "$SERVER"
REGISTRY=$(installed "$BINDIR")/skorvia-registry
WITH_REGISTRY=no
[ -e "$ROOT$REGISTRY" ] && WITH_REGISTRY=yes
if [ "$WITH_REGISTRY" = yes ]; then
  expect_program "$REGISTRY"
  expect_file "$MAN6/skorvia-registry.6"
  expect_file "$UNITS/skorvia-registry.service"
fi
expect_file "$MAN6/skorvia-server.6"
expect_file "$UNITS/skorvia-server.service"
expect_file "$UNITS/skorvia-server@.service"
if [ "$WITH_CLIENT" = yes ]; then
  expect_program "$CLIENT"
  expect_file "$DESKTOP"
  expect_file "$ICON"
  expect_file "$MAN6/skorvia.6"
  expect_file "$LICENCE"
fi
[ "$failures" -eq 0 ] || exit 1

# ------------------------------------------------------------ menu and icon
if [ "$WITH_CLIENT" = yes ]; then
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$ROOT$DESKTOP" || fail "desktop-file-validate rejects skorvia.desktop"
  else
    skip "desktop-file-validate is not installed"
  fi
  # The entry starts the installed program and names the installed icon.
  grep -qx 'Exec=skorvia' "$ROOT$DESKTOP" || fail "the desktop entry does not run skorvia"
  grep -qx 'Icon=skorvia' "$ROOT$DESKTOP" || fail "the desktop entry does not name the icon skorvia"

  # A PNG whose header says 256 x 256, 8-bit RGBA.
  header=$(od -An -tx1 -N26 "$ROOT$ICON" | tr -d ' \n')
  [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "the icon is not a PNG"
  [ "${header:24:8}" = 49484452 ] || fail "the icon's PNG has no header chunk first"
  [ "${header:32:16}" = 0000010000000100 ] || fail "the icon is not 256 x 256 (header ${header:32:16})"
  [ "${header:48:4}" = 0806 ] || fail "the icon is not 8-bit RGBA (depth and colour type ${header:48:4})"

  grep -q 'SIL Open Font License' "$ROOT$LICENCE" || fail "the font licence is not the SIL Open Font License"
fi

# --------------------------------------------------------------- man pages
pages=("$MAN6/skorvia-server.6")
[ "$WITH_CLIENT" = yes ] && pages+=("$MAN6/skorvia.6")
[ "$WITH_REGISTRY" = yes ] && pages+=("$MAN6/skorvia-registry.6")
for page in "${pages[@]}"; do
  name=$(basename "$page" .6)
  title=$(echo "$name" | tr '[:lower:]' '[:upper:]')
  grep -q "^\.TH $title 6 " "$ROOT$page" || fail "$page does not start as $title(6)"
  if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$ROOT$page" 2>&1) || true
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
  fi
done
command -v groff >/dev/null || skip "groff is not installed: the man pages are not checked for roff faults"

# Every option that an installed program's usage names is in its man page.
check_options() { # program, man page
  local usage options option roff_option
  usage=$("$ROOT$1" --help) || fail "$(basename "$1") --help does not exit with 0"
  options=$(grep -o -- '--[a-z][a-z-]*' <<<"$usage" | sort -u)
  [ -n "$options" ] || fail "$(basename "$1") --help names no option"
  for option in $options; do
    roff_option=${option//-/\\-}
    grep -qF -- "$roff_option" "$ROOT$2" || fail "the man page $(basename "$2") lacks $option"
  done
}
check_options "$SERVER" "$MAN6/skorvia-server.6"
[ "$WITH_REGISTRY" = yes ] && check_options "$REGISTRY" "$MAN6/skorvia-registry.6"

# ------------------------------------------------------------------ units
check_unit() { # unit, the ExecStart it must have
  local unit=$ROOT$UNITS/$1
  grep -qxF "ExecStart=$2" "$unit" || fail "$1 does not start '$2': $(grep '^ExecStart=' "$unit")"
  local setting
  for setting in DynamicUser=yes NoNewPrivileges=yes ProtectSystem=strict ProtectHome=yes PrivateTmp=yes \
    Restart=on-failure; do
    grep -qx "$setting" "$unit" || fail "$1 lacks $setting"
  done
}
check_unit skorvia-server.service "$SERVER --port 7777"
check_unit skorvia-server@.service "$SERVER --port %i"
[ "$WITH_REGISTRY" = yes ] && check_unit skorvia-registry.service "$REGISTRY --port 7780"

if command -v systemd-analyze >/dev/null; then
  # The units name the server without DESTDIR; copies that name it inside the
  # tree let the checker find it.
  mkdir -p "$WORK/units"
  units=(skorvia-server.service skorvia-server@.service)
  checked=(./skorvia-server.service ./skorvia-server@7778.service)
  if [ "$WITH_REGISTRY" = yes ]; then
    units+=(skorvia-registry.service)
    checked+=(./skorvia-registry.service)
  fi
  for unit in "${units[@]}"; do
    sed -e "s|^ExecStart=$SERVER|ExecStart=$ROOT$SERVER|" -e "s|^ExecStart=$REGISTRY|ExecStart=$ROOT$REGISTRY|" \
      "$ROOT$UNITS/$unit" >"$WORK/units/$unit"
  done
  # Complaints about the machine's own units are not ours to judge.
  verified=0
  out=$(cd "$WORK/units" && systemd-analyze verify --man=no "${checked[@]}" 2>&1) || verified=$?
  if grep -q skorvia <<<"$out"; then
    fail "systemd-analyze verify: $out"
  elif [ "$verified" -ne 0 ]; then
    skip "systemd-analyze verify could not run here: $out"
  fi
else
  skip "systemd-analyze is not installed: the units are not verified"
fi

# ------------------------------------------------------ the installed server
LOG=$WORK/server.log
"$ROOT$SERVER" --port 0 2>"$LOG" &
SERVER_PID=$!

# Wait for the line with the port the system chose, or for the server to end.
port=
for _ in $(seq 600); do
  port=$(sed -n 's/^info: listening on 0\.0\.0\.0:\([0-9][0-9]*\)$/\1/p' "$LOG")
  [ -n "$port" ] && break
  kill -0 "$SERVER_PID" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$port" ]; then
  fail "the installed server did not log its port; its log:"
  cat "$LOG"
  exit 1
fi

reply=
if exec {status}<>"/dev/tcp/127.0.0.1/$port"; then
  printf 'check %s\n' "$PROTOCOL_VERSION" >&"$status"
  IFS= read -r -t 10 reply <&"$status" || true
  exec {status}>&-
fi
# The server names the newest protocol it speaks (21) and takes a client of 21.
[[ "$reply" == "skorvia status version=21 "*" compatible=yes"* ]] || fail "status query on port $port answered '$reply'"

kill -TERM "$SERVER_PID"
for _ in $(seq 600); do
  kill -0 "$SERVER_PID" 2>/dev/null || break
  sleep 0.05
done
if kill -0 "$SERVER_PID" 2>/dev/null; then
  fail "the server still runs 30 s after SIGTERM"
  exit 1
fi
code=0
wait "$SERVER_PID" || code=$?
SERVER_PID=
[ "$code" -eq 0 ] || { fail "the server ended with status $code on SIGTERM; its log:"; cat "$LOG"; }

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installed tree and server: all checks passed"
