"""Constraint ranges through the loaded extension against evaluations of
their own, written from the grammars' rules over the real tools' orders.

    range_differential.py EXTENSION

- version_satisfies_deb: every comparator judged by `dpkg --compare-versions`
  (relation by relation, dpkg's own operators), versions' validity by dpkg;
- version_satisfies_rpm: every comparator judged by rpm.labelCompare;
- version_satisfies (the default order), with and without separators: the
  comparators judged by version_compare;
- version_in_vers for deb, rpm, npm and pypi: the vers parsing, sequence
  rules and containment algorithm written out here, over the schemes'
  oracles (apt_pkg, rpm, npm's semver, python3-packaging).
Generated ranges mix every operator, blanks and alternatives; mutated ones
check that the extension refuses exactly the texts the rules refuse.
"""
import concurrent.futures
import functools
import os
import random
import re
import sqlite3
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from scheme_differential import Oracle, Report, load_scheme, open_extension, read_lines  # noqa: E402

BLANK = " \t\n\r\v\f"
COMPARATOR = re.compile(r"[ \t\n\r\v\f]*(<<|>>|<=|>=|==|!=|<|>|=)[ \t\n\r\v\f]*"
                        r"([^ \t\n\r\v\f,|<>=!\0]+)[ \t\n\r\v\f]*")
HOLDS = {"<": lambda o: o < 0, "<<": lambda o: o < 0, "<=": lambda o: o <= 0,
         "=": lambda o: o == 0, "==": lambda o: o == 0, "!=": lambda o: o != 0,
         ">=": lambda o: o >= 0, ">": lambda o: o > 0, ">>": lambda o: o > 0}


def parse_generic(text, debian):
    """The alternatives as lists of (op, version), or "malformed"/"hint"."""
    alternatives = []
    for alternative in text.split("||"):
        comparators = []
        for piece in alternative.split(","):
            # The operator is read first: a bare '<' or '>' is refused as such.
            head = piece.lstrip(BLANK)
            if debian and head[:1] in ("<", ">") and head[1:2] not in ("=", head[:1]):
                return "hint"
            match = COMPARATOR.fullmatch(piece)
            if not match:
                return "malformed"
            op, version = match.groups()
            if debian and op in ("<", ">"):
                return "hint"
            if not debian and op in ("<<", ">>"):
                return "malformed"
            comparators.append((op, version))
        alternatives.append(comparators)
    return alternatives


def holds(alternatives, version, relation):
    return any(all(relation(version, op, c) for op, c in alternative) for alternative in alternatives)


def spaced(rng, text):
    return text if rng.random() < 0.5 else rng.choice(["", " ", "  ", "\t"]) + text


def random_range(rng, versions, ops):
    alternatives = []
    for _ in range(rng.choice([1, 1, 2, 3])):
        comparators = [spaced(rng, rng.choice(ops)) + spaced(rng, rng.choice(versions))
                       for _ in range(rng.choice([1, 2, 2, 3]))]
        alternatives.append(rng.choice([",", ", ", " ,"]).join(comparators))
    return rng.choice(["||", " || ", "|| "]).join(alternatives) + rng.choice(["", " "])


def mutated(rng, text):
    at = rng.randrange(len(text) + 1)
    edit = rng.choice(["", ",", "||", "|", "<", ">", "=", "!", " ", "<<", "x", "*", ",,", "\0"])
    return text[:at] + edit + text[at + rng.randrange(3):]


def sql_error(db, sql, args):
    try:
        db.execute(sql, args).fetchone()
    except sqlite3.Error as error:
        return str(error)
    return None


def check_ranges(db, report, what, call, versions, ranges, parse, valid, relation, extra=()):
    """Each range against every tested version; malformed ones must fail."""
    db.execute("DROP TABLE IF EXISTS tested")
    db.execute("CREATE TABLE tested(id INTEGER PRIMARY KEY, v TEXT)")
    db.executemany("INSERT INTO tested(v) VALUES (?)", [(v,) for v in versions])
    checked = 0
    for text in ranges:
        parsed = parse(text)
        if not isinstance(parsed, str) and not all(valid(c) for a in parsed for _, c in a):
            parsed = "malformed"
        if isinstance(parsed, str):
            error = sql_error(db, f"SELECT {call}('1', ?{''.join(', ?' for _ in extra)})",
                              (text, *extra))
            # SQLite's message ends at a NUL of the text.
            want = f"{call}: malformed range: '{text}'".split("\0")[0]
            ok = error is not None and error.startswith(want) and \
                (("deprecated" in error) == (parsed == "hint"))
            report.check(f"{what} error", ok, f"{text!r}: {parsed}, extension {error!r}")
            continue
        rows = db.execute(f"SELECT v, {call}(v, ?{''.join(', ?' for _ in extra)}) FROM tested "
                          "ORDER BY id", (text, *extra)).fetchall()
        for version, got in rows:
            want = holds(parsed, version, relation) if valid(version) else None
            want = None if want is None else int(want)
            report.check(what, got == want, f"{version!r} in {text!r}: want {want}, got {got}")
            checked += 1
    return checked


