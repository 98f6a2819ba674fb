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

}  // namespace korvel
