"""version_satisfies_semver against npm's own semver.satisfies.

    npm_differential.py EXTENSION [RANGES [SEED]]

Generated ranges (every form of npm's grammar, prerelease tags on both
sides, X-ranges, hyphen ranges with partial ends, '||' mixes, spacing and
prefix variants, and random edits of them) are each asked about every
valid version of the committed npm sample, through SQL and through npm's
semver run from node. A range npm refuses (validRange() null) must be an
error here; a range npm reads must give npm's answer for every version,
unless it is one of the documented refusals (docs/ranges_npm.md), which
refusal() below recognises from the text on its own.
"""
import json
import os
import random
import re
import sqlite3
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
ORACLES = os.path.join(HERE, "..", "oracles")
ORACLE = [os.path.join(ORACLES, "install"), "node", os.path.join(ORACLES, "semver_oracle.js")]
BATCH = 100

# JavaScript's white space, as trim() and \s see it.
SPACES = "\t\n\x0b\x0c\r \u00a0\u1680\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008" \
         "\u2009\u200a\u2028\u2029\u202f\u205f\u3000\ufeff"

# ---- the documented refusals, recognised from the text alone ----

XID = r"(?:0|[1-9]\d*|[xX*])"
PRE_ID = r"(?:\d*[a-zA-Z-][a-zA-Z0-9-]*|0|[1-9]\d*)"
PARTIAL = re.compile(rf"[v= ]*({XID})(?:\.({XID})(?:\.({XID})(?:-({PRE_ID}(?:\.{PRE_ID})*))?)?)?")
BUILD = re.compile(r"\+[a-zA-Z0-9-]+(?:\.[a-zA-Z0-9-]+)*")


def is_x(part):
    return part is None or part in ("x", "X", "*")


def partly_read(match):
    """A partial npm reads only in part: a number or a prerelease after an x."""
    major, minor, patch, pre = match.groups()
    if is_x(major) and not is_x(minor):
        return True
    if is_x(minor) and patch is not None and not is_x(patch):
        return True
    return pre is not None and (is_x(major) or is_x(minor) or is_x(patch))


def refusal(text):
    """Why a range npm reads is malformed here, or None."""
    normal = re.sub(f"[{SPACES}]+", " ", text.strip(SPACES))
    alternatives = [a.strip(" ") for a in normal.split("||")]
    if len(alternatives) > 1 and "" in alternatives:
        return "empty alternative"
    for alternative in alternatives:
        for build in BUILD.finditer(alternative):
            before = alternative[build.start() - 1] if build.start() else " "
            after = alternative[build.end():build.end() + 1]
            if not (before.isalnum() or before in "-*") or after not in ("", " "):
                return "build not after a version"
        alternative = BUILD.sub("", alternative)
        ends = re.fullmatch(r"(.*?) - (.*)", alternative)
        if ends and all(PARTIAL.fullmatch(end) for end in ends.groups()):
            if any(partly_read(PARTIAL.fullmatch(end)) for end in ends.groups()):
                return "partly read partial"
            continue
        # Operators joined to what follows them, as npm's trims do.
        joined = re.sub(r"(^| )([<>]?=?|~>?|\^) (?=[v=]*[0-9xX*])", r"\1\2", alternative)
        for token in joined.split(" "):
            body = re.fullmatch(r"(?:\^|~>?|[<>]?=?)(.*)", token).group(1)
            match = PARTIAL.fullmatch(body)
            if match and partly_read(match):
                return "partly read partial"
            if "*" in token and not match:
                return "stray star"
    return None


# ---- generated ranges ----

