# Downloads that fail authentication are deleted and nothing starts: a tampered installer,
# a missing signature, a signature for an older version, and a version.txt that lies about
# the signed one. The update window says why, and the program goes on.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"

# The status line is drawn by its group box, so the refusal is seen as its effects: the
# signature was asked for, and the window is back to an enabled "Скачать" with no file kept.
sig_asked() { [[ $(grep -c 'GET [^ ]*/download/Cifrona/Cifrona-setup.exe.sig' "$out/server.log") -gt $asked ]]; }
idle_again() {
  probe children Cifrona.exe 2>/dev/null | grep 'class=Button' |
    grep -F 'text="Скачать"' | grep -q 'visible=1 enabled=1'
}
refused_shown() { sig_asked && idle_again; }
no_installer_started() { [[ ! -e "$(args_file)" ]]; }

try_case() {  # try_case NAME: the server is prepared; start, answer Yes, expect the refusal
  clear_settings
  rm -f "$(args_file)" "$(temp_dir)/Cifrona-setup.exe"
  asked=$(grep -c 'GET [^ ]*/download/Cifrona/Cifrona-setup.exe.sig' "$out/server.log" || true)
  start_app
  wait_started 30 "$1: no update question appeared" question_shown
  answer_yes
  wait_for 30 refused_shown || fail "$1: the refusal was not shown"
  shot "$1" >/dev/null
  # A refused download must not start the installer afterwards either: watched for a while.
  holds_for 1 "$1: the installer was started" no_installer_started
  [[ ! -e "$(temp_dir)/Cifrona-setup.exe" ]] || fail "$1: the download was kept"
  app_running || fail "$1: the program ended"
  stop_app
  note "$1: refused"
}

start_server
serve_files "9.0.0.0"
printf 'X' >> "$folder/Cifrona-setup.exe"
try_case tampered

serve_files "9.0.0.0"
rm "$folder/Cifrona-setup.exe.sig"
try_case missing-signature

serve_files "1.0.0.0"
printf '9.0.0.0\r\n' > "$folder/version.txt"
try_case older-signed-version

serve_files "9.0.0.0"
printf '9.5.0.0\r\n' > "$folder/version.txt"
try_case lying-version-txt
