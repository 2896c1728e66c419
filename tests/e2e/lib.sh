# Shared steps of the end-to-end scenarios: the real Cifrona.exe under Wine in the test
# prefix, inside the Xvfb that tools/test.sh started. Sourced by each scenario.
set -euo pipefail

: "${CIFRONA_EXE:?}" "${CIFRONA_PROBE:?}" "${DISPLAY:?}"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
export WINEPREFIX="${CIFRONA_WINEPREFIX:-$repo/.cache/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
scenario="$(basename "$0" .sh)"
out="${CIFRONA_E2E_OUT:-$repo/build/e2e}/$scenario"
rm -rf "$out" && mkdir -p "$out"
# Each scenario runs its own copy of the program, so portable markers and settings never leak.
copy_dir="$WINEPREFIX/drive_c/e2e/$scenario"
copy_win="C:\\e2e\\$scenario"
rm -rf "$copy_dir" && mkdir -p "$copy_dir"
cp "$CIFRONA_EXE" "$copy_dir/Cifrona.exe"

BACKGROUND="3050a0"  # the desktop colour, so transparency can be seen in pixels
xsetroot -solid "#$BACKGROUND"
# The program's single-copy mutex: a copy that finds it ends at once, silently.
APP_MUTEX=Cifrona

fail() {
  echo "FAIL [$scenario]: $*" >&2
  shot "failure" >&2 || true
  diagnose >&2 || true
  exit 1
}
# What a failure message alone does not tell: whether the program still runs, whether its
# single-copy mutex is held (a copy started then ends at once), and what Wine said.
diagnose() {
  local pids state
  pids=$(app_pids | tr '\n' ' ')
  if [[ -n "${APP_PID:-}" ]] && kill -0 "$APP_PID" 2>/dev/null; then state="running (pid $APP_PID)"
  elif [[ -n "${APP_PID:-}" ]]; then state="ended"
  else state="never started"
  fi
  echo "  the program last started: $state; this scenario's copies in the prefix: ${pids:-none}"
  # Bounded: a failure may come from a Wine that no longer answers.
  case $(timeout 20 wine "$CIFRONA_PROBE" mutex "$APP_MUTEX" 2>/dev/null | tr -d '\r') in
    present) echo "  the mutex \"$APP_MUTEX\" exists" ;;
    absent) echo "  the mutex \"$APP_MUTEX\" does not exist" ;;
    *) echo "  the probe could not tell whether the mutex \"$APP_MUTEX\" exists" ;;
  esac
  local log=${APP_LOG:-$out/app.log}
  if [[ -s "$log" ]]; then
    echo "  the last lines of $log:"
    tail -n 20 "$log" | sed 's/^/    /'
  else
    echo "  $log is empty or missing"
  fi
}
note() { echo "[$scenario] $*"; }
# exe_bits EXE: 64 or 32, from the executable's PE header.
exe_bits() {
  python3 -c 'import struct, sys
d = open(sys.argv[1], "rb").read(4096)
print(64 if struct.unpack_from("<H", d, struct.unpack_from("<I", d, 0x3C)[0] + 4)[0] == 0x8664 else 32)' "$1"
}

