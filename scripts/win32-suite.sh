#!/usr/bin/env bash
# Runs the 32-bit Windows build's tests (build/win32) under wine32 on a display of their
# own (Xvfb); arguments go to ctest. Where the kernel runs 32-bit programs it runs as is;
# elsewhere inside the virtual machine: bash scripts/win32-vm.sh -- bash scripts/win32-suite.sh
#
# One wine server and one desktop serve the whole run. wine closes the desktop a second
# after its last program ends and starts it again for the next, which takes seconds each
# time; worse, the desktop process started by a test holds that test's output pipe open,
# so ctest waits on it. Here a console program waiting on standard input keeps the desktop
# alive, and the desktop and wine's services are started before the tests, with their
# output going nowhere. Each test is stopped after 600 seconds.
set -euo pipefail
if [ -z "${WIN32_SUITE_DISPLAY-}" ]; then
  WIN32_SUITE_DISPLAY=xvfb exec xvfb-run -a bash "$0" "$@"
fi
cd "$(dirname "$0")/../build/win32"
export WINEDEBUG=${WINEDEBUG:--all}

wineserver -p
keep=$(mktemp -u "${TMPDIR:-/tmp}/win32-suite.XXXXXX")
mkfifo "$keep"
wine cmd.exe <"$keep" >/dev/null 2>&1 &
sleep 86400 >"$keep" &
holder=$!
rm -f "$keep"
for attempt in 1 2 3; do
  wine wineboot </dev/null >/dev/null 2>&1
  sleep 2
  if pgrep -f 'explorer.exe /desktop' >/dev/null; then break; fi
  [ "$attempt" -lt 3 ] || echo "win32-suite: wine's desktop did not stay up; tests may wait on it" >&2
done

status=0
ctest --timeout 600 "$@" || status=$?
kill "$holder"
wineserver -k || true
exit "$status"
