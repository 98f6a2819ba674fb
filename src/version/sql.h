// SQL glue of the default version order: its scalars and the "version"
// collation. min_version() and max_version() are in aggregates.h.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// version_compare(a TEXT, b TEXT [, separators TEXT]) -> INTEGER
//   -1, 0 or 1 as version `a` orders before, equal to or after version `b`,
//   by the same rules and default separators as min_version/max_version.
//   NULL when an argument is not TEXT or either version has an empty
//   component. Two or three arguments; SQLite refuses other counts.
extern "C" void version_compare_func(sqlite3_context* context, int argc,
                                     sqlite3_value** argv) noexcept;

// version_key(v TEXT [, separators TEXT]) -> BLOB
//   A sort key of version `v`: keys compare as BLOBs (memcmp, then the
//   shorter first) exactly as version_compare orders the versions, and are
//   equal exactly when it gives 0. Same separators and reading up to a NUL
//   as version_compare. NULL when an argument is not TEXT or `v` has an
//   empty component. One or two arguments; SQLite refuses other counts.
//   The encoding is stored in users' databases: docs/version_key.md.
extern "C" void version_key_func(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;

// COLLATE version: the SQLite callback of version_collation_compare().
extern "C" int version_collation(void* unused, int lhs_bytes, const void* lhs, int rhs_bytes,
                                 const void* rhs) noexcept;

}  // namespace korvel
