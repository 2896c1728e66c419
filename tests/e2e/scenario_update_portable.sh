# A portable copy updates itself: Yes to the start-up question downloads the signed archive,
# the program unpacks it beside itself, writes the update script into the temporary folder,
# starts it and ends; the script moves the unpacked files into place and starts the new copy.
# 1. In a folder whose name holds what a command line would act on (fullwidth quotes, which a
#    best-fit conversion makes ASCII ones, "&calc&", "%PATH%", "!" and "^"): it updates, and
#    nothing of the name is run.
# 2. A signed archive with an entry that climbs out of the program folder is refused whole:
#    nothing is written outside the folder, nothing is unpacked, the old copy keeps running.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"
OLDER_EXE="$(dirname "$CIFRONA_EXE")/older-0.9.0.0/Cifrona.exe"
[[ -f "$OLDER_EXE" ]] || fail "the build's older copy $OLDER_EXE is missing"
BITS=$(exe_bits "$CIFRONA_EXE")
# Every copy of this scenario is named Cifrona.exe; scenarios run one at a time in a prefix.
APP_PATTERN='Cifrona\.exe$'
clear_settings

# place_copy DIR-NAME: an older portable copy in C:\e2e\DIR-NAME, the scenario's copy from now on.
place_copy() {
  rm -rf "$copy_dir"
  copy_dir="$WINEPREFIX/drive_c/e2e/$1"
  copy_win="C:\\e2e\\$1"
  rm -rf "$copy_dir" && mkdir -p "$copy_dir/Language"
  cp "$OLDER_EXE" "$copy_dir/Cifrona.exe"
  : >"$copy_dir/portable.ini"
  printf '[Cifrona]\r\n' >"$copy_dir/Language/Mine.ini"
}
# serve_archive ENTRIES...: Cifrona.zip of NAME=FILE pairs (FILE from this machine), signed.
serve_archive() {
  mkdir -p "$folder"
  python3 - "$folder/Cifrona.zip" "$@" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for pair in sys.argv[2:]:
        name, _, path = pair.partition("=")
        z.writestr(zipfile.ZipInfo(name), open(path, "rb").read() if path else b"")
PY
  printf '9.0.0.0\r\n' >"$folder/version.txt"
  sign "$folder/Cifrona.zip" "9.0.0.0"
}
scripts() { compgen -G "$(temp_dir)/update_[0-9][0-9][0-9][0-9][0-9][0-9].bat" || true; }
# The restarted copy is the new one: its caption names a version other than the older copy's.
new_caption() {
  [[ "$(caption_of "$(widget_line)")" =~ ^Cifrona\ ([0-9.]+)\ \($BITS-bit\)\ Portable$ ]] &&
    [[ ${BASH_REMATCH[1]} != 0.9.0.0 ]] && NEW_VERSION=${BASH_REMATCH[1]}
}
calc_running() { pgrep -f 'calc\.exe' >/dev/null; }
no_calc() { ! calc_running; }

serve
rm -f "$(temp_dir)"/update_*.bat
printf 'from the new version\r\n' >"$out/New.ini"
serve_archive "Cifrona.exe=$CIFRONA_EXE" "portable.ini=" "Language/" "Language/New.ini=$out/New.ini"

# 1. The folder with the hostile name.
place_copy 'Cifrona ＂&calc&＂ %PATH% ! ^'
start_app
wait_started 30 "no update question appeared" question_shown
answer_yes
wait_for 60 app_ended || fail "the program did not end after starting the update script"
stop_server  # the restarted copy finds no server, so it asks nothing
script=$(scripts | head -n1)
[[ -n "$script" ]] && cp "$script" "$out/script.bat" 2>/dev/null || note "the script was gone before it could be kept"
[[ ! -e "$copy_dir/Config/Option.ini" ]] || fail "the settings were written before the update"
wait_for 60 new_caption || fail "the updated copy did not start (widget: '$(caption_of "$(widget_line)")')"
holds_for 2 "a command from the folder's name ran" no_calc
cmp -s "$copy_dir/Cifrona.exe" "$CIFRONA_EXE" || fail "Cifrona.exe was not replaced"
[[ -f "$copy_dir/Language/New.ini" && -f "$copy_dir/Language/Mine.ini" ]] || fail "the language files are not both there"
_staging_gone() { [[ ! -e "$copy_dir/update.staging" ]]; }
_scripts_gone() { [[ -z "$(scripts)" ]]; }
wait_until 20 "the staging folder was left behind" _staging_gone
wait_until 20 "the update script did not delete itself" _scripts_gone
[[ ! -e "$copy_dir/Cifrona.zip" ]] || fail "the archive was left in the program folder"
if [[ -s "$out/script.bat" ]]; then
  # The script is ASCII and names no folder: nothing of the name can reach a command line.
  ! LC_ALL=C grep -q '[^ -~'$'\r'']' "$out/script.bat" || fail "the script holds non-ASCII bytes"
  ! grep -qF 'calc' "$out/script.bat" || fail "the script holds the folder's name"
fi
shot updated >/dev/null
note "updated in '$(basename "$copy_dir")' to $NEW_VERSION"
stop_app

# 2. A signed archive with a climbing entry.
rm -f "$(args_file)"
serve
serve_archive "Cifrona.exe=$CIFRONA_EXE" "..\\..\\evil.txt=$out/New.ini" "../outside.txt=$out/New.ini"
place_copy update_portable_refused
parent="$(dirname "$copy_dir")"
before=$(cd "$parent" && find . -path "./update_portable_refused" -prune -o -print | sort)
start_app
wait_started 30 "no update question appeared" question_shown
answer_yes
refused() {
  probe children Cifrona.exe 2>/dev/null | grep 'class=Button' | grep -F 'text="Скачать"' | grep -q 'visible=1 enabled=1'
}
wait_for 60 refused || fail "the window did not come back after the refused archive"
holds_for 3 "the program ended after a refused archive" app_running
cmp -s "$copy_dir/Cifrona.exe" "$OLDER_EXE" || fail "Cifrona.exe was changed"
[[ ! -e "$copy_dir/update.staging" && ! -e "$copy_dir/Cifrona.zip" ]] || fail "the refused archive left files: $(ls -A "$copy_dir")"
[[ -z "$(scripts)" ]] || fail "an update script was written"
after=$(cd "$parent" && find . -path "./update_portable_refused" -prune -o -print | sort)
[[ "$before" == "$after" ]] || fail "files came outside the program folder: $(comm -13 <(echo "$before") <(echo "$after") | tr '\n' ' ')"
[[ ! -e "$WINEPREFIX/drive_c/evil.txt" && ! -e "$WINEPREFIX/drive_c/outside.txt" ]] || fail "an entry reached C:\\"
shot refused >/dev/null
note "the climbing archive was refused; the old copy runs on"
stop_app
