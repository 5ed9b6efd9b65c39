#!/bin/sh
# Puts into the control part of a package that CPack made what Debian's own
# tools would have written there; the files the package installs stay as
# they are.
#  - A package whose triggers run ldconfig loses the postinst and postrm that
#    CPack adds to run it once more. Quillon ships no maintainer scripts of
#    its own, so any there are CPack's.
#  - "Multi-Arch: same" where asked: CPack has no such field.
#  - Installed-Size as dpkg-gencontrol counts it: every file and symbolic link
#    in whole KiB, every directory as one.
# usage: finish-deb.sh PACKAGE.deb same|no
set -eu
deb=$(realpath "$1") multiarch=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

members=$(ar t "$deb")
ar x "$deb"
control=$(echo "$members" | grep '^control\.tar')
data=$(echo "$members" | grep '^data\.tar')
mkdir c
tar -xpf "$control" -C c

if grep -qx 'activate-noawait ldconfig' c/triggers 2>/dev/null; then
  rm -f c/postinst c/postrm
fi

# The package's top folder is one directory more than the listing holds.
kib=$(tar -tvf "$data" | awk '
  $NF == "./" || $NF == "." { next }
  { type = substr($1, 1, 1) }
  type == "-" { kib += int(($3 + 1023) / 1024); next }
  type == "l" { target = $0; sub(/.* -> /, "", target); kib += int((length(target) + 1023) / 1024); next }
  type == "h" { next }
  { kib += 1 }
  END { print kib + 1 }')
sed -i "s/^Installed-Size: .*/Installed-Size: $kib/" c/control
if [ "$multiarch" = same ] && ! grep -q '^Multi-Arch:' c/control; then
  sed -i '/^Architecture:/a Multi-Arch: same' c/control
fi

case $control in
  *.gz) compress="gzip -9n" ;;
  *.xz) compress="xz -c" ;;
  *) compress=cat ;;
esac
tar -C c --sort=name --owner=0 --group=0 --numeric-owner -cf - . | $compress >"$control"
ar rcD finished.deb debian-binary "$control" "$data"
mv finished.deb "$deb"
