#!/usr/bin/env bash
# The machine's Debian package archive, read from its own apt configuration, for the two
# things this project fetches from it besides binary packages: the source packages that
# scripts/mingw-qpdf.sh builds qpdf from, and the 32-bit guest's packages
# (scripts/win32-vm.sh). Nothing under /etc/apt is written.
#
#   bash scripts/debian-sources.sh [INPUT...] derive DIR   # an apt configuration in DIR
#   bash scripts/debian-sources.sh [INPUT...] mirror       # the archive's URI
#   bash scripts/debian-sources.sh apt DIR COMMAND [ARG...] # apt-get COMMAND through DIR
#
# derive writes DIR/sources.list and DIR/sources.list.d/debian-src.sources: a deb-src entry
# for each of the machine's deb entries of Debian's archive, with the same URIs, suites,
# components and options (Signed-By, Trusted, Architectures, ... as they stand), one-line
# entries as one-line entries and deb822 stanzas as stanzas. apt reads an entry's options
# for both of its types, so a deb-src entry whose options differ from its deb entry makes
# apt refuse every list. A third-party repository is left out: an entry is Debian's when
# each of its suites is the release (its codename or a suite name such as stable) or one of
# its -updates, -security, -backports, -proposed-updates suites, each component is one of
# Debian's, and its keyring, when one is named, is one of Debian's (debian-*.gpg). Disabled
# stanzas (Enabled: no) and comments are skipped. DIR also gets its own lists and cache,
# which `apt DIR` passes to apt-get with the -o options that put them in use. A machine with
# no Debian deb entry is a clear message and exit status 1.
#
# mirror prints the first URI of a Debian entry for the release itself, in apt's reading
# order (sources.list, then the parts folder's *.list and *.sources by name).
#
# INPUT, for tests and unusual machines: --list FILE and --parts DIR (default: apt's own
# Dir::Etc::SourceList and Dir::Etc::SourceParts), --codename NAME (default: the release's
# VERSION_CODENAME).
set -euo pipefail

die() {
  echo "debian-sources: $*" >&2
  exit 1
}
usage() {
  echo "usage: $0 [--list FILE] [--parts DIR] [--codename NAME] derive DIR | mirror" >&2
  echo "       $0 apt DIR COMMAND [ARG...]" >&2
  exit 2
}

list="" parts="" codename=""
while [ $# -gt 0 ]; do
  case $1 in
  --list) [ $# -ge 2 ] || usage; list=$2; shift 2 ;;
  --parts) [ $# -ge 2 ] || usage; parts=$2; shift 2 ;;
  --codename) [ $# -ge 2 ] || usage; codename=$2; shift 2 ;;
  *) break ;;
  esac
