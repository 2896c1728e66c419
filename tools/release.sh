#!/usr/bin/env bash
# Makes a release folder, laid out as the update server serves it:
#   OUT/download/Cifrona/version.txt         the version the program reads from itself
#   OUT/download/Cifrona/Cifrona-setup.exe   the per-user installer
#   OUT/download/Cifrona/Cifrona.zip         the portable copy
# and their signatures (*.sig); OUT/manifests holds the winget and Scoop manifests of it.
#
# A real release (OUT = build/release) needs the release key and the code-signing certificate
# from the release environment (tools/codesign.sh names the certificate's variables):
#   CIFRONA_RELEASE_KEY=/secure/release-key.pem CIFRONA_SIGN_CERT=/secure/codesign.crt \
#   CIFRONA_SIGN_KEY=/secure/codesign.key bash tools/release.sh
# The program in it trusts only that key (build/win32/release/Cifrona.exe, linked with
# CIFRONA_RELEASE_PUBLIC_KEY, which is derived from the key) and asks only the configured
# update servers. Without CIFRONA_RELEASE_KEY it stops; the checkout's own test key is never
# accepted as one.
#
#   bash tools/release.sh --test       a test release (OUT = build/test-release): the program the
#       tests run, which trusts the checkout's throw-away key, signed with that key, and
#       marked TEST-RELEASE-DO-NOT-PUBLISH.txt. The release scenarios install from these.
#   --no-build                   package what the build tree already holds
#   --version 0.9.0.0            a copy carrying another version number (an "older" build to
#       update from), into OUT-0.9.0.0. For test releases the build tree's own older copy
#       (CIFRONA_OLDER_VERSION, 0.9.0.0 unless set; build/win32/older-0.9.0.0) serves when the
#       numbers match; any other number is built in a tree of its own, build/win32-VERSION.
#   --preset win64               the same from the 64-bit build, with a 64-bit installer, into
#       OUT-win64: what the release scenarios run where Wine has no 32-bit loader.
#   --out DIR                    another folder instead of OUT
#   --build-dir DIR              package the executable of another build tree of the preset
#   --unsigned                   no Authenticode signatures; the folder is marked
#       NOT-AUTHENTICODE-SIGNED.txt. Without a certificate a real release stops instead.
#
# Every executable Windows runs from the release (Cifrona.exe, the installer, the uninstaller
# the installer writes) carries an Authenticode signature; a test release signs with the
# checkout's throw-away certificate (.cache/test-codesign.crt, made by the build).
# The files are reproducible: every time in them is the commit's (SOURCE_DATE_EPOCH, unless
# set), so the same commit packaged from any folder at any time gives the same bytes before
# Authenticode signing (tools/check-reproducible.sh compares two builds).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"

build=1
preset=win32
version_override=""
test_release=0
out_override=""
bin_override=""
authenticode=1
while (($#)); do
  case "$1" in
    --no-build) build=0 ;;
    --test) test_release=1 ;;
    --out) out_override="${2:?--out needs a folder}"; shift ;;
    --build-dir) bin_override="${2:?--build-dir needs a folder}"; shift ;;
    --unsigned) authenticode=0 ;;
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

bin="${bin_override:-build/$preset}"
exe_dir="$bin"
target=Cifrona
configure=()
arch=x86
[[ "$preset" == win64 ]] && arch=x64
test_hex=""
[[ -f .cache/test-release-key.pem ]] && test_hex=$(bash tools/sign-update.sh --public-key .cache/test-release-key.pem)
cache_dir=$(sed -n 's/^CIFRONA_CACHE_DIR:[A-Z]*=//p' "$bin/CMakeCache.txt" 2>/dev/null || true)
cache_dir="${cache_dir:-$repo/.cache}"
if ((test_release)); then
  key="$cache_dir/test-release-key.pem"
  out="build/test-release"
  # Test releases never take the environment's certificate: only the throw-away one.
  unset CIFRONA_SIGN_PKCS12 CIFRONA_SIGN_PASSWORD_FILE CIFRONA_SIGN_TIMESTAMP_URL
  export CIFRONA_SIGN_CERT="$cache_dir/test-codesign.crt" CIFRONA_SIGN_KEY="$cache_dir/test-codesign.key"
