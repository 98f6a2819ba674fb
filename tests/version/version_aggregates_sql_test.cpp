#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "scheme_test_support.h"
#include "sql_test_support.h"
#include "version/schemes/schemes.h"
#include "version_test_support.h"

namespace korvel::testing {
namespace {

class VersionAggregatesSql : public ::testing::Test {
 protected:
  connection db = open_with_extension();

  // min_version and max_version over `rows_sql` (a VALUES list or a SELECT
  // giving a column v, and optionally s), rendered as "min|max".
  std::string min_max(const std::string& rows_sql, const std::string& arguments = "v") {
    return value(db.get(), "SELECT min_version(" + arguments + "), max_version(" + arguments +
                               ") FROM (" + rows_sql + ")");
  }
};

struct aggregate_case {
  const char* rows;  // yields column v (and s for separators)
  const char* arguments;
  const char* min_max;
};

constexpr aggregate_case kAggregateCases[] = {
    {"SELECT '1.2' v UNION ALL SELECT '1.10' UNION ALL SELECT '1.9'", "v", "'1.2'|'1.10'"},
    {"SELECT '2.0' v UNION ALL SELECT '2.0.1'", "v", "'2.0'|'2.0.1'"},
    {"SELECT '1.0' v UNION ALL SELECT '1.0-beta'", "v", "'1.0'|'1.0-beta'"},
    {"SELECT '1.2a' v UNION ALL SELECT '1.2b'", "v", "'1.2a'|'1.2a'"},
    {"SELECT '1.2b' v UNION ALL SELECT '1.2a'", "v", "'1.2b'|'1.2b'"},
    {"SELECT '1.02' v UNION ALL SELECT '1.2'", "v", "'1.02'|'1.02'"},
    {"SELECT NULL v UNION ALL SELECT 3 UNION ALL SELECT '1.0'", "v", "'1.0'|'1.0'"},
    {"SELECT 2.5 v UNION ALL SELECT x'312e30' UNION ALL SELECT '0.1'", "v", "'0.1'|'0.1'"},
    {"SELECT '' v UNION ALL SELECT '.1' UNION ALL SELECT '1..2'", "v", "NULL|NULL"},
    {"SELECT '1..2' v UNION ALL SELECT '3' UNION ALL SELECT '2.' UNION ALL SELECT '1'", "v",
     "'1'|'3'"},
    {"SELECT 1 v WHERE 0", "v", "NULL|NULL"},
    {"SELECT '7' v, '' s UNION ALL SELECT '10', ''", "v, s", "'7'|'10'"},
    {"SELECT '1_2' v, '_' s UNION ALL SELECT '1_10', '_'", "v, s", "'1_2'|'1_10'"},
    {"SELECT '1.0' v, NULL s", "v, s", "NULL|NULL"},
    {"SELECT '1.0' v, 5 s", "v, s", "NULL|NULL"},
    {"SELECT '1.0' v UNION ALL SELECT '2.0'", "v, '.', '.'", "NULL|NULL"},
    {"SELECT '1.0' v UNION ALL SELECT '2.0'", "", "NULL|NULL"},
    {"SELECT 'v2.0' v UNION ALL SELECT 'v10'", "v", "'v10'|'v2.0'"},
    // Per-row separators: each row is split its own way.
    {"SELECT '1_5' v, '_' s UNION ALL SELECT '1.7', '.' UNION ALL SELECT '1_6', '.'", "v, s",
     "'1_6'|'1.7'"},  // '1_6' split at '.' is the single number 1
    {"SELECT '2011/04/30' v UNION ALL SELECT '2011/4/9' UNION ALL SELECT '2011/04/3'", "v",
     "'2011/04/3'|'2011/04/30'"},
    {"SELECT '1.0-RC1' v UNION ALL SELECT '1.0-beta' UNION ALL SELECT '1.0'", "v",
     "'1.0'|'1.0-beta'"},
};

TEST_F(VersionAggregatesSql, AnswersTheTable) {
  for (const aggregate_case& c : kAggregateCases) {
    EXPECT_EQ(min_max(c.rows, c.arguments), c.min_max) << c.rows << " with (" << c.arguments << ")";
  }
}

TEST_F(VersionAggregatesSql, GroupedQueries) {
  ASSERT_EQ(exec(db.get(),
                 "CREATE TABLE releases(product TEXT, version);"
                 "INSERT INTO releases VALUES ('db', '1.9'), ('db', '1.10'), ('db', NULL),"
                 " ('web', '2.0-beta'), ('web', '2.0'), ('web', '2.0.1'), ('cli', 'bad..'),"
                 " ('cli', 7), ('os', '2011/04/30'), ('os', '2011/4/9');"),
            "");
  EXPECT_EQ(rows(db.get(),
                 "SELECT product, min_version(version), max_version(version), max(version) "
                 "FROM releases GROUP BY product ORDER BY product"),
            (std::vector<std::string>{"'cli'|NULL|NULL|'bad..'", "'db'|'1.9'|'1.10'|'1.9'",
                                      "'os'|'2011/4/9'|'2011/04/30'|'2011/4/9'",
                                      "'web'|'2.0'|'2.0-beta'|'2.0.1'"}));
}

TEST_F(VersionAggregatesSql, ReturnsTheStoredBytesEvenWithEmbeddedNuls) {
  // Ordering reads up to the NUL ('1.5' against '1.10'); the result keeps it all.
  EXPECT_EQ(value(db.get(),
                  "SELECT hex(min_version(v)) FROM (SELECT CAST(x'312E3500FF' AS TEXT) v "
                  "UNION ALL SELECT '1.10')"),
            "'312E3500FF'");
  EXPECT_EQ(value(db.get(),
                  "SELECT length(CAST(max_version(v) AS BLOB)) FROM (SELECT "
                  "CAST(x'3200' || zeroblob(100) AS TEXT) v)"),
            "102");
}

TEST_F(VersionAggregatesSql, UnicodeAndUtf16Databases) {
  connection utf16 = open_in_encoding("UTF-16le");
  ASSERT_EQ(
      exec(utf16.get(), "CREATE TABLE t(v TEXT); INSERT INTO t VALUES ('1.é'), ('1.z'), ('1.10');"),
      "");
  EXPECT_EQ(value(utf16.get(), "SELECT min_version(v) || ' ' || max_version(v) FROM t"),
            "'1.10 1.é'");
}

TEST_F(VersionAggregatesSql, WorksAsAWindowlessAggregateInSubqueriesAndHaving) {
  ASSERT_EQ(exec(db.get(),
                 "CREATE TABLE r(p, v); INSERT INTO r VALUES ('a','1.9'),('a','1.10'),"
                 "('b','0.9'),('b','0.10');"),
            "");
  EXPECT_EQ(rows(db.get(), "SELECT p FROM r GROUP BY p HAVING max_version(v) = '1.10'"),
            (std::vector<std::string>{"'a'"}));
  EXPECT_EQ(rows(db.get(),
                 "SELECT p, v FROM r WHERE v = (SELECT max_version(v) FROM r AS i "
                 "WHERE i.p = r.p) ORDER BY p"),
            (std::vector<std::string>{"'a'|'1.10'", "'b'|'0.10'"}));
}

// A shuffled group must give the true lowest and highest version, whatever
// the row order; among equal versions the earliest row wins.
TEST_F(VersionAggregatesSql, ShuffledGroupsGiveTheTrueExtremes) {
  std::mt19937 random(99);
  ASSERT_EQ(exec(db.get(), "CREATE TABLE g(i INTEGER PRIMARY KEY, v TEXT)"), "");
  for (int round = 0; round < 30; ++round) {
    std::vector<std::string> texts;
    for (int i = 0; i < 200; ++i) texts.push_back(random_version(random));
    std::shuffle(texts.begin(), texts.end(), random);
    std::string insert = "DELETE FROM g; INSERT INTO g(v) VALUES ";
    for (std::size_t i = 0; i < texts.size(); ++i)
      insert += (i ? ",(" : "(") + sql_literal(texts[i]) + ")";
    ASSERT_EQ(exec(db.get(), insert), "");

    const std::size_t lowest = reference_winner(texts, DEFAULT_SEPARATOR_SET, -1);
    const std::size_t highest = reference_winner(texts, DEFAULT_SEPARATOR_SET, 1);
    ASSERT_LT(lowest, texts.size());
    EXPECT_EQ(
        value(db.get(),
              "SELECT min_version(v) || '|' || max_version(v) FROM (SELECT v FROM g ORDER BY i)"),
        sql_literal(texts[lowest] + "|" + texts[highest]));
  }
}

// The per-order aggregates: skipping, ties to the earliest row, the stored
// bytes, long winners. Their newest per package is checked against each
// package manager's own tool in scheme_differential.py.
struct scheme_aggregate_case {
  const char* order;
  const char* rows;  // yields column v, in row order
  const char* min_max;
};

constexpr scheme_aggregate_case kSchemeAggregateCases[] = {
    {"deb", "VALUES ('2.5.0-1+b1'), ('2.5.0-1+deb12u1'), ('1:0.1'), ('2.0~rc1')",
     "'2.0~rc1'|'1:0.1'"},
    {"deb", "VALUES ('1.0'), ('1.0-0'), ('0:1.0'), ('not a version'), (7), (NULL)", "'1.0'|'1.0'"},
    {"deb", "VALUES ('0:1.0'), ('1.0')", "'0:1.0'|'0:1.0'"},
    {"deb", "VALUES ('-'), (x'31'), (2.5)", "NULL|NULL"},
    {"deb", "SELECT 1 AS column1 WHERE 0", "NULL|NULL"},
    {"rpm", "VALUES ('1.0~rc1'), ('1.0'), ('1.0^post'), ('')", "'1.0~rc1'|'1.0^post'"},
    {"semver", "VALUES ('1.0.0-rc.1'), ('1.0.0+b2'), ('1.0.0+b1'), ('1.0'), ('0.9.9')",
     "'0.9.9'|'1.0.0+b2'"},
    {"pep440", "VALUES ('2.0rc1'), ('2.0'), ('2.0.post1'), ('2.0.dev0'), ('2!0.1')",
     "'2.0.dev0'|'2!0.1'"},
    // A winner longer than the inline copy moves to a block, then grows.
    {"deb",
     "SELECT '1.' || printf('%.*c', 60, 'a') AS column1 UNION ALL SELECT '1.' || printf('%.*c', "
     "90, 'b')",
     "'1.aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa'|"
     "'1."
     "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb'"},
};

TEST_F(VersionAggregatesSql, EachOrdersAggregatesAnswerTheTable) {
  for (const scheme_aggregate_case& c : kSchemeAggregateCases) {
    const std::string order = c.order;
    EXPECT_EQ(value(db.get(), "SELECT min_version_" + order + "(column1), max_version_" + order +
                                  "(column1) FROM (" + c.rows + ")"),
              c.min_max)
        << order << ": " << c.rows;
  }
}

// Each order's aggregates against a plain walk over the same rows with
// valid() and compare(), over groups of its sample and adversarial texts and
// edits of their first bytes: some drawn from a narrow run of the sorted
// texts, where leads tie, some from anywhere.
TEST_F(VersionAggregatesSql, EachOrdersAggregatesMatchAPlainWalk) {
  std::mt19937 random(7);
  ASSERT_EQ(exec(db.get(), "CREATE TABLE g(i INTEGER PRIMARY KEY, v TEXT)"), "");
  for (std::size_t r = 0; r < kSchemeRowCount; ++r) {
    const scheme_row& row = kSchemeRows[r];
    const version_scheme& scheme = *row.scheme;
    std::vector<std::string> texts = expected_texts(KORVEL_VERSION_DATA, row.name);
    ASSERT_FALSE(texts.empty()) << row.name;
    for (std::size_t i = 0, n = texts.size(); i < n; ++i)
      texts.push_back(edit_first_bytes(random, texts[i]));
    std::sort(texts.begin(), texts.end(), [&](const std::string& a, const std::string& b) {
      return scheme_collate(scheme, a, b) < 0;
    });
    const std::string query = std::string("SELECT min_version_") + row.name + "(v), max_version_" +
                              row.name + "(v) FROM (SELECT v FROM g ORDER BY i)";
    for (int round = 0; round < 24; ++round) {
      const std::size_t span = round % 2 == 0 ? 60 : texts.size();
      const std::size_t from = random() % (texts.size() - std::min(span, texts.size()) + 1);
      std::vector<std::string> group;
      ASSERT_EQ(exec(db.get(), "DELETE FROM g"), "");
      for (int i = 0; i < 150; ++i) {
        group.push_back(texts[from + random() % std::min(span, texts.size())]);
        ASSERT_EQ(rows(db.get(), "INSERT INTO g(v) VALUES (?1)", {group.back()}),
                  std::vector<std::string>{});
      }
      std::string want;
      for (const int side : {-1, 1}) {
        const std::size_t w = reference_scheme_winner(scheme, group, side);
        want += (side > 0 ? "|" : "") + (w == group.size() ? "NULL" : sql_literal(group[w]));
      }
      ASSERT_EQ(rows(db.get(), query), std::vector<std::string>{want}) << row.name;
    }
  }
}

}  // namespace
}  // namespace korvel::testing
