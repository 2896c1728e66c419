# Automatic digit colour: with "Авто цвет" ticked the digits turn black on a light
# wallpaper (JPEG) and white on a dark one (PNG), the disabled colour list shows the same
# colour, and unticking gives the list's colour back to the digits and the list at once.
# The wallpaper is set where the system keeps it, HKCU\Control Panel\Desktop\Wallpaper.
source "$(dirname "$0")/lib.sh"

set_wallpaper() { wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d "$1" /f >/dev/null 2>&1; }
# Leaves nothing behind: the Windows-side tests read the same prefix's settings.
trap 'kill_all; set_wallpaper ""; clear_settings' EXIT

# Two solid wallpapers in the scenario's folder.
convert -size 640x480 xc:'#f0f0f0' -quality 95 "$copy_dir/light.jpg"
convert -size 400x300 xc:'#101010' "$copy_dir/dark.png"

# The colour of one screen pixel as RRGGBB: pixel_at PNG X Y
pixel_at() { convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | sed -nE '2s/.*#([0-9A-Fa-f]{6}).*/\1/p' | tr a-f A-F; }
# The digit pixel P (found while the digits are white) has colour RRGGBB now.
digit_is() { [[ $(pixel_at "$(shot digit-check)" "$px" "$py") == "$1" ]]; }
# How many pixels of a colour the colour list (the dialog's second combo box) shows.
list_count() {
  local l t r b
  read -r l t r b < <(rect_of "$(child ComboBox 2)")
  count_color "$(shot list-check)" "$l" "$t" $((r - l)) $((b - t)) "$1"
}

# 1. A light wallpaper; the digits start in the list's colour, white.
clear_settings
set_wallpaper "$copy_win\\light.jpg"
start_and_settle
read -r px py < <(digit_pixel "$(shot start)" $(rect_of "$(widget_line)"))
[[ -n "$px" ]] || fail "no white digit pixel at start"
note "digit pixel at $px,$py"
open_settings
auto=$(child_text "Авто цвет")
[[ -n "$auto" ]] || fail "no Авто цвет box"
[[ $(field "$auto" state) == 0 ]] || fail "Авто цвет starts ticked"

# Ticking it samples at once: black digits on the light wallpaper, and a black list.
click_on "$auto"
start=$(date +%s%N)
wait_for 5 digit_is 000000 || fail "the digits did not turn black on the light wallpaper"
note "black digits after $((($(date +%s%N) - start) / 1000000)) ms"
[[ $(field "$(child_text "Авто цвет")" state) == 1 ]] || fail "Авто цвет is not ticked"
black_list=$(list_count 000000)
note "black pixels in the colour list: $black_list"
((black_list > 500)) || fail "the disabled colour list does not show the automatic colour"
shot auto-on-light >/dev/null

# Unticking gives the list's colour (white) back to the digits and the list its own
# background, at once.
click_on "$(child_text "Авто цвет")"
wait_for 2 digit_is FFFFFF || fail "the digits did not return to the list's white"
after=$(list_count 000000)
note "black pixels in the colour list after switching off: $after"
((after < black_list / 4)) || fail "the colour list kept the automatic background"
shot auto-off >/dev/null

# 2. A dark wallpaper (PNG) and the box stored ticked: the start-up load samples, and the
# digits come out white. Wine keeps a program's wallpaper path for its whole life (its
# system-parameter cache), so a new path is given to a new start here; the live change of
# path is covered by the native tests.
stop_app
mkdir -p "$(dirname "$(installed_settings)")"
printf '[Option]\r\nCheckBoxAutoColor=1\r\n' >"$(installed_settings)"
set_wallpaper "$copy_win\\dark.png"
start_and_settle
wait_for 5 digit_is FFFFFF || fail "the digits are not white on the dark wallpaper"
shot auto-on-dark >/dev/null
note ok
