"""Debian package versions ([epoch:]upstream[-revision]) for the differential driver."""
import os
import random

SAMPLE = "deb_versions.txt"
PACKAGES = "deb_packages.tsv"
ORACLE = ["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "..", "oracles",
                                           "deb_oracle.py")]

# Pieces that sit on the rules' edges: epochs near dpkg's limit, '~' runs,
# numbers past 64 bits, separators and bytes dpkg refuses.
_EPOCHS = ["", "0:", "00:", "1:", "01:", "+1:", "-0:", "-00:", "-1:", "+:", ":", "a:",
           "2147483647:", "2147483648:", "02147483647:", "+2147483647:", "-2147483648:",
           "99999999999999999999:", " 1:", "1 :", "\n1:", "\f\r-0:", "\n 1:", "\v+2:",
           "\n1\n:"]
_NUMBERS = ["0", "00", "1", "01", "9", "10", "007", "18446744073709551615",
            "18446744073709551616", "000018446744073709551616", "9" * 40, "1" + "0" * 70]
_SEPARATORS = [".", "+", "~", "~~", "-", ":", "", "a", "Z", "b", "~a", ".~", "+~"]
_BAD = ["_", "@", " ", "\t", "\n", "\0", "\x80", "\xe9", "/", "!", ",", "="]
_ALPHABET = "0123456789.+~-:abzAZ"


def _upstream(rng: random.Random) -> str:
    parts = [rng.choice(_NUMBERS)]
    for _ in range(rng.randrange(4)):
        parts.append(rng.choice(_SEPARATORS))
        parts.append(rng.choice(_NUMBERS + ["", "rc", "beta", "dfsg"]))
    return "".join(parts)


def _structured(rng: random.Random) -> str:
    text = rng.choice(_EPOCHS) + _upstream(rng)
    if rng.random() < 0.6:
        text += "-" + rng.choice(["", "1", "0", "00", "~", "+b1", "1~bpo1", "deb12u1", "a:b",
                                  "1-2", "1.0+", rng.choice(_NUMBERS)])
    if rng.random() < 0.1:
        at = rng.randrange(len(text) + 1)
        text = text[:at] + rng.choice(_BAD) + text[at:]
    if rng.random() < 0.1:
        text = rng.choice([" ", "\t", "  "]) + text + rng.choice(["", " ", "\t "])
    return text


def _noise(rng: random.Random) -> str:
    return "".join(rng.choice(_ALPHABET) for _ in range(rng.randrange(1, 12)))


def adversarial(rng: random.Random) -> list:
    texts = {"", " ", "1", "0", "a", "1-", "-1", "1:", ":1", "1--1", "1:2:3", "1:2-3:4",
             "1.0~rc1", "1.0", "1.0-0", "1.0-~", "0:1.0", "1 2", " 1.0 ", "1\0"}
    # Every byte where the word- and vector-wide checks can slip: in a first
    # short word, in a word of its own, and in a last word that overlaps.
    for byte in map(chr, range(256)):
        texts.update(f"{head}{byte}{tail}" for head, tail in
                     [("1", ""), ("1.0", "-1"), ("1.2.3.4.5", "6-1"), ("1.2.3.4.5.6.7.8.9", "-1+b1")])
    while len(texts) < 4000:
        texts.add(_structured(rng) if rng.random() < 0.75 else _noise(rng))
    return [t.encode("latin-1") for t in sorted(texts)]
