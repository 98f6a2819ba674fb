#!/usr/bin/env bash
# The shared object must export its entry point and nothing else.
set -euo pipefail
exported=$(nm -D --defined-only "$1" | awk '{print $3}')
if [ "$exported" != "sqlite3_extension_init" ]; then
  echo "unexpected exports of $1:"; echo "$exported"; exit 1
fi
if ldd "$1" | grep -q sqlite; then
  echo "$1 links SQLite; it must reach SQLite only through the routine table"; exit 1
fi
echo "exports: $exported"
