"""Differential check of one package manager's order against its real tool.

    scheme_differential.py EXTENSION SCHEME

The scheme's module (schemes/SCHEME.py) names a committed sample of real
versions, an oracle process that answers with the real reference tool, and
seeded adversarial texts. Through the loaded extension this checks, for every
text, that version_key_SCHEME is NULL exactly where the tool rejects it; for
random pairs, pairs of one package and neighbours in key order, that
version_compare_SCHEME and key order agree with the tool; that the collation
and an index on it sort exactly as the keys do; and that max() under the
collation names the tool's newest version of every package.

A module whose tool is not transitive sets SELF_CONTRADICTIONS: its oracle
then also answers "contradicts" for a pair, true where the tool's own order
is inconsistent there in the way the module's docstring describes. Such
pairs are left out of the order checks and counted; among the real versions
(every pair of one package's, and the real pairs checked) there must be none.

A module may list its packages itself (packages() instead of PACKAGES); its
oracle may answer null for a pair in a class where the reference tool is
known to depart from the documented order (not checked, counted); and
expected_key_order(a, b, tool) may give the order the keys must have where
the scheme refines the tool's answer to a total order (None: a documented
class, counted).
"""
import functools
import importlib.util
import json
import os
import random
import sqlite3
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
BATCH = 2000


def load_scheme(name):
    spec = importlib.util.spec_from_file_location(name, os.path.join(HERE, "schemes", name + ".py"))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


class Oracle:
    """The reference tool behind a line protocol: one JSON request, one JSON answer."""

    def __init__(self, argv):
        self.process = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def ask(self, verb, items):
        answers = []
        for start in range(0, len(items), BATCH):
            chunk = items[start:start + BATCH]
            self.process.stdin.write(json.dumps({verb: chunk}) + "\n")
            self.process.stdin.flush()
            line = self.process.stdout.readline()
            if not line:
                if self.process.wait() == 77:
                    print("SKIP: the reference tool is not available")
                    sys.exit(77)
                sys.exit(f"the oracle ended with exit status {self.process.returncode}")
            answer = json.loads(line)
            if len(answer) != len(chunk):
                sys.exit(f"oracle answered {len(answer)} of {len(chunk)} {verb} requests")
            answers += answer
        return answers

    def valid(self, texts):
        return self.ask("valid", [t.decode("latin-1") for t in texts])

    def compare(self, pairs):
        return self.ask("compare", [[a.decode("latin-1"), b.decode("latin-1")] for a, b in pairs])

    def contradicts(self, pairs):
        return self.ask("contradicts", [[a.decode("latin-1"), b.decode("latin-1")] for a, b in pairs])

    def close(self):
        self.process.stdin.close()
        self.process.wait()


def sign(number):
    return (number > 0) - (number < 0)


def read_lines(path):
    with open(path, "rb") as lines:
        return [line.rstrip(b"\n") for line in lines if line.strip()]


class Report:
    def __init__(self):
        self.disagreements = {}
        self.departures = {}

    def departure(self, what):
        self.departures[what] = self.departures.get(what, 0) + 1

    def check(self, what, ok, detail):
        if not ok:
            count = self.disagreements.get(what, 0)
            if count < 5:
                print(f"disagreement ({what}): {detail}")
            self.disagreements[what] = count + 1


def open_extension(extension):
    db = sqlite3.connect(":memory:")
    if not hasattr(db, "enable_load_extension"):
        print("SKIP: this Python's sqlite3 module cannot load extensions")
        sys.exit(77)
    db.enable_load_extension(True)
    db.load_extension(extension)
    return db


def store(db, texts):
    """Texts go in as blobs cast to TEXT, so bytes that are not UTF-8 stay as they are."""
    db.execute("CREATE TABLE t(id INTEGER PRIMARY KEY, v TEXT)")
    db.executemany("INSERT INTO t VALUES (?, CAST(? AS TEXT))", enumerate(texts))


def key_pairs(keys, valid, rng, groups):
    """Random pairs, pairs within a package, and neighbours in key order, of
    texts that both the tool and the extension accept."""
    valid = [i for i, key in enumerate(keys) if key is not None and valid[i]]
    pairs = [(rng.choice(valid), rng.choice(valid)) for _ in range(20000)]
    for members in groups.values():
        members = [i for i in members if keys[i] is not None and valid[i]]
        if not members:
            continue
        pairs += [(rng.choice(members), rng.choice(members)) for _ in range(min(len(members), 8))]
    ordered = sorted(valid, key=lambda i: keys[i])
    pairs += list(zip(ordered, ordered[1:]))
    return pairs, ordered


