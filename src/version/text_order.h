// Two version texts against each other, straight from their bytes: the core
// of version_compare() and of the "version" collation. Allocates nothing and
// cannot fail.
#pragma once

#include <string_view>

#include "version/separators.h"

namespace korvel {

// Orders two version texts split at the same separators. `well_formed` is
// true only when both are; `lhs_well_formed` / `rhs_well_formed` tell which.
struct text_pair_order {
  bool lhs_well_formed;
  bool rhs_well_formed;
  int order;  // meaningful only when both are well formed
};
[[nodiscard]] text_pair_order version_compare_texts(std::string_view lhs, std::string_view rhs,
                                                    const separator_set& separators) noexcept;

// Orders two texts as versions split at the default separators, reading each
// up to its length or first NUL. Texts that are not versions order before all
// versions and among themselves byte by byte; equal versions are ordered byte
// by byte over their whole length, so only identical texts compare equal.
// Returns -1, 0 or 1.
[[nodiscard]] int version_collation_compare(std::string_view lhs, std::string_view rhs) noexcept;

}  // namespace korvel
