"""The alpm scheme for the differential check against libalpm's
alpm_pkg_vercmp (oracles/alpm_oracle.py), which the vercmp program prints.

SAMPLE, data/alpm_versions.txt (this module run as a script writes it), is
Debian 12's real versions (data/deb_versions.txt, the
packages of data/deb_packages.tsv) and their rpm-shaped rewrites
(data/rpm_versions.txt), each as it is (vercmp compares any text: odd
separators, '~', '+', several '-') and rewritten as Arch writes the same
release: epoch kept, '~rc1' as 'rc1', '+git…' as '.r…', the package
revision's first number as pkgrel.

version_compare_alpm must give vercmp's answer on every pair. The key and
the collation refine vercmp to an order (docs/version_alpm.md): a missing
release orders before any release, and a part that ends in separators
orders before a letter run after separators, where vercmp has a cycle;
expected_key_order() states exactly those two classes.
"""
import os
import random
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ORACLE = ["/usr/bin/python3", os.path.join(HERE, "..", "oracles", "alpm_oracle.py")]


def rewrite(version):
    """A Debian or rpm version as Arch writes it."""
    epoch = re.match(rb"[0-9]+:", version)
    text = version[epoch.end():] if epoch else version
    upstream, _, revision = text.rpartition(b"-") if b"-" in text else (text, b"", b"")
    upstream = re.sub(rb"[+~^](dfsg|ds|repack)[0-9]*", b"", upstream)
    upstream = re.sub(rb"~(alpha|beta|pre|rc)", rb"\1", upstream)
    upstream = re.sub(rb"[+^~](git|svn|hg|bzr)?", rb".r", upstream).replace(b"-", b".")
    release = re.match(rb"[0-9]+(\.[0-9]+)?", revision)
    out = (epoch.group(0) if epoch else b"") + upstream
    return out + b"-" + release.group(0) if release else out


def _lines(name):
    with open(os.path.join(HERE, "..", "data", name), "rb") as lines:
        return [line.rstrip(b"\n") for line in lines if line.strip()]


SAMPLE = "alpm_versions.txt"


def build_sample():
    """What SAMPLE holds."""
    real = _lines("deb_versions.txt") + _lines("rpm_versions.txt")
    return real + [rewrite(v) for v in real]


def packages():
    rows = [line.partition(b"\t")[::2] for line in _lines("deb_packages.tsv")]
    return [(package + b" arch", rewrite(version)) for package, version in rows] + rows


# ---- the two classes where the key departs from vercmp ----

_ITEM = re.compile(rb"([^A-Za-z0-9]*)([A-Za-z]+|[0-9]+|)")


def _split(text):
    epoch = re.match(rb"([0-9]*):", text)
    rest = text[epoch.end():] if epoch else text
    version, dash, release = rest.rpartition(b"-")
    return (int(epoch.group(1) or b"0") if epoch else 0,
            version if dash else rest, release if dash else None)


def _items(part):
    items, at = [], 0
    while True:
        separators, run = _ITEM.match(part, at).groups()
        at += len(separators) + len(run)
        if not run:
            return items + [("end", len(separators) > 0)]
        items.append((len(separators), int(run) if run.isdigit() else run))


def _trailing_meets_letters(a, b):
    """Whether vercmp's walk of parts a and b ends where one has ended in
    separators and the other goes on with a letter run after separators;
    None when the parts are equal to vercmp."""
    for x, y in zip(_items(a), _items(b)):
        if x == y:
            if x[0] == "end":
                return None
            continue
        ends = [i for i in (x, y) if i[0] == "end"]
        others = [i for i in (x, y) if i[0] != "end"]
        return (len(ends) == 1 and ends[0][1] and others[0][0] > 0
                and isinstance(others[0][1], bytes))
    return None


def expected_key_order(a, b, tool):
    a, b = a.encode("latin-1") if isinstance(a, str) else a, b
    (ea, va, ra), (eb, vb, rb) = _split(a), _split(b)
    if ea != eb:
        return tool
    trailing = _trailing_meets_letters(va, vb)
    if trailing is None and ra is not None and rb is not None:
        trailing = _trailing_meets_letters(ra, rb)
    if trailing:
        return -tool
    if tool == 0 and (ra is None) != (rb is None):
        return -1 if ra is None else 1
    return tool


_PIECES = [
    b"0", b"00", b"1", b"01", b"2", b"9", b"10", b"18446744073709551616", b"9" * 40, b"a", b"A",
    b"z", b"rc", b"beta", b"pre", b"p", b"r", b"git", b".", b"..", b"...", b"_", b"+", b"~",
    b"-", b":", b" ", b"\xff", b"\xc3\xa9",
]
_FIXED = [
    b"", b"\0", b"1\0", b"1.0", b"1.0-1", b"1.0-2", b"1.", b"1..a", b"1.0a", b"1.0b", b"1.0beta",
    b"1.0p", b"1.0pre", b"1.0rc", b"1.0.a", b"1.0.1", b":1", b"0:1", b"1:", b"-", b":", b"1-",
    b"-1", b"a.", b"a1", b"a.b", b"1:1.0-1", b"2:0.1",
]


def adversarial(rng: random.Random) -> list[bytes]:
    texts = list(_FIXED)
    while len(texts) < 8000:
        text = b"".join(rng.choice(_PIECES) for _ in range(rng.randint(1, 6)))
        if rng.random() < 0.3:
            text = rng.choice([b"", b"0", b"1", b"01", b"2", b"10"]) + b":" + text
        if rng.random() < 0.5:
            text += b"-" + rng.choice([b"1", b"2", b"1.1", b"10", b"0", b"a", b"1."])
        texts.append(text)
    return texts


if __name__ == "__main__":
    for text in dict.fromkeys(build_sample()):
        sys.stdout.buffer.write(text + b"\n")
