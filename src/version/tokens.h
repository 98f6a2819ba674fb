// Splitting a version text into tokens, classifying them and ordering two
// of them, allocation-free.
//
// A version text is split at separator bytes into tokens. A token is a number
// when saturating_atoi() of it is non-zero or it begins with '0'; otherwise it
// is a word. An empty token anywhere (an empty text, a leading, trailing or
// doubled separator) makes the whole text malformed. Texts are read up to
// their length or their first NUL, whichever comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/leading_int.h"
#include "version/separators.h"

namespace korvel {

enum version_part_kind : std::uint8_t {
  VERSION_PART_NUMBER = 0,
  VERSION_PART_TEXT = 1,
};

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

// Number against number by value, word against word by unsigned bytes, a
// number against a word by the number's decimal text against the word.
// Returns -1, 0 or 1.
[[nodiscard]] int version_token_compare(const version_token& lhs,
                                        const version_token& rhs) noexcept;

}  // namespace korvel
