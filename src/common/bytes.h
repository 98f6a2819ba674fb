// Texts as plain bytes: the order every version order falls back on for
// texts it cannot tell apart, and the length of the prefix two texts share,
// from which the orders skip what is the same.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace korvel {

// Unsigned byte order, a proper prefix first (strcmp's order on texts
// without NULs). Returns -1, 0 or 1.
[[nodiscard]] int byte_order(std::string_view lhs, std::string_view rhs) noexcept;

namespace detail {

// The index of the first byte of `mine` that is NUL or differs from
// `theirs`' in the same place; the word's size when there is none. Bytes are
// in memory order, so the word must have been loaded little-endian.
template <typename Word>
inline unsigned first_mismatch(Word mine, Word theirs) noexcept {
  constexpr Word ones = static_cast<Word>(~Word{0}) / 0xFF;
  // Flags every NUL byte, and possibly bytes above one: the lowest is exact.
  const Word nul = (mine - ones) & ~mine & (ones * 0x80);
  const Word flags = nul | (mine ^ theirs);
  return flags == 0 ? sizeof(Word) : static_cast<unsigned>(std::countr_zero(flags)) / 8;
}

template <typename Word>
inline unsigned first_mismatch_at(const char* mine, const char* theirs) noexcept {
  Word a;
  Word b;
  std::memcpy(&a, mine, sizeof a);
  std::memcpy(&b, theirs, sizeof b);
  return first_mismatch(a, b);
}

// How many leading bytes `a` and `b` share, up to `common` and short of a
// NUL. Words are compared whole; the last one may overlap bytes already
// compared, so that no byte past `common` is read.
template <typename Word>
inline std::size_t shared_words(const char* a, const char* b, std::size_t common) noexcept {
  for (std::size_t offset = 0;; offset += sizeof(Word)) {
    const std::size_t at = offset + sizeof(Word) <= common ? offset : common - sizeof(Word);
    const unsigned mismatch = first_mismatch_at<Word>(a + at, b + at);
    if (mismatch < sizeof(Word)) return at + mismatch;
    if (at + sizeof(Word) == common) return common;
  }
}

}  // namespace detail

// Inline: the aggregates and the collations call it on every row.
inline std::size_t shared_length(const char* a, const char* b, std::size_t common) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    if (common >= 8) return detail::shared_words<std::uint64_t>(a, b, common);
    if (common >= 4) return detail::shared_words<std::uint32_t>(a, b, common);
  }
  std::size_t shared = 0;
  while (shared < common && a[shared] == b[shared] && a[shared] != '\0') ++shared;
  return shared;
}

}  // namespace korvel
