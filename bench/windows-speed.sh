#!/usr/bin/env bash
# Speed of the 64-bit Windows build under wine64: refhost.exe opens a PDF file whose one
# player annotation carries a 256 MiB plain scene, clicks it (the plug-in extracts the scene
# into the temporary folder) and closes it; beside that, in the same run, copy64k.exe copies
# the extracted bytes with 64 KiB ReadFile/WriteFile calls. refhost --timings gives each
# command's wall time and the process's peak working set. Three rounds; a script, not a test.
# Then one more run of the click session and of the copy, untimed, under strace: the system
# calls each made on the document, the scene files and the copy (every call on a descriptor
# of a file in build/speed), which is what reaches the file system through wine.
#   bash bench/windows-speed.sh [MIB]      (MIB: the scene's size, default 256)
set -euo pipefail
cd "$(dirname "$0")/.."
mib=${1:-256}
work=build/speed
cmake --preset win64 >/dev/null
cmake --build build/win64 -j "$(nproc 2>/dev/null || echo 2)" --target refhost copy64k >/dev/null
rm -rf "$work" && mkdir -p "$work/temp"
# The document, written directly: the scene stream stored plain (no filter).
python3 - "$work/big.pdf" "$mib" <<'PY'
import sys
path, mib = sys.argv[1], int(sys.argv[2])
block = b"".join(b"v %d.5 %d.25 %d\n" % (i, i * 7 % 1000, i * 13 % 977) for i in range(4096))
block = (block * (1 + (1 << 20) // len(block)))[: 1 << 20]
objects = [b"<< /Type /Catalog /Pages 2 0 R >>", b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [4 0 R] >>",
           b"<< /Type /Annot /Subtype /KXTRIVOPlayer /Rect [100 100 300 300] /F 4 /Version /1.0"
           b" /KXTRIVOPlayerF 5 0 R >>"]
with open(path, "wb") as out:
    out.write(b"%PDF-1.4\n")
    offsets = []
    for i, text in enumerate(objects):
        offsets.append(out.tell())
        out.write(b"%d 0 obj\n%s\nendobj\n" % (i + 1, text))
    offsets.append(out.tell())
    out.write(b"5 0 obj\n<< /Type /EmbeddedFile /Filename /valve /Subtype /GEOM /Length %d >>\n"
              b"stream\n" % (mib << 20))
    for _ in range(mib):
        out.write(block)
    out.write(b"\nendstream\nendobj\n")
    xref = out.tell()
    out.write(b"xref\n0 6\n0000000000 65535 f \n")
    for offset in offsets:
        out.write(b"%010d 00000 n \n" % offset)
    out.write(b"trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % xref)
PY
printf 'open big.pdf\nclose\n' >"$work/open-close.refhost"
printf 'open big.pdf\nclick 0\nclose\n' >"$work/click.refhost"
bash scripts/wine-prefix.sh "$PWD/build/wineprefix64" >/dev/null
export WINEPREFIX="$PWD/build/wineprefix64" WINEDEBUG=-all
wine=/usr/lib/wine/wine64
# (Windows programs end their lines with CR LF.)
field() { tr -d '\r' <"$2" | sed -n "s/^refhost: time: \[[0-9]*\] $1: \(.*\) ms$/\1/p"; }
peak() { tr -d '\r' <"$1" | sed -n 's/^refhost: peak memory: \(.*\) MB$/\1/p'; }
echo "scene: $mib MiB plain; refhost.exe and copy64k.exe under wine64 ($(wine64 --version 2>/dev/null || "$wine" --version))"
printf '%-6s %-10s %-10s %-10s %-10s %-12s %-12s %-10s\n' round open_ms close_ms peak_MB click_ms click_peak_MB copy_ms click/copy
for round in 1 2 3; do
  (cd "$work" && xvfb-run -a "$wine" ../win64/bin/refhost.exe --timings --temp temp open-close.refhost \
    >open-close.txt 2>open-close.err)
  rm -f "$work"/temp/*
  (cd "$work" && xvfb-run -a "$wine" ../win64/bin/refhost.exe --timings --temp temp click.refhost \
    >click.txt 2>click.err)
  grep -q "file exists, $((mib << 20)) bytes" "$work/click.txt" ||
    { echo "windows-speed: the click did not extract the scene (see $work/click.txt)" >&2; exit 1; }
  copy=$( (cd "$work" && "$wine" ../win64/bin/copy64k.exe temp/valve.geom copy.bin) | tr -d '\r' |
    sed -n 's/.* in \(.*\) ms$/\1/p')
  click=$(field "click 0" "$work/click.err")
  printf '%-6s %-10s %-10s %-10s %-10s %-12s %-12s %-10s\n' "$round" \
    "$(field "open big.pdf" "$work/open-close.err")" "$(field close "$work/open-close.err")" \
    "$(peak "$work/open-close.err")" "$click" "$(peak "$work/click.err")" "$copy" \
    "$(python3 -c "print(f'{$click / $copy:.2f}')")"
  rm -f "$work/copy.bin" "$work"/temp/*
done

# File calls. strace -y names each descriptor's file; a call counts when that file lies in
# build/speed, by any process of the run (the program, and the wine server it starts: each
# run waits for the last one's server to end, so that all are counted alike).
abs_work="$PWD/$work"
count_calls() {  # LOG: "TOTAL (reads R, writes W, status S, other O)"
  grep -F "<$abs_work/" "$1" | sed -n 's/^[0-9]* *\([a-z0-9_]*\)(.*/\1/p' | awk '
    /^(read|pread64|readv|preadv)$/ { r++; next }
    /^(write|pwrite64|writev|pwritev)$/ { w++; next }
    /^(fstat|newfstatat|statx|fstatfs|fgetxattr|flistxattr)$/ { s++; next }
    { o++ }
    END { printf "%d (reads %d, writes %d, status %d, other %d)", r + w + s + o, r, w, s, o }'
}
if ! command -v strace >/dev/null; then
  echo "file calls: not counted (strace is not installed)"
  exit 0
fi
wineserver=$(command -v wineserver || true)
for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver"; do
  if [ -x "$candidate" ]; then wineserver="$candidate"; break; fi
done
traced() {  # LOG COMMAND...
  local log=$1
  shift
  if [ -n "$wineserver" ]; then "$wineserver" -w; fi
  (cd "$work" && strace -f -y -qq -e trace=desc -o "$log" "$@" >/dev/null 2>&1)
}
if ! traced calls-click.log xvfb-run -a "$wine" ../win64/bin/refhost.exe --temp temp click.refhost ||
  ! grep -qF "<$abs_work/big.pdf>" "$work/calls-click.log"; then
  echo "file calls: not counted (strace could not trace wine here; see $work/calls-click.log)"
  exit 0
fi
traced calls-open.log xvfb-run -a "$wine" ../win64/bin/refhost.exe --temp temp open-close.refhost
traced calls-copy.log "$wine" ../win64/bin/copy64k.exe temp/valve.geom copy.bin
echo "file calls (strace, one untimed run each):"
echo "  refhost.exe open, close:          $(count_calls "$work/calls-open.log")"
echo "  refhost.exe open, click 0, close: $(count_calls "$work/calls-click.log")"
echo "  copy64k.exe:                      $(count_calls "$work/calls-copy.log")"
rm -f "$work/copy.bin" "$work"/temp/* "$work"/calls-*.log
