#include "advisory/osv_functions.h"

#include <cstdio>
#include <string_view>

#include "advisory/osv.h"

namespace korvel {

namespace {

// Enough of a record to find the place in it; longer ones are cut.
constexpr std::size_t kExcerptBytes = 48;

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

void result_malformed(sqlite3_context* context, const osv_problem& problem) noexcept {
  std::string_view excerpt = problem.excerpt;
  const bool cut = excerpt.size() > kExcerptBytes;
  if (cut) {
    std::size_t length = kExcerptBytes;
    // Never half a character.
    while (length > 0 && (static_cast<unsigned char>(excerpt[length]) & 0xC0) == 0x80) --length;
    excerpt = std::string_view(excerpt.data(), length);
  }
  char message[256];
  if (problem.order != nullptr) {
    std::snprintf(message, sizeof message,
                  "osv_affected: malformed record: not a %s version: '%.*s%s'", problem.order,
                  static_cast<int>(excerpt.size()), excerpt.data(), cut ? "..." : "");
  } else {
    std::snprintf(message, sizeof message, "osv_affected: malformed record: %s: '%.*s%s'",
                  problem.reason, static_cast<int>(excerpt.size()), excerpt.data(),
                  cut ? "..." : "");
  }
  sqlite3_result_error(context, message, -1);
}

}  // namespace

extern "C" void osv_affected_func(sqlite3_context* context, int /*argc*/,
                                  sqlite3_value** argv) noexcept {
  std::string_view affected;
  std::string_view version;
  bool no_memory = false;
  const bool texts =
      text_argument(argv[0], affected, no_memory) && text_argument(argv[1], version, no_memory);
  if (!texts) {
    if (no_memory) {
      sqlite3_result_error_nomem(context);
    } else {
      sqlite3_result_null(context);
    }
    return;
  }
  osv_answer answer = osv_answer::unknown;
  osv_problem problem{};
  switch (osv_affected(affected, version, answer, problem)) {
    case osv_status::ok:
      if (answer == osv_answer::unknown) {
        sqlite3_result_null(context);
      } else {
        sqlite3_result_int(context, answer == osv_answer::affected ? 1 : 0);
      }
      return;
    case osv_status::malformed:
      result_malformed(context, problem);
      return;
    case osv_status::no_memory:
      sqlite3_result_error_nomem(context);
      return;
  }
}

}  // namespace korvel
