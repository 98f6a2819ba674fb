// An address text of 7 to 15 bytes in two words, so that it can be checked
// in registers from bit masks instead of a loop over its parts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvel {

// Sixteen bytes in memory order, the first eight in `low`.
struct sixteen_bytes {
  std::uint64_t low;
  std::uint64_t high;
};

// The first `size` (7 to 15) bytes of `text` and zeros after them, read with
// word loads that never reach past the text. Built in registers: bytes
// stored piecewise and loaded whole would wait on the stores.
inline sixteen_bytes load_short_text(const char* text, std::size_t size) noexcept {
  if (size == 7) {
    std::uint32_t head;
    std::uint32_t tail;
    std::memcpy(&head, text, 4);
    std::memcpy(&tail, text + 3, 4);
    return {head | (std::uint64_t{tail} << 24), 0};
  }
  std::uint64_t low;
  std::uint64_t tail;
  std::memcpy(&low, text, 8);
  std::memcpy(&tail, text + size - 8, 8);
  // Keeps the tail's last size - 8 bytes; in two steps, as size 8 drops all 64 bits.
  return {low, (tail >> (8 * (15 - size))) >> 8};
}

}  // namespace korvel
