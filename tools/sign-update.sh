#!/bin/bash
# Signs an update for the update server, or prints a key's public half for the build.
#
#   tools/sign-update.sh KEY.pem FILE VERSION   writes FILE.sig beside FILE
#   tools/sign-update.sh --public-key KEY.pem   prints the value of CIFRONA_RELEASE_PUBLIC_KEY
#   tools/sign-update.sh --new-key KEY.pem      makes a new P-256 release key (keep it secret)
#
# FILE.sig holds the file's name, the version it installs, its size and SHA-256, and an
# ECDSA P-256 signature (hex of DER) over exactly those four lines. VERSION must be the
# text version.txt will carry for this release.
set -euo pipefail

hex() { od -An -tx1 -v | tr -d ' \n'; }

case "${1:-}" in
  --public-key)
    # The DER public key ends with the uncompressed point's X and Y.
    openssl ec -in "$2" -pubout -outform DER 2>/dev/null | tail -c 64 | hex
    echo
    exit 0 ;;
  --new-key)
    openssl ecparam -name prime256v1 -genkey -noout -out "$2"
    chmod 600 "$2"
    exit 0 ;;
esac

if [ $# -ne 3 ]; then
  sed -n '4,6p' "$0" >&2
  exit 2
fi
key=$1 file=$2 version=$3
statement=$(mktemp)
trap 'rm -f "$statement"' EXIT
printf 'file=%s\nversion=%s\nsize=%s\nsha256=%s\n' "$(basename "$file")" "$version" "$(stat -c %s "$file")" \
  "$(openssl dgst -sha256 -r "$file" | cut -d' ' -f1)" > "$statement"
signature=$(openssl dgst -sha256 -sign "$key" "$statement" | hex)
{ cat "$statement"; printf 'signature=%s\n' "$signature"; } > "$file.sig"
