# portable.ini beside the executable: the caption says " Portable" and Exit writes the
# settings to Config\Option.ini beside the executable, not to the per-user folder.
source "$(dirname "$0")/lib.sh"
clear_settings
: >"$copy_dir/portable.ini"
start_and_settle
caption=$(caption_of "$(widget_line)")
[[ "$caption" == *" Portable" ]] || fail "caption '$caption' lacks ' Portable'"
exit_through_menu
[[ -f "$(portable_settings)" ]] || fail "no settings file beside the executable"
grep -q '^Top=' "$(portable_settings)" || fail "no Top in the portable settings"
[[ ! -e "$(installed_settings)" ]] || fail "the per-user settings file was written too"
note "ok"
