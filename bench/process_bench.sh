#!/usr/bin/env bash
# Whole-process costs of Cifrona.exe under Wine beside a minimal Win32 program doing the
# same at rest, in one run, reported as ratios: start-up to the first visible window,
# CPU used while idling, and resident memory.
#   bench/process_bench.sh [IDLE_SECONDS]      (after tools/build.sh)
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
idle="${1:-30}"
source "$repo/tools/xvfb.sh"
cifrona_start_xvfb
export CIFRONA_WINEPREFIX="$repo/.cache/wineprefix" WINEPREFIX="$repo/.cache/wineprefix" WINEDEBUG=-all
bash "$repo/tools/wine-prefix.sh"
trap 'wineserver -k 2>/dev/null || true; kill $CIFRONA_XVFB_PID 2>/dev/null || true' EXIT

measure() {  # measure EXE WINDOW_NAME_REGEX -> "startup_ms cpu_ms rss_kb"
  local exe="$1" name="$2" start pid comm
  comm=$(basename "$exe")
  start=$(date +%s%N)
  wine "$exe" >/dev/null 2>&1 &
  until xdotool search --onlyvisible --name "$name" >/dev/null 2>&1; do sleep 0.02; done
  local startup=$((($(date +%s%N) - start) / 1000000))
  pid=$(pgrep -n -f "$comm")
  local t0 t1
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$idle"
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  local rss
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  wine taskkill /F /IM "$comm" >/dev/null 2>&1 || kill "$pid"
  sleep 1
  echo "$startup $(((t1 - t0) * 1000 / $(getconf CLK_TCK))) $rss"
}

read -r b_start b_cpu b_rss < <(measure "$repo/build/win64/bench/baseline_win32.exe" '^Baseline$')
read -r c_start c_cpu c_rss < <(measure "$repo/build/win64/Cifrona.exe" '^Cifrona ')
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) b = 1; printf "%.2f", a / b }'; }
printf '%-28s %12s %12s %8s\n' "measure" "baseline" "Cifrona" "ratio"
printf '%-28s %12s %12s %8s\n' "start-up to window (ms)" "$b_start" "$c_start" "$(ratio "$c_start" "$b_start")"
printf '%-28s %12s %12s %8s\n' "CPU over ${idle} s idle (ms)" "$b_cpu" "$c_cpu" "$(ratio "$c_cpu" "$b_cpu")"
printf '%-28s %12s %12s %8s\n' "resident memory (KiB)" "$b_rss" "$c_rss" "$(ratio "$c_rss" "$b_rss")"
