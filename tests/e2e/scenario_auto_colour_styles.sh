# The automatic colour in the disabled colour list, whatever the look: with "Авто цвет" on
# the list's field shows the automatic colour while disabled, black without a wallpaper
# (the desktop counts as white) and white on a dark wallpaper, before any theme is chosen
# and under "Светлая", "Темная" and "Системная". The settings dialog's pictures go to docs/
# (auto-colour-*.png) from the 32-bit build.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/theme_lib.sh"

set_wallpaper() { wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d "$1" /f >/dev/null 2>&1; }
# Leaves nothing behind: the Windows-side tests read the same prefix's settings.
trap 'kill_all; set_wallpaper ""; apps_mode 1; clear_settings' EXIT
convert -size 400x300 xc:'#101010' "$copy_dir/dark.png"

# The share (per cent) of the list's field in a colour: the field inside the border, left
# of the arrow; the swatch and the colour's name take the rest.
field_share() {
  local l t r b w h n png
  read -r l t r b < <(rect_of "$(child ComboBox 2)")
  w=$((r - l - 26)) h=$((b - t - 8))
  png=$(shot field)
  n=$(count_color "$png" $((l + 4)) $((t + 4)) "$w" "$h" "$1")
  echo $((n * 100 / (w * h)))
}
field_is() { (($(field_share "$1") >= 50)); }
# check_field LOOK RRGGBB NAME: the disabled list's field shows the colour; the dialog's
# picture is kept.
check_field() {
  local x y w h
  [[ $(field "$(child ComboBox 2)" enabled) == 0 ]] || fail "$1: the colour list is not disabled"
  wait_for 10 field_is "$2" || fail "$1: the disabled colour list's field is $(field_share "$2") % #$2, not the automatic colour"
  note "$1: the field is $(field_share "$2") % #$2"
  read -r x y w h < <(client_of "$SETTINGS")
  convert "$(shot "$3")" -crop "${w}x$h+$x+$y" +repage -define png:exclude-chunks=date,time "$docs/auto-colour-$3.png"
}
auto_colour_ticked() { child_text "Авто цвет" | grep -q 'state=1'; }

# 1. No wallpaper: black automatic colour, which Wine's black key background hides, so the
# widget's menu cannot be opened on a digit afterwards: each look is a start of its own,
# with the theme stored and the box ticked in the open dialog.
set_wallpaper ""
apps_mode 0
for look in plain:"no theme" light-black:Светлая dark-black:Темная; do
  clear_settings
  mkdir -p "$(dirname "$(installed_settings)")"
  case ${look%%:*} in
    light-black) printf '[Option]\r\nThemeLight=1\r\n' >"$(installed_settings)" ;;
    dark-black) printf '[Option]\r\nThemeDark=1\r\n' >"$(installed_settings)" ;;
  esac
  start_and_settle
  open_settings
  case ${look%%:*} in
    light-black) wait_for 10 is_light "$SETTINGS" || fail "the settings dialog is not light" ;;
    dark-black) wait_for 10 is_dark "$SETTINGS" || fail "the settings dialog is not dark" ;;
  esac
  click_on "$(child_text "Авто цвет")"
  wait_for 5 auto_colour_ticked || fail "automatic colour did not tick"
  check_field "${look#*:}" 000000 "${look%%:*}"
  settings_keys Escape
  stop_app
done

# 2. A dark wallpaper: white automatic colour, stored on and dark. Wine keeps a program's
# wallpaper path for its whole life, so the new path is given to a new start.
clear_settings
mkdir -p "$(dirname "$(installed_settings)")"
printf '[Option]\r\nCheckBoxAutoColor=1\r\nThemeDark=1\r\n' >"$(installed_settings)"
set_wallpaper "$copy_win\\dark.png"
start_and_settle
open_settings
wait_for 10 is_dark "$SETTINGS" || fail "the settings dialog did not start dark"
check_field "Темная" FFFFFF dark
choose_theme 1
wait_for 10 is_light "$SETTINGS" || fail "the settings dialog did not turn light"
check_field "Светлая" FFFFFF light
choose_theme 0  # apps are dark: the dark style again
wait_for 10 is_dark "$SETTINGS" || fail "the settings dialog did not follow the dark apps"
check_field "Системная" FFFFFF system-dark

# Switched off, the list has its style's field again.
click_on "$(child_text "Авто цвет")"
wait_for 5 _fails auto_colour_ticked || fail "automatic colour did not untick"
wait_for 10 _fails field_is FFFFFF || fail "the enabled list kept the automatic colour"
settings_keys Escape
note ok
