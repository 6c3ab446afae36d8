#!/usr/bin/env bash
# check-package.sh DEB: fails unless the package installs both programs, stripped (no symbol
# table, no debug information), and prints what it installs.
set -euo pipefail
deb=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
dpkg-deb -x "$deb" "$out"
status=0
for program in kolvarin-update kolvarin-tool; do
  file=$out/usr/bin/$program
  if [[ ! -x $file ]]; then
    echo "package: $program is missing from $deb" >&2
    status=1
  elif readelf -S "$file" | grep -qE '\.(symtab|debug_info)\b'; then
    echo "package: $program is not stripped in $deb" >&2
    status=1
  fi
done
echo "package: $(basename "$deb"), $(dpkg-deb -f "$deb" Installed-Size) KiB installed"
exit $status
