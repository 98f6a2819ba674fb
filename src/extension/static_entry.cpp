// Entry point for programs that link SQLite and this library statically. Its
// name is the library's own, so it cannot clash with other extensions linked
// into the same program; pass it to sqlite3_auto_extension().
#include "korvel_sql.h"

#include "extension/registration.h"

extern "C" int sqlite3_korvelsql_init(sqlite3* db, char** /*error_message*/,
                                      const sqlite3_api_routines* /*api*/) noexcept {
  return korvel::register_functions(db);
}
