#!/usr/bin/env bash
# Runs a Windows build's tests under wine on a display of its own (Xvfb): usage
#   bash scripts/wine-suite.sh win32|win64 [CTEST ARGUMENTS...]
# win64 runs under wine64 here; win32 under wine32, where the kernel runs 32-bit programs
# or inside the virtual machine: bash scripts/win32-vm.sh -- bash scripts/wine-suite.sh win32
# WINEPREFIX names the prefix (made ready by scripts/wine-prefix.sh).
#
# One wine server and one desktop serve the whole run. A wine server that ends when its
# last program does is started again by the next: a program that comes in while the old
# one is going away fails at once, with nothing printed. wine also closes the desktop a
# second after its last program ends and starts it again for the next, which takes
# seconds; worse, a desktop started by a test holds that test's output pipe open, so ctest
# waits on it. Here the server stays until the run ends, and a console program waiting on
# standard input holds the desktop, which is up before the first test starts, with its
# output going nowhere. Each test is stopped after 600 seconds.
set -euo pipefail
case ${1-} in
win32) wine=wine ;;
win64) wine=/usr/lib/wine/wine64 ;;
*)
  echo "usage: $0 win32|win64 [CTEST ARGUMENTS...]" >&2
  exit 2
  ;;
esac
if [ -z "${WINE_SUITE_DISPLAY-}" ]; then
  WINE_SUITE_DISPLAY=xvfb exec xvfb-run -a bash "$0" "$@"
fi
build=$1
shift
cd "$(dirname "$0")/../build/$build"
export WINEDEBUG=${WINEDEBUG:--all}
wine=$(command -v "$wine")
wineserver=$(command -v wineserver || true)
for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver"; do
  if [ -x "$candidate" ]; then wineserver="$candidate"; break; fi
done

"$wineserver" -p
# The console program's standard input: a pipe opened for reading and writing, so that it
# never ends (and neither end waits for the other to open).
keep=$(mktemp -u "${TMPDIR:-/tmp}/wine-suite.XXXXXX")
mkfifo "$keep"
exec 9<>"$keep"
rm -f "$keep"
"$wine" cmd.exe <&9 >/dev/null 2>&1 &
exec 9>&-
stop() {
  "$wineserver" -k 2>/dev/null || true
}
trap stop EXIT

# Under emulation a program takes seconds to start: wait up to a minute for a desktop that
# stays (seen for three seconds in a row), starting wine's services, and with them the
# desktop, again every 15 seconds.
seen=0
for second in $(seq 0 60); do
  if [ $((second % 15)) -eq 0 ] && [ "$seen" -eq 0 ]; then
    "$wine" wineboot </dev/null >/dev/null 2>&1 || true
  fi
  if pgrep -f 'explorer.exe /desktop' >/dev/null; then seen=$((seen + 1)); else seen=0; fi
  [ "$seen" -lt 3 ] || break
  sleep 1
done
if [ "$seen" -lt 3 ]; then
  echo "wine-suite: wine's desktop did not stay up within a minute; the tests were not run" >&2
  exit 1
fi

# A test that fails fails the run. One kind of failure gets a second run: a wine process
# killed by a signal. The tested code cannot do that: wine turns a fault in a Windows
# program into a Windows exception, and the program ends with an exit code (an unhandled
# access violation ends with 0xC0000005 and is a plain failure). A signal means that wine
# itself crashed, which under emulation has been seen about once in a thousand programs,
# after the test had passed. Such tests run once more at once, and say so; a second crash
# fails the run.
log=$(mktemp)
status=0
ctest --timeout 600 "$@" 2>&1 | tee "$log" || status=$?
if [ "$status" -ne 0 ] && [ -s Testing/Temporary/LastTestsFailed.log ]; then
  failed=$(cut -d: -f1 Testing/Temporary/LastTestsFailed.log | sort -u)
  crashed=$(sed -n 's/.*Test *#\([0-9]*\):.*\*\*\*Exception: .*/\1/p' "$log" | sort -u)
  total=$(sed -n 's/.* tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
  if [ -n "$failed" ] && [ "$failed" = "$crashed" ] && [ -n "$total" ]; then
    crashes=$(wc -l <<<"$failed")
    echo "wine-suite: wine itself was killed by a signal in $crashes test(s); running them once more"
    dmesg 2>/dev/null | grep -i -E 'segfault|general protection|trap' | tail -n 10 || true
    if ctest --timeout 600 --rerun-failed --output-on-failure; then
      status=0
      echo "wine-suite: all $total tests passed, $crashes of them when run again after wine crashed"
    else
      status=8
    fi
  fi
fi
rm -f "$log"
exit "$status"
