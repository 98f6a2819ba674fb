// SQL glue for the version scalar and the "version" collation.
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

// COLLATE version: a total order over all texts; see version_collation_compare.
extern "C" int version_collation(void* unused, int lhs_bytes, const void* lhs, int rhs_bytes,
                                 const void* rhs) noexcept;

}  // namespace korvel
