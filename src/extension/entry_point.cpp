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
  // Connections on several threads may load the library at the same moment.
  // The routine table is the same for all of them, so it is stored once,
  // under the guard of a static, rather than rewritten racily on every load.
  static const bool api_stored = [api] {
    SQLITE_EXTENSION_INIT2(api);
    return true;
  }();
  (void)api_stored;
  return korvel::register_functions(db);
}
