# A window brought above the widget stays above it, and the widget brought to the front
# returns to the bottom within a second or so.
source "$(dirname "$0")/lib.sh"
clear_settings
start_app
wait_started 30 "no widget window appeared"
read -r L T R B < <(rect_of "$(widget_line)")
# It lives long enough for a loaded machine, and is ended at the close.
wine "$CIFRONA_PROBE" cover "$L" "$T" 150 150 120 >/dev/null 2>&1 &
cover_pid=$!
trap 'kill "$cover_pid" 2>/dev/null || true; kill_all' EXIT
cover_line() { probe windows probe.exe 2>/dev/null | grep 'E2E Cover'; }
wait_for 15 cover_line || fail "the cover window did not appear"
above() { (($(field "$(cover_line)" zorder) < $(field "$(widget_line)" zorder))); }
# Watched over more than two ticks of the program, each of which sends it to the bottom.
holds_for 2.5 "the widget rose above the cover window" above
probe top Cifrona.exe >/dev/null 2>&1 || true
wait_for 4 above || fail "the widget did not return below the cover within the tick"
shot stacked >/dev/null
kill "$cover_pid" 2>/dev/null || true
note "ok"
