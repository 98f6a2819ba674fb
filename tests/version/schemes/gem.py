"""The gem scheme for the differential check against RubyGems' Gem::Version.

SAMPLE, tests/version/data/gem_versions.txt, is the 846 distinct upstream
versions of Debian 12's ruby-* packages (bookworm, bookworm-updates and
bookworm-security apt lists): each such package's own Version and the
versions its relations (Depends, Breaks, ...) and every other package's
relations name for it, with the epoch and the Debian revision cut off, a
+really suffix replaced by what follows it, +dfsg/+ds/+git and the like cut
off, and '~' turned back into RubyGems' '.' (Debian writes 1.0.0.rc1 as
1.0.0~rc1). PACKAGES, gem_packages.tsv, lists those versions per package for
the 504 packages that have more than one.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = "gem_versions.txt"
PACKAGES = "gem_packages.tsv"
ORACLE = ["/bin/sh", "-c", 'command -v ruby >/dev/null || exit 77; exec ruby "$0"',
          os.path.join(HERE, "..", "oracles", "gem_oracle.rb")]

_NUMBERS = [b"0", b"0", b"0", b"00", b"1", b"1", b"01", b"007", b"2", b"9", b"10"]
_BIG = [b"18446744073709551616", b"000000000000000000000000000000000000000001", b"9" * 70, b"9" * 300]
_LETTERS = [b"a", b"b", b"A", b"Z", b"pre", b"rc", b"beta", b"alpha", b"B", b"dev", b"z"]
_SPACES = [b" ", b"\t", b"\n", b"\x0b", b"\x0c", b"\r"]
_OTHER = [b".", b"-", b"..", b"--", b".-", b"-.", b"_", b"+", b"~", b"\0", b"\xff", b"\xc3\xa9", b"\x85",
          b"\xa0", b"v"]
_FIXED = [
    b"", b" ", b"\t\n", b"0", b"0.0", b"00", b"1", b"1.0", b"1.0.0", b"01.00", b"1.a", b"1.0.a",
    b"1.0.0.a", b"1.a.0", b"1.a.0.0", b"1.a.0.1", b"0.a", b"0.0.a", b"a", b"1a", b"1.0a1", b"1.0a",
    b"1-1", b"1.0-1", b"1-a", b"1--", b"1-", b"1.", b".1", b"1..0", b"1.0-rc.1", b"1.0.pre",
    b"1.0-pre", b" 1.0 ", b"1.0\n", b"\x0b1\x0c", b"1 .0", b"v1.0", b"1.0.0.1", b"1.0.0.0.1.a",
    b"1.0.0.0.1.a.0.0", b"1.b", b"1.B", b"1.ab", b"1.0.b1", b"1.0.b.1", b"1.0.0.b.0.1", b"1-.a",
    b"1-a.", b"1-a..b", b"1-a.-", b"1\0", b"\x001", b"1.0\0", b"1.pre", b"1-0", b"1.pre.0",
]


def _run(rng, pieces, most=3):
    text = b"".join(rng.choice(pieces) for _ in range(rng.randint(1, most)))
    return text + rng.choice(_BIG) if rng.random() < 0.03 else text


def _version(rng):
    """Mostly what correct? accepts: digits, '.' runs, a '-' part, white space."""
    text = _run(rng, _NUMBERS, 1)
    for _ in range(rng.randint(0, 5)):
        text += b"." + _run(rng, _NUMBERS + _LETTERS, 2)
    if rng.random() < 0.3:
        text += b"-" + _run(rng, _NUMBERS + _LETTERS + [b"-"])
        for _ in range(rng.randint(0, 2)):
            text += b"." + _run(rng, _NUMBERS + _LETTERS + [b"-"])
    if rng.random() < 0.15:
        text = _run(rng, _SPACES, 2) + text
    if rng.random() < 0.15:
        text += _run(rng, _SPACES, 2)
    return text


def _mutate(rng, text):
    at = rng.randint(0, len(text))
    piece = rng.choice(_NUMBERS + _LETTERS + _SPACES + _OTHER)
    return text[:at] + piece + text[at + rng.randint(0, 2):]


def adversarial(rng: random.Random) -> list[bytes]:
    texts = list(_FIXED)
    while len(texts) < 4000:
        text = _version(rng)
        texts.append(text)
        if rng.random() < 0.3:
            texts.append(_mutate(rng, text))
    # Every byte before, inside and after a version.
    for byte in (bytes([b]) for b in range(256)):
        texts += [byte + b"1.0", b"1" + byte + b"0", b"1.0" + byte, b"1.0-" + byte]
    return texts
