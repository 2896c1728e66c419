# Authenticode: every executable of the release folder that Windows runs carries a signature
# that verifies against the certificate it was signed with (the build's throw-away one for a
# test release): the installer, Cifrona.exe as staged and inside the archive, and what a
# silent installation with the winget manifest's switches puts on disk, the uninstaller the
# installer wrote included. A copy with one byte changed fails.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/release_lib.sh"
: "${CIFRONA_CODESIGN_CERT:?}"
verify() { bash "$repo/tools/codesign.sh" --verify "$CIFRONA_CODESIGN_CERT" "$1"; }
[[ ! -e "$CIFRONA_RELEASE_DIR/NOT-AUTHENTICODE-SIGNED.txt" ]] || fail "the release folder is marked unsigned"

unzip -p "$RELEASE/Cifrona.zip" Cifrona.exe >"$out/zip-Cifrona.exe"
for f in "$RELEASE/Cifrona-setup.exe" "$RELEASE_EXE" "$out/zip-Cifrona.exe"; do
  verify "$f" || fail "$f has no valid Authenticode signature"
done

# One byte changed in the middle of the code: the signature no longer holds.
cp "$RELEASE_EXE" "$out/changed.exe"
offset=$(( $(stat -c %s "$out/changed.exe") / 3 ))
byte=$(od -An -tu1 -j "$offset" -N1 "$out/changed.exe" | tr -d ' ')
printf "\\x$(printf %02x $(( (byte + 1) % 256 )))" | dd of="$out/changed.exe" bs=1 seek="$offset" conv=notrunc 2>/dev/null
! cmp -s "$out/changed.exe" "$RELEASE_EXE" || fail "the copy was not changed"
! verify "$out/changed.exe" || fail "a copy with one byte changed still verifies"

# A silent installation as winget runs it; the uninstaller is written by the installer.
silent=$(python3 -c 'import sys, yaml; print(yaml.safe_load(open(sys.argv[1]))["InstallerSwitches"]["Silent"])' \
  "$CIFRONA_RELEASE_DIR/manifests/winget/CifronaProject.Cifrona.installer.yaml") || fail "no winget installer manifest"
clear_settings
remove_installation
setup_unix="$(local_dir)/Temp/Cifrona-setup.exe"
mkdir -p "$(dirname "$setup_unix")"
cp "$RELEASE/Cifrona-setup.exe" "$setup_unix"
run_installer "C:\\users\\$(wine_user)\\AppData\\Local\\Temp\\Cifrona-setup.exe" "$silent"
for f in Cifrona.exe uninstall.exe; do
  [[ -f "$(install_dir)/$f" ]] || fail "the silent installation made no $f"
  verify "$(install_dir)/$f" || fail "the installed $f has no valid Authenticode signature"
done
cp "$(install_dir)/uninstall.exe" "$out/uninstall-changed.exe"
printf '\x00\xff' | dd of="$out/uninstall-changed.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
! verify "$out/uninstall-changed.exe" || fail "an uninstaller with bytes changed still verifies"
uninstall_win="C:\\users\\$(wine_user)\\AppData\\Local\\Programs\\Cifrona\\uninstall.exe"
uninstalled() { [[ ! -e "$(install_dir)" ]]; }
wine "$uninstall_win" /S >"$out/uninstall.log" 2>&1 || true
# Wine now and then gives up on starting a process before any of it runs (see lib.sh): such
# a start is tried again; any other failure is the uninstaller's.
if ! wait_for 60 uninstalled && wine_could_not_start "$out/uninstall.log"; then
  note "Wine could not start the uninstaller; starting it again"
  wine "$uninstall_win" /S >>"$out/uninstall.log" 2>&1 || true
  wait_for 60 uninstalled || true
fi
uninstalled || fail "the signed uninstaller did not remove the installation (it said: $(tail -n3 "$out/uninstall.log" | tr '\n' ' '))"
note "ok"
