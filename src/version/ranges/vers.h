// Package-URL version ranges: "vers:<type>/<constraint>|<constraint>...",
// each constraint a comparator (=, !=, <, <=, >, >=, or none for =) and a
// version, or "*" alone for every version. Spaces and tabs are not
// significant; versions holding any of "<>=!*|" are percent-encoded.
//
// Parsing checks what the vers rules demand (a known shape, no empty
// version, versions unique in the type's order, and, once sorted, "="
// followed only by "=", ">" or ">=", and the other comparators alternating
// between lesser and greater, "!=" ignored); containment follows the vers
// algorithm over the sorted constraints.
#pragma once

#include <string_view>

#include "version/ranges/range.h"
#include "version/schemes/schemes.h"

namespace korvel {

struct vers_range;

// Parses `text`. On ok, `*range` is one sqlite3_malloc block for
// release_vers_range(); otherwise nothing is left allocated. A well-formed
// range whose type has no order here parses, with vers_row() nullptr.
[[nodiscard]] range_status parse_vers_range(std::string_view text, vers_range** range) noexcept;

// The scheme row of the range's type, or nullptr when it has none.
[[nodiscard]] const scheme_row* vers_row(const vers_range& range) noexcept;

// Whether `version`, which vers_row()'s scheme accepts, is in the range;
// by key when it fits on the stack. Allocates nothing.
[[nodiscard]] bool vers_contains(const vers_range& range, std::string_view version) noexcept;

// The same by the scheme's compare() alone: the reference the key path is
// checked against.
[[nodiscard]] bool vers_contains_compare(const vers_range& range,
                                         std::string_view version) noexcept;

void release_vers_range(void* range) noexcept;

}  // namespace korvel
