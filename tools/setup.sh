#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent and quiet
# when everything is present; names the package that could not be had otherwise.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

wanted=()
for list in "$here"/deb-packages*.txt; do
  while read -r pkg _; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    wanted+=("$pkg")
  done < "$list"
done

missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == installed ]] || missing+=("$pkg")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "setup: missing packages (run as root to install): ${missing[*]}" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >/dev/null || echo "setup: apt-get update failed; trying the lists already present" >&2
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/tmp/cifrona-setup-apt.log 2>&1; then
    # Install one by one so the message names the package that failed.
    for pkg in "${missing[@]}"; do
      if ! apt-get install -y -qq --no-install-recommends "$pkg" >>/tmp/cifrona-setup-apt.log 2>&1; then
        echo "setup: could not install Debian package '$pkg' (see /tmp/cifrona-setup-apt.log)" >&2
        exit 1
      fi
    done
  fi
fi

# The 32-bit Wine loader is optional: the tests run the x86_64 build under wine64
# and use wine32 for the i686 release build only when it is there.
if [[ $(id -u) -eq 0 ]] && ! dpkg-query -W -f='${db:Status-Status}' wine32:i386 2>/dev/null | grep -q installed \
   && [[ ! -e /var/tmp/cifrona-wine32-tried ]]; then
  touch /var/tmp/cifrona-wine32-tried
  echo "setup: trying optional wine32:i386"
  if dpkg --add-architecture i386 && apt-get update -qq >/dev/null 2>&1 \
     && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >>/tmp/cifrona-setup-apt.log 2>&1; then
    echo "setup: wine32:i386 installed"
  else
    echo "setup: wine32:i386 not available; going on without it"
  fi
fi

# /usr/bin/wine prefers the 32-bit loader whenever it is installed, so one that this
# system's kernel cannot run (no 32-bit support: "Exec format error") breaks Wine for the
# 64-bit programs too. Such a loader is removed again.
if [[ $(id -u) -eq 0 && -e /usr/lib/wine/wine ]] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "setup: this system cannot run 32-bit programs; removing wine32:i386"
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq wine32:i386 >>/tmp/cifrona-setup-apt.log 2>&1 ||
    echo "setup: could not remove wine32:i386; Wine will not start" >&2
fi
