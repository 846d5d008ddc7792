#!/usr/bin/env bash
# mirvo.exe carries its application manifest as resource 1 of type 24 (RT_MANIFEST): the bytes of
# src/app/win32/mirvo.exe.manifest, well-formed XML that declares per-monitor dpi awareness, asks
# for common controls 6, names Windows 7 to 11 and runs as the invoker.
# Usage: manifest_test.sh MIRVO_EXE MANIFEST_SOURCE
set -uo pipefail
exe=$1
source_manifest=$2
objdump=x86_64-w64-mingw32-objdump
work=$(mktemp -d /tmp/mirvo-manifest.XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

# The leaf of type 24, name 1 in the resource directory: its address (relative to the image base)
# and its size. Type entries are indented by 3 spaces, names by 5.
read -r address size < <("$objdump" -p "$exe" | awk '
  /^[0-9a-f]+   Entry: ID: / { type = ($4 == "0x000018,") }
  type && /^[0-9a-f]+     Entry: ID: / { name = ($4 == "0x000001,") }
  type && name && /Leaf: Addr:/ { gsub(",", ""); print $4, $6; exit }')
if [ -z "${address:-}" ]; then
  echo "FAILED: $exe has no resource 1 of type 24 (RT_MANIFEST)"
  exit 1
fi
image_base=$("$objdump" -p "$exe" | awk '/^ImageBase/ { print $2 }')
section=$("$objdump" -h "$exe" | awk '$2 == ".rsrc" { print $4 }')
x86_64-w64-mingw32-objcopy -O binary -j .rsrc "$exe" "$work/rsrc"
offset=$((0x$section - 0x$image_base))
tail -c +$((address - offset + 1)) "$work/rsrc" | head -c $((size)) >"$work/manifest.xml"

cmp -s "$work/manifest.xml" "$source_manifest" ||
  fail "the embedded manifest differs from $source_manifest"
xmllint --noout "$work/manifest.xml" || fail "the embedded manifest is not well-formed XML"
expected=(
  '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>'
  '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>'
  'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
  'processorArchitecture="*" publicKeyToken="6595b64144ccf1df"'
  '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>'
  '<supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>'  # Windows 10 and 11
  '<supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>'  # Windows 8.1
  '<supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>'  # Windows 8
  '<supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>'  # Windows 7
)
for line in "${expected[@]}"; do
  grep -qF -- "$line" "$work/manifest.xml" || fail "the manifest lacks: $line"
done
# Each declaration sits in its element: the dpi settings in the application's windowsSettings,
# the common controls as a dependency.
for path in \
  "/*[local-name()='assembly']/*[local-name()='application']/*[local-name()='windowsSettings']/*[local-name()='dpiAwareness']" \
  "/*[local-name()='assembly']/*[local-name()='application']/*[local-name()='windowsSettings']/*[local-name()='dpiAware']" \
  "/*[local-name()='assembly']/*[local-name()='dependency']/*[local-name()='dependentAssembly']/*[local-name()='assemblyIdentity'][@name='Microsoft.Windows.Common-Controls']"; do
  [ "$(xmllint --xpath "count($path)" "$work/manifest.xml" 2>/dev/null)" = 1 ] ||
    fail "not exactly one element at $path"
done
echo "manifest: $((size)) bytes at $address"
exit $failed
