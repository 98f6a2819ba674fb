// SQL glue for the OSV advisory functions.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

// osv_affected(affected TEXT, version TEXT) -> INTEGER
//   Whether `version` is affected according to `affected`, one element of
//   an OSV record's "affected" array as JSON text (json_each(record,
//   '$.affected') yields them as `value`): 1 when its "versions" list names
//   an equivalent version or one of its ECOSYSTEM or SEMVER ranges holds
//   the version by the OSV schema's evaluation, else 0. The order is the
//   ecosystem's (package.ecosystem before any ':', looked up in the scheme
//   table's OSV ecosystems); SEMVER ranges use the semver order.
//   NULL when an argument is not TEXT, the ecosystem has no order here, the
//   version is not valid in it, or only ranges that cannot be evaluated
//   here (GIT; SEMVER for a version that is not a semantic version) could
//   hold it. Fails the statement with "osv_affected: malformed record: ..."
//   when the text is not JSON or breaks the schema (docs/osv.md).
extern "C" void osv_affected_func(sqlite3_context* context, int argc,
                                  sqlite3_value** argv) noexcept;

}  // namespace korvel
