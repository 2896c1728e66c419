# "Игнорировать мышь": the widget lets every click through (WS_EX_TRANSPARENT), so a right
# click on a digit opens no menu and the digits show the arrow; unticking brings it back.
source "$(dirname "$0")/lib.sh"
clear_settings
mkdir -p "$(dirname "$(installed_settings)")"
printf '[Option]\r\nCheckBoxIgnoreMouse=1\r\n' >"$(installed_settings)"
start_and_settle
line=$(widget_line)
(((($(field "$line" exstyle)) & 0x20) != 0)) || fail "no WS_EX_TRANSPARENT: $(field "$line" exstyle)"
png=$(shot ignored)
read -r x y < <(digit_pixel "$png" $(rect_of "$line"))
[[ -n "$x" ]] || fail "no digit pixel"
# The clicks go past the widget, so nothing of the program can say it has handled them:
# what must not happen is watched for a while instead.
pointer_to "$x" "$y" && xdotool click 3
holds_for 2 "a right click on the digits opened the menu while the mouse is ignored" eval '! menu_open'
# A left press does not drag it either.
pointer_to "$x" "$y" && xdotool mousedown 1 mousemove --sync $((x + 60)) $((y + 60)) mouseup 1
unmoved() { [[ $(rect_of "$(widget_line)") == "$(rect_of "$line")" ]]; }
holds_for 2 "the widget moved under an ignored mouse" unmoved
note ok
