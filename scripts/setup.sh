#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those
# that are missing, without questions. Safe to run again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

mapfile -t wanted < <(grep -vE '^\s*(#|$)' "$here/packages.txt" | sort -u)
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
