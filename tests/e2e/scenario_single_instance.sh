# A second start while one copy runs ends at once, shows nothing and writes nothing.
source "$(dirname "$0")/lib.sh"
clear_settings
start_app
wait_started 30 "no widget window appeared"
first=$APP_PID
# The first copy may still be making windows (tooltips, the tray's): count once it settles.
wait_settled
before=$(probe_windows | wc -l)
start_app
second=$APP_PID
APP_PID=$second
wait_for 15 app_ended || fail "the second copy is still running"
APP_PID=$first
app_running || fail "the first copy ended"
after=$(probe_windows | wc -l)
[[ $after == "$before" ]] || fail "the second copy left windows behind ($before before, $after after):
$(probe_windows)"
[[ ! -e "$(installed_settings)" ]] || fail "a settings file was written"
note "ok"
