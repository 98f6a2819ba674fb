// The package managers' orders, one row each. Every SQL face of an order
// (its collation, compare function, key, and whatever is added for all
// orders) is registered from this table, and the names other formats use
// for an order are listed here, so a new row gets every face at once.
#pragma once

#include <string_view>

#include "version/ranges/range.h"
#include "version/scheme.h"

namespace korvel {

struct scheme_row {
  // The SQL names' suffix: COLLATE version_<name>, version_compare_<name>,
  // version_key_<name>, ...
  const char* name;
  const version_scheme* scheme;
  // The constraint grammar of version_satisfies_<name>; nullptr: the
  // generic one ("op version" lists, "," within and "||" between).
  const range_grammar* ranges;
  // The package-URL "vers:" types that use this order, separated by '|'.
  const char* vers_types;
  // The OSV ecosystems whose ECOSYSTEM ranges use this order, separated by
  // '|'; matched before any ':' suffix ("Debian:12" is "Debian").
  const char* osv_ecosystems;
};

extern const scheme_row kSchemeRows[];
extern const std::size_t kSchemeRowCount;

// The row whose '|'-separated `names` list (vers_types or osv_ecosystems,
// picked by `field`) holds `name` exactly, or nullptr.
[[nodiscard]] const scheme_row* find_scheme_row(const char* scheme_row::*field,
                                                std::string_view name) noexcept;

}  // namespace korvel
