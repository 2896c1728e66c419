#!/usr/bin/env bash
# Whole-process costs of Cifrona.exe under Wine beside a minimal Win32 program doing the
# same at rest, reported as medians and ratios. Both programs run at the same time in every
# round, so they share whatever load the machine has:
#   - start-up to the first visible window, CPU used while idling, resident memory, with
#     automatic colour off and then on (ROUNDS rounds of IDLE seconds each);
#   - one long run: resident memory, handles and GDI objects after one minute and after
#     LONG minutes (growth between the two would be a leak).
#   bench/process_bench.sh [ROUNDS [IDLE_SECONDS [LONG_MINUTES]]]   defaults: 5 120 10
# (after tools/build.sh). Per-round figures go to build/bench/process_bench.log.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
rounds="${1:-5}" idle="${2:-120}" long="${3:-10}"
source "$repo/tools/xvfb.sh"
cifrona_start_xvfb
export CIFRONA_WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
export WINEPREFIX="$CIFRONA_WINEPREFIX" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
bash "$repo/tools/wine-prefix.sh"

bin="$repo/build/win64"
# Private copies, so their processes are told apart from any other Cifrona on the machine.
dir="$WINEPREFIX/drive_c/bench"
rm -rf "$dir" && mkdir -p "$dir"
cp "$bin/Cifrona.exe" "$bin/bench/baseline_win32.exe" "$dir/"
probe="$bin/tests/e2e/probe.exe"
: >"$dir/portable.ini"  # settings beside the copy, where this script sets automatic colour
log="$repo/build/bench/process_bench.log"
mkdir -p "$(dirname "$log")" && : >"$log"

pids=()
stop_all() {
  ((${#pids[@]})) && kill -KILL "${pids[@]}" 2>/dev/null || true
  pids=()
  for _ in $(seq 100); do pgrep -f 'bench.(Cifrona|baseline_win32)\.exe$' >/dev/null || break; sleep 0.1; done
  # The single-copy mutex outlives the process until Wine has torn it down; a copy started
  # before that ends at once, taking itself for a second one.
  local rc
  for _ in $(seq 150); do
    rc=0; wine "$probe" mutex Cifrona >/dev/null 2>&1 || rc=$?
    ((rc == 1)) && return 0
    sleep 0.1
  done
}
trap 'stop_all; wineserver -k 2>/dev/null || true; kill $CIFRONA_XVFB_PID 2>/dev/null || true' EXIT

set_auto_color() { printf '[Option]\r\nCheckBoxAutoColor=%s\r\n' "$1" >"$dir/Config/Option.ini"; }
mkdir -p "$dir/Config"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }
counts() {  # counts EXE -> "handles gdi"
  wine "$bin/bench/proc_counts.exe" "$1" 2>/dev/null | tr -d '\r' |
    sed -nE 's/.* handles=([0-9-]+) gdi=([0-9-]+).*/\1 \2/p' | head -n1
}

# Starts both at once; sets b_pid, c_pid, b_start, c_start (ms to the first visible window).
# A start that shows no window within 60 s is logged and made again (three tries).
start_both() {
  local try
  for try in 1 2 3; do
    start_both_once && return 0
    echo "round start: no window after 60 s (baseline: ${b_start:-none} ms, Cifrona: ${c_start:-none} ms), try $try" | tee -a "$log"
    pids=($(pgrep -f 'bench.(Cifrona|baseline_win32)\.exe$'))
    stop_all
  done
  echo "process_bench: no window after three tries" >&2
  exit 1
}
start_both_once() {
  local t0 t
  b_start="" c_start=""
  t0=$(now_ms)
  (cd "$dir" && exec wine 'C:\bench\baseline_win32.exe' >/dev/null 2>&1) & disown
  (cd "$dir" && exec wine 'C:\bench\Cifrona.exe' >/dev/null 2>&1) & disown
  until [[ -n "$b_start" && -n "$c_start" ]]; do
    t=$(now_ms)
    ((t - t0 < 60000)) || return 1
    [[ -z "$b_start" ]] && xdotool search --onlyvisible --name '^Baseline$' >/dev/null 2>&1 && b_start=$((t - t0))
    [[ -z "$c_start" ]] && xdotool search --onlyvisible --name '^Cifrona ' >/dev/null 2>&1 && c_start=$((t - t0))
    sleep 0.02
  done
  b_pid=$(pgrep -n -f 'bench.baseline_win32\.exe$')
  c_pid=$(pgrep -n -f 'bench.Cifrona\.exe$')
  pids=("$b_pid" "$c_pid")
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }
row() { printf '%-44s %10s %10s %7s\n' "$1" "$2" "$3" "$(ratio "$3" "$2")"; }

hz=$(getconf CLK_TCK)
declare -A results
for auto in 0 1; do
  set_auto_color "$auto"
  for r in $(seq "$rounds"); do
    start_both
    sleep 2  # start-up's own work is not idling
    b0=$(ticks "$b_pid") c0=$(ticks "$c_pid")
    sleep "$idle"
    b1=$(ticks "$b_pid") c1=$(ticks "$c_pid")
    line="auto=$auto round=$r start_ms=$b_start/$c_start cpu_ms=$(((b1 - b0) * 1000 / hz))/$(((c1 - c0) * 1000 / hz)) rss_kb=$(rss "$b_pid")/$(rss "$c_pid")"
    echo "$line" | tee -a "$log"
    results[$auto]+="$line"$'\n'
    stop_all
  done
done

col() {  # col AUTO FIELD SIDE(1 baseline, 2 Cifrona) -> median
  sed -nE "s/.* $2=([0-9]+)\/([0-9]+).*/\\$3/p" <<<"${results[$1]}" | median
}
echo
printf '%-44s %10s %10s %7s\n' "median of $rounds rounds, ${idle} s idle" "baseline" "Cifrona" "ratio"
for auto in 0 1; do
  label=$([[ $auto == 1 ]] && echo "automatic colour on" || echo "automatic colour off")
  row "start-up to window (ms), $label" "$(col "$auto" start_ms 1)" "$(col "$auto" start_ms 2)"
  row "CPU while idle (ms), $label" "$(col "$auto" cpu_ms 1)" "$(col "$auto" cpu_ms 2)"
  row "resident memory (KiB), $label" "$(col "$auto" rss_kb 1)" "$(col "$auto" rss_kb 2)"
done

# The long run, automatic colour on (every path that runs each second runs): what both hold
# after one minute and at the end.
((long > 0)) || exit 0
set_auto_color 1
start_both
sample() {  # sample LABEL
  local bc cc
  read -r b_h b_g <<<"$(counts baseline_win32.exe)"
  read -r c_h c_g <<<"$(counts Cifrona.exe)"
  echo "long $1 rss_kb=$(rss "$b_pid")/$(rss "$c_pid") handles=$b_h/$c_h gdi=$b_g/$c_g" | tee -a "$log"
}
sleep 60
sample "1min"
sleep $((long * 60 - 60))
sample "${long}min"
stop_all
echo "(-1: not counted; under Wine the GDI count includes the stock objects every process has)"
