#!/usr/bin/env bash
# Builds everything and runs every test: native, Windows-side under Wine, and end to end
# against the real Cifrona.exe under Wine in a private Xvfb. Ends with CTest's summary.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
bash tools/build.sh
# The fuzz targets over instrumented code (their short runs are part of the CTest run below).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

source tools/xvfb.sh
cifrona_start_xvfb
export CIFRONA_WINEPREFIX="$repo/.cache/wineprefix"
bash tools/wine-prefix.sh
trap 'WINEPREFIX="$CIFRONA_WINEPREFIX" wineserver -k 2>/dev/null || true; kill $CIFRONA_XVFB_PID 2>/dev/null || true' EXIT
# The test release folders (installer, portable archive, version.txt) the release scenarios
# use: the 32-bit one and the 64-bit build's, each also from the build's older copy, which
# the upgrade scenario installs first.
for preset in win32 win64; do
  bash tools/release.sh --no-build --test --preset "$preset"
  bash tools/release.sh --no-build --test --preset "$preset" --version 0.9.0.0
done
# A release as a maintainer makes one, with a key of the release environment's (a stand-in made
# for this run, outside the checkout, and gone after it): release.publishable checks it.
# Its code-signing certificate is a stand-in too. (release.reproducible, tools/check-reproducible.sh,
# builds the program a second time in build/repro-win32 during the CTest run.)
standin=$(mktemp -d)
bash tools/sign-update.sh --new-key "$standin/release-key.pem"
bash tools/codesign.sh --new-test-cert "$standin"
# No time-stamp server is asked, whatever the environment names.
env -u CIFRONA_SIGN_TIMESTAMP_URL -u CIFRONA_SIGN_PKCS12 -u CIFRONA_SIGN_PASSWORD_FILE \
  CIFRONA_RELEASE_KEY="$standin/release-key.pem" CIFRONA_SIGN_CERT="$standin/test-codesign.crt" \
  CIFRONA_SIGN_KEY="$standin/test-codesign.key" bash tools/release.sh --preset win32 --out build/release-check
rm -rf "$standin"

# One CTest run over the four builds, so one summary closes the output; the Windows-side
# tests come right after the native ones, as they did before the fuzz build joined.
cat > build/CTestTestfile.cmake <<'EOT'
subdirs("native" "win64" "win32" "fuzz")
EOT
# One Wine server for the whole run, kept until the end (the trap ends it), so no test starts
# one of its own (tools/wine-run.sh keeps Wine's processes off CTest's pipes).
WINEPREFIX="$CIFRONA_WINEPREFIX" wineserver -k 2>/dev/null || true
WINEPREFIX="$CIFRONA_WINEPREFIX" wineserver -w 2>/dev/null || true
WINEPREFIX="$CIFRONA_WINEPREFIX" wineserver -p
bash tools/wine-run.sh wineboot >/dev/null 2>&1
ctest --test-dir build --output-on-failure -j2 "$@"
