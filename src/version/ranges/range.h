// A constraint grammar: a constraint text (">= 1.0, < 2.0", "^1.2.3",
// "~=2.2") parsed once into a compiled form, then asked about many
// versions. Each order's row of the scheme table names its grammar; orders
// without a native one share the generic grammar.
#pragma once

#include <string_view>

#include "version/scheme.h"

namespace korvel {

enum class range_status : unsigned char {
  ok,
  malformed,
  no_memory,
  // Malformed too: Debian's deprecated bare '<' or '>', which dpkg reads as
  // '<=' / '>=' and a reader would likely take as strict; the message says
  // what to write instead (range_status_hint()).
  bare_deb_relation,
};

// What the error message adds after the text for a malformed `status`, or
// nullptr.
[[nodiscard]] constexpr const char* range_status_hint(range_status status) noexcept {
  return status == range_status::bare_deb_relation
             ? "Debian's bare '<' and '>' are deprecated: write '<<', '<=', '>=' or '>>'"
             : nullptr;
}

struct range_grammar {
  // Parses `text` for `scheme`. On ok, `*compiled` holds the compiled form,
  // allocated through sqlite3_malloc and released with release(); on any
  // other status nothing is left allocated. A text the grammar cannot read,
  // an empty comparator or alternative, or a version the scheme rejects is
  // malformed.
  range_status (*parse)(const version_scheme& scheme, std::string_view text,
                        void** compiled) noexcept;
  // Whether `version`, which the scheme accepts, satisfies the constraints.
  // Allocates nothing.
  bool (*satisfies)(const version_scheme& scheme, const void* compiled,
                    std::string_view version) noexcept;
  // Releases a compiled form (SQLite's auxdata destructor calls it).
  void (*release)(void* compiled) noexcept;
};

}  // namespace korvel
