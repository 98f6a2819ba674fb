#!/usr/bin/python3
"""Answers validity and order questions with packaging.version.Version.

One JSON request a line on stdin, one JSON answer a line on stdout. Texts
arrive as strings whose code points 0..255 are the SQL text's bytes; the
reference takes str, so the bytes are read as UTF-8 and a text that is not
UTF-8 is invalid.
"""
import json
import sys

from packaging.version import InvalidVersion, Version


def version(text):
    try:
        return Version(text.encode("latin-1").decode("utf-8"))
    except (UnicodeDecodeError, InvalidVersion):
        return None


def valid(text):
    return version(text) is not None


def compare(lhs, rhs):
    a, b = version(lhs), version(rhs)
    return -1 if a < b else (0 if a == b else 1)


def answer(request):
    if "valid" in request:
        return [valid(text) for text in request["valid"]]
    return [compare(lhs, rhs) for lhs, rhs in request["compare"]]


def main():
    for line in sys.stdin:
        if line.strip():
            print(json.dumps(answer(json.loads(line))), flush=True)


if __name__ == "__main__":
    main()
