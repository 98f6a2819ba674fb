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

// version_satisfies(version TEXT, constraints TEXT [, separators TEXT]) -> INTEGER
//   The generic grammar over the default order (version_compare's), split
//   at `separators` or the default ones. 1 or 0; NULL when an argument is
//   not TEXT or `version` has an empty component. Malformed constraints
//   (a constraint version with an empty component included) fail the
//   statement with "version_satisfies: malformed range: '<constraints>'".
extern "C" void version_satisfies_func(sqlite3_context* context, int argc,
                                       sqlite3_value** argv) noexcept;

// version_in_vers(version TEXT, vers TEXT) -> INTEGER
//   1 when `version` is inside the package-URL version range `vers`
//   ("vers:deb/>=1.0|<2.0"), by the
//   vers containment rules over the order its type names (find_scheme_row
//   on vers_types), else 0. NULL when an argument is not TEXT, the type has
//   no order here, or `version` is not valid in it. Malformed vers text (a
//   broken shape, an empty or undecodable version, one the order rejects,
//   a repeated version, comparators out of the vers sequence rules) fails
//   the statement with "version_in_vers: malformed vers: '<vers>'".
extern "C" void version_in_vers_func(sqlite3_context* context, int argc,
                                     sqlite3_value** argv) noexcept;

}  // namespace korvel
