"""Python package versions, against packaging.version.Version."""
import os

SAMPLE = "pep440_versions.txt"
ORACLE = ["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "..", "oracles",
                                           "pep440_oracle.py")]

PRE = ["a", "b", "c", "rc", "alpha", "beta", "pre", "preview", "A", "Alpha", "RC", "PREVIEW",
       "prevıew", "prevİew", "PREVİEW"]
POST = ["post", "rev", "r", "POST", "Rev", "R", "poſt", "POſT"]
DEV = ["dev", "DEV", "Dev"]
SEPARATORS = ["", ".", "-", "_"]
# Python's \s for str, plus neighbours that are not white space.
SPACES = [" ", "\t", "\n", "\v", "\f", "\r", "\x1c", "\x1f", "\x85", "\xa0", "\u1680", "\u2000",
          "\u200a", "\u2028", "\u2029", "\u202f", "\u205f", "\u3000"]
NOT_SPACES = ["\x00", "\x08", "\x0e", "\x1b", "\x7f", "\x84", "\x86", "\u180e", "\u200b",
              "\u200c", "\u2060", "\ufeff", "\u2027"]
LOCAL_CHARS = "abzABZ0189İıſKk" + "ǰẞßé-"
NUMBERS = ["0", "1", "2", "9", "10", "00", "01", "007", "100", "1" + "0" * 25, "9" * 30,
           "0" * 20 + "5", "18446744073709551616", "2147483648"]
INVALID_BYTES = [b"\xc4", b"\xc4\x30", b"\xe2\x84", b"\xed\xa0\x80", b"\xc0\xa0", b"\xe0\x80\xa0",
                 b"\xff", b"\xc2\x20", b"\xf0\x9f\x98\x80", b"\x80"]


def number(rng):
    return rng.choice(NUMBERS) if rng.random() < 0.3 else str(rng.randrange(12))


def release(rng):
    parts = [number(rng) for _ in range(rng.randrange(1, 5))]
    if rng.random() < 0.3:
        parts += ["0"] * rng.randrange(1, 4)
    return ".".join(parts)


def letter_part(rng, spellings):
    text = rng.choice(SEPARATORS) + rng.choice(spellings)
    if rng.random() < 0.7:
        text += rng.choice(SEPARATORS) + number(rng)
    elif rng.random() < 0.3:
        text += rng.choice(SEPARATORS)
    return text


def local(rng):
    segments = ["".join(rng.choice(LOCAL_CHARS[:15]) for _ in range(rng.randrange(1, 4)))
                for _ in range(rng.randrange(1, 4))]
    text = "+" + segments[0]
    for segment in segments[1:]:
        text += rng.choice(".-_") + segment
    return text


def version(rng):
    text = ""
    if rng.random() < 0.15:
        text += number(rng) + "!"
    text += release(rng)
    if rng.random() < 0.5:
        text += letter_part(rng, PRE)
    if rng.random() < 0.15:
        text += "-" + number(rng)
    elif rng.random() < 0.35:
        text += letter_part(rng, POST)
    if rng.random() < 0.4:
        text += letter_part(rng, DEV)
    if rng.random() < 0.3:
        text += local(rng)
    if rng.random() < 0.1:
        text = rng.choice("vV") + text
    if rng.random() < 0.15:
        text = rng.choice(SPACES) * rng.randrange(1, 3) + text + rng.choice(SPACES)
    return text


def mutate(rng, text):
    """One edit that is often invalid: a stray byte, a doubled or missing piece."""
    i = rng.randrange(len(text) + 1)
    choice = rng.randrange(7)
    if choice == 0:
        return text[:i] + rng.choice(NOT_SPACES + SPACES + list(".-_+!vV")) + text[i:]
    if choice == 1:
        return text[:i] + text[i + 1:]
    if choice == 2:
        return text[:i] + text[i:i + 2] + text[i:]
    if choice == 3:
        return text[:i] + rng.choice(LOCAL_CHARS) + text[i:]
    if choice == 4:
        return text.upper() if rng.random() < 0.5 else text.swapcase()
    if choice == 5:
        return text + rng.choice(["+", "+.", ".", "-", "!", "+a..b", "+a.", ".post-1", "-1-1"])
    return rng.choice(["", "v", " ", "!1", "1!", "+a", ".1", "1..2", "1.", "1.a.", "1a..post",
                       "1a--1", "1a.-1", "1a-.1", "1.0-", "1.0_1", "1.0.-1"]) + text[i:]


def adversarial(rng):
    texts = [version(rng) for _ in range(2500)]
    texts += [mutate(rng, version(rng)) for _ in range(1500)]
    encoded = [text.encode("utf-8") for text in texts]
    for _ in range(200):
        text = version(rng).encode("utf-8")
        i = rng.randrange(len(text) + 1)
        encoded.append(text[:i] + rng.choice(INVALID_BYTES) + text[i:])
    encoded += [b"1.0\x00", b"\x001.0", b"1\x00.0", b"1.0+a\x00"]
    # Every byte where the checks of sixteen bytes at once can slip: in a
    # short text, at a chunk's edges, in a last chunk that overlaps, past 64;
    # about an epoch, and where a key's number or word crosses a word.
    for byte in range(256):
        encoded += [head + bytes([byte]) + tail for head, tail in
                    [(b"1", b""), (b"1.0", b"+a"), (b"1.0+a", b""), (b"1.2+ds", b"1"),
                     (b"1.2.3.4.5.6", b"7+ds1"), (b"1.2.3+dfsg.12", b"x.1"),
                     (b"1.2.3.4.5.6.7.8", b"+dfsg.1"), (b"1.2.3.4.5.6+dfsg", b"2.a"),
                     (b"1.2.3.4.5.6.7.8.9.10", b".11+ds"), (b"1.2.3+" + b"a" * 26, b"b.1"),
                     (b"1." * 31, b"1"), (b"1+" + b"a" * 61, b"a"), (b"1." * 32, b""),
                     (b"1!", b".0"), (b"12", b"1.0"), (b"2!1.0+ab", b""), (b"12345678", b"9"),
                     (b"1.2.3.4.5.6.7.", b""), (b"1.2.3.4.5.6.7.8", b"+a"),
                     (b"9!1.2.3.4.5.6.7.8", b"9"), (b"1+abcdefg", b"hi.1")]]
    return encoded
