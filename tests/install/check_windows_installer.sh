#!/usr/bin/env bash
# The Windows installer and the portable zip as a clerk and IT meet them, in
# a Wine prefix of this test's own on the X server: silent install, the files,
# the Start-menu shortcut and its working folder as the shell reads them, the
# uninstall entry, the version block and icon; Quillon started through the
# shortcut saves Config.ini in that folder ("Login", then "Grabar"); a running
# Quillon stops an upgrade; upgrades in place and into another folder keep
# Config.ini; silent uninstall leaves only the user's settings (and files of
# others in a folder the operator chose); an install for all users; the
# portable Quillon.exe from a folder with spaces and accented letters.
# Prints the installer's size, the install and uninstall times and what an
# uninstall leaves. Exit 77: skipped.
# usage: check_windows_installer.sh SOURCE_DIR WORK_DIR QUILLON.EXE
set -u
src=$1 work=$2 exe=$3
skip() { echo "SKIP: $*"; exit 77; }

for tool in makensis:nsis zip:zip unzip:unzip xdotool:xdotool x86_64-w64-mingw32-g++:mingw-w64 wine:wine; do
  command -v "${tool%%:*}" >/dev/null 2>&1 || skip "${tool%%:*} is not installed (apt-get install ${tool#*:})"
done
[ -n "${DISPLAY:-}" ] || skip "no X display"
[ -f "$exe" ] || skip "no Windows build of Quillon at $exe (QUILLON_WINDOWS_BUILD; scripts/build-windows.sh makes one)"

version=$(sed -nE 's/^project\(Quillon VERSION ([0-9.]+)[ )].*/\1/p' "$src/CMakeLists.txt")
earlier_version=0.9.0.1
setup_name="Quillon-$version-setup-x86_64.exe"
zip_name="Quillon-$version-windows-x86_64.zip"
# Where Quillon's widgets stand (ui/widget.ui, ui/tools.ui): the login
# window's "Login", and "Grabar" on the first tab below the tab bar.
login_size=483x225
main_size=1035x765
login_button_x=$((150 + 75 / 2)) login_button_y=$((140 + 23 / 2))
tab_widget_top=100 tab_bar_height=24
save_button_x=$((10 + 380 + 75 / 2)) save_button_y=$((tab_widget_top + tab_bar_height + 460 + 31 / 2))
window_wait_s=60
config_wait_s=20
uninstall_wait_s=60
poll_s=0.2
# Exit code of the installer when Quillon runs from the folder it writes.
exit_program_running=32

export LC_ALL=C.UTF-8   # paths with accented letters pass through Wine intact
export WINEPREFIX="$work/prefix"
wine_run() { "$src/tests/wine-run.sh" --display "$@"; }

