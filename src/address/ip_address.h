// Folding of dotted address texts into one integer, free of SQLite types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvel {

// Folds '192.168.1.1' into 3232235777. Every "."-separated component is read
// with saturating_atoi() and the accumulator is shifted by 8 bits per
// component, wrapping modulo 2^64. Nothing is rejected: components above 255,
// negative components, empty components and trailing garbage all fold as
// they come. Reads up to the end of the view or its first NUL.
[[nodiscard]] std::int64_t fold_ip_address(std::string_view text) noexcept;

// Longest dotted text of an IPv4 address, '255.255.255.255', plus a NUL.
inline constexpr std::size_t IP_ADDRESS_TEXT_CAPACITY = 16;

// Writes the dotted text of `address` (which must lie in 0..4294967295) into
// `out` and returns its length.
std::size_t format_ipv4_text(std::uint32_t address, char (&out)[IP_ADDRESS_TEXT_CAPACITY]) noexcept;

}  // namespace korvel
