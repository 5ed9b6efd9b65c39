#!/usr/bin/env bash
# Builds the Windows installer and the portable zip of Quillon from a built
# Quillon.exe, into the output folder given:
#   Quillon-<version>-setup-x86_64.exe   (NSIS; res/windows/quillon.nsi)
#   Quillon-<version>-windows-x86_64.zip (Quillon.exe, README.txt, LICENSE.txt)
# The version is the top CMakeLists' project() version unless given (the
# tests make an earlier one to upgrade from).
# usage: package-windows.sh QUILLON.EXE OUTDIR [VERSION]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath -m "${1:?usage: package-windows.sh QUILLON.EXE OUTDIR}")
out=$(realpath -m "${2:?usage: package-windows.sh QUILLON.EXE OUTDIR}")
license="$top/LICENSE"

version=${3:-$(sed -nE 's/^project\(Quillon VERSION ([0-9.]+)[ )].*/\1/p' "$top/CMakeLists.txt")}
# Windows version blocks hold four numbers.
[[ $version =~ ^[0-9]+(\.[0-9]+){3}$ ]] || { echo "not a four-part version: '$version'" >&2; exit 1; }
for f in "$exe" "$license"; do
  [ -f "$f" ] || { echo "cannot package for Windows: $f is missing" >&2; exit 1; }
done
for tool in makensis zip; do
  command -v "$tool" >/dev/null || { echo "cannot package for Windows: $tool is not installed (scripts/packages.txt)" >&2; exit 1; }
done

mkdir -p "$out"
stage=$(mktemp -d "$out/.windows.XXXXXX")
trap 'rm -rf "$stage"' EXIT
# Windows readers expect CRLF line ends in the text files.
sed "s/@VERSION@/$version/g; s/\$/\r/" "$top/res/windows/README.txt" >"$stage/README.txt"
sed 's/$/\r/' "$license" >"$stage/LICENSE.txt"

setup="Quillon-$version-setup-x86_64.exe"
makensis -V2 -NOCD \
  "-DVERSION=$version" "-DPROGRAM=$exe" "-DLICENSE=$stage/LICENSE.txt" "-DREADME=$stage/README.txt" \
  "-DICON=$top/res/logo.ico" "-DOUTFILE=$stage/$setup" "$top/res/windows/quillon.nsi"

portable="Quillon-$version-windows-x86_64"
mkdir "$stage/$portable"
cp "$exe" "$stage/$portable/Quillon.exe"
cp "$stage/README.txt" "$stage/LICENSE.txt" "$stage/$portable/"
rm -f "$stage/$portable.zip"
(cd "$stage" && zip -q -X -r "$portable.zip" "$portable")

mv -f "$stage/$setup" "$stage/$portable.zip" "$out/"
echo "$out/$setup"
echo "$out/$portable.zip"