appdata_dir() {
  local d
  for d in "$WINEPREFIX"/drive_c/users/*/AppData/Roaming; do
    [[ "$d" == */Public/* ]] && continue
    echo "$d"; return
  done
}
installed_settings() { echo "$(appdata_dir)/Cifrona Project/Cifrona/Config/Option.ini"; }
portable_settings() { echo "$copy_dir/Config/Option.ini"; }
clear_settings() { rm -rf "$(appdata_dir)/Cifrona Project"; rm -rf "$copy_dir/Config"; }

# The processes of this scenario's copy in this prefix: the same scenario may run at the same
# time in another prefix (another checkout's tests), under the same Windows path.
# A scenario that runs a copy in another folder sets APP_PATTERN to match its command line.
APP_PATTERN="e2e.$scenario.Cifrona\\.exe\$"
app_pids() {
  local p
  for p in $(pgrep -f "$APP_PATTERN" || true); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
  return 0
}
kill_all() {
  # Wine's own taskkill does not find programs by image name; end them from this side.
  local p
  for p in $(app_pids); do kill -KILL "$p" 2>/dev/null || true; done
  wait_for 5 no_windows || true
}
trap 'kill_all' EXIT

# wine_retry PROGRAM ARGS...: wine PROGRAM ARGS with its output passed on once it ends,
# Windows line ends made Unix ones. Wine now and then gives up on starting a process before any of it runs: its start.exe
# fallback prints "Application could not be started" and exits 1, which would read as the
# program's own answer (no mutex, not idle, no registry value). Such a start is tried again.
# For short queries only: a long-running program's output would come at its end.
wine_retry() {
  local try rc so se
  so=$(mktemp) se=$(mktemp)
  for try in 1 2 3 4 5; do
    rc=0
    wine "$@" >"$so" 2>"$se" </dev/null || rc=$?
    ((rc != 0 && try < 5)) && wine_could_not_start "$so" "$se" || break
    sleep 0.2  # Wine's failures of this kind come in moments of contention: let it pass
  done
  tr -d '\r' <"$so"
  tr -d '\r' <"$se" >&2
  rm -f "$so" "$se"
  return "$rc"
}
wine_could_not_start() { grep -qs "could not be started" "$@"; }  # wine_could_not_start FILE...
probe() { wine_retry "$CIFRONA_PROBE" "$@"; }

# The probe's own answer, not any failure of it, says the mutex is gone.
app_mutex_gone() { [[ $(probe mutex "$APP_MUTEX" 2>/dev/null) == absent ]]; }
# Ends this scenario's program and waits until it is gone, so the next start is not taken
# for a second copy and no window of the old one is clicked. Gone means its mutex too: Wine
# closes a killed process's handles only once it has torn the process down, which can come
# after the Linux process has ended.
stop_app() {
  kill_all
  wait_for 10 app_ended || fail "the program did not end"
  wait "$APP_PID" 2>/dev/null || true
  wait_for 10 _no_app_pids || fail "a copy of the program outlived the kill: $(app_pids | tr '\n' ' ')"
  wait_until 15 "the ended program's mutex \"$APP_MUTEX\" is still there, so a new copy would end at once" \
    app_mutex_gone
}
_no_app_pids() { [[ -z "$(app_pids)" ]]; }

# The proxy of the prefix's Internet settings when no test server runs: a closed loopback
# port (tools/wine-prefix.sh sets it), so the program's update check never looks up a name.
CLOSED_PROXY="127.0.0.1:9"

# start_app [LOG]: Wine's output goes to LOG in the scenario's folder (app.log unless given).
start_app() {
  APP_LOG="$out/${1:-app.log}"
  (cd "$copy_dir" && exec wine "$copy_win\\Cifrona.exe" >"$APP_LOG" 2>&1) &
  APP_PID=$!
}

# Starts the program, waits for its widget and until start-up has settled: its windows no
# longer change (tooltips and the tray's window come after the widget) and the widget's
# digits are drawn. A number given (as older callers do) is ignored: settling is awaited.
start_and_settle() {
  start_app
  wait_started 30 "no widget window appeared"
  wait_settled
}
# wait_started SECONDS MESSAGE [COMMAND...]: after start_app, waits as wait_until for COMMAND
# (the widget shown unless given). Wine's failure to start a process at all (see wine_retry)
# is not the program's: a copy that ended that way is started again, twice at most.
wait_started() {
  local limit=$1 message=$2
  shift 2
  RELAUNCHES=0
  wait_until "$limit" "$message" _started_or_relaunch "${@:-widget_shown}"
}
_started_or_relaunch() {
  "$@" && return 0
  if ((RELAUNCHES < 2)) && ! app_running && wine_could_not_start "$APP_LOG"; then
    RELAUNCHES=$((RELAUNCHES + 1))
    note "Wine could not start the program; starting it again"
    start_app "$(basename "$APP_LOG")"
  fi
  return 1
}
wait_settled() {
  wait_steady 20 "the program's windows kept changing after start-up" probe_windows
  wait_drawn 15 "the widget's digits were not drawn" widget_line
}

probe_windows() { probe windows Cifrona.exe 2>/dev/null; }

# The widget: the visible layered window of the program.
widget_line() { probe_windows | grep 'visible=1' | grep 'layered=1' | head -n1; }
field() { sed -nE "s/(^|.* )$2=([^ ]*).*/\\2/p" <<<"$1"; }  # field LINE NAME (the first field too)
caption_of() { sed -nE 's/.*caption="([^"]*)".*/\1/p' <<<"$1"; }

# Time limits are what an idle machine needs; on a loaded one every Wine call is slower,
# so they are stretched by CIFRONA_E2E_TIME_SCALE (3 unless set).
TIME_SCALE=${CIFRONA_E2E_TIME_SCALE:-3}
_ms() {  # _ms SECONDS: whole milliseconds of a decimal number of seconds ("1.5" -> 1500)
  local whole=${1%.*} fraction=0
  [[ $1 == *.* ]] && fraction=${1#*.}
  fraction="${fraction}000"
  echo $((10#${whole:-0} * 1000 + 10#${fraction:0:3}))
}
wait_for() {  # wait_for SECONDS COMMAND...: polls COMMAND until it succeeds; false after SECONDS
  local deadline
  deadline=$(($(date +%s%N) + $(_ms "$1") * TIME_SCALE * 1000000))
  shift
  while :; do
    "$@" && return 0
    (($(date +%s%N) < deadline)) || return 1
    sleep 0.1  # the polling interval, so a poll of Wine does not run back to back
  done
}
# wait_until SECONDS MESSAGE COMMAND...: as wait_for, and the scenario fails with MESSAGE
# when COMMAND has not succeeded within SECONDS.
wait_until() {
  local limit=$1 message=$2
  shift 2
  wait_for "$limit" "$@" || fail "$message (waited $limit s × $TIME_SCALE)"
}
# wait_steady SECONDS MESSAGE COMMAND...: until COMMAND prints the same non-empty output on
# every poll for STEADY_SPAN seconds (0.6 unless set; at least three polls): what it reports
# has stopped changing. Set the span longer than the program's one-second tick where a tick
# may still change it.
wait_steady() {
  local limit=$1 message=$2
  shift 2
  STEADY_LAST="" STEADY_SEEN=0 STEADY_SINCE=0
  STEADY_NS=$(($(_ms "${STEADY_SPAN:-0.6}") * 1000000))
  wait_for "$limit" _steady_poll "$@" || fail "$message (waited $limit s × $TIME_SCALE; last: ${STEADY_LAST:0:300})"
}
_steady_poll() {
  local now t
  now=$("$@") || true
  t=$(date +%s%N)
  if [[ -n "$now" && "$now" == "$STEADY_LAST" ]]; then
    STEADY_SEEN=$((STEADY_SEEN + 1))
  else
    STEADY_SEEN=0 STEADY_SINCE=$t
  fi
  STEADY_LAST=$now
  ((STEADY_SEEN >= 2 && t - STEADY_SINCE >= STEADY_NS)) && return 0
  sleep 0.15  # the polling interval: looks apart in time, not only in order
  return 1
}
# holds_for SECONDS MESSAGE COMMAND...: COMMAND succeeds on every poll for the whole time.
# For what must NOT happen (a menu that must not open), where only a span of watching can tell.
holds_for() {
  local limit=$1 message=$2
  shift 2
  wait_for "$limit" _fails "$@" && fail "$message"
  return 0
}
_fails() { ! "$@"; }
widget_shown() { [[ -n "$(widget_line)" ]]; }
app_running() { kill -0 "$APP_PID" 2>/dev/null; }
app_ended() { ! app_running; }
no_windows() { ! probe_windows | grep -q .; }

# pointer_to X Y: moves the pointer there and returns once it is there. xdotool's --sync
# waits for the pointer to move, so with the pointer already there it would hang for 15 s.
pointer_to() {
  local X=-1 Y=-1
  eval "$(xdotool getmouselocation --shell | grep -E '^[XY]=[0-9]+$')"
  [[ "$X,$Y" == "$1,$2" ]] || xdotool mousemove --sync "$1" "$2"
}

shot() {  # shot NAME: screenshot saved in the scenario's output folder
  xwd -root -silent | convert xwd:- "$out/$1.png"
  echo "$out/$1.png"
}
# The pixels of a window's rectangle on the screen, as one checksum: pixels_of LINE
pixels_of() {
  local l t r b
  read -r l t r b < <(rect_of "$1")
  [[ -n "$b" ]] || return 0
  xwd -root -silent | convert xwd:- -crop "$((r - l))x$((b - t))+$l+$t" +repage -depth 8 rgb:- | md5sum | cut -c1-32
}
# Distinct colours in a window's rectangle: one means nothing is drawn on it yet.
colours_of() {
  local l t r b
  read -r l t r b < <(rect_of "$1")
  [[ -n "$b" ]] || { echo 0; return; }
  xwd -root -silent | convert xwd:- -crop "$((r - l))x$((b - t))+$l+$t" +repage -format %k info:
}
# wait_drawn SECONDS MESSAGE LINE_COMMAND: the window that LINE_COMMAND finds (a probe line)
# shows more than one colour and its pixels have stopped changing, but for a blinking text
# caret (up to 64 pixels). The window is looked up once; only the screen is read again.
wait_drawn() {
  local limit=$1 message=$2
  DRAWN_LINE=$("$3" || true)
  [[ -n "$DRAWN_LINE" ]] || fail "$message: no such window"
  wait_until "$limit" "$message" _drawn_some
  DRAWN_PREV="" DRAWN_DIFF="" STEADY_SEEN=0 STEADY_SINCE=0
  STEADY_NS=$(($(_ms "${STEADY_SPAN:-0.6}") * 1000000))
  wait_for "$limit" _drawn_steady ||
    fail "$message (waited $limit s × $TIME_SCALE; the last two looks differed in ${DRAWN_DIFF:-all} pixels)"
  rm -f "$DRAWN_PREV"
}
_drawn_some() { (($(colours_of "$DRAWN_LINE") > 1)); }
_drawn_steady() {
  local now="$out/.drawn-$RANDOM.png" l t r b stamp
  read -r l t r b < <(rect_of "$DRAWN_LINE")
  xwd -root -silent | convert xwd:- -crop "$((r - l))x$((b - t))+$l+$t" +repage "$now"
  stamp=$(date +%s%N)
  DRAWN_DIFF=""
  if [[ -n "$DRAWN_PREV" ]]; then
    DRAWN_DIFF=$(compare -metric AE "$DRAWN_PREV" "$now" null: 2>&1 || true)
    DRAWN_DIFF=${DRAWN_DIFF%%.*}
    rm -f "$DRAWN_PREV"
  fi
  DRAWN_PREV=$now
  if [[ "$DRAWN_DIFF" =~ ^[0-9]+$ ]] && ((DRAWN_DIFF <= 64)); then
    STEADY_SEEN=$((STEADY_SEEN + 1))
  else
    STEADY_SEEN=0 STEADY_SINCE=$stamp
  fi
  ((STEADY_SEEN >= 2 && stamp - STEADY_SINCE >= STEADY_NS)) && return 0
  sleep 0.15  # the polling interval: looks apart in time, not only in order
  return 1
}
# wait_changed SECONDS MESSAGE LINE_COMMAND BEFORE: the window's pixels differ from BEFORE
# (an earlier pixels_of).
wait_changed() {
  local limit=$1 message=$2 line=$3 before=$4
  wait_until "$limit" "$message" _pixels_differ "$line" "$before"
}
_pixels_differ() { [[ "$(pixels_of "$("$1")")" != "$2" ]]; }

# Counts pixels of a colour inside a rectangle of a screenshot: count_color PNG X Y W H RRGGBB
count_color() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -depth 8 txt:- | grep -ci "#$6" || true
}

rect_of() {  # rect_of LINE -> "L T R B"
  field "$1" rect | tr ',' ' '
}

# A pixel in the middle of the digits (white by default) inside the widget: prints "X Y"
# in screen coordinates.
digit_pixel() {  # digit_pixel PNG L T R B
  convert "$1" -crop "$(($4 - $2))x$(($5 - $3))+$2+$3" +repage -depth 8 txt:- |
    grep -iE "#FFFFFF" | awk -F'[,:]' -v l="$2" -v t="$3" '{ x[NR] = $1; y[NR] = $2 }
      END { if (NR) { m = int((NR + 1) / 2); print x[m] + l, y[m] + t } }'
}

# Opens the widget's context menu with a right click on a digit and chooses "Выход".
exit_through_menu() {
  open_widget_menu
  choose_menu_item "Выход"
  wait_for 15 app_ended || fail "the program did not end after Exit"
}
# The open context menu's window, and whether there is one.
menu_line() { probe_windows | grep 'visible=1' | grep 'class=#32768' | head -n1; }
menu_open() { [[ -n "$(menu_line)" ]]; }

# Right click on a digit: the widget's context menu opens.
open_widget_menu() {
  local png x y
  png=$(shot "before-menu")
  read -r x y < <(digit_pixel "$png" $(rect_of "$(widget_line)")) || true  # none: said below
  [[ -n "$x" ]] || fail "no digit pixel to click"
  right_click_for_menu "$x" "$y"
}
# right_click_for_menu X Y: right-clicks there and waits until the context menu is open and
# drawn. On a loaded machine a click is sometimes lost: a second one tells a lost click from
# a menu that never opens, and the screenshot shows what was under the pointer.
right_click_for_menu() {
  pointer_to "$1" "$2" && xdotool click 3
  if ! wait_for 5 menu_open; then
    note "no menu 5 s after the right click ($(shot menu-missed)); clicking again"
    pointer_to "$1" "$2" && xdotool click 3
    wait_for 10 menu_open || fail "the context menu did not open"
  fi
  wait_drawn 10 "the context menu was not drawn" menu_line
}
# The rows of the open menu's separators (screen y, one per separator). Wine cannot read
# another process's menu, so they are found in a screenshot: a one-pixel column left of
# the item texts is plain except where a separator is drawn.
menu_separators() {
  local l t r b png
  read -r l t r b < <(rect_of "$(menu_line)")
  png=$(shot menu)
  convert "$png" -crop "1x$((b - t - 4))+$((l + 8))+$((t + 2))" +repage -depth 8 txt:- |
    awk -v t="$((t + 2))" 'NR == 2 { bg = $3 }
      NR > 1 { split($1, p, "[,:]"); y = p[2] + t
               if ($3 != bg) { if (y != prev + 1) print y; prev = y } }'
}
# Clicks an item of the widget's open context menu by its text. The menu's sections, split
# by separators: identity items | Тема, Язык | Настройки | Проверить обновления, О программе | Выход.
choose_menu_item() {
  local section row rows l t r b seps top bottom y
  case "$1" in
    "Тема") section=1 row=0 rows=2 ;;
    "Язык") section=1 row=1 rows=2 ;;
    "Настройки") section=2 row=0 rows=1 ;;
    "Проверить обновления") section=3 row=0 rows=2 ;;
    "О программе") section=3 row=1 rows=2 ;;
    "Выход") section=4 row=0 rows=1 ;;
    *) fail "unknown menu item \"$1\"" ;;
  esac
  read -r l t r b < <(rect_of "$(menu_line)")
  # The menu's window comes before its picture: poll until all four separators are drawn.
  _four_separators() { mapfile -t seps < <(menu_separators); ((${#seps[@]} == 4)); }
  wait_for 10 _four_separators || fail "the menu shows ${#seps[@]} separators, not 4"
  top=${seps[$((section - 1))]}
  bottom=$(((section < 4)) && echo "${seps[$section]}" || echo "$b")
  y=$((top + 3 + (bottom - top - 3) * (2 * row + 1) / (2 * rows)))
  # The item lights up under the pointer before it is clicked: the menu has seen the pointer.
  local before
  before=$(pixels_of "$(menu_line)")
  pointer_to $((l + 30)) "$y"
  wait_changed 10 "\"$1\" did not light up under the pointer" menu_line "$before"
  xdotool click 1
}
# The child windows of the program's visible windows (see probe.cpp: children).
probe_children() { probe children Cifrona.exe 2>/dev/null; }
# The settings dialog, opened from the widget's menu; its controls by class and text.
SETTINGS="Настройки"
settings_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$SETTINGS\"" | head -n1; }
settings_shown() { [[ -n "$(settings_line)" ]]; }
settings_gone() { ! settings_shown; }
open_settings() {
  open_widget_menu
  choose_menu_item "$SETTINGS"
  wait_for 10 settings_shown || fail "the settings dialog did not open"
  wait_drawn 10 "the settings dialog was not drawn" settings_line
}
# child CLASS [INDEX]: the INDEX-th (from 1) child of the settings dialog of that class;
# child_text TEXT: the child showing that text.
child() { probe_children | grep -F "top=\"$SETTINGS\"" | grep -F "class=$1 " | sed -n "${2:-1}p"; }
child_text() { probe_children | grep -F "top=\"$SETTINGS\"" | grep -F "text=\"$1\"" | head -n1; }
text_of() { sed -nE 's/.* text="([^"]*)".*/\1/p' <<<"$1"; }
centre_of() {  # centre_of LINE -> "X Y"
  local l t r b
  read -r l t r b < <(rect_of "$1")
  echo $(((l + r) / 2)) $(((t + b) / 2))
}
# Clicks the middle of a child (a line of child/child_text) and waits until its dialog has
# handled the click.
click_on() {
  pointer_to $(centre_of "$1") && xdotool click 1
  wait_idle "$(sed -nE 's/^top="([^"]*)".*/\1/p' <<<"$1")"
}
# Keys to the settings dialog (there is no window manager to give it the focus).
settings_keys() {
  local xid
  xid=$(xdotool search --onlyvisible --name "^$SETTINGS\$" | head -n1)
  # Focusing it again would move the focus inside it back to where it was at activation.
  [[ $(xdotool getwindowfocus) == "$xid" ]] || xdotool windowfocus --sync "$xid"
  xdotool key --delay 80 "$@"
  wait_idle "$SETTINGS"
}
# wait_idle [CAPTION]: the program's visible window of that caption (the widget when none
# is given) has handled all the input sent to it so far (see probe.cpp: idle).
wait_idle() {
  local line=""
  # A dialog the input closed leaves the widget, served by the same thread.
  [[ -z "${1:-}" ]] || line=$(probe_windows | grep 'visible=1' | grep -F "caption=\"$1\"" | head -n1 || true)
  [[ -n "$line" ]] || line=$(widget_line || true)
  [[ -n "$line" ]] || fail "no visible window to wait on"
  local said
  said=$(probe idle "$(sed -nE 's/^hwnd=([^ ]*).*/\1/p' <<<"$line")" 2>&1 >/dev/null | tail -n 3) ||
    fail "the program did not handle its input${1:+ (window \"$1\")}: ${said:-the probe said nothing}"
}

# A copy left by the scenario before (ended at its exit, not awaited there) may still hold
# the mutex in the shared prefix: this scenario's first start would end at once.
wait_until 15 "a copy from before this scenario still holds the mutex \"$APP_MUTEX\"" app_mutex_gone
