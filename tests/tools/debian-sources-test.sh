#!/usr/bin/env bash
# scripts/debian-sources.sh against the apt layouts a Debian machine may have. Each case is a
# machine's sources.list and sources.list.d; the derived configuration is then handed to apt
# itself, offline, beside the case's own entries (as apt would read both if they were in
# one place), and apt must read them without an error and see exactly the expected deb-src
# targets. The last case proves the check is live: deb-src lines without the deb entries'
# Signed-By, as earlier set-ups wrote them, make apt refuse the whole list.
#
#   bash tests/tools/debian-sources-test.sh [WORK_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
derive="$here/../../scripts/debian-sources.sh"
work=${1:-$(mktemp -d)}
rm -rf "$work"
mkdir -p "$work"
command -v apt-get >/dev/null || { echo "debian-sources-test: apt-get is missing" >&2; exit 1; }

failures=0
debian_key=/usr/share/keyrings/debian-archive-keyring.gpg
case_name=""
fail() {
  echo "debian-sources-test: $case_name: FAILED: $*"
  failures=$((failures + 1))
}

# Files of the case being built: `file NAME` takes the content from standard input; NAME is
# sources.list or parts/NAME.
file() {
  mkdir -p "$work/$case_name/etc/parts"
  cat >"$work/$case_name/etc/$1"
}

# Runs the derivation on the case and apt on the result. EXPECTED: the deb-src targets
# ("URI/ SUITE" lines, sorted), MIRROR: what `mirror` must print ("-": must fail).
check() {
  local expected=$1 mirror=$2 dir="$work/$case_name" got status
  local input=(--list "$dir/etc/sources.list" --parts "$dir/etc/parts" --codename bookworm)
  if ! bash "$derive" "${input[@]}" derive "$dir/derived" 2>"$dir/derive.err"; then
    fail "derive failed: $(cat "$dir/derive.err")"
    return
  fi
  # The machine's entries and the derived ones in one parts folder, in apt's order.
  mkdir -p "$dir/apt/parts" "$dir/apt/lists/partial" "$dir/apt/cache"
  : >"$dir/apt/empty.list"
  [ -f "$dir/etc/sources.list" ] && cp "$dir/etc/sources.list" "$dir/apt/parts/00-machine.list"
  cp "$dir/etc/parts/"* "$dir/apt/parts/" 2>/dev/null
  cp "$dir/derived/sources.list" "$dir/apt/parts/zz-derived.list"
  cp "$dir/derived/sources.list.d/debian-src.sources" "$dir/apt/parts/zz-derived.sources"
  got=$(apt-get -o "Dir::Etc::SourceList=$dir/apt/empty.list" -o "Dir::Etc::SourceParts=$dir/apt/parts" \
    -o "Dir::State::Lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache" indextargets \
    --no-release-info --format '$(TARGET_OF) $(REPO_URI) $(RELEASE)' 2>"$dir/apt.err")
  status=$?
  if [ $status -ne 0 ] || grep -q '^E:' "$dir/apt.err"; then
    fail "apt could not read the sources: $(grep '^E:' "$dir/apt.err" | head -n 2)"
    return
  fi
  got=$(sed -n 's/^deb-src //p' <<<"$got" | LC_ALL=C sort -u)
  expected=$(LC_ALL=C sort -u <<<"$expected")
  [ "$got" = "$expected" ] || fail "deb-src targets:"$'\n'"$got"$'\n'"expected:"$'\n'"$expected"
  local printed
  printed=$(bash "$derive" "${input[@]}" mirror 2>/dev/null) || printed=-
  [ "$printed" = "$mirror" ] || fail "mirror: '$printed', expected '$mirror'"
  # Derivation reads the machine's files and writes only into its own folder.
  [ -z "$(find "$dir/etc" -newer "$dir/derive.err" -print -quit)" ] || fail "the case's files were written"
}

case_name="deb822 with Signed-By, several suites and a security stanza"
file parts/debian.sources <<EOF
Types: deb
# a snapshot of the archive
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: $debian_key

Types: deb
URIs: http://archive.example/debian-security
Suites: bookworm-security
Components: main
Signed-By: $debian_key
EOF
check "http://archive.example/debian/ bookworm
http://archive.example/debian/ bookworm-updates
http://archive.example/debian-security/ bookworm-security" http://archive.example/debian

case_name="one-line sources.list without options"
file sources.list <<'EOF'
# the installer's list
deb http://mirror.example.net/debian/ bookworm main contrib non-free non-free-firmware
deb http://mirror.example.net/debian-security bookworm-security main   # security

