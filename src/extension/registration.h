// Registration of every SQL function the library adds to a connection.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// Registers the library's functions and its "version" collation on `db`,
// in a fixed order. A failed registration does not stop the later ones; the
// result is always SQLITE_OK, so that a connection keeps whatever could be
// registered. As a loadable extension `db` must belong to the SQLite library
// the entry point bound: the calls go through that library's routine table.
int register_functions(sqlite3* db) noexcept;

}  // namespace korvel
