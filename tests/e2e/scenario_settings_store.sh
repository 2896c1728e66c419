# Settings reach the file only through "Ok" or the exit: the close box writes nothing.
# Out-of-range stored values start clamped by the controls.
source "$(dirname "$0")/lib.sh"
clear_settings
mkdir -p "$(dirname "$(installed_settings)")"
printf '[Option]\r\nSpinEditNumber=9999\r\nTrackBarScale=20\r\nComboBoxFont=9\r\n' >"$(installed_settings)"
start_and_settle
open_settings
[[ $(text_of "$(child Edit 1)") == 5000 ]] || fail "number 9999 shows as '$(text_of "$(child Edit 1)")'"
[[ $(field "$(child msctls_trackbar32)" state) == 30 ]] || fail "scale 20 gives $(field "$(child msctls_trackbar32)" state)"
[[ $(text_of "$(child Edit 2)") == 30 ]] || fail "scale field shows '$(text_of "$(child Edit 2)")'"
[[ $(field "$(child ComboBox 1)" state) == -1 ]] || fail "font index 9 selects $(field "$(child ComboBox 1)" state)"
shot clamped >/dev/null

# The close box (Alt+F4 gives the same system command) hides the dialog and writes nothing.
settings_keys Down
settings_keys alt+F4
wait_for 10 settings_gone || fail "the close box did not hide the dialog"
app_running || fail "closing the dialog ended the program"
[[ $(cat "$(installed_settings)") == "$(printf '[Option]\r\nSpinEditNumber=9999\r\nTrackBarScale=20\r\nComboBoxFont=9\r\n')" ]] ||
  fail "the close box wrote the settings file"

# Shown again, the change is still there; Escape hides it without storing too.
open_settings
[[ $(text_of "$(child Edit 1)") == 4999 ]] || fail "the dialog lost the change: '$(text_of "$(child Edit 1)")'"
settings_keys Escape
wait_for 10 settings_gone || fail "Escape did not hide the dialog"
[[ $(grep -c . "$(installed_settings)") == 4 ]] || fail "Escape wrote the settings file"

# "Ok" (here by Enter, the default button) writes every key in its order and hides it.
open_settings
click_on "$(child_text "Последнее")"
settings_keys Return
wait_for 10 settings_gone || fail "Enter did not press Ok"
settings=$(tr -d '\r' <"$(installed_settings)")
note "$settings"
keys=$(sed -nE 's/^([A-Za-z]+)=.*/\1/p' <<<"$settings" | tr '\n' ' ')
[[ $keys == "SpinEditNumber TrackBarScale ComboBoxFont CheckBoxQuickUpdate ThemeAuto ThemeLight ThemeDark MenuColorTrayIcon RadioButtonDefaultPosition RadioButtonLastPosition CheckBoxIgnoreMouse ColorBoxNumber CheckBoxAutoColor Top Left " ]] ||
  fail "keys written: $keys"
for expected in SpinEditNumber=4999 TrackBarScale=30 ComboBoxFont=-1 RadioButtonLastPosition=1 RadioButtonDefaultPosition=0 \
  ColorBoxNumber=16777215 CheckBoxAutoColor=0 CheckBoxQuickUpdate=1; do
  grep -qx "$expected" <<<"$settings" || fail "missing $expected"
done
app_running || fail "Ok ended the program"

# The other end of the scale: 900 starts as 500.
stop_app
printf '[Option]\r\nTrackBarScale=900\r\n' >"$(installed_settings)"
start_and_settle
# Read from the hidden dialog: a widget this large would lie over the menu under Wine's
# bare X, which does not lower windows.
[[ $(field "$(child msctls_trackbar32)" state) == 500 ]] || fail "scale 900 gives $(field "$(child msctls_trackbar32)" state)"
[[ $(text_of "$(child Edit 2)") == 500 ]] || fail "scale field shows '$(text_of "$(child Edit 2)")'"
note ok
