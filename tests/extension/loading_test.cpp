#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "sql_test_support.h"
#include "version/schemes/schemes.h"

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
  // Every package manager's order adds the same faces under its name.
  std::vector<std::string> functions = {"'format_ip_address'|'s'|1",  "'ip_address_text'|'s'|1",
                                        "'korvel_sql_version'|'s'|0", "'max_version'|'a'|-1",
                                        "'min_version'|'a'|-1",       "'osv_affected'|'s'|2",
                                        "'version_compare'|'s'|2",    "'version_compare'|'s'|3",
                                        "'version_key'|'s'|1",        "'version_key'|'s'|2",
                                        "'version_in_vers'|'s'|2",    "'version_satisfies'|'s'|2",
                                        "'version_satisfies'|'s'|3",  "'ip_text'|'s'|1",
                                        "'ip_family'|'s'|1",          "'ip_network'|'s'|1",
                                        "'ip_network'|'s'|2",         "'ip_network_first'|'s'|1",
                                        "'ip_network_last'|'s'|1",    "'ip_masklen'|'s'|1",
                                        "'ip_contains'|'s'|2",        "'ip_key'|'s'|1"};
  std::vector<std::string> collations = {"'version'", "'ip'"};
  for (std::size_t i = 0; i < kSchemeRowCount; ++i) {
    const std::string name = kSchemeRows[i].name;
    for (const char* face :
         {"'max_version_%'|'a'|1", "'min_version_%'|'a'|1", "'version_compare_%'|'s'|2",
          "'version_key_%'|'s'|1", "'version_satisfies_%'|'s'|2"}) {
      std::string row = face;
      functions.push_back(row.replace(row.find('%'), 1, name));
    }
    collations.push_back("'version_" + name + "'");
  }
  // 2099200 is SQLITE_INNOCUOUS | SQLITE_DETERMINISTIC | SQLITE_UTF8, without DIRECTONLY.
  for (std::string& row : functions) row += "|2099200";
  std::sort(functions.begin(), functions.end());
  std::sort(collations.begin(), collations.end());
  EXPECT_EQ(added("pragma_function_list", "name, type, narg, flags & 0x280800"), functions);
  EXPECT_EQ(added("pragma_collation_list", "name"), collations);
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
