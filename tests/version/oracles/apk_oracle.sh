#!/bin/bash
# Builds the apk oracle (Go, against Debian's packaged Go port; no network)
# into a cache beside the build, then runs it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
command -v go >/dev/null || { echo "SKIP: go not found (install golang-go)" >&2; exit 77; }
[ -d /usr/share/gocode/src/github.com/knqyf263/go-apk-version ] ||
  { echo "SKIP: install golang-github-knqyf263-go-apk-version-dev" >&2; exit 77; }
cache="${TMPDIR:-/tmp}/korvel-apk-oracle-$(id -u)"
mkdir -p "$cache"
binary="$cache/apk_oracle"
if [ ! -x "$binary" ] || [ "$here/apk_oracle/main.go" -nt "$binary" ]; then
  (cd "$here/apk_oracle" && GO111MODULE=off GOPATH=/usr/share/gocode GOCACHE="$cache/go-build" \
    GOFLAGS= go build -o "$binary" main.go) >&2
fi
exec "$binary"
