// The loadable extension's only exported symbol.
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include "extension/registration.h"

#if defined(_WIN32)
#define KORVEL_EXPORT __declspec(dllexport)
#else
#define KORVEL_EXPORT __attribute__((visibility("default")))
#endif

// Called by SQLite once per connection that loads the library. Always reports
// success: failing here would make SQLite unload the library underneath the
// functions that did register.
extern "C" KORVEL_EXPORT int sqlite3_extension_init(sqlite3* db, char** /*error_message*/,
                                                    const sqlite3_api_routines* api) noexcept {
  SQLITE_EXTENSION_INIT2(api);
  return korvel::register_functions(db);
}
