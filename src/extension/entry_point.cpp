// The loadable extension's only exported symbol.
#include "common/sqlite_api.h"
#include "extension/registration.h"

#if defined(_WIN32)
#define KORVEL_EXPORT __declspec(dllexport)
#else
#define KORVEL_EXPORT __attribute__((visibility("default")))
#endif

namespace korvel {

std::atomic<const sqlite3_api_routines*> bound_routines{nullptr};

}  // namespace korvel

namespace {

constexpr const char kBoundElsewhere[] =
    "korvel_sql is already bound to another SQLite library in this process; load a copy of the "
    "file under another name for this one";

}  // namespace

// Called by SQLite once per connection that loads the library; connections on
// several threads may call it at the same moment. The first call binds the
// library to its caller's routine table. A process may hold two SQLite
// libraries, each with its own table, but the dynamic loader maps this file
// once, and every function registered reaches SQLite through the one bound
// table: a second library is refused before anything registers, its message
// allocated by that library, which frees it. For the bound library the
// entry point always reports success: failing there would make SQLite unload
// the library underneath the functions that did register.
extern "C" KORVEL_EXPORT int sqlite3_extension_init(sqlite3* db, char** error_message,
                                                    const sqlite3_api_routines* api) noexcept {
  const sqlite3_api_routines* bound = nullptr;
  if (!korvel::bound_routines.compare_exchange_strong(bound, api, std::memory_order_acq_rel) &&
      bound != api) {
    if (error_message != nullptr) *error_message = api->mprintf("%s", kBoundElsewhere);
    return SQLITE_ERROR;
  }
  return korvel::register_functions(db);
}
