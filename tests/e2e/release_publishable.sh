#!/usr/bin/env bash
# A release is publishable: the program in it asks no loopback server and trusts the release
# key, not the checkout's test key; its files verify with the release key only; a test release
# is marked as one.
# Its executables are Authenticode-signed with the release certificate, not the test one.
#   release_publishable.sh RELEASE-DIR TEST-RELEASE-DIR TEST-KEY.pem TEST-CERT.crt
set -euo pipefail
release=$1 test_release=$2 test_key=$3 test_cert=$4
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
fail() { echo "FAIL: $*" >&2; exit 1; }

dest="$release/download/Cifrona"
exe="$release/stage/Cifrona.exe"
[[ -f "$exe" && -f "$release/release-public-key.txt" ]] || fail "$release holds no release (tools/test.sh makes one)"
release_hex=$(tr -d '\n' <"$release/release-public-key.txt")
test_hex=$(bash "$repo/tools/sign-update.sh" --public-key "$test_key")
[[ "$release_hex" != "$test_hex" ]] || fail "the release key is the test key"

# The executable as shipped inside the archive is the staged one.
unzip -p "$dest/Cifrona.zip" Cifrona.exe | cmp -s - "$exe" || fail "the archive holds another Cifrona.exe"
for needle in 127.0.0.1 localhost "$test_hex"; do
  ! LC_ALL=C grep -qaF "$needle" "$exe" || fail "Cifrona.exe holds '$needle'"
done
LC_ALL=C grep -qaF "$release_hex" "$exe" || fail "Cifrona.exe does not hold the release key"
LC_ALL=C grep -qaF "http://download.cifrona.invalid/download/" "$exe" || fail "Cifrona.exe lacks the configured primary server"
[[ ! -e "$release/TEST-RELEASE-DO-NOT-PUBLISH.txt" ]] || fail "the release is marked as a test release"
# The 32-bit program, unzip code and all, stays within 1 MiB.
size=$(stat -c %s "$exe")
((size <= 1048576)) || fail "Cifrona.exe is $size bytes, more than 1 MiB"

# Each signature verifies with the release key and not with the test key.
pem_of() {  # the public key as PEM from its hex
  perl -e 'print pack("H*", $ARGV[0])' "3059301306072a8648ce3d020106082a8648ce3d03010703420004$1" |
    openssl pkey -pubin -inform DER -outform PEM
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
pem_of "$release_hex" >"$tmp/release.pem"
pem_of "$test_hex" >"$tmp/test.pem"
for f in Cifrona-setup.exe Cifrona.zip; do
  sig="$dest/$f.sig"
  grep -qx "product=Cifrona" "$sig" && grep -qx "arch=x86" "$sig" || fail "$f.sig names no product or architecture"
  grep -v '^signature=' "$sig" >"$tmp/statement"
  sed -n 's/^signature=//p' "$sig" | perl -ne 'chomp; print pack("H*", $_)' >"$tmp/signature"
  openssl dgst -sha256 -verify "$tmp/release.pem" -signature "$tmp/signature" "$tmp/statement" >/dev/null ||
    fail "$f.sig does not verify with the release key"
  ! openssl dgst -sha256 -verify "$tmp/test.pem" -signature "$tmp/signature" "$tmp/statement" >/dev/null 2>&1 ||
    fail "$f.sig verifies with the test key"
  grep -qx "sha256=$(sha256sum "$dest/$f" | cut -d' ' -f1)" "$sig" || fail "$f.sig names other bytes"
done

# Authenticode: the installer, and the program as staged and as the archive holds it, verify
# with the release certificate only.
cert="$release/codesign-certificate.pem"
[[ -f "$cert" && ! -e "$release/NOT-AUTHENTICODE-SIGNED.txt" ]] || fail "the release is not Authenticode-signed"
! cmp -s "$cert" "$test_cert" || fail "the release is signed with the test certificate"
unzip -p "$dest/Cifrona.zip" Cifrona.exe >"$tmp/zip-Cifrona.exe"
for f in "$dest/Cifrona-setup.exe" "$exe" "$tmp/zip-Cifrona.exe"; do
  bash "$repo/tools/codesign.sh" --verify "$cert" "$f" || fail "$f has no valid Authenticode signature of the release certificate"
  ! bash "$repo/tools/codesign.sh" --verify "$test_cert" "$f" || fail "$f verifies with the test certificate"
done

# A test release says what it is, where anyone looking at it would see.
for d in "$test_release" "$test_release/download/Cifrona"; do
  [[ -f "$d/TEST-RELEASE-DO-NOT-PUBLISH.txt" ]] || fail "$d is not marked as a test release"
done
echo "ok: $release is publishable; $test_release is marked as a test release"
