#!/usr/bin/env bash
# Creates the private Wine prefix the tests use (Windows 10) once, and starts its
# server with a short persistence so CTest's pipes close quickly after each test.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
if [[ ! -e "$WINEPREFIX/.cifrona-ready" ]]; then
  echo "wine: creating the test prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineserver -k 2>/dev/null || true
  wine wineboot -i </dev/null >/dev/null 2>&1
  wine winecfg /v win10 </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.cifrona-ready"
fi
# A server already running for this prefix (a second call in one test run) is kept.
wineserver -p30 2>/dev/null || true
wine wineboot </dev/null >/dev/null 2>&1
