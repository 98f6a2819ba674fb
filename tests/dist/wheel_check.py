"""Run inside the venv the wheel went into: korvel_sql.load() on an
extension-enabled connection gives the functions; on a disabled one it says
how to enable loading; and the wheel's tag claims no glibc older than the one
the packaged library needs."""
import importlib.metadata
import os
import re
import sqlite3
import subprocess
import sys

import korvel_sql

version, wheel = sys.argv[1], os.path.basename(sys.argv[2])
failures = []
path = korvel_sql.loadable_path()
if not (os.path.isabs(path) and os.path.isfile(path) and sys.prefix in path):
    failures.append(f"loadable_path() {path!r} is not the venv's packaged library")
if importlib.metadata.version("korvel-sql") != version:
    failures.append(f"installed korvel-sql {importlib.metadata.version('korvel-sql')}, not {version}")
if korvel_sql.__version__ != version:
    failures.append(f"korvel_sql.__version__ is {korvel_sql.__version__!r}, not {version}")

connection = sqlite3.connect(":memory:")
if not hasattr(connection, "enable_load_extension"):
    print(f"SKIP: {sys.executable}: its sqlite3 module was built without extension loading")
    sys.exit(77)
connection.executescript("CREATE TABLE r(v); INSERT INTO r VALUES ('1.9'), ('1.10'), ('1.2');")
connection.enable_load_extension(True)
korvel_sql.load(connection)
connection.enable_load_extension(False)
got = connection.execute("SELECT max_version(v), korvel_sql_version() FROM r").fetchone()
if got != ("1.10", version):
    failures.append(f"max_version, korvel_sql_version() gave {got!r}")

disabled = sqlite3.connect(":memory:")
disabled.enable_load_extension(False)
try:
    korvel_sql.load(disabled)
    failures.append("load() on a connection with loading disabled succeeded")
except sqlite3.OperationalError as error:
    if "enable_load_extension(True)" not in str(error):
        failures.append(f"load() on a disabled connection said only: {error}")

# Anything but a connection is a TypeError, whatever the build's loading.
for wrong in (connection.cursor(), None, "inventory.db"):
    try:
        korvel_sql.load(wrong)
        failures.append(f"load({wrong!r}) succeeded")
    except TypeError as error:
        if "sqlite3.Connection" not in str(error):
            failures.append(f"load({wrong!r}) said only: {error}")
    except Exception as error:  # noqa: BLE001 - any other kind is the fault
        failures.append(f"load({wrong!r}) raised {type(error).__name__}: {error}")

symbols = subprocess.run(["objdump", "-T", path], check=True, capture_output=True, text=True)
needed = max(int(minor) for minor in re.findall(r"GLIBC_2\.(\d+)", symbols.stdout))
tagged = int(re.search(r"-manylinux_2_(\d+)_", wheel).group(1))
if tagged < needed:
    failures.append(f"{wheel} claims glibc 2.{tagged}; the library needs 2.{needed}")

if failures:
    sys.exit("\n".join(failures))
print(f"{wheel}: installed, loaded, max_version gave {got[0]}; needs glibc 2.{needed}")
