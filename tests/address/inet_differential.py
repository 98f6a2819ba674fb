"""The strict address functions against Python's ipaddress and glibc's inet_pton.

    inet_differential.py EXTENSION

Through the loaded extension, over generated addresses and networks of both
families and adversarial texts: acceptance, ip_text, ip_family, ip_network
with and without a prefix, first/last, masklen and ip_key against
ipaddress.ip_address / ip_network(strict=False); acceptance of texts without
zone or prefix against socket.inet_pton (glibc's); containment against
`in` / subnet_of for every pair of a sample; COLLATE ip against the key order;
ip_contains against the key-range test; the index-backed subnet query
against ip_contains, with a SEARCH in its plan.

Where this library departs from Python on purpose, the expectation says so:
IPv4-mapped addresses print as '::ffff:a.b.c.d' (RFC 5952 section 5, newer
Pythons), and a zone stays in every text derived from its address.
"""
import ipaddress
import random
import re
import socket
import sqlite3
import sys

rng = random.Random(30)
failures = []


def fail(what, text, got, want):
    failures.append(f"{what}({text[:80]!r}{'...' if len(text) > 80 else ''}): got {str(got)[:80]!r}, "
                    f"want {str(want)[:80]!r}")


# ---- generated texts --------------------------------------------------------

def ipv4_text(n):
    return ".".join(str(n >> s & 255) for s in (24, 16, 8, 0))


def ipv6_forms(hextets):
    """Every way to write these hextets: full, padded, upper case, '::' over
    each run of zeros, and the last 32 bits dotted."""
    full = [f"{h:x}" for h in hextets]
    forms = {":".join(full), ":".join(f"{h:04x}" for h in hextets), ":".join(full).upper()}
    runs, i = [], 0
    while i < 8:
        if hextets[i] == 0:
            j = i
            while j < 8 and hextets[j] == 0:
                j += 1
            for a in range(i, j):
                for b in range(a + 1, j + 1):
                    runs.append((a, b))
            i = j
        else:
            i += 1
    for a, b in runs:
        forms.add(":".join(full[:a]) + "::" + ":".join(full[b:]))
    dotted = ipv4_text(hextets[6] << 16 | hextets[7])
    forms.add(":".join(full[:6]) + ":" + dotted)
    for a, b in runs:
        if b <= 6:
            forms.add(":".join(full[:a]) + "::" + ":".join(full[b:6] + [dotted]))
    return forms


def generated():
    texts = set()
    for _ in range(300):
        texts.add(ipv4_text(rng.getrandbits(32)))
    texts |= {"0.0.0.0", "255.255.255.255", "127.0.0.1", "10.0.0.1", "192.168.1.1"}
    for shape in range(256):  # which hextets are zero
        hextets = [0 if shape >> i & 1 else rng.choice([1, 0xdb8, 0xffff, rng.getrandbits(16) | 1])
                   for i in range(8)]
        texts |= set(rng.sample(sorted(ipv6_forms(hextets)), 3))
    for _ in range(40):
        v4 = ipv4_text(rng.getrandbits(32))
        texts |= {"::ffff:" + v4, "::" + v4, "64:ff9b::" + v4, "::ffff:0:" + v4, "::FFFF:" + v4}
    for base in ["fe80::1", "::1", "2001:db8::17", "::ffff:10.0.0.1", "fe80::"]:
        for zone in ["eth0", "1", "a b", "x/y", "", "a%b", "ü", "%", "a\0b", "lo0."]:
            texts.add(base + "%" + zone)
    return texts


def networks_of(texts):
    """Networks over addresses of both families: every prefix length, with
    and without host bits, netmask and hostmask forms, leading zeros."""
    out = set()
    v4 = [t for t in texts if ":" not in t and "%" not in t]
    v6 = [t for t in texts if ":" in t and "%" not in t]
    for p in range(33):
        mask = (0xFFFFFFFF << (32 - p)) & 0xFFFFFFFF
        for t in rng.sample(v4, 3):
            out |= {f"{t}/{p}", f"{t}/{ipv4_text(mask)}", f"{t}/{ipv4_text(mask ^ 0xFFFFFFFF)}"}
        out.add(ipv4_text(rng.getrandbits(32) & mask) + f"/{p}")
    for p in range(129):
        for t in rng.sample(v6, 3):
            out.add(f"{t}/{p}")
        out.add(f"fe80::{rng.getrandbits(16):x}%eth{p % 3}/{p}")
    out |= {"10.0.0.0/08", "10.0.0.0/000024", "::/0128", "10.0.0.0/33", "::/129", "10.0.0.0/-1",
            "10.0.0.0/ 8", "10.0.0.0/8 ", "10.0.0.0/", "10.0.0.0/8/8", "10.0.0.0/255.0.255.0",
            "10.0.0.0/255.255.255.256", "10.0.0.0/+8", "::/64%eth0", "::%eth0/64",
            "10.0.0.0/255.000.0.0", "2001:db8::/ffff::", "10.0.0.0/0.0.0.0", "1.2.3.4/32",
            "10.0.0.0/255.255.255.255", "10.0.0.0/" + "0" * 4299 + "8", "10.0.0.0/" + "0" * 4300 + "8"}
    return out


