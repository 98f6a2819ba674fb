#include "version/version_aggregates.h"

#include <cstring>

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

void store_text(version_state& state, std::string_view text) noexcept {
  std::memcpy(state.text, text.data(), text.size());
  state.text[text.size()] = '\0';
  state.text_bytes = static_cast<int>(text.size());
}

enum class winner_rule : bool { lowest, highest };

struct step_input {
  std::string_view version;
  // The shared default set unless the call names its own, which the
  // comparison recognises by address without comparing the sets.
  const separator_set* separators = &DEFAULT_SEPARATOR_SET;
  separator_set named;

  step_input() = default;
  step_input(const step_input&) = delete;  // `separators` may point into it
  step_input& operator=(const step_input&) = delete;
};

// Picks the row's version and separators, or reports why there are none:
// ignored rows give `malformed`, texts SQLite cannot hand over `no_memory`.
version_parse_status read_step_input(int argc, sqlite3_value** argv, step_input& input) noexcept {
  if (argc != 1 && argc != 2) return version_parse_status::malformed;
  for (int i = 0; i < argc; ++i) {
    if (sqlite3_value_type(argv[i]) != SQLITE_TEXT) return version_parse_status::malformed;
  }
  const auto* version = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  if (version == nullptr) return version_parse_status::no_memory;
  input.version = std::string_view(version, static_cast<std::size_t>(sqlite3_value_bytes(argv[0])));
  if (argc == 2) {
    const auto* separators = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
    if (separators == nullptr) return version_parse_status::no_memory;
    input.named = make_separator_set(separators);
    input.separators = &input.named;
  }
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
  store_text(state, text);
  return version_parse_status::ok;
}

// The row wins only when it orders strictly lower / higher: ties keep the
// earlier row. The row is compared without parsing it; only a winner is. A
// row that does not win is ignored whether it is well formed or not, so only
// a winner is checked to the end.
version_parse_status consider_row(version_state& state, const step_input& input,
                                  winner_rule rule) noexcept {
  if (state.parts == nullptr) return version_state_init(state, input.version, *input.separators);
  const int side = rule == winner_rule::highest ? 1 : -1;
  const text_win win = version_text_wins(input.version, *input.separators, state.parts, side);
  if (!win.wins) return version_parse_status::ok;
  return replace_winner(state, input.version, *input.separators, win);
}

void version_step(sqlite3_context* context, int argc, sqlite3_value** argv,
                  winner_rule rule) noexcept {
  step_input input;
  version_parse_status status = read_step_input(argc, argv, input);
  if (status == version_parse_status::ok) {
    auto* state =
        static_cast<version_state*>(sqlite3_aggregate_context(context, sizeof(version_state)));
    status = state == nullptr ? version_parse_status::no_memory : consider_row(*state, input, rule);
  }
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
  store_text(state, text);
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
