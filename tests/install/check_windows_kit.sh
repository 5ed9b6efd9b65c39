#!/usr/bin/env bash
# The Talvex kit for Windows as its callers unpack it: every file in place
# with the licence, each DLL's version block as Windows shows it, the import
# libraries for Microsoft's linker naming the DLL's exports (the
# 32-bit one binding stdcall-decorated names to undecorated imports), and a
# caller linked through the mingw import library of each architecture; the
# 64-bit one round-trips a message under wine.
# usage: check_windows_kit.sh KIT.zip SOURCE_DIR WORK_DIR
set -u
kit=$1 src=$2 work=$3
if [ ! -f "$kit" ]; then
  echo "SKIP: $kit was not built (needs mingw-w64 and llvm)"
  exit 77
fi
readobj=$(command -v llvm-readobj || command -v llvm-readobj-14 || true)
[ -n "$readobj" ] || { echo "SKIP: llvm-readobj is not installed (apt-get install llvm)"; exit 77; }
rm -rf "$work" && mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$kit") || exit 1
top="$work/$(basename "$kit" .zip)"

status=0
fail() { echo "FAIL: $*"; status=1; }

for f in README.txt LICENSE.txt talvex.def talvex_i686.def include/talvex.h \
         x86_64/Talvex.dll x86_64/Talvex.lib x86_64/libtalvex.dll.a \
         i686/Talvex.dll i686/Talvex.lib i686/libtalvex.dll.a; do
  [ -f "$top/$f" ] || fail "missing from the kit: $f"
done
echo "kit contents:"
(cd "$work" && find . -type f -printf '    %p %s bytes\n' | sort)

names="API_iRSA_encrypt_privateKey API_iRSA_encrypt_publicKey API_iRSA_decrypt_publicKey API_iRSA_decrypt_privateKey"
# check_lib ARCH SYMBOL_FORMAT NAME_TYPE: each export has an import symbol of
# that form, imported by the given kind of name.
check_lib() {
  local listing
  listing=$("$readobj" "$top/$1/Talvex.lib" 2>&1)
  for name in $names; do
    # shellcheck disable=SC2059
    local symbol; symbol=$(printf "$2" "$name")
    grep -qx "Symbol: __imp_$symbol" <<<"$listing" || fail "$1/Talvex.lib has no __imp_$symbol"
  done
  [ "$(grep -c "Name type: $3" <<<"$listing")" -eq 4 ] || fail "$1/Talvex.lib does not import by $3 names"
}
check_lib x86_64 '%s' name
check_lib i686 '_%s@24' undecorate

cmp -s "$top/LICENSE.txt" "$src/LICENSE" || fail "LICENSE.txt is not the project's licence"
version=$(sed -n 's/^project(Quillon VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
for arch in x86_64 i686; do
  windres=$(command -v $arch-w64-mingw32-windres) || { fail "$arch-w64-mingw32-windres is missing"; continue; }
  block=$("$windres" -i "$top/$arch/Talvex.dll" -O rc 2>&1 | sed 's/^ *//')
  for line in "FILEVERSION ${version//./, }" "PRODUCTVERSION ${version//./, }" 'FILETYPE 0x2' \
              "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
              'VALUE "ProductName", "Talvex"' 'VALUE "OriginalFilename", "Talvex.dll"' \
              'VALUE "LegalCopyright", "Copyright 2026 The Quillon developers; Apache-2.0"'; do
    grep -qxF -- "$line" <<<"$block" || fail "$arch/Talvex.dll has no version line '$line'"
  done
done

caller="$src/tests/install/talvex_caller.cpp"
for arch in x86_64 i686; do
  cxx=$arch-w64-mingw32-g++
  command -v "$cxx" >/dev/null || { fail "$cxx is missing"; continue; }
  mkdir -p "$work/$arch"
  "$cxx" -std=c++17 -O2 -static-libgcc -static-libstdc++ -I"$top/include" -I"$src/tests/talvex/platform" -o "$work/$arch/caller.exe" \
    "$caller" -L"$top/$arch" -ltalvex || fail "the $arch caller does not link against libtalvex.dll.a"
done
if [ -f "$work/x86_64/caller.exe" ]; then
  cp "$top/x86_64/Talvex.dll" "$work/x86_64/"
  (cd "$work/x86_64" && "$src/tests/wine-run.sh" ./caller.exe)
  rc=$?
  [ $rc -eq 77 ] && echo "(wine is not installed: the 64-bit caller was only linked)"
  [ $rc -eq 0 ] || [ $rc -eq 77 ] || fail "the 64-bit caller failed under wine ($rc)"
fi

[ $status -eq 0 ] && echo "Windows kit complete with its licence and version blocks; import libraries link and the 64-bit one runs"
exit $status
