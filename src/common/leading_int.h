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

// Converts the decimal prefix of `text`; stops at the end of the view or at
// the first byte that cannot continue the number (a NUL included).
[[nodiscard]] constexpr leading_int parse_leading_int(std::string_view text) noexcept {
  constexpr std::int64_t kMagnitudeLimit = std::int64_t{INT32_MAX} + 1;
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
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kMagnitudeLimit) magnitude = kMagnitudeLimit;
  }
  if (i == digits_start) return {0, 0};
  const std::int64_t signed_value = negative ? -magnitude : magnitude;
  const std::int64_t clamped =
      signed_value > INT32_MAX ? INT32_MAX : (signed_value < INT32_MIN ? INT32_MIN : signed_value);
  return {static_cast<std::int32_t>(clamped), i};
}

[[nodiscard]] constexpr std::int32_t saturating_atoi(std::string_view text) noexcept {
  return parse_leading_int(text).value;
}

}  // namespace korvel
