"""The apk scheme for the differential check against the Go port of
apk-tools' comparison (oracles/apk_oracle), with apk-tools 3's documented
format for validity.

SAMPLE, data/apk_versions.txt (this module run as a script writes it), is
Debian 12's real versions (data/deb_versions.txt and the
packages of data/deb_packages.tsv) and their rpm-shaped rewrites
(data/rpm_versions.txt), each rewritten as Alpine writes the same release:
the upstream's numbers and one letter, '~rcN'/'+gitDATE'/'^DATEgitHASH'
and the like as suffixes (_rcN, _gitDATE) and a ~hash, the package
revision as -rN. The oracle leaves out pairs in the classes where the port
departs from apk-tools (hashes, numbers past 2^63, leading zeros on both
sides); tests/version/schemes/apk_test.cpp checks those by hand.
"""
import os
import random
import re
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ORACLE = [os.path.join(HERE, "..", "oracles", "apk_oracle.sh")]

_SUFFIX = re.compile(rb"(alpha|beta|pre|rc|cvs|svn|git|hg|p)([0-9]*)")
# A commit hash: seven or more hex digits, a letter among them.
_HASH = re.compile(rb"git\.?((?=[0-9]*[a-f])[0-9a-f]{7,40})\b|\.((?=[0-9]*[a-f])[0-9a-f]{7})$")


def rewrite(version):
    """A Debian or rpm version as apk writes it."""
    text = re.sub(rb"^[0-9]+:", b"", version)
    upstream, _, revision = text.rpartition(b"-") if b"-" in text else (text, b"", b"")
    numbers = re.match(rb"[0-9]+(\.[0-9]+)*", upstream)
    out = numbers.group(0) if numbers else b"0"
    rest = upstream[len(out):] if numbers else upstream
    if re.match(rb"[a-z](?![a-z])", rest):
        out += rest[:1]
    for name, number in _SUFFIX.findall(rest):
        out += b"_" + name + number
    found = _HASH.search(rest)
    if found:
        out += b"~" + (found.group(1) or found.group(2))
    release = re.match(rb"[0-9]+", revision)
    if release:
        out += b"-r" + release.group(0)
    # A fixed share gets leading zeros on a ".number", as some upstreams write.
    if zlib.crc32(version) % 17 == 0:
        out = re.sub(rb"\.([0-9])", rb".0\1", out, count=1)
    return out


def _lines(name):
    with open(os.path.join(HERE, "..", "data", name), "rb") as lines:
        return [line.rstrip(b"\n") for line in lines if line.strip()]


SAMPLE = "apk_versions.txt"


def build_sample():
    """What SAMPLE holds."""
    return [rewrite(v) for v in _lines("deb_versions.txt") + _lines("rpm_versions.txt")]


def packages():
    rows = [line.partition(b"\t")[::2] for line in _lines("deb_packages.tsv")]
    return [(package, rewrite(version)) for package, version in rows]


_PIECES = [
    b".0", b".00", b".1", b".01", b".001", b".0015", b".002", b".9", b".10", b".123",
    b".9223372036854775807", b".18446744073709551616", b"a", b"b", b"z", b"_alpha", b"_beta",
    b"_pre", b"_rc", b"_cvs", b"_svn", b"_git", b"_hg", b"_p", b"1", b"2", b"10", b"0", b"00",
    b"~1234abcd", b"~ab", b"-r0", b"-r1", b"-r10", b"-r", b".", b"-", b"_",
    b"~", b"A", b"_foo", b"\xff", b"\0", b" ",
]
_FIXED = [
    b"", b"0", b"1", b"a", b".1", b"_pre1", b"-r1", b"0.1a1", b"0.1-r", b"0.1-r2-r3",
    b"6.0_pre1", b"6.0", b"8.2.0", b"8.2.001", b"8.2.0015", b"8.2.002", b"1.0", b"1.00",
    b"0.1_pre2~1234abcd", b"1.0.2z", b"12.2.0-r13", b"12.2.0-r4", b"1.2.3_alpha",
    b"1.2.3_p1", b"9223372036854775808", b"18446744073709551616.1", b"1_p1_alpha",
]


def adversarial(rng: random.Random) -> list[bytes]:
    texts = list(_FIXED)
    while len(texts) < 6000:
        head = rng.choice([b"0", b"1", b"2", b"01", b"10", b"20230101", b"a"])
        text = head + b"".join(rng.choice(_PIECES) for _ in range(rng.randint(0, 6)))
        texts.append(text)
    # Valid chains of every part, the shapes apk-tools' own tests use.
    for _ in range(4000):
        text = rng.choice([b"0", b"1", b"2", b"3", b"12", b"007"])
        text += b"".join(rng.choice([b".0", b".1", b".2", b".10", b".05"])
                         for _ in range(rng.randint(0, 3)))
        if rng.random() < 0.3:
            text += rng.choice([b"a", b"b", b"z"])
        for _ in range(rng.randint(0, 2)):
            text += b"_" + rng.choice([b"alpha", b"beta", b"pre", b"rc", b"cvs", b"svn", b"git",
                                       b"hg", b"p"]) + rng.choice([b"", b"0", b"1", b"2", b"10"])
        if rng.random() < 0.1:
            text += b"~" + rng.choice([b"0", b"abc", b"1234abcd"])
        if rng.random() < 0.5:
            text += b"-r" + rng.choice([b"0", b"1", b"2", b"10", b"01"])
        texts.append(text)
    return texts


if __name__ == "__main__":
    for text in dict.fromkeys(build_sample()):
        sys.stdout.buffer.write(text + b"\n")
