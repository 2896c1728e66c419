# What a server does cannot hold the program: a signature request that is never answered
# leaves the update window responsive, and Cancel ends the download before the request does;
# a version.txt that trickles in a byte at a time ends at the check's deadline; a download
# longer than its signed size is refused at once.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"

gate="$out/sig-gate"
window_check_only
rm -f "$gate"
serve_files "9.0.0.0"

start_and_settle
read_local_version
NEWER="Доступно обновление $local_version ---> 9.0.0.0"
CANCELLED="Файлы обновления не загружены!"
FAILED="Не удалось проверить обновления"
NOT_AUTHENTIC="Файл обновления не прошёл проверку подлинности!"
for text in "$NEWER" "$CANCELLED" "$FAILED" "$NOT_AUTHENTIC"; do expect_text "$text"; done
now() { date +%s.%N; }

# 1. The signature trickles a byte every 2 s (inside the read time-out) until the gate opens.
serve --hold Cifrona-setup.exe.sig --gate "$gate" --drip 2
open_update_window
await_state newer "$NEWER" "download=Скачать/1 close=1 options=1 bar=*"
click_on "$(update_child "Быстрое")"  # a download that got through would only be opened
click_on "$(update_child "Скачать")"
_sig_asked() { grep -q 'GET [^ ]*Cifrona-setup.exe.sig' "$out/server.log"; }
wait_until 10 "the signature was not asked for" _sig_asked
wait_idle "$UPDATE"
await_state downloading "$NEWER" "download=Отмена/1 close=0 options=0 bar=1/*"
click_on "$(update_child "Отмена")"
await_state cancelled "$CANCELLED" "download=Скачать/1 close=1 options=1 bar=0/0"
cancelled_at=$(now)
_sig_dropped() { grep -q 'aborted [^ ]*Cifrona-setup.exe.sig after' "$out/server.log"; }
wait_until 20 "the signature request was not dropped after Cancel" _sig_dropped
dropped_at=$(grep -o 'aborted [^ ]*Cifrona-setup.exe.sig after [0-9]* bytes at [0-9.]*' "$out/server.log" | tail -n1 |
  sed 's/.* at //')
# The window was back before the request ended: it never waited for the server.
awk -v c="$cancelled_at" -v d="$dropped_at" 'BEGIN { exit !(c < d) }' ||
  fail "the window came back only after the signature request ended (at $cancelled_at, request dropped at $dropped_at)"
! grep -q 'GET [^ ]*Cifrona-setup.exe HTTP' "$out/server.log" || fail "the installer was downloaded without a signature"
holds_for 1 "an installer was started" no_installer_started
touch "$gate"
close_update_window
note "cancelled at $cancelled_at, the signature request dropped at $dropped_at"

# 2. version.txt trickles a byte every 2 s: the check gives up at its deadline, long before
#    the 120 s the whole file would take, and says so.
python3 -c 'print("9.0.0.0" + " " * 60, end="\r\n")' >"$folder/version.txt"
serve --slow version.txt --chunk 1 --pause 2
started=$(now)
open_update_window
await_state failed "$FAILED" "download=Скачать/0 close=1 options=1 bar=*"
took=$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.0f", b - a }')
note "the trickling check ended after ${took}s"
close_update_window

# 3. A download longer than its signature says is refused as soon as its length is known.
serve_files "9.0.0.0"
serve --pad Cifrona-setup.exe=2000000 --slow Cifrona-setup.exe --chunk 16384 --pause 0.02
open_update_window
await_state newer "$NEWER" "download=Скачать/1 close=1 options=1 bar=*"
click_on "$(update_child "Скачать")"
await_state refused "$NOT_AUTHENTIC" "download=Скачать/1 close=1 options=1 bar=0/*"
_download_dropped() { grep -q 'aborted [^ ]*Cifrona-setup.exe after' "$out/server.log"; }
wait_until 20 "the oversize download was not dropped" _download_dropped
sent=$(grep -o 'aborted [^ ]*Cifrona-setup.exe after [0-9]*' "$out/server.log" | tail -n1 | sed 's/.* after //')
((sent < 1000000)) || fail "the oversize download was read to $sent bytes"
[[ ! -e "$installer" ]] || fail "the oversize download was written"
holds_for 1 "an installer was started" no_installer_started
app_running || fail "the program ended"
note "the oversize download was dropped after $sent bytes"
