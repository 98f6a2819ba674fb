#!/usr/bin/env bash
# Loads the extension into the sqlite3 shell with .load, as users do.
set -euo pipefail
library=${1%.so}
# expect QUERY OUTPUT: the shell's output must contain OUTPUT.
expect() {
  local got
  got=$(sqlite3 -batch :memory: ".load $library" "$1" 2>&1) || true
  if ! grep -qF -- "$2" <<<"$got"; then
    printf 'query:    %s\nexpected: %s\ngot:      %s\n' "$1" "$2" "$got"; exit 1
  fi
}
expect "SELECT format_ip_address('192.168.1.1');" "3232235777"
expect "SELECT format_ip_address(NULL) IS NULL;" "1"
expect "SELECT format_ip_address();" \
  "wrong number of arguments to function format_ip_address()"
expect "SELECT max_version(v), min_version(v) FROM (SELECT '1.9' v UNION ALL SELECT '1.10');" \
  "1.10|1.9"
echo "sqlite3 shell: ok"
