# The update window opened from the widget's menu walks through its states: checking, the
# newer version offered, the download arriving bit by bit and downloaded (Quick off: the
# installer is opened without switches and the program goes on). Opened again, a slow
# download is cancelled: the window says so, the connection is dropped, the installer of
# the earlier download is deleted from the temporary folder, and nothing is started. The
# download is kept in memory until it is complete, so no part of it reaches the disk.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"

UPDATE="Обновление"
installer="$(temp_dir)/Cifrona-setup.exe"
gate="$out/version-gate"

# The update server listens on a free port and the program reaches it as its proxy (the
# user's Internet settings in this prefix), so no other program on this machine that asks
# the build's fixed loopback port meets this server, and this one meets no other.
INET='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
PORT=0
trap 'kill_all; [[ -z "$SERVER_PID" ]] || kill "$SERVER_PID" 2>/dev/null || true; no_proxy' EXIT
no_proxy() {
  wine reg delete "$INET" /v ProxyEnable /f >/dev/null 2>&1 || true
  wine reg delete "$INET" /v ProxyServer /f >/dev/null 2>&1 || true
}
proxy_up() { (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null; }
proxy_down() { ! proxy_up; }
_port_told() { [[ -s "$out/server.port" ]]; }
serve() {  # serve OPTIONS...: (re)starts the server with those options (update_server.py)
  if [[ -n "$SERVER_PID" ]]; then
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    SERVER_PID=
    wait_until 10 "the previous test server still answers" proxy_down
  fi
  rm -f "$out/server.port"
  # The same port again once there is one: the proxy setting stays as it is.
  python3 "$(dirname "$0")/update_server.py" --port "$PORT" --directory "$www" "$@" \
    >"$out/server.port" 2>>"$out/server.log" &
  SERVER_PID=$!
  wait_until 10 "the test server did not tell its port" _port_told
  if ((PORT == 0)); then
    PORT=$(head -n1 "$out/server.port")
    wine reg add "$INET" /v ProxyServer /t REG_SZ /d "127.0.0.1:$PORT" /f >/dev/null 2>&1 ||
      fail "could not set the proxy"
    wine reg add "$INET" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1 || fail "could not enable the proxy"
  fi
  wait_until 10 "the test server did not start on port $PORT" proxy_up
}

# One look at the window's controls, into STATE: Download's text and whether it is enabled,
# whether Close and the options are enabled, and the progress bar's visibility and position.
# Asked of the update window alone: while a download runs, the program answers only between
# blocks of it. Not in a subshell, so the positions seen are kept (note_position).
update_children() { probe children Cifrona.exe "$UPDATE_HWND" 2>/dev/null; }
look() {
  local lines download close options bar
  STATE=""
  lines=$(update_children) || return 1
  download=$(grep 'class=Button ' <<<"$lines" | sed -n 4p)
  close=$(grep 'class=Button ' <<<"$lines" | sed -n 5p)
  options=$(grep 'class=CifronaPanel ' <<<"$lines" | sed -n 2p)
  bar=$(grep 'class=msctls_progress32 ' <<<"$lines" | head -n1)
  [[ -n "$download" && -n "$close" && -n "$options" && -n "$bar" ]] || return 1
  note_position "$(field "$bar" visible)" "$(field "$bar" state)"
  STATE="download=$(text_of "$download")/$(field "$download" enabled) close=$(field "$close" enabled)"
  STATE+=" options=$(field "$options" enabled) bar=$(field "$bar" visible)/$(field "$bar" state)"
}
update_child() { update_children | grep -F "text=\"$1\"" | head -n1; }

# The labels have no windows: their group box draws them. A label's text is told by the
# width of its ink on the screen, against the width the probe draws each expected text in.
hex() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
declare -A INK
expect_text() {  # expect_text TEXT: learns the ink width of TEXT in the window's bold font
  INK[$1]=$(probe inkwidth "Segoe UI" 9 1 "$(hex "$1")" 2>/dev/null)
  [[ "${INK[$1]}" =~ ^[1-9][0-9]*$ ]] || fail "the probe could not measure \"$1\""
}
# ink_at X Y W H: the width of the dark pixels in that rectangle of the screen.
ink_at() {
  xwd -root -silent | convert xwd:- -crop "$3x$4+$1+$2" +repage -depth 8 txt:- |
    awk -F'[(), :]+' 'NR > 1 { m = $3; if ($4 < m) m = $4; if ($5 < m) m = $5
                               if (m < 200) { if (l == "" || $1 < l) l = $1; if ($1 > r) r = $1 } }
                      END { print (l == "" ? 0 : r - l + 1) }'
}
# The status line and the server's version, at their places in the first group box (the
# window does not move while it is open: learn_places after each opening), and its handle.
learn_places() {
  local l t r b
  UPDATE_HWND=$(field "$(probe_windows | grep 'visible=1' | grep -F "caption=\"$UPDATE\"" | head -n1)" hwnd)
  read -r l t r b < <(rect_of "$(update_children | grep 'class=CifronaPanel ' | head -n1)")
  [[ -n "$b" ]] || fail "the update window has no group box"
  STATUS_AT="$((l + 6)) $((t + 12)) 414 20"
  SERVER_VERSION_AT="$((l + 216)) $((t + 58)) 204 18"
}
status_ink() { ink_at $STATUS_AT; }
server_version_ink() { ink_at $SERVER_VERSION_AT; }
near() { (($1 >= $2 - 2 && $1 <= $2 + 2)); }  # near HAVE WANT: within smoothing's pixels

