#!/usr/bin/env bash
# The sample inventory gives the same database however often it is run, and
# `make demo` answers over it: every query runs, and the Debian newest of
# libexpat1 is its security update, not the older build the default order picks.
#   demo_test.sh LIBRARY
set -euo pipefail
library=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
load=".load ${library%.so}"

sqlite3 -cmd "$load" "$work/inventory.db" <"$root/examples/inventory.sql"
sqlite3 -cmd "$load" "$work/inventory.db" .dump >"$work/once.sql"
sqlite3 -cmd "$load" "$work/inventory.db" <"$root/examples/inventory.sql"
sqlite3 -cmd "$load" "$work/inventory.db" .dump >"$work/twice.sql"
if ! cmp -s "$work/once.sql" "$work/twice.sql"; then
  echo "examples/inventory.sql gives another database when run a second time:"
  diff "$work/once.sql" "$work/twice.sql" | head -20
  exit 1
fi

"$root/scripts/demo" "$library" >"$work/demo.out"
if ! grep -qE '^│ libexpat1 +│ 2\.5\.0-1\+deb12u1 +│ 2\.5\.0-1\+b1 ' "$work/demo.out"; then
  echo "the demo's first answer is not libexpat1's Debian newest:"
  head -12 "$work/demo.out"
  exit 1
fi
echo "inventory.sql ran twice to the same database; the demo printed $(wc -l <"$work/demo.out") lines"