class Generator:
    def __init__(self, rng, versions):
        self.rng = rng
        self.bases = []
        for text in rng.sample(versions, 400):
            core, _, pre = text.lstrip("v").partition("+")[0].partition("-")
            self.bases.append((core.split("."), pre))
        self.bases += [(["0", "0", "0"], ""), (["0", "0", "1"], "0"), (["0", "1", "0"], "alpha.1"),
                       (["1", "0", "0"], "rc.1"), (["1", "2", "3"], "beta"),
                       (["9007199254740990", "0", "0"], ""), (["9007199254740991", "1", "1"], "")]
        self.tags = ["0", "1", "alpha", "alpha.1", "beta", "beta.2", "rc.1", "rc.10", "x", "X-1",
                     "0a", "a.b.c", "next", "canary.0"]
        # Most ranges are kept to forms npm reads, so that most are compared
        # version by version; the rest take any form and edits.
        self.clean = True

    def pick(self, options):
        return self.rng.choice(options)

    def chance(self, p):
        return self.rng.random() < p

    def numbers(self):
        parts, pre = self.pick(self.bases)
        parts = list(parts)
        if self.chance(0.2):
            k = self.rng.randrange(3)
            parts[k] = str(int(parts[k]) + self.pick([1, -1, 0]) if parts[k] != "0" else 1)
        if not self.clean and self.chance(0.05):
            parts[self.rng.randrange(3)] = self.pick(["01", "99999999999999999999",
                                                      "9007199254740992"])
        return parts, pre

    def prefix(self):
        if self.clean:
            return self.pick([""] * 10 + ["v", "="])
        return self.pick([""] * 30 + ["v"] * 3 + ["=", "v=", "=v", "vv", "==", "v ", "= "])

    def build(self):
        return self.pick([""] * 20 + ["+build", "+b.1", "+0", "+exp.sha.5114f85"])

    def full(self):
        parts, pre = self.numbers()
        if self.chance(0.3):
            pre = self.pick(self.tags + ([] if self.clean else ["01"])) if not pre or self.chance(0.5) else pre
        elif self.chance(0.5):
            pre = ""
        return ".".join(parts) + ("-" + pre if pre else "") + self.build()

    def partial(self):
        parts, pre = self.numbers()
        shape = self.rng.randrange(9)
        x = self.pick(["x", "X", "*"])
        if shape == 0:
            out = [parts[0]]
        elif shape == 1:
            out = parts[:2]
        elif shape == 2:
            out = [parts[0], x]
        elif shape == 3:
            out = [parts[0], x, x]
        elif shape == 4:
            out = parts[:2] + [x]
        elif shape == 5:
            out = [x]
        elif shape == 6:
            out = [x, x, x] if self.chance(0.5) else [x, x]
        elif shape == 7:  # a number after an x: read in part by ~, ^ and hyphens
            out = [parts[0], x, parts[2]] if self.chance(0.5) else [x, parts[1]]
        else:
            out = parts
        text = ".".join(out)
        if len(out) == 3 and self.chance(0.15):
            text += "-" + (pre or self.pick(self.tags))
        return text + self.build()

    def version(self):
        return self.full() if self.chance(0.55) else self.partial()

    def space(self):
        return self.pick(["", "", "", " ", " ", "  ", "\t", "\u00a0", "\n "])

    def comparator(self):
        form = self.rng.randrange(19 if self.clean else 20)
        if form < 8:
            op = self.pick(["", "", "=", "<", "<=", ">", ">="])
            return op + (self.space() if op else "") + self.prefix() + self.version()
        if form < 12:
            return self.pick(["~", "~>"]) + self.space() + self.prefix() + self.version()
        if form < 16:
            return "^" + self.space() + self.prefix() + self.version()
        if form < 19:
            return self.pick(["*", "x", "X", "x.x", "*.*.*", ">=*", "<*", ">x", "<=x", "=*",
                              ">=0.0.0", ">= 0.0.0", ">=0.0.0-0", "<0.0.0-0", ">=0", "^*", "~x"])
        return self.pick(["< =", "> =", "=<", "=>", "<>", "~^", "^~", ">>", "<<"]) + self.version()

    def alternative(self):
        if self.chance(0.2):
            dash = self.pick([" - "] * 8 + ([] if self.clean else ["-", " -", "- "]) +
                             [" \t- ", "  -  "])
            return self.prefix() + self.version() + dash + self.prefix() + self.version()
        if not self.clean and self.chance(0.05):
            return ""
        count = self.pick([1, 1, 1, 2, 2, 3])
        return self.pick([" ", " ", "  ", "\t", "\u3000"]).join(
            self.comparator() for _ in range(count))

    def range(self):
        self.clean = self.chance(0.6)
        count = self.pick([1, 1, 1, 2, 2, 3])
        text = self.pick(["||", " || ", " ||", "|| ", "  ||  ", "\t||\n"]).join(
            self.alternative() for _ in range(count))
        if self.chance(0.1):
            text = self.space() + text + self.space()
        if self.chance(0.04):
            text = self.pick(["\ufeff", "\u2028", "\x0b"]) + text
        if not self.clean and self.chance(0.25):
            text = self.mutate(text)
        return text

    def mutate(self, text):
        i = self.rng.randrange(len(text) + 1)
        kind = self.rng.randrange(3)
        if kind == 0:
            return text[:i] + self.pick(list("*+-.|v=<>~^xX 0a_")) + text[i:]
        if kind == 1:
            return text[:i] + text[i + 1:]
        return text[:i] + text[i:i + 1] * 2 + text[i + 1:]


