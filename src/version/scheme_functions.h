// SQL glue written once for every row of the scheme table. Each routine
// finds its scheme in the function's or collation's user data.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// version_compare_<scheme>(a TEXT, b TEXT) -> INTEGER
//   -1, 0 or 1 as `a` orders before, equivalent to or after `b` in the
//   scheme. NULL when an argument is not TEXT or not valid in the scheme.
//   For a scheme whose tool does not order every text (alpm), the tool's
//   own answer, which the collation and the key refine to an order.
extern "C" void scheme_compare_func(sqlite3_context* context, int argc,
                                    sqlite3_value** argv) noexcept;

// version_key_<scheme>(v TEXT) -> BLOB
//   A key whose BINARY order is the scheme's order, equal exactly for
//   equivalent versions. NULL when `v` is not TEXT or not valid.
extern "C" void scheme_key_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// min_version_<scheme>(version TEXT) -> TEXT
// max_version_<scheme>(version TEXT) -> TEXT
//   Aggregates returning the group's lowest / highest version in the
//   scheme, exactly as the row stored it; on equivalent versions the earlier
//   row wins. Rows that are not TEXT or not valid in the scheme are skipped.
//   NULL when no row was accepted. SQLITE_NOMEM when memory runs out.
extern "C" void scheme_min_step(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;
extern "C" void scheme_max_step(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;
extern "C" void scheme_final(sqlite3_context* context) noexcept;

// COLLATE version_<scheme>: see scheme_collate().
extern "C" int scheme_collation(void* scheme, int lhs_bytes, const void* lhs, int rhs_bytes,
                                const void* rhs) noexcept;

// Registers every face of every scheme on `db` (version_satisfies_<scheme>
// is declared in ranges/range_functions.h). A failed registration
// leaves that one missing; the others still register.
void register_schemes(sqlite3* db) noexcept;

}  // namespace korvel
