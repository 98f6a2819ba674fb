"""Writes what each package manager's own tool says of a committed sample,
for the platforms where the tool cannot run (the arm64 stage runs under
emulation, without dpkg, rpm, node or Python's packaging):

    write_expected.py EXTENSION SCHEME

tests/version/data/<scheme>_expected.tsv gets a line per text of the sample
and of the scheme's seeded adversarial texts: the text in hex, a tab, and
'-' where the tool rejects the text, else its dense rank in the tool's order
among the valid ones (equal ranks: equivalent versions). The ranks come
from sorting by this library's key and then asking the tool about every pair
of neighbours; a neighbour pair the tool orders the other way stops the
script, so what it writes is the tool's order. scheme_expected_test.cpp
checks the library against these files on every platform.
"""
import os
import random
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scheme_differential as differential  # noqa: E402


def main(extension, scheme):
    module = differential.load_scheme(scheme)
    sample = differential.read_lines(os.path.join(differential.HERE, "data", module.SAMPLE))
    # The same texts, in the same order, as the differential check reads;
    # only the real ones for a tool that is not transitive, whose adversarial
    # texts have no single order to write down.
    adversarial = [] if getattr(module, "SELF_CONTRADICTIONS", False) else \
        module.adversarial(random.Random(20261209))
    texts = list(dict.fromkeys(sample + adversarial))
    oracle = differential.Oracle(module.ORACLE)
    valid = oracle.valid(texts)
    db = differential.open_extension(extension)
    keys = [db.execute(f"SELECT version_key_{scheme}(CAST(? AS TEXT))", (t,)).fetchone()[0]
            for t in texts]
    ordered = sorted((i for i, ok in enumerate(valid) if ok), key=lambda i: keys[i])
    neighbours = list(zip(ordered, ordered[1:]))
    answers = oracle.compare([(texts[a], texts[b]) for a, b in neighbours])
    oracle.close()
    # Where the module refines the tool's answer into a total order, or the
    # tool departs from its documented order in a class the module names
    # (None), the x86_64 library's key order stands in: its unit tests check
    # those classes against the documented rules.
    key_order = getattr(module, "expected_key_order", lambda a, b, tool: tool)
    for n, ((a, b), tool) in enumerate(zip(neighbours, answers)):
        want = key_order(texts[a], texts[b], tool) if tool is not None else None
        answers[n] = want if want is not None else (0 if keys[a] == keys[b] else -1)
    rank = {}
    current = 0
    for position, i in enumerate(ordered):
        if position and answers[position - 1] < 0:
            current += 1
        elif position and answers[position - 1] > 0:
            sys.exit(f"the tool orders {texts[ordered[position - 1]]!r} after {texts[i]!r}: "
                     "the library's key order is not the tool's")
        rank[i] = current
    path = os.path.join(differential.HERE, "data", f"{scheme}_expected.tsv")
    with open(path, "w", encoding="ascii") as out:
        for i, text in enumerate(texts):
            out.write(f"{text.hex()}\t{rank[i] if i in rank else '-'}\n")
    print(f"{scheme}: {len(texts)} texts, {len(rank)} valid, {current + 1} distinct versions")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
