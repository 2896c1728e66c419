# The context menu's "О программе" shows the About dialog with its own taskbar button:
# icon, version line, copyright line, four blue links and Ok. Return and Escape close it,
# the program goes on, and the dialog opens again.
source "$(dirname "$0")/lib.sh"
ABOUT="О программе"
clear_settings
start_and_settle
widget=$(widget_line)
widget_hwnd=$(field "$widget" hwnd)

about_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$ABOUT\"" | head -n1; }
about_shown() { [[ -n "$(about_line)" ]]; }
about_gone() { ! about_shown; }

open_about() {
  open_widget_menu
  shot "menu-$1" >/dev/null
  choose_menu_item "$ABOUT"
  wait_for 10 about_shown || fail "\"$ABOUT\" did not open"
  wait_drawn 10 "\"$ABOUT\" was not drawn" about_line
}

# The dialog's X window: its client area, and what receives the keys (there is no window
# manager to give it the focus).
about_xid() { xdotool search --onlyvisible --name "^$ABOUT\$" | head -n1; }

close_with() {
  xdotool windowfocus --sync "$(about_xid)" key "$1"
  wait_for 10 about_gone || fail "$1 did not close the dialog"
  app_running || fail "the program ended with the dialog"
  widget_shown || fail "the widget is gone"
}

open_about first
line=$(about_line)
note "$line"
ex=$(field "$line" exstyle)
(((ex & 0x40000) != 0)) || fail "no WS_EX_APPWINDOW: $ex"
[[ $(field "$line" taskbar) == 1 ]] || fail "no taskbar button"
[[ $(field "$line" owner) != "$widget_hwnd" ]] || fail "owned by the widget"
style=$(field "$line" style)
(((style & 0x80000) != 0)) || fail "no system menu"
(((style & 0x30000) == 0)) || fail "minimise or maximise button: $style"
(((style & 0x40000) == 0)) || fail "resizable border"

# What the dialog shows, in its client area.
png=$(shot about)
read -r cx cy cw ch < <(xwininfo -id "$(about_xid)" |
  awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF } /Width/ { w = $NF } /Height/ { h = $NF } END { print x, y, w, h }')
note "client $cx,$cy ${cw}x$ch"
ink() {  # ink Y H COLOUR: pixels of a colour in a band of the client area
  count_color "$png" "$cx" $((cy + $1)) "$cw" "$2" "$3"
}
background=$(convert "$png" -crop "1x1+$((cx + cw - 4))+$((cy + 4))" +repage -depth 8 txt:- | awk 'NR == 2 { print substr($3, 2) }')
icon=$(convert "$png" -crop "32x32+$((cx + 10))+$((cy + 10))" +repage -depth 8 txt:- | grep -vci "#$background" || true)
((icon > 200)) || fail "no icon ($icon pixels)"
(($(ink 10 20 000000) > 50)) || fail "no version line"
(($(ink 30 18 000000) > 50)) || fail "no copyright line"
for y in 48 66 84 102; do
  (($(ink "$y" 18 0000FF) > 30)) || fail "no blue link at $y"
done
(($(ink $((ch - 35)) 35 000000) > 10)) || fail "no Ok button"
note "screenshot: $png"

close_with Return

# Shown again (the version line is set at every showing), closed with Escape.
open_about second
close_with Escape
exit_through_menu
note "ok"
