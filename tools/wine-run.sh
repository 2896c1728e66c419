#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's test prefix (CTest's emulator).
# Its output goes through files, not straight to the caller: a Wine service process that the
# program starts (and that outlives it) inherits the program's output handles, and holding
# CTest's pipe it would keep a passed test waiting until its time-out.
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d}"
so=$(mktemp) se=$(mktemp)
trap 'rm -f "$so" "$se"' EXIT
rc=0
wine "$@" >"$so" 2>"$se" </dev/null || rc=$?
cat "$so"
cat "$se" >&2
exit "$rc"
