// Allocation-free tokenizing and ordering of version texts.
//
// A version text is split at separator bytes into tokens. A token is a number
// when saturating_atoi() of it is non-zero or it begins with '0'; otherwise it
// is a word. An empty token anywhere (an empty text, a leading, trailing or
// doubled separator) makes the whole text malformed. Texts are read up to
// their length or their first NUL, whichever comes first.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "common/leading_int.h"

namespace korvel {

inline constexpr char DEFAULT_VERSION_SEPARATORS[] = ".-/ ";

enum version_part_kind : std::uint8_t {
  VERSION_PART_NUMBER = 0,
  VERSION_PART_TEXT = 1,
};

// Every byte of the set's source text, up to its NUL, is a separator. NUL
// itself never is: it ends the text.
struct separator_set {
  std::array<std::uint64_t, 4> bits{};

  [[nodiscard]] constexpr bool contains(unsigned char byte) const noexcept {
    return (bits[byte >> 6] >> (byte & 63)) & 1u;
  }

  // Word by word: cheaper than the memcmp() call of comparing the arrays.
  [[nodiscard]] constexpr bool same_bytes(const separator_set& other) const noexcept {
    return ((bits[0] ^ other.bits[0]) | (bits[1] ^ other.bits[1]) | (bits[2] ^ other.bits[2]) |
            (bits[3] ^ other.bits[3])) == 0;
  }
};

[[nodiscard]] constexpr separator_set make_separator_set(std::string_view separators) noexcept {
  separator_set set;
  for (char c : separators) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) break;
    set.bits[byte >> 6] |= std::uint64_t{1} << (byte & 63);
  }
  return set;
}

inline constexpr separator_set DEFAULT_SEPARATOR_SET =
    make_separator_set(DEFAULT_VERSION_SEPARATORS);

// One classified component. `text` is meaningful for words only.
struct version_token {
  version_part_kind kind;
  std::int32_t number;
  std::string_view text;
};

// A byte no number can start with (digits, white space and signs can), so a
// token starting with it is a word.
[[nodiscard]] inline bool byte_starts_word(unsigned char byte) noexcept {
  return !is_decimal_digit(static_cast<char>(byte)) && byte != ' ' &&
         (byte < '\t' || byte > '\r') && byte != '+' && byte != '-';
}

// Inline, with the tokenizer below: they run for every token of every row.
[[nodiscard]] inline version_token classify_version_token(std::string_view token) noexcept {
  // A token starting with a digit is always a number: its leading digits.
  if (is_decimal_digit(token.front())) {
    return {VERSION_PART_NUMBER, parse_leading_digits(token).value, {}};
  }
  const std::int32_t number = saturating_atoi(token);
  if (number != 0) return {VERSION_PART_NUMBER, number, {}};
  return {VERSION_PART_TEXT, 0, token};
}

enum class token_step : std::uint8_t { token, end, malformed };

struct version_tokenizer {
  const char* position;
  const char* end;
  separator_set stops;  // the separators and NUL
  bool finished = false;
};

// The bytes at which a token stops: the separators and NUL, which ends the
// text. One lookup per byte instead of two tests.
[[nodiscard]] constexpr separator_set stop_bytes(const separator_set& separators) noexcept {
  separator_set stops = separators;
  stops.bits[0] |= 1u;
  return stops;
}

// A set of bytes below 64, as the default separators and their stop bytes
// are: a test of it needs no memory load.
struct low_byte_set {
  std::uint64_t bits;

  [[nodiscard]] constexpr bool contains(unsigned char byte) const noexcept {
    return byte < 64 && ((bits >> byte) & 1u);
  }
};

static_assert((DEFAULT_SEPARATOR_SET.bits[1] | DEFAULT_SEPARATOR_SET.bits[2] |
               DEFAULT_SEPARATOR_SET.bits[3]) == 0);
inline constexpr low_byte_set DEFAULT_SEPARATOR_BYTES{DEFAULT_SEPARATOR_SET.bits[0]};
inline constexpr low_byte_set DEFAULT_STOP_BYTES{DEFAULT_SEPARATOR_SET.bits[0] | 1u};

// A separator set as a call splits its texts at it, built once per row.
struct splitting {
  separator_set set;
  separator_set stops;  // stop_bytes(set)
  bool is_default;      // whether `set` is DEFAULT_SEPARATOR_SET's bytes
};

[[nodiscard]] constexpr splitting make_splitting(const separator_set& set) noexcept {
  return {set, stop_bytes(set), set.same_bytes(DEFAULT_SEPARATOR_SET)};
}

inline constexpr splitting DEFAULT_SPLITTING = make_splitting(DEFAULT_SEPARATOR_SET);

template <typename Set>
[[nodiscard]] inline const char* token_end(const char* cursor, const char* end,
                                           const Set& stops) noexcept {
  while (cursor != end && !stops.contains(static_cast<unsigned char>(*cursor))) ++cursor;
  return cursor;
}

[[nodiscard]] inline bool ends_text(const char* cursor, const char* end) noexcept {
  return cursor == end || *cursor == '\0';
}

