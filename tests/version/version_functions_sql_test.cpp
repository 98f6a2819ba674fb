#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sql_test_support.h"
#include "version_test_support.h"

namespace korvel::testing {
namespace {

class VersionFunctionsSql : public ::testing::Test {
 protected:
  connection db = open_with_extension();
};

TEST_F(VersionFunctionsSql, VersionCompare) {
  expect_values(db.get(), {
                              {"version_compare('1.10', '1.9')", "1"},
                              {"version_compare('1.9', '1.10')", "-1"},
                              {"version_compare('1.02', '1.2')", "0"},
                              {"version_compare('1.2a', '1.2b')", "0"},
                              {"version_compare('1.2', '1.2-beta')", "-1"},
                              {"version_compare('1.2.5', '1.2-beta')", "-1"},
                              {"version_compare('1_10', '1_9', '_')", "1"},
                              {"version_compare('7', '10', '')", "-1"},
                              {"version_compare('1..2', '1')", "NULL"},
                              {"version_compare('1', '')", "NULL"},
                              {"version_compare(1, '1')", "NULL"},
                              {"version_compare('1', NULL)", "NULL"},
                              {"version_compare('1', '2', NULL)", "NULL"},
                              {"version_compare('1', '2', 3)", "NULL"},
                              {"version_compare('1')",
                               "error: wrong number of arguments to function version_compare()"},
                          });
  ASSERT_EQ(exec(db.get(),
                 "CREATE TABLE r(v); INSERT INTO r VALUES ('1.9'), ('2.0'), ('2.0.1'), "
                 "('10.0'), ('2.0-beta');"),
            "");
  EXPECT_EQ(rows(db.get(), "SELECT v FROM r WHERE version_compare(v, '2.0') >= 0 ORDER BY rowid"),
            (std::vector<std::string>{"'2.0'", "'2.0.1'", "'10.0'", "'2.0-beta'"}));
}

// The collation agrees with version_compare, as the aggregates do.
TEST_F(VersionFunctionsSql, VersionCompareAgreesWithTheAggregates) {
  std::mt19937 random(5);
  for (int i = 0; i < 300; ++i) {
    const std::string a = sql_literal(random_version(random));
    const std::string b = sql_literal(random_version(random));
    const std::string pair = "(SELECT " + a + " v, 1 i UNION ALL SELECT " + b + ", 2)";
    const std::string expected =
        value(db.get(), "SELECT CASE WHEN version_compare(" + a + ", " + b +
                            ") IS NULL THEN NULL "
                            "WHEN max_version(v) = min_version(v) AND version_compare(" +
                            a + ", " + b + ") = 0 THEN 0 WHEN max_version(v) = " + a +
                            " THEN 1 ELSE -1 END FROM " + pair);
    EXPECT_EQ(value(db.get(), "SELECT version_compare(" + a + ", " + b + ")"), expected) << a << b;
  }
}

class VersionCollationSql : public VersionFunctionsSql {
 protected:
  void SetUp() override {
    ASSERT_EQ(
        exec(db.get(),
             "CREATE TABLE releases(product TEXT, version TEXT COLLATE version, released TEXT);"
             "CREATE INDEX releases_by_version ON releases(version);"
             "INSERT INTO releases VALUES ('a', '1.9', '2024-01'), ('a', '1.10', '2024-03'),"
             " ('a', '1.2', '2023-05'), ('b', '2.0-beta', '2024-02'), ('b', '2.0', '2024-04'),"
             " ('b', '1.9.9', '2023-12'), ('c', 'bad..', '2020-01'), ('c', '0.1', '2020-02');"),
        "");
  }
};

TEST_F(VersionCollationSql, OrdersAndFiltersThroughSqlite) {
  EXPECT_EQ(rows(db.get(),
                 "SELECT group_concat(version, ' ') FROM "
                 "(SELECT version FROM releases ORDER BY version)"),
            (std::vector<std::string>{"'bad.. 0.1 1.2 1.9 1.9.9 1.10 2.0 2.0-beta'"}));
  EXPECT_EQ(value(db.get(), "SELECT count(*) FROM releases WHERE version > '1.9'"), "4");
  EXPECT_EQ(value(db.get(), "SELECT '1.02' = '1.2' COLLATE version"), "0");
}

TEST_F(VersionCollationSql, MaxPicksTheWholeNewestRow) {
  EXPECT_EQ(rows(db.get(),
                 "SELECT product, max(version), released FROM releases "
                 "GROUP BY product ORDER BY product"),
            (std::vector<std::string>{"'a'|'1.10'|'2024-03'", "'b'|'2.0-beta'|'2024-02'",
                                      "'c'|'0.1'|'2020-02'"}));
  // With no ties, max under the collation is max_version's answer.
  EXPECT_EQ(rows(db.get(),
                 "SELECT product FROM releases WHERE product <> 'c' GROUP BY product "
                 "HAVING max(version) IS NOT max_version(version)"),
            std::vector<std::string>{});
}

TEST_F(VersionCollationSql, MaxAgreesWithMaxVersionWhereTheGroupHasNoTies) {
  std::mt19937 random(404);
  std::string insert = "CREATE TABLE g(k, v TEXT COLLATE version); INSERT INTO g VALUES ";
  for (int i = 0; i < 3000; ++i) {
    insert += (i ? ",(" : "(") + std::to_string(i % 100) + "," +
              sql_literal(random_version(random)) + ")";
  }
  ASSERT_EQ(exec(db.get(), insert), "");
  const std::string groups =
      "SELECT k, max(v) AS by_collation, max_version(v) AS by_aggregate FROM g GROUP BY k";
  const std::string untied =
      "(SELECT count(*) FROM g AS o WHERE o.k = r.k AND version_compare(o.v, r.by_aggregate) = 0) "
      "= 1";
  EXPECT_EQ(rows(db.get(), "SELECT * FROM (" + groups + ") AS r WHERE " + untied +
                               " AND by_collation IS NOT by_aggregate"),
            std::vector<std::string>{});
  // Enough groups are untied for the check above to mean something.
  EXPECT_GT(
      std::stoi(value(db.get(), "SELECT count(*) FROM (" + groups + ") AS r WHERE " + untied)), 50);
}

// Rows stored in ascending order each become the new highest (and, read
// backwards, the new lowest), and neighbours share leading bytes: the path
// on which the aggregates compare a row from where it parts from the winner.
TEST_F(VersionCollationSql, AggregatesAgreeWhenEveryRowWins) {
  std::mt19937 random(8);
  std::string insert = "CREATE TABLE pool(v TEXT COLLATE version); INSERT INTO pool VALUES ";
  for (int i = 0; i < 1500; ++i) {
    const std::string base = random_version(random);
    const std::string grown = i % 3 == 0 ? base + "." + std::to_string(random() % 20) : base;
    insert += (i ? ",(" : "(") + sql_literal(grown) + ")";
  }
  ASSERT_EQ(exec(db.get(), insert + ";" +
                               "DELETE FROM pool WHERE version_compare(v, v) IS NULL;"
                               "CREATE TABLE up(v TEXT COLLATE version);"
                               "INSERT INTO up SELECT v FROM pool ORDER BY v;"
                               "CREATE TABLE down(v TEXT COLLATE version);"
                               "INSERT INTO down SELECT v FROM pool ORDER BY v DESC;"),
            "");
  ASSERT_GT(std::stoi(value(db.get(), "SELECT count(*) FROM up")), 900);
  for (const char* n : {"2", "17", "400", "900"}) {
    const std::string first = std::string(" WHERE rowid <= ") + n;
    EXPECT_EQ(value(db.get(), "SELECT version_compare((SELECT max_version(v) FROM up" + first +
                                  "), (SELECT max(v) FROM up" + first + "))"),
              "0")
        << n;
    EXPECT_EQ(value(db.get(), "SELECT version_compare((SELECT min_version(v, '.-/ ') FROM down" +
                                  first + "), (SELECT min(v) FROM down" + first + "))"),
              "0")
        << n;
  }
}

TEST_F(VersionCollationSql, NewestSoFarWithAWindow) {
  EXPECT_EQ(rows(db.get(),
                 "SELECT released, max(version) OVER (PARTITION BY product ORDER BY "
                 "released) FROM releases WHERE product = 'a' ORDER BY released"),
            (std::vector<std::string>{"'2023-05'|'1.2'", "'2024-01'|'1.9'", "'2024-03'|'1.10'"}));
}

TEST_F(VersionCollationSql, ThePlannerUsesTheIndex) {
  for (const char* query :
       {"SELECT max(version) FROM releases", "SELECT version FROM releases ORDER BY version",
        "SELECT max(version COLLATE version) FROM releases"}) {
    const std::vector<std::string> plan =
        rows(db.get(), std::string("EXPLAIN QUERY PLAN ") + query);
    std::string steps;
    for (const std::string& step : plan) steps += step + "\n";
    EXPECT_NE(steps.find("releases_by_version"), std::string::npos) << query << "\n" << steps;
    EXPECT_EQ(steps.find("TEMP B-TREE"), std::string::npos) << query << "\n" << steps;
  }
}

// Random texts, bulk-inserted through a UNIQUE index, come back sorted with no
// adjacent pair out of order, and the index stays consistent.
TEST_F(VersionCollationSql, BulkInsertsKeepTheIndexSound) {
  std::mt19937 random(2026);
  ASSERT_EQ(exec(db.get(), "CREATE TABLE v(t TEXT COLLATE version UNIQUE)"), "");
  std::string insert = "INSERT OR IGNORE INTO v VALUES ";
  for (int i = 0; i < 3000; ++i)
    insert += (i ? ",(" : "(") + sql_literal(random_version(random)) + ")";
  ASSERT_EQ(exec(db.get(), insert + "; INSERT OR IGNORE INTO v VALUES ('1.02'), ('1.2'), ('1.2a')"),
            "");
  EXPECT_EQ(value(db.get(), "PRAGMA integrity_check"), "'ok'");
  EXPECT_EQ(value(db.get(), "SELECT count(*) FROM v WHERE t IN ('1.02', '1.2', '1.2a')"), "3");
  EXPECT_EQ(value(db.get(), "SELECT count(*) = count(DISTINCT CAST(t AS BLOB)) FROM v"), "1");
  // Texts that are not versions come first, versions ascend, and where the
  // order leaves a tie the bytes must ascend strictly.
  const std::string violations =
      "WITH s AS (SELECT t, version_compare(t, t) IS NOT NULL AS ok,"
      "                  row_number() OVER (ORDER BY t) AS n FROM v) "
      "SELECT a.t, b.t FROM s a JOIN s b ON b.n = a.n + 1 "
      "WHERE a.ok > b.ok OR version_compare(a.t, b.t) > 0"
      "   OR ((NOT a.ok AND NOT b.ok) OR version_compare(a.t, b.t) = 0)"
      "      AND CAST(a.t AS BLOB) >= CAST(b.t AS BLOB)";
  EXPECT_EQ(rows(db.get(), violations), std::vector<std::string>{});
}

}  // namespace
}  // namespace korvel::testing
