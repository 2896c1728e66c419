# The tray icon: its picture follows the taskbar's light or dark mode (only
# SystemUsesLightTheme exactly 1 is light; the apps' mode never matters) or is the coloured
# one when chosen, also when the taskbar switches while the program runs; a double click
# on it hides the widget and shows it again in its place; a right-button release opens the
# widget's menu.
#
# Under bare Xvfb there is no tray of the X desktop, so Wine's explorer shows the icons in
# a small window of its own ("Wine System Tray", white, the icons from its top-left
# corner). It opens under the widget at the top-left of the screen, so it is moved aside
# before it is looked at or clicked.
source "$(dirname "$0")/lib.sh"

PERSONALIZE='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
TRAY_X=500 TRAY_Y=300  # where the tray window is moved to
ICON_W=24 ICON_H=20    # the first icon's cell in the tray window

set_theme() {  # set_theme NAME TYPE DATA, or set_theme NAME - to remove the value
  if [[ "$2" == - ]]; then
    wine reg delete "$PERSONALIZE" /v "$1" /f >/dev/null 2>&1 || true
  else
    wine reg add "$PERSONALIZE" /v "$1" /t "$2" /d "$3" /f >/dev/null 2>&1 || fail "reg add $1"
  fi
}

tray_window() { xdotool search --name '^Wine System Tray$' 2>/dev/null | head -n1; }
tray_shown() { [[ -n "$(tray_window)" ]]; }

# Pixel counts of the icon's cell, on the tray's white: "black blue amber green".
icon_pixels() {  # icon_pixels PNG
  local cell
  cell=$(convert "$1" -crop "${ICON_W}x${ICON_H}+${TRAY_X}+${TRAY_Y}" +repage -depth 8 txt:-)
  echo "$(grep -ci '#000000' <<<"$cell" || true) $(grep -ci '#2096F3' <<<"$cell" || true)" \
    "$(grep -ci '#FFC106' <<<"$cell" || true) $(grep -ci '#4BAF4F' <<<"$cell" || true)"
}

# The picture the icon shows, told from its pixels: black squares (0) leave over a hundred
# black pixels, white squares (1) only their black numerals, the coloured one (2) its three
# colours.
picture_shown() {  # picture_shown PNG -> 0, 1, 2 or ?
  local black blue amber green
  read -r black blue amber green < <(icon_pixels "$1")
  if ((blue > 15 && amber > 15 && green > 15)); then echo 2
  elif ((black >= 90)); then echo 0
  elif ((black >= 10 && black < 60 && blue == 0)); then echo 1
  else echo "? (black=$black blue=$blue amber=$amber green=$green)"
  fi
}

# Starts the program and waits until its icon is in the tray, moved where it can be seen.
start_with_tray() {
  start_app
  wait_started 30 "no widget window appeared"
  wait_for 15 tray_shown || fail "no tray icon appeared"
  xdotool windowmove --sync "$(tray_window)" "$TRAY_X" "$TRAY_Y"
  # The start-up load sets the picture: wait until the tray shows one and keeps it.
  wait_settled
  STEADY_SPAN=1.5 wait_steady 15 "the tray icon kept changing" icon_cell
}
icon_cell() {
  xwd -root -silent | convert xwd:- -crop "${ICON_W}x${ICON_H}+${TRAY_X}+${TRAY_Y}" +repage -depth 8 rgb:- | md5sum
}
# Two double clicks in a row must be further apart than the double-click time (500 ms), or
# the second pair's first click makes the first pair a triple click. This is input timing,
# not waiting for the program.
DOUBLE_CLICK_GAP=0.6

stop_with_tray() {
  stop_app
  # Wine's tray drops the icons of ended programs; wait for it so the next start is alone.
  wait_for 10 bash -c '! xdotool search --name "^Wine System Tray$" >/dev/null 2>&1' || true
}

clear_settings
settings=$(installed_settings)

