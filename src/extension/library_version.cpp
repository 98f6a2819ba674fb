#include "extension/library_version.h"

namespace korvel {

extern "C" void korvel_sql_version_func(sqlite3_context* context, int /*argc*/,
                                        sqlite3_value** /*argv*/) noexcept {
  sqlite3_result_text(context, LIBRARY_VERSION, -1, SQLITE_STATIC);
}

}  // namespace korvel
