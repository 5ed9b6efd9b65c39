#!/usr/bin/env bash
# Talvex.dll as Windows callers meet it, checked from Linux: four exports by
# undecorated name with ordinals 1 to 4 in their fixed order and nothing
# else, only system DLLs imported, and on i686 each export the stdcall
# callee that removes its 24 bytes of arguments (`ret $0x18`).
# usage: check_dll_exports.sh TALVEX.dll OBJDUMP ARCH
set -u
dll=$1
objdump=$2
arch=$3
if ! command -v "$objdump" >/dev/null; then
  echo "SKIP: $objdump is not installed (apt-get install mingw-w64)"
  exit 77
fi
if [ ! -f "$dll" ]; then
  echo "SKIP: $dll was not built (the mingw-w64 cross compiler for $arch is missing)"
  exit 77
fi
status=0
headers=$("$objdump" -p "$dll")

# Name pointer table rows read "[ i] name", where i is ordinal - base.
base=$(echo "$headers" | sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\).*/\1/p')
names=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^[[:space:]]*\[[[:space:]]*\([0-9]*\)\][[:space:]]*\(.*\)$/\2 \1/p' |
  awk -v base="$base" '{print $2 + base, $1}' | sort -n)
expected="1 API_iRSA_encrypt_privateKey
2 API_iRSA_encrypt_publicKey
3 API_iRSA_decrypt_publicKey
4 API_iRSA_decrypt_privateKey"
if [ "$names" != "$expected" ]; then
  echo "FAIL: export names or ordinals differ (ordinal name)"
  diff <(echo "$expected") <(echo "$names")
  status=1
fi
addresses=$(echo "$headers" | sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' |
  grep -c 'Export RVA' || true)
# objdump prints the address table once per header line; count distinct rows.
rows=$(echo "$headers" | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] +base\[[[:space:]]*\([0-9]*\)\].*Export RVA.*/\1/p' | sort -u)
if [ "$(echo "$rows" | wc -l)" -ne 4 ] || [ "$addresses" -lt 4 ]; then
  echo "FAIL: the export address table does not hold exactly four entries:"
  echo "$rows"
  status=1
fi

imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
foreign=$(echo "$imports" | grep -v -x -e 'kernel32\.dll' -e 'msvcrt\.dll' -e 'bcrypt\.dll' \
  -e 'api-ms-win-.*\.dll' -e 'ucrtbase\.dll' || true)
if [ -n "$foreign" ]; then
  echo "FAIL: Talvex.dll imports DLLs that Windows does not ship:"
  echo "$foreign"
  status=1
fi

if [ "$arch" = i686 ]; then
  image_base=$(echo "$headers" | sed -n 's/^ImageBase[[:space:]]*\([0-9a-fA-F]*\).*/\1/p')
  while read -r row; do
    rva=$(echo "$row" | awk '{print $(NF-2)}')
    start=$(printf '0x%x' $((0x$image_base + 0x$rva)))
    stop=$(printf '0x%x' $((start + 0x200)))
    ret=$("$objdump" -d --start-address="$start" --stop-address="$stop" "$dll" |
      grep -m1 -E '[[:space:]]ret[[:space:]]*(\$0x[0-9a-f]+)?[[:space:]]*$|[[:space:]]ret$' |
      sed 's/.*\(ret.*\)$/\1/')
    if ! echo "$ret" | grep -q '\$0x18'; then
      echo "FAIL: the export at RVA $rva returns with '$ret', not 'ret \$0x18' (24 bytes of arguments)"
      status=1
    fi
  done < <(echo "$headers" | sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' | grep 'Export RVA' | sort -u)
fi
[ $status -eq 0 ] && echo "$dll: exports, ordinals and imports as expected"
exit $status
