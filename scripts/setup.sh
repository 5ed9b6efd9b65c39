#!/usr/bin/env bash
# Installs the Debian packages of the lists given (default: packages.txt,
# what building and testing need; run-packages.txt is what building and
# running Quillon needs), only those that are missing, without questions.
# Safe to run again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=("$here/packages.txt")
mapfile -t wanted < <(cat "${lists[@]}" | grep -vE '^\s*(#|$)' | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=1200 update -qq
$sudo apt-get -o DPkg::Lock::Timeout=1200 install -y -qq "${missing[@]}" >/dev/null
