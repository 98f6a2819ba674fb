// Ordering a version text's first token against a list's first part from
// the token's first one or two bytes, which tell for most rows that lose.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/leading_int.h"
#include "version/version_part.h"

namespace korvel {

// A byte no number can start with (digits, white space and signs can), so a
// token starting with it is a word.
[[nodiscard]] inline bool byte_starts_word(unsigned char byte) noexcept {
  return !is_decimal_digit(static_cast<char>(byte)) && byte != ' ' &&
         (byte < '\t' || byte > '\r') && byte != '+' && byte != '-';
}

// The order of a token that starts with `first` against `part` when that
// byte alone decides it, else 0: a number (its decimal text starts with a
// digit or '-') against a word starting outside the digits, or a word
// starting above '9' against a number.
[[nodiscard]] inline int first_byte_order(unsigned char first, const version_part& part) noexcept {
  if (part.kind == VERSION_PART_TEXT) {
    if (!is_decimal_digit(static_cast<char>(first))) return 0;
    const auto word_first = static_cast<unsigned char>(part.value.text[0]);
    return word_first > '9' ? -1 : (word_first < '0' ? 1 : 0);
  }
  return first > '9' && byte_starts_word(first) ? 1 : 0;
}

// The order of the token at `token`, which starts with a digit, against a
// number part of one digit, from the token's first two bytes: digits not
// led by '0' make at least 10 when there are two or more. 0 when equal or
// not decided (another part, or a leading '0').
[[nodiscard]] inline int one_digit_number_order(const char* token, const char* end,
                                                const separator_set& stops,
                                                const version_part& part) noexcept {
  if (part.kind != VERSION_PART_NUMBER || part.value.number < 0 || part.value.number > 9 ||
      *token == '0') {
    return 0;
  }
  const bool has_next = token + 1 != end;
  const char next = token[has_next ? 1 : 0];
  const int more_digits = int{has_next} & int{is_decimal_digit(next)} &
                          int{!stops.contains(static_cast<unsigned char>(next))};
  // Arithmetic, not a choice: rows vary in their digit count, so a branch
  // here would mispredict.
  const int digit = *token - '0';
  const int value = digit + more_digits * (10 - digit);
  return (value > part.value.number) - (value < part.value.number);
}

// Whether `text` does not win on the `side` (1: after, -1: before) of a list
// starting with `first`, as version_text_wins() would tell; false when its
// first bytes do not tell. Inline, so that a caller turns such rows away
// without a call: most rows that lose lose here.
[[nodiscard]] inline bool version_text_loses_at_once(std::string_view text,
                                                     const separator_set& separators,
                                                     const version_part& first, int side) noexcept {
  const separator_set stops = stop_bytes(separators);
  if (text.empty()) return true;
  const auto byte = static_cast<unsigned char>(text.front());
  // An empty first token: the text is malformed and never wins.
  if (stops.contains(byte)) return true;
  int order = first_byte_order(byte, first);
  if (order == 0 && is_decimal_digit(static_cast<char>(byte))) {
    order = one_digit_number_order(text.data(), text.data() + text.size(), stops, first);
  }
  return order == -side;
}

}  // namespace korvel
