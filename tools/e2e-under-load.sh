#!/usr/bin/env bash
# Runs the end-to-end scenarios of the 64-bit and the 32-bit build RUNS times (3 unless
# given) while two busy loops keep both cores loaded, and prints how many runs passed.
# Expects built trees (build/win64, build/win32; CIFRONA_LOAD_BUILDS="win64" for one); starts
# its own Xvfb and the test prefix.
#   bash tools/e2e-under-load.sh [RUNS] [CTEST ARGS...]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
runs=${1:-3}
shift || true
source tools/xvfb.sh
cifrona_start_xvfb
export CIFRONA_WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
bash tools/wine-prefix.sh
load=()
for _ in 1 2; do
  yes >/dev/null &
  load+=($!)
done
trap 'kill "${load[@]}" 2>/dev/null || true; WINEPREFIX="$CIFRONA_WINEPREFIX" wineserver -k 2>/dev/null || true; kill $CIFRONA_XVFB_PID 2>/dev/null || true' EXIT
log="$repo/build/e2e-under-load.log"
: >"$log"
passed=0 total=0
for run in $(seq "$runs"); do
  for build in ${CIFRONA_LOAD_BUILDS:-win64 win32}; do
    pattern='^e2e\.'
    [[ $build == win32 ]] && pattern='^e2e32\.'
    [[ -d build/$build ]] || continue
    total=$((total + 1))
    echo "== run $run, $build" | tee -a "$log"
    if ctest --test-dir "build/$build" -R "$pattern" --output-on-failure "$@" >"$log.run" 2>&1; then
      passed=$((passed + 1))
      echo "   passed" | tee -a "$log"
    else
      echo "   FAILED:$(grep -E '^\s+[0-9]+ - ' "$log.run" | tr -s ' \t' ' ' | tr '\n' ';')" | tee -a "$log"
    fi
    cat "$log.run" >>"$log"
  done
done
rm -f "$log.run"
echo "suite runs passed under load: $passed of $total (log: $log)"
