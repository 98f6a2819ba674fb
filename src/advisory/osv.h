// Whether a version is affected by one element of an OSV record's
// "affected" array, by the evaluation the OSV schema documents. The
// package's ecosystem picks the order from the scheme table; ranges of type
// SEMVER use the semver order whatever the ecosystem.
#pragma once

#include <string_view>

namespace korvel {

enum class osv_answer : unsigned char { affected, not_affected, unknown };

enum class osv_status : unsigned char { ok, malformed, no_memory };

// Why a record is malformed.
struct osv_problem {
  const char* reason;
  // The order that refused an event's version (its SQL name), or nullptr.
  const char* order;
  // Where in the record: the value that breaks the schema, or the text
  // from where the JSON breaks to the record's end.
  std::string_view excerpt;
};

// Reads `affected`, one element of a record's "affected" array as JSON
// text, and answers for `version`:
//   affected      `versions` lists a version equivalent to it in the order,
//                 or an ECOSYSTEM or SEMVER range holds it;
//   unknown       the ecosystem has no order here (or the element names
//                 none), the version is not valid in the order, or nothing
//                 holds it but ranges that cannot be evaluated here (GIT
//                 ranges when no ECOSYSTEM or SEMVER range is given, a
//                 SEMVER range when the version is not a semantic version);
//   not_affected  otherwise.
// malformed when the text is not JSON or breaks the schema (see
// docs/osv.md), whatever the version; the record's whole text is checked
// before the answer. Allocates only for strings with escapes.
[[nodiscard]] osv_status osv_affected(std::string_view affected, std::string_view version,
                                      osv_answer& answer, osv_problem& problem) noexcept;

}  // namespace korvel
