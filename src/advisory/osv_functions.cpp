#include "advisory/osv_functions.h"

#include <cstdio>
#include <string_view>

#include "advisory/osv.h"
#include "common/sql_arguments.h"

namespace korvel {

namespace {

// Enough of a record to find the place in it; longer ones are cut.
constexpr std::size_t kExcerptBytes = 48;

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
  std::string_view texts[2];
  if (!text_arguments(context, 2, argv, texts)) return;
  const std::string_view affected = texts[0];
  const std::string_view version = texts[1];
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
