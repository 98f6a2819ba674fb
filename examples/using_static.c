/* Links SQLite and the static library into one program; every connection it
 * opens has the functions, with nothing to load. */
#include <korvel_sql.h>
#include <sqlite3.h>
#include <stdio.h>

static int print_value(void* context, int columns, char** values, char** names) {
  (void)context, (void)columns, (void)names;
  printf("%s\n", values[0]);
  return 0;
}

int main(void) {
  sqlite3_auto_extension((void (*)(void))sqlite3_korvelsql_init);
  sqlite3* db = NULL;
  char* error = NULL;
  int rc = sqlite3_open(":memory:", &db);
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
