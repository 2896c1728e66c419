# The digits float on the desktop: the key colour is never shown, the digits are, and the
# window has the widget's styles, colour key and no taskbar entry. (Wine 8 fills the keyed
# area of a layered window without shaping it, so the desktop colour itself is not
# checked here; the key and flags below are what makes Windows show it through.)
source "$(dirname "$0")/lib.sh"
clear_settings
start_app
wait_for 30 widget_shown || fail "no widget window appeared"
sleep 2
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
caption=$(caption_of "$line")
[[ "$caption" =~ ^Cifrona\ [0-9]+\.[0-9]+\.[0-9]+\.[0-9]+\ \((32|64)-bit\)$ ]] || fail "caption '$caption'"
note "ok"
