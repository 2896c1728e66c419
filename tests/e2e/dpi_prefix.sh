# Sourced by the scenarios that change the DPI, instead of lib.sh: they run in a linked copy of
# the test prefix (named by DPI_PREFIX_SUFFIX), so the shared prefix keeps 96 DPI whatever
# happens. Sources lib.sh and adds set_dpi.
base_prefix="${CIFRONA_WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/.cache/wineprefix}"
dpi_prefix="$base_prefix-${DPI_PREFIX_SUFFIX:?}"
rm -rf "$dpi_prefix"
# Hard links keep the copy cheap; the files Wine rewrites or the program writes are real copies.
cp -al "$base_prefix" "$dpi_prefix"
for f in system.reg user.reg userdef.reg; do cp --remove-destination "$base_prefix/$f" "$dpi_prefix/$f"; done
rm -rf "$dpi_prefix/drive_c/users" "$dpi_prefix/drive_c/e2e" && cp -a "$base_prefix/drive_c/users" "$dpi_prefix/drive_c/"
export CIFRONA_WINEPREFIX="$dpi_prefix"
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
cleanup() {
  kill_all
  wineserver -k 2>/dev/null || true
  rm -rf "$dpi_prefix"
}
trap cleanup EXIT

set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  done
  # Programs read the DPI when they start; the shell's own processes start afresh.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}
