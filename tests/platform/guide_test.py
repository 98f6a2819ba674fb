"""Every fenced block of the guide must be one of the example files, shown
whole: the tests that run the examples then test what the guide shows."""
import pathlib
import re
import sys

guide = pathlib.Path(sys.argv[1])
root = guide.resolve().parent.parent
blocks = re.findall(r"^(?:<!-- file: (\S+) -->\n)?```\w*\n(.*?)^```$", guide.read_text(),
                    re.MULTILINE | re.DOTALL)
problems = []
for name, body in blocks:
    if not name:
        problems.append("a block without a <!-- file: ... --> line:\n" + body)
    elif not (root / name).is_file():
        problems.append(f"{name}: no such file")
    elif (root / name).read_text() != body:
        problems.append(f"{name}: the guide's copy differs from the file")
if not blocks:
    problems.append("no fenced blocks found")
if problems:
    sys.exit("\n".join(problems))
print(f"{len(blocks)} blocks, each an example file")
