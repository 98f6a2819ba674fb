// A comparator's relation, shared by the generic grammar and vers.
#pragma once

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

}  // namespace korvel
