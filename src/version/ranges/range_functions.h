// SQL glue of the constraint grammars: one routine for every row of the
// scheme table, one for the default order, one for "vers:" texts. Each keeps
// the compiled constraints with the statement (SQLite's auxdata on the
// constraint argument), so a scan with a constant range parses it once.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// version_satisfies_<scheme>(version TEXT, constraints TEXT) -> INTEGER
//   1 when `version` satisfies `constraints` in the scheme's grammar (the
//   row's own, or the generic "op version, ... || ..." one), else 0. NULL
//   when either argument is not TEXT or `version` is not valid in the
//   scheme. Malformed constraints fail the statement with
//   "version_satisfies_<scheme>: malformed range: '<constraints>'", whatever
//   the version. The user data is the scheme's row.
extern "C" void scheme_satisfies_func(sqlite3_context* context, int argc,
                                      sqlite3_value** argv) noexcept;

}  // namespace korvel
