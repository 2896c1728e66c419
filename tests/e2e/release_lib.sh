# Shared steps of the release scenarios (sourced after lib.sh): the release folder that
# tools/release.sh made, and the places a per-user installation touches in the test prefix.
: "${CIFRONA_RELEASE_DIR:?}" "${CIFRONA_SHELL_RUN:?}"
RELEASE="$CIFRONA_RELEASE_DIR/download/Cifrona"
RELEASE_EXE="$CIFRONA_RELEASE_DIR/stage/Cifrona.exe"
for f in version.txt Cifrona-setup.exe Cifrona.zip; do
  [[ -f "$RELEASE/$f" ]] || fail "$RELEASE/$f is missing: run bash tools/release.sh --test"
done
VERSION=$(tr -d '\r\n' <"$RELEASE/version.txt")
[[ "$VERSION" =~ ^[0-9]+(\.[0-9]+){3}$ ]] || fail "version.txt holds '$VERSION'"
# The caption names the build's bitness.
BITS=$(exe_bits "$RELEASE_EXE")
CAPTION="Cifrona $VERSION ($BITS-bit)"

user_dir() { dirname "$(dirname "$(appdata_dir)")"; }
wine_user() { basename "$(user_dir)"; }
local_dir() { echo "$(user_dir)/AppData/Local"; }
install_dir() { echo "$(local_dir)/Programs/Cifrona"; }
start_menu_link() { echo "$(appdata_dir)/Microsoft/Windows/Start Menu/Programs/Cifrona.lnk"; }
UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Cifrona'
uninstall_entry() { local t; t=$(wine_retry reg query "$UNINSTALL_KEY" 2>/dev/null) && [[ -n "$t" ]] && echo "$t"; }
RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
run_entry() { wine_retry reg query "$RUN_KEY" /v Cifrona >/dev/null 2>&1; }
no_program_window() { ! probe_windows | grep -q .; }

# The installed program is not this scenario's copy: end it too when the scenario ends.
kill_installed() { pkill -KILL -f 'Programs.Cifrona.Cifrona\.exe' 2>/dev/null || true; }
trap 'kill_installed; kill_all' EXIT

remove_installation() {
  kill_installed
  # The installer starts the program next: the killed copy's mutex would end it at once.
  wait_until 15 "the ended installed copy's mutex \"$APP_MUTEX\" is still there" app_mutex_gone
  rm -rf "$(install_dir)"
  wine reg delete "$UNINSTALL_KEY" /f >/dev/null 2>&1 || true
  wine reg delete "$RUN_KEY" /v Cifrona /f >/dev/null 2>&1 || true
}

# run_installer WINDOWS-PATH "PARAMETERS": starts it through the shell as the updater does
# and waits for it to end; fails unless it ends with exit code 0.
run_installer() {
  local code
  code=$(timeout 120 wine "$CIFRONA_SHELL_RUN" "$1" "$2" 2>"$out/installer.log" | tr -d '\r' | tail -n1) || true
  [[ "$code" == 0 ]] || fail "the installer ended with '$code' ($(tail -n3 "$out/installer.log" | tr '\n' ' '))"
}
