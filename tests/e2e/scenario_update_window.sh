# The update window opened from the widget's menu walks through its states: checking, the
# newer version offered, the download arriving bit by bit and downloaded (Quick off: the
# installer is opened without switches and the program goes on). Opened again, a slow
# download is cancelled: the window says so, the connection is dropped, the installer of
# the earlier download is deleted from the temporary folder, and nothing is started. The
# download is kept in memory until it is complete, so no part of it reaches the disk.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"

gate="$out/version-gate"
window_check_only
rm -f "$gate"
serve_files "9.0.0.0"
# The program reads the download in 16 KiB blocks and handles its window between them, so
# the installer is made 1 MiB (the stand-in runs with the padding) and signed again.
head -c $((1024 * 1024 - $(stat -c %s "$folder/Cifrona-setup.exe"))) /dev/zero >>"$folder/Cifrona-setup.exe"
sign "$folder/Cifrona-setup.exe" "9.0.0.0"
# version.txt trickles until the gate is opened, so "checking" stays on the screen until it
# has been seen; the installer comes in 8 KiB pieces 0.1 s apart (a block every 0.2 s, 13
# seconds in all).
serve --hold version.txt --gate "$gate" --slow Cifrona-setup.exe --chunk 8192 --pause 0.1

start_and_settle
read_local_version
CHECKING="Проверка обновления..."
NEWER="Доступно обновление $local_version ---> 9.0.0.0"
DOWNLOADED="Файлы обновления загружены!"
CANCELLED="Файлы обновления не загружены!"
for text in "$CHECKING" "$NEWER" "$DOWNLOADED" "$CANCELLED" "9.0.0.0"; do expect_text "$text"; done

# 1. Checking, the newer version, the download progressing, downloaded.
open_update_window
await_state checking "$CHECKING" "download=Скачать/0 close=1 options=0 bar=*"
touch "$gate"
await_state newer "$NEWER" "download=Скачать/1 close=1 options=1 bar=*"
near "$(server_version_ink)" "${INK[9.0.0.0]}" || fail "the server's version is not shown as 9.0.0.0"
click_on "$(update_child "Быстрое")"
[[ $(field "$(update_child "Быстрое")" state) == 0 ]] || fail "Quick did not untick"
click_on "$(update_child "Скачать")"
await_state downloading "$NEWER" "download=Отмена/1 close=0 options=0 bar=1/*"
wait_for 20 progress_moved || fail "the progress bar did not move on during the download (seen: ${SEEN[*]:-none})"
note "progress seen at ${SEEN[*]}"
await_state downloaded "$DOWNLOADED" "download=Скачать/1 close=1 options=1 bar=0/*"
wait_until 20 "the downloaded installer was not opened" test -e "$(args_file)"
[[ ! -s "$(args_file)" ]] || fail "the installer was given switches without Quick: $(cat "$(args_file)")"
cmp -s "$installer" "$folder/Cifrona-setup.exe" || fail "the installer left for the user is not the one served"
app_running || fail "the program ended after a download without Quick"

# 2. Opened again: a slower download (2 KiB every 0.1 s, a block every 0.8 s) cancelled as
# soon as it is under way. It is made 2 MiB, 100 seconds in all, so Cancel comes well before
# its end even on a loaded machine: the window is read only between blocks. The first
# download's installer is still in the folder.
rm -f "$(args_file)"
before=$(md5sum <"$installer")
head -c $((1024 * 1024)) /dev/zero >>"$folder/Cifrona-setup.exe"
sign "$folder/Cifrona-setup.exe" "9.0.0.0"
serve --slow Cifrona-setup.exe --chunk 2048 --pause 0.1
close_update_window
open_update_window
# Shown again after a download: no progress bar until the next one starts.
await_state reopened "$NEWER" "download=Скачать/1 close=1 options=1 bar=0/*"
click_on "$(update_child "Быстрое")"  # back to Quick: a download that got through would install at once
[[ $(field "$(update_child "Быстрое")" state) == 1 ]] || fail "Quick did not tick"
sigs=$(sig_requests)
temp_listing() { ls -A "$(temp_dir)"; }
temp_before=$(temp_listing)
click_on "$(update_child "Скачать")"
_arriving() { look && [[ $(bar_position) =~ ^[1-9][0-9]*$ ]]; }
wait_until 20 "the slow download did not get under way" _arriving
note "slow download under way at $(bar_position)% ($(shot slow-download))"
# Nothing of it is on the disk yet: the earlier installer of that name is as it was, and
# no other file has come to the folder.
[[ $(md5sum <"$installer") == "$before" ]] || fail "the running download changed the file in the temporary folder"
[[ $(temp_listing) == "$temp_before" ]] ||
  fail "files came to the temporary folder during the download: $(comm -13 <(echo "$temp_before") <(temp_listing) | tr '\n' ' ')"
click_on "$(update_child "Отмена")"
await_state cancelled "$CANCELLED" "download=Скачать/1 close=1 options=1 bar=0/0"
wait_until 10 "Cancel did not delete $installer" _installer_gone
_dropped() { grep -q 'aborted /download/Cifrona/Cifrona-setup.exe after' "$out/server.log"; }
wait_until 5 "the server did not see the download dropped" _dropped
note "$(grep -o 'aborted .*' "$out/server.log" | tail -n1)"
holds_for 1 "an installer was started after Cancel" no_installer_started
[[ ! -e "$installer" ]] || fail "the download was written after Cancel"
[[ $(temp_listing) == "$(grep -vxF Cifrona-setup.exe <<<"$temp_before")" ]] ||
  fail "the temporary folder changed otherwise after Cancel: $(temp_listing | tr '\n' ' ')"
# The signature is fetched once, before the download; nothing after Cancel.
[[ $(sig_requests) == $((sigs + 1)) ]] || fail "the signature was fetched $(($(sig_requests) - sigs)) times for one download"
app_running || fail "the program ended after Cancel"
in_state cancelled "$CANCELLED" "download=Скачать/1 close=1 options=1 bar=0/0" ||
  fail "the window left the cancelled state: $LAST"