class Dpkg:
    """`dpkg --compare-versions`, one run per relation, several at a time."""
    WORDS = {"<<": "lt", "<=": "le", "=": "eq", "==": "eq", "!=": "ne", ">=": "ge", ">>": "gt"}

    def __init__(self):
        self.cache = {}

    def run(self, triple):
        version, op, other = triple
        return subprocess.run(["dpkg", "--compare-versions", version, self.WORDS[op], other],
                              stderr=subprocess.DEVNULL, check=False).returncode == 0

    def prepare(self, triples):
        todo = sorted(set(triples) - self.cache.keys())
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            self.cache.update(zip(todo, pool.map(self.run, todo)))

    def relation(self, version, op, other):
        return self.cache[(version, op, other)]


def tokens(ranges, debian):
    """Every version the well-shaped ranges name."""
    found = set()
    for text in ranges:
        parsed = parse_generic(text, debian)
        if not isinstance(parsed, str):
            found.update(c for alternative in parsed for _, c in alternative)
    return sorted(found)


def tool_validity(scheme, texts):
    oracle = Oracle(load_scheme(scheme).ORACLE)
    verdicts = dict(zip(texts, oracle.ask("valid", texts)))
    oracle.close()
    return verdicts


def triples(ranges, versions, debian):
    for text in ranges:
        parsed = parse_generic(text, debian)
        if isinstance(parsed, str):
            continue
        for alternative in parsed:
            for op, c in alternative:
                for v in versions:
                    yield (v, op, c)


def deb_ranges(db, rng, report):
    sample = [t.decode() for t in read_lines(os.path.join(HERE, "..", "data", "deb_versions.txt"))]
    pool = rng.sample(sample, 40) + ["1:0", "0~~", "1.0~rc1", "x", "1 2", "-1"]
    ops = ["<<", "<=", "=", "==", "!=", ">=", ">>"]
    ranges = [random_range(rng, pool, ops) for _ in range(220)]
    ranges += [mutated(rng, rng.choice(ranges)) for _ in range(120)]
    ranges += [random_range(rng, pool, ops + ["<", ">"]) for _ in range(30)]
    validity = tool_validity("deb", sorted(set(pool) | set(tokens(ranges, True))))
    dpkg = Dpkg()
    tested = [p for p in pool if validity[p]] + ["x", "1 2"]
    dpkg.prepare(t for t in triples(ranges, tested, True) if validity[t[0]] and validity[t[2]])
    valid = lambda v: validity.get(v, False)  # noqa: E731
    return check_ranges(db, report, "deb", "version_satisfies_deb", tested, ranges,
                        lambda t: parse_generic(t, True), valid, dpkg.relation)


def evr(text):
    epoch, _, rest = text.partition(":") if ":" in text else (None, "", text)
    version, _, release = rest.rpartition("-") if "-" in rest else (rest, "", None)
    return (epoch or None, version, release)


def rpm_order(lhs, rhs):
    """rpm.labelCompare on (epoch, version, release); an epoch that is not a
    number (only mutated texts have one) it reads otherwise than rpm.ver,
    the order's own reference, which then decides."""
    import rpm  # python3-rpm

    a, b = evr(lhs), evr(rhs)
    if all(e is None or e.isdigit() for e in (a[0], b[0])):
        return rpm.labelCompare(a, b)
    va, vb = rpm.ver(lhs), rpm.ver(rhs)
    return (va > vb) - (va < vb)


def rpm_ranges(db, rng, report):
    sample = [t.decode() for t in read_lines(os.path.join(HERE, "..", "data", "rpm_versions.txt"))]
    pool = rng.sample(sample, 60)
    relation = lambda v, op, c: HOLDS[op](rpm_order(v, c))  # noqa: E731
    ops = ["<", "<=", "=", "==", "!=", ">=", ">"]
    ranges = [random_range(rng, pool, ops) for _ in range(250)]
    ranges += [mutated(rng, rng.choice(ranges)) for _ in range(120)]
    validity = tool_validity("rpm", sorted(set(pool) | set(tokens(ranges, False)) | {""}))
    valid = lambda v: validity.get(v, False)  # noqa: E731
    return check_ranges(db, report, "rpm", "version_satisfies_rpm", pool + [""], ranges,
                        lambda t: parse_generic(t, False), valid, relation)


