#!/usr/bin/env bash
# mirvo.exe must run from a bare folder: it may import only DLLs that every Windows has, and it
# stays small. Usage: imports_test.sh MIRVO_EXE
set -uo pipefail
exe=$1
system_dlls='^(kernel32|user32|gdi32|shell32|advapi32|comctl32|comdlg32|ole32|msvcrt|ws2_32)\.dll$'
mapfile -t dlls < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
failed=0
if [ ${#dlls[@]} -eq 0 ]; then
  echo "FAILED: no imports read from $exe"
  failed=1
fi
for dll in "${dlls[@]}"; do
  if ! printf '%s\n' "$dll" | tr 'A-Z' 'a-z' | grep -qE "$system_dlls"; then
    echo "FAILED: $exe imports $dll, which is not a Windows system DLL"
    failed=1
  fi
done
size=$(stat -c %s "$exe")
if [ "$size" -gt $((3 * 1024 * 1024)) ]; then
  echo "FAILED: $exe is $size bytes, more than 3 MB"
  failed=1
fi
echo "imports: ${dlls[*]}; size: $size bytes"
exit $failed