ADVERSARIAL = [
    "", " ", " 1.2.3.4", "1.2.3.4 ", "1.2.3.4\n", "01.2.3.4", "1.2.3.04", "1.2.3.00", "1.2.3.0",
    "1.2.3", "1.2.3.4.", "1.2.3.4.5", "1..3.4", ".1.2.3", "256.1.1.1", "1.2.3.1000", "1.2.3.0x1",
    "1.2.3.4\0", "\0", "1.2.3.4/8\0", "١.2.3.4", "1.2.3.٤", "１.2.3.4", "0x1.2.3.4", "4294967295",
    "1:2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7", "12345::", "::12345", "1::00000",
    ":::", "::::", "1:::2", "1::2::3", "::1::", ":1::", "::1:", "1:", ":1", ":", "::", "1::",
    "1:2:3:4:5:6:7::", "::2:3:4:5:6:7:8", "1:2:3:4::5:6:7:8", "1:2:3:4:5:6::1.2.3.4",
    "1:2:3:4:5::1.2.3.4", "1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:7:1.2.3.4", "::1.2.3.4.",
    "::1.2.3", "::01.2.3.4", "::1.2.3.4:5", "1.2.3.4::", "::ffff:1.2.3.4/96", "fe80::1%",
    "fe80::1%%", "::g", "::-1", "::+1", "0x::1", "::1 ", " ::1", "::1\0", "::1\t", "1:2:3:4:5:6:7:8%",
    "[::1]", "::1/", "::1/%1", "fe80::1/64%eth0", "1.2.3.4%eth0", "::1%a/b", "::ffff:1.2.3.4.5",
    "::0:0:0:0:0:0:0", "0:0:0:0:0:0:0:0:0", "::1.2.3.256", "1::2:3:4:5:6:7", "1:2::3:4:5:6:7",
    "1::2:3:4:5:6:7:8", "::0000:0001", "0000:0000:0000:0000:0000:0000:0000:0001", "a:b:c:d:e:f:A:B",
    "FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:255.255.255.255", "ffff::ffff:ffff:255.255.255.255",
    "1" * 10_000_000, "::" + "0" * 10_000_000, "1." * 5_000_000, ":" * 10_000_000,
    "fe80::1%" + "z" * 10_000_000, "10.0.0.0/" + "0" * 10_000_000 + "8",
]

# ---- what Python says -------------------------------------------------------


def py_address(text):
    try:
        return ipaddress.ip_address(text)
    except ValueError:
        return None


def py_network(text):
    try:
        return ipaddress.ip_network(text, strict=False)
    except ValueError:
        return None


def plain(address):
    """The address without its zone, as this library prints it."""
    if address.version == 6:
        address = ipaddress.IPv6Address(int(address))
        if address.ipv4_mapped is not None:
            return "::ffff:" + str(address.ipv4_mapped)
    return str(address)


def zone_of(text):
    if ":" not in text:
        return ""
    scope = ipaddress.IPv6Address(text.split("/")[0]).scope_id
    return "%" + scope if scope else ""


def address_text(address, zone):
    return plain(address) + zone


def key_of(network):
    return (bytes([network.version]) + network.network_address.packed
            + bytes([network.prefixlen]))


def pton_family(text):
    for family, number in ((socket.AF_INET, 4), (socket.AF_INET6, 6)):
        try:
            socket.inet_pton(family, text)
            return number
        except OSError:
            pass
    return None


# ---- the checks -------------------------------------------------------------