def default_ranges(db, rng, report):
    words = ["1", "2", "10", "9", "1a", "rc1", "beta", "0", "00", "a", "b2", "2b"]
    checked = 0
    for separators in [None, "._", "-"]:
        seps = separators or ".-/ "
        joins = [c for c in seps if c != " "] or ["."]
        pool = [rng.choice(joins).join(rng.choice(words) for _ in range(rng.randint(1, 4)))
                for _ in range(40)]
        pool += ["1..2", "", "1" + joins[0]]

        def compare(a, b):
            args = (a, b) if separators is None else (a, b, separators)
            call = "version_compare(?, ?)" if separators is None else "version_compare(?, ?, ?)"
            return db.execute("SELECT " + call, args).fetchone()[0]

        valid = functools.lru_cache(None)(lambda v: compare(v, v) is not None)
        relation = lambda v, op, c: HOLDS[op](compare(v, c))  # noqa: E731
        ops = ["<", "<=", "=", "==", "!=", ">=", ">"]
        ranges = [random_range(rng, [p for p in pool if p], ops) for _ in range(150)]
        ranges += [mutated(rng, rng.choice(ranges)) for _ in range(60)]
        extra = () if separators is None else (separators,)
        checked += check_ranges(db, report, "default", "version_satisfies", pool, ranges,
                                lambda t: parse_generic(t, False), valid, relation, extra)
    return checked


# vers, written from its rules: blanks dropped, "vers:<type>/", "*" alone,
# '|'-separated constraints (empty ones skipped), percent-decoded versions.
def parse_vers(text):
    text = text.replace(" ", "").replace("\t", "")
    if not text.startswith("vers:") or "/" not in text:
        return "malformed"
    vers_type, _, constraints = text[5:].partition("/")
    if not re.fullmatch(r"[a-z0-9.+-]+", vers_type) or not constraints:
        return "malformed"
    if constraints == "*":
        return vers_type, "*"
    parsed = []
    for piece in filter(None, constraints.split("|")):
        op = next((o for o in (">=", "<=", "!=", "<", ">", "=") if piece.startswith(o)), "")
        version = piece[len(op):]
        if not version or any(c in version for c in "<>=!*"):
            return "malformed"
        if re.search(r"%(?![0-9A-Fa-f]{2})", version):
            return "malformed"
        version = re.sub(r"%([0-9A-Fa-f]{2})", lambda m: chr(int(m.group(1), 16)), version)
        parsed.append((op or "=", version))
    return (vers_type, parsed) if parsed else "malformed"


def vers_sorted(constraints, compare):
    """The constraints sorted, or "malformed" when the vers rules refuse them."""
    ordered = sorted(constraints, key=functools.cmp_to_key(lambda a, b: compare(a[1], b[1])))
    if any(compare(a[1], b[1]) == 0 for a, b in zip(ordered, ordered[1:])):
        return "malformed"
    no_unequal = [op for op, _ in ordered if op != "!="]
    for op, following in zip(no_unequal, no_unequal[1:]):
        if op == "=" and following not in ("=", ">", ">="):
            return "malformed"
    bounds = [op for op in no_unequal if op != "="]
    for op, following in zip(bounds, bounds[1:]):
        if (op in ("<", "<=")) == (following in ("<", "<=")):
            return "malformed"
    return ordered


def vers_contains(ordered, version, compare):
    if ordered == "*":
        return True
    for op, c in ordered:
        if op in ("=", "<=", ">=") and compare(version, c) == 0:
            return True
    for op, c in ordered:
        if op == "!=" and compare(version, c) == 0:
            return False
    bounds = [(op, c) for op, c in ordered if op not in ("=", "!=")]
    if len(bounds) == 1:
        op, c = bounds[0]
        return (op in ("<", "<=") and compare(version, c) < 0) or \
            (op in (">", ">=") and compare(version, c) > 0)
    for i, ((op, c), (next_op, next_c)) in enumerate(zip(bounds, bounds[1:])):
        if i == 0 and op in ("<", "<=") and compare(version, c) < 0:
            return True
        if i == len(bounds) - 2 and next_op in (">", ">=") and compare(version, next_c) > 0:
            return True
        if op in (">", ">=") and next_op in ("<", "<=") and compare(version, c) > 0 and \
                compare(version, next_c) < 0:
            return True
    return False


