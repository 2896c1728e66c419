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
# The release folders (installer, portable archive, version.txt) the release scenarios use:
# the shipped 32-bit one and the 64-bit build's test one, each also from the build's older
# copy, which the upgrade scenario installs first.
for preset in win32 win64; do
  bash tools/release.sh --no-build --preset "$preset"
  bash tools/release.sh --no-build --preset "$preset" --version 0.9.0.0
done

# One CTest run over the four builds, so one summary closes the output.
cat > build/CTestTestfile.cmake <<'EOT'
subdirs("native" "fuzz" "win64" "win32")
EOT
ctest --test-dir build --output-on-failure -j2 "$@"