def check_texts(db, texts):
    db.execute("CREATE TEMP TABLE t(id INTEGER PRIMARY KEY, text TEXT, prefix INTEGER)")
    rows = []
    for i, text in enumerate(texts):
        net = py_network(text)
        bits = 32 if net is None or net.version == 4 else 128
        rows.append((i, text, rng.randint(-1, bits + 1)))
    db.executemany("INSERT INTO t VALUES (?, ?, ?)", rows)
    zone_dropped = pton_checked = 0
    query = ("SELECT text, prefix, ip_text(text), ip_family(text), ip_network(text), "
             "ip_network(text, prefix), ip_network_first(text), ip_network_last(text), "
             "ip_masklen(text), ip_key(text) FROM t ORDER BY id")
    for text, prefix, *got in db.execute(query):
        address, net = py_address(text), py_network(text)
        zone = zone_of(text) if net is not None else ""
        if net is None:
            want = [None] * 8
        else:
            with_prefix = None
            if 0 <= prefix <= net.prefixlen:
                wider = net.supernet(new_prefix=prefix)
                with_prefix = f"{plain(wider.network_address)}{zone}/{prefix}"
            want = [address_text(address, zone) if address is not None else None, net.version,
                    f"{plain(net.network_address)}{zone}/{net.prefixlen}", with_prefix,
                    plain(net.network_address) + zone, plain(net.broadcast_address) + zone,
                    net.prefixlen, key_of(net)]
            if zone and str(net) != want[2] and str(net).replace(zone, "") == want[2].replace(zone, ""):
                zone_dropped += 1
        names = ["ip_text", "ip_family", "ip_network", f"ip_network(.., {prefix})",
                 "ip_network_first", "ip_network_last", "ip_masklen", "ip_key"]
        for name, g, w in zip(names, got, want):
            if g != w:
                fail(name, text, g, w)
        if "/" not in text and "%" not in text and "\0" not in text:
            pton_checked += 1
            if got[1] != pton_family(text):
                fail("ip_family vs inet_pton", text, got[1], pton_family(text))
    return zone_dropped, pton_checked


def collation_key(text):
    net = py_network(text)
    if net is None:
        return (0, text.encode())
    return (1, net.version, int(net.network_address), net.prefixlen, text.encode())


def check_order(db, texts):
    sample = sorted(t for t in texts if len(t) < 100)
    sample = rng.sample(sample, 1500)
    db.execute("CREATE TEMP TABLE o(text TEXT)")
    db.executemany("INSERT INTO o VALUES (?)", [(t,) for t in sample])
    got = [r[0] for r in db.execute("SELECT text FROM o ORDER BY text COLLATE ip")]
    want = sorted(sample, key=collation_key)
    if got != want:
        first = next(i for i, (a, b) in enumerate(zip(got, want)) if a != b)
        fail("ORDER BY COLLATE ip", got[first], got[first], want[first])
    db.execute("CREATE INDEX o_ip ON o(text COLLATE ip)")
    indexed = [r[0] for r in db.execute("SELECT text FROM o INDEXED BY o_ip ORDER BY text COLLATE ip")]
    if indexed != want:
        fail("index COLLATE ip", "", indexed[:3], want[:3])
    # The keys' BINARY order is the same order over the valid texts.
    valid = [t for t in sample if py_network(t) is not None]
    by_key = [r[0] for r in db.execute(
        "SELECT text FROM o WHERE ip_key(text) IS NOT NULL ORDER BY ip_key(text), text")]
    if by_key != sorted(valid, key=collation_key):
        fail("ORDER BY ip_key", "", by_key[:3], sorted(valid, key=collation_key)[:3])
    # A total order: each pair compares as the keys do; equal only if identical.
    pairs = [(rng.choice(sample), rng.choice(sample)) for _ in range(20000)]
    pairs += [(a, a) for a in sample[:100]]
    pairs += [("::1", "0::1"), ("0::1", "::1"), ("10.0.0.0/8", "10.0.0.0/255.0.0.0")]
    # Dotted texts of 7 to 15 bytes, valid or nearly so, against each other:
    # the collation checks and orders those from bit masks of the bytes.
    parts = ["0", "1", "9", "10", "99", "100", "199", "200", "249", "250", "255", "256",
             "260", "300", "999", "01", "001", "010", "1000", ""]
    quads = [".".join(rng.choice(parts) for _ in range(rng.choice((3, 4, 4, 4, 5))))
             for _ in range(400)]
    pairs += [(rng.choice(quads), rng.choice(quads)) for _ in range(20000)]
    db.execute("CREATE TEMP TABLE p(id INTEGER PRIMARY KEY, a TEXT, b TEXT)")
    db.executemany("INSERT INTO p(a, b) VALUES (?, ?)", pairs)
    for (a, b), (lt, eq) in zip(pairs, db.execute(
            "SELECT a < b COLLATE ip, a = b COLLATE ip FROM p ORDER BY id")):
        ka, kb = collation_key(a), collation_key(b)
        if (lt, eq) != (int(ka < kb), int(ka == kb)):
            fail("COLLATE ip pair", f"{a} | {b}", (lt, eq), (int(ka < kb), int(ka == kb)))
    return len(pairs)


