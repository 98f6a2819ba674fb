#include "version/version_aggregates.h"

#include <cstdint>
#include <cstring>

#include "version/version_first_token.h"

namespace korvel {

namespace {

// Sizes the state's text buffer for `bytes` bytes and a NUL; an old buffer
// that is large enough is kept. On failure the state is untouched.
bool reserve_text(version_state& state, std::size_t bytes) noexcept {
  // The current winner's size answers most calls without asking the allocator.
  if (state.text != nullptr && bytes <= static_cast<std::size_t>(state.text_bytes)) return true;
  if (state.text != nullptr && sqlite3_msize(state.text) > bytes) return true;
  void* grown = sqlite3_realloc64(state.text, bytes + 1);
  if (grown == nullptr) return false;
  state.text = static_cast<char*>(grown);
  return true;
}

// Copies `sizeof(Word) <= bytes <= 2 * sizeof(Word)` bytes as two word
// moves that may overlap.
template <typename Word>
void copy_two_words(char* to, const char* from, std::size_t bytes) noexcept {
  Word head;
  Word tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + bytes - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + bytes - sizeof tail, &tail, sizeof tail);
}

// Winners are copied on every winning row and are mostly shorter than 16
// bytes, which fixed-size moves copy for less than a call into the C
// library costs.
void copy_bytes(char* to, const char* from, std::size_t bytes) noexcept {
  if (bytes > 16) {
    std::memcpy(to, from, bytes);
  } else if (bytes >= 8) {
    copy_two_words<std::uint64_t>(to, from, bytes);
  } else if (bytes >= 4) {
    copy_two_words<std::uint32_t>(to, from, bytes);
  } else {
    for (std::size_t i = 0; i < bytes; ++i) to[i] = from[i];
  }
}

void store_text(version_state& state, std::string_view text,
                const separator_set& separators) noexcept {
  state.default_separators = &separators == &DEFAULT_SEPARATOR_SET;
  copy_bytes(state.text, text.data(), text.size());
  state.text[text.size()] = '\0';
  state.text_bytes = static_cast<int>(text.size());
}

enum class winner_rule : bool { lowest, highest };

// The row's version, or why there is none: ignored rows give `malformed`,
// texts SQLite cannot hand over `no_memory`.
version_parse_status read_version(int argc, sqlite3_value** argv,
                                  std::string_view& version) noexcept {
  if (argc != 1 && argc != 2) return version_parse_status::malformed;
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return version_parse_status::malformed;
  if (argc == 2 && sqlite3_value_type(argv[1]) != SQLITE_TEXT) {
    return version_parse_status::malformed;
  }
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  if (text == nullptr) return version_parse_status::no_memory;
  version = std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
  return version_parse_status::ok;
}

// Makes a winning row the winner: the winner's list is turned into the
// row's, parsing only what differs.
version_parse_status replace_winner(version_state& state, std::string_view text,
                                    const separator_set& separators, const text_win& win) noexcept {
  if (!reserve_text(state, text.size())) return version_parse_status::no_memory;
  const version_parse_status status = version_adopt_text(state.parts, text, separators, win);
  if (status != version_parse_status::ok) {
    version_state_clear(state);
    return status;
  }
  store_text(state, text, separators);
  return version_parse_status::ok;
}

// The row wins only when it orders strictly lower / higher: ties keep the
// earlier row. The row is compared without parsing it; only a winner is. A
// row that does not win is ignored whether it is well formed or not, so only
// a winner is checked to the end.
version_parse_status consider_row(version_state& state, std::string_view version,
                                  const separator_set& separators, winner_rule rule) noexcept {
  if (state.parts == nullptr) return version_state_init(state, version, separators);
  const int side = rule == winner_rule::highest ? 1 : -1;
  const bool default_separators = &separators == &DEFAULT_SEPARATOR_SET;
  // Rows that lose are mostly told by their first bytes, here without a
  // call; while rows keep winning, asking would not pay.
  if (!state.previous_row_won && default_separators &&
      version_text_loses_at_once(version, DEFAULT_SEPARATOR_SET, *state.parts, side)) {
    return version_parse_status::ok;
  }
  // While rows keep winning, as in a table kept in release order, each
  // likely shares leading bytes with the winner's text and skips them. Rows
  // that lose are mostly decided at once, and are compared from the start.
  const bool skip_shared = state.previous_row_won && default_separators && state.default_separators;
  const text_win win =
      skip_shared ? version_text_wins_sharing(version, separators, state.parts,
                                              std::string_view(state.text, state.text_bytes), side)
                  : version_text_wins(version, separators, state.parts, side);
  state.previous_row_won = win.wins;
  if (!win.wins) return version_parse_status::ok;
  return replace_winner(state, version, separators, win);
}

version_parse_status step_row(sqlite3_context* context, std::string_view version,
                              const separator_set& separators, winner_rule rule) noexcept {
  auto* state =
      static_cast<version_state*>(sqlite3_aggregate_context(context, sizeof(version_state)));
  if (state == nullptr) return version_parse_status::no_memory;
  return consider_row(*state, version, separators, rule);
}

version_parse_status read_separators(sqlite3_value* value, separator_set& separators) noexcept {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
  if (text == nullptr) return version_parse_status::no_memory;
  separators = make_separator_set(text);
  return version_parse_status::ok;
}

void version_step(sqlite3_context* context, int argc, sqlite3_value** argv,
                  winner_rule rule) noexcept {
  std::string_view version;
  // The shared default set unless the call names its own: the comparison
  // recognises the default by address.
  const separator_set* separators = &DEFAULT_SEPARATOR_SET;
  separator_set named;
  version_parse_status status = read_version(argc, argv, version);
  if (status == version_parse_status::ok && argc == 2) {
    status = read_separators(argv[1], named);
    separators = &named;
  }
  if (status == version_parse_status::ok) status = step_row(context, version, *separators, rule);
  if (status == version_parse_status::no_memory) sqlite3_result_error_nomem(context);
}

}  // namespace

