# Every caption whole under the test machine's fonts (wider than Segoe UI): the settings
# dialog and the update window in Russian and English at 100 % and 150 %, checked by pixels
# (text_fit_check.py: the ink of each text ends inside its control; the update window's
# titles keep their colons). The English dialogs' pictures at 100 % go to docs/
# (english-*.png) from the 32-bit build. Runs in a linked copy of the test prefix.
DPI_PREFIX_SUFFIX=texts-fit
source "$(dirname "$0")/dpi_prefix.sh"
source "$(dirname "$0")/theme_lib.sh"
cp -r "$(dirname "$CIFRONA_EXE")/Language" "$copy_dir/Language"
fit="$(dirname "$0")/text_fit_check.py"

# fit_check CAPTION NAME DPI [--titles ...]: the dialog's texts fit; its picture is kept.
fit_check() {
  local caption=$1 name=$2 dpi=$3 png
  shift 3
  png=$(shot "$name")
  probe_children >"$out/$name.children"
  python3 "$fit" "$png" "$out/$name.children" "$caption" "$dpi" "$@" >"$out/$name.check" ||
    { cat "$out/$name.check"; fail "$name: a text does not fit"; }
  note "$name: $(grep -c '^ok' "$out/$name.check") checks passed"
}
# keep_picture CAPTION FILE: the dialog's client area, without time stamps.
keep_picture() {
  local x y w h
  read -r x y w h < <(client_of "$1")
  convert "$(shot keep)" -crop "${w}x$h+$x+$y" +repage -define png:exclude-chunks=date,time "$2"
}

# The menu's items are chosen by their place, named in Russian whatever the language.
open_settings() {
  open_widget_menu
  choose_menu_item "Настройки"
  wait_for 10 settings_shown || fail "the settings dialog did not open"
  wait_drawn 10 "the settings dialog was not drawn" settings_line
}

for language in Russian English; do
  if [[ $language == Russian ]]; then
    SETTINGS="Настройки" UPDATE="Обновление Cifrona" CLOSE="Закрыть"
  else
    SETTINGS="Settings" UPDATE="Update Cifrona" CLOSE="Close"
  fi
  for dpi in 96 144; do
    clear_settings
    mkdir -p "$(dirname "$(installed_settings)")"
    printf '[Language]\r\nLanguage=%s\r\n' "$language" >"$(installed_settings)"
    set_dpi "$dpi"
    start_and_settle
    open_settings
    fit_check "$SETTINGS" "settings-$language-$dpi" "$dpi"
    [[ $language == English && $dpi == 96 ]] && keep_picture "$SETTINGS" "$docs/english-settings.png"
    settings_keys Escape
    wait_for 10 settings_gone || fail "Escape did not close the settings dialog"

    # The update window settles on its failed check (nothing answers on the test ports).
    open_update
    # The titles' rows: the first group (no caption) holds them 36 and 58 pixels down (at 96 DPI).
    read -r gl gt gr gb < <(rect_of "$(probe_children | grep -F "top=\"$UPDATE\"" | grep -F 'class=CifronaPanel text=""' | head -n1)")
    fit_check "$UPDATE" "update-$language-$dpi" "$dpi" --titles "$gl" "$gt" "$gr" "$gb" $((gt + 36 * dpi / 96)) $((gt + 58 * dpi / 96))
    [[ $language == English && $dpi == 96 ]] && keep_picture "$UPDATE" "$docs/english-update.png"
    click_on "$(probe_children | grep -F "top=\"$UPDATE\"" | grep -F "text=\"$CLOSE\"" | head -n1)"
    wait_until 10 "\"$CLOSE\" did not close the update window" update_gone
    stop_app
  done
done
note ok
