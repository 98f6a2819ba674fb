// The one way the library's glue reaches SQLite. As a loadable extension every
// call goes through the routine table handed to the entry point; built into a
// program that links SQLite itself (SQLITE_CORE) the same calls go direct.
#pragma once

#ifdef SQLITE_CORE
#include <sqlite3.h>
#else
#include <sqlite3ext.h>

#include <atomic>

namespace korvel {

// The routine table of the SQLite library the extension is bound to; set by
// the entry point (entry_point.cpp), never changed after.
extern std::atomic<const sqlite3_api_routines*> bound_routines;

}  // namespace korvel

// sqlite3ext.h turns every call into sqlite3_api->routine. A relaxed load is
// a plain load on every target: a connection calls a function only after
// its registration, which follows the store, so the store is always seen.
#define sqlite3_api (::korvel::bound_routines.load(std::memory_order_relaxed))
#endif
