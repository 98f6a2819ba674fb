#include "address/ip_address.h"

#include <charconv>

#include "common/leading_int.h"

namespace korvel {

std::int64_t fold_ip_address(std::string_view text) noexcept {
  // Unsigned arithmetic gives the modulo-2^64 wrap without signed overflow;
  // the final conversion back to int64 is well defined in C++20.
  std::uint64_t accumulator = 0;
  std::size_t position = 0;
  for (;;) {
    const leading_int component = parse_leading_int(text.substr(position));
    accumulator = accumulator * 256 + static_cast<std::uint64_t>(std::int64_t{component.value});
    position += component.length;
    while (position < text.size() && text[position] != '.' && text[position] != '\0') ++position;
    if (position >= text.size() || text[position] == '\0') break;
    ++position;  // past the "."
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
