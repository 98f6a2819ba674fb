#include "address/ip_address.h"

#include <charconv>

#include "common/leading_int.h"

namespace korvel {

namespace {

bool is_digit(char c) noexcept {
  return static_cast<unsigned>(c - '0') < 10u;
}

// saturating_atoi() of the component at `cursor`, leaving `cursor` after the
// bytes it read. Digits, the usual start, are read here directly; white
// space and signs take the general conversion.
std::int32_t read_component(const char*& cursor, const char* end) noexcept {
  if (cursor == end || !is_digit(*cursor)) {
    const leading_int parsed = parse_leading_int({cursor, static_cast<std::size_t>(end - cursor)});
    cursor += parsed.length;
    return parsed.value;
  }
  std::int64_t magnitude = 0;
  do {
    magnitude = magnitude * 10 + (*cursor - '0');
    if (magnitude > INT32_MAX) magnitude = INT32_MAX;
    ++cursor;
  } while (cursor != end && is_digit(*cursor));
  return static_cast<std::int32_t>(magnitude);
}

}  // namespace

// One pass over the text: each component is converted where it starts and
// the rest of it is skipped up to the next '.'.
std::int64_t fold_ip_address(std::string_view text) noexcept {
  // Unsigned arithmetic gives the modulo-2^64 wrap without signed overflow;
  // the final conversion back to int64 is well defined in C++20.
  std::uint64_t accumulator = 0;
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  for (;;) {
    const std::int32_t component = read_component(cursor, end);
    accumulator = accumulator * 256 + static_cast<std::uint64_t>(std::int64_t{component});
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
