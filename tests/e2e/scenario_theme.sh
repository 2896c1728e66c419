# The system theme: under "Системная" the settings and About dialogs take the apps' mode,
# checked by pixels (backgrounds, every control, text contrast, the About dialog's links
# and its black text), and follow Windows at once when it switches the apps to dark while
# they are open; the widget's digits and key colour never change. The dialogs' pictures go
# to docs/ (theme-*.png) from the 32-bit build.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/theme_lib.sh"
mkdir -p "$docs"
clear_settings
apps_mode 1
start_and_settle
widget_start=$(widget_picture start)
[[ $(field "$(widget_line)" key) == 0x808080 ]] || fail "the widget has no grey key colour"

# ---- "Системная" while apps are light: the light style.
choose_theme 0
same_widget system-light
open_settings
wait_for 10 is_light "$SETTINGS" || fail "the settings dialog is not light under the system theme with light apps"
check_dialog "$SETTINGS" light settings-light
open_about
wait_for 10 is_light "$ABOUT" || fail "About is not light"
check_dialog "$ABOUT" light about-light --link 005FB8 --forbid 0000FF

# ---- Windows turns apps dark: both open dialogs follow at once.
apps_mode 0
setting_change
wait_for 10 is_dark "$ABOUT" || fail "About did not turn dark when the apps did"
check_dialog "$ABOUT" dark about-dark --link 60CDFF --forbid 000000
close_about
wait_for 10 is_dark "$SETTINGS" || fail "the settings dialog did not turn dark when the apps did"
same_widget system-dark

# Disabled text: automatic colour disables the colour list.
click_on "$(child_text "Авто цвет")"
auto_colour_ticked() { child_text "Авто цвет" | grep -q 'state=1'; }
wait_for 5 auto_colour_ticked || fail "automatic colour did not tick"
check_dialog "$SETTINGS" dark settings-dark
# Automatic colour off again: it turns the digits black, which Wine's black key background
# hides, and the menu is opened by a click on a digit.
click_on "$(child_text "Авто цвет")"
auto_colour_unticked() { child_text "Авто цвет" | grep -q 'state=0'; }
wait_for 5 auto_colour_unticked || fail "automatic colour did not untick"
wait_drawn 10 "the widget's digits were not drawn again" widget_line

settings_keys Escape
exit_through_menu
