// Version texts parsed into lists of components, and the order of such lists.
#pragma once

#include <cstdint>
#include <string_view>

#include "version/separators.h"
#include "version/tokens.h"

namespace korvel {

// One component of a parsed version text; a list is a chain in text order.
// Records and word texts are allocated with sqlite3_malloc; whoever holds the
// head owns the whole list and releases it with version_free().
struct version_part {
  union {
    std::int32_t number;  // VERSION_PART_NUMBER
    char* text;           // VERSION_PART_TEXT: NUL-terminated copy of the word
  } value;
  version_part_kind kind;
  version_part* next;
};

enum class version_parse_status : std::uint8_t { ok, malformed, no_memory };

struct version_parse_result {
  version_part* parts;  // non-null exactly when status is ok
  version_parse_status status;
};

// Parses a NUL-terminated version text split at every byte of the
// NUL-terminated `separators`. An absent text is malformed. A list is never
// empty. Callers learn whether a failure was the text's or the allocator's.
[[nodiscard]] version_parse_result version_parse(const char* text, const char* separators) noexcept;

// The same parse of `text`, up to its length or first NUL, split at `separators`.
[[nodiscard]] version_parse_result version_parse(std::string_view text,
                                                 const separator_set& separators) noexcept;

// Releases every record of the list and every word text. Accepts nullptr.
void version_free(version_part* list) noexcept;

// Walks both lists in step; the first unequal pair, as
// version_token_compare() orders it, decides. When one list is a prefix of
// the other, the longer orders after it. Absent lists count as empty.
// Returns -1, 0 or 1.
[[nodiscard]] int version_compare(const version_part* a, const version_part* b) noexcept;

}  // namespace korvel
