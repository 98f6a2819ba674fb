#include "common/bytes.h"

namespace korvel {

int byte_order(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  if (common != 0) {
    const int bytes = std::memcmp(lhs.data(), rhs.data(), common);
    if (bytes != 0) return bytes < 0 ? -1 : 1;
  }
  return (lhs.size() > rhs.size()) - (lhs.size() < rhs.size());
}

}  // namespace korvel
