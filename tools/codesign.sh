#!/usr/bin/env bash
# Authenticode signatures (osslsigncode, SHA-256) on the executables a release ships.
#
#   tools/codesign.sh FILE.exe             signs FILE.exe in place with the certificate of the
#                                          environment (below); NSIS calls it for the installer
#                                          and the uninstaller it writes
#   tools/codesign.sh --verify CERT FILE   exits 0 when FILE carries a valid signature made
#                                          with CERT (a PEM certificate, trusted as the root)
#   tools/codesign.sh --new-test-cert DIR  makes DIR/test-codesign.{crt,key}: a throw-away
#                                          self-signed certificate for test releases
#   tools/codesign.sh --check              exits 0 when the environment names a usable certificate
#
# The certificate comes from the release environment, never from the repository:
#   CIFRONA_SIGN_CERT           the code-signing certificate chain, PEM (or DER/SPC)
#   CIFRONA_SIGN_KEY            its private key, PEM
#   CIFRONA_SIGN_PKCS12         instead of the two above: a .pfx/.p12 holding both
#   CIFRONA_SIGN_PASSWORD_FILE  a file holding the key's password, when it has one
#   CIFRONA_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamp server; without it the signature
#                               carries no counter-signature and expires with the certificate
set -euo pipefail

signer_args() {
  if [[ -n "${CIFRONA_SIGN_PKCS12:-}" ]]; then
    [[ -f "$CIFRONA_SIGN_PKCS12" ]] || { echo "codesign: no file at CIFRONA_SIGN_PKCS12=$CIFRONA_SIGN_PKCS12" >&2; return 1; }
    args=(-pkcs12 "$CIFRONA_SIGN_PKCS12")
  elif [[ -n "${CIFRONA_SIGN_CERT:-}" && -n "${CIFRONA_SIGN_KEY:-}" ]]; then
    for f in "$CIFRONA_SIGN_CERT" "$CIFRONA_SIGN_KEY"; do
      [[ -f "$f" ]] || { echo "codesign: no file at $f" >&2; return 1; }
    done
    args=(-certs "$CIFRONA_SIGN_CERT" -key "$CIFRONA_SIGN_KEY")
  else
    echo "codesign: no certificate: set CIFRONA_SIGN_CERT and CIFRONA_SIGN_KEY, or CIFRONA_SIGN_PKCS12" >&2
    return 1
  fi
  if [[ -n "${CIFRONA_SIGN_PASSWORD_FILE:-}" ]]; then
    args+=(-readpass "$CIFRONA_SIGN_PASSWORD_FILE")
  fi
  if [[ -n "${CIFRONA_SIGN_TIMESTAMP_URL:-}" ]]; then
    args+=(-ts "$CIFRONA_SIGN_TIMESTAMP_URL")
  fi
}

case "${1:-}" in
  --verify)
    [[ $# -eq 3 ]] || { sed -n '6,7p' "$0" >&2; exit 2; }
    # -CAfile alone: the certificate is the only trusted root, not the system's store.
    exec osslsigncode verify -CAfile "$2" -in "$3" >/dev/null 2>&1 ;;
  --new-test-cert)
    [[ $# -eq 2 ]] || { sed -n '9,10p' "$0" >&2; exit 2; }
    mkdir -p "$2"
    openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 3650 \
      -subj "/CN=Cifrona TEST signing - not for release" \
      -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
      -addext "extendedKeyUsage=codeSigning" \
      -keyout "$2/test-codesign.key" -out "$2/test-codesign.crt" >/dev/null 2>&1
    chmod 600 "$2/test-codesign.key"
    exit 0 ;;
  --check)
    signer_args
    exit 0 ;;
  -*|"")
    sed -n '2,12p' "$0" >&2; exit 2 ;;
esac

[[ $# -eq 1 && -f "$1" ]] || { echo "codesign: no file '${1:-}'" >&2; exit 2; }
signer_args
file=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
signed="$tmp/signed"
osslsigncode sign "${args[@]}" -h sha256 -n Cifrona -in "$file" -out "$signed" >/dev/null ||
  { echo "codesign: osslsigncode could not sign $file" >&2; exit 1; }
cat "$signed" >"$file"
