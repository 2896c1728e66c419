# Killed while it rewrites an INI file (the path the settings file and the language files
# are written by), a program leaves the file whole every time: the round it held before or
# the round being written, never empty and never a mix of two. CIFRONA_KILL_ROUNDS kills
# (20 unless set; tools/reliability.sh runs 100), alternating between an ANSI file and a
# UTF-16 one.
source "$(dirname "$0")/lib.sh"
: "${CIFRONA_INI_REWRITER:?}"
rounds=${CIFRONA_KILL_ROUNDS:-20}
cp "$CIFRONA_INI_REWRITER" "$copy_dir/ini_rewriter.exe"
mkdir -p "$copy_dir/Config"
KEYS=300  # as ini_rewriter.cpp writes them

# whole_round FILE ENCODING: prints the round the file holds, or why it is not one whole round.
whole_round() {
  local text=$out/decoded.txt
  if [[ $2 == utf16 ]]; then
    [[ $(head -c2 "$1" | od -An -tx1 | tr -d ' ') == fffe ]] || { echo "no UTF-16 byte-order mark"; return 1; }
    iconv -f UTF-16 -t UTF-8 "$1" >"$text" 2>/dev/null || { echo "not UTF-16"; return 1; }
  else
    cp "$1" "$text"
  fi
  # Zero bytes are what a file grown but not yet written holds.
  [[ $(tr -cd '\0' <"$text" | wc -c) == 0 ]] || { echo "zero bytes in the file"; return 1; }
  tr -d '\r' <"$text" | awk -v keys="$KEYS" '
    NR == 1 { if ($0 != "[Option]") { print "line 1 is \"" $0 "\""; bad = 1; exit } next }
    NR == 2 { if (!match($0, /^Round=[0-9]+$/)) { print "line 2 is \"" $0 "\""; bad = 1; exit } n = substr($0, 7); next }
    /^Key[0-9]+=/ {
      k = substr($0, 4, index($0, "=") - 4)
      want = "Key" k "=round " n " key " k "............................................................" n
      if ($0 != want || k + 0 != seen + 0) { print "line " NR " is \"" substr($0, 1, 80) "\" in round " n; bad = 1; exit }
      seen++; next
    }
    /^Pad=/ {
      if (length($0) != 4 + (n % 2 ? 16 : 2097152) || $0 !~ /^Pad=p+$/) { print "Pad is " length($0) - 4 " bytes in round " n; bad = 1; exit }
      padded = 1; next
    }
    /^End=/ { if ($0 != "End=" n) { print "End is \"" $0 "\" in round " n; bad = 1; exit } ended = 1; next }
    /^$/ { next }
    { print "line " NR " is \"" substr($0, 1, 80) "\""; bad = 1; exit }
    END {
      if (bad) exit 1
      if (NR == 0) { print "the file is empty"; exit 1 }
      if (seen != keys || !ended || !padded) { print "round " n " has " seen " of " keys " keys" (padded ? "" : ", no Pad") (ended ? "" : ", no End"); exit 1 }
      print n
    }'
}
wrote_line() { grep -q '^wrote' "$out/rewriter.log" 2>/dev/null; }

declare -A held=([ansi]=-1 [utf16]=-1)  # the round each file holds (-1: none yet)
temporary_left=0 mixed=0
for i in $(seq "$rounds"); do
  encoding=$( ((i % 2)) && echo ansi || echo utf16)
  file="$copy_dir/Config/$encoding.ini"
  first=$((held[$encoding] + 1))
  (cd "$copy_dir" && exec wine "$copy_win\\ini_rewriter.exe" "$copy_win\\Config\\$encoding.ini" "$first" "$encoding" \
    >"$out/rewriter.log" 2>&1) &
  pid=$!
  wait_until 30 "kill $i: the rewriter wrote nothing" wrote_line
  # The kill point: a random moment in the rewriting loop, up to 150 ms in.
  sleep "0.$(printf '%03d' $((RANDOM % 150)))"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  reported=$(tr -d '\r' <"$out/rewriter.log" | sed -nE 's/^wrote ([0-9]+)$/\1/p' | tail -n1)
  [[ -e "$file.tmp" ]] && temporary_left=$((temporary_left + 1))
  got=$(whole_round "$file" "$encoding") || fail "kill $i ($encoding): the file is broken: $got"
  # The last round it reported, or the next one when the kill came between the swap and the report.
  ((got == reported || got == reported + 1)) || fail "kill $i ($encoding): the file holds round $got, the last one written was $reported"
  ((got >= held[$encoding])) || fail "kill $i ($encoding): the file went back from round ${held[$encoding]} to $got"
  held[$encoding]=$got
done
note "$rounds kills, every file whole; $temporary_left of them came while a temporary file was being written"
note ok
