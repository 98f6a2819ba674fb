// The bytes a version text is split at. A call names its own separators or
// takes the default ones; every order reads the same set the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace korvel {

inline constexpr char DEFAULT_VERSION_SEPARATORS[] = ".-/ ";

// Every byte of the set's source text, up to its NUL, is a separator. NUL
// itself never is: it ends the text.
struct separator_set {
  std::array<std::uint64_t, 4> bits{};

  [[nodiscard]] constexpr bool contains(unsigned char byte) const noexcept {
    return (bits[byte >> 6] >> (byte & 63)) & 1u;
  }

  // Word by word: cheaper than the memcmp() call of comparing the arrays.
  [[nodiscard]] constexpr bool same_bytes(const separator_set& other) const noexcept {
    return ((bits[0] ^ other.bits[0]) | (bits[1] ^ other.bits[1]) | (bits[2] ^ other.bits[2]) |
            (bits[3] ^ other.bits[3])) == 0;
  }
};

[[nodiscard]] constexpr separator_set make_separator_set(std::string_view separators) noexcept {
  separator_set set;
  for (char c : separators) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) break;
    set.bits[byte >> 6] |= std::uint64_t{1} << (byte & 63);
  }
  return set;
}

inline constexpr separator_set DEFAULT_SEPARATOR_SET =
    make_separator_set(DEFAULT_VERSION_SEPARATORS);

// The bytes at which a token stops: the separators and NUL, which ends the
// text. One lookup per byte instead of two tests.
[[nodiscard]] constexpr separator_set stop_bytes(const separator_set& separators) noexcept {
  separator_set stops = separators;
  stops.bits[0] |= 1u;
  return stops;
}

// The default separators and their stop bytes as a byte table: one load a
// test, and no branch, since what class a byte is (a digit, a letter) is
// data no branch predictor can guess.
struct low_byte_set {
  bool members[256];

  [[nodiscard]] constexpr bool contains(unsigned char byte) const noexcept { return members[byte]; }
};

[[nodiscard]] constexpr low_byte_set make_low_byte_set(std::uint64_t bits) noexcept {
  low_byte_set set{};
  for (unsigned byte = 0; byte < 64; ++byte) set.members[byte] = ((bits >> byte) & 1u) != 0;
  return set;
}

static_assert((DEFAULT_SEPARATOR_SET.bits[1] | DEFAULT_SEPARATOR_SET.bits[2] |
               DEFAULT_SEPARATOR_SET.bits[3]) == 0);
inline constexpr low_byte_set DEFAULT_SEPARATOR_BYTES =
    make_low_byte_set(DEFAULT_SEPARATOR_SET.bits[0]);
inline constexpr low_byte_set DEFAULT_STOP_BYTES =
    make_low_byte_set(DEFAULT_SEPARATOR_SET.bits[0] | 1u);

// A separator set as a call splits its texts at it, built once per row.
struct splitting {
  separator_set set;
  separator_set stops;  // stop_bytes(set)
  bool is_default;      // whether `set` is DEFAULT_SEPARATOR_SET's bytes
};

[[nodiscard]] constexpr splitting make_splitting(const separator_set& set) noexcept {
  return {set, stop_bytes(set), set.same_bytes(DEFAULT_SEPARATOR_SET)};
}

inline constexpr splitting DEFAULT_SPLITTING = make_splitting(DEFAULT_SEPARATOR_SET);

}  // namespace korvel
