#!/usr/bin/env bash
# Runs shell_suite.sql through the sqlite3 shell loading the real library,
# under valgrind, once in a UTF-8 and once in a UTF-16 database. Any memory
# error or leak valgrind finds fails the test, and so does a wrong answer.
#   valgrind_shell_test.sh LIBRARY.so
set -uo pipefail
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed (scripts/install-deps test installs it)"; exit 77
fi
here=$(cd "$(dirname "$0")" && pwd)
library=${1%.so}
status=0
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for encoding in UTF-8 UTF-16le; do
  output=$(valgrind --quiet --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    sqlite3 -batch :memory: -cmd ".load $library" -cmd "PRAGMA encoding = '$encoding'" \
    <"$here/shell_suite.sql" 2>"$errors")
  code=$?
  if [ "$code" -ne 0 ] || [ -s "$errors" ]; then
    echo "$encoding: exit $code; valgrind or the shell reported:"; cat "$errors"; status=1
  elif ! diff -u "$here/shell_suite.expected" <(echo "$output"); then
    echo "$encoding: unexpected output"; status=1
  else
    echo "$encoding: ok"
  fi
done
exit "$status"
