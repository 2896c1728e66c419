# Right click on a digit opens the context menu; its last item, Exit, ends the program
# and writes the settings file with the widget's position.
source "$(dirname "$0")/lib.sh"
clear_settings
start_and_settle
read -r L T _ _ < <(rect_of "$(widget_line)")
open_widget_menu
shot menu >/dev/null
choose_menu_item "Выход"
wait_for 15 app_ended || fail "the program did not end after Exit"
ini=$(installed_settings)
[[ -f "$ini" ]] || fail "no settings file at $ini"
note "$(tr -d '\r' <"$ini" | tr '\n' ' ')"
grep -q $'^Top='"$T"$'\r$' "$ini" || fail "Top is not $T"
grep -q $'^Left='"$L"$'\r$' "$ini" || fail "Left is not $L"
head -c1 "$ini" | grep -q '\[' || fail "the file does not start with a section"
note "ok"
