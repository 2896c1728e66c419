#!/usr/bin/env bash
# Runs each fuzz target for a while from its committed seeds and reports what it did:
# executions, edges (libFuzzer's "cov"), findings, and the line coverage of the target's own
# source files over the corpus it grew, measured with llvm-cov on a coverage build.
#   bash bench/fuzz_measure.sh [-t SECONDS] [-n RUNS] [-o TABLE] [TARGET...]
# -t: time per target (default 300); -n: stop a target after this many executions as well;
# -o: where the table goes (default build/bench/fuzz/results.md). Without targets, all of
# them, one after another. Per target its log, grown corpus and llvm-cov reports are left in
# build/bench/fuzz/TARGET*.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

seconds=300 runs=0 table=""
while getopts "t:n:o:" opt; do
  case "$opt" in
    t) seconds="$OPTARG" ;;
    n) runs="$OPTARG" ;;
    o) table="$OPTARG" ;;
    *) echo "usage: $0 [-t SECONDS] [-n RUNS] [-o TABLE] [TARGET...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
targets=("$@")
((${#targets[@]})) || targets=(settings language wallpaper_png wallpaper_jpeg signature version proxy archive)

# The files each target exists for; the options are those of its CTest run (tests/fuzz/CMakeLists.txt).
sources_of() {
  case "$1" in
    settings) echo settings/ini_document.cpp settings/ini_file.cpp ;;
    language) echo i18n/translation.cpp settings/ini_document.cpp settings/ini_file.cpp ;;
    wallpaper_png) echo widget/wallpaper_png.cpp ;;
    wallpaper_jpeg) echo widget/wallpaper_jpeg.cpp ;;
    signature) echo updater/update_signature.cpp ;;
    version | proxy) echo updater/update_check.cpp ;;
    archive) echo updater/update_archive.cpp ;;
  esac
}
# Where a file also holds code for other callers: the functions the target exists for.
functions_of() {
  case "$1" in
    version) echo 'CompareVersions|VersionFields|FieldValue|IsBlank|FetchServerVersion' ;;
    proxy) echo 'GetSystemProxy|BaseClientSettings' ;;
  esac
}
max_len_of() {
  case "$1" in
    settings | language) echo 4096 ;;
    wallpaper_png | wallpaper_jpeg | archive) echo 16384 ;;
    signature) echo 1024 ;;
    *) echo 256 ;;
  esac
}

# The fuzzing build, and beside it the same with coverage recording for the report.
nice -n 10 cmake --preset fuzz >/dev/null
nice -n 10 cmake --build --preset fuzz >/dev/null
nice -n 10 cmake --preset fuzz -B build/fuzz-coverage -DCIFRONA_FUZZ_COVERAGE=ON >/dev/null
nice -n 10 cmake --build build/fuzz-coverage -j 2 --target fuzzers >/dev/null

out="$repo/build/bench/fuzz"
mkdir -p "$out"
[[ -n "$table" ]] || table="$out/results.md"
{
  echo "| Target | Time | Executions | Exec/s | Edges | Findings | Line coverage of its files |"
  echo "|---|---|---|---|---|---|---|"
} > "$table"
for t in "${targets[@]}"; do
  bin="build/fuzz/tests/fuzz/fuzz_$t"
  [[ -x "$bin" ]] || { echo "fuzz_measure: no target $t" >&2; exit 1; }
  seeds="tests/fuzz/corpus/$t" found="tests/fuzz/regressions/$t" dict="tests/fuzz/dict/$t.dict"
  corpus="$out/$t-corpus"
  rm -rf "$corpus" "$out/$t"-crash-* "$out/$t"-leak-* "$out/$t"-timeout-* "$out/$t"-oom-*
  mkdir -p "$corpus"
  inputs=("$seeds")
  [[ -d "$found" ]] && inputs+=("$found")
  opts=(-max_len="$(max_len_of "$t")" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -max_total_time="$seconds" -artifact_prefix="$out/$t-")
  [[ -e "$dict" ]] && opts+=(-dict="$dict")
  ((runs > 0)) && opts+=(-runs="$runs")
  echo "fuzz_measure: $t for at most ${seconds} s$( ((runs > 0)) && echo " or $runs runs")" >&2
  start=$(date +%s)
  set +e
  nice -n 10 "$bin" "${opts[@]}" "$corpus" "${inputs[@]}" > "$out/$t.log" 2>&1
  rc=$?
  set -e
  took=$(($(date +%s) - start))
  execs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+).*/\1/p' "$out/$t.log" | tail -n1)
  rate=$(sed -nE 's/^stat::average_exec_per_sec: *([0-9]+).*/\1/p' "$out/$t.log" | tail -n1)
  edges=$(grep -oE '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)[[:space:]]+cov: [0-9]+' "$out/$t.log" | tail -n1 | sed -E 's/.*cov: //')
  findings=$(compgen -G "$out/$t-*-*" | wc -l || true)
  ((rc == 0)) || findings="$findings (exit $rc)"

  # Line coverage over the grown corpus, the seeds and the findings.
  cov_bin="build/fuzz-coverage/tests/fuzz/fuzz_$t"
  rm -f "$out/$t".profraw "$out/$t".profdata
  LLVM_PROFILE_FILE="$out/$t.profraw" nice -n 10 "$cov_bin" -runs=0 -max_len="$(max_len_of "$t")" \
    "$corpus" "${inputs[@]}" > "$out/$t.cov.log" 2>&1
  llvm-profdata merge -sparse "$out/$t.profraw" -o "$out/$t.profdata"
  files=()
  for f in $(sources_of "$t"); do files+=("$repo/$f"); done
  llvm-cov report "$cov_bin" -instr-profile="$out/$t.profdata" "${files[@]}" > "$out/$t.files.txt"
  llvm-cov report "$cov_bin" -instr-profile="$out/$t.profdata" -show-functions "${files[@]}" > "$out/$t.functions.txt"
  # Per file: lines covered of lines, from the report's columns (Lines, Missed Lines, Cover).
  lines=$(awk -v repo="$repo/" 'NF >= 13 && $1 ~ /\.cpp$/ { f = $1; sub(repo, "", f);
           printf "%s%s %s (%d/%d)", sep, f, $10, $8 - $9, $8; sep = "; " }' "$out/$t.files.txt")
  pattern=$(functions_of "$t")
  if [[ -n "$pattern" ]]; then
    lines+=$(grep -E "$pattern" "$out/$t.functions.txt" | awk '{ n += $(NF-5); m += $(NF-4) }
             END { if (n) printf "; its functions %.2f%% (%d/%d)", 100 * (n - m) / n, n - m, n }')
  fi
  echo "| $t | ${took} s | $execs | $rate | $edges | $findings | $lines |" | tee -a "$table"
done
echo "fuzz_measure: table in $table" >&2
