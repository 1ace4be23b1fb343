#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# The launcher, installed into a scratch prefix beside a stand-in twinscan
# that records where it was started and with which arguments.
# Usage: launcher_test.sh BUILT_LAUNCHER
set -eu
launcher=$1
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rel=$(sed -n 's|^help=\$bindir/||p' "$launcher")
[ -n "$rel" ] || fail "no help path in $launcher"
mkdir -p "$t/prefix/bin" "$t/prefix/bin/$rel" "$t/elsewhere"
help=$(cd "$t/prefix/bin/$rel" && pwd -P)
echo '<html></html>' >"$help/indexr.html"
cp "$launcher" "$t/prefix/bin/twinscan-launch"
cat >"$t/prefix/bin/twinscan" <<'FAKE'
#!/bin/sh
{ pwd; for a; do printf '[%s]' "$a"; done; echo; } >"$RECORD"
FAKE
chmod +x "$t/prefix/bin/twinscan" "$t/prefix/bin/twinscan-launch"
ln -s "$t/prefix/bin/twinscan-launch" "$t/elsewhere/twinscan-launch"
export RECORD="$t/record"

run() {  # HOME XDG_DATA_HOME ARGS...
  home=$1 xdg=$2
  shift 2
  mkdir -p "$home"
  HOME=$home XDG_DATA_HOME=$xdg "$t/elsewhere/twinscan-launch" "$@" 2>"$t/err" ||
    fail "launcher failed: $(cat "$t/err")"
}
started_in() {
  [ "$(sed -n 1p "$RECORD")" = "$1" ] || fail "started in $(sed -n 1p "$RECORD"), not $1"
  [ "$(readlink -f "$1/DATA/HELP")" = "$help" ] || fail "$1/DATA/HELP does not lead to $help"
  [ -f "$1/DATA/HELP/indexr.html" ] || fail "no help page below $1"
}

# First start in an empty home, reached through a link in another folder; the
# arguments arrive unchanged.
run "$t/h1" "" "a b" "" "-c"
started_in "$t/h1/.local/share/twinscan"
[ "$(sed -n 2p "$RECORD")" = "[a b][][-c]" ] || fail "arguments: $(sed -n 2p "$RECORD")"

# A link left by an install elsewhere, gone or still there, is pointed anew.
ln -sfn /nonexistent/HELP "$t/h1/.local/share/twinscan/DATA/HELP"
run "$t/h1" ""
started_in "$t/h1/.local/share/twinscan"
mkdir -p "$t/old/HELP"
ln -sfn "$t/old/HELP" "$t/h1/.local/share/twinscan/DATA/HELP"
run "$t/h1" ""
started_in "$t/h1/.local/share/twinscan"

# An absolute XDG_DATA_HOME is used; a relative one is ignored.
run "$t/h2" "$t/xdg"
started_in "$t/xdg/twinscan"
(cd "$t" && run "$t/h3" "relative")
started_in "$t/h3/.local/share/twinscan"
[ ! -e "$t/relative" ] || fail "a relative XDG_DATA_HOME was used"

# A real folder the user put in place of the link is kept as it is.
rm "$t/h3/.local/share/twinscan/DATA/HELP"
mkdir "$t/h3/.local/share/twinscan/DATA/HELP"
echo mine >"$t/h3/.local/share/twinscan/DATA/HELP/indexr.html"
run "$t/h3" ""
[ ! -L "$t/h3/.local/share/twinscan/DATA/HELP" ] || fail "the user's folder was replaced"
[ "$(ls -A "$t/h3/.local/share/twinscan/DATA/HELP")" = indexr.html ] || fail "the user's folder changed"
[ "$(cat "$t/h3/.local/share/twinscan/DATA/HELP/indexr.html")" = mine ] || fail "the user's page changed"
echo "launcher: all cases passed"
