# Twenty copies started at once: exactly one runs and shows its widget, the other nineteen
# end by themselves, and none of them writes a settings file.
source "$(dirname "$0")/lib.sh"
clear_settings
pids=() logs=()
for i in $(seq 20); do
  start_app "app.$i.log"
  pids+=("$APP_PID") logs+=("$APP_LOG")
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
for i in "${!pids[@]}"; do [[ ${pids[i]} == "$APP_PID" ]] && APP_LOG=${logs[i]}; done
wait_until 30 "the running copy shows no widget" widget_shown
wait_settled
widgets=$(probe_windows | grep 'visible=1' | grep -c 'layered=1' || true)
((widgets == 1)) || fail "$widgets widgets are shown"
# Twenty Wine starts at once now and then make Wine itself give up on one before any of
# the program runs (its start.exe fallback reports it). Such a copy says nothing about the
# program; a few are allowed, any other failure is the program's.
unstarted=0
for i in "${!pids[@]}"; do
  [[ ${pids[i]} == "$APP_PID" ]] && continue
  rc=0
  wait "${pids[i]}" || rc=$?
  ((rc == 0)) && continue
  if wine_could_not_start "${logs[i]}"; then
    unstarted=$((unstarted + 1))
    note "Wine could not start copy $((i + 1)): $(tr -d '\r' <"${logs[i]}" | tr '\n' ' ')"
    continue
  fi
  APP_LOG=${logs[i]}
  fail "a second copy (number $((i + 1))) ended with exit code $rc"
done
((unstarted <= 5)) || fail "Wine could not start $unstarted of the twenty copies"
settings_folder=$(dirname "$(installed_settings)")
[[ ! -e "$(installed_settings)" ]] || fail "a settings file was written"
[[ -z "$(ls -A "$settings_folder" 2>/dev/null)" ]] || fail "files were written: $(ls -A "$settings_folder")"
shot one-widget >/dev/null
note ok
