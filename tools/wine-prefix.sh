#!/usr/bin/env bash
# Creates the private Wine prefix the tests use (Windows 10) once, and starts its
# server with a short persistence so CTest's pipes close quickly after each test.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
# Version 2: the Internet settings' proxy is a closed loopback port, so the program's update
# check (whose servers are hosts under .invalid) never looks up a name from a test; the update
# scenarios put their server there.
if [[ ! -e "$WINEPREFIX/.cifrona-ready-2" ]]; then
  echo "wine: creating the test prefix in $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineserver -k 2>/dev/null || true
  wine wineboot -i </dev/null >/dev/null 2>&1
  wine winecfg /v win10 </dev/null >/dev/null 2>&1
  inet='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
  wine reg add "$inet" /v ProxyServer /t REG_SZ /d 127.0.0.1:9 /f </dev/null >/dev/null 2>&1
  wine reg add "$inet" /v ProxyEnable /t REG_DWORD /d 1 /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.cifrona-ready-2"
fi
# A server already running for this prefix (a second call in one test run) is kept.
wineserver -p30 2>/dev/null || true
wine wineboot </dev/null >/dev/null 2>&1
