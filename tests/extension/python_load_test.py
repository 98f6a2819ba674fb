"""Loads the extension through Python's sqlite3 module."""
import sqlite3
import sys

connection = sqlite3.connect(":memory:")
if not hasattr(connection, "enable_load_extension"):
    print(f"SKIP: {sys.executable}: its sqlite3 module was built without extension loading "
          "(no enable_load_extension); configure with -DKORVEL_PYTHON=<a python3 that has it>")
    sys.exit(77)
connection.enable_load_extension(True)
connection.load_extension(sys.argv[1])
checks = [
    ("SELECT format_ip_address('10.0.0.1')", 167772161),
    ("SELECT format_ip_address(42)", None),
    ("SELECT max_version(v) FROM (SELECT '1.9' v UNION ALL SELECT '1.10')", "1.10"),
]
for sql, expected in checks:
    got = connection.execute(sql).fetchone()[0]
    if got != expected:
        sys.exit(f"{sql}: expected {expected!r}, got {got!r}")
print("python sqlite3: ok")