status=0
fail() { echo "FAIL: $*"; status=1; }
now_ms() { date +%s%3N; }
# expect NAME ACTUAL WANTED
expect() { [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"; }

rm -rf "$work" && mkdir -p "$work"
echo "== building the installer, the portable zip and the shell probe"
packages="$work/packages"
"$src/scripts/package-windows.sh" "$exe" "$packages" || { echo "FAIL: packaging"; exit 1; }
"$src/scripts/package-windows.sh" "$exe" "$work/earlier" "$earlier_version" >/dev/null ||
  { echo "FAIL: packaging the earlier version"; exit 1; }
setup="$packages/$setup_name"
earlier_setup="$work/earlier/Quillon-$earlier_version-setup-x86_64.exe"
probe="$work/wininfo.exe"
x86_64-w64-mingw32-g++ -std=c++17 -O1 -static -o "$probe" "$src/tests/install/wininfo.cpp" \
  -lole32 -luuid -lshell32 -lversion || { echo "FAIL: building the shell probe"; exit 1; }

wine_run wineboot --init >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null' EXIT
# The prefix's folders, Windows and Unix names.
win_local=$(wine_run cmd /c echo %LOCALAPPDATA% | tr -d '\r')
win_programs=$(wine_run cmd /c echo %ProgramW6432% | tr -d '\r')
win_start_menu=$(wine_run cmd /c echo %APPDATA% | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs'
win_common_start_menu=$(wine_run cmd /c echo %ProgramData% | tr -d '\r')'\Microsoft\Windows\Start Menu\Programs'
win_desktop=$(wine_run cmd /c echo %USERPROFILE% | tr -d '\r')'\Desktop'
unix() { local p=${1#[Cc]:}; printf '%s/drive_c%s' "$WINEPREFIX" "${p//\\//}"; }
[ -d "$(unix "$win_local")" ] || { echo "FAIL: the prefix has no $win_local"; exit 1; }

win_program_dir="$win_local\Programs\Quillon"
win_data_dir="$win_local\Quillon"
program_dir=$(unix "$win_program_dir")
data_dir=$(unix "$win_data_dir")
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon'

# reg_value KEY NAME: the value's data, empty when missing.
reg_value() {
  wine_run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -nE "s/^ +$2 +REG_[A-Z_]+ +(.*)\$/\1/p"
}
# probe_field COMMAND FILE FIELD
probe_field() { wine_run "$probe" "$1" "$2" | tr -d '\r' | sed -n "s/^$3=//p"; }
files_in() { (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||' | sort | tr '\n' ' '); }

# uninstall SWITCHES...: runs the registered quiet uninstall and waits until
# the uninstaller, which runs from a copy of itself, has removed itself.
uninstall() {
  local line uninstaller
  line=$(reg_value "$uninstall_key" QuietUninstallString)
  uninstaller=$(sed -nE 's/^"([^"]+)" \/S$/\1/p' <<<"$line")
  [ -n "$uninstaller" ] || { fail "no quiet uninstall command in $uninstall_key ('$line')"; return 1; }
  local start; start=$(now_ms)
  wine_run "$uninstaller" /S "$@" || { fail "the uninstaller failed ($?)"; return 1; }
  local deadline=$((SECONDS + uninstall_wait_s))
  while [ -e "$(unix "$uninstaller")" ] && [ $SECONDS -lt $deadline ]; do sleep "$poll_s"; done
  [ -e "$(unix "$uninstaller")" ] && { fail "the uninstaller did not finish"; return 1; }
  uninstall_ms=$(($(now_ms) - start))
}

# window_of SIZE: the visible Quillon window of that size, waiting for it.
window_of() {
  local deadline=$((SECONDS + window_wait_s)) id
  while [ $SECONDS -lt $deadline ]; do
    for id in $(xdotool search --onlyvisible --class quillon.exe 2>/dev/null); do
      xdotool getwindowgeometry "$id" 2>/dev/null | grep -q "Geometry: $1\$" && { echo "$id"; return 0; }
    done
    sleep "$poll_s"
  done
  return 1
}
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
# save_settings FOLDER: logs in to the running Quillon, presses "Grabar" and
# waits for Config.ini in FOLDER.
save_settings() {
  local login main
  login=$(window_of "$login_size") || { fail "no login window"; return 1; }
  click "$login" "$login_button_x" "$login_button_y"
  main=$(window_of "$main_size") || { fail "no main window after Login"; return 1; }
  click "$main" "$save_button_x" "$save_button_y"
  local deadline=$((SECONDS + config_wait_s))
  while [ ! -s "$1/Config.ini" ] && [ $SECONDS -lt $deadline ]; do sleep "$poll_s"; done
  [ -s "$1/Config.ini" ] || { fail "\"Grabar\" saved no Config.ini in $1"; return 1; }
}
# Asks Quillon to close, as closing its window does.
close_quillon() { wine_run taskkill /im Quillon.exe >/dev/null; }

echo "== silent install for the current user"
installer_bytes=$(stat -c %s "$setup")
for file in "$setup" "$earlier_setup"; do
  expect "$(basename "$file"): version" "$(probe_field version "$file" fixed_product_version)" \
    "$(basename "$file" | sed -E 's/^Quillon-([0-9.]+)-setup.*/\1/')"
done
expect "installer icon" "$(probe_field version "$setup" icon_groups)" 1
start=$(now_ms)
wine_run "$setup" /S || fail "silent install failed ($?)"
install_ms=$(($(now_ms) - start))
expect "program folder" "$(files_in "$program_dir")" "LICENSE.txt Quillon.exe README.txt Uninstall.exe "
cmp -s "$exe" "$program_dir/Quillon.exe" || fail "the installed Quillon.exe differs from the built one"
[ -d "$data_dir" ] || fail "no working folder $win_data_dir"
expect "uninstaller version" "$(probe_field version "$win_program_dir\Uninstall.exe" ProductVersion)" "$version"
expect "uninstaller icon" "$(probe_field version "$win_program_dir\Uninstall.exe" icon_groups)" 1

shortcut="$win_start_menu\Quillon.lnk"
expect "shortcut target" "$(probe_field shortcut "$shortcut" target)" "$win_program_dir\Quillon.exe"
expect "shortcut working folder" "$(probe_field shortcut "$shortcut" workdir)" "$win_data_dir"
expect "shortcut icon" "$(probe_field shortcut "$shortcut" icon)" "$win_program_dir\Quillon.exe"
[ -e "$(unix "$win_desktop\Quillon.lnk")" ] && fail "a desktop shortcut without /DESKTOP"

expect "DisplayName" "$(reg_value "$uninstall_key" DisplayName)" Quillon
expect "DisplayVersion" "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
expect "Publisher" "$(reg_value "$uninstall_key" Publisher)" "The Quillon developers"
expect "DisplayIcon" "$(reg_value "$uninstall_key" DisplayIcon)" "\"$win_program_dir\\Quillon.exe\",0"
expect "InstallLocation" "$(reg_value "$uninstall_key" InstallLocation)" "$win_program_dir"
expect "UninstallString" "$(reg_value "$uninstall_key" UninstallString)" "\"$win_program_dir\\Uninstall.exe\""
size_kb=$(reg_value "$uninstall_key" EstimatedSize)
[ $((size_kb)) -ge $(($(stat -c %s "$exe") / 1024)) ] || fail "EstimatedSize $size_kb KiB is less than Quillon.exe"

echo "== Quillon started through the shortcut saves Config.ini in its working folder"
wine_run "$probe" open "$shortcut" & opened=$!
if save_settings "$data_dir"; then
  [ -e "$program_dir/Config.ini" ] && fail "Config.ini was written beside the program"
  # Windows keeps a running program's file: the upgrade must say so, not
  # report success with the old program left.
  wine_run "$setup" /S
  expect "install over a running Quillon" $? "$exit_program_running"
  expect "program folder after the refused install" "$(files_in "$program_dir")" \
    "LICENSE.txt Quillon.exe README.txt Uninstall.exe "
fi
close_quillon
wait "$opened"
expect "Quillon's exit code" $? 0
settings=$(cat "$data_dir/Config.ini" 2>/dev/null)

echo "== upgrades keep Config.ini"
# An earlier version first, so that the upgrade has something to replace.
uninstall && wine_run "$earlier_setup" /S || fail "installing the earlier version failed"
expect "DisplayVersion of the earlier" "$(reg_value "$uninstall_key" DisplayVersion)" "$earlier_version"
wine_run "$setup" /S /DESKTOP || fail "upgrade in place failed ($?)"
expect "DisplayVersion after the upgrade" "$(reg_value "$uninstall_key" DisplayVersion)" "$version"
expect "Config.ini after the upgrade" "$(cat "$data_dir/Config.ini" 2>/dev/null)" "$settings"
expect "desktop shortcut working folder" "$(probe_field shortcut "$win_desktop\Quillon.lnk" workdir)" "$win_data_dir"

# Into a folder the operator chose, which holds a file of someone else's:
# the earlier install goes, that file stays.
win_chosen='C:\Herramientas de caja\Quillon'
chosen=$(unix "$win_chosen")
mkdir -p "$chosen" && echo "not Quillon's" >"$chosen/notas.txt"
# /D= takes the rest of the command line unquoted, which Wine would quote.
wine_run cmd /c "Z:${setup//\//\\} /S /D=$win_chosen" || fail "upgrade into another folder failed ($?)"
[ -e "$program_dir" ] && fail "the earlier folder is still there: $(files_in "$program_dir")"
expect "InstallLocation after the move" "$(reg_value "$uninstall_key" InstallLocation)" "$win_chosen"
expect "shortcut target after the move" "$(probe_field shortcut "$shortcut" target)" "$win_chosen\Quillon.exe"
expect "Config.ini after the move" "$(cat "$data_dir/Config.ini" 2>/dev/null)" "$settings"

echo "== silent uninstall"
uninstall || true
measured_uninstall_ms=${uninstall_ms:-?}
expect "chosen folder after uninstall" "$(files_in "$chosen")" "notas.txt "
for lnk in "$shortcut" "$win_desktop\Quillon.lnk"; do
  [ -e "$(unix "$lnk")" ] && fail "$lnk is still there"
done
[ -n "$(reg_value "$uninstall_key" DisplayName)" ] && fail "still listed under $uninstall_key"
expect "Config.ini after uninstall" "$(cat "$data_dir/Config.ini" 2>/dev/null)" "$settings"
left=$(cd "$WINEPREFIX/drive_c" && find . -ipath '*quillon*' -not -path './Herramientas de caja/*' | sort | tr '\n' ' ')
expect "left after uninstall" "$left" "./users/$(id -un)/AppData/Local/Quillon ./users/$(id -un)/AppData/Local/Quillon/Config.ini "

echo "== uninstall asked to remove the settings too"
wine_run "$setup" /S || fail "reinstall failed"
uninstall /REMOVESETTINGS || true
[ -e "$data_dir" ] && fail "the working folder is still there: $(files_in "$data_dir")"

echo "== install for all users (Wine's user is an administrator)"
all_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon'
wine_run "$setup" /S /ALLUSERS || fail "install for all users failed ($?)"
expect "all users: program folder" "$(files_in "$(unix "$win_programs\Quillon")")" \
  "LICENSE.txt Quillon.exe README.txt Uninstall.exe "
expect "all users: InstallLocation" "$(reg_value "$all_key" InstallLocation)" "$win_programs\Quillon"
all_shortcut="$win_common_start_menu\Quillon.lnk"
expect "all users: shortcut working folder" "$(probe_field shortcut "$all_shortcut" workdir)" '%LOCALAPPDATA%\Quillon'
expect "all users: working folder as started" "$(probe_field shortcut "$all_shortcut" workdir_expanded)" "$win_data_dir"
# What Windows runs at each user's logon makes that user's working folder.
active_setup='HKLM\Software\Microsoft\Active Setup\Installed Components\Quillon'
expect "all users: Active Setup version" "$(reg_value "$active_setup" Version)" "${version//./,}"
rm -rf "$data_dir"
wine_run "$probe" run "$(reg_value "$active_setup" StubPath)" || fail "all users: the Active Setup command failed"
[ -d "$data_dir" ] || fail "all users: the Active Setup command made no $win_data_dir"
uninstall_key=$all_key uninstall || true
[ -e "$(unix "$win_programs\Quillon")" ] && fail "all users: the program folder is still there"
[ -e "$(unix "$all_shortcut")" ] && fail "all users: the shortcut is still there"

echo "== the portable zip from a folder with spaces and accented letters"
portable="$WINEPREFIX/drive_c/Lector de cédulas Ñandú"
mkdir -p "$portable"
unzip -q -j "$packages/$zip_name" -d "$portable" || fail "cannot unpack $zip_name"
expect "zip contents" "$(files_in "$portable")" "LICENSE.txt Quillon.exe README.txt "
grep -q "Config.ini" "$portable/README.txt" || fail "the README does not say where Config.ini goes"
(cd "$portable" && wine_run ./Quillon.exe) & started=$!
save_settings "$portable"
close_quillon
wait "$started"
expect "portable Quillon's exit code" $? 0

echo "MEASURED: installer $setup_name $installer_bytes bytes"
echo "MEASURED: silent install ${install_ms} ms, silent uninstall ${measured_uninstall_ms:-?} ms under Wine"
echo "MEASURED: left after uninstall: ${left:-nothing}"
[ $status -eq 0 ] && echo "installer, uninstaller and portable zip behave"
exit $status
