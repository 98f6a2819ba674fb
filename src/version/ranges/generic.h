// The generic constraint grammar, shared by every order without a native one:
// alternatives separated by "||", each a list of comparators separated by
// ",", a comparator an operator and a version ("< 1.2.3 || >= 2.0, < 2.1").
// Operators: <, <=, =, ==, !=, >=, >; with Debian's relations also << and >>,
// while Debian's deprecated bare < and > are refused.
//
// The compiled form holds each comparator's version as the order's sort key,
// so that checking a version reads it once (its key) and then compares bytes.
#pragma once

#include <cstddef>
#include <string_view>

#include "version/ranges/range.h"
#include "version/scheme.h"
#include "version/separators.h"

namespace korvel {

// How the generic grammar reads the versions of one order. `context` is
// handed to every routine (the separators of the default order, the scheme
// of a package manager's).
struct generic_order {
  const void* context;
  // The most bytes key() writes for a text of `size` bytes.
  std::size_t (*key_bound)(const void* context, std::size_t size) noexcept;
  // The key of `text` in `out`, and its length, or kNoKey when the order
  // rejects the text. Keys compare as memcmp-then-length exactly as
  // compare() orders the versions.
  std::size_t (*key)(const void* context, std::string_view text, unsigned char* out) noexcept;
  // Whether the order accepts `text`.
  bool (*valid)(const void* context, std::string_view text) noexcept;
  // Orders two versions the order accepts: negative, 0 or positive.
  int (*compare)(const void* context, std::string_view lhs, std::string_view rhs) noexcept;
};

enum class generic_dialect : unsigned char {
  plain,
  debian,  // also << and >>; bare < and > refused (range_status::bare_deb_relation)
};

struct generic_range;

// Parses `text` with the versions read by `order`. On ok, `*range` is one
// sqlite3_malloc block for release_generic_range(); otherwise nothing is left
// allocated.
[[nodiscard]] range_status parse_generic_range(const generic_order& order, generic_dialect dialect,
                                               std::string_view text,
                                               generic_range** range) noexcept;

// Whether the version whose key (from the same order) is `key` satisfies
// the range.
[[nodiscard]] bool generic_range_holds_key(const generic_range& range, const unsigned char* key,
                                           std::size_t key_size) noexcept;

// Whether `version`, which the order accepts, satisfies the range, by the
// order's compare(): the reference the key path is checked against, and the
// path for versions whose key would not fit on the stack.
[[nodiscard]] bool generic_range_holds_compare(const generic_order& order,
                                               const generic_range& range,
                                               std::string_view version) noexcept;

enum class range_answer : unsigned char { invalid, no, yes };

// Whether `version` satisfies the range, or invalid when the order rejects
// it; by key when the key fits in kGenericStackKey bytes, so the version is
// read once. Allocates nothing.
[[nodiscard]] range_answer generic_range_answer(const generic_order& order,
                                                const generic_range& range,
                                                std::string_view version) noexcept;

inline constexpr std::size_t kGenericStackKey = 256;

void release_generic_range(void* range) noexcept;

// A package manager's scheme as an order of the generic grammar.
[[nodiscard]] generic_order scheme_order(const version_scheme& scheme) noexcept;

// The default order (version_compare's) split at `separators`, which must
// outlive the order's use.
[[nodiscard]] generic_order default_order(const separator_set& separators) noexcept;

// The generic grammar of a package manager's order (its scheme row's
// `ranges` when that is nullptr), and Debian's dialect of it.
extern const range_grammar GENERIC_RANGES;
extern const range_grammar DEB_RANGES;

}  // namespace korvel