version_parse_status version_state_init(version_state& state, std::string_view text,
                                        const separator_set& separators) noexcept {
  const version_parse_result parsed = version_parse_recycling(text, separators, nullptr);
  if (parsed.status != version_parse_status::ok) return parsed.status;
  if (!reserve_text(state, text.size())) {
    version_free(parsed.parts);
    return version_parse_status::no_memory;
  }
  store_text(state, text, separators);
  state.parts = parsed.parts;
  return version_parse_status::ok;
}

version_parse_status version_state_replace(version_state& state, std::string_view text,
                                           const separator_set& separators) noexcept {
  return replace_winner(state, text, separators, {.wins = true, .tail_offset = 0});
}

void version_state_clear(version_state& state) noexcept {
  version_free(state.parts);
  sqlite3_free(state.text);
  state = version_state{};
}

extern "C" void min_version_step(sqlite3_context* context, int argc,
                                 sqlite3_value** argv) noexcept {
  version_step(context, argc, argv, winner_rule::lowest);
}

extern "C" void max_version_step(sqlite3_context* context, int argc,
                                 sqlite3_value** argv) noexcept {
  version_step(context, argc, argv, winner_rule::highest);
}

extern "C" void version_final(sqlite3_context* context) noexcept {
  // A group that saw no row has no block; asking for size 0 does not make one.
  auto* state = static_cast<version_state*>(sqlite3_aggregate_context(context, 0));
  if (state == nullptr || state->parts == nullptr) {
    sqlite3_result_null(context);
  } else {
    sqlite3_result_text(context, state->text, state->text_bytes, SQLITE_TRANSIENT);
  }
  if (state != nullptr) version_state_clear(*state);
}

}  // namespace korvel
