#!/usr/bin/env bash
# The reliability runs in full, for one build (win64 unless given): the program's INI
# replace killed KILLS times mid-write (100 unless set), and twenty copies started at once,
# STARTS times (5 unless set). The test command runs a shorter kill run (20) and one start.
#   bash tools/reliability.sh [win64|win32]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
build=${1:-win64}
prefix=e2e
[[ $build == win32 ]] && prefix=e2e32
source tools/xvfb.sh
cifrona_start_xvfb
export CIFRONA_WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
bash tools/wine-prefix.sh
trap 'WINEPREFIX="$CIFRONA_WINEPREFIX" wineserver -k 2>/dev/null || true; kill $CIFRONA_XVFB_PID 2>/dev/null || true' EXIT
CIFRONA_KILL_ROUNDS=${KILLS:-100} ctest --test-dir "build/$build" -R "^$prefix\\.kill_during_write\$" -V --timeout 3600 |
  grep -E '\[scenario_|FAIL|tests passed'
ctest --test-dir "build/$build" -R "^$prefix\\.start_twenty\$" --repeat "until-fail:${STARTS:-5}" --output-on-failure |
  grep -E 'Test #|FAIL|tests passed'