def py_contains(network_text, inner_text):
    strip = lambda t: re.sub("%[^/]*", "", t)
    outer, inner = py_network(strip(network_text)), py_network(strip(inner_text))
    if "/" not in inner_text:
        return int(ipaddress.ip_address(strip(inner_text)) in outer)
    try:
        return int(inner.subnet_of(outer))
    except TypeError:  # another family
        return 0


def check_containment(db, texts):
    valid = sorted(t for t in texts if len(t) < 100 and py_network(t) is not None)
    sample = rng.sample(valid, 200)
    # Nested networks and their edges, so that containment is often true.
    for t in rng.sample(sample, 40):
        net = py_network(t)
        for p in range(0, net.prefixlen + 1, 5):
            sample.append(str(net.supernet(new_prefix=p)))
        sample += [str(net.broadcast_address), str(net.network_address)]
    db.execute("CREATE TEMP TABLE c(text TEXT)")
    db.executemany("INSERT INTO c VALUES (?)", [(t,) for t in sample])
    query = ("SELECT n.text, a.text, ip_contains(n.text, a.text), ip_key(a.text) BETWEEN "
             "ip_key(n.text) AND ip_key(ip_network_last(n.text)) FROM c AS n, c AS a")
    count = 0
    for n, a, contains, in_range in db.execute(query):
        count += 1
        want = py_contains(n, a)
        if contains != want:
            fail("ip_contains", f"{n} | {a}", contains, want)
        if in_range != contains:
            fail("key range vs ip_contains", f"{n} | {a}", in_range, contains)
    return count


def check_index(db):
    db.execute("CREATE TEMP TABLE hosts(ip TEXT)")
    db.execute("CREATE INDEX hosts_by_key ON hosts(ip_key(ip))")
    hosts = [ipv4_text(0x0A000000 | rng.getrandbits(16)) for _ in range(3000)]
    hosts += [f"2001:db8:{rng.getrandbits(2):x}::{rng.getrandbits(16):x}" for _ in range(2000)]
    hosts += ["10.0.0.0/16", "10.0.1.0/24", "not an address", "fe80::1%eth0"]
    db.executemany("INSERT INTO hosts VALUES (?)", [(h,) for h in hosts])
    db.execute("ANALYZE")
    subnets = ["10.0.0.0/8", "10.0.0.0/16", "10.0.1.0/24", "10.0.1.128/25", hosts[0] + "/32", hosts[-1],
               "2001:db8::/32", "2001:db8:1::/48", "2001:db8:2::/64", "fe80::/10", "::/0", "0.0.0.0/0"]
    ranged = ("SELECT ip FROM hosts WHERE ip_key(ip) BETWEEN ip_key(:n) AND "
              "ip_key(ip_network_last(:n)) ORDER BY rowid")
    for n in subnets:
        got = [r[0] for r in db.execute(ranged, {"n": n})]
        want = [r[0] for r in db.execute(
            "SELECT ip FROM hosts WHERE ip_contains(:n, ip) ORDER BY rowid", {"n": n})]
        if got != want or not got:
            fail("subnet query through the index", n, len(got), len(want))
        plan = " ".join(r[3] for r in db.execute("EXPLAIN QUERY PLAN " + ranged, {"n": n}))
        if "SEARCH hosts USING INDEX hosts_by_key" not in plan:
            fail("subnet query plan", n, plan, "SEARCH hosts USING INDEX hosts_by_key")
    return len(subnets)


def main():
    db = sqlite3.connect(":memory:")
    try:
        db.enable_load_extension(True)
    except AttributeError:
        print("SKIP: this Python cannot load extensions")
        return 77
    db.load_extension(sys.argv[1])
    texts = generated()
    texts |= networks_of(texts)
    everything = sorted(texts) + ADVERSARIAL
    dropped, pton = check_texts(db, everything)
    valid = sum(1 for t in everything if py_network(t) is not None)
    pairs = check_order(db, texts | set(t for t in ADVERSARIAL if len(t) < 100))
    contained = check_containment(db, texts)
    subnets = check_index(db)
    print(f"{len(everything)} texts ({valid} addresses or networks), {pton} also against inet_pton; "
          f"{pairs} collation pairs; {contained} containment pairs; {subnets} subnet queries; "
          f"{dropped} zoned networks where Python drops the zone and this library keeps it")
    for line in failures[:40]:
        print(line)
    print(f"{len(failures)} disagreements")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
