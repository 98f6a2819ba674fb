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

TEST(Loading, RegistersDeterministicInnocuousFunctions) {
  connection db = open_with_extension();
  EXPECT_EQ(rows(db.get(),
                 "SELECT name, type, narg, flags & 0x280800 FROM pragma_function_list "
                 "WHERE name IN ('format_ip_address', 'min_version', 'max_version') ORDER BY name"),
            (std::vector<std::string>{"'format_ip_address'|'s'|1|2099200",
                                      "'max_version'|'a'|-1|2099200",
                                      "'min_version'|'a'|-1|2099200"}));
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
