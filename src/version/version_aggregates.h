// SQL glue for min_version() and max_version().
#pragma once

#include <string_view>

#include "common/sqlite_api.h"
#include "version/version_part.h"

namespace korvel {

// Per-group state, held in the zero-filled block of sqlite3_aggregate_context.
// `text` and `parts` describe the same row, the winner so far, or are both
// absent. `text` keeps the row's bytes exactly (NULs included) plus a NUL.
struct version_state {
  char* text;
  version_part* parts;
  int text_bytes;
  bool default_separators;  // whether `parts` was split at the default set
  bool previous_row_won;
};

// Makes the row the group's first winner. `malformed` leaves the state empty.
[[nodiscard]] version_parse_status version_state_init(version_state& state, std::string_view text,
                                                      const separator_set& separators) noexcept;

// Makes a row already known to be well formed the new winner, reusing the old
// winner's buffers where they fit. On no_memory the state is left empty.
[[nodiscard]] version_parse_status version_state_replace(version_state& state,
                                                         std::string_view text,
                                                         const separator_set& separators) noexcept;

// Releases what the state holds and leaves it empty.
void version_state_clear(version_state& state) noexcept;

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