def check_pairs(db, module, scheme, texts, keys, pairs, oracle, report, skipped=()):
    expected = oracle.compare([(texts[a], texts[b]) for a, b in pairs])
    key_order = getattr(module, "expected_key_order", lambda a, b, tool: tool)
    for (a, b), want in zip(pairs, expected):
        if (a, b) in skipped:
            continue
        if want is None:
            report.departure("tool")
            continue
        got = db.execute(f"SELECT version_compare_{scheme}(t1.v, t2.v) FROM t t1, t t2 "
                         "WHERE t1.id = ? AND t2.id = ?", (a, b)).fetchone()[0]
        detail = f"{texts[a]!r} vs {texts[b]!r}: tool {want}"
        report.check("compare", got == want, f"{detail}, version_compare {got}")
        key_want = key_order(texts[a], texts[b], want)
        if key_want is None:
            report.departure("key")
            continue
        report.check("key", sign((keys[a] > keys[b]) - (keys[a] < keys[b])) == key_want,
                     f"{detail}, keys (expected {key_want})")
    return dict(zip(pairs, expected))


def collation_order(texts, keys):
    """What the collation must give: rejected texts by bytes, then key order, ties by bytes."""
    return sorted(range(len(texts)), key=lambda i: (keys[i] is not None, keys[i] or b"", texts[i]))


def check_collation(db, scheme, texts, keys, report):
    expected = collation_order(texts, keys)
    query = f"SELECT id FROM t ORDER BY v COLLATE version_{scheme}"
    report.check("collation", [row[0] for row in db.execute(query)] == expected, "ORDER BY")
    db.execute(f"CREATE INDEX t_by_version ON t(v COLLATE version_{scheme})")
    plan = " ".join(row[-1] for row in db.execute("EXPLAIN QUERY PLAN " + query))
    report.check("index", "t_by_version" in plan, plan)
    report.check("index", db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "integrity")
    report.check("index", [row[0] for row in db.execute(query)] == expected, "index order")


def tool_newest(members, texts, oracle):
    """Each package's newest by the tool, a knock-out round at a time; a
    package where the tool cannot answer a round is left out."""
    rounds = {group: list(ids) for group, ids in members.items()}
    while any(len(ids) > 1 for ids in rounds.values()):
        pairs = [(ids[i], ids[i + 1]) for ids in rounds.values() for i in range(0, len(ids) - 1, 2)]
        answers = dict(zip(pairs, oracle.compare([(texts[a], texts[b]) for a, b in pairs])))
        for group in [g for g, ids in rounds.items()
                      if any(answers[(a, b)] is None for a, b in zip(ids[0::2], ids[1::2]))]:
            del rounds[group]
        for group, ids in rounds.items():
            winners = [a if answers[(a, b)] >= 0 else b for a, b in zip(ids[0::2], ids[1::2])]
            rounds[group] = winners + (ids[-1:] if len(ids) % 2 else [])
    return {group: ids[0] for group, ids in rounds.items()}


def check_newest(db, scheme, texts, groups, oracle, report):
    if not groups:
        return
    index = {text: i for i, text in enumerate(texts)}
    db.execute("CREATE TABLE packages(package TEXT, v TEXT)")
    rows = [(package, texts[i]) for package, ids in groups.items() for i in ids]
    db.executemany("INSERT INTO packages VALUES (?, CAST(? AS TEXT))", rows)
    newest = tool_newest(groups, texts, oracle)
    groups = {package: ids for package, ids in groups.items() if package in newest}
    query = (f"SELECT package, CAST(max(v COLLATE version_{scheme}) AS BLOB) FROM packages "
             "GROUP BY package")
    ours = dict(db.execute(query))
    # max_version_<scheme> returns the earliest row of the newest version.
    aggregate = dict(db.execute(f"SELECT package, CAST(max_version_{scheme}(v) AS BLOB) "
                                "FROM packages GROUP BY package"))
    pairs = [(newest[package], index[found[package]]) for found in (ours, aggregate)
             for package in groups]
    answers = oracle.compare([(texts[a], texts[b]) for a, b in pairs])
    for (package, what), same in zip([(p, w) for w in ("max()", "max_version") for p in groups],
                                     answers):
        found = ours if what == "max()" else aggregate
        if same is None:
            report.departure("newest")
            continue
        report.check("newest", same == 0, f"{package}: tool {texts[newest[package]]!r}, "
                     f"{what} {found[package]!r}")
    # Equivalent in the order max_version_<scheme> keeps: equal keys.
    for package, ids in groups.items():
        first = next(i for i in ids if db.execute(
            f"SELECT version_key_{scheme}(CAST(? AS TEXT)) = version_key_{scheme}(CAST(? AS TEXT))",
            (texts[i], aggregate[package])).fetchone()[0] == 1)
        report.check("newest", texts[first] == aggregate[package],
                     f"{package}: max_version {aggregate[package]!r}, earlier row {texts[first]!r}")


