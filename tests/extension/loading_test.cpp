#include <gtest/gtest.h>

#include <string>

#include "sql_test_support.h"

namespace korvel::testing {
namespace {

TEST(Loading, EachConnectionGetsItsOwnFunctions) {
  connection first = open_with_extension();
  connection second = open_with_extension();
  connection plain = open_plain();
  for (sqlite3* db : {first.get(), second.get()}) {
    EXPECT_EQ(value(db, "SELECT format_ip_address('127.0.0.1')"), "2130706433");
    EXPECT_EQ(value(db, "SELECT max_version(v) FROM (SELECT '2.0' v UNION ALL SELECT '10.0')"),
              "'10.0'");
  }
  EXPECT_EQ(value(plain.get(), "SELECT format_ip_address('1.2')"),
            "error: no such function: format_ip_address");
  first.reset();
  EXPECT_EQ(value(second.get(), "SELECT format_ip_address('1.2')"), "258");
}

// Everything the library adds to a connection, and nothing else: a function
// or collation that appears or disappears must show up here.
TEST(Loading, AddsExactlyItsFunctionsAndCollation) {
  connection plain = open_plain();
  connection loaded = open_with_extension();
  // The loaded connection's rows of `listing` whose name the plain one lacks.
  auto added = [&](const std::string& listing, const std::string& columns) {
    std::string known = "''";
    for (const std::string& name : rows(plain.get(), "SELECT name FROM " + listing))
      known += "," + name;
    return rows(loaded.get(), "SELECT " + columns + " FROM " + listing + " WHERE name NOT IN (" +
                                  known + ") ORDER BY " + columns);
  };
  // 0x200800 is SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC, without DIRECTONLY.
  EXPECT_EQ(added("pragma_function_list", "name, type, narg, flags & 0x280800"),
            (std::vector<std::string>{"'format_ip_address'|'s'|1|2099200",
                                      "'ip_address_text'|'s'|1|2099200",
                                      "'korvel_sql_version'|'s'|0|2099200",
                                      "'max_version'|'a'|-1|2099200",
                                      "'min_version'|'a'|-1|2099200",
                                      "'version_compare'|'s'|2|2099200",
                                      "'version_compare'|'s'|3|2099200",
                                      "'version_compare_alpm'|'s'|2|2099200",
                                      "'version_compare_apk'|'s'|2|2099200",
                                      "'version_compare_deb'|'s'|2|2099200",
                                      "'version_compare_pep440'|'s'|2|2099200",
                                      "'version_compare_rpm'|'s'|2|2099200",
                                      "'version_compare_semver'|'s'|2|2099200",
                                      "'version_key'|'s'|1|2099200",
                                      "'version_key'|'s'|2|2099200",
                                      "'version_key_alpm'|'s'|1|2099200",
                                      "'version_key_apk'|'s'|1|2099200",
                                      "'version_key_deb'|'s'|1|2099200",
                                      "'version_key_pep440'|'s'|1|2099200",
                                      "'version_key_rpm'|'s'|1|2099200",
                                      "'version_key_semver'|'s'|1|2099200"}));
  EXPECT_EQ(
      added("pragma_collation_list", "name"),
      (std::vector<std::string>{"'version'", "'version_alpm'", "'version_apk'", "'version_deb'",
                                "'version_pep440'", "'version_rpm'", "'version_semver'"}));
}

TEST(Loading, ReportsTheProjectVersion) {
  connection db = open_with_extension();
  EXPECT_EQ(value(db.get(), "SELECT korvel_sql_version()"),
            sql_literal(KORVEL_SQL_PROJECT_VERSION));
  EXPECT_EQ(value(db.get(), "SELECT korvel_sql_version() GLOB '[0-9]*.[0-9]*.[0-9]*'"), "1");
}

TEST(Loading, LoadingTwiceIntoOneConnectionIsHarmless) {
  connection db = open_with_extension();
  char* error = nullptr;
  EXPECT_EQ(sqlite3_load_extension(db.get(), extension_path(), nullptr, &error), SQLITE_OK);
  sqlite3_free(error);
  EXPECT_EQ(value(db.get(), "SELECT format_ip_address('0.0.1.0')"), "256");
}

}  // namespace
}  // namespace korvel::testing
