// SQL glue for the address functions.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// format_ip_address(TEXT) -> INTEGER
//   The numeric value of a dotted address: format_ip_address('192.168.1.1')
//   is 3232235777. Lenient: any text folds into a number (see
//   fold_ip_address). A non-TEXT argument (INTEGER, REAL, BLOB, NULL) gives
//   NULL; numbers are not converted to text. Fails with SQLITE_NOMEM only
//   when SQLite cannot hand over the argument's text.
extern "C" void format_ip_address_func(sqlite3_context* context, int argc,
                                       sqlite3_value** argv) noexcept;

// ip_address_text(INTEGER) -> TEXT
//   The dotted text of an IPv4 address number, the inverse of
//   format_ip_address for the usual case: ip_address_text(3232235777) is
//   '192.168.1.1'. A REAL whose value is exactly such an integer counts as
//   it (what Node's better-sqlite3 binds for a JavaScript number). NULL for
//   numbers outside 0..4294967295, other REALs and every other type (TEXT,
//   BLOB, NULL).
extern "C" void ip_address_text_func(sqlite3_context* context, int argc,
                                     sqlite3_value** argv) noexcept;

// The strict functions below read a text as Python 3.11's ipaddress does: an
// address is what ip_address() accepts ('10.0.0.1', '2001:db8::1',
// '::ffff:10.0.0.1', 'fe80::1%eth0'), a network what ip_network(text,
// strict=False) accepts ('10.0.0.0/8', '10.0.0.0/255.0.0.0',
// '10.0.0.0/0.255.255.255', '2001:db8::/32', or an address, its own /32 or
// /128), host bits cleared. A non-TEXT argument, or a text that is not what
// the function takes, gives NULL. A zone ('%eth0') stays in every text
// derived from its address; the key and containment ignore it. Fail with
// SQLITE_NOMEM only when SQLite cannot hand over a text or take a result.

// ip_text(TEXT) -> TEXT
//   The canonical text of an address: ipaddress' compressed form, IPv4-mapped
//   addresses as '::ffff:a.b.c.d'. ip_text('2001:DB8:0:0::1') is
//   '2001:db8::1'. NULL for a network text ('10.0.0.0/8').
extern "C" void ip_text_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// ip_family(TEXT) -> INTEGER
//   4 or 6 for an address or network.
extern "C" void ip_family_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// ip_network(TEXT) -> TEXT, ip_network(TEXT, INTEGER prefix) -> TEXT
//   The canonical 'address/prefix' of a network, host bits cleared. With a
//   prefix, the network of that length holding the address or network:
//   ip_network('10.1.2.3', 24) is '10.1.2.0/24'. NULL when the prefix is not
//   an INTEGER, is outside 0..32 (0..128 for IPv6) or is longer than the
//   network's own.
extern "C" void ip_network_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// ip_network_first(TEXT) -> TEXT, ip_network_last(TEXT) -> TEXT
//   The canonical text of a network's first and last address.
extern "C" void ip_network_first_func(sqlite3_context* context, int argc,
                                      sqlite3_value** argv) noexcept;
extern "C" void ip_network_last_func(sqlite3_context* context, int argc,
                                     sqlite3_value** argv) noexcept;

// ip_masklen(TEXT) -> INTEGER
//   A network's prefix length; 32 or 128 for an address.
extern "C" void ip_masklen_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// ip_contains(TEXT network, TEXT inner) -> INTEGER
//   1 when the address or network `inner` lies inside `network` (same
//   family, prefix not shorter, equal bits under the network's prefix), else
//   0; NULL when either is not an address or network.
extern "C" void ip_contains_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// ip_key(TEXT) -> BLOB
//   The sort key of an address or network: the family byte (4 or 6), the
//   first address (4 or 16 bytes, network order), the prefix length byte.
//   BINARY order of keys: IPv4 before IPv6, by address, a network before
//   the addresses it holds. Keys are stored by users: never change them.
extern "C" void ip_key_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// COLLATE ip: texts that are neither address nor network first, by bytes;
// then by ip_key; equal keys ('::1' and '0::1') by bytes. No allocation.
extern "C" int ip_collation(void* unused, int left_bytes, const void* left, int right_bytes,
                            const void* right) noexcept;

}  // namespace korvel
