#!/usr/bin/env bash
# The setup program under Wine, silent, in a throw-away copy of a booted prefix: fake hosts in
# both registry views, /S, then the uninstaller /S. Ends with "N passed, N failed".
# Usage: installer_test.sh <setup.exe> <dist folder> <booted template prefix>
set -uo pipefail
setup="$1" dist="$2" template="$3"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Under user-mode emulation a 32-bit Wine process spends most of a minute reserving address
# space above 2 GB, which a 32-bit program that is not large-address aware never gets anyway.
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then export QEMU_RESERVED_VA=0x81000000; fi
export WINEPREFIX
WINEPREFIX="$(mktemp -d /tmp/corvane-installer.XXXXXX)"
trap '/usr/lib/wine/wineserver -k 2>/dev/null; [ -n "${CORVANE_KEEP_PREFIX:-}" ] || rm -rf "$WINEPREFIX"' EXIT
WINEPREFIX="$template" /usr/lib/wine/wineserver -w 2>/dev/null
cp -a "$template/." "$WINEPREFIX/" || exit 1
echo "prefix copied: $SECONDS s"

passed=0 failed=0
# Runs a program to the end of its Wine session (the uninstaller hands over to a copy of itself).
run() {  # what, program, arguments...; sets $code
  local t=$SECONDS
  /usr/lib/wine/wine "${@:2}"; code=$?
  /usr/lib/wine/wineserver -w
  echo "$1: exit code $code, $((SECONDS - t)) s"
}
expect() {  # description, command...
  if "${@:2}"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}

c="$WINEPREFIX/drive_c"
ps64="$c/Program Files/Adobe/Adobe Photoshop 2024/Plug-ins"
ps32="$c/Program Files (x86)/Adobe/Adobe Photoshop CS6/Plug-ins"
psp="$c/users/Public/PaintShop Pro/Plugins"
cc="$c/Program Files/Common Files/Adobe/Plug-Ins/CC"
named="$c/Filters"
blocked="$c/Blocked"
psarm="$c/Program Files/Adobe/Adobe Photoshop 2025/Plug-ins"
armnamed="$c/ArmFilters"
mkdir -p "$ps64/Corvane" "$ps32" "$psp/Corvane" "$cc" "$named" "$blocked" "$psarm" "$armnamed"
# Host programs of both machine types: just the headers the setup reads.
fake_program() {  # path, machine bytes
  { printf 'MZ'; head -c 58 /dev/zero; printf '\x40\0\0\0PE\0\0'"$2"; head -c 20 /dev/zero; } >"$1"
}
fake_program "$ps64/../Photoshop.exe" '\x64\x86'
fake_program "$psarm/../Photoshop.exe" '\x64\xaa'
echo "mine" >"$ps64/Corvane/notes.txt"   # in a sub-folder the installer did not make
echo "mine" >"$ps32/Other.8bf"
echo "older" >"$psp/Corvane/Corvane.8bf" # an earlier install, replaced
echo "a file" >"$blocked/Corvane"        # no sub-folder can be made here

cat >"$c/hosts.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Adobe\Photoshop\130.0]
"PluginPath"="C:\\Program Files\\Adobe\\Adobe Photoshop 2024\\Plug-ins\\"
"ApplicationPath"="C:\\Program Files\\Adobe\\Adobe Photoshop 2024\\"

[HKEY_LOCAL_MACHINE\Software\Adobe\Photoshop\140.0]
"PluginPath"="C:\\Program Files\\Adobe\\Adobe Photoshop 2025\\Plug-ins"
"ApplicationPath"="C:\\Program Files\\Adobe\\Adobe Photoshop 2025\\Photoshop.exe"

[HKEY_LOCAL_MACHINE\Software\Adobe\Photoshop\120.0]
"PluginPath"="C:\\Program Files\\Adobe\\Adobe Photoshop 2021\\Plug-ins\\"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Adobe\Photoshop\60.0]
"PluginPath"="C:\\Program Files (x86)\\Adobe\\Adobe Photoshop CS6\\Plug-ins"

[HKEY_CURRENT_USER\Software\Corel\PaintShop Pro\2023\FileLocations\PlugIns\0]
"Dir"="C:\\users\\Public\\PaintShop Pro\\Plugins"
EOF
/usr/lib/wine/wine64 regedit /S 'C:\hosts.reg'
echo "hosts registered: $SECONDS s"

run install "$setup" /S '/X64=C:\Filters' '/X86=C:\Blocked' '/ARM64=C:\ArmFilters'
log="$c/Program Files (x86)/Corvane/setup.log"
iconv -f UTF-16LE -t UTF-8 "$log" 2>/dev/null | tr -d '\r' | sed 's/^/  log: /'

