# Interface language: start-up tidies the writable language files only; choosing English
# in the widget's "Язык" submenu switches every window at once and stores the name; a
# restart keeps it; the translator's log collects exactly the keys a file lacks.
source "$(dirname "$0")/lib.sh"

languages="$(dirname "$CIFRONA_EXE")/Language"
[[ -f "$languages/English.ini" && -f "$languages/Russian.ini" ]] || fail "no language files beside $CIFRONA_EXE"
lang_dir="$copy_dir/Language"
cp -r "$languages" "$lang_dir"
# The log lives in the folder above the program's: C:\e2e\Cifrona.log.
log="$(dirname "$copy_dir")/Cifrona.log"
holder=""
cleanup() {
  kill_all
  [[ -n "$holder" ]] && kill "$holder" 2>/dev/null
  chattr -i "$lang_dir/ReadOnly.ini" 2>/dev/null || true
  rm -f "$log"
}
trap cleanup EXIT

crlf() { printf '%s\r\n' "$@"; }
messy() {  # a language file with entries that name no window or component
  crlf "[Language information]" "LANGNAME=$1" "" "[Cifrona]" "Form2.Caption=$1" "Form9.Caption=gone" \
    "Form2.NoSuchButton.Caption=gone" "NoDot=gone" "[Other]" "NoDot=gone"
}
messy Tidy >"$lang_dir/Tidy.ini"
messy ReadOnly >"$lang_dir/ReadOnly.ini"
messy Open >"$lang_dir/Open.ini"
# Read-only for Wine even when the tests run as root (root ignores missing write bits).
chattr +i "$lang_dir/ReadOnly.ini" 2>/dev/null || chmod a-w "$lang_dir/ReadOnly.ini"
wine "$CIFRONA_PROBE" hold "$copy_win\\Language\\Open.ini" 60 >"$out/hold.log" 2>&1 &
holder=$!
wait_for 20 grep -q held "$out/hold.log" || fail "the probe could not hold Open.ini open"
: >"$log"
clear_settings
start_and_settle

# Start-up: the writable file is tidied, the read-only and the open one are not rewritten.
[[ "$(cat "$lang_dir/Tidy.ini")" == "$(crlf "[Language information]" "LANGNAME=Tidy" "" "[Cifrona]" "Form2.Caption=Tidy" "")" ]] ||
  fail "Tidy.ini was not tidied: $(tr -d '\r' <"$lang_dir/Tidy.ini")"
[[ "$(cat "$lang_dir/ReadOnly.ini")" == "$(messy ReadOnly)" ]] || fail "the read-only file was rewritten"
kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null || true; holder=""
[[ "$(cat "$lang_dir/Open.ini")" == "$(messy Open)" ]] || fail "the open file was rewritten"
[[ ! -s "$log" ]] || fail "the log was written with no language chosen"

# English from the submenu, while the settings dialog is open: every window switches.
open_settings
open_widget_menu
menu=$(menu_line)
choose_menu_item "Язык"
submenu_line() { probe_windows | grep 'visible=1' | grep 'class=#32768' | grep -vF "$(field "$menu" rect)" | head -n1; }
submenu_open() { [[ -n "$(submenu_line)" ]]; }
wait_for 10 submenu_open || fail "the language submenu did not open"
wait_drawn 10 "the language submenu was not drawn" submenu_line
shot submenu >/dev/null
# Entries sorted without case: English, Open, ReadOnly, Russian, Tidy. The entry lights up
# under the pointer before it is clicked: the menu has seen the pointer.
read -r l t r b < <(rect_of "$(submenu_line)")
before=$(pixels_of "$(submenu_line)")
pointer_to $((l + 30)) $((t + 3 + (b - t - 6) / 10))
wait_changed 10 "\"English\" did not light up under the pointer" submenu_line "$before"
xdotool click 1
settings_english() { probe_windows | grep 'visible=1' | grep -qF 'caption="Settings"'; }
wait_for 10 settings_english || fail "the open settings dialog did not switch to English"
probe_windows | grep -qF 'caption="About Cifrona"' || fail "the About dialog did not switch: $(probe_windows)"
probe_children | grep -F 'top="Settings"' | grep -qF 'text="Start when I sign in to Windows"' ||
  fail "the settings controls did not switch"
shot english >/dev/null  # the English settings dialog at 100 %
grep -qx $'Language=English\r' "$(installed_settings)" || fail "the choice was not stored: $(cat "$(installed_settings)")"
[[ ! -s "$log" ]] || fail "English misses keys: $(iconv -f UTF-16 -t UTF-8 "$log")"

# A restart keeps it.
stop_app
start_and_settle
probe_windows | grep -qF 'caption="Settings"' || fail "English was not kept after a restart"
open_widget_menu
shot menu-english >/dev/null
xdotool key Escape
stop_app

# The log collects exactly what a file lacks: each of the two passes of start-up (the
# settings dialog's creation, then all windows) adds the two missing keys.
grep -v -e '^Form1.MenuExit.Caption=' -e '^Form2.ButtonSave.Caption=' "$lang_dir/English.ini" >"$lang_dir/Partial.ini"
printf '[Language]\r\nLanguage=Partial\r\n' >"$(installed_settings)"
start_and_settle
missing=$(iconv -f UTF-16 -t UTF-8 "$log" | tr -d '\r\357\273\277')
expected=$(printf '%s\n' "Form1.MenuExit.Caption=Выход" "Form2.ButtonSave.Caption=Ok" \
  "Form1.MenuExit.Caption=Выход" "Form2.ButtonSave.Caption=Ok")
[[ "$missing" == "$expected" ]] || fail "the log holds: $missing"
[[ "$(head -c2 "$log" | xxd -p)" == fffe ]] || fail "the log is not UTF-16 LE with its mark"
note ok
