// Texts of ASCII digits parted by single dots ("1.10.3"), the usual shape
// of a version in most ecosystems, compared without the full reading of a
// scheme: numbers of any length, leading zeros ignored, a missing number
// as 0. A scheme's collation takes this path only where the dotted numbers
// mean exactly that in its own order.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/short_text.h"

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

// ---- the same shape from bit masks ----
//
// A text of at most sixteen bytes whose numbers have no leading zero is
// checked in registers, and two such texts ordered from the first byte they
// differ in (compare_numbered_texts), wherever an order ranks what may
// follow a number as the bytes of its separators rank, the end lowest.

// A text's bytes and masks: which bytes are used, digits, '.', '-', '0'.
struct masked_text {
  numbered_text numbered;
  unsigned used;
  unsigned digits;
  unsigned dots;
  unsigned dashes;
  unsigned zeros;
#if defined(__SSE2__)
  __m128i bytes;
#endif

  // The bytes equal to `c`; none on a host whose texts are never masked.
  [[nodiscard]] unsigned where(char c) const noexcept {
#if defined(__SSE2__)
    return bytes_equal(bytes, c);
#else
    (void)c;
    return 0;
#endif
  }
};

// Reads `text` into `out` when it has 1 to 16 bytes on a little-endian host
// with SSE2; elsewhere every text takes an order's full reading.
[[nodiscard]] inline bool mask_text(std::string_view text, masked_text& out) noexcept {
#if defined(__SSE2__)
  if (std::endian::native != std::endian::little || text.empty() || text.size() > 16) return false;
  out.numbered.bytes = load_short_text(text.data(), text.size());
  const __m128i bytes = register_of(out.numbered.bytes);
  out.bytes = bytes;
  out.used = (1u << text.size()) - 1;
  out.digits = bytes_in(bytes, '0', 10);
  out.dots = bytes_equal(bytes, '.');
  out.dashes = bytes_equal(bytes, '-');
  out.zeros = bytes_equal(bytes, '0');
  out.numbered.ends = (out.used & ~out.digits) | (out.used + 1);
  return true;
#else
  (void)text;
  (void)out;
  return false;
#endif
}

// Whether the text starts with a digit, each byte of `separators` is
// followed by one, and no number is led by a zero.
[[nodiscard]] inline bool numbers_after(const masked_text& t, unsigned separators) noexcept {
  const unsigned starts = t.digits & ~(t.digits << 1);
  return (t.digits & 1) != 0 && (separators << 1 & ~t.digits) == 0 &&
         (starts & t.zeros & t.digits >> 1) == 0;
}

// A limit of dots that sixteen bytes cannot pass.
constexpr std::size_t kAnyDots = 16;

// Whether `mask` (of sixteen bits) has at most `most` bits set.
[[nodiscard]] inline bool at_most_bits(unsigned mask, std::size_t most) noexcept {
  if (most >= 16) return true;
  for (std::size_t i = 0; i < most && mask != 0; ++i) mask &= mask - 1;
  return mask == 0;
}

// Whether a masked text is dotted numbers, at most `most_dots` dots, none
// led by a zero.
[[nodiscard]] inline bool dotted(const masked_text& t, std::size_t most_dots) noexcept {
  return (t.digits | t.dots) == t.used && numbers_after(t, t.dots) &&
         at_most_bits(t.dots, most_dots);
}

[[nodiscard]] inline bool read_dotted_numbers(std::string_view text, std::size_t most_dots,
                                              numbered_text& out) noexcept {
  masked_text t;
  if (!mask_text(text, t) || !dotted(t, most_dots)) return false;
  out = t.numbered;
  return true;
}

// For orders where every text without a NUL is a version and a number
// whose value differs decides whatever follows (maven): two masked texts
// whose bytes before the first they differ in are digits and dots, and
// whose number holding that byte has a digit in both and no leading zero
// in either, order as that number's values: the longer digit run from that
// byte, else the larger byte. kUndecided for every other pair.
constexpr int kUndecided = 2;

[[nodiscard]] inline int compare_first_numbers(const masked_text& a,
                                               const masked_text& b) noexcept {
  const unsigned at = first_difference(a.numbered.bytes, b.numbered.bytes);
  if (at == 16) return kUndecided;
  const unsigned before = (1u << at) - 1;
  // The bytes before `at` are the same in both texts.
  const unsigned separators = a.dots & before;
  if (((a.digits | separators) & before) != before) return kUndecided;
  const unsigned a_digit = a.digits >> at & 1;
  const unsigned b_digit = b.digits >> at & 1;
  const unsigned start = number_start(separators);
  // A number that would be empty in one text (".5" against "0.5") may be
  // read as 0 there.
  if ((a_digit & b_digit) == 0 && (start == at || (a_digit | b_digit) == 0)) return kUndecided;
  const auto leading_zero = [start](const masked_text& t) {
    return (t.zeros >> start & t.digits >> (start + 1) & 1) != 0;
  };
  if (leading_zero(a) || leading_zero(b)) return kUndecided;
  return compare_numbered_at(a.numbered, b.numbered, at);
}

}  // namespace korvel
