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

fail() { echo "FAIL [$scenario]: $*" >&2; shot "failure" || true; exit 1; }
note() { echo "[$scenario] $*"; }

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

kill_all() {
  # Wine's own taskkill does not find programs by image name; end them from this side.
  # Only this scenario's copy, so scenarios run side by side in other prefixes survive.
  pkill -KILL -f "e2e.$scenario.Cifrona\\.exe\$" 2>/dev/null || true
  for _ in $(seq 50); do probe_windows | grep -q . || return 0; sleep 0.1; done
}
trap 'kill_all' EXIT

# Ends this scenario's program and waits until it is gone, so the next start is not taken
# for a second copy and no window of the old one is clicked.
stop_app() {
  kill_all
  wait_for 10 app_ended || fail "the program did not end"
  wait "$APP_PID" 2>/dev/null || true
}

start_app() {
  (cd "$copy_dir" && exec wine "$copy_win\\Cifrona.exe" >"$out/app.log" 2>&1) &
  APP_PID=$!
}

# Starts the program, waits for its widget and lets start-up settle: start_and_settle [SECONDS]
start_and_settle() {
  start_app
  wait_for 30 widget_shown || fail "no widget window appeared"
  sleep "${1:-1.5}"
}

probe_windows() { wine "$CIFRONA_PROBE" windows Cifrona.exe 2>/dev/null | tr -d '\r'; }

# The widget: the visible layered window of the program.
widget_line() { probe_windows | grep 'visible=1' | grep 'layered=1' | head -n1; }
field() { sed -nE "s/.* $2=([^ ]*).*/\\1/p" <<<"$1"; }  # field LINE NAME
caption_of() { sed -nE 's/.*caption="([^"]*)".*/\1/p' <<<"$1"; }

wait_for() {  # wait_for SECONDS COMMAND...
  local limit=$(($1 * 10)); shift
  for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
  return 1
}
widget_shown() { [[ -n "$(widget_line)" ]]; }
app_running() { kill -0 "$APP_PID" 2>/dev/null; }
app_ended() { ! app_running; }

shot() {  # shot NAME: screenshot saved in the scenario's output folder
  xwd -root -silent | convert xwd:- "$out/$1.png"
  echo "$out/$1.png"
}

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
  read -r x y < <(digit_pixel "$png" $(rect_of "$(widget_line)"))
  [[ -n "$x" ]] || fail "no digit pixel to click"
  xdotool mousemove "$x" "$y" click 3
  if ! wait_for 5 menu_open; then
    # Seen once on a loaded machine: the click was lost. A second one tells a lost click
    # from a menu that never opens, and the screenshot shows what was under the pointer.
    note "no menu 5 s after the right click ($(shot menu-missed)); clicking again"
    xdotool mousemove "$x" "$y" click 3
    wait_for 10 menu_open || fail "the context menu did not open"
  fi
  sleep 0.5
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
  mapfile -t seps < <(menu_separators)
  ((${#seps[@]} == 4)) || fail "the menu shows ${#seps[@]} separators, not 4"
  top=${seps[$((section - 1))]}
  bottom=$(((section < 4)) && echo "${seps[$section]}" || echo "$b")
  y=$((top + 3 + (bottom - top - 3) * (2 * row + 1) / (2 * rows)))
  xdotool mousemove $((l + 30)) "$y" sleep 0.3 click 1
}
# The child windows of the program's visible windows (see probe.cpp: children).
probe_children() { wine "$CIFRONA_PROBE" children Cifrona.exe 2>/dev/null | tr -d '\r'; }
# The settings dialog, opened from the widget's menu; its controls by class and text.
SETTINGS="Настройки"
settings_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$SETTINGS\"" | head -n1; }
settings_shown() { [[ -n "$(settings_line)" ]]; }
settings_gone() { ! settings_shown; }
open_settings() {
  open_widget_menu
  choose_menu_item "$SETTINGS"
  wait_for 10 settings_shown || fail "the settings dialog did not open"
  sleep 0.5
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
click_on() { xdotool mousemove $(centre_of "$1") sleep 0.2 click 1; sleep 0.5; }
# Keys to the settings dialog (there is no window manager to give it the focus).
settings_keys() {
  local xid
  xid=$(xdotool search --onlyvisible --name "^$SETTINGS\$" | head -n1)
  # Focusing it again would move the focus inside it back to where it was at activation.
  [[ $(xdotool getwindowfocus) == "$xid" ]] || xdotool windowfocus --sync "$xid"
  xdotool key --delay 80 "$@"
  sleep 0.5
}
