"""Runs every one-line SELECT example of the README whose comment states its
result ("SELECT ...;  -- 'value'" or "-- 42") and checks that result."""
import re
import sqlite3
import sys

readme, library = sys.argv[1], sys.argv[2]
example = re.compile(r"^(SELECT .*?;)\s+-- ('[^']*'|-?\d+)(\s|$)")
connection = sqlite3.connect(":memory:")
if not hasattr(connection, "enable_load_extension"):
    print(f"SKIP: {sys.executable}: its sqlite3 module was built without extension loading "
          "(no enable_load_extension); configure with -DKORVEL_PYTHON=<a python3 that has it>")
    sys.exit(77)
connection.enable_load_extension(True)
connection.load_extension(library)

checked = 0
failures = []
with open(readme, encoding="utf-8") as text:
    for line in text:
        match = example.match(line.strip())
        if not match:
            continue
        sql, stated = match.group(1), match.group(2)
        expected = stated[1:-1] if stated.startswith("'") else int(stated)
        got = connection.execute(sql).fetchone()[0]
        checked += 1
        if got != expected:
            failures.append(f"{sql}: README says {stated}, got {got!r}")
print(f"{checked} README examples checked")
if failures or checked < 8:
    sys.exit("\n".join(failures) or "too few examples found: the pattern no longer matches the README")
