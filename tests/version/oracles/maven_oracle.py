#!/usr/bin/python3
"""The maven scheme's reference: Maven 3.8.7's ComparableVersion (Debian's
libmaven3-core-java, run with default-jre-headless) behind MavenOracle.java,
compiled when the oracle starts (or run from source where javac is missing).

JSON lines on stdin, one answer line each; texts are strings whose code
points 0..255 are the text's bytes:
  {"valid": [t, ...]}          -> [bool, ...]
  {"compare": [[a, b], ...]}   -> [-1 | 0 | 1, ...]
  {"contradicts": [[a, b], ...]} -> [bool, ...]: see MavenOracle.java
ComparableVersion reads every string; the product leaves out only the empty
text and texts with a NUL, so those are the invalid ones. Texts reach Java
as UTF-8: the differential check sends only texts that are.
"""
import atexit
import json
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
JAR = "/usr/share/java/maven3-artifact-3.8.7.jar"
SOURCE = os.path.join(HERE, "MavenOracle.java")


def start_java():
    if shutil.which("java") is None or not os.path.exists(JAR):
        print("SKIP: java or libmaven3-core-java is missing", file=sys.stderr)
        sys.exit(77)
    if shutil.which("javac"):
        work = tempfile.mkdtemp(prefix="maven_oracle.")
        atexit.register(shutil.rmtree, work, True)
        subprocess.run(["javac", "-nowarn", "-cp", JAR, "-d", work, SOURCE], check=True)
        argv = ["java", "-cp", JAR + os.pathsep + work, "MavenOracle"]
    else:
        argv = ["java", "-cp", JAR, SOURCE]
    return subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)


JAVA = start_java()


def ask(verb, a, b):
    raw = [t.encode("latin-1").hex() for t in (a, b)]
    JAVA.stdin.write(f"{verb} {raw[0]} {raw[1]}\n")


def answers(verb, pairs):
    # In batches, so that neither pipe fills while the other is waited on.
    out = []
    for start in range(0, len(pairs), 512):
        batch = pairs[start:start + 512]
        for a, b in batch:
            ask(verb, a, b)
        JAVA.stdin.flush()
        out += [int(JAVA.stdout.readline()) for _ in batch]
    return out


def main():
    for line in sys.stdin:
        request = json.loads(line)
        if "valid" in request:
            answer = [t != "" and "\0" not in t for t in request["valid"]]
        elif "compare" in request:
            answer = answers("c", request["compare"])
        else:
            answer = [x == 1 for x in answers("x", request["contradicts"])]
        sys.stdout.write(json.dumps(answer) + "\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
