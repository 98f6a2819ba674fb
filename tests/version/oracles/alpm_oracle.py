#!/usr/bin/python3
"""The alpm scheme's reference: libalpm's alpm_pkg_vercmp (pacman 6.0), the
function the vercmp program prints, called through ctypes with the text's
own bytes.

Reads JSON lines on stdin, answers one JSON line each:
  {"valid": [text, ...]}        -> [bool, ...]
  {"compare": [[a, b], ...]}    -> [-1 | 0 | 1, ...]
A text's code points 0..255 are its bytes. vercmp compares every C string;
this product rejects the empty text and NUL bytes, which a C string cannot
carry.
"""
import ctypes
import ctypes.util
import json
import locale
import sys

try:
    _alpm = ctypes.CDLL(ctypes.util.find_library("alpm") or "libalpm.so.13")
except OSError:
    print("SKIP: libalpm not found (install libalpm13 or makepkg)", file=sys.stderr)
    sys.exit(77)
_alpm.alpm_pkg_vercmp.restype = ctypes.c_int
_alpm.alpm_pkg_vercmp.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
# vercmp runs in the C locale, where only ASCII bytes are letters or digits.
locale.setlocale(locale.LC_CTYPE, "C")


def _valid(text):
    return text != "" and "\0" not in text


def _compare(a, b):
    order = _alpm.alpm_pkg_vercmp(a.encode("latin-1"), b.encode("latin-1"))
    return (order > 0) - (order < 0)


def main():
    for line in sys.stdin:
        request = json.loads(line)
        if "valid" in request:
            answer = [_valid(t) for t in request["valid"]]
        else:
            answer = [_compare(a, b) for a, b in request["compare"]]
        sys.stdout.write(json.dumps(answer) + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
