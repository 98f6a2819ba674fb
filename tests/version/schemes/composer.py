"""The composer scheme for the differential check against composer/semver.

SAMPLE, tests/version/data/composer_versions.txt, is the 417 distinct
upstream versions of Debian 12's php-* packages (bookworm, bookworm-updates
and bookworm-security apt lists): each such package's own Version and the
versions its relations (Depends, Breaks, ...) and every other package's
relations name for it, with the epoch and the Debian revision cut off, a
+really suffix replaced by what follows it, +dfsg/+ds/+git and the like cut
off, and '~' turned back into Composer's '-' (Debian writes 1.0.0-RC1 as
1.0.0~RC1); some of those are not versions to Composer. PACKAGES,
composer_packages.tsv, lists the valid ones per package for the 310 packages
that have more than one.
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = "composer_versions.txt"
PACKAGES = "composer_packages.tsv"
ORACLE = ["/bin/sh", "-c",
          'command -v php >/dev/null && [ -f /usr/share/php/Composer/Semver/autoload.php ] || exit 77; '
          'exec php "$0"', os.path.join(HERE, "..", "oracles", "composer_oracle.php")]

_NUMBERS = [b"0", b"0", b"1", b"1", b"2", b"01", b"007", b"10", b"12345", b"123456", b"2024",
            b"20240101", b"9999999"]
_BIG = [b"9223372036854775807", b"9223372036854775808", b"18446744073709551616", b"9" * 40]
_WORDS = [b"alpha", b"ALPHA", b"Alpha", b"a", b"A", b"beta", b"b", b"B", b"BETA", b"RC", b"rc", b"Rc",
          b"patch", b"PATCH", b"pl", b"PL", b"p", b"P", b"stable", b"STABLE", b"Stable", b"dev", b"DEV",
          b"Dev", b"alph", b"bet", b"pre", b"preview", b"snapshot", b"x", b"X", b"*"]
_SEPARATORS = [b".", b"-", b"_", b"", b"", b".-", b"--", b":", b"+"]
_SPACES = [b" ", b"\t", b"\n", b"\x0b", b"\x0c", b"\r"]
_OTHER = [b"v", b"V", b"@", b"@dev", b"@stable", b"@beta", b"@RC", b"@alpha", b" as ", b"  as  ",
          b"+build", b"+", b",", b"#", b"\0", b"\xff", b"\xc3\xa9", b"dev-", b"DEV-", b"-dev", b".dev",
          b"master", b"trunk", b"default", b"main"]
_FIXED = [
    b"", b" ", b"1", b"1.0", b"1.0.0", b"1.0.0.0", b"1.0.0.0.0", b"v1.0", b"V1.0", b"vv1", b"1.0-dev",
    b"1.0.x-dev", b"1.x-dev", b"1.*-dev", b"1.X-dev", b"1.2.3.x-dev", b"1.2.3.4.x-dev", b"v1.x-dev",
    b"dev-master", b"dev-main", b"DEV-main", b"Dev-Main", b"master", b"trunk", b"default", b"main",
    b"dev-", b"dev", b"-dev", b"x-dev", b"foo-dev", b"1.0-a1", b"1.0.beta2", b"1.0-p1", b"1.0-pl1",
    b"1.0-patch", b"1.0-stable", b"1.0-STABLE", b"1.0-Stable1", b"1.0-stable-dev", b"1.0-rc", b"1.0RC1",
    b"1.0-RC1-dev", b"1.0-beta.1.2", b"1.0-beta-1-2", b"1.0-beta1.-2", b"2024-01-01", b"2024.01.01",
    b"20240101", b"20240101123456", b"2024-01-01-12-30-45-123", b"2024:01:01", b"2024-01-01.dev",
    b"2024010", b"202401011", b"12345", b"123456", b"1.0+build", b"1.0+", b"+1", b"1.0@dev",
    b"1.0@DEV", b"1.0@dev@dev", b"1.0 as 2.0", b"1.0  as  2.0", b"1.0 AS 2.0", b"1.0 as", b"dev-a as 1",
    b"1.0\n@dev", b"1.0+a\n@dev", b"1.x-dev\n@dev", b"x\n1.2-dev", b"a\nb-dev", b"1.0 -dev", b" 1.0 ",
    b"\x0c1.0", b"1.0\x0c", b"1.0\0", b"\x001.0", b"1.9223372036854775807", b"1.9223372036854775808",
    b"1.99999999999999999999", b"1.0.0.0-alpha", b"1.0.0.0-a", b"1.0-dev-dev", b"1.0.dev", b"1.0_dev",
    b"1.0-beta_1", b"1.0_beta1", b"1-b", b"1b", b"1.0.0-pl", b"1.0.0.patch1", b"0", b"00.00",
]


def _run(rng, pieces, most=2):
    text = b"".join(rng.choice(pieces) for _ in range(rng.randint(1, most)))
    return text + rng.choice(_BIG) if rng.random() < 0.03 else text


def _classical(rng):
    text = rng.choice([b"", b"", b"", b"v", b"V"]) + rng.choice(_NUMBERS)
    for _ in range(rng.randint(0, 4)):
        text += b"." + _run(rng, _NUMBERS, 1)
    return text


def _date(rng):
    text = rng.choice([b"", b"v"]) + rng.choice([b"2024", b"1999", b"0000"])
    for _ in range(rng.randint(1, 7)):
        text += rng.choice([b"", b".", b":", b"-"]) + rng.choice([b"01", b"12", b"9", b"123", b"0"])
    return text


def _modifier(rng):
    text = b""
    if rng.random() < 0.6:
        text += rng.choice(_SEPARATORS) + rng.choice(_WORDS)
        for _ in range(rng.randint(0, 2)):
            text += rng.choice(_SEPARATORS) + _run(rng, _NUMBERS, 1)
    if rng.random() < 0.3:
        text += rng.choice(_SEPARATORS) + rng.choice([b"dev", b"DEV", b"Dev"])
    return text


def _version(rng):
    roll = rng.random()
    if roll < 0.12:
        text = rng.choice([b"dev-", b"DEV-", b"Dev-"]) + _run(rng, _WORDS + _NUMBERS + _SEPARATORS, 3)
    elif roll < 0.25:
        text = _classical(rng)[:rng.randint(1, 12)] + rng.choice([b"-dev", b".dev", b"dev", b".x-dev"])
    else:
        text = (_date(rng) if roll < 0.4 else _classical(rng)) + _modifier(rng)
    if rng.random() < 0.05:
        text += rng.choice([b"+build.1", b"+", b"+a b"])
    if rng.random() < 0.05:
        text += rng.choice([b"@dev", b"@stable", b"@Beta", b"@rc"])
    if rng.random() < 0.04:
        text += rng.choice([b" as ", b"  as ", b" as  "]) + _classical(rng)
    if rng.random() < 0.1:
        text = rng.choice(_SPACES) + text
    if rng.random() < 0.1:
        text += rng.choice(_SPACES)
    return text


def _mutate(rng, text):
    at = rng.randint(0, len(text))
    piece = rng.choice(_NUMBERS + _WORDS + _SEPARATORS + _SPACES + _OTHER)
    return text[:at] + piece + text[at + rng.randint(0, 2):]


def adversarial(rng: random.Random) -> list[bytes]:
    texts = list(_FIXED)
    while len(texts) < 6000:
        text = _version(rng)
        texts.append(text)
        if rng.random() < 0.4:
            texts.append(_mutate(rng, text))
    # Every byte before, inside and after a version and a branch.
    for byte in (bytes([b]) for b in range(256)):
        texts += [byte + b"1.0", b"1" + byte + b"0", b"1.0" + byte, b"1.0-" + byte + b"1",
                  b"dev-" + byte, byte + b"dev-a", b"1.0" + byte + b"dev"]
    return texts
