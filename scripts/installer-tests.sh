#!/usr/bin/env bash
# The installer's cases under wine, for one bitness:
#   bash scripts/installer-tests.sh prepare win32|win64   # where the build is: the packages
#   bash scripts/installer-tests.sh run win32|win64       # under wine (win32: wine32, in the
#                                                         # guest of scripts/win32-vm.sh)
# prepare builds the release package (msi_package) and an older one from the same module
# into build/BITS/installer-test. run copies the wine prefix WINEPREFIX names (or
# build/wineprefix64 for win64), registers a viewer in it as the viewer registers itself
# (App Paths, a program folder with plug_ins, refhost.exe there as the viewer's program and
# the player library stand-in beside it), and goes through the cases in order: install,
# the installed module loading and playing a session in that viewer, upgrade, downgrade
# refusal, repair, uninstall, the no-viewer refusal, PLUGINDIR, the player-library check
# and where the player library must be for the module to load from plug_ins. wine's own
# messages go to a log, named when something fails.
set -euo pipefail
usage() {
  echo "usage: $0 prepare|run win32|win64" >&2
  exit 2
}
[ $# -eq 2 ] || usage
step=$1
build=$2
case $build in
win32) bits=32 wine=wine ;;
win64) bits=64 wine=/usr/lib/wine/wine64 ;;
*) usage ;;
esac
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/$build"
work="$dir/installer-test"
version=$(sed -n 's/^project(KXTRIVOPlayer VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
current="$dir/KXTRIVOPlayer-$version-$build.msi"
older_version=6.3.0.1000
# The build of the module enabled for Reader (the product's own is not).
reader_module=KXTRIVOPlayer-other-reader-build.api

if [ "$step" = prepare ]; then
  cmake --build "$dir" --target msi_package KXTRIVOPlayer PlayerLibraryCheck refhost \
    system_folder KXTRIVOPlayerOtherReaderBuild >/dev/null
  rm -rf "$work"
  mkdir -p "$work"
  cmake -DWIXL="$(command -v wixl)" -DMSIBUILD="$(command -v msibuild)" \
    -DWXS="$root/Installer/KXTRIVOPlayer.wxs" -DOUTPUT="$work/older.msi" \
    -DVERSION=$older_version -DBITNESS=$bits -DMODULE="$dir/bin/KXTRIVOPlayer.api" \
    -DCHECK_DLL="$dir/bin/PlayerLibraryCheck.dll" -P "$root/cmake/BuildMsi.cmake"
  # A package of the same version whose module is built as enabled for Reader (what a
  # vendor ships after signing it with its Reader key).
  cmake -DWIXL="$(command -v wixl)" -DMSIBUILD="$(command -v msibuild)" \
    -DWXS="$root/Installer/KXTRIVOPlayer.wxs" -DOUTPUT="$work/reader.msi" \
    -DVERSION="$version" -DBITNESS=$bits -DMODULE="$dir/bin/$reader_module" -DREADER_ENABLED=ON \
    -DCHECK_DLL="$dir/bin/PlayerLibraryCheck.dll" -P "$root/cmake/BuildMsi.cmake"
  cp "$current" "$work/current.msi"
  # The product codes, for the registry checks (msiinfo is not where the cases run).
  for package in current older reader; do
    msiinfo export "$work/$package.msi" Property |
      tr -d '\r' | awk -F'\t' '$1 == "ProductCode" { print $2 }' >"$work/$package.code"
  done
  echo "installer-test: packages ready in $work"
  exit 0
fi
[ "$step" = run ] || usage
if [ -z "${INSTALLER_TESTS_DISPLAY-}" ]; then
  INSTALLER_TESTS_DISPLAY=xvfb exec xvfb-run -a bash "$0" "$@"
fi
[ -f "$work/current.msi" ] || {
  echo "installer-test: run '$0 prepare $build' first" >&2
  exit 2
}

# A prefix of its own, copied from a prepared one: the cases install into it
# (INSTALLER_TEST_PREFIX: where; the guest keeps it on its own disk).
source_prefix=${WINEPREFIX:-$root/build/wineprefix64}
export WINEPREFIX="${INSTALLER_TEST_PREFIX:-$work/prefix}" WINEDEBUG=-all
rm -rf "$WINEPREFIX"
cp -a "$source_prefix" "$WINEPREFIX"
wine=$(command -v "$wine")
wineserver=$(command -v wineserver || true)
for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver"; do
  if [ -x "$candidate" ]; then wineserver="$candidate"; break; fi
done
log="$work/wine.log"
: >"$log"
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT

c="$WINEPREFIX/drive_c"
reader_unix="$c/Program Files/Adobe/Reader 9.0/Reader"
reader='C:\Program Files\Adobe\Reader 9.0\Reader'
acrobat_unix="$c/Program Files/Adobe/Acrobat 9.0/Acrobat"
acrobat='C:\Program Files\Adobe\Acrobat 9.0\Acrobat'
app_paths='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths'
uninstall='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
current_code=$(cat "$work/current.code")
older_code=$(cat "$work/older.code")
module="KXTRIVOPlayer.api"
failures=0
case_name=""

w() { "$wine" "$@" >>"$log" 2>&1; }
fail() {
  echo "installer-test: $build: $case_name: FAILED: $*"
  failures=$((failures + 1))
}
expect() { # what, then a command that must succeed
  local what=$1
  shift
  "$@" || fail "$what"
}
# msiexec with a log of its own; the status as the shell sees it (the code modulo 256:
# 1603, a failed install, shows as 67).
msi() {
  local name=$1
  shift
  local status=0
  "$wine" msiexec "$@" /qn /l*v "Z:$work/$name.log" >>"$log" 2>&1 || status=$?
  echo "$status"
}
registered() { "$wine" reg query "$@" >/dev/null 2>&1; }
not_registered() { ! registered "$@"; }
not() { ! "$@"; }
version_of() { # the installed product's version, or nothing
  "$wine" reg query "$uninstall\\$1" /v DisplayVersion 2>/dev/null |
    sed -n 's/.*DisplayVersion *REG_SZ *\([0-9.]*\).*/\1/p' | tr -d '\r'
}
listing() { # the viewers' folders and the PLUGINDIR case's, file by file
  local folder
  for folder in "Program Files/Adobe" Custom; do
    if [ -e "$c/$folder" ]; then (cd "$c" && find "$folder" -print); fi
  done | LC_ALL=C sort
}
same_module() { cmp -s "$dir/bin/$module" "$1/$module"; }
# The viewer's program loads the installed module from plug_ins and plays a scene in it
# (PRODUCT: the product the viewer runs as, Acrobat by default).
plays() {
  local folder=$1 unix=$2
  shift 2
  mkdir -p "$c/scenes"
  cp "$root/examples/scenes/valve.geom" "$c/scenes/"
  printf 'new 1\ndialog C:\\scenes\\valve.geom\ncreate 1 72 432 300 720\ndraw\nclick 0\n' \
    >"$c/scenes/play.refhost"
  (cd "$unix" && "$@" "$wine" "$folder\\refhost.exe" --plugin "$folder\\plug_ins\\$module" \
    --product "${PRODUCT:-Exchange-Pro}" \
    --temp 'C:\scenes\temp' 'C:\scenes\play.refhost' >"$work/play.out" 2>>"$log") &&
    grep -q 'mvnSetFileName(.*valve.geom"): file exists, 83 bytes' "$work/play.out"
}

# The viewers as they register themselves: program folder with plug_ins (holding another
# plug-in) and the program; the player library beside Acrobat's, not beside Reader's.
mkdir -p "$reader_unix/plug_ins" "$acrobat_unix/plug_ins"
echo "another plug-in" >"$reader_unix/plug_ins/Other.api"
echo "another plug-in" >"$acrobat_unix/plug_ins/Other.api"
cp "$dir/bin/refhost.exe" "$reader_unix/"
cp "$dir/bin/refhost.exe" "$acrobat_unix/"
cp "$dir/bin/TRIVOPlayerControl.dll" "$acrobat_unix/"
register() {
  w reg add "$app_paths\\AcroRd32.exe" /ve /d "$reader\\AcroRd32.exe" /f
  w reg add "$app_paths\\AcroRd32.exe" /v Path /d "$reader" /f
  w reg add "$app_paths\\Acrobat.exe" /ve /d "$acrobat\\Acrobat.exe" /f
  w reg add "$app_paths\\Acrobat.exe" /v Path /d "$acrobat" /f
}
register
before=$(listing)

reader_note="Adobe Reader loads only plug-ins that are enabled for Reader"
case_name="install into Acrobat; Reader left alone, and told"
expect "msiexec /i exits 0" [ "$(msi install /i "Z:$work/older.msi")" = 0 ]
expect "module in Acrobat's plug_ins" same_module "$acrobat_unix/plug_ins"
expect "not in Reader's plug_ins" [ ! -e "$reader_unix/plug_ins/$module" ]
expect "the log says why Reader was left alone" grep -a -q -F "$reader_note" "$work/install.log"
expect "the other plug-in stays in Reader's" [ -f "$reader_unix/plug_ins/Other.api" ]
expect "and in Acrobat's" [ -f "$acrobat_unix/plug_ins/Other.api" ]
expect "product $older_version registered" [ "$(version_of "$older_code")" = $older_version ]
expect "folders remembered" registered 'HKLM\SOFTWARE\TRIVO\KXTRIVOPlayer' /v AcrobatPlugins
expect "Reader's folder not remembered" not_registered 'HKLM\SOFTWARE\TRIVO\KXTRIVOPlayer' /v ReaderPlugins
expect "the check found the player library beside Acrobat's program" \
  grep -a -q -F "the player library for $acrobat\\plug_ins\\ is $acrobat\\TRIVOPlayerControl.dll" \
  "$work/install.log"

case_name="the installed module plays in the viewer's program"
expect "session in Acrobat's program folder" plays "$acrobat" "$acrobat_unix"

case_name="a newer version replaces the older"
expect "msiexec /i exits 0" [ "$(msi upgrade /i "Z:$work/current.msi")" = 0 ]
expect "product $version registered" [ "$(version_of "$current_code")" = "$version" ]
expect "older product gone" [ -z "$(version_of "$older_code")" ]
expect "module in Acrobat's plug_ins" same_module "$acrobat_unix/plug_ins"
expect "not in Reader's plug_ins" [ ! -e "$reader_unix/plug_ins/$module" ]

case_name="an older version over a newer is refused"
expect "msiexec /i fails (1603)" [ "$(msi downgrade /i "Z:$work/older.msi")" = $((1603 % 256)) ]
expect "product $version still registered" [ "$(version_of "$current_code")" = "$version" ]
expect "older product not registered" [ -z "$(version_of "$older_code")" ]
expect "module still there" same_module "$acrobat_unix/plug_ins"

case_name="repair puts a deleted module back"
rm -f "$acrobat_unix/plug_ins/$module"
expect "msiexec repair exits 0" \
  [ "$(msi repair /i "Z:$work/current.msi" REINSTALL=ALL REINSTALLMODE=pmus)" = 0 ]
expect "module back in Acrobat's plug_ins" same_module "$acrobat_unix/plug_ins"

case_name="uninstall removes what it installed and nothing else"
expect "msiexec /x exits 0" [ "$(msi uninstall /x "Z:$work/current.msi")" = 0 ]
expect "the folders as they were" [ "$(listing)" = "$before" ]
expect "product not registered" [ -z "$(version_of "$current_code")" ]
expect "nothing remembered" not_registered 'HKLM\SOFTWARE\TRIVO\KXTRIVOPlayer'

case_name="no viewer and no PLUGINDIR: refused, nothing changed"
w reg delete "$app_paths\\AcroRd32.exe" /f
w reg delete "$app_paths\\Acrobat.exe" /f
expect "msiexec /i fails (1603)" [ "$(msi no-viewer /i "Z:$work/current.msi")" = $((1603 % 256)) ]
expect "the folders as they were" [ "$(listing)" = "$before" ]
expect "product not registered" [ -z "$(version_of "$current_code")" ]

case_name="only a Reader: refused, nothing changed"
w reg add "$app_paths\\AcroRd32.exe" /ve /d "$reader\\AcroRd32.exe" /f
w reg add "$app_paths\\AcroRd32.exe" /v Path /d "$reader" /f
expect "msiexec /i fails (1603)" [ "$(msi only-reader /i "Z:$work/current.msi")" = $((1603 % 256)) ]
expect "the folders as they were" [ "$(listing)" = "$before" ]
expect "product not registered" [ -z "$(version_of "$current_code")" ]
w reg delete "$app_paths\\AcroRd32.exe" /f

case_name="PLUGINDIR names the one folder"
register
expect "msiexec /i exits 0" \
  [ "$(msi plugindir /i "Z:$work/current.msi" 'PLUGINDIR=C:\Custom\Viewer\plug_ins')" = 0 ]
expect "module in PLUGINDIR" same_module "$c/Custom/Viewer/plug_ins"
expect "not in Reader's plug_ins" [ ! -e "$reader_unix/plug_ins/$module" ]
expect "not in Acrobat's plug_ins" [ ! -e "$acrobat_unix/plug_ins/$module" ]
expect "msiexec /x exits 0" [ "$(msi plugindir-uninstall /x "Z:$work/current.msi")" = 0 ]
expect "module gone from PLUGINDIR" [ ! -e "$c/Custom/Viewer/plug_ins/$module" ]
rm -rf "$c/Custom"
expect "the folders as they were" [ "$(listing)" = "$before" ]

# Where the player library must be for the viewer's program to load the module from
# plug_ins: the program's folder, the system folder of its bitness or a folder on PATH load
# it; the plug-ins folder beside the module does not, and neither does, for a 32-bit viewer
# on 64-bit Windows, the 64-bit system folder.
case_name="where the player library must be"
expect "msiexec /i exits 0" [ "$(msi again /i "Z:$work/current.msi")" = 0 ]
# The system folder a viewer of this bitness loads libraries from, as the prefix answers it:
# system32, or SysWOW64 for a 32-bit process in a 64-bit prefix (WoW64).
system_win=$("$wine" "$dir/bin/system_folder.exe" 2>>"$log" | tr -d '\r')
system_unix=$("$wine" winepath -u "$system_win" 2>>"$log" | tr -d '\r')
system_unix=${system_unix%/}
[ -d "$system_unix" ] || fail "no system folder ($system_win, $system_unix)"
echo "installer-test: $build: a $bits-bit viewer's system folder here is $system_win"
library="$dir/bin/TRIVOPlayerControl.dll"
rm -f "$acrobat_unix/TRIVOPlayerControl.dll"
loads() { # where, expected: yes or no
  local where=$1 expected=$2 env=() got=no
  rm -rf "$c/PlayerLibrary"
  case $where in
  program) cp "$library" "$acrobat_unix/" ;;
  system) cp "$library" "$system_unix/" ;;
  system64) cp "$library" "$c/windows/system32/" ;;
  path)
    mkdir -p "$c/PlayerLibrary" && cp "$library" "$c/PlayerLibrary/"
    env=(env 'WINEPATH=C:\PlayerLibrary')
    ;;
  plug_ins) cp "$library" "$acrobat_unix/plug_ins/" ;;
  esac
  if plays "$acrobat" "$acrobat_unix" "${env[@]}"; then got=yes; fi
  rm -f "$acrobat_unix/TRIVOPlayerControl.dll" "$system_unix/TRIVOPlayerControl.dll" \
    "$c/windows/system32/TRIVOPlayerControl.dll" \
    "$acrobat_unix/plug_ins/TRIVOPlayerControl.dll"
  rm -rf "$c/PlayerLibrary"
  echo "installer-test: $build: the player library in the $where folder: the module loads: $got"
  [ "$got" = "$expected" ] || fail "player library in the $where folder: loads $got, expected $expected"
}
loads program yes
loads system yes
loads path yes
loads plug_ins no
# In a 64-bit prefix a 32-bit viewer does not load from the 64-bit system folder.
wow64=false
[ "$(basename "$system_unix")" = system32 ] || wow64=true
if $wow64; then loads system64 no; fi
expect "msiexec /x exits 0" [ "$(msi last-uninstall /x "Z:$work/current.msi")" = 0 ]

