# A newer signed installer on the update server: the start-up check asks, Yes opens the
# update window, which downloads the installer and starts it with the silent switches,
# and the program ends without writing its settings.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"
clear_settings
rm -f "$(args_file)" "$(temp_dir)/Cifrona-setup.exe"
serve_files "9.0.0.0"
start_server
start_app
wait_started 30 "no update question appeared" question_shown
shot "question" >/dev/null
answer_yes
wait_for 60 app_ended || fail "the program did not end after starting the installer"
wait_for 20 test -s "$(args_file)" || fail "the installer was not started"
args=$(cat "$(args_file)")
expected='/SILENT /CLOSEAPPLICATIONS /SUPPRESSMSGBOXES /LANG= /MERGETASKS="runcmd1"'
[[ "$args" == "$expected" ]] || fail "installer switches: '$args', expected '$expected'"
[[ ! -e "$(installed_settings)" ]] || fail "the settings were written"
grep -q 'GET [^ ]*/download/Cifrona/Cifrona-setup.exe.sig' "$out/server.log" || fail "the signature was not fetched"
note "installer started with: $args"
