#include "version/scheme.h"

#include <cstring>

#include "common/bytes.h"

namespace korvel {

int generic_collate(const version_scheme& scheme, std::string_view lhs,
                    std::string_view rhs) noexcept {
  // Inventories repeat their versions, so sorts and index builds often meet
  // two identical texts: no need to read either as a version.
  if (lhs.size() == rhs.size() &&
      (lhs.empty() || std::memcmp(lhs.data(), rhs.data(), lhs.size()) == 0))
    return 0;
  const bool lhs_valid = scheme.valid(lhs);
  if (lhs_valid != scheme.valid(rhs)) return lhs_valid ? 1 : -1;
  if (lhs_valid) {
    const int order = scheme.compare(lhs, rhs);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  return byte_order(lhs, rhs);
}

}  // namespace korvel
