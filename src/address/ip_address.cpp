#include "address/ip_address.h"

#include <charconv>

#include "common/leading_int.h"

namespace korvel {

namespace {

// Texts made of digits and dots only, as every address a user stores is,
// with components of at most nine digits, which cannot leave the int32 range.
// An empty component folds as 0, as atoi("") does. Reports false, leaving
// `folded` meaningless, at any other text (a NUL too): the general fold
// takes over.
bool fold_digits_and_dots(const char* cursor, const char* end, std::uint64_t& folded) noexcept {
  std::uint64_t accumulator = 0;
  for (;;) {
    std::uint64_t component = 0;
    const char* const start = cursor;
    for (; cursor != end; ++cursor) {
      const std::uint64_t digit = static_cast<unsigned char>(*cursor) - unsigned{'0'};
      if (digit > 9) break;
      component = component * 10 + digit;
    }
    if (cursor - start > 9) return false;  // may leave the int32 range
    accumulator = accumulator * 256 + component;
    if (cursor == end) break;
    if (*cursor != '.') return false;
    ++cursor;
  }
  folded = accumulator;
  return true;
}

}  // namespace

// One pass over the text: each component is converted where it starts and
// the rest of it is skipped up to the next '.'.
std::int64_t fold_ip_address(std::string_view text) noexcept {
  // Unsigned arithmetic gives the modulo-2^64 wrap without signed overflow;
  // the final conversion back to int64 is well defined in C++20.
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  std::uint64_t accumulator = 0;
  if (fold_digits_and_dots(cursor, end, accumulator)) return static_cast<std::int64_t>(accumulator);
  accumulator = 0;
  for (;;) {
    const leading_int component =
        parse_leading_int({cursor, static_cast<std::size_t>(end - cursor)});
    cursor += component.length;
    accumulator = accumulator * 256 + static_cast<std::uint64_t>(std::int64_t{component.value});
    while (cursor != end && *cursor != '.' && *cursor != '\0') ++cursor;
    if (cursor == end || *cursor == '\0') break;
    ++cursor;  // past the "."
  }
  return static_cast<std::int64_t>(accumulator);
}

std::size_t format_ipv4_text(std::uint32_t address,
                             char (&out)[IP_ADDRESS_TEXT_CAPACITY]) noexcept {
  char* cursor = out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (shift != 24) *cursor++ = '.';
    cursor = std::to_chars(cursor, out + sizeof out, (address >> shift) & 0xFF).ptr;
  }
  *cursor = '\0';
  return static_cast<std::size_t>(cursor - out);
}

}  // namespace korvel