# in_state NAME STATUS-TEXT STATE-PATTERN: the window shows that status and its controls
# match the pattern (a glob over a look's STATE); the last look is kept for messages.
LAST=""
# The screen is read between two looks at the controls that both match, so all three come
# from the same state.
in_state() {
  local state ink after
  look || return 1
  state=$STATE
  ink=$(status_ink) || return 1
  look || return 1
  after=$STATE
  LAST="$state, then $after; status ink $ink, \"$2\" is ${INK[$2]}"
  # shellcheck disable=SC2053 # the pattern is a glob on purpose
  [[ $state == $3 && $after == $3 ]] && near "$ink" "${INK[$2]}"
}
await_state() {  # await_state NAME STATUS-TEXT STATE-PATTERN: waits for it, then a screenshot
  wait_for 20 in_state "$@" || fail "the window did not reach \"$1\" (last: $LAST)"
  note "$1: $LAST ($(shot "$1"))"
}
bar_position() { sed -nE 's/.*bar=1\/([0-9]+)$/\1/p' <<<"$STATE"; }
# Positions of the visible bar between 0 and 100 that every look at the window has seen, each
# further than the one before: the download progressing.
SEEN=()
note_position() {  # note_position VISIBLE POSITION
  [[ $1 == 1 && $2 =~ ^[0-9]+$ ]] && (($2 > 0 && $2 < 100)) || return 0
  if ((${#SEEN[@]} == 0)) || (($2 > ${SEEN[-1]})); then SEEN+=("$2"); fi
}
progress_moved() { look; ((${#SEEN[@]} >= 2)); }
sig_requests() { grep -c 'GET [^ ]*/download/Cifrona/Cifrona-setup.exe.sig' "$out/server.log" || true; }
no_installer_started() { [[ ! -e "$(args_file)" ]]; }
_window_open() { probe_windows | grep 'visible=1' | grep -qF "caption=\"$UPDATE\""; }
_window_closed() { ! _window_open; }
_installer_gone() { [[ ! -e "$installer" ]]; }

clear_settings
mkdir -p "$(dirname "$(installed_settings)")"
# No start-up check: its question would come first; this is about the window's own check.
printf '[Option]\r\nCheckBoxAutoCheck=0\r\n' >"$(installed_settings)"
rm -f "$(args_file)" "$installer" "$gate"
serve_files "9.0.0.0"
# The program reads the download in 16 KiB blocks and handles its window between them, so
# the installer is made 1 MiB (the stand-in runs with the padding) and signed again.
head -c $((1024 * 1024 - $(stat -c %s "$folder/Cifrona-setup.exe"))) /dev/zero >>"$folder/Cifrona-setup.exe"
bash "$repo/tools/sign-update.sh" "$RELEASE_KEY" "$folder/Cifrona-setup.exe" "9.0.0.0"
# version.txt trickles until the gate is opened, so "checking" stays on the screen until it
# has been seen; the installer comes in 8 KiB pieces 0.1 s apart (a block every 0.2 s, 13
# seconds in all).
serve --hold version.txt --gate "$gate" --slow Cifrona-setup.exe --chunk 8192 --pause 0.1

start_and_settle
local_version=$(sed -nE 's/^Cifrona ([0-9.]+) .*/\1/p' <<<"$(caption_of "$(widget_line)")")
[[ -n "$local_version" ]] || fail "no version in the widget's caption"
CHECKING="Проверка обновления..."
NEWER="Доступно обновление $local_version ---> 9.0.0.0"
DOWNLOADED="Файлы обновления загружены!"
CANCELLED="Файлы обновления не загружены!"
for text in "$CHECKING" "$NEWER" "$DOWNLOADED" "$CANCELLED" "9.0.0.0"; do expect_text "$text"; done

# 1. Checking, the newer version, the download progressing, downloaded.
open_widget_menu
choose_menu_item "Проверить обновления"
wait_until 10 "the update window did not open" _window_open
learn_places
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
serve --slow Cifrona-setup.exe --chunk 2048 --pause 0.1
click_on "$(update_child "Закрыть")"
wait_until 10 "the update window did not close" _window_closed
open_widget_menu
choose_menu_item "Проверить обновления"
wait_until 10 "the update window did not open again" _window_open
learn_places
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
[[ $(sig_requests) == "$sigs" ]] || fail "the signature was fetched after Cancel"
app_running || fail "the program ended after Cancel"
in_state cancelled "$CANCELLED" "download=Скачать/1 close=1 options=1 bar=0/0" ||
  fail "the window left the cancelled state: $LAST"
