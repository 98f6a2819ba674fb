/* Loads the extension into a program that links SQLite, at run time.
 *   cc using_dynamic.c -lsqlite3 -o using_dynamic && ./using_dynamic [library] */
#include <sqlite3.h>
#include <stdio.h>

static int print_value(void* context, int columns, char** values, char** names) {
  (void)context, (void)columns, (void)names;
  printf("%s\n", values[0]);
  return 0;
}

int main(int argc, char** argv) {
  const char* library = argc > 1 ? argv[1] : "./korvel_sql";
  sqlite3* db = NULL;
  char* error = NULL;
  int rc = sqlite3_open(":memory:", &db);
  /* Enables loading through this C call only, not SQL's load_extension(). */
  if (rc == SQLITE_OK) rc = sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, NULL);
  if (rc == SQLITE_OK) rc = sqlite3_load_extension(db, library, NULL, &error);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db,
                      "SELECT format_ip_address('192.168.1.1');"
                      "WITH releases(version) AS (VALUES ('1.9'), ('1.10'), ('1.2'))"
                      "  SELECT max_version(version) FROM releases;",
                      print_value, NULL, &error);
  }
  if (rc != SQLITE_OK) fprintf(stderr, "%s\n", error ? error : sqlite3_errmsg(db));
  sqlite3_free(error);
  sqlite3_close(db);
  return rc == SQLITE_OK ? 0 : 1;
}
