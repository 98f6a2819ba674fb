#!/usr/bin/env python3
"""The "version" collation against SQLite's own uint collation.

korvel_bench's uint is a lean collation compiled into the benchmark; SQLite's
own is part of the sqlite3 shell, so this runs there: one shell process loads
the module, and the sorts and index builds of 1,000,000 real Debian versions
alternate between BINARY, uint and version. Prints medians and the median
over rounds of each pair's ratio, as korvel_bench does.

    bench/shell_uint.py MODULE [--rounds N] [--rows N] [--sqlite3 PATH]
"""

import argparse
import os
import random
import re
import sqlite3
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.join(HERE, "..", "tests", "version", "data", "deb_versions.txt")
COLLATIONS = ["version", "BINARY", "uint"]
# (group, SQL of one collation, limit against BINARY); the LIMIT keeps the
# sort, which SQLite may drop from a subquery without one.
GROUPS = [
    ("ORDER BY over real_deb",
     "SELECT sum(length(v)) FROM (SELECT v FROM real_deb NOT INDEXED"
     " ORDER BY v COLLATE {c} LIMIT 1000000000);", 2.0),
    ("REINDEX over real_deb", "REINDEX real_deb_{c};", 1.9),
]
TIMING = re.compile(r"Run Time: real [0-9.]+ user ([0-9.]+) sys ([0-9.]+)")


def make_database(path, rows):
    with open(SAMPLE, encoding="utf-8") as sample:
        versions = [line.rstrip("\n") for line in sample if line.strip()]
    draw = random.Random(rows)
    db = sqlite3.connect(path)
    db.execute("CREATE TABLE real_deb(v TEXT)")
    db.executemany("INSERT INTO real_deb VALUES (?)",
                   ((draw.choice(versions),) for _ in range(rows)))
    db.commit()
    db.close()


def shell(sqlite3_path, database, script):
    run = subprocess.run([sqlite3_path, "-bail", database], input=script, text=True,
                         capture_output=True, check=False)
    if run.returncode != 0:
        sys.exit(f"shell_uint: the sqlite3 shell failed: {run.stderr.strip()}")
    return run.stdout


def has_uint(sqlite3_path):
    run = subprocess.run([sqlite3_path, ":memory:", "SELECT 'a2' < 'a10' COLLATE uint;"],
                         text=True, capture_output=True, check=False)
    return run.returncode == 0 and run.stdout.strip() == "1"


def timings_script(module, rounds):
    lines = [f".load {module}", "PRAGMA cache_size=-2000000;", "PRAGMA temp_store=MEMORY;"]
    lines += [f"CREATE INDEX real_deb_{c} ON real_deb(v COLLATE {c});" for c in COLLATIONS]
    # Every query once untimed, so that the first timed one finds the pages
    # cached as the others do.
    lines += [sql.format(c=c) for _, sql, _ in GROUPS for c in COLLATIONS]
    lines.append(".timer on")
    for round_ in range(rounds):
        for group, sql, _ in GROUPS:
            # Each round starts one collation later, so that none always
            # runs first.
            for k in range(len(COLLATIONS)):
                c = COLLATIONS[(round_ + k) % len(COLLATIONS)]
                lines += [f".print T {group}|{c}", sql.format(c=c)]
    return "\n".join(lines) + "\n"


def parse_timings(output):
    timings = {}
    label = None
    for line in output.splitlines():
        if line.startswith("T "):
            label = tuple(line[2:].split("|"))
        elif (match := TIMING.search(line)) and label:
            timings.setdefault(label, []).append(float(match[1]) + float(match[2]))
            label = None
    return timings


def ratio(timings, group, a, b):
    return statistics.median(x / y for x, y in zip(timings[group, a], timings[group, b]))


def report(timings, rows, rounds):
    if len(timings) != len(GROUPS) * len(COLLATIONS):
        sys.exit("shell_uint: the shell printed no .timer line for some query")
    targets = []
    for group, _, limit in GROUPS:
        print(f"\n### COLLATE version: {group}, sqlite3 shell ({rows} rows, {rounds} rounds)\n")
        print("| query | median ms | / BINARY | / uint |\n|---|---:|---:|---:|")
        for c in COLLATIONS:
            median_ms = statistics.median(timings[group, c]) * 1e3
            print(f"| COLLATE {c} | {median_ms:.1f} | {ratio(timings, group, c, 'BINARY'):.3f}"
                  f" | {ratio(timings, group, c, 'uint'):.3f} |")
        targets.append((f"{group}: COLLATE version / BINARY <= {limit}",
                        ratio(timings, group, "version", "BINARY"), limit))
        targets.append((f"{group}: COLLATE version / SQLite's uint <= 1",
                        ratio(timings, group, "version", "uint"), 1.0))
    print("\n## Targets against SQLite's uint\n\n| target | figure | |\n|---|---:|---|")
    for what, figure, limit in targets:
        print(f"| {what} | {figure:.3f}x | {'met' if figure <= limit else 'MISSED'} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("module", help="the korvel_sql loadable module")
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--sqlite3", default="sqlite3", help="the shell to run")
    args = parser.parse_args()
    if not has_uint(args.sqlite3):
        print(f"shell_uint: {args.sqlite3} has no uint collation; nothing measured")
        return
    with tempfile.TemporaryDirectory() as directory:
        database = os.path.join(directory, "real_deb.db")
        make_database(database, args.rows)
        output = shell(args.sqlite3, database,
                       timings_script(os.path.abspath(args.module), args.rounds))
    report(parse_timings(output), args.rows, args.rounds)


if __name__ == "__main__":
    main()
