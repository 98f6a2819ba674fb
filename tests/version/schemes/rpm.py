"""The rpm scheme for the differential check against python3-rpm.

SAMPLE, tests/version/data/rpm_versions.txt, is 4580 epoch:version-release
texts shaped as RPM packages carry them: the upstream versions of a seeded
random 4000 of Debian 12's apt lists (the Version: fields of bookworm,
bookworm-updates and bookworm-security, with the epoch, the Debian revision,
~debNuM/+bN and +dfsg/+ds/+repack/+really suffixes cut off and '-' turned into
'.'), some given '~rcN', '~betaN' or '^YYYYMMDDgitHASH' and an epoch, most
given a Fedora- or EL-style release ('3.fc39', '0.2.rc1.el9', '1.el8_6.2',
'0.20230101git1234abc.fc38', '1.mga9'), plus 300 of them again with another
release and without one.
"""
import os
import random

SAMPLE = "rpm_versions.txt"
ORACLE = ["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "..", "oracles", "rpm_oracle.py")]

_PIECES = [
    b"0", b"00", b"1", b"01", b"007", b"2", b"9", b"10", b"18446744073709551615",
    b"18446744073709551616", b"000000000000000000000000000000000000000001",
    b"9" * 70, b"a", b"A", b"z", b"Z", b"rc", b"beta", b"fc39", b"el9_2", b"git",
    b"~", b"~~", b"^", b"^^", b"~^", b"^~", b".", b"..", b"._", b"_", b"+", b"-",
    b"--", b":", b"::", b" ", b"\t", b"\x7f", b"\x80", b"\xc3\xa9", b"\xff", b"\x01",
]
_FIXED = [
    b"", b"\0", b"1\0", b"\x001", b"-", b":", b"::", b":-", b"-:", b"~", b"^", b".",
    b"1", b"1-", b"-1", b"1:", b":1", b"0:1", b"00:1", b"a:1", b"1a:1", b"1:2:3",
    b"1-2-3", b"1:2-3-4", b"-1:2", b"1~", b"1^", b"1~~", b"1^^", b"1~^", b"1^~",
    b"1..2", b"1._2", b"1.2", b"12", b"1a", b"1.a", b"a1", b"1-~", b"1-^", b"1-0",
    b"~1", b"^1", b"1.0", b"1.00", b"01", b"18446744073709551616.1",
]


def _piece_text(rng):
    return b"".join(rng.choice(_PIECES) for _ in range(rng.randint(1, 7)))


def _evr(rng):
    text = _piece_text(rng)
    if rng.random() < 0.3:
        text = rng.choice([b"", b"0", b"1", b"01", b"2", b"a", b"99999999999999999999"]) + b":" + text
    if rng.random() < 0.5:
        text += b"-" + _piece_text(rng)
    return text


def _mutate(rng, text):
    """A small edit of a text, so that near neighbours get compared."""
    at = rng.randint(0, len(text))
    return text[:at] + rng.choice(_PIECES) + text[at + rng.randint(0, 2):]


def adversarial(rng: random.Random) -> list[bytes]:
    texts = list(_FIXED)
    while len(texts) < 3000:
        text = _evr(rng)
        texts.append(text)
        if rng.random() < 0.3:
            texts.append(_mutate(rng, text))
        if rng.random() < 0.02:
            texts.append(text[: rng.randint(0, len(text))] + b"\0" + text)
    # Every byte where the collation's word- and lane-wide checks can slip:
    # in a first short word, at a word's edges, and in a last sixteen bytes
    # that overlap those before, each beside a neighbour that shares the rest.
    for byte in (bytes([b]) for b in range(256)):
        for head, tail in [(b"1", b""), (b"1.0", b"-1"), (b"1.2.3.4", b"-1.fc39"),
                           (b"1.2.3.4.5.6.7.8.9", b"-1.el9_2"), (b"2:1.2.3-4.", b"5")]:
            texts += [head + byte + tail, head + b"0" + tail]
    # Every byte at the edges of the sixteen-byte chunks keys are classed in,
    # up to and past the length they are walked from instead, beside a
    # neighbour that shares the rest.
    for byte in (bytes([b]) for b in range(256)):
        for at in (15, 16, 31, 32, 47, 48, 62, 63):
            head = (b"10.2a~3^" * 8)[:at]
            texts += [head + byte + b"7-1", head + b"0" + b"7-1"]
    # Numbers and letter runs of every length a segment's sixteen payload
    # bytes hold and a few more, leading zeros or not, across those edges.
    for size in range(1, 40):
        for lead in (b"", b"1.", b"1.2.3.4.5.6.7.", b"12.34.56.78.90.1"):
            for zeros in (b"", b"000", b"0" * 15):
                texts.append(lead + zeros + (b"1234567890" * 4)[:size] + b"-" + zeros + b"1")
            texts.append(lead + (b"abcdefghijklmnopqrstuvwxyz" * 2)[:size] + b"1")
            texts.append(lead + b"0" * size + b"a")
    return texts
