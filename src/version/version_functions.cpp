#include "version/version_functions.h"

#include <string_view>

#include "version/version_collation.h"
#include "version/version_token.h"

namespace korvel {

namespace {

// The value's text, or false when it is not TEXT; `no_memory` is set when
// SQLite could not hand the text over.
bool text_argument(sqlite3_value* value, std::string_view& text, bool& no_memory) noexcept {
  if (sqlite3_value_type(value) != SQLITE_TEXT) return false;
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (bytes == nullptr) {
    no_memory = true;
    return false;
  }
  text = std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
  return true;
}

}  // namespace

extern "C" void version_compare_func(sqlite3_context* context, int argc,
                                     sqlite3_value** argv) noexcept {
  std::string_view texts[3] = {{}, {}, DEFAULT_VERSION_SEPARATORS};
  bool no_memory = false;
  for (int i = 0; i < argc && i < 3; ++i) {
    if (!text_argument(argv[i], texts[i], no_memory)) {
      if (no_memory) {
        sqlite3_result_error_nomem(context);
      } else {
        sqlite3_result_null(context);
      }
      return;
    }
  }
  const text_pair_order order =
      version_compare_texts(texts[0], texts[1], make_separator_set(texts[2]));
  if (order.lhs_well_formed && order.rhs_well_formed) {
    sqlite3_result_int(context, order.order);
  } else {
    sqlite3_result_null(context);
  }
}

extern "C" int version_collation(void* /*unused*/, int lhs_bytes, const void* lhs, int rhs_bytes,
                                 const void* rhs) noexcept {
  return version_collation_compare(
      std::string_view(static_cast<const char*>(lhs), static_cast<std::size_t>(lhs_bytes)),
      std::string_view(static_cast<const char*>(rhs), static_cast<std::size_t>(rhs_bytes)));
}

}  // namespace korvel