# case: SystemUsesLightTheme type and data | AppsUseLightTheme | coloured | picture
cases=(
  "light|REG_DWORD 1|REG_DWORD 0|0|0"
  "dark|REG_DWORD 0|REG_DWORD 1|0|1"
  "only-1-is-light|REG_DWORD 2|-|0|1"
  "missing|-|REG_DWORD 1|0|1"
  "not-a-number|REG_SZ 1|-|0|0"
  "coloured|REG_DWORD 1|-|1|2"
)
for c in "${cases[@]}"; do
  IFS='|' read -r name system apps coloured want <<<"$c"
  set_theme SystemUsesLightTheme $system
  set_theme AppsUseLightTheme $apps
  mkdir -p "$(dirname "$settings")"
  printf '[Option]\r\nMenuColorTrayIcon=%s\r\n' "$coloured" >"$settings"
  start_with_tray
  png=$(shot "tray-$name")
  got=$(picture_shown "$png")
  note "$name: picture $got ($(icon_pixels "$png"))"
  [[ "$got" == "$want" ]] || fail "$name: the tray shows picture $got, expected $want"
  probe_windows | grep "visible=1" | grep -q "class=#32770" && fail "$name: a message box appeared"
  [[ "$name" == coloured ]] || stop_with_tray
done

# The last program still runs: double clicks on its icon hide and show the widget.
icon_x=$((TRAY_X + ICON_W / 2)) icon_y=$((TRAY_Y + ICON_H / 2))
before=$(rect_of "$(widget_line)")
widget_hidden() { [[ -z "$(widget_line)" ]]; }
pointer_to "$icon_x" "$icon_y" && xdotool click --repeat 2 --delay 80 1
wait_for 5 widget_hidden || fail "a double click on the icon did not hide the widget"
app_running || fail "hiding the widget ended the program"
tray_shown || fail "the tray icon went away with the widget"
shot hidden >/dev/null
xdotool sleep "$DOUBLE_CLICK_GAP" click --repeat 2 --delay 80 1
wait_for 5 widget_shown || fail "a second double click did not show the widget"
after=$(rect_of "$(widget_line)")
[[ "$after" == "$before" ]] || fail "the widget came back at $after, not at $before"
shot shown-again >/dev/null

# A right-button release on the icon opens the widget's menu; Escape closes it.
right_click_for_menu "$icon_x" "$icon_y"
shot tray-menu >/dev/null
xdotool key Escape
wait_until 10 "Escape did not close the context menu" eval '! menu_open'

# The tooltip, as Wine's tray shows it once the pointer has moved over the icon: two lines
# (description, version and bitness) for this installed copy, a third (" Portable") for a
# portable one. Its text is not readable from outside, so its height tells the lines.
tooltip_line() { probe windows explorer.exe 2>/dev/null | grep 'visible=1' | grep 'class=tooltips_class32' | head -n1; }
tooltip_shown() { [[ -n "$(tooltip_line)" ]]; }
# The pointer leaves the icon until no tooltip shows, then comes onto it and moves a pixel
# there (two moves, so the tray sees the pointer inside its icon).
tooltip_height() {
  pointer_to 200 600
  wait_until 10 "the tooltip stayed with the pointer away from the icon" eval '! tooltip_shown'
  pointer_to "$icon_x" "$icon_y" && pointer_to $((icon_x + 1)) "$icon_y"
  if ! wait_for 10 tooltip_shown; then
    note "no tooltip 10 s after the pointer came onto the icon; moving it again" >&2
    pointer_to "$icon_x" "$icon_y" && pointer_to $((icon_x + 1)) "$icon_y"
    wait_for 10 tooltip_shown || fail "no tooltip over the icon"
  fi
  local l t r b
  read -r l t r b < <(rect_of "$(tooltip_line)")
  echo $((b - t))
}
installed_height=$(tooltip_height)
shot tooltip-installed >/dev/null
stop_with_tray
: >"$copy_dir/portable.ini"
start_with_tray
portable_height=$(tooltip_height)
shot tooltip-portable >/dev/null
note "tooltip heights: installed $installed_height, portable $portable_height"
((portable_height > installed_height)) || fail "the portable copy's tooltip has no third line"

# The taskbar turns dark while the program runs (the coloured icon is off in this copy):
# the setting-change message re-selects the picture at once.
# The tray redraws when the tooltip goes away, so its picture is awaited, not sampled once.
xdotool mousemove 200 600
showing() { [[ $(picture_shown "$(shot "tray-$2")") == "$1" ]]; }  # showing PICTURE SHOT_NAME
wait_for 10 showing 0 before-switch || fail "before the switch the tray does not show picture 0"
set_theme SystemUsesLightTheme REG_DWORD 0
probe settingchange >/dev/null 2>&1
wait_for 10 showing 1 after-switch || fail "after the switch to dark the tray does not show picture 1"
note "ok"
