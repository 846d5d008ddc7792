#!/usr/bin/env bash
# mirvo.exe must run from a bare folder: it may import only DLLs that every Windows has. It is
# shipped stripped, at most 512 KiB, and stripping keeps its resources: the icon, the version and
# the manifest. Usage: imports_test.sh MIRVO_EXE
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
if [ "$size" -gt $((512 * 1024)) ]; then
  echo "FAILED: $exe is $size bytes, more than 512 KiB"
  failed=1
fi
if x86_64-w64-mingw32-objdump -f -h "$exe" | grep -qE "HAS_SYMS| \.debug_"; then
  echo "FAILED: $exe carries symbols or debug information"
  failed=1
fi
# The resource types at the top of the resource directory (indented by 3 spaces): RT_ICON,
# RT_GROUP_ICON, RT_VERSION and RT_MANIFEST.
types=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/^[0-9a-f]+   Entry: ID: / { print $4 }')
for type in 0x000003, 0x00000e, 0x000010, 0x000018,; do
  grep -qxF "$type" <<<"$types" || { echo "FAILED: $exe has no resource of type ${type%,}"; failed=1; }
done
echo "imports: ${dlls[*]}; size: $size bytes"
exit $failed
