# The English texts at 150 % (144 DPI; scenario_language shows them at 100 %): the settings
# dialog, the About box and the context menu in English, with every settings control inside
# its dialog. Screenshots for the eye in the scenario's output folder. Runs in a linked copy
# of the test prefix.
DPI_PREFIX_SUFFIX=language-dpi
source "$(dirname "$0")/dpi_prefix.sh"

cp -r "$(dirname "$CIFRONA_EXE")/Language" "$copy_dir/Language"
SETTINGS="Settings"
ABOUT="About Cifrona"
about_line() { probe_windows | grep 'visible=1' | grep -F "caption=\"$ABOUT\"" | head -n1; }
about_shown() { [[ -n "$(about_line)" ]]; }
about_gone() { ! about_shown; }
# The widget centres itself on its first ticks; a click aimed at a moving widget misses. Its
# place must hold longer than a one-second tick.
widget_rect() { field "$(widget_line)" rect; }
wait_widget_still() { STEADY_SPAN=1.2 wait_steady 20 "the widget keeps moving" widget_rect; }

for dpi in 144; do
  clear_settings
  mkdir -p "$(dirname "$(installed_settings)")"
  printf '[Language]\r\nLanguage=English\r\n' >"$(installed_settings)"
  set_dpi "$dpi"
  start_and_settle
  # The settings dialog: opened from the menu's "Settings" (the same place as "Настройки");
  # choosing keeps the English menu's screenshot.
  wait_widget_still
  open_widget_menu
  choose_menu_item "Настройки"
  cp "$out/menu.png" "$out/menu-$dpi.png"
  wait_for 10 settings_shown || fail "the English settings dialog did not open at $dpi DPI"
  wait_drawn 10 "the English settings dialog was not drawn at $dpi DPI" settings_line
  shot "settings-$dpi" >/dev/null
  read -r dl dt dr db < <(rect_of "$(settings_line)")
  while read -r c; do
    read -r l t r b < <(rect_of "$c")
    ((l >= dl && t >= dt && r <= dr && b <= db)) || fail "outside the dialog at $dpi DPI: $c"
  done < <(probe_children | grep -F "top=\"$SETTINGS\"" | grep 'visible=1')
  probe_children | grep -F "top=\"$SETTINGS\"" | grep -qF 'text="Start when I sign in to Windows"' ||
    fail "the settings dialog is not in English at $dpi DPI"
  settings_keys Escape
  wait_for 10 settings_gone || fail "Escape did not close the settings dialog"

  wait_widget_still
  open_widget_menu
  choose_menu_item "О программе"
  wait_for 10 about_shown || fail "About did not open at $dpi DPI"
  wait_drawn 10 "About was not drawn at $dpi DPI" about_line
  shot "about-$dpi" >/dev/null
  stop_app
done
note ok
