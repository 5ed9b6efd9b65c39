#!/usr/bin/env bash
# libtalvex.so as a caller's loader sees it: exactly the four functions are
# exported, and (unless sanitizer runtimes are linked in) it needs nothing
# but the C runtime.
# usage: check_so_exports.sh LIBTALVEX.so [--sanitized]
set -u
lib=$1
sanitized=${2:-}
for tool in nm readelf; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
expected="API_iRSA_decrypt_privateKey
API_iRSA_decrypt_publicKey
API_iRSA_encrypt_privateKey
API_iRSA_encrypt_publicKey"
status=0
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | sed 's/@.*//' | sort)
if [ "$exported" != "$expected" ]; then
  echo "FAIL: exported symbols differ"
  diff <(echo "$expected") <(echo "$exported")
  status=1
fi
if [ -z "$sanitized" ]; then
  needed=$(readelf -d "$lib" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort)
  extra=$(echo "$needed" | grep -v -x -e 'libc\.so\.[0-9]*' || true)
  if [ -n "$extra" ]; then
    echo "FAIL: libtalvex.so needs more than the C runtime:"
    echo "$extra"
    status=1
  fi
fi
[ $status -eq 0 ] && echo "libtalvex.so: exports and dependencies as expected"
exit $status