done
[ $# -ge 1 ] || usage
command=$1
shift

# apt-get with DIR's configuration: its sources, lists and cache instead of the machine's.
apt_options() {
  local dir=$1
  printf -- '-o\n%s\n' "Dir::Etc::SourceList=$dir/sources.list" \
    "Dir::Etc::SourceParts=$dir/sources.list.d" "Dir::State::Lists=$dir/lists" "Dir::Cache=$dir/cache"
}
if [ "$command" = apt ]; then
  [ $# -ge 2 ] || usage
  dir=$(cd "$1" && pwd) || die "no folder $1"
  shift
  [ -f "$dir/sources.list" ] || die "$dir holds no configuration: run '$0 derive $dir' first"
  mapfile -t options < <(apt_options "$dir")
  exec apt-get "${options[@]}" "$@"
fi

if [ -z "$list" ] || [ -z "$parts" ]; then
  SL="" SP=""
  eval "$(apt-config shell SL Dir::Etc::sourcelist/f SP Dir::Etc::sourceparts/d)"
  [ -n "$list" ] || list=${SL:-/etc/apt/sources.list}
  [ -n "$parts" ] || parts=${SP:-/etc/apt/sources.list.d}
  parts=${parts%/}
fi
if [ -z "$codename" ]; then
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || die "the release's codename is unknown (no VERSION_CODENAME in /etc/os-release)"
fi

# The files apt reads, in its order: the list, then the parts whose names it accepts.
inputs=()
[ -f "$list" ] && inputs+=("$list")
if [ -d "$parts" ]; then
  while IFS= read -r name; do
    inputs+=("$parts/$name")
  done < <(cd "$parts" && LC_ALL=C ls -1 | grep -E '^[A-Za-z0-9_.-]+\.(list|sources)$' || true)
fi

# One awk program reads every file. Its output is tagged lines: "L <one-line entry>",
# "S <stanza line>" (stanzas end with "S"), and "U <uri>" for each Debian entry of the
# release itself, in reading order.
read -r -d '' program <<'EOF' || true
function debian_suite(suite,   base, rest) {
  base = suite; rest = ""
  if (match(suite, /[-\/]/)) { base = substr(suite, 1, RSTART - 1); rest = substr(suite, RSTART) }
  if (base != codename && base !~ /^(stable|oldstable|oldoldstable|testing|unstable|sid|experimental)$/)
    return 0
  return rest ~ /^(|-updates|-security|-backports|-backports-sloppy|-proposed-updates|\/updates)$/
}
function release_suite(suite) { return suite == codename || suite ~ /^(stable|testing|unstable|sid)$/ }
function debian_components(text,   n, i, c) {
  n = split(text, c, /[ \t]+/)
  if (n == 0) return 0
  for (i = 1; i <= n; i++) if (c[i] !~ /^(main|contrib|non-free|non-free-firmware)$/) return 0
  return 1
}
# A keyring named by path must be one of Debian's; a key given inline or by fingerprint is
# some other archive's.
function debian_keyring(text,   n, i, k, name) {
  gsub(/^[ \t]+|[ \t]+$/, "", text)
  if (text == "") return 1
  if (text ~ /BEGIN PGP/) return 0
  n = split(text, k, /[ \t,]+/)
  for (i = 1; i <= n; i++) {
    if (k[i] == "") continue
    name = k[i]; sub(/.*\//, "", name)
    if (k[i] !~ /^\// || name !~ /^debian-.*\.(gpg|asc|pgp)$/) return 0
  }
  return 1
}
function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }

# One-line files: "deb [options] uri suite [component...]".
function one_line(line,   type, options, rest, w, n, signed, i, o, comps) {
  sub(/#.*/, "", line)
  line = trim(line)
  if (line !~ /^deb[ \t]/) return
  rest = trim(substr(line, 4))
  options = ""
  if (substr(rest, 1, 1) == "[") {
    if (!match(rest, /\]/)) return
    options = substr(rest, 1, RSTART)
    rest = trim(substr(rest, RSTART + 1))
  }
  n = split(rest, w, /[ \t]+/)
  if (n < 3 || w[1] ~ /^cdrom:/) return
  if (!debian_suite(w[2])) return
  comps = w[3]
  for (i = 4; i <= n; i++) comps = comps " " w[i]
  if (!debian_components(comps)) return
  signed = ""
  if (options != "") {
    o = substr(options, 2, length(options) - 2)
    n = split(o, w, /[ \t]+/)
    for (i = 1; i <= n; i++)
      if (tolower(w[i]) ~ /^signed-by=/) signed = signed " " substr(w[i], 11)
  }
  split(rest, w, /[ \t]+/)
  if (!debian_keyring(signed)) return
  print "L deb-src " (options == "" ? "" : options " ") rest
  if (release_suite(w[2])) print "U " w[1]
}

# deb822 stanzas, a record each (fields with their continuation lines).
function stanza(text,   lines, n, i, key, field, order, count, value, types, suites, s, ns,
                kept, t, nt, deb, uris, u) {
  n = split(text, lines, "\n")
  count = 0
  for (i = 1; i <= n; i++) {
    if (lines[i] ~ /^#/ || lines[i] ~ /^[ \t]*$/) continue
    if (lines[i] ~ /^[ \t]/ && count > 0) { field[order[count]] = field[order[count]] "\n" lines[i]; continue }
    if (!match(lines[i], /:/)) return
    key = tolower(substr(lines[i], 1, RSTART - 1))
    order[++count] = key
    name[key] = substr(lines[i], 1, RSTART - 1)
    field[key] = lines[i]
    value[key] = trim(substr(lines[i], RSTART + 1))
  }
  if (tolower(value["enabled"]) == "no") return
  nt = split(value["types"], t, /[ \t]+/)
  deb = 0
  for (i = 1; i <= nt; i++) if (t[i] == "deb") deb = 1
  if (!deb) return
  ns = split(value["suites"], s, /[ \t]+/)
  kept = ""
  for (i = 1; i <= ns; i++) if (debian_suite(s[i])) kept = kept (kept == "" ? "" : " ") s[i]
  if (kept == "" || !debian_components(value["components"])) return
  signed = field["signed-by"]
  sub(/^[^:]*:/, "", signed)
  if ("signed-by" in field && !debian_keyring(signed)) return
  print "S Types: deb-src"
  for (i = 1; i <= count; i++) {
    key = order[i]
    if (key == "types" || key == "enabled") continue
    if (key == "suites") { print "S " name[key] ": " kept; continue }
    gsub(/\n/, "\nS ", field[key])
    print "S " field[key]
  }
  print "S"
  split(value["uris"], uris, /[ \t]+/)
  for (i = 1; i <= ns; i++) if (debian_suite(s[i]) && release_suite(s[i])) { print "U " uris[1]; break }
}

FNR == 1 && NR > 1 { flush() }
FNR == 1 { deb822 = FILENAME ~ /\.sources$/; buffer = "" }
{
  if (!deb822) { one_line($0); next }
  if ($0 ~ /^[ \t]*$/) { if (buffer != "") stanza(buffer); buffer = "" }
  else buffer = buffer $0 "\n"
}
function flush() { if (deb822 && buffer != "") stanza(buffer); buffer = "" }
END { flush() }
EOF

derived=""
if [ ${#inputs[@]} -gt 0 ]; then
  derived=$(awk -v codename="$codename" "$program" "${inputs[@]}")
fi
if ! grep -q '^[LS] ' <<<"$derived"; then
  die "no Debian archive entry (deb) for $codename in $list or $parts/*.list, *.sources:" \
    "apt must be set up to fetch Debian's packages before anything can be installed here"
fi

case $command in
derive)
  [ $# -eq 1 ] || usage
  dir=$1
  mkdir -p "$dir/sources.list.d" "$dir/lists/partial" "$dir/cache/archives/partial"
  {
    echo "# deb-src entries derived from the machine's one-line entries (scripts/debian-sources.sh)"
    sed -n 's/^L //p' <<<"$derived"
  } >"$dir/sources.list"
  {
    echo "# deb-src stanzas derived from the machine's deb822 stanzas (scripts/debian-sources.sh)"
    echo
    sed -n -e 's/^S$//p' -e 's/^S //p' <<<"$derived"
  } >"$dir/sources.list.d/debian-src.sources"
  ;;
mirror)
  [ $# -eq 0 ] || usage
  uri=$(sed -n 's/^U //p' <<<"$derived" | head -n 1)
  [ -n "$uri" ] || die "no Debian archive entry for the release $codename itself (only its updates)"
  echo "${uri%/}"
  ;;
*) usage ;;
esac
