"""Maven's order, checked against Maven 3.8.7's ComparableVersion.

SAMPLE, tests/version/data/maven_versions.txt, is every distinct version
served on 2026-12-01/02 for 2,310 Maven artifacts (3,378 texts); PACKAGES,
maven_packages.tsv, is every served version of a seeded 700 of the 2,262
artifacts with more than one.

ComparableVersion is not transitive. Where it contradicts itself (at the
first item where two versions part, one ranks below the version made of the
items they share and the other above it, yet it ranks the pair the other
way round), the scheme follows those signs instead; the oracle names such
pairs, they are left out, and none may occur among the real versions.
Texts go to Java as UTF-8, so every adversarial text is UTF-8, its
non-ASCII characters neither letters with a lowercase form nor digits (the
scheme lowercases and reads digits in ASCII only).
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

SAMPLE = "maven_versions.txt"
PACKAGES = "maven_packages.tsv"
ORACLE = ["/usr/bin/python3", os.path.join(HERE, "..", "oracles", "maven_oracle.py")]
SELF_CONTRADICTIONS = True

NUMBERS = ["0", "1", "2", "9", "10", "01", "007", "00", "000000000", "0000000000",
           "000000000000000000", "0000000000000000000", "999999999", "1000000000",
           "999999999999999999", "1000000000000000000", "123456789012345678901234567890",
           "2147483648", "0001"]
WORDS = ["alpha", "Alpha", "ALPHA", "a", "A", "b", "B", "m", "M", "beta", "milestone", "rc", "RC",
         "cr", "CR", "snapshot", "SNAPSHOT", "ga", "GA", "final", "Final", "FINAL", "release",
         "RELEASE", "sp", "SP", "jre", "android", "incubating", "x", "z", "pre", "dev", "alpha_1",
         "b_", "+build", "_", " ", "\u00e9", "\u4e2d", "\u00df", "r\u00e9c", "ga2", "alphabet",
         "spx", "c"]
SEPARATORS = [".", ".", ".", "-", "-", "", "..", "--", ".-", "-."]


def version(rng):
    text = rng.choice(["", "", "", "", "-", ".", "v"])
    for k in range(rng.randrange(1, 7)):
        if k:
            text += rng.choice(SEPARATORS)
        text += rng.choice(NUMBERS if rng.random() < 0.55 else WORDS)
    if rng.random() < 0.05:
        text += rng.choice(["-", ".", "--"])
    return text or "0"


def mutate(rng, text):
    """A real version with one piece replaced, inserted or cut."""
    at = rng.randrange(len(text) + 1)
    piece = rng.choice(NUMBERS + WORDS + SEPARATORS)
    return text[:at] + piece + text[at + rng.randrange(0, 3):] or "0"


def adversarial(rng):
    real = [line.rstrip("\n") for line in open(os.path.join(HERE, "..", "data", SAMPLE))]
    texts = {"1", "1.0-1", "1.0.alpha.1", "1-sp", "1-0-alpha", "-", ".", "..", "-1", ".1", "1-",
             "1.", "a1", "1a", "1.0.x1", "1.0-x1", "\u00e9"}
    while len(texts) < 4000:
        texts.add(version(rng))
    while len(texts) < 6000:
        texts.add(mutate(rng, rng.choice(real)))
    return sorted(t.encode("utf-8") for t in texts)
