// SQLite plumbing of the benchmark: the counting allocator, the no-op
// functions that mark the floor of any extension, and small helpers.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace korvel::bench {

// Wraps SQLite's default allocator so that every allocation (malloc and
// realloc alike) is counted. Must run before anything initialises SQLite.
void install_counting_allocator();

// Allocations made through SQLite's allocator since the program started.
[[nodiscard]] std::uint64_t allocation_count();

// Registers noop_agg(x), which only reads its argument, noop_scalar(x),
// which reads its argument and returns its byte count, noop_blob(x), which
// returns its argument's bytes as a BLOB, noop_text(x), which returns its
// argument's text, and the "uint"
// collation (digit runs as numbers), the baseline of the version collations.
void register_noop_functions(sqlite3* db);

// The "uint" collation's routine: texts byte by byte, runs of digits as
// unsigned numbers of any length, as SQLite's own uint extension orders.
int uint_collation(void*, int lhs_bytes, const void* lhs, int rhs_bytes, const void* rhs);

// Loads the library under test; exits with a message when it cannot.
void load_module(sqlite3* db, const std::string& path);

// Runs SQL that returns no rows; exits with SQLite's message on failure.
void exec_or_die(sqlite3* db, const std::string& sql);

// A private directory for the database file, removed with everything in it.
struct scratch_dir {
  std::string path;
};
[[nodiscard]] scratch_dir make_scratch_dir();
void remove_scratch_dir(const scratch_dir& dir);

}  // namespace korvel::bench