def vers_text(rng, vers_type, distinct):
    """A vers range over versions in ascending order: mostly one the rules
    accept (intervals, points, exclusions), sometimes random comparators."""
    picked = sorted(rng.sample(range(len(distinct)), rng.randint(1, min(6, len(distinct)))))
    versions = [distinct[i] for i in picked]
    if rng.random() < 0.25:
        ops = [rng.choice(["", "=", "!=", "<", "<=", ">", ">="]) for _ in versions]
    else:
        ops, below = [], rng.random() < 0.3
        for i, _ in enumerate(versions):
            if below:
                ops.append(rng.choice(["<", "<="]))
                below = False
            elif i == len(versions) - 1 or rng.random() < 0.3:
                ops.append(rng.choice(["", "=", "!=", ">", ">="]))
            else:
                ops.append(rng.choice([">", ">="]))
                below = True
        if below:
            ops[-1] = rng.choice(["<", "<="]) if len(ops) > 1 else ops[-1]
    pieces = []
    for op, version in zip(ops, versions):
        if rng.random() < 0.2:
            version = "".join(f"%{ord(c):02X}" if c in ".+-~" and rng.random() < 0.5 else c
                              for c in version)
        pieces.append(spaced(rng, op) + spaced(rng, version))
    rng.shuffle(pieces)
    text = f"vers:{vers_type}/" + rng.choice(["|", "||", " | "]).join(pieces)
    return text if rng.random() < 0.9 else mutated(rng, text)


def find_order(vers_type):
    return {"deb": "deb", "rpm": "rpm", "npm": "semver", "semver": "semver",
            "pypi": "pep440"}.get(vers_type)


def vers_ranges(db, rng, report):
    checked = 0
    for vers_type, scheme, sample in [("deb", "deb", "deb_versions.txt"),
                                      ("rpm", "rpm", "rpm_versions.txt"),
                                      ("npm", "semver", "semver_versions.txt"),
                                      ("pypi", "pep440", "pep440_versions.txt")]:
        texts = [t.decode("latin-1") for t in read_lines(os.path.join(HERE, "..", "data", sample))]
        pool = rng.sample(texts, 40)
        oracle = Oracle(load_scheme(scheme).ORACLE)
        validity = dict(zip(pool, oracle.ask("valid", pool)))
        pool = [p for p in pool if validity[p]]
        pairs = [(a, b) for a in pool for b in pool]
        orders = dict(zip(pairs, oracle.ask("compare", [list(p) for p in pairs])))
        oracle.close()
        compare = lambda a, b: orders[(a, b)]  # noqa: E731
        distinct = []
        for version in sorted(pool, key=functools.cmp_to_key(compare)):
            if not distinct or compare(distinct[-1], version) != 0:
                distinct.append(version)
        ranges = [vers_text(rng, vers_type, distinct) for _ in range(250)]
        ranges += [f"vers:{vers_type}/*", f"vers:{vers_type}/ * ", f"vers:{vers_type}/*|*"]
        known = set(pool)
        for text in ranges:
            parsed = parse_vers(text)
            if not isinstance(parsed, str) and parsed[0] != vers_type:
                # A mutated type: no order here, unless it is another known one.
                if find_order(parsed[0]) is None:
                    got = db.execute("SELECT version_in_vers(?, ?)", (pool[0], text)).fetchone()[0]
                    report.check("vers type", got is None, f"{text!r}: extension {got!r}")
                continue
            if not isinstance(parsed, str) and parsed[1] != "*":
                if not all(v in known for _, v in parsed[1]):
                    continue  # a mutation made a version the oracle was not asked about
                parsed = vers_sorted(parsed[1], compare)
            elif not isinstance(parsed, str):
                parsed = "*"
            if parsed == "malformed":
                error = sql_error(db, "SELECT version_in_vers('1', ?)", (text,))
                want = f"version_in_vers: malformed vers: '{text}'".split("\0")[0]
                report.check("vers error", error is not None and error.startswith(want),
                             f"{text!r}: extension {error!r}")
                continue
            for version in pool + [""]:
                got = db.execute("SELECT version_in_vers(?, ?)", (version, text)).fetchone()[0]
                want = int(vers_contains(parsed, version, compare)) if version in known else None
                report.check(f"vers {vers_type}", got == want,
                             f"{version!r} in {text!r}: want {want}, got {got}")
                checked += 1
    return checked


def main(extension):
    rng = random.Random(20261210)
    db = open_extension(extension)
    report = Report()
    counts = {"deb": deb_ranges(db, rng, report), "rpm": rpm_ranges(db, rng, report),
              "default": default_ranges(db, rng, report), "vers": vers_ranges(db, rng, report)}
    summary = ", ".join(f"{what} {n}" for what, n in counts.items())
    disagreements = ", ".join(f"{w} {n}" for w, n in sorted(report.disagreements.items())) or "none"
    print(f"checked (version, range) pairs: {summary}; disagreements: {disagreements}")
    return 1 if report.disagreements else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
