#!/usr/bin/python3
"""The rpm scheme's reference: python3-rpm's rpm.ver objects (rpm 4.18).

Reads JSON lines on stdin, answers one JSON line each:
  {"valid": [text, ...]}        -> [bool, ...]
  {"compare": [[a, b], ...]}    -> [-1 | 0 | 1, ...]
A text's code points 0..255 are its bytes. rpm.ver takes a str and hands
librpm its UTF-8 bytes, so a text whose bytes are not UTF-8 cannot reach it
as a str; those go to the very functions rpm.ver wraps (rpmverParse and
rpmverCmp of librpmio) through ctypes, with the same bytes.
"""
import ctypes
import ctypes.util
import json
import sys

import rpm

_librpmio = ctypes.CDLL(ctypes.util.find_library("rpmio") or "librpmio.so.9")
_librpmio.rpmverParse.restype = ctypes.c_void_p
_librpmio.rpmverParse.argtypes = [ctypes.c_char_p]
_librpmio.rpmverCmp.restype = ctypes.c_int
_librpmio.rpmverCmp.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
_librpmio.rpmverFree.restype = ctypes.c_void_p
_librpmio.rpmverFree.argtypes = [ctypes.c_void_p]


class _RawVer:
    """An rpmver of raw bytes, ordered by rpmverCmp as rpm.ver is."""

    def __init__(self, raw):
        self.handle = _librpmio.rpmverParse(raw)
        if not self.handle:
            raise ValueError("invalid version")

    def __del__(self):
        if getattr(self, "handle", None):
            _librpmio.rpmverFree(self.handle)

    def cmp(self, other):
        return _librpmio.rpmverCmp(self.handle, other.handle)


def _parse(text):
    raw = text.encode("latin-1")
    if not raw or b"\0" in raw:
        return None
    try:
        return rpm.ver(raw.decode("utf-8"))
    except UnicodeDecodeError:
        pass
    except (ValueError, TypeError):
        return None
    try:
        return _RawVer(raw)
    except ValueError:
        return None


def _compare(a, b):
    x, y = _parse(a), _parse(b)
    if isinstance(x, rpm.ver) and isinstance(y, rpm.ver):
        if x < y:
            return -1
        return 1 if x > y else 0
    # Mixed or raw: both as raw rpmvers of the same bytes.
    order = _RawVer(a.encode("latin-1")).cmp(_RawVer(b.encode("latin-1")))
    return (order > 0) - (order < 0)


def main():
    for line in sys.stdin:
        request = json.loads(line)
        if "valid" in request:
            answer = [_parse(t) is not None for t in request["valid"]]
        else:
            answer = [_compare(a, b) for a, b in request["compare"]]
        sys.stdout.write(json.dumps(answer) + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
