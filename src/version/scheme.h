// A package manager's version order, as one row of the scheme table. Every
// scheme is a pure core of its own file; the SQL glue (a collation, a compare
// function and a sort key per scheme) is written once over the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "version/lead.h"

namespace korvel {

struct version_scheme {
  // Whether the scheme accepts `text`, all of its bytes (an embedded NUL never
  // is valid). Allocates nothing.
  bool (*valid)(std::string_view text) noexcept;
  // Orders two valid texts: negative, 0 for equivalent versions, or positive.
  // Allocates nothing.
  int (*compare)(std::string_view lhs, std::string_view rhs) noexcept;
  // The most bytes key() can write for a valid text of `size` bytes.
  std::size_t (*key_bound)(std::size_t size) noexcept;
  // Writes the sort key of a valid text to `out` (key_bound(text.size())
  // bytes, of which those past the key may be overwritten) and returns its
  // length. Keys of two valid texts compare under
  // memcmp-then-length exactly as compare() orders the texts, equal exactly
  // for equivalent versions. Keys are stored in users' databases: a scheme's
  // encoding never changes under the same name.
  std::size_t (*key)(std::string_view text, unsigned char* out) noexcept;
  // The collation's order below in one routine, for a scheme that can share
  // work between the two texts (nullptr: valid() and compare() are called).
  // Gives exactly what the generic path gives. -1, 0 or 1.
  int (*collate)(std::string_view lhs, std::string_view rhs) noexcept;
  // key() of a text valid() accepts, and kNoKey for one it rejects, in one
  // reading of the text, for a scheme that can check while it writes
  // (nullptr: valid() and key() are called).
  std::size_t (*valid_key)(std::string_view text, unsigned char* out) noexcept = nullptr;
  // The package tool's own answer for two valid texts, for a scheme whose
  // tool does not order every text (nullptr: compare()). Only the compare
  // function gives it; the collation and the key keep compare()'s order.
  int (*tool_compare)(std::string_view lhs, std::string_view rhs) noexcept = nullptr;
  // The lead of a text (version/lead.h) from its first bytes, never reading
  // past them; kUnknownLead for any text it does not read, and anything at
  // all for a text valid() rejects (nullptr: no scheme-specific lead). With
  // `against`, it may stop where the fields read differ from that bound's
  // and answer an interval that holds the lead and lies wholly on one side
  // of the bound.
  version_lead (*lead)(std::string_view text, const std::uint64_t* against) noexcept = nullptr;
};

// What valid_key() returns for a text the scheme rejects.
inline constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);

// The key of `text` in `out` (key_bound(text.size()) bytes) and its length,
// or kNoKey when the scheme rejects the text.
[[nodiscard]] inline std::size_t scheme_key(const version_scheme& scheme, std::string_view text,
                                            unsigned char* out) noexcept {
  if (scheme.valid_key != nullptr) return scheme.valid_key(text, out);
  return scheme.valid(text) ? scheme.key(text, out) : kNoKey;
}

// The collation's total order from valid() and compare(): texts the scheme
// rejects first, among themselves by bytes; then valid texts in the
// scheme's order; equivalent versions by bytes, so only identical texts are
// equal. -1, 0 or 1.
[[nodiscard]] int generic_collate(const version_scheme& scheme, std::string_view lhs,
                                  std::string_view rhs) noexcept;

// That order through the scheme's own routine where it has one. Inline: a
// sort calls it for every comparison.
[[nodiscard]] inline int scheme_collate(const version_scheme& scheme, std::string_view lhs,
                                        std::string_view rhs) noexcept {
  return scheme.collate != nullptr ? scheme.collate(lhs, rhs) : generic_collate(scheme, lhs, rhs);
}

}  // namespace korvel
