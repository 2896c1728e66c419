#!/usr/bin/env bash
# Fails when an executable of the build imports a MinGW runtime DLL, or when the
# 32-bit release build is not a PE32 image.
set -euo pipefail
objdump="$1" dir="$2"
status=0
while IFS= read -r exe; do
  if "$objdump" -p "$exe" | grep -iE 'DLL Name: (libstdc\+\+|libgcc_s|libwinpthread)' >/dev/null; then
    echo "FAIL: $exe imports a MinGW runtime DLL:"; "$objdump" -p "$exe" | grep 'DLL Name'
    status=1
  fi
done < <(find "$dir" -name '*.exe' -not -path '*/CMakeFiles/*')
if [[ "$objdump" == *i686* ]] && ! "$objdump" -f "$dir/Cifrona.exe" | grep -q 'file format pei-i386'; then
  echo "FAIL: $dir/Cifrona.exe is not a PE32 image"; status=1
fi
[[ $status -eq 0 ]] && echo "all executables are self-contained"
exit $status
