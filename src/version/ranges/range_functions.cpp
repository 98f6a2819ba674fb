#include "version/ranges/range_functions.h"

#include <string_view>

#include "version/ranges/generic.h"
#include "version/schemes/schemes.h"

namespace korvel {

namespace {

enum class argument { text, other, no_memory };

argument text_argument(sqlite3_value* value, std::string_view& text) noexcept {
  if (sqlite3_value_type(value) != SQLITE_TEXT) return argument::other;
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (bytes == nullptr) return argument::no_memory;
  text = std::string_view(bytes, static_cast<std::size_t>(sqlite3_value_bytes(value)));
  return argument::text;
}

// Sets the result for an argument that is not usable text; false then.
bool usable(sqlite3_context* context, argument kind) noexcept {
  if (kind == argument::text) return true;
  if (kind == argument::no_memory) {
    sqlite3_result_error_nomem(context);
  } else {
    sqlite3_result_null(context);
  }
  return false;
}

// The function's SQL name, in two pieces so that a row's name need not be
// put together before an error needs it.
struct function_name {
  const char* stem;
  const char* suffix;
};

// Fails the statement for a status other than ok: "<function>: malformed
// <what>: '<text>'", with the status's hint after.
void result_failure(sqlite3_context* context, range_status status, function_name function,
                    const char* what, std::string_view text) noexcept {
  if (status == range_status::no_memory) {
    sqlite3_result_error_nomem(context);
    return;
  }
  const char* hint = range_status_hint(status);
  char* message = sqlite3_mprintf("%s%s: malformed %s: '%.*s'%s%s", function.stem, function.suffix,
                                  what, static_cast<int>(text.size()), text.data(),
                                  hint != nullptr ? ": " : "", hint != nullptr ? hint : "");
  if (message == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  sqlite3_result_error(context, message, -1);
  sqlite3_free(message);
}

// The compiled form of argument `index`: kept by SQLite from an earlier row
// (`owned` false) or parsed now by parse(text, &compiled) (`owned` true,
// to be handed to keep() once used). nullptr once the result is set.
struct compiled_argument {
  void* compiled;
  bool owned;
};

template <typename Parse>
compiled_argument compile_argument(sqlite3_context* context, sqlite3_value** argv, int index,
                                   function_name function, const char* what,
                                   Parse&& parse) noexcept {
  if (void* kept = sqlite3_get_auxdata(context, index)) return {kept, false};
  std::string_view text;
  if (!usable(context, text_argument(argv[index], text))) return {nullptr, false};
  void* compiled = nullptr;
  const range_status status = parse(text, &compiled);
  if (status != range_status::ok) {
    result_failure(context, status, function, what, text);
    return {nullptr, false};
  }
  return {compiled, true};
}

// Hands a newly parsed form to SQLite for the rows that follow. SQLite may
// release it at once (out of memory, or no statement to keep it for), so
// nothing may use it after this.
void keep(sqlite3_context* context, int index, const compiled_argument& argument,
          void (*release)(void*) noexcept) noexcept {
  if (argument.owned) sqlite3_set_auxdata(context, index, argument.compiled, release);
}

}  // namespace

extern "C" void scheme_satisfies_func(sqlite3_context* context, int /*argc*/,
                                      sqlite3_value** argv) noexcept {
  const scheme_row& row = *static_cast<const scheme_row*>(sqlite3_user_data(context));
  const range_grammar& grammar = row.ranges != nullptr ? *row.ranges : GENERIC_RANGES;
  const version_scheme& scheme = *row.scheme;
  // The range first, so that a malformed one fails whatever the version.
  const compiled_argument range =
      compile_argument(context, argv, 1, {"version_satisfies_", row.name}, "range",
                       [&](std::string_view text, void** compiled) noexcept {
                         return grammar.parse(scheme, text, compiled);
                       });
  if (range.compiled == nullptr) return;
  std::string_view version;
  const argument kind = text_argument(argv[0], version);
  if (kind == argument::text && scheme.valid(version)) {
    sqlite3_result_int(context, grammar.satisfies(scheme, range.compiled, version) ? 1 : 0);
  } else if (kind == argument::no_memory) {
    sqlite3_result_error_nomem(context);
  } else {
    sqlite3_result_null(context);
  }
  keep(context, 1, range, grammar.release);
}

}  // namespace korvel
