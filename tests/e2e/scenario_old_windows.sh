# On a Windows version below 10 the program shows its error box and ends without
# writing settings.
source "$(dirname "$0")/lib.sh"
restore() { wine winecfg /v win10 >/dev/null 2>&1 || true; kill_all; }
trap restore EXIT
clear_settings
wine winecfg /v win7 >/dev/null 2>&1
start_app
error_box() { probe_windows | grep 'visible=1' | grep 'class=#32770' | grep -q 'caption="Ошибка"'; }
wait_started 30 "no error box titled 'Ошибка'" error_box
widget_shown && fail "the widget is shown although Windows is too old"
shot error-box >/dev/null
box=$(xdotool search --name 'Ошибка' | head -n1)
xdotool windowfocus --sync "$box" key Return
wait_for 15 app_ended || fail "the program did not end after the error box"
[[ ! -e "$(installed_settings)" ]] || fail "a settings file was written"
note "ok"
