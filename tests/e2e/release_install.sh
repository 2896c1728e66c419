# The installer of the release folder, run the way the updater runs it: a silent per-user
# installation that starts the program, a second one over the running program (an update:
# the program is closed first and started again, the installer speaks the language asked
# for), and an uninstallation that leaves nothing behind but the user's settings.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/release_lib.sh"

clear_settings
remove_installation
rm -f "$(start_menu_link)"

setup_unix="$(local_dir)/Temp/Cifrona-setup.exe"
setup_win="C:\\users\\$(wine_user)\\AppData\\Local\\Temp\\Cifrona-setup.exe"
mkdir -p "$(dirname "$setup_unix")"
cp "$RELEASE/Cifrona-setup.exe" "$setup_unix"

# 1. Silent installation with the updater's switches.
run_installer "$setup_win" '/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG=English /MERGETASKS="runcmd1"'
[[ -f "$(install_dir)/Cifrona.exe" ]] || fail "no Cifrona.exe in $(install_dir)"
cmp -s "$(install_dir)/Cifrona.exe" "$RELEASE_EXE" || fail "the installed Cifrona.exe is not the release build"
[[ -d "$(install_dir)/Language" ]] || fail "no Language folder installed"
[[ -f "$(install_dir)/uninstall.exe" ]] || fail "no uninstaller"
[[ ! -e "$(install_dir)/portable.ini" ]] || fail "the installed copy carries the portable marker"
[[ -f "$(start_menu_link)" ]] || fail "no Start-menu shortcut"
uninstall_entry >"$out/uninstall-entry.txt"
grep -q "DisplayVersion.*REG_SZ.*$VERSION\$" "$out/uninstall-entry.txt" || fail "uninstall entry lacks DisplayVersion $VERSION"
grep -qi 'UninstallString.*REG_SZ.*uninstall.exe' "$out/uninstall-entry.txt" || fail "uninstall entry lacks UninstallString"
grep -qi 'Language.*REG_DWORD.*0x409$' "$out/uninstall-entry.txt" || fail "/LANG=English did not pick the English installer"

# 2. runcmd1 started the installed program, which runs as an installed copy of this version.
wait_for 30 widget_shown || fail "the installer did not start the program"
first=$(widget_line)
caption=$(caption_of "$first")
[[ "$caption" == "$CAPTION" ]] || fail "caption '$caption', expected '$CAPTION'"
wait_settled
shot installed >/dev/null

# 3. Installing again over the running program: it is closed first (its close keeps its
#    settings) and started again afterwards.
run_installer "$setup_win" '/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG=Russian /MERGETASKS="runcmd1"'
[[ -f "$(installed_settings)" ]] || fail "the running program was not closed the way Exit closes it"
restarted() { local l; l=$(widget_line); [[ -n "$l" && "${l%% *}" != "${first%% *}" ]]; }  # another hwnd
wait_for 30 restarted || fail "the program was not started again after the update"
[[ $(probe_windows | grep -c 'layered=1') == 1 ]] || fail "more than one widget after the update"
# Read into a variable first: grep -q ending a pipe early would fail it under pipefail.
russian_entry() { local e; e=$(uninstall_entry) && grep -qi 'Language.*REG_DWORD.*0x419$' <<<"$e"; }
wait_for 10 russian_entry || fail "/LANG=Russian did not pick the Russian installer ($(uninstall_entry | grep -i language))"
wait_settled

# 4. The uninstaller (as the uninstall entry's quiet form runs it) closes the program and
#    removes everything but the settings, the start-at-logon entry of this copy included.
installed_win="C:\\users\\$(wine_user)\\AppData\\Local\\Programs\\Cifrona\\Cifrona.exe"
wine reg add "$RUN_KEY" /v Cifrona /d "$installed_win" /f >/dev/null 2>&1 || fail "could not register start at logon"
uninstall_win="C:\\users\\$(wine_user)\\AppData\\Local\\Programs\\Cifrona\\uninstall.exe"
wine "$uninstall_win" /S >"$out/uninstall.log" 2>&1 || true
uninstalled() { [[ ! -e "$(install_dir)" ]] && ! uninstall_entry >/dev/null 2>&1; }
wait_for 60 uninstalled || fail "the uninstaller left $(ls -A "$(install_dir)" 2>/dev/null | tr '\n' ' ')"
wait_for 10 no_program_window || fail "the program still runs after the uninstallation"
[[ ! -e "$(start_menu_link)" ]] || fail "the Start-menu shortcut is left"
! run_entry || fail "the start-at-logon entry of the removed copy is left"
[[ -f "$(installed_settings)" ]] || fail "the uninstaller removed the user's settings"
note "ok"
