# Shared steps of the update scenarios: the update server, which the program reaches as the
# proxy of the prefix's Internet settings and which answers for the program's own update
# servers (hosts under .invalid, never looked up); the stand-in installer signed with the
# checkout's test key; the start-up question; and the update window's states. Sourced after
# lib.sh.
build_dir="$(dirname "$CIFRONA_EXE")"
STAND_IN="$(dirname "$CIFRONA_PROBE")/stand_in_installer.exe"
# The checkout's throw-away test key, which the programs the tests run trust (cmake/Updater.cmake).
RELEASE_KEY="$repo/.cache/test-release-key.pem"
ARCH=x86
[[ $(exe_bits "$CIFRONA_EXE") == 64 ]] && ARCH=x64
www="$out/www"
folder="$www/download/Cifrona"
INET='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
SERVER_PID=
PORT=0
trap 'kill_all; stop_server; closed_proxy' EXIT

# The user's temporary folder as the program sees it (the user's TEMP), in Unix form. Not a
# guess among likely folders: other scenarios make AppData\Local\Temp, which Wine's TEMP is not.
TEMP_WIN=$(wine_retry reg query 'HKCU\Environment' /v TEMP 2>/dev/null | sed -nE 's/.*REG_(EXPAND_)?SZ[[:space:]]+//p')
[[ -n "$TEMP_WIN" ]] || fail "the user's TEMP is not set in the test prefix"
[[ "$TEMP_WIN" != *%* ]] || TEMP_WIN=$(wine cmd /c echo "$TEMP_WIN" 2>/dev/null | tr -d '\r')
TEMP_UNIX=$(winepath -u "$TEMP_WIN" 2>/dev/null | tr -d '\r')
TEMP_UNIX=${TEMP_UNIX%/}
[[ -d "$TEMP_UNIX" ]] || fail "the user's TEMP, $TEMP_WIN, is no folder"
temp_dir() { echo "$TEMP_UNIX"; }
args_file() { echo "$(temp_dir)/Cifrona-setup.exe.args.txt"; }

# sign FILE VERSION: FILE.sig for this build's architecture, with the test key.
sign() { bash "$repo/tools/sign-update.sh" "$RELEASE_KEY" "$1" "$2" "$ARCH"; }
# The files of one release: serve_files VERSION
serve_files() {
  mkdir -p "$folder"
  printf '%s\r\n' "$1" > "$folder/version.txt"
  cp "$STAND_IN" "$folder/Cifrona-setup.exe"
  sign "$folder/Cifrona-setup.exe" "$1"
}

proxy_up() { (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null; }
proxy_down() { ! proxy_up; }
_port_told() { [[ -s "$out/server.port" ]]; }
stop_server() {
  [[ -n "$SERVER_PID" ]] || return 0
  kill "$SERVER_PID" 2>/dev/null || true
  wait "$SERVER_PID" 2>/dev/null || true
  SERVER_PID=
}
closed_proxy() { wine reg add "$INET" /v ProxyServer /t REG_SZ /d "$CLOSED_PROXY" /f >/dev/null 2>&1 || true; }
# serve OPTIONS...: (re)starts the server (update_server.py) with those options on a free port,
# the same one again once there is one, and makes it the program's proxy.
serve() {
  if [[ -n "$SERVER_PID" ]]; then
    stop_server
    wait_until 10 "the previous test server still answers" proxy_down
  fi
  rm -f "$out/server.port"
  python3 "$repo/tests/e2e/update_server.py" --port "$PORT" --directory "$www" "$@" \
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
start_server() { serve "$@"; }

question_line() { probe_windows | grep 'visible=1' | grep 'class=#32770' | grep -F 'caption="Cifrona"' | head -n1; }
question_shown() { [[ -n "$(question_line)" ]]; }
# Clicks the question's Yes button ("Да"), found among the box's children.
answer_yes() {
  local line l t r b
  line=$(probe children Cifrona.exe 2>/dev/null | grep 'top="Cifrona"' |
    grep 'class=Button' | grep -F 'text="Да"' | head -n1)
  [[ -n "$line" ]] || fail "the question has no Yes button"
  read -r l t r b < <(rect_of "$line")
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) click 1
}

# ---- the update window -------------------------------------------------------
UPDATE="Обновление"
installer="$(temp_dir)/Cifrona-setup.exe"
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


# The update scenarios that are about the window's own check start with no start-up check:
# its question would come first.
window_check_only() {
  clear_settings
  mkdir -p "$(dirname "$(installed_settings)")"
  printf '[Option]\r\nCheckBoxAutoCheck=0\r\n' >"$(installed_settings)"
  rm -f "$(args_file)" "$installer"
}
# The running program's version, from the widget's caption, into local_version.
read_local_version() {
  local_version=$(sed -nE 's/^Cifrona ([0-9.]+) .*/\1/p' <<<"$(caption_of "$(widget_line)")")
  [[ -n "$local_version" ]] || fail "no version in the widget's caption"
}
open_update_window() {
  open_widget_menu
  choose_menu_item "Проверить обновления"
  wait_until 10 "the update window did not open" _window_open
  learn_places
}
close_update_window() {
  click_on "$(update_child "Закрыть")"
  wait_until 10 "the update window did not close" _window_closed
}
