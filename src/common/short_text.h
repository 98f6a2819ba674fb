// Texts of at most sixteen bytes in two words, so that the shapes most
// sorted (a plain IPv4 address, a version of dotted numbers) can be checked
// in registers from bit masks instead of a loop over their parts, and two of
// them ordered from the first byte they differ in.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvel {

// Sixteen bytes in memory order, the first eight in `low`.
struct sixteen_bytes {
  std::uint64_t low;
  std::uint64_t high;
};

// The first `size` (1 to 16) bytes of `text` and zeros after them, read with
// loads that never reach past the text. Built in registers: bytes stored
// piecewise and loaded whole would wait on the stores.
inline sixteen_bytes load_short_text(const char* text, std::size_t size) noexcept {
  if (size >= 8) {
    std::uint64_t low;
    std::uint64_t tail;
    std::memcpy(&low, text, 8);
    std::memcpy(&tail, text + size - 8, 8);
    // Keeps the tail's last size - 8 bytes; in two halves, as size 8 drops all 64 bits.
    return {low, (tail >> (4 * (16 - size))) >> (4 * (16 - size))};
  }
  if (size >= 4) {
    std::uint32_t head;
    std::uint32_t tail;
    std::memcpy(&head, text, 4);
    std::memcpy(&tail, text + size - 4, 4);
    return {head | (std::uint64_t{tail} << (8 * (size - 4))), 0};
  }
  const auto byte = [text](std::size_t at) {
    return std::uint64_t{static_cast<unsigned char>(text[at])} << (8 * at);
  };
  return {byte(0) | byte(size / 2) | byte(size - 1), 0};
}

// A text of numbers without leading zeros between separators, in two words:
// `ends` has a bit at every byte that is not a digit and one just past the
// text.
struct numbered_text {
  sixteen_bytes bytes;
  unsigned ends;
};

inline unsigned char byte_at(const sixteen_bytes& bytes, unsigned at) noexcept {
  return static_cast<unsigned char>((at < 8 ? bytes.low : bytes.high) >> (8 * (at % 8)));
}

// The first byte in which `a` and `b` differ; 16 for none.
inline unsigned first_difference(const sixteen_bytes& a, const sixteen_bytes& b) noexcept {
  const std::uint64_t low = a.low ^ b.low;
  const std::uint64_t high = a.high ^ b.high;
  if (low != 0) return static_cast<unsigned>(std::countr_zero(low)) / 8;
  return high != 0 ? 8 + static_cast<unsigned>(std::countr_zero(high)) / 8 : 16;
}

// Where the number holding byte `at` starts, given the bytes before `at`
// that are no digit: just past the last of them, or at 0.
inline unsigned number_start(unsigned separators_before) noexcept {
  return separators_before == 0 ? 0
                                : 32 - static_cast<unsigned>(std::countl_zero(separators_before));
}

// Two numbered texts (see above) that first differ in byte `at`, in the
// order where the numbers compare as numbers, the separators as their
// bytes and the end of a text before any byte: the number holding that
// byte is the larger where its digits run on longer, else where that byte
// is larger, and the zeros past a text make its end the lowest byte.
inline int compare_numbered_at(const numbered_text& a, const numbered_text& b,
                               unsigned at) noexcept {
  const int a_run = std::countr_zero(a.ends >> at);
  const int b_run = std::countr_zero(b.ends >> at);
  if (a_run != b_run) return a_run < b_run ? -1 : 1;
  return byte_at(a.bytes, at) < byte_at(b.bytes, at) ? -1 : 1;
}

inline int compare_numbered_texts(const numbered_text& a, const numbered_text& b) noexcept {
  const unsigned at = first_difference(a.bytes, b.bytes);
  return at == 16 ? 0 : compare_numbered_at(a, b, at);
}

#if defined(__SSE2__)

inline __m128i register_of(const sixteen_bytes& bytes) noexcept {
  return _mm_set_epi64x(static_cast<long long>(bytes.high), static_cast<long long>(bytes.low));
}

// A bit for every byte of `bytes` equal to `c`, the first byte lowest.
inline unsigned bytes_equal(__m128i bytes, char c) noexcept {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
}

// Bytes whose value minus `low` is below `count`: shifted by 0x80 - low, the
// range wraps to the lowest signed values, and one comparison finds them.
inline __m128i in_range(__m128i bytes, char low, char count) noexcept {
  const __m128i shifted = _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x80 - low)));
  return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(-128 + count)));
}

// A bit for every byte of `bytes` in that range, the first byte lowest.
inline unsigned bytes_in(__m128i bytes, char low, char count) noexcept {
  return static_cast<unsigned>(_mm_movemask_epi8(in_range(bytes, low, count)));
}

#endif

}  // namespace korvel
