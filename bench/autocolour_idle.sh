#!/usr/bin/env bash
# The idle cost of the automatic digit colour under Wine: CPU and resident memory of an
# idle Cifrona.exe with "Авто цвет" off and on, in one run, reported as a ratio. With it
# on, an unchanged wallpaper costs a short-lived thread and one system call per second.
#   bench/autocolour_idle.sh [IDLE_SECONDS]      (after the win64 build; uses $DISPLAY and
#   the test Wine prefix when they are set, else starts its own Xvfb)
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
idle="${1:-30}"
if [[ -z "${DISPLAY:-}" ]]; then
  source "$repo/tools/xvfb.sh"
  cifrona_start_xvfb
fi
export WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}" WINEDEBUG=-all
export CIFRONA_WINEPREFIX="$WINEPREFIX"
bash "$repo/tools/wine-prefix.sh"

# A portable copy, so the settings are its own; a PNG wallpaper that exists.
dir="$WINEPREFIX/drive_c/bench-autocolour"
rm -rf "$dir" && mkdir -p "$dir/Config"
cp "$repo/build/win64/Cifrona.exe" "$dir/"
: >"$dir/portable.ini"
convert -size 3840x2160 gradient:'#203040-#a0b0c0' "$dir/wall.png"
wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d 'C:\bench-autocolour\wall.png' /f >/dev/null 2>&1
trap 'wine reg add "HKCU\Control Panel\Desktop" /v Wallpaper /t REG_SZ /d "" /f >/dev/null 2>&1; rm -rf "$dir"' EXIT

measure() {  # measure 0|1 -> "cpu_ms rss_kb"
  printf '[Option]\r\nCheckBoxAutoColor=%s\r\n' "$1" >"$dir/Config/Option.ini"
  (cd "$dir" && exec wine 'C:\bench-autocolour\Cifrona.exe' >/dev/null 2>&1) &
  local launcher=$! pid
  until xdotool search --onlyvisible --name '^Cifrona ' >/dev/null 2>&1; do sleep 0.05; done
  # Wine may start the program through its own launcher: measure the program's process.
  pid=$(pgrep -n -f 'bench-autocolour.Cifrona\.exe$')
  sleep 3  # start-up and the first sampling are not part of the idle cost
  local t0 t1 rss
  t0=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  sleep "$idle"
  t1=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")
  kill "$pid"
  wait "$launcher" 2>/dev/null || true
  while xdotool search --onlyvisible --name '^Cifrona ' >/dev/null 2>&1; do sleep 0.1; done
  echo "$(((t1 - t0) * 1000 / $(getconf CLK_TCK))) $rss"
}

read -r off_cpu off_rss < <(measure 0)
read -r on_cpu on_rss < <(measure 1)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) b = 1; printf "%.2f", a / b }'; }
printf '%-28s %12s %12s %8s\n' "measure" "auto off" "auto on" "ratio"
printf '%-28s %12s %12s %8s\n' "CPU over ${idle} s idle (ms)" "$off_cpu" "$on_cpu" "$(ratio "$on_cpu" "$off_cpu")"
printf '%-28s %12s %12s %8s\n' "resident memory (KiB)" "$off_rss" "$on_rss" "$(ratio "$on_rss" "$off_rss")"
