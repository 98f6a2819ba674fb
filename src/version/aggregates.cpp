#include "version/aggregates.h"

#include <string_view>

#include "version/separators.h"
#include "version/winner.h"

namespace korvel {

namespace {

// The value's text; false when SQLite could not hand it over.
bool read_text(sqlite3_value* value, std::string_view& text) noexcept {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (bytes == nullptr) return false;
  text = std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
  return true;
}

// The state of a group is its winner, in the zero-filled block of
// sqlite3_aggregate_context, which stays in place until the final call.
void version_step(sqlite3_context* context, int argc, sqlite3_value** argv, int side) noexcept {
  if (argc != 1 && argc != 2) return;
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return;
  if (argc == 2 && sqlite3_value_type(argv[1]) != SQLITE_TEXT) return;
  std::string_view version;
  std::string_view named;
  if (!read_text(argv[0], version) || (argc == 2 && !read_text(argv[1], named))) {
    sqlite3_result_error_nomem(context);
    return;
  }
  splitting own;
  const splitting* split = &DEFAULT_SPLITTING;
  if (argc == 2) {
    own = make_splitting(make_separator_set(named));
    split = &own;
  }
  auto* state = static_cast<winner*>(sqlite3_aggregate_context(context, sizeof(winner)));
  if (state == nullptr || winner_consider(*state, version, *split, side) != winner_status::ok) {
    sqlite3_result_error_nomem(context);
  }
}

}  // namespace

extern "C" void min_version_step(sqlite3_context* context, int argc,
                                 sqlite3_value** argv) noexcept {
  version_step(context, argc, argv, -1);
}

extern "C" void max_version_step(sqlite3_context* context, int argc,
                                 sqlite3_value** argv) noexcept {
  version_step(context, argc, argv, 1);
}

extern "C" void version_final(sqlite3_context* context) noexcept {
  // A group that saw no row has no block; asking for size 0 does not make one.
  auto* state = static_cast<winner*>(sqlite3_aggregate_context(context, 0));
  if (state == nullptr || !winner_present(*state)) {
    sqlite3_result_null(context);
  } else {
    const std::string_view text = winner_text(*state);
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  if (state != nullptr) winner_clear(*state);
}

}  // namespace korvel
