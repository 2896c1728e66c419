#!/usr/bin/env bash
# Checks that the release artifacts are reproducible: the program built a second time, in a
# second build folder and later, and packaged again, gives byte-identical Cifrona.exe,
# Cifrona.zip and Cifrona-setup.exe (before Authenticode signing, whose signature may carry a
# time). Names the first file that differs and where, and fails when a build folder's path
# is inside the program.
#
#   bash tools/check-reproducible.sh [--preset win32|win64] [--build-dir DIR]
#
# The first build is the preset's own (build/win32, which tools/build.sh makes); the second
# is configured the same way in DIR (build/repro-<preset>) and builds only the program. Both
# share the checkout's .cache: the third-party static libraries (built once per checkout) and
# the test key the test program links, so this compares our own compile, link and packaging,
# not a rebuild of the third-party libraries from their sources. It costs one compile of the
# program's sources (a few minutes on two cores) and two packagings.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
preset=win32
second=""
while (($#)); do
  case "$1" in
    --preset) preset="${2:?--preset needs win32 or win64}"; shift ;;
    --build-dir) second="${2:?--build-dir needs a folder}"; shift ;;
    *) echo "check-reproducible: unknown option '$1'" >&2; exit 2 ;;
  esac
  shift
done
first="build/$preset"
second="${second:-build/repro-$preset}"
work="build/repro-$preset-out"
[[ -f "$first/Cifrona.exe" ]] || { echo "check-reproducible: build the $preset preset first ($first/Cifrona.exe)" >&2; exit 1; }

# The same options as the first build: the preset's, and what its cache was given on top.
options=()
for var in CIFRONA_CACHE_DIR CIFRONA_COMPANY CIFRONA_COPYRIGHT CIFRONA_UPDATE_URL_PRIMARY CIFRONA_UPDATE_URL_MIRROR \
           CIFRONA_TELEGRAM_URL CIFRONA_MAIL_1 CIFRONA_MAIL_2 CIFRONA_WEBSITE_URL CIFRONA_OLDER_VERSION; do
  value=$(sed -n "s/^$var:[A-Z]*=//p" "$first/CMakeCache.txt")
  [[ -n "$value" ]] && options+=("-D$var=$value")
done
cmake --preset "$preset" -B "$second" "${options[@]}" >/dev/null
cmake --build "$second" -j 2 --target Cifrona >/dev/null

rm -rf "$work"
for tree in "$first" "$second"; do
  bash tools/release.sh --no-build --test --unsigned --preset "$preset" --build-dir "$tree" \
    --out "$work/$(basename "$tree")" >/dev/null
done

a="$work/$(basename "$first")" b="$work/$(basename "$second")"
status=0
for f in stage/Cifrona.exe download/Cifrona/Cifrona.zip download/Cifrona/Cifrona-setup.exe; do
  if ! where=$(cmp "$a/$f" "$b/$f" 2>&1); then
    echo "check-reproducible: $f differs between $first and $second: $where" >&2
    status=1
    break
  fi
done
# No build folder's path inside the program (source files' names are relative), nor that of
# the third-party libraries' cache.
cache=$(realpath "$(sed -n 's/^CIFRONA_CACHE_DIR:[A-Z]*=//p' "$first/CMakeCache.txt")")
for tree in "$first" "$second"; do
  for path in "$repo" "$(realpath "$tree")" "$cache" "$(realpath "$cache/thirdparty")"; do
    if LC_ALL=C grep -qaF "$path" "$work/$(basename "$tree")/stage/Cifrona.exe"; then
      echo "check-reproducible: Cifrona.exe of $tree holds the path $path" >&2
      status=1
    fi
  done
done
((status == 0)) && echo "ok: Cifrona.exe, Cifrona.zip and Cifrona-setup.exe are the same from $first and $second"
exit $status
