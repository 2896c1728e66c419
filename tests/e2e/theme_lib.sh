# Shared steps of the theme scenarios: the theme submenu, the apps' mode in the registry, a
# setting change, the dialogs' backgrounds and their pixel checks, the widget's picture.
# Sourced after lib.sh.
ABOUT="О программе"
PERSONALIZE='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
# The documentation shows the shipped 32-bit build (the About box names the bitness); the
# 64-bit build's pictures stay in the scenario's folder, so a whole run leaves docs/ as it was.
docs="$out"
[[ $(exe_bits "$CIFRONA_EXE") == 32 ]] && docs="$repo/docs"
check="$(dirname "$0")/theme_check.py"

apps_mode() { wine reg add "$PERSONALIZE" /v AppsUseLightTheme /t REG_DWORD /d "$1" /f >/dev/null 2>&1; }
setting_change() { probe settingchange >/dev/null 2>&1; }

# The theme submenu opens beside the main menu; its three items have no separators.
# The submenu: the second menu window, the one further right.
submenu_line() {
  probe_windows | grep 'visible=1' | grep 'class=#32768' |
    awk '{ match($0, / rect=-?[0-9]+/); l = substr($0, RSTART + 6, RLENGTH - 6) + 0 } NR == 1 || l > best { best = l; line = $0 }
         END { if (NR >= 2) print line }'
}
submenu_open() { [[ -n "$(submenu_line)" ]]; }
menu_closed() { ! menu_open; }
choose_theme() {  # choose_theme ROW (0 Системная, 1 Светлая, 2 Темная)
  local l t r b
  open_widget_menu
  choose_menu_item "Тема"
  wait_for 5 submenu_open || fail "the theme submenu did not open"
  wait_drawn 10 "the theme submenu was not drawn" submenu_line
  read -r l t r b < <(rect_of "$(submenu_line)")
  # The item lights up under the pointer before it is clicked: the menu has seen the pointer.
  local before
  before=$(pixels_of "$(submenu_line)")
  pointer_to $((l + 30)) $((t + 3 + (b - t - 6) * (2 * $1 + 1) / 6))
  wait_changed 10 "theme item $1 did not light up under the pointer" submenu_line "$before"
  xdotool click 1
  wait_for 5 menu_closed || fail "the menu stayed open"
  # The choice is applied once the widget has handled the click, and shows once it is redrawn.
  wait_idle
  wait_drawn 10 "the widget was not redrawn after the theme choice" widget_line
}

# Client area of a dialog's X window: "X Y W H".
client_of() {
  xwininfo -id "$(xdotool search --onlyvisible --name "^$1\$" | head -n1)" |
    awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } /Width/ { w = $NF } /Height/ { h = $NF } END { print x, y, w, h }'
}
# The most frequent colour of a dialog's client area: RRGGBB.
background_of() {
  local x y w h
  read -r x y w h < <(client_of "$1")
  convert "$(shot "bg")" -crop "${w}x$h+$x+$y" +repage -depth 8 -format %c histogram:info:- |
    sort -rn | head -n1 | sed -nE 's/.*#([0-9A-Fa-f]{6}).*/\1/p'
}
is_dark() { [[ $(background_of "$1") == 202020 ]]; }
is_light() { [[ $(background_of "$1") == F3F3F3 ]]; }

# Checks a dialog by pixels and keeps its picture: check_dialog CAPTION MODE NAME [options]
check_dialog() {
  local caption=$1 mode=$2 name=$3 x y w h png
  shift 3
  read -r x y w h < <(client_of "$caption")
  png=$(shot "$name")
  probe_children >"$out/$name.children"
  python3 "$check" "$mode" "$png" "$x" "$y" $((x + w)) $((y + h)) "$out/$name.children" --dialog "$caption" "$@" \
    >"$out/$name.check" || { cat "$out/$name.check"; fail "$name: pixel checks failed"; }
  note "$name: $(grep -c '^ok' "$out/$name.check") pixel checks passed"
  # The client area for the documentation (without a window manager there is no frame),
  # without time stamps, so a run that draws the same pixels leaves the file as it was.
  convert "$png" -crop "${w}x$h+$x+$y" +repage -define png:exclude-chunks=date,time "$docs/theme-$name.png"
}

about_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$ABOUT\"" | head -n1; }
about_shown() { [[ -n "$(about_line)" ]]; }
about_gone() { ! about_shown; }
open_about() {
  open_widget_menu
  choose_menu_item "$ABOUT"
  wait_for 10 about_shown || fail "\"$ABOUT\" did not open"
  wait_drawn 10 "\"$ABOUT\" was not drawn" about_line
}
close_about() {
  xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^$ABOUT\$" | head -n1)" key Return
  wait_for 10 about_gone || fail "Return did not close \"$ABOUT\""
}

# The widget as drawn: its window's pixels (digits on the key colour) and its key.
widget_picture() {  # widget_picture NAME -> PNG of the widget's rectangle
  local l t r b
  read -r l t r b < <(rect_of "$(widget_line)")
  convert "$(shot "widget-$1")" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$out/widget-$1.png"
  echo "$out/widget-$1.png"
}
same_widget() {  # same_widget NAME: the widget looks as at the start, key colour unchanged
  local diff
  diff=$(compare -metric AE "$widget_start" "$(widget_picture "$1")" null: 2>&1 || true)
  [[ "$diff" == 0 ]] || fail "the widget's pixels changed under $1 ($diff differ)"
  [[ $(field "$(widget_line)" key) == 0x808080 ]] || fail "the widget's key colour changed under $1"
}


# The update dialog, opened from the widget's menu. Nothing listens on the test build's
# loopback update ports, so its check fails at once and it settles showing "no answer".
UPDATE="Обновление"
update_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$UPDATE\"" | head -n1; }
update_shown() { [[ -n "$(update_line)" ]]; }
update_gone() { ! update_shown; }
open_update() {
  open_widget_menu
  choose_menu_item "Проверить обновления"
  wait_until 10 "the update dialog did not open" update_shown
  wait_drawn 15 "the update dialog was not drawn" update_line
}
close_update() {
  local button
  button=$(probe_children | grep -F "top=\"$UPDATE\"" | grep -F 'text="Закрыть"' | head -n1)
  [[ -n "$button" ]] || fail "the update dialog has no \"Закрыть\" button"
  click_on "$button"
  wait_until 10 "\"Закрыть\" did not close the update dialog" update_gone
}
