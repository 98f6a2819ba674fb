#!/usr/bin/python3
"""The deb scheme's reference: dpkg decides validity, python3-apt the order.

JSON lines on stdin, one answer line per request:
{"valid": [t, ...]} -> [bool, ...]; {"compare": [[a, b], ...]} -> [-1|0|1, ...].
Texts are JSON strings whose code points 0..255 are the text's bytes.

Validity is dpkg's own version parser: dpkg_validate.c, linked with libdpkg
when the oracle starts (thousands of `dpkg --validate-version` runs take
half a minute; the parser answers at once). Without a C compiler or
libdpkg-dev it falls back to running dpkg once per text, several at a time.
"""
import atexit
import concurrent.futures
import json
import os
import shutil
import subprocess
import sys
import tempfile

import apt_pkg

apt_pkg.init_system()

HERE = os.path.dirname(os.path.abspath(__file__))


def _build_parser():
    work = tempfile.mkdtemp(prefix="deb_oracle.")
    atexit.register(shutil.rmtree, work, True)
    program = os.path.join(work, "dpkg_validate")
    try:
        flags = subprocess.run(["pkg-config", "--cflags", "--libs", "--static", "libdpkg"],
                               capture_output=True, text=True, check=True).stdout.split()
        subprocess.run(["cc", "-O2", "-DLIBDPKG_VOLATILE_API", "-o", program,
                        os.path.join(HERE, "dpkg_validate.c"), *flags],
                       capture_output=True, check=True)
    except (OSError, subprocess.CalledProcessError):
        return None
    return subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE)


_parser = _build_parser()
_cache = {}


def _run_dpkg(text: bytes) -> bool:
    run = subprocess.run(["dpkg", "--validate-version", "--", text],
                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return run.returncode == 0


def _judge(texts):
    """dpkg's verdicts for distinct NUL-free byte strings."""
    if _parser is None:
        with concurrent.futures.ThreadPoolExecutor(2 * (os.cpu_count() or 2)) as pool:
            return list(pool.map(_run_dpkg, texts))
    verdicts = []
    # In batches, so that neither pipe fills while the other is waited on.
    for start in range(0, len(texts), 4096):
        batch = texts[start:start + 4096]
        _parser.stdin.write(b"".join(t.hex().encode() + b"\n" for t in batch))
        _parser.stdin.flush()
        verdicts += [_parser.stdout.readline().strip() == b"1" for _ in batch]
    return verdicts


def valid(texts):
    todo = sorted({t for t in texts if t not in _cache})
    raw = [t.encode("latin-1") for t in todo]
    # A NUL cannot reach dpkg (argv, C strings), and no version holds one.
    judged = iter(_judge([r for r in raw if b"\0" not in r]))
    for text, r in zip(todo, raw):
        _cache[text] = b"\0" not in r and next(judged)
    return [_cache[t] for t in texts]


def compare(pairs):
    signs = []
    for a, b in pairs:
        order = apt_pkg.version_compare(a, b)
        signs.append((order > 0) - (order < 0))
    return signs


def main():
    for line in sys.stdin:
        if not line.strip():
            continue
        request = json.loads(line)
        answer = valid(request["valid"]) if "valid" in request else compare(request["compare"])
        sys.stdout.write(json.dumps(answer) + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
