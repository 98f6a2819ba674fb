"""version_satisfies_pep440 against packaging's SpecifierSet(text).contains(version).

    pep440_differential.py EXTENSION

Seeded specifier sets (every operator, wildcards, local labels, pre, post and
dev parts on both sides, ~= over two to four numbers, epochs, several
specifiers, white space, and texts the reference refuses) are each asked
about versions near the ones they name and about random ones from the
committed samples: Debian's Python packages (pep440_versions.txt), a seeded
sample of PyPI's current versions (pypi_versions.txt: 2000 plain releases
and 2000 others among the distinct valid versions of PyPI's index), and the
order's adversarial texts. Answers must agree: 1 / 0 with contains(), NULL
for a version Version() rejects, and the statement's error exactly where
the reference raises InvalidSpecifier or one of the refusals documented in
src/version/ranges/pep440.h applies.
"""
import importlib.util
import os
import random
import sqlite3
import sys

try:
    from packaging.specifiers import InvalidSpecifier, SpecifierSet
    from packaging.version import InvalidVersion, Version
except ImportError:
    print("SKIP: python3-packaging is not installed")
    sys.exit(77)

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
SPECIFIER_SETS = 5000
RANDOM_VERSIONS = 30


def load_versions_module():
    path = os.path.join(HERE, "..", "schemes", "pep440.py")
    spec = importlib.util.spec_from_file_location("pep440_versions", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


VERSIONS = load_versions_module()


def read_sample(name):
    with open(os.path.join(DATA, name), encoding="utf-8") as lines:
        return [line.rstrip("\n") for line in lines if line.strip()]


def parsed(text):
    try:
        return Version(text)
    except InvalidVersion:
        return None


# ---- generated specifier sets ----

OPERATORS = ["~=", "==", "!=", "<=", ">=", "<", ">", "==="]
SPACES = ["", "", "", " ", "  ", "\t", "\u00a0", "\u3000", "\x1f", "\u2028", "\x85"]
LOCALS = ["+local", "+ubuntu1", "+1", "+abc.5", "+Ab-01"]


class Generator:
    def __init__(self, rng, pool):
        self.rng = rng
        self.pool = pool

    def real(self):
        return self.rng.choice(self.pool)

    def odd(self):
        """One of the order's generated spellings, without its white space."""
        return VERSIONS.version(self.rng).strip()

    def release(self, low=1, high=4):
        rng = self.rng
        numbers = [str(rng.choice([0, 0, 1, 1, 2, 3, 9, 10, 2024])) for _ in range(rng.randint(low, high))]
        text = ".".join(numbers)
        if rng.random() < 0.1:
            text = rng.choice(["1!", "0!", "2!"]) + text
        if rng.random() < 0.05:
            text = rng.choice("vV") + text
        return text

    def version(self):
        rng = self.rng
        roll = rng.random()
        if roll < 0.4:
            return self.real()
        if roll < 0.7:
            return self.odd()
        text = self.release()
        text += rng.choice(["", "", "a1", "b2", "rc1", "c1", ".dev0", ".post1", "-1", "a1.dev1",
                            ".post2.dev3", "rc", ".r1", ".c1", ".POST1", ".pre.1", "A1"])
        return text

    def specifier(self):
        rng = self.rng
        op = rng.choice(OPERATORS)
        roll = rng.random()
        if op == "~=":
            if roll < 0.6:
                version = self.release(2, 4) + rng.choice(["", "", "a1", "rc1", "c1", ".post1",
                                                            ".dev0", ".c1", ".r1", ".rev1"])
            elif roll < 0.95:
                version = self.version()
            else:
                version = self.release(1, 1)
        elif op in ("==", "!="):
            if roll < 0.35:
                version = self.release() + ".*"
            elif roll < 0.5:
                version = self.version() + rng.choice(LOCALS)
            elif roll < 0.53:
                version = self.version() + ".*"
            else:
                version = self.version()
        elif op == "===":
            if roll < 0.5:
                version = str(Version(self.real()))
            elif roll < 0.7:
                version = self.version()
            elif roll < 0.85:
                version = str(Version(self.real())).upper()
            else:
                version = rng.choice(["", "foo", "1.0.*", "1.0-beta", "latest", "1.0 ", "1)", "a;b"])
        else:
            version = self.version()
            if roll < 0.05:
                version += rng.choice(LOCALS + [".*"])
        return op + rng.choice(SPACES) + version

    def specifier_set(self):
        rng = self.rng
        roll = rng.random()
        if roll < 0.01:
            return rng.choice(["", " ", "\t", " \u3000 "])
        specifiers = [self.specifier() for _ in range(rng.choice([1, 1, 2, 2, 2, 3, 4]))]
        text = ",".join(rng.choice(SPACES) + s + rng.choice(SPACES) for s in specifiers)
        if roll < 0.06:
            text = self.mutate(text)
        return text

    def mutate(self, text):
        rng = self.rng
        i = rng.randrange(len(text) + 1)
        return rng.choice([
            text + ",", "," + text, text + " , ", text[:i] + ",," + text[i:], text[:i] + text[i + 1:],
            text[:i] + rng.choice("=<>!~*;) .,+") + text[i:], text.upper(), "1.0" + text,
            text.replace("=", "", 1),
        ])


# Texts whose answers rest on packaging's less obvious readings, always asked.
QUIRKS = [
    "==0.*", "==0.0.*", "==1!2.0.*", "==1!2.*", "!=1!2.0.*", "==1!1.*,>=0a0", "==1.*,>=0a0",
    "~=1.0c1", "~=1.0rc1", "~=1.0.c1", "~=1.0.r1", "~=1.0.POST1", "~=1.0.A1", "~=1.0.c.1",
    "~=1.0.r.1", "~=v1!1.0", "~=1.0a.1", "~=1.0.pre.1", "===1.0,===1.0.0", "===1.0.0,===1.0",
    "===v1.0,===1.0", "===1.0,===v1.0", "===1.0A1", "===1.0prev\u0130ew1",
    "==1.0post1,==1.0po\u017ft1", "==1.0po\u017ft1,==1.0post1", ">1.0po\u017ft1",
    "==1.0+abc", "==1.0+ABC,!=1.0+abc", ">1.0", "<2.0", "<2.0rc1", ">1.0.post1", "<=1.0",
    ">=1.0a1,<1.0", "==1.0.*,>=0.dev0", "!=1.0.*,>=0a0", "~=1.0,!=1.0.5.*", "== 1.0",
    "==\u00a01.0", "\t>=1.0 , <2.0\n", "", " ", ",", ">=1.0,", ",>=1.0", ">=1.0,,<2",
    "===", "=== ", "===foo", "===1.0 ;", "~=1", "~=1.*", "==1.0a1.*", "<1.0+local",
    ">=1.0.*", "=1.0", "1.0", ">=1.0 <2.0", ">= v1.0", "==1.0 .*",
]


def near(spec_text):
    """Versions about the ones a set names: equal, padded, cut, with each kind of suffix."""
    out = []
    for item in spec_text.split(","):
        item = item.strip()
        version = item.lstrip("~=!<>").strip()
        wildcard = version.endswith(".*")
        if wildcard:
            version = version[:-2]
        v = parsed(version)
        if v is None:
            continue
        base = v.base_version
        out += [version, str(v), base, base + ".0", base + ".1", base + "a1", base + "rc1",
                base + ".dev0", base + ".post1", base + "+local", str(v) + "+local",
                str(v) + ".post1", str(v) + ".dev1", "1!" + base, base.rsplit(".", 1)[0]]
        if v.pre is None:
            out.append(str(v) + "a0")
        major, _, rest = base.partition(".")
        if major.isdigit():
            out += [str(int(major) + 1), str(int(major) + 1) + ".0a1"]
    return out


# ---- the reference ----

def refused(text):
    """The refusals beyond packaging's: empty specifiers beside a comma, and
    "===" with a text that is not a version."""
    items = [item.strip() for item in text.split(",")]
    if len(items) > 1 and any(not item for item in items):
        return True
    for item in items:
        if item.startswith("===") and parsed(item[3:].strip()) is None:
            return True
    return False


def reference_set(text):
    """The SpecifierSet, or None when the text is malformed here."""
    try:
        specifiers = SpecifierSet(text)
    except InvalidSpecifier:
        return None
    return None if refused(text) else specifiers


def reference_contains(specifiers, text):
    """1 / 0, None for a version the reference rejects, or "fails" where
    contains() itself raises for a valid version."""
    version = parsed(text)
    if version is None:
        return None
    try:
        return int(specifiers.contains(version))
    except InvalidVersion:
        return "fails"


# ---- the check ----

def open_extension(path):
    db = sqlite3.connect(":memory:")
    if not hasattr(db, "enable_load_extension"):
        print("SKIP: this Python's sqlite3 module cannot load extensions")
        sys.exit(77)
    db.enable_load_extension(True)
    db.load_extension(path)
    return db


def malformed_here(db, text):
    try:
        db.execute("SELECT version_satisfies_pep440('1.0', ?)", (text,)).fetchone()
        return False
    except sqlite3.OperationalError as error:
        expected = f"version_satisfies_pep440: malformed range: '{text}'"
        if str(error) != expected:
            sys.exit(f"unexpected error {str(error)!r} for {text!r}")
        return True


def main(extension):
    rng = random.Random(440)
    debian = read_sample("pep440_versions.txt")
    pypi = read_sample("pypi_versions.txt")
    adversarial = [t.decode("utf-8") for t in VERSIONS.adversarial(random.Random(7))[:1500]
                   if b"\x00" not in t and _utf8(t)]
    pool = list(dict.fromkeys(debian + pypi))
    candidates = list(dict.fromkeys(pool + adversarial))
    generator = Generator(rng, pool)
    db = open_extension(extension)

    texts = list(dict.fromkeys(QUIRKS + [generator.specifier_set() for _ in range(SPECIFIER_SETS)]))
    disagreements = []
    pairs = []
    malformed = 0
    for text in texts:
        specifiers = reference_set(text)
        if (specifiers is None) != malformed_here(db, text):
            disagreements.append(f"{text!r}: reference {'refuses' if specifiers is None else 'accepts'} it")
            continue
        if specifiers is None:
            malformed += 1
            continue
        versions = near(text) + rng.sample(candidates, RANDOM_VERSIONS)
        pairs += [(text, version, specifiers) for version in dict.fromkeys(versions)]

    db.execute("CREATE TABLE pairs(id INTEGER PRIMARY KEY, version TEXT, specifiers TEXT)")
    db.executemany("INSERT INTO pairs VALUES (?, ?, ?)",
                   ((i, version, text) for i, (text, version, _) in enumerate(pairs)))
    ours = [row[0] for row in db.execute(
        "SELECT version_satisfies_pep440(version, specifiers) FROM pairs ORDER BY id")]
    counted = {0: 0, 1: 0, None: 0, "fails": 0}
    for (text, version, specifiers), got in zip(pairs, ours):
        want = reference_contains(specifiers, version)
        counted[want] += 1
        if want == "fails":
            # Only a pre-release spelt with U+0130, whose normal form the
            # reference cannot read back, may make contains() itself fail.
            if "\u0307" not in "".join(map(str, Version(version).pre or ())):
                disagreements.append(f"{version!r} in {text!r}: the reference fails")
        elif got != want:
            disagreements.append(f"{version!r} in {text!r}: reference {want}, here {got}")

    for line in disagreements[:20]:
        print("disagreement:", line)
    print(f"pep440 specifier sets: {len(texts)} texts ({malformed} malformed), {len(pairs)} checks "
          f"over {len(candidates)} versions ({len(debian)} Debian, {len(pypi)} PyPI): "
          f"{counted[1]} in, {counted[0]} out, {counted[None]} not versions, "
          f"{counted['fails']} where the reference fails; {len(disagreements)} disagreements")
    return 1 if disagreements else 0


def _utf8(data):
    try:
        data.decode("utf-8")
        return True
    except UnicodeDecodeError:
        return False


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
