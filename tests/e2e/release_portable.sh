# The portable archive of the release folder: unpacked into an empty folder it runs as a
# portable copy; an older portable copy in a folder with a Russian name updates itself from
# it through the program, and keeps the user's settings.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/release_lib.sh"
clear_settings

# What the archive holds, in an order the update script can extract: a file whose folder
# has no folder entry before it would be skipped.
python3 - "$RELEASE/Cifrona.zip" >"$out/layout.txt" <<'PY' || fail "archive layout: $(cat "$out/layout.txt")"
import sys, zipfile
names = [i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist()]
print("\n".join(names))
errors = [f"missing {n}" for n in ("Cifrona.exe", "portable.ini", "Language/") if n not in names]
errors += [f"{n} would overwrite the user's settings" for n in names if n.lower().startswith("config/")]
for i, n in enumerate(names):
    parent = n.rstrip("/").rpartition("/")[0]
    if parent and parent + "/" not in names[:i]:
        errors.append(f"{n} comes before its folder entry")
if errors:
    print("; ".join(errors))
    sys.exit(1)
PY

# 1. Unpacked into an empty folder, it is a portable copy of this release.
rm -rf "$copy_dir" && mkdir -p "$copy_dir"
unzip -q "$RELEASE/Cifrona.zip" -d "$copy_dir"
start_and_settle
caption=$(caption_of "$(widget_line)")
[[ "$caption" == "$CAPTION Portable" ]] || fail "caption '$caption', expected '$CAPTION Portable'"
shot portable >/dev/null
exit_through_menu
[[ -f "$(portable_settings)" ]] || fail "no settings beside the portable executable"
[[ ! -e "$(installed_settings)" ]] || fail "the portable copy wrote the per-user settings"

# 2. An older portable copy in the folder of a user with a Russian name updates itself from
#    this release through the program: Yes at start-up downloads and checks the signed
#    archive, the program unpacks it beside itself and ends, the update script moves it into
#    place and starts the new copy. The user's settings and language file stay.
older="${CIFRONA_OLDER_RELEASE_DIR:?}/download/Cifrona"
[[ -f "$older/Cifrona.zip" ]] || fail "no older release in $older: run bash tools/release.sh --test --version 0.9.0.0"
OLDER_VERSION=$(tr -d '\r\n' <"$older/version.txt")
source "$(dirname "$0")/update_lib.sh"
www="$CIFRONA_RELEASE_DIR"  # laid out as the update server serves it
APP_PATTERN='Cifrona\.exe$'
rm -rf "$copy_dir"
copy_dir="$WINEPREFIX/drive_c/users/Иван Петров/Программы/Cifrona"
copy_win='C:\users\Иван Петров\Программы\Cifrona'
rm -rf "$copy_dir" && mkdir -p "$copy_dir"
unzip -q "$older/Cifrona.zip" -d "$copy_dir"
start_and_settle
caption=$(caption_of "$(widget_line)")
[[ "$caption" == "Cifrona $OLDER_VERSION ($BITS-bit) Portable" ]] || fail "the older copy's caption '$caption'"
exit_through_menu
[[ -f "$(portable_settings)" ]] || fail "the older portable copy wrote no settings"
printf '[Cifrona]\n' >"$copy_dir/Language/Older.ini"
cp "$(portable_settings)" "$out/settings-before.ini"
rm -f "$(temp_dir)"/update_*.bat
serve
start_app
wait_started 30 "no update question appeared" question_shown
answer_yes
wait_for 90 app_ended || fail "the older copy did not end after starting the update"
_new_copy() { [[ "$(caption_of "$(widget_line)")" == "$CAPTION Portable" ]]; }
wait_until 60 "the new copy did not start (widget: '$(caption_of "$(widget_line)")')" _new_copy
cmp -s "$copy_dir/Cifrona.exe" "$RELEASE_EXE" || fail "the update did not replace Cifrona.exe"
cmp -s "$(portable_settings)" "$out/settings-before.ini" || fail "the update changed the user's settings"
[[ -f "$copy_dir/Language/Older.ini" ]] || fail "the update removed a language file of the user's"
_cleaned() { [[ ! -e "$copy_dir/update.staging" && -z "$(compgen -G "$(temp_dir)/update_*.bat")" ]]; }
wait_until 20 "the staging folder or the update script was left behind" _cleaned
[[ ! -e "$copy_dir/Cifrona.zip" ]] || fail "the archive was left in the program folder"
shot updated >/dev/null
stop_app
note "ok: updated in C:\\users\\Иван Петров\\Программы\\Cifrona from $OLDER_VERSION to $VERSION"
