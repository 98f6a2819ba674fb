// The one way the library's glue reaches SQLite. As a loadable extension every
// call goes through the routine table handed to the entry point; built into a
// program that links SQLite itself (SQLITE_CORE) the same calls go direct.
#pragma once

#ifdef SQLITE_CORE
#include <sqlite3.h>
#else
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT3
#endif