# The installer's check looks in the same system folder as the viewer's process.
case_name="the player-library check looks in the viewer's system folder"
cp "$library" "$system_unix/"
expect "msiexec /i exits 0" [ "$(msi system-folder /i "Z:$work/current.msi")" = 0 ]
expect "the check found the library in $system_win" grep -a -q -i -F \
  "the player library for $acrobat\\plug_ins\\ is $system_win\\TRIVOPlayerControl.dll" \
  "$work/system-folder.log"
rm -f "$system_unix/TRIVOPlayerControl.dll"
expect "msiexec /x exits 0" [ "$(msi system-folder-uninstall /x "Z:$work/current.msi")" = 0 ]
if $wow64; then
  cp "$library" "$c/windows/system32/"
  expect "msiexec /i exits 0" [ "$(msi system64 /i "Z:$work/current.msi")" = 0 ]
  expect "the check says the library in the 64-bit system folder is not where the viewer looks" \
    grep -a -q -F "was not found where the viewer will look for it when it loads the plug-in from $acrobat\\plug_ins\\" \
    "$work/system64.log"
  rm -f "$c/windows/system32/TRIVOPlayerControl.dll"
  expect "msiexec /x exits 0" [ "$(msi system64-uninstall /x "Z:$work/current.msi")" = 0 ]
