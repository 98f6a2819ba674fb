#include "address/ip_address.h"

#include <charconv>

#include "common/leading_int.h"

namespace korvel {

namespace {

// Every component starts with a digit, as in any address a user stores: no
// branch depends on the bytes, so component lengths cost no mispredictions.
// Reports false as soon as a component starts otherwise, leaving `folded`
// meaningless.
bool fold_digit_components(const char* cursor, const char* end, std::uint64_t& folded) noexcept {
  std::uint64_t accumulator = 0;
  std::int64_t component = 0;
  bool in_digits = true;
  bool at_start = true;
  bool plain = true;
  for (; cursor != end && *cursor != '\0'; ++cursor) {
    const unsigned digit = static_cast<unsigned char>(*cursor) - static_cast<unsigned>('0');
    const bool is_digit = digit < 10u;
    const bool is_dot = *cursor == '.';
    plain &= !at_start || is_digit;
    if (!plain) return false;  // rare, so predicted: the general fold takes over
    in_digits &= is_digit;
    std::int64_t grown = component * 10 + digit;
    grown = grown > INT32_MAX ? INT32_MAX : grown;
    component = in_digits ? grown : component;
    accumulator = is_dot ? accumulator * 256 + static_cast<std::uint64_t>(component) : accumulator;
    component = is_dot ? 0 : component;
    in_digits |= is_dot;
    at_start = is_dot;
  }
  folded = accumulator * 256 + static_cast<std::uint64_t>(component);
  return plain && !at_start;
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
  if (fold_digit_components(cursor, end, accumulator))
    return static_cast<std::int64_t>(accumulator);
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
