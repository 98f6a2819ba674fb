#include "version/scheme_functions.h"

#include <string_view>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/sql_arguments.h"
#include "version/ranges/range_functions.h"
#include "version/schemes/schemes.h"

namespace korvel {

namespace {

constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;

// Keys of usual versions fit here and are copied by SQLite; longer ones are
// handed over in a block of their own.
constexpr std::size_t kInlineKeyBytes = 256;

// The valid text of every argument, or false once the result is set.
bool valid_texts(sqlite3_context* context, const version_scheme& scheme, int argc,
                 sqlite3_value** argv, std::string_view* texts) noexcept {
  for (int i = 0; i < argc; ++i) {
    const argument kind = text_argument(argv[i], texts[i]);
    if (kind == argument::no_memory) {
      sqlite3_result_error_nomem(context);
      return false;
    }
    if (kind == argument::other || !scheme.valid(texts[i])) {
      sqlite3_result_null(context);
      return false;
    }
  }
  return true;
}

const version_scheme& context_scheme(sqlite3_context* context) noexcept {
  return *static_cast<const version_scheme*>(sqlite3_user_data(context));
}

// A key's `size` bytes at `key`, or NULL for kNoKey; `release` is how SQLite
// lets go of the block, and a rejected text's block goes the same way.
void result_key(sqlite3_context* context, unsigned char* key, std::size_t size,
                sqlite3_destructor_type release) noexcept {
  if (size != kNoKey) {
    sqlite3_result_blob64(context, key, size, release);
    return;
  }
  if (release != SQLITE_TRANSIENT) release(key);
  sqlite3_result_null(context);
}

// A group's winner: a copy of its text, inline when it is short, so that
// the usual winner costs no allocation. Zero-filled at the group's start.
struct scheme_winner {
  char* text;  // null until a row is taken
  std::size_t bytes;
  std::size_t capacity;  // of the heap block; 0 while the text is inline
  version_lead lead;     // the text's
  char inline_text[48];
};

// Makes `row` the winner's text. False when memory ran out; the old winner
// then stays.
bool take_row(scheme_winner& state, std::string_view row) noexcept {
  char* to = state.capacity != 0 ? state.text : state.inline_text;
  if (row.size() > (state.capacity != 0 ? state.capacity : sizeof state.inline_text)) {
    char* heap = state.capacity != 0 ? state.text : nullptr;
    to = static_cast<char*>(sqlite3_realloc64(heap, row.size()));
    if (to == nullptr) return false;
    state.capacity = row.size();
  }
  if (!row.empty()) std::memcpy(to, row.data(), row.size());
  state.text = to;
  state.bytes = row.size();
  return true;
}

// Whether a valid-or-not `row` beats the winner on `side` (1: after, -1:
// before), by the collation's routine and the order alone: the path of a
// row whose lead did not settle it, and of every row for an order without
// a lead. The collation decides most such rows in one call.
bool row_wins(const version_scheme& scheme, const scheme_winner& state, std::string_view row,
              int side) noexcept {
  const std::string_view held(state.text, state.bytes);
  // Rejected texts order first and ties go by bytes, so only a collation
  // result on `side` can hide a win; it is then confirmed by the order.
  if (scheme_collate(scheme, row, held) != side) return false;
  if (side < 0 && !scheme.valid(row)) return false;
  const int order = scheme.compare(row, held);
  return side > 0 ? order > 0 : order < 0;
}

void scheme_step(sqlite3_context* context, sqlite3_value* value, int side) noexcept {
  std::string_view row;
  const argument kind = text_argument(value, row);
  if (kind != argument::text) {
    if (kind == argument::no_memory) sqlite3_result_error_nomem(context);
    return;
  }
  const version_scheme& scheme = context_scheme(context);
  auto* state =
      static_cast<scheme_winner*>(sqlite3_aggregate_context(context, sizeof(scheme_winner)));
  if (state == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  // Most rows of a scan lose on their first bytes: the lead, read only as
  // far as it takes to tell which side of the winner's it lies on, settles
  // them without reading either text as a version.
  if (state->text != nullptr && scheme.lead != nullptr) {
    const std::uint64_t* bound = side > 0 ? &state->lead.lo : &state->lead.hi;
    if (lead_loses(scheme.lead(row, bound), state->lead, side)) return;
  }
  const bool wins =
      state->text == nullptr ? scheme.valid(row) : row_wins(scheme, *state, row, side);
  if (!wins) return;
  if (!take_row(*state, row)) {
    sqlite3_result_error_nomem(context);
    return;
  }
  state->lead = scheme.lead != nullptr ? scheme.lead(row, nullptr) : kUnknownLead;
}

}  // namespace

extern "C" void scheme_min_step(sqlite3_context* context, int /*argc*/,
                                sqlite3_value** argv) noexcept {
  scheme_step(context, argv[0], -1);
}

extern "C" void scheme_max_step(sqlite3_context* context, int /*argc*/,
                                sqlite3_value** argv) noexcept {
  scheme_step(context, argv[0], 1);
}

extern "C" void scheme_final(sqlite3_context* context) noexcept {
  // A group that saw no row has no block; asking for size 0 does not make one.
  auto* state = static_cast<scheme_winner*>(sqlite3_aggregate_context(context, 0));
  if (state == nullptr || state->text == nullptr) {
    sqlite3_result_null(context);
  } else {
    sqlite3_result_text64(context, state->text, state->bytes, SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  if (state != nullptr && state->capacity != 0) sqlite3_free(state->text);
}

extern "C" void scheme_compare_func(sqlite3_context* context, int /*argc*/,
                                    sqlite3_value** argv) noexcept {
  const version_scheme& scheme = context_scheme(context);
  std::string_view texts[2];
  if (!valid_texts(context, scheme, 2, argv, texts)) return;
  const auto compare = scheme.tool_compare != nullptr ? scheme.tool_compare : scheme.compare;
  const int order = compare(texts[0], texts[1]);
  sqlite3_result_int(context, (order > 0) - (order < 0));
}

extern "C" void scheme_key_func(sqlite3_context* context, int /*argc*/,
                                sqlite3_value** argv) noexcept {
  const version_scheme& scheme = context_scheme(context);
  std::string_view text;
  const argument kind = text_argument(argv[0], text);
  if (kind != argument::text) {
    if (kind == argument::no_memory) sqlite3_result_error_nomem(context);
    if (kind == argument::other) sqlite3_result_null(context);
    return;
  }
  const std::size_t bound = scheme.key_bound(text.size());
  if (bound <= kInlineKeyBytes) {
    unsigned char key[kInlineKeyBytes];
    result_key(context, key, scheme_key(scheme, text, key), SQLITE_TRANSIENT);
    return;
  }
  auto* key = static_cast<unsigned char*>(sqlite3_malloc64(bound));
  if (key == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  result_key(context, key, scheme_key(scheme, text, key), sqlite3_free);
}

extern "C" int scheme_collation(void* scheme, int lhs_bytes, const void* lhs, int rhs_bytes,
                                const void* rhs) noexcept {
  return scheme_collate(
      *static_cast<const version_scheme*>(scheme),
      std::string_view(static_cast<const char*>(lhs), static_cast<std::size_t>(lhs_bytes)),
      std::string_view(static_cast<const char*>(rhs), static_cast<std::size_t>(rhs_bytes)));
}

namespace {

// `prefix` followed by the row's name, in `out`; every name fits.
const char* sql_name(char (&out)[64], const char* prefix, const scheme_row& row) noexcept {
  std::snprintf(out, sizeof out, "%s%s", prefix, row.name);
  return out;
}

}  // namespace

void register_schemes(sqlite3* db) noexcept {
  // SQLite copies the names it is given, so one buffer serves them all.
  char name[64];
  for (std::size_t i = 0; i < kSchemeRowCount; ++i) {
    const scheme_row& row = kSchemeRows[i];
    auto* scheme = const_cast<version_scheme*>(row.scheme);
    (void)sqlite3_create_collation_v2(db, sql_name(name, "version_", row), SQLITE_UTF8, scheme,
                                      scheme_collation, nullptr);
    (void)sqlite3_create_function(db, sql_name(name, "version_compare_", row), 2, kFlags, scheme,
                                  scheme_compare_func, nullptr, nullptr);
    (void)sqlite3_create_function(db, sql_name(name, "version_key_", row), 1, kFlags, scheme,
                                  scheme_key_func, nullptr, nullptr);
    (void)sqlite3_create_function(db, sql_name(name, "min_version_", row), 1, kFlags, scheme,
                                  nullptr, scheme_min_step, scheme_final);
    (void)sqlite3_create_function(db, sql_name(name, "max_version_", row), 1, kFlags, scheme,
                                  nullptr, scheme_max_step, scheme_final);
    (void)sqlite3_create_function(db, sql_name(name, "version_satisfies_", row), 2, kFlags,
                                  const_cast<scheme_row*>(&row), scheme_satisfies_func, nullptr,
                                  nullptr);
  }
}

}  // namespace korvel
