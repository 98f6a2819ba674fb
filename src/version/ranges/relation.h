// A comparator's relation and the order of sort keys, shared by the generic
// grammar and vers.
#pragma once

#include <cstddef>
#include <cstring>

namespace korvel {

enum class relation : unsigned char { less, less_equal, equal, not_equal, greater_equal, greater };

// Whether a version whose order against the comparator's version is
// `order` (negative, 0 or positive) stands in relation `op` to it.
[[nodiscard]] constexpr bool relation_holds(relation op, int order) noexcept {
  switch (op) {
    case relation::less:
      return order < 0;
    case relation::less_equal:
      return order <= 0;
    case relation::equal:
      return order == 0;
    case relation::not_equal:
      return order != 0;
    case relation::greater_equal:
      return order >= 0;
    case relation::greater:
      return order > 0;
  }
  return false;
}

// Two sort keys' order: memcmp, then the shorter first. Negative, 0 or
// positive.
[[nodiscard]] inline int key_order(const unsigned char* lhs, std::size_t lhs_size,
                                   const unsigned char* rhs, std::size_t rhs_size) noexcept {
  const std::size_t common = lhs_size < rhs_size ? lhs_size : rhs_size;
  const int order = common == 0 ? 0 : std::memcmp(lhs, rhs, common);
  if (order != 0) return order;
  return (lhs_size > rhs_size) - (lhs_size < rhs_size);
}

}  // namespace korvel
