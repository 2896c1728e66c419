#!/usr/bin/env bash
# Makes the release folder, laid out as the update server serves it:
#   build/release/download/Cifrona/version.txt         the version the program reads from itself
#   build/release/download/Cifrona/Cifrona-setup.exe   the per-user installer
#   build/release/download/Cifrona/Cifrona.zip         the portable copy
# and their signatures (*.sig), made with the release key CIFRONA_RELEASE_KEY (a PEM file;
# default: the checkout's throw-away test key, .cache/test-release-key.pem, which the builds
# without CIFRONA_RELEASE_PUBLIC_KEY trust).
#
#   bash tools/release.sh                  build the 32-bit release and package it
#   bash tools/release.sh --no-build       package what build/win32 already holds
#   bash tools/release.sh --version 0.9.0.0
#       a copy carrying another version number (an "older" build to update from), packaged
#       into build/release-0.9.0.0. The build tree's own older copy (CIFRONA_OLDER_VERSION,
#       0.9.0.0 unless set; build/win32/older-0.9.0.0) serves when the numbers match; any
#       other number is built in a tree of its own, build/win32-VERSION.
#   bash tools/release.sh --preset win64   the same from the 64-bit build, with a 64-bit
#       installer, into build/release-win64: what the release scenarios run where Wine has
#       no 32-bit loader. Only the 32-bit folder is for shipping.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

build=1
preset=win32
version_override=""
while (($#)); do
  case "$1" in
    --no-build) build=0 ;;
    --version) version_override="${2:?--version needs a number like 0.9.0.0}"; shift ;;
    --preset) preset="${2:?--preset needs win32 or win64}"; shift ;;
    *) echo "release: unknown option '$1'" >&2; exit 2 ;;
  esac
  shift
done
[[ "$preset" == win32 || "$preset" == win64 ]] || { echo "release: --preset is win32 or win64" >&2; exit 2; }
if [[ -n "$version_override" && ! "$version_override" =~ ^[0-9]+(\.[0-9]+){3}$ ]]; then
  echo "release: --version wants four numbers, like 0.9.0.0" >&2; exit 2
fi

bin="build/$preset"
exe_dir="$bin"
target=Cifrona
configure=()
out="build/release"
[[ "$preset" == win32 ]] || out+="-$preset"
out+="${version_override:+-$version_override}"
if [[ -n "$version_override" ]]; then
  older=$(sed -n 's/^CIFRONA_OLDER_VERSION:[A-Z]*=//p' "$bin/CMakeCache.txt" 2>/dev/null || true)
  if [[ "$version_override" == "${older:-0.9.0.0}" ]]; then
    exe_dir="$bin/older-$version_override"
    target=CifronaOlder
  else
    bin="build/$preset-$version_override"
    exe_dir="$bin"
    configure=(-DCIFRONA_VERSION="$version_override")
  fi
fi

if ((build)); then
  bash tools/setup.sh
  cmake --preset "$preset" -B "$bin" "${configure[@]}" >/dev/null
  cmake --build "$bin" --target "$target" file_version
  if [[ "$preset" == win32 ]]; then
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target file_version
  fi
fi
# The version reader runs under Wine; the 64-bit one also where Wine has no 32-bit loader.
reader="$bin/packaging/file_version.exe"
[[ -f build/win64/packaging/file_version.exe ]] && reader=build/win64/packaging/file_version.exe
for f in "$exe_dir/Cifrona.exe" "$reader"; do
  [[ -f "$f" ]] || { echo "release: $f is missing; build the $preset preset first" >&2; exit 1; }
done

# The version exactly as the program's own reader gives it, so that a copy of this release
# compares equal to what the server announces.
bash tools/wine-prefix.sh
exe_win="Z:$(realpath "$exe_dir/Cifrona.exe" | tr '/' '\\')"
version=$(bash tools/wine-run.sh "$reader" "$exe_win" | tr -d '\r\n')
[[ "$version" =~ ^[0-9]+(\.[0-9]+)*$ ]] || { echo "release: no version read from $exe_dir/Cifrona.exe ('$version')" >&2; exit 1; }
company=$(sed -n 's/^CIFRONA_COMPANY:[A-Z]*=//p' "$bin/CMakeCache.txt")

dest="$out/download/Cifrona"
stage="$out/stage"
rm -rf "$dest" "$stage"
mkdir -p "$dest" "$stage/Language"
cp "$exe_dir/Cifrona.exe" "$stage/"
# Language files come from the build; without them the folder still ships, empty.
if [[ -d "$bin/Language" ]]; then
  cp -r "$bin/Language/." "$stage/Language/"
fi
: >"$stage/portable.ini"

# Portable copy. The update script extracts it over a portable folder entry by entry and
# makes folders only for folder entries, so each folder entry comes before its files.
# Settings (Config\) are never part of it, so an update keeps the user's.
(cd "$stage" && zip -q -X -r "$repo/$dest/Cifrona.zip" Cifrona.exe portable.ini Language)

# Installer. NSIS wants four numbers for the installer's own version resource.
nsis_version="$version"
while [[ $(tr -cd '.' <<<"$nsis_version" | wc -c) -lt 3 ]]; do nsis_version+=".0"; done
nsis_opts=()
[[ -f "$bin/assets/mainicon.ico" ]] && nsis_opts+=(-DICON="$repo/$bin/assets/mainicon.ico")
[[ "$preset" == win64 ]] && nsis_opts+=(-DTARGET=amd64-unicode)
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$nsis_version" -DSTAGE="$repo/$stage" \
  -DOUTFILE="$repo/$dest/Cifrona-setup.exe" -DCOMPANY="${company:-Cifrona Project}" "${nsis_opts[@]}" \
  packaging/cifrona.nsi >"$out/makensis.log" 2>&1 || { cat "$out/makensis.log" >&2; exit 1; }

printf '%s\n' "$version" >"$dest/version.txt"

key="${CIFRONA_RELEASE_KEY:-$repo/.cache/test-release-key.pem}"
if [[ ! -f "$key" ]]; then
  echo "release: no release key at $key" >&2
  exit 1
fi
for f in Cifrona-setup.exe Cifrona.zip; do
  bash tools/sign-update.sh "$key" "$dest/$f" "$version"
done
echo "release: $dest (version $version)"
