#!/bin/bash
# Signs an update for the update server, or prints a key's public half for the build.
#
#   tools/sign-update.sh KEY.pem FILE VERSION ARCH   writes FILE.sig beside FILE (ARCH: x86 or x64)
#   tools/sign-update.sh --public-key KEY.pem   prints the value of CIFRONA_RELEASE_PUBLIC_KEY
#   tools/sign-update.sh --new-key KEY.pem      makes a new P-256 release key (keep it secret)
#   tools/sign-update.sh --check-public-key HEX exits 0 when HEX (X then Y) is a point of P-256
#
# FILE.sig holds the product, the architecture of the program it installs (x86 for the
# 32-bit build, x64 for the 64-bit one), the file's name, the version it installs, its size
# and SHA-256, and an ECDSA P-256 signature (hex of DER) over exactly those six lines.
# VERSION must be the text version.txt will carry for this release.
set -euo pipefail

hex() { od -An -tx1 -v | tr -d ' \n'; }

case "${1:-}" in
  --public-key)
    # The DER public key ends with the uncompressed point's X and Y.
    openssl ec -in "$2" -pubout -outform DER 2>/dev/null | tail -c 64 | hex
    echo
    exit 0 ;;
  --check-public-key)
    [[ "${2:-}" =~ ^[0-9a-fA-F]{128}$ ]] || { echo "not 128 hex digits" >&2; exit 1; }
    # A SubjectPublicKeyInfo for P-256 around the uncompressed point; openssl checks the curve.
    der_prefix=3059301306072a8648ce3d020106082a8648ce3d03010703420004
    perl -e 'print pack("H*", $ARGV[0])' "$der_prefix$2" |
      openssl pkey -pubin -inform DER -noout -check >/dev/null 2>&1 ||
      { echo "not a point of P-256" >&2; exit 1; }
    exit 0 ;;
  --new-key)
    openssl ecparam -name prime256v1 -genkey -noout -out "$2"
    chmod 600 "$2"
    exit 0 ;;
esac

if [ $# -ne 4 ] || [[ "$4" != x86 && "$4" != x64 ]]; then
  sed -n '4,6p' "$0" >&2
  exit 2
fi
key=$1 file=$2 version=$3 arch=$4
statement=$(mktemp)
trap 'rm -f "$statement"' EXIT
printf 'product=Cifrona\narch=%s\nfile=%s\nversion=%s\nsize=%s\nsha256=%s\n' "$arch" "$(basename "$file")" "$version" "$(stat -c %s "$file")" \
  "$(openssl dgst -sha256 -r "$file" | cut -d' ' -f1)" > "$statement"
signature=$(openssl dgst -sha256 -sign "$key" "$statement" | hex)
{ cat "$statement"; printf 'signature=%s\n' "$signature"; } > "$file.sig"