deb http://mirror.example.net/debian/ bookworm-updates main
EOF
check "http://mirror.example.net/debian/ bookworm
http://mirror.example.net/debian/ bookworm-updates
http://mirror.example.net/debian-security/ bookworm-security" http://mirror.example.net/debian

case_name="one-line with signed-by, arch and trusted options"
file sources.list <<EOF
deb [arch=amd64,i386 signed-by=$debian_key] http://proxy.example:3142/debian bookworm main
deb [ trusted=yes ] file:/srv/local-mirror/debian stable main
deb [signed-by=$debian_key] http://proxy.example:3142/debian-security bookworm-security main
EOF
check "http://proxy.example:3142/debian/ bookworm
file:/srv/local-mirror/debian/ stable
http://proxy.example:3142/debian-security/ bookworm-security" http://proxy.example:3142/debian

case_name="deb-src already present"
file sources.list <<EOF
deb [signed-by=$debian_key] http://archive.example/debian bookworm main
deb-src [signed-by=$debian_key] http://archive.example/debian bookworm main
EOF
file parts/updates.sources <<EOF
Types: deb deb-src
URIs: http://archive.example/debian
Suites: bookworm-updates
Components: main
Signed-By: $debian_key
EOF
check "http://archive.example/debian/ bookworm
http://archive.example/debian/ bookworm-updates" http://archive.example/debian

case_name="several files, comments, a disabled stanza and third-party repositories"
file sources.list <<'EOF'
#deb http://archive.example/debian bullseye main
EOF
file parts/debian.sources <<EOF
# Debian's archive
Types: deb
URIs: http://archive.example/debian
Suites: bookworm
Components: main contrib
Architectures: amd64
Signed-By: $debian_key

Types: deb
URIs: http://archive.example/debian
Suites: bookworm-backports
Components: main
Signed-By: $debian_key
Enabled: no
EOF
file parts/security.list <<'EOF'
deb http://security.example/debian-security bookworm-security main
EOF
file parts/docker.list <<'EOF'
deb [arch=amd64 signed-by=/etc/apt/keyrings/docker.gpg] https://download.example.com/linux/debian bookworm stable
EOF
file parts/pgdg.list <<'EOF'
deb [signed-by=/usr/share/postgresql-common/pgdg/apt.example.gpg] https://apt.example.org/pub/repos/apt bookworm-pgdg main
EOF
file parts/node.sources <<'EOF'
Types: deb
URIs: https://node.example.com/node_20.x
Suites: nodistro
Components: main
Signed-By: /usr/share/keyrings/nodesource.gpg
EOF
file parts/vendor.sources <<'EOF'
Types: deb
URIs: https://vendor.example.com/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGV0ZXN0a2V5
 -----END PGP PUBLIC KEY BLOCK-----
EOF
file parts/disabled.list.save <<'EOF'
deb http://archive.example/debian trixie main
EOF
check "http://archive.example/debian/ bookworm
http://security.example/debian-security/ bookworm-security" http://archive.example/debian

case_name="only the security archive"
file parts/security.sources <<EOF
Types: deb
URIs: http://archive.example/debian-security
Suites: bookworm-security
Components: main
Signed-By: $debian_key
EOF
check "http://archive.example/debian-security/ bookworm-security" -

case_name="no Debian archive at all"
file parts/node.sources <<'EOF'
Types: deb
URIs: https://node.example.com/node_20.x
Suites: nodistro
Components: main
Signed-By: /usr/share/keyrings/nodesource.gpg
EOF
if bash "$derive" --list "$work/$case_name/etc/sources.list" --parts "$work/$case_name/etc/parts" \
  --codename bookworm derive "$work/$case_name/derived" 2>"$work/$case_name/derive.err"; then
  fail "derive succeeded"
fi
grep -q 'no Debian archive entry' "$work/$case_name/derive.err" || fail "no clear message"
[ ! -e "$work/$case_name/derived" ] || fail "it wrote a configuration"

case_name="deb-src lines without the deb entries' options are refused by apt"
file parts/debian.sources <<EOF
Types: deb
URIs: http://archive.example/debian
Suites: bookworm
Components: main
Signed-By: $debian_key
EOF
file parts/old-setup.list <<'EOF'
deb-src http://archive.example/debian bookworm main
EOF
check "" http://archive.example/debian >/dev/null
if [ "$failures" -eq 1 ]; then
  failures=0
else
  fail "apt read conflicting options without an error: the check above cannot fail"
fi

if [ "$failures" -ne 0 ]; then
  echo "debian-sources-test: $failures check(s) failed (work folder $work)"
  exit 1
fi
echo "debian-sources-test: every case passed"
