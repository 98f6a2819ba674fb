// The total order behind the "version" collation.
#pragma once

#include <string_view>

namespace korvel {

// Orders two texts as versions split at the default separators, reading each
// up to its length or first NUL. Texts that are not versions order before all
// versions and among themselves byte by byte; equal versions are ordered byte
// by byte over their whole length, so only identical texts compare equal.
// Allocates nothing and cannot fail. Returns -1, 0 or 1.
[[nodiscard]] int version_collation_compare(std::string_view lhs, std::string_view rhs) noexcept;

// COLLATE version: the SQLite callback of version_collation_compare().
extern "C" int version_collation(void* unused, int lhs_bytes, const void* lhs, int rhs_bytes,
                                 const void* rhs) noexcept;

}  // namespace korvel
