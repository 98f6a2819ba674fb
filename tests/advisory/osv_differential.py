"""osv_affected against an independent evaluation of OSV records.

    osv_differential.py EXTENSION

Random "affected" elements are built from the committed samples of real
versions of each order (events of every kind in random order, several
ranges, SEMVER and GIT ranges beside ECOSYSTEM ones, versions lists, members
in random order, strings with random escapes, and records that break the
schema), and each is asked about versions drawn from the same sample. The
answers are checked against the OSV schema's evaluation written out below as
it is documented (events sorted, then walked), with the versions compared by
the library's own version_compare_<order>, so this checks the reading and the
evaluation, not the orders (their own differential tests do that).
"""
import functools
import json
import os
import random
import sqlite3
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "version", "data")
RECORDS_PER_ORDER = 600
VERSIONS_PER_RECORD = 8

# order, an ecosystem name that uses it, its committed sample
ORDERS = [("deb", "Debian:12", "deb_versions.txt"),
          ("rpm", "Rocky Linux:9", "rpm_versions.txt"),
          ("semver", "npm", "semver_versions.txt"),
          ("pep440", "PyPI", "pep440_versions.txt"),
          ("go", "Go", "go_versions.txt")]
ECOSYSTEM_ORDERS = {"Debian": "deb", "Rocky Linux": "rpm", "npm": "semver", "PyPI": "pep440",
                    "Go": "go"}
ERROR = "error"


class Library:
    def __init__(self, extension):
        self.db = sqlite3.connect(":memory:")
        if not hasattr(self.db, "enable_load_extension"):
            print("SKIP: this Python's sqlite3 cannot load extensions")
            sys.exit(77)
        self.db.enable_load_extension(True)
        self.db.load_extension(extension)
        self.compares = {}

    def valid(self, order, text):
        return self.db.execute(f"SELECT version_key_{order}(?) IS NOT NULL", (text,)).fetchone()[0] == 1

    def compare(self, order, a, b):
        key = (order, a, b)
        if key not in self.compares:
            self.compares[key] = self.db.execute(f"SELECT version_compare_{order}(?, ?)",
                                                 (a, b)).fetchone()[0]
        return self.compares[key]

    def osv_affected(self, record, version):
        try:
            return self.db.execute("SELECT osv_affected(?, ?)", (record, version)).fetchone()[0]
        except sqlite3.OperationalError as error:
            if not str(error).startswith("osv_affected: malformed record: "):
                raise
            return ERROR


# --- The OSV schema's evaluation, as documented ---------------------------

def sorted_events(lib, order, events):
    def key(event):
        (kind, version), = event.items()
        return kind, version

    def compare(a, b):
        (ka, va), (kb, vb) = key(a), key(b)
        # "0" introduces from the start; a limit holding "*" has no bound.
        za, zb = ka == "introduced" and va == "0", kb == "introduced" and vb == "0"
        ia, ib = ka == "limit" and "*" in va, kb == "limit" and "*" in vb
        if za or zb or ia or ib:
            return (zb - za) if (za or zb) else (ia - ib)
        c = lib.compare(order, va, vb)
        if c:
            return c
        # At equal versions an introduced event comes first.
        return (ka != "introduced") - (kb != "introduced")

    return sorted(events, key=functools.cmp_to_key(compare))


def before_limits(lib, order, v, events):
    limits = [e["limit"] for e in events if "limit" in e]
    return not limits or any("*" in limit or lib.compare(order, v, limit) < 0 for limit in limits)


def in_range(lib, order, v, events):
    if not before_limits(lib, order, v, events):
        return False
    vulnerable = False
    for event in sorted_events(lib, order, events):
        if "introduced" in event and (event["introduced"] == "0" or
                                      lib.compare(order, v, event["introduced"]) >= 0):
            vulnerable = True
        elif "fixed" in event and lib.compare(order, v, event["fixed"]) >= 0:
            vulnerable = False
        elif "last_affected" in event and lib.compare(order, v, event["last_affected"]) > 0:
            vulnerable = False
    return vulnerable


def expected(lib, element, v):
    order = ECOSYSTEM_ORDERS.get(element["package"]["ecosystem"].split(":")[0])
    for r in element.get("ranges", []):
        kinds = [k for e in r["events"] for k in e]
        if "introduced" not in kinds or ("fixed" in kinds and "last_affected" in kinds):
            return ERROR
        checked = {"ECOSYSTEM": order, "SEMVER": "semver"}.get(r["type"])
        for e in r["events"]:
            (kind, value), = e.items()
            special = (kind == "introduced" and value == "0") or (kind == "limit" and "*" in value)
            if checked and not special and not lib.valid(checked, value):
                return ERROR
    if order is None:
        return None
    valid = lib.valid(order, v)
    if valid and any(lib.valid(order, x) and lib.compare(order, v, x) == 0
                     for x in element.get("versions", [])):
        return 1
    unknown = judged = False
    types = {r["type"] for r in element.get("ranges", [])}
    for r in element.get("ranges", []):
        if r["type"] == "ECOSYSTEM":
            if not valid:
                unknown = True
            elif in_range(lib, order, v, r["events"]):
                return 1
        if r["type"] == "SEMVER":
            # SEMVER ranges are judged in the semver order, whatever the ecosystem's.
            if not lib.valid("semver", v):
                unknown = True
            else:
                judged = True
                if in_range(lib, "semver", v, r["events"]):
                    return 1
    if unknown or types == {"GIT"} or not (valid or judged):
        return None
    return 0


