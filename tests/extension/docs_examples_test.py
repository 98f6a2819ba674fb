"""The README and docs/ as users read them: every one-line SELECT example
whose comment states its result ("SELECT ...;  -- 'value'", "-- 42" or
"-- NULL") gives that result on a connection holding the sample inventory,
and every SQL function and collation the library registers is in the
README's function table with a link to a docs section that exists.

    docs_examples_test.py PROJECT_DIR LIBRARY
"""
import pathlib
import re
import sqlite3
import sys

root, library = pathlib.Path(sys.argv[1]), sys.argv[2]
example = re.compile(r"^(SELECT .*?;)\s+-- ('[^']*'|-?\d+|NULL)(\s|$)")


def connect(with_library):
    connection = sqlite3.connect(":memory:")
    if not hasattr(connection, "enable_load_extension"):
        print(f"SKIP: {sys.executable}: its sqlite3 module was built without extension loading "
              "(no enable_load_extension); configure with -DKORVEL_PYTHON=<a python3 that has it>")
        sys.exit(77)
    if with_library:
        connection.enable_load_extension(True)
        connection.load_extension(library)
    return connection


def stated(text):
    if text == "NULL":
        return None
    return text[1:-1] if text.startswith("'") else int(text)


def check_examples(connection, failures):
    counts = {}
    for page in [root / "README.md", *sorted((root / "docs").glob("*.md"))]:
        for number, line in enumerate(page.read_text(encoding="utf-8").splitlines(), 1):
            match = example.match(line.strip())
            if not match:
                continue
            sql, want = match.group(1), stated(match.group(2))
            try:
                got = connection.execute(sql).fetchone()[0]
            except sqlite3.Error as error:
                got = f"error: {error}"
            counts[page.name] = counts.get(page.name, 0) + 1
            if got != want:
                failures.append(f"{page.name}:{number}: {sql} states {match.group(2)}, got {got!r}")
    return counts


def slug(heading):
    """The anchor a Markdown renderer gives a heading."""
    text = re.sub(r"[^\w\- ]", "", heading.strip().lower())
    return text.replace(" ", "-")


def check_function_table(failures):
    """Names the library adds, against the README table's names and links."""
    plain, loaded = connect(False), connect(True)
    names = {row[0] for row in loaded.execute("SELECT name FROM pragma_function_list")}
    names -= {row[0] for row in plain.execute("SELECT name FROM pragma_function_list")}
    collations = {row[0] for row in loaded.execute("SELECT name FROM pragma_collation_list")}
    collations -= {row[0] for row in plain.execute("SELECT name FROM pragma_collation_list")}
    readme = (root / "README.md").read_text(encoding="utf-8")
    table = readme[readme.index("## Every SQL function"):]
    orders = set(re.findall(r"`<s>` = (.*?) \|", table)[0].replace("`", "").replace(" ", "")
                 .split(","))
    listed = set(re.findall(r"`(?:COLLATE )?(\w+(?:<s>)?)(?:\(|`)", table))
    for name in sorted(names | {"COLLATE " + c for c in collations}):
        bare = name.removeprefix("COLLATE ")
        stem, _, order = bare.rpartition("_")
        if bare not in listed and not (order in orders and stem + "_<s>" in listed):
            failures.append(f"README's function table lacks {name}")
    for page, anchor in re.findall(r"\]\((docs/[\w.]+\.md)(?:#([\w-]+))?\)", readme):
        path = root / page
        if not path.is_file():
            failures.append(f"README links to {page}, which does not exist")
        elif anchor and anchor not in {slug(h) for h in
                                       re.findall(r"^#+ (.*)$", path.read_text(encoding="utf-8"),
                                                  re.MULTILINE)}:
            failures.append(f"README links to {page}#{anchor}, which has no such heading")


failures = []
connection = connect(True)
connection.executescript((root / "examples" / "inventory.sql").read_text(encoding="utf-8"))
counts = check_examples(connection, failures)
check_function_table(failures)
print(f"{sum(counts.values())} examples checked: " +
      ", ".join(f"{page} {n}" for page, n in sorted(counts.items())), flush=True)
if counts.get("README.md", 0) < 5:
    failures.append("too few README examples found: the pattern no longer matches the README")
if failures:
    sys.exit("\n".join(failures))