fi
cp "$library" "$acrobat_unix/"

# The same version with its module built as enabled for Reader goes into Reader too; that
# module plays in Reader, where the product's own declines to start.
case_name="a package enabled for Reader installs into Reader too"
reader_code=$(cat "$work/reader.code")
cp "$library" "$reader_unix/"
expect "msiexec /i exits 0" [ "$(msi reader /i "Z:$work/reader.msi")" = 0 ]
expect "the enabled module in Reader's plug_ins" cmp -s "$dir/bin/$reader_module" "$reader_unix/plug_ins/$module"
expect "and in Acrobat's" cmp -s "$dir/bin/$reader_module" "$acrobat_unix/plug_ins/$module"
expect "no word of Reader being left alone" not grep -a -q -F "$reader_note" "$work/reader.log"
PRODUCT=Reader
expect "it plays in Reader" plays "$reader" "$reader_unix"
cp "$dir/bin/$module" "$reader_unix/plug_ins/$module"
expect "the product's own module does not start there" not plays "$reader" "$reader_unix"
unset PRODUCT
expect "msiexec /x exits 0" [ "$(msi reader-uninstall /x "Z:$work/reader.msi")" = 0 ]
rm -f "$reader_unix/TRIVOPlayerControl.dll" "$reader_unix/plug_ins/$module"
expect "the folders as they were" [ "$(listing)" = "$before" ]
expect "product not registered" [ -z "$(version_of "$reader_code")" ]

if [ "$failures" -ne 0 ]; then
  echo "installer-test: $build: $failures check(s) failed; wine's messages: $log," \
    "msiexec's logs: $work/*.log"
  exit 1
fi
echo "installer-test: $build: every case passed"
