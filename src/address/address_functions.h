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

}  // namespace korvel