expect "a folder that cannot be written gives exit code 1" [ "$code" -eq 1 ]
contents() { (cd "$1" && find . -type f | sort | tr '\n' ' '); }
for t in "x64|$ps64/Corvane|./Corvane.8bf ./notes.txt " "x86|$ps32/Corvane|./Corvane.8bf " \
         "x64|$psp/Corvane|./Corvane.8bf " "x64|$cc/Corvane|./Corvane.8bf " "x64|$named/Corvane|./Corvane.8bf " \
         "arm64|$psarm/Corvane|./Corvane.8bf " "arm64|$armnamed/Corvane|./Corvane.8bf "; do
  IFS='|' read -r bits dir files <<<"$t"
  expect "$dir holds $files" [ "$(contents "$dir")" = "$files" ]
  expect "$dir/Corvane.8bf is the $bits module" cmp -s "$dir/Corvane.8bf" "$dist/$bits/Corvane.8bf"
done
expect "the file in the way is untouched" [ "$(cat "$blocked/Corvane")" = "a file" ]
has_log() { iconv -f UTF-16LE -t UTF-8 "$log" | grep -qF "$1"; }
expect "the value that points nowhere is logged" has_log 'Adobe Photoshop 2021\Plug-ins does not exist'
expect "the folder that failed is named" has_log 'could not write C:\Blocked\Corvane\Corvane.8bf'
entry='[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvane]'
version=$(sed -n 's/^FILEVERSION[[:space:]]*//p' "$(dirname "$0")/../../resources/version.rc" | tr -d ' \r' | tr ',' '.')
key_text() { entry="$entry" awk 'index($0,ENVIRON["entry"])==1{f=1;next} /^\[/{f=0} f' "$WINEPREFIX/system.reg"; }
expect "the uninstall entry has the version" grep -qF "\"DisplayVersion\"=\"$version\"" <(key_text)
expect "the uninstall entry has a size" grep -qE '"EstimatedSize"=dword:0*[1-9a-f]' <(key_text)

# Again, hosts only, over a damaged module: it is replaced, and the folders named the first
# time stay in the record, once each.
echo "damaged" >"$cc/Corvane/Corvane.8bf"
run "install again" "$setup" /S
expect "installing again succeeds" [ "$code" -eq 0 ]
expect "installing again replaces the module" cmp -s "$cc/Corvane/Corvane.8bf" "$dist/x64/Corvane.8bf"
record=$(iconv -f UTF-16LE -t UTF-8 "$c/Program Files (x86)/Corvane/installed.txt" | tr -d '\r')
expect "the record names each file once" [ "$(sort <<<"$record" | uniq -d)" = "" ]
expect "the record keeps the named folder" grep -qxF 'F C:\Filters\Corvane\Corvane.8bf' <<<"$record"

# Again as on ARM64 Windows (a copy built to assume it): the shared folder gets both 64-bit
# modules in sub-folders, and the module the first install put beside them goes.
makensis -V1 -WX -DASSUME_ARM64_WINDOWS -DVERSION="$version" -DDIST="$dist" \
  -DOUTFILE="$WINEPREFIX/Corvane-arm64-windows.exe" "$(dirname "$0")/../../installer/corvane.nsi"
run "install on ARM64 Windows" "$WINEPREFIX/Corvane-arm64-windows.exe" /S
expect "the shared folder holds both 64-bit modules" [ "$(contents "$cc")" = "./Corvane/arm64/Corvane.8bf ./Corvane/x64/Corvane.8bf " ]
for bits in x64 arm64; do
  expect "the $bits sub-folder holds the $bits module" cmp -s "$cc/Corvane/$bits/Corvane.8bf" "$dist/$bits/Corvane.8bf"
done

run uninstall "$c/Program Files (x86)/Corvane/uninstall.exe" /S
expect "the uninstaller succeeds" [ "$code" -eq 0 ]
for t in "$ps64|./Corvane/notes.txt " "$ps32|./Other.8bf " "$psp|" "$cc|" "$named|" "$psarm|" "$armnamed|"; do
  IFS='|' read -r dir files <<<"$t"
  expect "$dir holds only what was there before: $files" [ "$(contents "$dir")" = "$files" ]
done
none_left() { for d; do [ ! -e "$d" ] || return 1; done; }
expect "the sub-folders it made are gone" none_left "$ps32/Corvane" "$cc/Corvane" "$named/Corvane"
expect "a sub-folder it did not make stays" [ -d "$psp/Corvane" ]
expect "the program folder is gone" [ ! -e "$c/Program Files (x86)/Corvane" ]
expect "the uninstall entry is gone" [ -z "$(key_text)" ]

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
