// Sixteen bytes at a time through SSE2, for the orders that check a usual
// shape from bit masks, one bit a byte, without a branch per byte. Where
// SSE2 is missing, those orders class their bytes one at a time instead.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/short_text.h"
#include "version/words.h"

namespace korvel {

inline std::uint64_t mask_of(__m128i matches) noexcept {
  return static_cast<unsigned>(_mm_movemask_epi8(matches));
}

// Up to sixteen bytes in one register, zeros after them, from words that
// overlap rather than read past the text.
[[gnu::always_inline]] inline __m128i short_chunk(const char* bytes, std::size_t size) noexcept {
  if (size <= kWordBytes)
    return _mm_cvtsi64_si128(static_cast<long long>(short_word(bytes, size, 0)));
  const word high = load_word(bytes + size - kWordBytes) >> (8 * (16 - size));
  return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(load_word(bytes)));
}

inline __m128i chunk_at(const char* bytes) noexcept {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// The longest text the orders read into registers whole.
inline constexpr std::size_t kShortText = 32;

// Up to 32 bytes in two registers, zeros after them.
struct chunk_pair {
  __m128i low;
  __m128i high;
};

// The branches on the length mispredict in a sort, whose neighbours differ
// in length at random; AVX-512's masked loads avoid them, but the sorts ran
// slower with those, since the next comparison waits on this one's result.
[[gnu::always_inline]] inline chunk_pair read_chunks(const char* bytes, std::size_t size) noexcept {
  const __m128i low = size >= 16 ? chunk_at(bytes) : short_chunk(bytes, size);
  if (size <= 16) return {low, _mm_setzero_si128()};
  return {low, size == 32 ? chunk_at(bytes + 16) : short_chunk(bytes + 16, size - 16)};
}

// An order that reads a pair of texts of 1 to 32 bytes each from
// registers, else `kLeft` for the pair to be read from memory.
using short_order = int (*)(std::string_view, std::string_view, const chunk_pair&,
                            const chunk_pair&) noexcept;
using long_order = int (*)(std::string_view, std::string_view) noexcept;

// The collation of `Short` where it decides, of `Long` elsewhere.
template <short_order Short, long_order Long, int kLeft>
int collate_pair(std::string_view a, std::string_view b) noexcept {
  if (!a.empty() && !b.empty() && a.size() <= kShortText && b.size() <= kShortText) {
    const int order = Short(a, b, read_chunks(a.data(), a.size()), read_chunks(b.data(), b.size()));
    if (order != kLeft) return order;
  }
  return Long(a, b);
}

// The two registers' masks as one, bit i for byte i.
inline std::uint64_t joined(std::uint64_t low, std::uint64_t high) noexcept {
  return low | high << 16;
}

// Whether byte `at`'s bit of a mask is set.
inline bool has_bit(std::uint64_t mask, unsigned at) noexcept {
  return ((mask >> at) & 1) != 0;
}

// The bytes where two texts of up to 32 bytes differ, the padding of a
// shorter one included.
inline std::uint64_t differing(const chunk_pair& a, const chunk_pair& b) noexcept {
  return ~joined(mask_of(_mm_cmpeq_epi8(a.low, b.low)), mask_of(_mm_cmpeq_epi8(a.high, b.high))) &
         0xFFFFFFFF;
}

// Calls add(masks, chunk, at) over chunks that cover the text, which may
// overlap.
template <typename Masks, typename Add>
[[gnu::always_inline]] inline Masks over_chunks(std::string_view text, Add add) noexcept {
  Masks masks{};
  const char* bytes = text.data();
  const std::size_t size = text.size();
  if (size > 16) {
    add(masks, chunk_at(bytes), 0);
    for (std::size_t at = 16; at + 16 < size; at += 16) add(masks, chunk_at(bytes + at), at);
    add(masks, chunk_at(bytes + size - 16), size - 16);
  } else {
    add(masks, size == 16 ? chunk_at(bytes) : short_chunk(bytes, size), 0);
  }
  return masks;
}

}  // namespace korvel
#endif
