# Twenty copies started at once: exactly one runs and shows its widget, the other nineteen
# end by themselves, and none of them writes a settings file.
source "$(dirname "$0")/lib.sh"
clear_settings
pids=()
for _ in $(seq 20); do
  start_app
  pids+=("$APP_PID")
done
running() {
  RUNNING=()
  local p
  for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && RUNNING+=("$p"); done
  ((${#RUNNING[@]} <= 1))
}
wait_for 90 running || fail "${#RUNNING[@]} copies are still running 90 s after the start"
((${#RUNNING[@]} == 1)) || fail "no copy is running"
APP_PID=${RUNNING[0]}
wait_until 30 "the running copy shows no widget" widget_shown
wait_settled
widgets=$(probe_windows | grep 'visible=1' | grep -c 'layered=1' || true)
((widgets == 1)) || fail "$widgets widgets are shown"
for p in "${pids[@]}"; do
  [[ $p == "$APP_PID" ]] && continue
  wait "$p" || fail "a second copy ended with exit code $?"
done
settings_folder=$(dirname "$(installed_settings)")
[[ ! -e "$(installed_settings)" ]] || fail "a settings file was written"
[[ -z "$(ls -A "$settings_folder" 2>/dev/null)" ]] || fail "files were written: $(ls -A "$settings_folder")"
shot one-widget >/dev/null
note ok