else
  key="${CIFRONA_RELEASE_KEY:-}"
  if [[ -z "$key" ]]; then
    echo "release: CIFRONA_RELEASE_KEY is not set. A release is signed with the release key from the release" >&2
    echo "release: environment (see README, Making a release); 'bash tools/release.sh --test' makes a test release." >&2
    exit 1
  fi
  [[ -f "$key" ]] || { echo "release: no release key at $key" >&2; exit 1; }
  key=$(realpath "$key")
  release_hex=$(bash tools/sign-update.sh --public-key "$key")
  bash tools/sign-update.sh --check-public-key "$release_hex" 2>/dev/null ||
    { echo "release: $key is not a P-256 private key" >&2; exit 1; }
  if [[ "$release_hex" == "$test_hex" || "$key" == "$repo"/* ]]; then
    echo "release: $key is this checkout's test key or lies inside the checkout; a release key never does" >&2
    exit 1
  fi
  out="build/release"
  exe_dir="$bin/release"
  target=CifronaRelease
  configure=(-DCIFRONA_RELEASE_PUBLIC_KEY="$release_hex")
  if ((authenticode)); then
    bash tools/codesign.sh --check || {
      echo "release: a release is Authenticode-signed with the certificate of the release environment" >&2
      echo "release: (README, Making a release); --unsigned makes one marked as unsigned." >&2
      exit 1
    }
    for f in "${CIFRONA_SIGN_CERT:-}" "${CIFRONA_SIGN_KEY:-}" "${CIFRONA_SIGN_PKCS12:-}"; do
      if [[ -n "$f" && "$(realpath "$f")" == "$repo"/* ]]; then
        echo "release: $f lies inside the checkout; a release certificate never does" >&2
        exit 1
      fi
    done
    fingerprint() { openssl x509 -in "$1" -noout -fingerprint -sha256 2>/dev/null; }
    if [[ -n "${CIFRONA_SIGN_CERT:-}" && -f "$cache_dir/test-codesign.crt" &&
          "$(fingerprint "$CIFRONA_SIGN_CERT")" == "$(fingerprint "$cache_dir/test-codesign.crt")" ]]; then
      echo "release: $CIFRONA_SIGN_CERT is this checkout's throw-away test certificate" >&2
      exit 1
    fi
  fi
fi
[[ "$preset" == win32 ]] || out+="-$preset"
out+="${version_override:+-$version_override}"
if [[ -n "$version_override" ]]; then
  older=$(sed -n 's/^CIFRONA_OLDER_VERSION:[A-Z]*=//p' "$bin/CMakeCache.txt" 2>/dev/null || true)
  if ((test_release)) && [[ "$version_override" == "${older:-0.9.0.0}" ]]; then
    exe_dir="$bin/older-$version_override"
    target=CifronaOlder
  else
    bin="build/$preset-$version_override"
    ((test_release)) && exe_dir="$bin" || exe_dir="$bin/release"
    configure+=(-DCIFRONA_VERSION="$version_override")
  fi
fi
[[ -n "$out_override" ]] && out="$out_override"

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
[[ -f "$reader" ]] || reader="build/$preset/packaging/file_version.exe"
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
# Every time stamp in the release is the commit's.
export SOURCE_DATE_EPOCH="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
export TZ=UTC

dest="$out/download/Cifrona"
stage="$out/stage"
rm -rf "$dest" "$stage"
mkdir -p "$dest" "$stage/Language"
cp "$exe_dir/Cifrona.exe" "$stage/"
python3 tools/pe-timestamp.py "$stage/Cifrona.exe" "$SOURCE_DATE_EPOCH"
# Signed before anything packs it, so that the archive and the installer hold the signed copy.
((authenticode)) && bash tools/codesign.sh "$stage/Cifrona.exe"
# Language files come from the build; without them the folder still ships, empty.
if [[ -d "$bin/Language" ]]; then
  cp -r "$bin/Language/." "$stage/Language/"
fi
: >"$stage/portable.ini"
# The same modes and times wherever and whenever it is built.
find "$stage" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

# Portable copy. The update script extracts it over a portable folder entry by entry and
# makes folders only for folder entries, so each folder entry comes before its files; the
# entries are named in a fixed order (zip would take the directory's).
# Settings (Config\) are never part of it, so an update keeps the user's.
(cd "$stage" && { printf '%s\n' Cifrona.exe portable.ini; find Language -type d -printf '%p/\n' -o -type f -print | LC_ALL=C sort; } |
  zip -q -X -@ "$repo/$dest/Cifrona.zip")

# Installer. NSIS wants four numbers for the installer's own version resource.
nsis_version="$version"
while [[ $(tr -cd '.' <<<"$nsis_version" | wc -c) -lt 3 ]]; do nsis_version+=".0"; done
nsis_opts=()
[[ -f "$bin/assets/mainicon.ico" ]] && nsis_opts+=(-DICON="$repo/$bin/assets/mainicon.ico")
[[ "$preset" == win64 ]] && nsis_opts+=(-DTARGET=amd64-unicode)
# makensis signs the uninstaller it writes into the installer, then the installer.
((authenticode)) && nsis_opts+=(-DSIGN="bash $repo/tools/codesign.sh")
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$nsis_version" -DSTAGE="$repo/$stage" \
  -DOUTFILE="$repo/$dest/Cifrona-setup.exe" -DCOMPANY="${company:-Cifrona Project}" "${nsis_opts[@]}" \
  packaging/cifrona.nsi >"$out/makensis.log" 2>&1 || { cat "$out/makensis.log" >&2; exit 1; }

printf '%s\n' "$version" >"$dest/version.txt"

[[ -f "$key" ]] || { echo "release: no key at $key" >&2; exit 1; }
for f in Cifrona-setup.exe Cifrona.zip; do
  bash tools/sign-update.sh "$key" "$dest/$f" "$version" "$arch"
done
# The package managers' manifests, from the very files and the configured primary server.
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$bin/CMakeCache.txt"; }
rm -rf "$out/manifests"
python3 tools/manifests.py "$out" "$(cache_value CIFRONA_UPDATE_URL_PRIMARY)" "$arch" "${company:-Cifrona Project}" \
  "$(cache_value CIFRONA_LICENSE)" "$(cache_value CIFRONA_WEBSITE_URL)"
rm -f "$out/TEST-RELEASE-DO-NOT-PUBLISH.txt" "$dest/TEST-RELEASE-DO-NOT-PUBLISH.txt" "$out/release-public-key.txt" \
  "$out/NOT-AUTHENTICODE-SIGNED.txt" "$dest/NOT-AUTHENTICODE-SIGNED.txt" "$out/codesign-certificate.pem"
if ((authenticode)); then
  # The certificate's public part, to publish its fingerprint beside the release.
  if [[ -n "${CIFRONA_SIGN_PKCS12:-}" ]]; then
    openssl pkcs12 -in "$CIFRONA_SIGN_PKCS12" -nokeys -clcerts \
      ${CIFRONA_SIGN_PASSWORD_FILE:+-passin "file:$CIFRONA_SIGN_PASSWORD_FILE"} -out "$out/codesign-certificate.pem" 2>/dev/null ||
      echo "release: could not read the certificate out of $CIFRONA_SIGN_PKCS12" >&2
  else
    openssl x509 -in "$CIFRONA_SIGN_CERT" -out "$out/codesign-certificate.pem" 2>/dev/null ||
      openssl x509 -inform DER -in "$CIFRONA_SIGN_CERT" -out "$out/codesign-certificate.pem"
  fi
else
  for d in "$out" "$dest"; do
    printf '%s\r\n' "NOT AUTHENTICODE-SIGNED." \
      "Windows will warn about an unknown publisher for Cifrona.exe and Cifrona-setup.exe in this" \
      "folder. Make a release with the code-signing certificate set (README, Making a release)." \
      >"$d/NOT-AUTHENTICODE-SIGNED.txt"
  done
fi
if ((test_release)); then
  # Plain to anyone who opens the folder, and beside the files a server would serve.
  for d in "$out" "$dest"; do
    printf '%s\r\n' "TEST RELEASE - DO NOT PUBLISH." \
      "The program in it trusts the throw-away key of the checkout that made it, and the files are" \
      "signed with that key. Make a release with CIFRONA_RELEASE_KEY set (README, Making a release)." \
      >"$d/TEST-RELEASE-DO-NOT-PUBLISH.txt"
  done
else
  # What a shipped program must never hold: the test key, a loopback server.
  if LC_ALL=C grep -qaF -e "$test_hex" -e "127.0.0.1" -e "localhost" "$stage/Cifrona.exe" ||
     ! LC_ALL=C grep -qaF "$release_hex" "$stage/Cifrona.exe"; then
    echo "release: $stage/Cifrona.exe is not a release build (test key or loopback server inside)" >&2
    exit 1
  fi
  printf '%s\n' "$release_hex" >"$out/release-public-key.txt"
fi
echo "release: $dest (version $version)"
