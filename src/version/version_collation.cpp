#include "version/version_collation.h"

#include "version/version_token.h"

namespace korvel {

int version_collation_compare(std::string_view lhs, std::string_view rhs) noexcept {
  const text_pair_order versions = version_compare_texts(lhs, rhs, DEFAULT_SEPARATOR_SET);
  if (versions.lhs_well_formed != versions.rhs_well_formed)
    return versions.lhs_well_formed ? 1 : -1;
  if (versions.lhs_well_formed && versions.order != 0) return versions.order;
  return byte_order(lhs, rhs);
}

}  // namespace korvel
