// Texts of ASCII digits parted by single dots ("1.10.3"), the usual shape
// of a version in most ecosystems, compared without the full reading of a
// scheme: numbers of any length, leading zeros ignored, a missing number
// as 0. A scheme's collation takes this path only where the dotted numbers
// mean exactly that in its own order.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace korvel {

// Whether `text` is digits parted by at most `most_dots` single dots, and its
// first number at most `first_digits` digits and every number at most
// `digits` digits.
[[nodiscard]] inline bool is_dotted_numbers(std::string_view text, std::size_t most_dots,
                                            std::size_t first_digits, std::size_t digits) noexcept {
  std::size_t run = 0;
  std::size_t dots = 0;
  for (const char c : text) {
    if (static_cast<unsigned char>(c - '0') < 10) {
      if (++run > (dots == 0 ? first_digits : digits)) return false;
    } else if (c == '.' && run != 0 && dots < most_dots) {
      run = 0;
      ++dots;
    } else {
      return false;
    }
  }
  return run != 0;
}

// Orders two dotted-number texts whose first `shared` bytes are the same:
// only the numbers from the one those bytes end in are read.
[[nodiscard]] inline int compare_dotted_numbers(std::string_view lhs, std::string_view rhs,
                                                std::size_t shared) noexcept {
  std::size_t a = shared;
  while (a > 0 && lhs[a - 1] != '.') --a;
  std::size_t b = a;
  for (;;) {
    if (a >= lhs.size() && b >= rhs.size()) return 0;
    // The next number of each, significant digits only; none is 0.
    while (a < lhs.size() && lhs[a] == '0') ++a;
    while (b < rhs.size() && rhs[b] == '0') ++b;
    std::size_t a_end = a;
    std::size_t b_end = b;
    while (a_end < lhs.size() && lhs[a_end] != '.') ++a_end;
    while (b_end < rhs.size() && rhs[b_end] != '.') ++b_end;
    const std::size_t a_size = a_end - a;
    const std::size_t b_size = b_end - b;
    if (a_size != b_size) return a_size < b_size ? -1 : 1;
    if (a_size != 0) {
      const int order = std::memcmp(lhs.data() + a, rhs.data() + b, a_size);
      if (order != 0) return order;
    }
    a = a_end + 1;
    b = b_end + 1;
  }
}

}  // namespace korvel
