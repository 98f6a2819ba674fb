#include "version/version_collation.h"

#include "version/version_token.h"

namespace korvel {

namespace {

std::string_view tail(std::string_view text, std::size_t from) noexcept {
  return {text.data() + from, text.size() - from};
}

}  // namespace

// Sorts and index builds compare neighbours that mostly share their leading
// tokens: those are the same bytes, hence equal and equally well formed, so
// the comparison starts at the token holding the first differing byte.
int version_collation_compare(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  std::size_t start = shared_length(lhs.data(), rhs.data(), common);
  // Identical texts, common in inventories, need no reading as versions.
  if (start == lhs.size() && lhs.size() == rhs.size()) return 0;
  while (start > 0 && !DEFAULT_SEPARATOR_SET.contains(static_cast<unsigned char>(lhs[start - 1])))
    --start;
  // The shared tokens end with a separator; without it, they must be
  // well-formed tokens on their own.
  if (start > 0 && !tokens_well_formed(lhs.data(), lhs.data() + start - 1, DEFAULT_SEPARATOR_SET))
    return byte_order(lhs, rhs);
  const text_pair_order versions =
      version_compare_texts(tail(lhs, start), tail(rhs, start), DEFAULT_SEPARATOR_SET);
  if (versions.lhs_well_formed != versions.rhs_well_formed)
    return versions.lhs_well_formed ? 1 : -1;
  if (versions.lhs_well_formed && versions.order != 0) return versions.order;
  return byte_order(lhs, rhs);
}

}  // namespace korvel
