# "Светлая" and "Темная" hold whatever Windows says: a setting change with the apps in the
# other mode changes nothing; the widget keeps its digits and key colour; the update dialog
# takes each style, checked by pixels; the choice survives a restart.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/theme_lib.sh"

clear_settings
apps_mode 0
start_and_settle
widget_start=$(widget_picture start)
open_settings

# ---- "Светлая" holds against Windows' dark apps; a setting change changes nothing.
choose_theme 1
wait_for 10 is_light "$SETTINGS" || fail "\"Светлая\" did not make the settings dialog light"
setting_change  # synchronous: the widget has handled it when this returns
is_light "$SETTINGS" || fail "a setting change turned \"Светлая\" dark"
same_widget light
open_update
wait_for 10 is_light "$UPDATE" || fail "the update dialog is not light under \"Светлая\""
check_dialog "$UPDATE" light update-light
close_update

# ---- "Темная" holds against light apps.
choose_theme 2
wait_for 10 is_dark "$SETTINGS" || fail "\"Темная\" did not make the settings dialog dark"
apps_mode 1
setting_change
is_dark "$SETTINGS" || fail "a setting change turned \"Темная\" light"
same_widget dark
open_update
wait_for 10 is_dark "$UPDATE" || fail "the update dialog is not dark under \"Темная\""
check_dialog "$UPDATE" dark update-dark
close_update

# ---- The choice survives a restart, whatever the apps' mode.
settings_keys Escape
exit_through_menu
grep -q "ThemeDark=1" "$(installed_settings)" || fail "ThemeDark was not stored"
grep -q "ThemeAuto=0" "$(installed_settings)" || fail "ThemeAuto stored as marked"
start_and_settle
open_settings
wait_for 10 is_dark "$SETTINGS" || fail "the dark theme did not survive the restart"
same_widget restarted
note "dark after the restart; light apps ignored"
exit_through_menu
