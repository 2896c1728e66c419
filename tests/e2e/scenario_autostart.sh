# "Автозагрузка при старте Windows": ticking writes the Run value with the bare path,
# unticking deletes it; an existing value is recognised (and rewritten bare) or not.
source "$(dirname "$0")/lib.sh"
RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
exe="$copy_win\\Cifrona.exe"
run_value() { wine_retry reg query "$RUN" /v Cifrona 2>/dev/null | sed -nE 's/^ *Cifrona +REG_SZ +(.*)$/\1/p'; }
set_run() { wine reg add "$RUN" /v Cifrona /t REG_SZ /d "$1" /f >/dev/null 2>&1; }
clear_run() { wine reg delete "$RUN" /v Cifrona /f >/dev/null 2>&1 || true; }
autostart_box() { field "$(child_text "Автозагрузка при старте Windows")" state; }
run_and_open() {
  start_and_settle
  open_settings
}

clear_settings
clear_run
run_and_open
[[ $(autostart_box) == 0 ]] || fail "ticked without a Run value"
[[ -z $(run_value) ]] || fail "a Run value appeared at start: $(run_value)"
click_on "$(child_text "Автозагрузка при старте Windows")"
[[ $(autostart_box) == 1 ]] || fail "the box did not tick"
[[ $(run_value) == "$exe" ]] || fail "ticking wrote '$(run_value)', not '$exe'"
click_on "$(child_text "Автозагрузка при старте Windows")"
[[ -z $(run_value) ]] || fail "unticking left '$(run_value)'"
stop_app

# Existing values: recognised ones tick the box and are rewritten as the bare path.
lower=$(tr 'A-Z' 'a-z' <<<"$exe")
while IFS='|' read -r stored ticked after; do
  set_run "$stored"
  run_and_open
  [[ $(autostart_box) == "$ticked" ]] || fail "value '$stored': box $(autostart_box), expected $ticked"
  [[ $(run_value) == "$after" ]] || fail "value '$stored' became '$(run_value)', expected '$after'"
  note "'$stored' -> box $ticked, value '$(run_value)'"
  stop_app
done <<EOF_CASES
$lower|1|$exe
"$exe"|1|$exe
$exe /min|1|$exe
"$exe" /min|0|"$exe" /min
D:\\Other\\Cifrona.exe|0|D:\\Other\\Cifrona.exe
EOF_CASES
clear_run
note ok
