// SQL glue for min_version() and max_version().
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// min_version(version TEXT [, separators TEXT]) -> TEXT
// max_version(version TEXT [, separators TEXT]) -> TEXT
//   Aggregates returning the group's lowest / highest version, exactly as the
//   row stored it. A version is split into components at every byte of
//   `separators` (default '.', '-', '/' and ' '); numbers order as numbers,
//   words byte by byte, a number against a word by its decimal text, and a
//   version that extends an equal prefix orders after it. On a tie the earlier
//   row wins. Rows are skipped when an argument is not TEXT, when the call
//   has neither one nor two arguments, or when the version has an empty
//   component. NULL when no row was accepted. SQLITE_NOMEM when memory runs
//   out.
extern "C" void min_version_step(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;
extern "C" void max_version_step(sqlite3_context* context, int argc, sqlite3_value** argv) noexcept;
extern "C" void version_final(sqlite3_context* context) noexcept;

}  // namespace korvel
