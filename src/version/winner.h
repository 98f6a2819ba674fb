// The lowest or highest version seen so far, held flat: a copy of its text
// and its components as offsets into that copy, both inline up to a size
// that holds usual versions, so that a new winner of any shape costs no
// allocation.
#pragma once

#include <cstdint>
#include <string_view>

#include "version/separators.h"
#include "version/tokens.h"

namespace korvel {

struct winner_component {
  std::int32_t number;   // numbers only
  std::uint32_t offset;  // of the component's first byte in the winner's text
  std::uint32_t length;
  version_part_kind kind;
};

inline constexpr std::uint32_t kInlineWinnerBytes = 64;
inline constexpr std::uint32_t kInlineWinnerComponents = 16;

// Starts zero-filled, as sqlite3_aggregate_context hands it over, and must
// not move once a row has been taken: `text` and `components` may point into
// it.
struct winner {
  char* text;  // null until the first row is considered
  winner_component* components;
  std::uint32_t text_bytes;
  std::uint32_t text_capacity;
  std::uint32_t count;
  std::uint32_t component_capacity;
  separator_set split_at;  // the separators the text was split at
  bool split_at_default;
  char inline_text[kInlineWinnerBytes];
  winner_component inline_components[kInlineWinnerComponents];
};

enum class winner_status : std::uint8_t { ok, no_memory };

// Makes the row the winner when it is well formed and orders strictly on the
// `side` (1: after, -1: before) of the winner, or when there is none yet. A
// row that does not win, malformed or not, leaves the winner as it was; so
// does running out of memory.
[[nodiscard]] winner_status winner_consider(winner& current, std::string_view row,
                                            const splitting& split, int side) noexcept;

[[nodiscard]] inline bool winner_present(const winner& current) noexcept {
  return current.count != 0;
}

// The winner's text, exactly as the row held it.
[[nodiscard]] inline std::string_view winner_text(const winner& current) noexcept {
  return {current.text, current.text_bytes};
}

// The component as a token of the winner's text.
[[nodiscard]] inline version_token winner_token(const winner& current,
                                                const winner_component& component) noexcept {
  return {component.kind, component.number,
          std::string_view(current.text + component.offset, component.length)};
}

// Releases what the winner holds on the heap and leaves it empty.
void winner_clear(winner& current) noexcept;

}  // namespace korvel
