// Decimal prefix conversion shared by every SQL function of the library.
//
// It follows the C library's atoi() rules (leading white space, an optional
// sign, decimal digits up to the first other byte, 0 when there are none) but
// saturates at the signed 32-bit limits instead of invoking undefined
// behaviour, so results are identical on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvel {

struct leading_int {
  std::int32_t value;
  std::size_t length;  // bytes consumed: white space, sign and digits
};

[[nodiscard]] constexpr bool is_decimal_digit(char c) noexcept {
  return static_cast<unsigned>(static_cast<unsigned char>(c) - '0') < 10u;
}

// Appends one decimal digit to a magnitude that saturates just past the
// int32 range, so that the negative limit is still reachable.
[[nodiscard]] constexpr std::int64_t push_decimal_digit(std::int64_t magnitude,
                                                        char digit) noexcept {
  constexpr std::int64_t kMagnitudeLimit = std::int64_t{INT32_MAX} + 1;
  magnitude = magnitude * 10 + (digit - '0');
  return magnitude > kMagnitudeLimit ? kMagnitudeLimit : magnitude;
}

[[nodiscard]] constexpr std::int32_t clamp_to_int32(std::int64_t value) noexcept {
  return static_cast<std::int32_t>(value > INT32_MAX ? INT32_MAX
                                                     : (value < INT32_MIN ? INT32_MIN : value));
}

// The leading digits of `text`, with no white space or sign before them.
[[nodiscard]] constexpr leading_int parse_leading_digits(std::string_view text) noexcept {
  std::int64_t magnitude = 0;
  std::size_t i = 0;
  for (; i < text.size() && is_decimal_digit(text[i]); ++i) {
    magnitude = push_decimal_digit(magnitude, text[i]);
  }
  return {clamp_to_int32(magnitude), i};
}

// Converts the decimal prefix of `text`; stops at the end of the view or at
// the first byte that cannot continue the number (a NUL included).
[[nodiscard]] constexpr leading_int parse_leading_int(std::string_view text) noexcept {
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto is_space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < n && is_space(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  const std::size_t digits_start = i;
  for (; i < n && is_decimal_digit(text[i]); ++i)
    magnitude = push_decimal_digit(magnitude, text[i]);
  if (i == digits_start) return {0, 0};
  return {clamp_to_int32(negative ? -magnitude : magnitude), i};
}

[[nodiscard]] constexpr std::int32_t saturating_atoi(std::string_view text) noexcept {
  return parse_leading_int(text).value;
}

}  // namespace korvel
