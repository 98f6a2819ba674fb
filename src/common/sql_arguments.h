// Reading SQL arguments as text, the same way in every function: the whole
// value's bytes, NULs included, so that an order or a parser can reject
// them; NULL for a value that is not TEXT; out of memory when SQLite could
// not hand the text over.
#pragma once

#include <string_view>

#include "common/sqlite_api.h"

namespace korvel {

enum class argument : unsigned char { text, other, no_memory };

[[nodiscard]] inline argument text_argument(sqlite3_value* value, std::string_view& text) noexcept {
  if (sqlite3_value_type(value) != SQLITE_TEXT) return argument::other;
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (bytes == nullptr) return argument::no_memory;
  text = std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
  return argument::text;
}

// Sets the result for an argument that is not usable text (NULL, or the
// out-of-memory error); false then.
[[nodiscard]] inline bool usable(sqlite3_context* context, argument kind) noexcept {
  if (kind == argument::text) return true;
  if (kind == argument::no_memory) {
    sqlite3_result_error_nomem(context);
  } else {
    sqlite3_result_null(context);
  }
  return false;
}

// The first `count` arguments' texts, or false once the result is set.
[[nodiscard]] inline bool text_arguments(sqlite3_context* context, int count, sqlite3_value** argv,
                                         std::string_view* texts) noexcept {
  for (int i = 0; i < count; ++i) {
    if (!usable(context, text_argument(argv[i], texts[i]))) return false;
  }
  return true;
}

}  // namespace korvel
