# Dragging the digits with the left button moves the widget with the pointer; near an
# edge of the work area it snaps onto it, and however far the pointer goes, the widget
# stays inside the work area while the button is held and after it is released.
source "$(dirname "$0")/lib.sh"
clear_settings
start_and_settle

read -r AL AT AR AB < <(probe workarea 2>/dev/null)
[[ -n "$AB" ]] || fail "no work area from the probe"
note "work area $AL,$AT,$AR,$AB"
read -r L0 T0 R0 B0 < <(rect_of "$(widget_line)")
W=$((R0 - L0)) H=$((B0 - T0))
note "widget at $L0,$T0 size ${W}x${H}"

# drag NAME PX PY TX TY: presses on PX,PY, moves the pointer to TX,TY in small steps with
# the button held and releases it there. Leaves HELD (the rectangle while the button was
# still down) and DROPPED (after the release).
drag() {
  local name=$1 x=$2 y=$3 tx=$4 ty=$5 i steps=12
  # Each step waits until the widget has handled the input, so every move is seen.
  pointer_to "$x" "$y"
  wait_idle
  xdotool mousedown 1
  wait_idle
  for i in $(seq "$steps"); do
    pointer_to $((x + (tx - x) * i / steps)) $((y + (ty - y) * i / steps))
    ((i % 4)) || wait_idle
  done
  wait_idle
  HELD=$(rect_of "$(widget_line)")
  xdotool mouseup 1
  wait_idle
  DROPPED=$(rect_of "$(widget_line)")
  note "$name: pressed at $x,$y, released at $tx,$ty; held $HELD, dropped $DROPPED ($(shot "$name"))"
}

inside() {  # inside L T R B: within the work area, size unchanged
  (($1 >= AL && $2 >= AT && $3 <= AR && $4 <= AB && $3 - $1 == W && $4 - $2 == H))
}

# Opens the context menu from the digits and closes it again with a click elsewhere.
menu_and_away() {
  right_click_for_menu "$1" "$2"
  pointer_to $(((AL + AR) / 2)) $(((AT + AB) / 2)) && xdotool click 1
  wait_for 10 eval '! menu_open' || fail "the context menu did not close"
}

# Each drag starts on a digit (px,py) of the widget at L,T and ends with the pointer at the
# target; then the widget's top-left corner is where the case expects it.
#   free        the widget follows the pointer exactly
#   snap        a left edge that would end 6 px from the work area's left edge goes onto it
#   far-br      the pointer at the screen's bottom-right corner: flush with the right and bottom edges
#   far-tl      the pointer at the top-left corner: flush with the left and top edges
#   after-menu  the context menu (which brings the widget to the foreground) does not spoil a drag
cases=(
  # name      first  target x          target y   expected left  expected top
  "free       -      px+120            py+80      L+120          T+80"
  "snap       -      px-(L-AL)+6       py         AL             T"
  "far-br     -      AR-1              AB-1       AR-W           AB-H"
  "far-tl     -      AL                AT         AL             AT"
  "after-menu menu   px+120            py+80      L+120          T+80"
)
for c in "${cases[@]}"; do
  read -r name first tx ty ex ey <<<"$c"
  read -r L T R B < <(rect_of "$(widget_line)")
  png=$(shot "$name-before")
  read -r px py < <(digit_pixel "$png" "$L" "$T" "$R" "$B")
  [[ -n "$px" ]] || fail "$name: no digit pixel to press on"
  if [[ $first == menu ]]; then menu_and_away "$px" "$py"; fi
  drag "$name" "$px" "$py" $((tx)) $((ty))
  read -r hl ht hr hb <<<"$HELD"
  read -r dl dt dr db <<<"$DROPPED"
  inside "$hl" "$ht" "$hr" "$hb" || fail "$name: outside the work area while dragging ($HELD)"
  inside "$dl" "$dt" "$dr" "$db" || fail "$name: outside the work area after the release ($DROPPED)"
  ((dl == ex && dt == ey)) || fail "$name: widget at $dl,$dt, expected $((ex)),$((ey))"
done
app_running || fail "the program ended during the drags"
note "ok"
