#!/usr/bin/env bash
# What a Windows operator is given must stand alone: Quillon.exe a GUI
# program that imports system DLLs only (Qt, the C++ runtime and the
# threads library linked in), carrying its version block, its icon and the
# qt.conf that keeps Windows from scaling it by DPI awareness.
#   check_quillon_exe.sh QUILLON.EXE
set -u
exe=$1
objdump=$(command -v x86_64-w64-mingw32-objdump || true)
if [ -z "$objdump" ]; then
  echo "SKIP: x86_64-w64-mingw32-objdump is not installed (apt-get install binutils-mingw-w64-x86-64)"
  exit 77
fi
headers=$("$objdump" -p "$exe")
fail=0
complain() { echo "$*"; fail=1; }

grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || complain "not a Windows GUI program"
while read -r dll; do
  case "${dll,,}" in
    qt5*.dll | libstdc++*.dll | libgcc*.dll | libwinpthread*.dll) complain "imports $dll, which Windows does not have" ;;
  esac
done < <(sed -n 's/.*DLL Name: //p' <<<"$headers")
"$objdump" -h "$exe" | grep -q '\.rsrc' || complain "no Windows resources"
for text in "Product Quillon-spain" "1.1.0.4" "Quillon.exe"; do
  strings -el "$exe" | grep -qxF "$text" || complain "the version block lacks \"$text\""
done
strings "$exe" | grep -qF "WindowsArguments = dpiawareness=0" || complain "no qt/etc/qt.conf in the resource bundle"
[ $fail -eq 0 ] && echo "$(basename "$exe"): one GUI program, $(stat -c %s "$exe") bytes, system DLLs only"
exit $fail
