#!/usr/bin/env bash
# Makes a wine prefix ready for the Windows tests and sessions: usage
#   bash scripts/wine-prefix.sh PREFIX [WINE]
# (WINE: the wine program, default /usr/lib/wine/wine64). Safe to run again.
#
# Without a window manager (Xvfb), wine waits two seconds for the X server to confirm that
# a top-level window it hid was withdrawn, which it never does there: every file dialog
# that closes would cost two seconds. Windows that wine does not hand to a window manager
# ("Managed" = "N") are hidden at once.
set -euo pipefail
prefix="$1"
wine="${2:-/usr/lib/wine/wine64}"
mkdir -p "$prefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all
# wine's own messages (the prefix being made, services it cannot start) go to a log beside
# the prefix, named only when something fails.
log="${prefix%/}.log"
if ! "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$log" 2>&1; then
  echo "wine-prefix: preparing $prefix failed; wine's messages: $log" >&2
  exit 1
fi
# Wait until this prefix's wine server has ended: one started here has no display, and a
# program started under Xvfb before it ends would share its desktop and get no windows.
wineserver=$(command -v wineserver || true)
for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver"; do
  if [ -x "$candidate" ]; then wineserver="$candidate"; break; fi
done
if [ -n "$wineserver" ]; then "$wineserver" -w; fi
