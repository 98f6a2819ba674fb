// Sort keys for the library's default version order: the key of a version
// text is a byte string whose memcmp-then-length order is exactly
// version_compare's, equal exactly for versions that compare 0, so that an
// index, ORDER BY or another system can sort versions as plain bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "version/separators.h"

namespace korvel {

// The most bytes version_key() writes for a text of `size` bytes. No
// component's key is longer than the component plus one byte, and the
// separators between components write nothing, so n components in `size`
// bytes write at most (size - (n - 1)) + n.
[[nodiscard]] constexpr std::size_t version_key_bound(std::size_t size) noexcept {
  return size + 1;
}

struct version_key_result {
  bool well_formed;  // false: the text has an empty component; nothing useful was written
  std::size_t size;  // bytes written to `out` when well formed
};

// Writes the key of `text` (read up to its length or first NUL) split at
// `separators` to `out`, which holds version_key_bound(text.size()) bytes.
// Linear in the text; allocates nothing. The encoding is stored in users'
// databases and never changes; docs/version_key.md gives it byte by byte.
[[nodiscard]] version_key_result version_key(std::string_view text, const separator_set& separators,
                                             unsigned char* out) noexcept;

}  // namespace korvel