# Hand-picked ranges where npm's reading is easy to get wrong.
FIXED = [
    "", " ", "*", "x", "||", "1.0.0 ||", "|| 1.0.0", "1.0.0 |||| 2.0.0", "1.0.0 ||| 2.0.0",
    ">=1.0.0 || garbage", "1.0.0-rc.1 || *", "1.0.0-rc.1 || >=0.0.0", "1.0.0-rc.1 || >=v0.0.0",
    ">=0.0.0 <0.0.0-beta.5", "^0.0.0", "0.0.0 - *", "v0.0.0 - *", "< =1.2.3", "< = 1.2.3",
    "> = 1.2.3", ">= v1.2.3", ">=v=1.2.3", "==1.2.x", "==1.2.3", "=v1.2.3", "v=1.2.3", "=v=1.x",
    "vvv1.x", "^v=v1.2.3", "~> 1.2", "~ >1.2", "~ > 1.2", "~>=1.2", "^ 1.2", "^  1.2",
    "1.2 - = 2", "= 1.2 - 2", "v 1.2.3 - 2", "=1.2.3 - 2", "v1.2.3 - v2.3.4", "1.2.3 -2",
    "1.2.3- 2", "1.2.3 - 2.3.4 - 3", "1.2.3+build", "1.2+b.3", "+build", "1.2.3 +build",
    ">=+b1.2.3", "1.2.3+a+b", "1.0.0-+b", "1.2.3*", "*1.2.3", ">=*1.2.3", "1.2.3-beta*", "1.*.3",
    "1.x.3", "~1.x.3", "^x.2", "x.5 - 2", "1.2.x-beta", "^1.x.x-rc", "1.x.x-rc - 2",
    "x.x.x-beta", "<*", ">*", "<=x", ">=x", "^9007199254740991.0.0", "~9007199254740990",
    "<=9007199254740990.x", ">9007199254740991", "1.2.3-" + "a" * 250, "1.2.3-" + "a" * 251,
    "v1.2.3-" + "a" * 250, "~v1.2.3-" + "a" * 250, "1.2.3 \u3000 - \ufeff2", "\u00a01.2.3\u2028",
    "1.2.3\u200b", "1.2.3 \x00", ">=1.2.3 <", "<1.2.3 >", "1.2.3 v 1.2.4", "1.2.3 = 1.2.4",
]


def read_versions():
    texts = []
    with open(os.path.join(DATA, "semver_versions.txt"), encoding="utf-8") as lines:
        texts += [line.rstrip("\n") for line in lines if line.strip()]
    with open(os.path.join(DATA, "semver_packages.tsv"), encoding="utf-8") as lines:
        texts += [line.rstrip("\n").split("\t")[1] for line in lines if "\t" in line]
    return list(dict.fromkeys(texts))


def main(extension, count, seed):
    db = sqlite3.connect(":memory:")
    if not hasattr(db, "enable_load_extension"):
        print("SKIP: this Python's sqlite3 module cannot load extensions")
        return 77
    db.enable_load_extension(True)
    db.load_extension(extension)
    db.execute("CREATE TABLE v(id INTEGER PRIMARY KEY, text TEXT)")
    db.executemany("INSERT INTO v(text) VALUES (?)", [(t,) for t in read_versions()])
    db.execute("DELETE FROM v WHERE version_key_semver(text) IS NULL")
    versions = [row[0] for row in db.execute("SELECT text FROM v ORDER BY id")]
    rng = random.Random(seed)
    generator = Generator(rng, versions)
    ranges = list(dict.fromkeys(FIXED + [generator.range() for _ in range(count)]))

    oracle = subprocess.Popen(ORACLE, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    encoded = [v.encode().decode("latin-1") for v in versions]
    expected = []
    for start in range(0, len(ranges), BATCH):
        chunk = [r.encode().decode("latin-1") for r in ranges[start:start + BATCH]]
        oracle.stdin.write(json.dumps({"satisfies": chunk, "versions": encoded}) + "\n")
        oracle.stdin.flush()
        line = oracle.stdout.readline()
        if not line:
            if oracle.wait() == 77:
                print("SKIP: npm's semver is not available")
                return 77
            sys.exit(f"the oracle ended with exit status {oracle.returncode}")
        expected += json.loads(line)
    oracle.stdin.close()
    oracle.wait()

    query = "SELECT group_concat(version_satisfies_semver(text, ?), '') FROM v"
    counts = {"ranges": len(ranges), "npm refuses": 0, "compared": 0, "pairs": 0}
    refusals = {}
    disagreements = 0
    for text, want in zip(ranges, expected):
        try:
            got = db.execute(query, (text,)).fetchone()[0]
            error = None
        except sqlite3.OperationalError as e:
            got, error = None, str(e)
        if error is not None and "malformed range" not in error:
            sys.exit(f"{text!r}: unexpected error {error}")
        why = refusal(text)
        if want is None:
            counts["npm refuses"] += 1
            ok = error is not None
            detail = "npm refuses it, version_satisfies_semver reads it"
        elif why is not None:
            refusals[why] = refusals.get(why, 0) + 1
            ok = error is not None
            detail = f"a documented refusal ({why}) read"
        else:
            counts["compared"] += 1
            counts["pairs"] += len(versions)
            ok = got == want
            if error is not None:
                detail = f"npm reads it, here: {error}"
            elif not ok:
                first = next(i for i in range(len(want)) if got[i] != want[i])
                detail = f"{versions[first]!r}: npm {want[first]}, here {got[first]}"
        if not ok:
            disagreements += 1
            if disagreements <= 20:
                print(f"disagreement: {text!r}: {detail}")
    print(f"npm ranges: {counts['ranges']} ranges over {len(versions)} versions; "
          f"{counts['npm refuses']} refused by npm, {counts['compared']} compared on "
          f"{counts['pairs']} pairs; documented refusals: "
          f"{', '.join(f'{k} {v}' for k, v in sorted(refusals.items())) or 'none'}; "
          f"disagreements with npm: {disagreements}")
    return 1 if disagreements else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 3000,
                  int(sys.argv[3]) if len(sys.argv) > 3 else 20261210))
