# The digits float on the desktop: the key colour is never shown, the digits are, the
# desktop shows through around them, and the window has the widget's styles, colour key
# and no taskbar entry. Whether the desktop can show through a colour key at all is first
# asked of a minimal reference window: Wine 8 on a bare X server fills keyed areas black
# without shaping the window, for every program; there the key and flags checked below
# are what makes Windows show the desktop, and the desktop check waits for a Wine that can.
source "$(dirname "$0")/lib.sh"
clear_settings
start_and_settle
line=$(widget_line)
note "$line"
read -r L T R B < <(rect_of "$line")
W=$((R - L)) H=$((B - T))
png=$(shot widget)
grey=$(count_color "$png" "$L" "$T" "$W" "$H" 808080)
digits=$(count_color "$png" "$L" "$T" "$W" "$H" ffffff)
note "window ${W}x${H}: key-coloured=$grey white digits=$digits"
((grey == 0)) || fail "$grey pixels of the key colour are visible"
((digits > 200)) || fail "no digits are visible"

ex=$(field "$line" exstyle)
((ex & 0x80)) || fail "WS_EX_TOOLWINDOW missing ($ex)"
((ex & 0x08000000)) || fail "WS_EX_NOACTIVATE missing ($ex)"
((ex & 0x80000)) || fail "WS_EX_LAYERED missing ($ex)"
((!(ex & 0x20))) || fail "WS_EX_TRANSPARENT set without ignore-mouse"
((!(ex & 0x40000))) || fail "WS_EX_APPWINDOW set"
[[ $(field "$line" key) == 0x808080 ]] || fail "colour key is not RGB(128,128,128)"
[[ $(field "$line" flags) == 1 ]] || fail "layered flags are not LWA_COLORKEY alone"
probe_windows | grep -q 'taskbar=1' && fail "a window of the program has a taskbar button"
# The reference: a grey-keyed window with a white square, away from the widget.
wine "$CIFRONA_PROBE" keyed 600 300 200 200 60 >/dev/null 2>&1 &
reference_pid=$!
reference_line() { probe windows probe.exe 2>/dev/null | grep 'class=E2E Keyed' | grep 'visible=1'; }
wait_until 20 "the reference window did not appear" reference_line
wait_drawn 15 "the reference window was not drawn" reference_line
png=$(shot reference)
kill "$reference_pid" 2>/dev/null || true
reference=$(convert "$png" -format '%[hex:p{605,305}]' info: | cut -c1-6)
if [[ ${reference,,} == "${BACKGROUND,,}" ]]; then
  corner=$(convert "$png" -format "%[hex:p{$((L + 2)),$((T + 2))}]" info: | cut -c1-6)
  [[ ${corner,,} == "${BACKGROUND,,}" ]] || fail "the desktop does not show around the digits (corner #$corner)"
  note "the desktop shows through around the digits"
else
  note "this system shows no colour key through (reference window: #$reference); key and flags checked instead"
fi
wait "$reference_pid" 2>/dev/null || true
caption=$(caption_of "$line")
[[ "$caption" =~ ^Cifrona\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+\ \((32|64)-bit\)$ ]] || fail "caption '$caption'"
note "ok"
