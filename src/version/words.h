// Reading a text eight bytes at a time. A version is a word or two long, so
// a loop over its bytes costs more in the branch that ends it than in the
// bytes; the orders check whole words instead, the last one overlapping the
// one before or, for a text shorter than a word, padded.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace korvel {

using word = std::uint64_t;

inline constexpr std::size_t kWordBytes = 8;
inline constexpr word kLowBits = 0x0101010101010101;
inline constexpr word kHighBits = 0x8080808080808080;

// The bytes at p[0..8), p[0] in the lowest bits on every host.
inline word load_word(const char* p) noexcept {
  word w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  return w;
}

inline word load_four(const char* p) noexcept {
  std::uint32_t w;
  std::memcpy(&w, p, sizeof w);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  return w;
}

// The `n` bytes at p (1 <= n <= 8) as a word, byte i at bits 8i, the bytes
// past `n` set to `pad`. Three loads cover any length.
inline word short_word(const char* p, std::size_t n, unsigned char pad) noexcept {
  word w = 0;
  if (n >= 4) {
    w = load_four(p) | load_four(p + n - 4) << (8 * (n - 4));
  } else {
    w = word{static_cast<unsigned char>(p[0])} |
        word{static_cast<unsigned char>(p[n / 2])} << (8 * (n / 2)) |
        word{static_cast<unsigned char>(p[n - 1])} << (8 * (n - 1));
  }
  if (n == kWordBytes) return w;
  const word kept = (word{1} << (8 * n)) - 1;
  return w | (kLowBits * pad & ~kept);
}

// The high bit of every byte of `w` that equals `byte`; exact, unlike the
// shorter test whose borrow can flag the byte above a match.
inline word bytes_equal(word w, unsigned char byte) noexcept {
  const word x = w ^ (kLowBits * byte);
  return ~(((x & ~kHighBits) + ~kHighBits) | x) & kHighBits;
}

// The index of the first byte flagged in a mask that is not 0.
inline std::size_t first_flagged(word mask) noexcept {
  return static_cast<std::size_t>(std::countr_zero(mask)) / 8;
}

// The index of the last byte flagged in a mask that is not 0.
inline std::size_t last_flagged(word mask) noexcept {
  return static_cast<std::size_t>(63 - std::countl_zero(mask)) / 8;
}

// Calls visit(w, at) for words covering text[0..n), n >= 1, byte i of `w`
// being text[at + i]; the last word of a long text overlaps the one before
// and a short text is one padded word at 0, so a visitor must accept bytes
// twice and `pad` bytes. Returns false as soon as a visit does.
template <typename Visit>
inline bool visit_words(const char* text, std::size_t n, unsigned char pad, Visit visit) noexcept {
  if (n <= kWordBytes) return visit(short_word(text, n, pad), std::size_t{0});
  std::size_t at = 0;
  for (; at + kWordBytes < n; at += kWordBytes) {
    if (!visit(load_word(text + at), at)) return false;
  }
  return visit(load_word(text + n - kWordBytes), n - kWordBytes);
}

}  // namespace korvel
