#include "version/winner.h"

#include <cstring>

#include "common/bytes.h"
#include "common/leading_int.h"
#include "common/sqlite_api.h"

namespace korvel {

namespace {

constexpr low_byte_set kDefaultStops = DEFAULT_STOP_BYTES;

// Texts come from SQLite, which keeps them below 2 GiB, so offsets fit.
std::uint32_t offset_of(const char* at, const char* begin) noexcept {
  return static_cast<std::uint32_t>(at - begin);
}

// Room for `bytes` bytes of text, keeping the winner's text.
bool reserve_text(winner& current, std::size_t bytes) noexcept {
  if (bytes <= current.text_capacity) return true;
  const std::size_t doubled = std::size_t{current.text_capacity} * 2;
  const std::size_t capacity = doubled < bytes ? bytes : doubled;
  char* heap = current.text == current.inline_text ? nullptr : current.text;
  auto* grown = static_cast<char*>(sqlite3_realloc64(heap, capacity));
  if (grown == nullptr) return false;
  if (heap == nullptr) std::memcpy(grown, current.inline_text, current.text_bytes);
  current.text = grown;
  current.text_capacity = static_cast<std::uint32_t>(capacity);
  return true;
}

// Doubles the room for components, keeping every one of them.
bool grow_components(winner& current) noexcept {
  const std::size_t capacity = std::size_t{current.component_capacity} * 2;
  winner_component* heap =
      current.components == current.inline_components ? nullptr : current.components;
  auto* grown =
      static_cast<winner_component*>(sqlite3_realloc64(heap, capacity * sizeof(winner_component)));
  if (grown == nullptr) return false;
  if (heap == nullptr)
    std::memcpy(grown, current.inline_components, sizeof current.inline_components);
  current.components = grown;
  current.component_capacity = static_cast<std::uint32_t>(capacity);
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
// library costs. An empty row may come with no pointer at all.
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

// The row's text as the winner's, once its components are in place and
// the room for it reserved.
void take_text(winner& current, std::string_view row, const splitting& split) noexcept {
  copy_bytes(current.text, row.data(), row.size());
  current.text_bytes = static_cast<std::uint32_t>(row.size());
  current.split_at = split.set;
  current.split_at_default = split.is_default;
}

enum class split_outcome : std::uint8_t { ok, malformed, no_memory };

// Splits `text` from byte `from`, the start of a token, into the components
// from `index` on, and sets the count on success only.
template <typename Set>
split_outcome split_from(winner& current, std::string_view text, std::size_t from,
                         std::uint32_t index, const Set& stops) noexcept {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* cursor = begin + from;; ++index) {
    const char* stop = token_end(cursor, end, stops);
    if (stop == cursor) return split_outcome::malformed;
    if (index == current.component_capacity && !grow_components(current)) {
      return split_outcome::no_memory;
    }
    const auto length = static_cast<std::size_t>(stop - cursor);
    const version_token token = classify_version_token({cursor, length});
    current.components[index] = {token.number, offset_of(cursor, begin),
                                 static_cast<std::uint32_t>(length), token.kind};
    if (ends_text(stop, end)) {
      current.count = index + 1;
      return split_outcome::ok;
    }
    cursor = stop + 1;
  }
}

// Makes the row, known to order on the winning side, the winner: the
// components before `index`, which start at `from`, are the row's already.
// The row's rest is checked for empty tokens as it is split; on any failure
// the winner's own components are split again from its kept text.
template <typename Set>
winner_status adopt(winner& current, std::string_view row, const splitting& split, const Set& stops,
                    std::size_t from, std::uint32_t index) noexcept {
  if (!reserve_text(current, row.size())) return winner_status::no_memory;
  const split_outcome outcome = split_from(current, row, from, index, stops);
  if (outcome != split_outcome::ok) {
    if (current.count != 0) {
      // Cannot fail: the winner's text is well formed and its components
      // fitted before.
      (void)split_from(current, winner_text(current), from, index, stop_bytes(current.split_at));
    }
    return outcome == split_outcome::no_memory ? winner_status::no_memory : winner_status::ok;
  }
  take_text(current, row, split);
  return winner_status::ok;
}

// How far order_at() read the row's token.
struct token_reading {
  const char* stop = nullptr;        // the token's end, when it equals the component
  const char* digits_end = nullptr;  // where its digits end, when it was read as a number
  std::int32_t number = 0;           // their value
};

// The token at `cursor` against the component.
template <typename Set>
[[gnu::always_inline]] inline int order_at(const char* cursor, const char* end, const Set& stops,
                                           const winner& current, const winner_component& component,
                                           token_reading& reading) noexcept {
  const char*& stop = reading.stop;
  const auto first = static_cast<unsigned char>(*cursor);
  if (component.kind == VERSION_PART_NUMBER && is_decimal_digit(static_cast<char>(first))) {
    // A token starting with a digit is a number: its leading digits.
    std::int64_t magnitude = 0;
    const char* read = cursor;
    for (; read != end && is_decimal_digit(*read) &&
           !stops.contains(static_cast<unsigned char>(*read));
         ++read) {
      magnitude = push_decimal_digit(magnitude, *read);
    }
    const std::int32_t value = clamp_to_int32(magnitude);
    reading.digits_end = read;
    reading.number = value;
    if (value != component.number) return value > component.number ? 1 : -1;
    stop = token_end(read, end, stops);
    return 0;
  }
  // A number's decimal text starts with a digit or '-', both before any
  // letter, so a number meeting a word is mostly told by one byte, without
  // reading the token to its end.
  if (is_decimal_digit(static_cast<char>(first))) {
    const auto word_first = static_cast<unsigned char>(current.text[component.offset]);
    if (word_first > '9') return -1;
    if (word_first < '0') return 1;
  } else if (component.kind == VERSION_PART_NUMBER && first > '9' && byte_starts_word(first)) {
    return 1;
  }
  stop = token_end(cursor + 1, end, stops);
  const std::string_view token(cursor, static_cast<std::size_t>(stop - cursor));
  const version_token theirs = winner_token(current, component);
  if (component.kind == VERSION_PART_TEXT && byte_starts_word(first)) {
    return byte_order(token, theirs.text);
  }
  return version_token_compare(classify_version_token(token), theirs);
}

// Where the row's comparison may start: the bytes it shares with the
// winner's text are the same tokens, hence equal, up to the token holding
// the first byte that differs, which begins a component of the winner.
template <typename Set>
[[gnu::always_inline]] inline void skip_shared(const winner& current, std::string_view row,
                                               const Set& stops, std::size_t& from,
                                               std::uint32_t& index) noexcept {
  // Most rows that lose differ from the winner in their first byte.
  if (row.empty() || row.front() != current.text[0]) return;
  const std::size_t common = row.size() < current.text_bytes ? row.size() : current.text_bytes;
  std::size_t token = shared_length(row.data(), current.text, common);
  while (token > 0 && !stops.contains(static_cast<unsigned char>(row[token - 1]))) --token;
  if (token == 0) return;
  std::uint32_t component = current.count - 1;
  while (current.components[component].offset > token) --component;
  from = token;
  index = component;
}

template <typename Set>
[[gnu::always_inline]] inline winner_status consider(winner& current, std::string_view row,
                                                     const splitting& split, const Set& stops,
                                                     int side) noexcept {
  if (current.count == 0) return adopt(current, row, split, stops, 0, 0);
  std::size_t from = 0;
  std::uint32_t index = 0;
  const bool same_split =
      split.is_default ? current.split_at_default : split.set.same_bytes(current.split_at);
  if (same_split) skip_shared(current, row, stops, from, index);
  const char* const end = row.data() + row.size();
  const char* cursor = row.data() + from;
  int order = 0;
  token_reading reading;
  for (std::uint32_t component = index;; ++component) {
    // An empty token: the row is malformed and ignored.
    if (cursor == end || stops.contains(static_cast<unsigned char>(*cursor))) {
      return winner_status::ok;
    }
    if (component == current.count) {
      order = 1;
      break;
    }
    reading = token_reading{};
    order = order_at(cursor, end, stops, current, current.components[component], reading);
    if (order != 0) break;
    if (ends_text(reading.stop, end)) {
      order = component + 1 < current.count ? -1 : 0;
      break;
    }
    cursor = reading.stop + 1;
  }
  if (order != side) return winner_status::ok;
  // A row that wins on its first unshared token, a number that ends it, as
  // each row of a release log in release order does: that token is all
  // there is to split.
  if (cursor == row.data() + from && reading.digits_end == end &&
      row.size() <= current.text_capacity) {
    current.components[index] = {reading.number, static_cast<std::uint32_t>(from),
                                 static_cast<std::uint32_t>(row.size() - from),
                                 VERSION_PART_NUMBER};
    current.count = index + 1;
    take_text(current, row, split);
    return winner_status::ok;
  }
  return adopt(current, row, split, stops, from, index);
}

}  // namespace

// The default set as a constant lets the compiler fold its lookups.
[[gnu::flatten]] winner_status winner_consider(winner& current, std::string_view row,
                                               const splitting& split, int side) noexcept {
  if (current.text == nullptr) {
    current.text = current.inline_text;
    current.text_capacity = kInlineWinnerBytes;
    current.components = current.inline_components;
    current.component_capacity = kInlineWinnerComponents;
  }
  if (split.is_default) return consider(current, row, split, kDefaultStops, side);
  return consider(current, row, split, split.stops, side);
}

void winner_clear(winner& current) noexcept {
  if (current.text != current.inline_text) sqlite3_free(current.text);
  if (current.components != current.inline_components) sqlite3_free(current.components);
  current = winner{};
}

}  // namespace korvel
