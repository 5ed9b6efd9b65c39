#!/usr/bin/env bash
# Compiles the program's Windows resources with mingw-w64's windres and checks
# what ends up in them: the icon group and the version strings.
set -euo pipefail
src=${1:?source dir}
out=${2:?output dir}
windres=$(command -v x86_64-w64-mingw32-windres || true)
if [ -z "$windres" ]; then
  echo "SKIP: x86_64-w64-mingw32-windres is not installed (apt-get install binutils-mingw-w64-x86-64)"
  exit 77
fi
mkdir -p "$out"
"$windres" -I "$src/app" "$src/app/quillon.rc" -O coff -o "$out/quillon.res.o"
"$windres" -I "$src/app" "$src/app/quillon.rc" -O rc -o "$out/quillon.decompiled.rc"
fail=0
expect() {
  if ! grep -qF -- "$1" "$out/quillon.decompiled.rc"; then
    echo "missing from the compiled resources: $1"; fail=1
  fi
}
expect '"IDI_ICON1" 14 /* RT_GROUP_ICON */'
expect 'FILEVERSION 1, 1, 0, 4'
expect 'PRODUCTVERSION 1, 1, 0, 4'
expect 'BLOCK "040904b0"'
expect 'VALUE "ProductName", "Product Quillon-spain"'
expect 'VALUE "FileVersion", "1.1.0.4"'
expect 'VALUE "ProductVersion", "1.1.0.4"'
expect 'VALUE "OriginalFilename", "Quillon.exe"'
[ $fail -eq 0 ] && echo "resources compile and carry the icon and version block"
exit $fail
