#!/usr/bin/python3
"""Builds go_oracle.go against Debian's golang-golang-x-mod-dev (GOPATH
/usr/share/gocode, no module mode, no network) in a temporary folder and
runs it on this process's standard input and output. Exits 77 when the Go
toolchain or the package is missing."""
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GOPATH = "/usr/share/gocode"


def main():
    if shutil.which("go") is None or not os.path.isdir(os.path.join(GOPATH, "src/golang.org/x/mod/semver")):
        print("SKIP: go or golang-golang-x-mod-dev is missing", file=sys.stderr)
        return 77
    with tempfile.TemporaryDirectory(prefix="go_oracle.") as work:
        env = dict(os.environ, GOPATH=GOPATH, GO111MODULE="off", GOFLAGS="", GOPROXY="off",
                   GOCACHE=os.path.join(work, "cache"), GOTOOLCHAIN="local")
        program = os.path.join(work, "go_oracle")
        subprocess.run(["go", "build", "-o", program, os.path.join(HERE, "go_oracle.go")],
                       env=env, check=True, stdout=sys.stderr)
        return subprocess.run([program]).returncode


if __name__ == "__main__":
    sys.exit(main())
