#!/usr/bin/env bash
# Cross-builds a Windows program with a focused EDIT control that the typing
# rules type into on the Windows keyboard, and runs it under Wine on the X
# server once per keyboard layout (Wine takes its layout from the X keymap
# when a program starts), and once more with a code page other than
# Windows-1252. The keymap is put back afterwards. Exit 77: skipped.
set -u
source_dir=$1
work_dir=$2
layouts="us es latam de fr"
. "$source_dir/tests/keys/windows-build.sh"
skip() { echo "SKIP: $*" >&2; exit 77; }
[ -n "${DISPLAY:-}" ] || skip "no X display"
command -v setxkbmap >/dev/null 2>&1 && command -v xkbcomp >/dev/null 2>&1 ||
  skip "setxkbmap and xkbcomp are not installed (apt-get install x11-xkb-utils)"
exe="$work_dir/windows_typing.exe"
build_windows_program "$exe" "$source_dir/tests/keys/windowstyping_main.cpp" || exit 1
# A prefix of its own: the headless Wine tests may run at the same time, and
# a Wine server they started has no display for this program's window.
export WINEPREFIX="$work_dir/wine-prefix"

saved="$work_dir/keymap.xkb"
xkbcomp -xkb "$DISPLAY" "$saved" 2>/dev/null || { echo "cannot save the X keymap" >&2; exit 1; }
trap 'xkbcomp "$saved" "$DISPLAY" 2>/dev/null' EXIT

run() {
  local layout=$1 locale=$2
  setxkbmap -layout "$layout" -option "" || exit 1
  "$source_dir/tests/wine-run.sh" --display --locale "$locale" "$exe" "$layout"
  local status=$?
  [ $status -eq 77 ] && exit 77
  return $status
}
failed=0
for layout in $layouts; do
  run "$layout" C || failed=1
done
# Code page 1251: the letters of Spanish names go by their Unicode value.
run es ru_RU.UTF-8 || failed=1
exit $failed
