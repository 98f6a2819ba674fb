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
  // The routine table is the same for all of them, so only the first load
  // stores it; an atomic exchange rather than a guarded static, whose guard
  // would need the C++ run time.
  const sqlite3_api_routines* unset = nullptr;
  __atomic_compare_exchange_n(&sqlite3_api, &unset, api, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE);
  return korvel::register_functions(db);
}
