"""Go modules' order, checked against golang.org/x/mod/semver.

SAMPLE, tests/version/data/go_versions.txt, is every distinct version served
on 2026-12-01/02 for 1,244 Go modules (2,395 texts); PACKAGES,
go_packages.tsv, is every served version of a seeded 500 of the 931 modules
with more than one.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))

SAMPLE = "go_versions.txt"
PACKAGES = "go_packages.tsv"
ORACLE = ["/usr/bin/python3", os.path.join(HERE, "..", "oracles", "go_oracle.py")]

NUMBERS = ["0", "1", "2", "9", "10", "01", "00", "99999999999999999999",
           "18446744073709551616", "123456789012345678901234567890"]
IDS = ["0", "1", "2", "10", "00", "01", "0a", "a", "A", "-", "--", "alpha", "beta", "rc", "pre",
       "20240110084000", "0a5e8f1c3b2d", "incompatible", "99999999999999999999", "x-y", "", "_",
       "\u00e9", "a b"]
BUILD = ["incompatible", "0", "00", "01", "build", "a-b", "", "_", "meta.data"]


def identifiers(rng, pool):
    return ".".join(rng.choice(pool) for _ in range(rng.randrange(1, 4)))


def pseudo(rng):
    """The three shapes of pseudo-versions, with a time and a commit hash."""
    stamp = "".join(rng.choice("0123456789") for _ in range(14))
    commit = "".join(rng.choice("0123456789abcdef") for _ in range(12))
    shape = rng.randrange(3)
    major = rng.choice(["0", "1", "2", "10"])
    if shape == 0:
        return f"v{major}.0.0-{stamp}-{commit}"
    if shape == 1:
        return f"v{major}.2.3-{rng.choice(['pre', 'rc.1', 'beta.2'])}.0.{stamp}-{commit}"
    return f"v{major}.2.4-0.{stamp}-{commit}"


def version(rng):
    text = rng.choice(["v", "v", "v", "v", "V", "", "vv", " v"])
    text += ".".join(rng.choice(NUMBERS) for _ in range(rng.choice([1, 2, 3, 3, 3, 3, 4])))
    if rng.random() < 0.5:
        text += "-" + identifiers(rng, IDS)
    if rng.random() < 0.3:
        text += "+" + identifiers(rng, BUILD)
    return text


def adversarial(rng):
    texts = set()
    while len(texts) < 4000:
        roll = rng.random()
        text = pseudo(rng) if roll < 0.25 else version(rng)
        if rng.random() < 0.1:
            text += "+incompatible"
        data = text.encode("utf-8")
        if rng.random() < 0.02:
            at = rng.randrange(len(data) + 1)
            data = data[:at] + rng.choice([b"\0", b"\xff", b"\xc3", b"\t"]) + data[at:]
        texts.add(data)
    return sorted(texts)
