# Installing this release over an older installed build that is running, with the switches
# the updater passes: the older program is closed, the newer one installed in its place and
# started. Needs the older release folder, which tools/test.sh makes (bash tools/release.sh --test
# --preset win64 --version 0.9.0.0, or --version 0.9.0.0 for the 32-bit one).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/release_lib.sh"
older="${CIFRONA_OLDER_RELEASE_DIR:?}/download/Cifrona"
[[ -f "$older/Cifrona-setup.exe" ]] || fail "no older release in $older: run bash tools/release.sh --test --version 0.9.0.0"
OLDER_VERSION=$(tr -d '\r\n' <"$older/version.txt")
[[ "$OLDER_VERSION" != "$VERSION" ]] || fail "the older release carries this version, $VERSION"

clear_settings
remove_installation
temp_unix="$(local_dir)/Temp"
temp_win="C:\\users\\$(wine_user)\\AppData\\Local\\Temp"
mkdir -p "$temp_unix/older"
cp "$older/Cifrona-setup.exe" "$temp_unix/older/Cifrona-setup.exe"
cp "$RELEASE/Cifrona-setup.exe" "$temp_unix/Cifrona-setup.exe"

run_installer "$temp_win\\older\\Cifrona-setup.exe" '/SILENT /SUPPRESSMSGBOXES /MERGETASKS="runcmd1"'
wait_for 30 widget_shown || fail "the older installer did not start the program"
old_caption=$(caption_of "$(widget_line)")
[[ "$old_caption" == "Cifrona $OLDER_VERSION ($BITS-bit)" ]] || fail "older caption '$old_caption'"
wait_settled

run_installer "$temp_win\\Cifrona-setup.exe" '/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG= /MERGETASKS="runcmd1"'
is_newer() { [[ "$(caption_of "$(widget_line)")" == "$CAPTION" ]]; }
wait_for 30 is_newer || fail "after the update the widget reads '$(caption_of "$(widget_line)")', not '$CAPTION'"
[[ $(probe_windows | grep -c 'layered=1') == 1 ]] || fail "more than one widget after the update"
cmp -s "$(install_dir)/Cifrona.exe" "$RELEASE_EXE" || fail "the installed Cifrona.exe is not this release's"
entry=$(uninstall_entry) || fail "no uninstall entry after the update"
grep -q "DisplayVersion.*REG_SZ.*$VERSION\$" <<<"$entry" || fail "the uninstall entry still names another version"
# /LANG= with nothing after it: the program's own language, Russian.
grep -qi 'Language.*REG_DWORD.*0x419$' <<<"$entry" || fail "an empty /LANG= did not pick the Russian installer"
shot updated >/dev/null

wine "C:\\users\\$(wine_user)\\AppData\\Local\\Programs\\Cifrona\\uninstall.exe" /S >/dev/null 2>&1 || true
uninstalled() { [[ ! -e "$(install_dir)" ]]; }
wait_for 60 uninstalled || fail "the uninstaller did not remove the updated installation"
note "ok"