[[nodiscard]] inline version_tokenizer make_version_tokenizer(
    std::string_view text, const separator_set& separators) noexcept {
  return {text.data(), text.data() + text.size(), stop_bytes(separators)};
}

// Yields the next token; `end` once the text is used up, `malformed` on an
// empty token (after which the text must not be read further).
[[nodiscard]] inline token_step next_version_token(version_tokenizer& tokenizer,
                                                   std::string_view& token) noexcept {
  if (tokenizer.finished) return token_step::end;
  const char* start = tokenizer.position;
  const char* stop = token_end(start, tokenizer.end, tokenizer.stops);
  if (stop == start) {
    tokenizer.finished = true;
    return token_step::malformed;
  }
  token = std::string_view(start, static_cast<std::size_t>(stop - start));
  tokenizer.finished = ends_text(stop, tokenizer.end);
  // Past the separator, but never past the end: a token that runs to the
  // end leaves no separator to step over.
  tokenizer.position = stop + (stop != tokenizer.end);
  return token_step::token;
}

// Whether every token from `cursor` up to `end` or a NUL is non-empty, that
// is no separator follows another and none ends the text; `cursor` is just
// past a separator (or at the text's start) when `at_token_start`, else
// inside a token. Inline, so that a constant set folds into the loop, which
// keeps no branch on the bytes but its end: a mispredicted token boundary
// would otherwise cost on every token.
template <typename Set>
[[nodiscard]] inline bool tokens_well_formed(const char* cursor, const char* end,
                                             const Set& separators,
                                             bool at_token_start = true) noexcept {
  bool previous_separator = at_token_start;
  bool empty_token = false;
  for (; cursor != end && *cursor != '\0'; ++cursor) {
    const bool separator = separators.contains(static_cast<unsigned char>(*cursor));
    empty_token |= separator & previous_separator;
    previous_separator = separator;
  }
  return !(empty_token | previous_separator);
}

namespace detail {

// The index of the first byte of `mine` that is NUL or differs from
// `theirs`' in the same place; the word's size when there is none. Bytes are
// in memory order, so the word must have been loaded little-endian.
template <typename Word>
inline unsigned first_mismatch(Word mine, Word theirs) noexcept {
  constexpr Word ones = static_cast<Word>(~Word{0}) / 0xFF;
  // Flags every NUL byte, and possibly bytes above one: the lowest is exact.
  const Word nul = (mine - ones) & ~mine & (ones * 0x80);
  const Word flags = nul | (mine ^ theirs);
  return flags == 0 ? sizeof(Word) : static_cast<unsigned>(std::countr_zero(flags)) / 8;
}

template <typename Word>
inline unsigned first_mismatch_at(const char* mine, const char* theirs) noexcept {
  Word a;
  Word b;
  std::memcpy(&a, mine, sizeof a);
  std::memcpy(&b, theirs, sizeof b);
  return first_mismatch(a, b);
}

// How many leading bytes `a` and `b` share, up to `common` and short of a
// NUL. Words are compared whole; the last one may overlap bytes already
// compared, so that no byte past `common` is read.
template <typename Word>
inline std::size_t shared_words(const char* a, const char* b, std::size_t common) noexcept {
  for (std::size_t offset = 0;; offset += sizeof(Word)) {
    const std::size_t at = offset + sizeof(Word) <= common ? offset : common - sizeof(Word);
    const unsigned mismatch = first_mismatch_at<Word>(a + at, b + at);
    if (mismatch < sizeof(Word)) return at + mismatch;
    if (at + sizeof(Word) == common) return common;
  }
}

}  // namespace detail

// Inline: the aggregates and the collation call it on every row.
inline std::size_t shared_length(const char* a, const char* b, std::size_t common) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    if (common >= 8) return detail::shared_words<std::uint64_t>(a, b, common);
    if (common >= 4) return detail::shared_words<std::uint32_t>(a, b, common);
  }
  std::size_t shared = 0;
  while (shared < common && a[shared] == b[shared] && a[shared] != '\0') ++shared;
  return shared;
}

// Number against number by value, word against word by unsigned bytes, a
// number against a word by the number's decimal text against the word.
// Returns -1, 0 or 1.
[[nodiscard]] int version_token_compare(const version_token& lhs,
                                        const version_token& rhs) noexcept;

// Unsigned byte order, a proper prefix first (strcmp's order on texts
// without NULs). Returns -1, 0 or 1.
[[nodiscard]] int byte_order(std::string_view lhs, std::string_view rhs) noexcept;

// Orders two version texts split at the same separators. `well_formed` is
// true only when both are; `lhs_well_formed` / `rhs_well_formed` tell which.
struct text_pair_order {
  bool lhs_well_formed;
  bool rhs_well_formed;
  int order;  // meaningful only when both are well formed
};
[[nodiscard]] text_pair_order version_compare_texts(std::string_view lhs, std::string_view rhs,
                                                    const separator_set& separators) noexcept;

}  // namespace korvel
