# Shared steps of the update scenarios: a primary update server on the loopback port the
# test build is given (the mirror's port stays closed), the stand-in installer signed with
# the build's throw-away release key, and the start-up question. Sourced after lib.sh.
build_dir="$(dirname "$CIFRONA_EXE")"
STAND_IN="$(dirname "$CIFRONA_PROBE")/stand_in_installer.exe"
# The checkout's throw-away release key, which every test build trusts (cmake/Updater.cmake).
RELEASE_KEY="$repo/.cache/test-release-key.pem"
PRIMARY_PORT=47801
www="$out/www"
folder="$www/download/Cifrona"
SERVER_PID=
trap 'kill_all; [[ -z "$SERVER_PID" ]] || kill "$SERVER_PID" 2>/dev/null || true' EXIT

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

# The files of one release: serve_files VERSION
serve_files() {
  mkdir -p "$folder"
  printf '%s\r\n' "$1" > "$folder/version.txt"
  cp "$STAND_IN" "$folder/Cifrona-setup.exe"
  bash "$repo/tools/sign-update.sh" "$RELEASE_KEY" "$folder/Cifrona-setup.exe" "$1"
}
server_up() { (exec 3<>"/dev/tcp/127.0.0.1/$PRIMARY_PORT") 2>/dev/null; }
start_server() {
  python3 -m http.server "$PRIMARY_PORT" --bind 127.0.0.1 --directory "$www" >"$out/server.log" 2>&1 &
  SERVER_PID=$!
  wait_for 10 server_up || fail "the test server did not start on port $PRIMARY_PORT"
}

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
