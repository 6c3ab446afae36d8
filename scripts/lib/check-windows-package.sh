#!/usr/bin/env bash
# check-windows-package.sh ZIP BUILD: fails unless the zip holds, in one folder named after it,
# the publishers' README (Windows line ends) and every program the Windows build in BUILD made
# (kolvarin-tool.exe always), each static and stripped; prints what it holds.
set -euo pipefail
zip=$1
build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
name=$(basename "$zip" .zip)
status=0
fail() {
  echo "package: $*" >&2
  status=1
}

listing=$(unzip -Z1 "$zip")
expected="$name/README.txt"$'\n'"$name/kolvarin-tool.exe"
[[ -f $build/kolvarin-update.exe ]] && expected+=$'\n'"$name/kolvarin-update.exe"
if [[ $(sort <<<"$listing") != $(sort <<<"$expected") ]]; then
  fail "$(basename "$zip") holds:"$'\n'"$listing"$'\n'"expected:"$'\n'"$expected"
fi
unzip -q "$zip" -d "$out"

for exe in "$out/$name"/*.exe; do
  [[ -f $exe ]] || continue
  program=$(basename "$exe")
  headers=$(x86_64-w64-mingw32-objdump -x "$exe")
  if grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)' <<<"$headers"; then
    fail "$program is not static"
  fi
  if grep -qE '\.debug_' <<<"$headers" || ! grep -q 'no symbols' <<<"$(x86_64-w64-mingw32-objdump -t "$exe")"; then
    fail "$program is not stripped"
  fi
  if ! grep -q 'Resource Directory \[\.rsrc\]' <<<"$headers"; then
    fail "$program has no resources (icon, version information)"
  fi
done

readme=$out/$name/README.txt
if [[ ! -s $readme ]] || grep -qv $'\r$' "$readme"; then
  fail "README.txt is missing or has lines without Windows line ends"
fi
echo "package: $(basename "$zip"), $(du -k "$zip" | cut -f1) KiB: $(tr '\n' ' ' <<<"$listing")"
exit $status
