// The library's own version, set in one place: the CMake project version.
#pragma once

#include "common/sqlite_api.h"

namespace korvel {

inline constexpr char LIBRARY_VERSION[] = KORVEL_SQL_VERSION;

// korvel_sql_version() -> TEXT
//   The version of the loaded library, e.g. '1.0.0'. Takes no arguments.
extern "C" void korvel_sql_version_func(sqlite3_context* context, int argc,
                                        sqlite3_value** argv) noexcept;

}  // namespace korvel
