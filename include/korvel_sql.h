/* korvel_sql: address and version functions for SQLite.
 *
 * For programs that link SQLite and the static library libkorvel_sql.a
 * themselves. Register the functions on every connection opened afterwards:
 *
 *   sqlite3_auto_extension((void (*)(void))sqlite3_korvelsql_init);
 *
 * or on one connection: sqlite3_korvelsql_init(db, NULL, NULL).
 *
 * The entry point carries the library's own name, so it links next to other
 * statically linked extensions without clashing. The loadable build instead
 * exports SQLite's default sqlite3_extension_init. */
#ifndef KORVEL_SQL_H
#define KORVEL_SQL_H

#include <sqlite3.h>

#ifdef __cplusplus
#define KORVEL_SQL_NOEXCEPT noexcept
extern "C" {
#else
#define KORVEL_SQL_NOEXCEPT
#endif

/* Registers every SQL function of the library on `db`. Always
 * returns SQLITE_OK and leaves `error_message` untouched; `api` is unused. */
int sqlite3_korvelsql_init(sqlite3* db, char** error_message,
                           const sqlite3_api_routines* api) KORVEL_SQL_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* KORVEL_SQL_H */
