# At 144 DPI (150 %) the widget's base size is taken from its design size at that DPI, and
# the settings and About dialogs grow with it: every control inside its dialog, the About box at least its
# smallest outer size scaled. Runs in a linked copy of the test prefix set to 144 DPI.
DPI_PREFIX_SUFFIX=144dpi
source "$(dirname "$0")/dpi_prefix.sh"

widget_size() {
  local l t r b
  read -r l t r b < <(rect_of "$(widget_line)")
  echo $((r - l)) $((b - t))
}
clear_settings
set_dpi 96
start_and_settle
read -r w96 h96 < <(widget_size)
stop_app
set_dpi 144
start_and_settle
read -r w144 h144 < <(widget_size)
note "widget ${w96}x$h96 at 96 DPI, ${w144}x$h144 at 144 DPI"
# The base size is the design client area (201 x 269 at 96 DPI, 302 x 404 at 144 DPI) plus
# 20 pixels across and minus 9 pixels per font factor down; the number 1 is narrower than that.
((w144 == w96 + 302 - 201 && h144 == h96 + 404 - 269)) || fail "widget ${w96}x$h96 became ${w144}x$h144, not the base size at 144 DPI"

# The settings dialog: every control inside the dialog, and inside its group where it has one.
open_settings
shot settings >/dev/null
read -r dl dt dr db < <(rect_of "$(settings_line)")
mapfile -t controls < <(probe_children | grep -F "top=\"$SETTINGS\"" | grep 'visible=1')
((${#controls[@]} > 15)) || fail "only ${#controls[@]} controls listed"
# The group boxes are the toolkit's own panels, their captions drawn on them.
mapfile -t groups < <(printf '%s\n' "${controls[@]}" | grep 'class=CifronaPanel ')
((${#groups[@]} == 6)) || fail "${#groups[@]} group boxes, not 6"
for c in "${controls[@]}"; do
  read -r l t r b < <(rect_of "$c")
  ((l >= dl && t >= dt && r <= dr && b <= db)) || fail "outside the dialog ($dl,$dt,$dr,$db): $c"
  inside=0 overlapping=0
  for g in "${groups[@]}"; do
    [[ "$g" == "$c" ]] && { inside=1; break; }
    read -r gl gt gr gb < <(rect_of "$g")
    if ((l >= gl && t >= gt && r <= gr && b <= gb)); then inside=1
    elif ((l < gr && r > gl && t < gb && b > gt)); then overlapping=1
    fi
  done
  ((inside || !overlapping)) || fail "sticks out of its group: $c"
done
# The spin buttons grow too (17 pixels at 96 DPI), whatever width the control takes itself.
for c in "${controls[@]}"; do
  [[ "$c" == *"class=msctls_updown32 "* ]] || continue
  read -r l t r b < <(rect_of "$c")
  ((r - l >= 24)) || fail "spin buttons $((r - l)) pixels wide at 144 DPI: $c"
done
ok=$(child_text "Ok")
read -r l t r b < <(rect_of "$ok")
((b - t >= 36)) || fail "the Ok button did not grow: $ok"
settings_keys Escape
wait_for 10 settings_gone || fail "Escape did not close the settings dialog"

# The About box: its smallest outer size at 144 DPI, and Ok inside it.
ABOUT="О программе"
about_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$ABOUT\"" | head -n1; }
about_shown() { [[ -n "$(about_line)" ]]; }
open_widget_menu
choose_menu_item "$ABOUT"
wait_for 10 about_shown || fail "\"$ABOUT\" did not open"
wait_drawn 10 "\"$ABOUT\" was not drawn" about_line
shot about >/dev/null
read -r l t r b < <(rect_of "$(about_line)")
note "About $((r - l))x$((b - t))"
((r - l >= 525 && b - t >= 300)) || fail "About is $((r - l))x$((b - t)), smaller than 525x300"
note ok
