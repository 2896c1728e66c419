# The settings dialog changes the widget at once: the number by the wheel and the keys,
# the scale by the slider and its field, the font, the colour and the centred position.
source "$(dirname "$0")/lib.sh"
clear_settings
mkdir -p "$(dirname "$(installed_settings)")"
printf '[Option]\r\nSpinEditNumber=995\r\n' >"$(installed_settings)"
start_and_settle
open_settings
line=$(settings_line)
note "$line"
(((($(field "$line" exstyle)) & 0x40000) != 0)) || fail "the dialog has no taskbar button of its own"
[[ $(field "$line" taskbar) == 1 ]] || fail "no taskbar button"
shot opened >/dev/null

widget_width() { local l t r b; read -r l t r b < <(rect_of "$(widget_line)"); echo $((r - l)); }
widget_height() { local l t r b; read -r l t r b < <(rect_of "$(widget_line)"); echo $((b - t)); }
number_text() { text_of "$(child Edit 1)"; }
scale_text() { text_of "$(child Edit 2)"; }
slider_position() { field "$(child msctls_trackbar32)" state; }
# The widget's pixels once a full tick has passed without changing them.
widget_settled() { STEADY_SPAN=1.5 wait_drawn 15 "the widget kept changing" widget_line; }

# The number field shows the stored number; the widget is its design size.
[[ $(number_text) == 995 ]] || fail "number field shows '$(number_text)'"
w1=$(widget_width)
h1=$(widget_height)

# Nine notches of the wheel over the number field: 1004, and a wider widget.
read -r x y < <(centre_of "$(child Edit 1)")
xdotool mousemove "$x" "$y"
for _ in $(seq 9); do xdotool click 4; done
wait_idle "$SETTINGS"
[[ $(number_text) == 1004 ]] || fail "nine wheel notches gave '$(number_text)'"
shot number-1004 >/dev/null
w4=$(widget_width)
((w4 > w1)) || fail "the widget did not widen for four digits ($w1 -> $w4)"

# Keys: Up twice, Down once, letters and digits ignored.
settings_keys Up Up Down 7 a minus
[[ $(number_text) == 1005 ]] || fail "Up Up Down and typing gave '$(number_text)'"

# The wheel over the slider moves it by one per notch, and the scale field follows.
read -r x y < <(centre_of "$(child msctls_trackbar32)")
pointer_to "$x" "$y" && xdotool click 4 click 4
wait_idle "$SETTINGS"
[[ $(slider_position) == 102 ]] || fail "two notches over the slider gave $(slider_position)"
[[ $(scale_text) == 102 ]] || fail "scale field shows '$(scale_text)'"

# A click at the slider's left end: 30, the smallest widget.
read -r l t r b < <(rect_of "$(child msctls_trackbar32)")
pointer_to $((l + 14)) $(((t + b) / 2)) && xdotool click 1
wait_idle "$SETTINGS"
[[ $(slider_position) == 30 && $(scale_text) == 30 ]] || fail "a click at the slider's left end gave $(slider_position)/$(scale_text)"
shrunk() { h30=$(widget_height); ((h30 < h1)); }
wait_for 5 shrunk || fail "the widget did not shrink at scale 30 ($h1 -> $h30)"
shot scale-30 >/dev/null

# The slider's own keys (it has the focus after the click): Right steps on.
settings_keys Right
[[ $(slider_position) == 31 && $(scale_text) == 31 ]] || fail "Right on the slider gave $(slider_position)/$(scale_text)"

# Up in the scale field moves the slider.
click_on "$(child Edit 2)"
settings_keys Up
[[ $(slider_position) == 32 ]] || fail "Up in the scale field gave the slider $(slider_position)"
settings_keys Tab  # leave the field

# A click 40 pixels into the track: 500 × 40 / (w − 28), rounded; the widget grows.
pointer_to $((l + 54)) $(((t + b) / 2)) && xdotool click 1
wait_idle "$SETTINGS"
expected=$(((500 * 40 * 2 / (r - l - 28) + 1) / 2))
[[ $(slider_position) == "$expected" ]] || fail "a click 40 pixels into the track gave $(slider_position), not $expected"
grown() { hx=$(widget_height); ((hx > h30)); }
wait_for 5 grown || fail "the widget did not grow with the scale ($h30 -> $hx)"
widget_settled  # the tick re-applies the scale
font_before=$(pixels_of "$(widget_line)")
before=$(shot font-before)

# The font: the next entry of the font list with the keyboard.
click_on "$(child ComboBox 1)"
settings_keys Escape Down
[[ $(field "$(child ComboBox 1)" state) == 1 ]] || fail "the font list did not move to its second entry"
wait_changed 10 "the digits were not redrawn after the font changed" widget_line "$font_before"
widget_settled
after=$(shot font-after)
read -r l t r b < <(rect_of "$(widget_line)")
diff=$(compare -metric AE -crop "$((r - l))x$((b - t))+$l+$t" "$before" "$after" null: 2>&1 || true)
note "pixels changed by the font: $diff"
((${diff%%.*} > 100)) || fail "the digits look the same in the other font"

# The colour: Up from White is Aqua (RGB 0, 255, 255) on the digits.
settings_keys Tab Up  # from the font list to the colour list
aqua_digits() {
  local png l t r b
  png=$(shot aqua)
  read -r l t r b < <(rect_of "$(widget_line)")
  aqua=$(count_color "$png" "$l" "$t" $((r - l)) $((b - t)) 00FFFF)
  white=$(count_color "$png" "$l" "$t" $((r - l)) $((b - t)) FFFFFF)
  ((aqua > 100 && white == 0))
}
wait_for 10 aqua_digits || fail "the digits are not aqua (aqua pixels: $aqua, white: $white)"
note "aqua pixels: $aqua, white: $white"

# The centred position, chosen from the keyboard: Tab goes top to bottom and reaches the
# position group (none selected yet) at "По центру"; Space selects it. The next tick
# centres the widget in the work area.
click_on "$(child Edit 1)"
settings_keys Tab Tab Tab Tab Tab Tab Tab Tab space
read -r wl wt wr wb < <(probe workarea 2>/dev/null)
centred() {
  read -r l t r b < <(rect_of "$(widget_line)")
  [[ $l == $(((wr - wl - (r - l) - 20) / 2)) && $t == $(((wb - wt - (b - t)) / 2)) ]]
}
wait_for 10 centred || fail "not centred: $l,$t for a $((r - l))x$((b - t)) widget in $wl,$wt,$wr,$wb"
[[ $(field "$(child_text "По центру")" state) == 1 ]] || fail "По центру is not selected"
shot centred >/dev/null

# Nothing was stored by any of it.
[[ $(cat "$(installed_settings)") == "$(printf '[Option]\r\nSpinEditNumber=995\r\n')" ]] ||
  fail "live changes wrote the settings file"
note ok