def package_groups(module, texts):
    """Rows of the scheme's packages file, as text ids per package."""
    name = getattr(module, "PACKAGES", None)
    if name is None and not hasattr(module, "packages"):
        return {}
    rows = module.packages() if name is None else [
        line.partition(b"\t")[::2] for line in read_lines(os.path.join(HERE, "data", name))]
    index = {text: i for i, text in enumerate(texts)}
    groups = {}
    for package, version in rows:
        if version in index:
            groups.setdefault(package.decode(), set()).add(index[version])
    return {package: sorted(ids) for package, ids in groups.items() if len(ids) > 1}


def self_contradictions(module, texts, pairs, real, groups, oracle, report):
    """The pairs the tool contradicts itself on, none of them real."""
    if not getattr(module, "SELF_CONTRADICTIONS", False):
        return set(), 0
    found = {pair for pair, bad in zip(pairs, oracle.contradicts([(texts[a], texts[b]) for a, b in pairs]))
             if bad}
    within = [(a, b) for ids in groups.values() for i, a in enumerate(ids) for b in ids[i + 1:]]
    real_pairs = within + [(a, b) for a, b in pairs if a in real and b in real]
    for (a, b), bad in zip(real_pairs, oracle.contradicts([(texts[a], texts[b]) for a, b in real_pairs])):
        report.check("cycle in real data", not bad, f"{texts[a]!r} vs {texts[b]!r}")
    return found, len(real_pairs)


def main(extension, scheme):
    module = load_scheme(scheme)
    rng = random.Random(20261209)
    sample = read_lines(os.path.join(HERE, "data", module.SAMPLE))
    texts = list(dict.fromkeys(sample + module.adversarial(rng)))
    oracle = Oracle(module.ORACLE)
    db = open_extension(extension)
    store(db, texts)
    report = Report()
    valid = oracle.valid(texts)
    keys = [row[0] for row in db.execute(f"SELECT version_key_{scheme}(v) FROM t ORDER BY id")]
    for text, key, ok in zip(texts, keys, valid):
        report.check("validity", (key is not None) == ok, f"{text!r}: tool says {ok}")
    groups = package_groups(module, texts)
    pairs, ordered = key_pairs(keys, valid, rng, groups)
    real = set(range(len(set(sample))))  # texts start with the sample's, deduplicated
    skipped, real_pairs = self_contradictions(module, texts, pairs, real, groups, oracle, report)
    check_pairs(db, module, scheme, texts, keys, pairs, oracle, report, skipped)
    check_collation(db, scheme, texts, keys, report)
    check_newest(db, scheme, texts, groups, oracle, report)
    oracle.close()
    counts = ", ".join(f"{what} {n}" for what, n in sorted(report.disagreements.items())) or "none"
    cycles = (f"{len(skipped)} pairs where the tool contradicts itself left out, {real_pairs} "
              "real pairs checked for such; " if real_pairs else "")
    departures = "".join(f", {n} pairs in documented departure classes ({what})"
                         for what, n in sorted(report.departures.items()))
    print(f"{scheme}: {len(texts)} texts ({len(set(sample))} real, the rest adversarial), "
          f"{len(ordered)} valid, {len(pairs)} pairs, {len(groups)} packages{departures}; {cycles}"
          f"disagreements with the tool: {counts}")
    return 1 if report.disagreements else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