# --- Random records --------------------------------------------------------

def random_events(rng, pool, broken):
    events = [{"introduced": rng.choice(pool) if rng.random() < 0.7 else "0"}]
    end = rng.choice(["fixed", "last_affected"])
    for _ in range(rng.randrange(6)):
        kind = rng.choice(["introduced", end, end, "limit"] if rng.random() < 0.9 else ["limit"])
        value = "*" if kind == "limit" and rng.random() < 0.2 else rng.choice(pool)
        events.append({kind: value})
    if broken == "both ends":
        events.append({"fixed": rng.choice(pool)})
        events.append({"last_affected": rng.choice(pool)})
    if broken == "no introduced":
        events = [e for e in events if "introduced" not in e] or [{"fixed": rng.choice(pool)}]
    if broken == "not a version":
        events.append({end: "not a version!"})
    rng.shuffle(events)
    return events


def shuffled(rng, members):
    items = list(members.items())
    rng.shuffle(items)
    return dict(items)


def random_element(rng, ecosystem, pool, semver_pool):
    broken = rng.choice(["both ends", "no introduced", "not a version"]) if rng.random() < 0.05 \
        else None
    ranges = []
    for index in range(rng.randrange(4)):
        kind = rng.choices(["ECOSYSTEM", "SEMVER", "GIT"], [8, 1, 1])[0]
        values = semver_pool if kind == "SEMVER" else pool
        events = random_events(rng, values, broken if index == 0 else None)
        ranges.append(shuffled(rng, {"type": kind, "events": events}))
    element = {"package": shuffled(rng, {"ecosystem": ecosystem, "name": "p"})}
    if ranges:
        element["ranges"] = ranges
    if rng.random() < 0.3:
        element["versions"] = rng.sample(pool, rng.randrange(4)) + ["v-tag-" + rng.choice(pool)]
    if rng.random() < 0.2:
        element["database_specific"] = {"source": "x", "n": [1, 2.5, None, True]}
    return shuffled(rng, element)


def escaped(rng, text):
    """The JSON text of `text`, some characters written as \\u escapes."""
    out = []
    for c in text:
        if rng.random() < 0.05:
            out.append("\\u%04x" % ord(c))
        else:
            out.append(json.dumps(c)[1:-1])
    return '"' + "".join(out) + '"'


def dumps(rng, value):
    if isinstance(value, dict):
        space = rng.choice(["", " ", "\n  "])
        return "{" + ",".join(space + escaped(rng, k) + ":" + dumps(rng, v)
                              for k, v in value.items()) + space + "}"
    if isinstance(value, list):
        return "[" + ", ".join(dumps(rng, v) for v in value) + "]"
    if isinstance(value, str):
        return escaped(rng, value)
    return json.dumps(value)


def main(extension):
    lib = Library(extension)
    rng = random.Random(29)
    semver_sample = [line.strip() for line in open(os.path.join(DATA, "semver_versions.txt"))]
    semver_pool = [v for v in rng.sample(semver_sample, 60) if lib.valid("semver", v)][:25]
    checked, answers, failures = 0, {}, []
    for order, ecosystem, sample in ORDERS:
        versions = [line.strip() for line in open(os.path.join(DATA, sample)) if line.strip()]
        # A small pool makes equal versions and ties between events common.
        pool = [v for v in rng.sample(versions, 80) if lib.valid(order, v)][:25]
        for _ in range(RECORDS_PER_ORDER):
            element = random_element(rng, ecosystem, pool, semver_pool)
            record = dumps(rng, element)
            asked = rng.sample(pool, VERSIONS_PER_RECORD - 2) + [rng.choice(versions),
                                                                  rng.choice(semver_pool)]
            for v in asked:
                want, got = expected(lib, element, v), lib.osv_affected(record, v)
                checked += 1
                answers[want] = answers.get(want, 0) + 1
                if want != got and len(failures) < 20:
                    failures.append(f"{order}: {record} at {v!r}: expected {want}, got {got}")
    print(f"{checked} answers checked: {answers}")
    if failures:
        sys.exit("\n".join(failures))
    # A run whose records all came out one way would check nothing.
    if any(answers.get(kind, 0) < checked // 50 for kind in (0, 1, None, ERROR)):
        sys.exit(f"too few answers of some kind: {answers}")


if __name__ == "__main__":
    main(sys.argv[1])
