#include "version/ranges/range_functions.h"

#include <cstring>
#include <string_view>

#include "common/sql_arguments.h"
#include "version/ranges/generic.h"
#include "version/ranges/vers.h"
#include "version/schemes/schemes.h"
#include "version/separators.h"

namespace korvel {

namespace {

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
  // sqlite3_result_error() would copy the message and, when that copy runs
  // out of memory, fail the statement with no message at all. Handed over
  // as the result's text, it is taken without a copy and becomes the error.
  sqlite3_result_text64(context, message, std::strlen(message), sqlite3_free, SQLITE_UTF8);
  sqlite3_result_error_code(context, SQLITE_ERROR);
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

namespace {

// The default order's compiled range, with the separators its keys were
// written for: a later row may name other separators for the same range.
struct default_range {
  separator_set separators;
  generic_range* range;
};

void release_default_range(void* compiled) noexcept {
  auto* kept = static_cast<default_range*>(compiled);
  release_generic_range(kept->range);
  sqlite3_free(kept);
}

range_status parse_default_range(const separator_set& separators, std::string_view text,
                                 void** compiled) noexcept {
  generic_range* range = nullptr;
  const range_status status =
      parse_generic_range(default_order(separators), generic_dialect::plain, text, &range);
  if (status != range_status::ok) return status;
  auto* kept = static_cast<default_range*>(sqlite3_malloc(sizeof(default_range)));
  if (kept == nullptr) {
    release_generic_range(range);
    return range_status::no_memory;
  }
  *kept = {separators, range};
  *compiled = kept;
  return range_status::ok;
}

}  // namespace

extern "C" void version_satisfies_func(sqlite3_context* context, int argc,
                                       sqlite3_value** argv) noexcept {
  std::string_view separator_text = DEFAULT_VERSION_SEPARATORS;
  if (argc > 2 && !usable(context, text_argument(argv[2], separator_text))) return;
  const separator_set separators = make_separator_set(separator_text);
  compiled_argument range =
      compile_argument(context, argv, 1, {"version_satisfies", ""}, "range",
                       [&](std::string_view text, void** compiled) noexcept {
                         return parse_default_range(separators, text, compiled);
                       });
  if (range.compiled == nullptr) return;
  if (!static_cast<default_range*>(range.compiled)->separators.same_bytes(separators)) {
    // Kept from a row with other separators: read this row's range anew.
    range = {nullptr, false};
    std::string_view text;
    if (!usable(context, text_argument(argv[1], text))) return;
    const range_status status = parse_default_range(separators, text, &range.compiled);
    if (status != range_status::ok) {
      result_failure(context, status, {"version_satisfies", ""}, "range", text);
      return;
    }
    range.owned = true;
  }
  std::string_view version;
  const argument kind = text_argument(argv[0], version);
  const range_answer answer =
      kind == argument::text
          ? generic_range_answer(default_order(separators),
                                 *static_cast<default_range*>(range.compiled)->range, version)
          : range_answer::invalid;
  if (kind == argument::no_memory) {
    sqlite3_result_error_nomem(context);
  } else if (answer == range_answer::invalid) {
    sqlite3_result_null(context);
  } else {
    sqlite3_result_int(context, answer == range_answer::yes ? 1 : 0);
  }
  keep(context, 1, range, release_default_range);
}

extern "C" void version_in_vers_func(sqlite3_context* context, int /*argc*/,
                                     sqlite3_value** argv) noexcept {
  const compiled_argument range =
      compile_argument(context, argv, 1, {"version_in_vers", ""}, "vers",
                       [](std::string_view text, void** compiled) noexcept {
                         vers_range* parsed = nullptr;
                         const range_status status = parse_vers_range(text, &parsed);
                         if (status == range_status::ok) *compiled = parsed;
                         return status;
                       });
  if (range.compiled == nullptr) return;
  const vers_range& vers = *static_cast<const vers_range*>(range.compiled);
  const scheme_row* row = vers_row(vers);
  std::string_view version;
  const argument kind = text_argument(argv[0], version);
  if (kind == argument::no_memory) {
    sqlite3_result_error_nomem(context);
  } else if (kind == argument::other || row == nullptr || !row->scheme->valid(version)) {
    sqlite3_result_null(context);
  } else {
    sqlite3_result_int(context, vers_contains(vers, version) ? 1 : 0);
  }
  keep(context, 1, range, release_vers_range);
}

}  // namespace korvel
