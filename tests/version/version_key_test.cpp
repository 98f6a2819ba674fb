#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sql_test_support.h"
#include "version_test_support.h"

namespace korvel::testing {
namespace {

class VersionKeySql : public ::testing::Test {
 protected:
  connection db = open_with_extension();
};

// The encoding is stored in users' databases: these bytes must never change.
TEST_F(VersionKeySql, WritesTheDocumentedBytes) {
  expect_values(db.get(),
                {
                    {"hex(version_key('1.10'))", "'3101310A'"},
                    {"hex(version_key('0'))", "'30'"},
                    {"hex(version_key('0.256.65536'))", "'3032010033010000'"},
                    {"hex(version_key('007.2147483647'))", "'3107347FFFFFFF'"},
                    {"hex(version_key('99999999999'))", "'347FFFFFFF'"},
                    {"hex(version_key('1.2-beta'))", "'310131026265746100'"},
                    {"hex(version_key('2b.RC1'))", "'310252433100'"},
                    {"hex(version_key('-1,-2,-256,-257', ','))", "'2D352D34FE2D34002D33FEFF'"},
                    {"hex(version_key('-2147483648', ','))", "'2D3180000000'"},
                    {"hex(version_key('-0,-,-a,+0,+5, 5,.x', ','))",
                     "'2D30002D002D61002B3000310531052E7800'"},
                    {"hex(version_key('1.2', ''))", "'3101'"},
                    {"hex(version_key(CAST(x'312E320033' AS TEXT)))", "'31013102'"},
                    {"hex(version_key('1_2', CAST(x'2E005F' AS TEXT)))", "'3101'"},
                });
}

TEST_F(VersionKeySql, IsNullWhereVersionCompareIs) {
  expect_values(db.get(),
                {
                    {"version_key('1..2')", "NULL"},
                    {"version_key('')", "NULL"},
                    {"version_key('1.')", "NULL"},
                    {"version_key('1_', '_')", "NULL"},
                    {"version_key(CAST(x'00' AS TEXT))", "NULL"},
                    {"version_key(12)", "NULL"},
                    {"version_key(x'31')", "NULL"},
                    {"version_key(NULL)", "NULL"},
                    {"version_key('1', NULL)", "NULL"},
                    {"version_key('1', 3)", "NULL"},
                    {"version_key()", "error: wrong number of arguments to function version_key()"},
                    {"version_key('1', '.', '.')",
                     "error: wrong number of arguments to function version_key()"},
                });
}

struct statement_finalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using statement = std::unique_ptr<sqlite3_stmt, statement_finalizer>;

statement prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* raw = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &raw, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  return statement(raw);
}

// Runs a one-row statement over texts bound with their whole length, NULs
// included; nullopt for a NULL result, else the bytes of its BLOB or the
// decimal of its integer.
std::optional<std::string> one_value(sqlite3_stmt* query, const std::vector<std::string>& texts) {
  sqlite3_reset(query);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    sqlite3_bind_text(query, static_cast<int>(i + 1), texts[i].data(),
                      static_cast<int>(texts[i].size()), SQLITE_STATIC);
  }
  EXPECT_EQ(sqlite3_step(query), SQLITE_ROW);
  std::optional<std::string> result;
  if (sqlite3_column_type(query, 0) == SQLITE_BLOB) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(query, 0));
    result.emplace(bytes, static_cast<std::size_t>(sqlite3_column_bytes(query, 0)));
  } else if (sqlite3_column_type(query, 0) == SQLITE_INTEGER) {
    result = std::to_string(sqlite3_column_int(query, 0));
  }
  return result;
}

// memcmp, then the shorter first: how SQLite orders BLOBs.
int key_order(const std::string& a, const std::string& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  const int bytes = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  return bytes != 0 ? sign(bytes) : (a.size() > b.size()) - (a.size() < b.size());
}

// Fragments that stress the rules: leading zeros, numbers at and past the
// int32 limits, signs and white space that atoi() reads, bytes around the
// digits and '-', and a NUL that ends the text.
const char* const kFragments[] = {
    "0",        "00",         "1",          "7",           "9", "10", "255", "256",  "65536",
    "16777216", "2147483647", "2147483648", "99999999999", "-", "+",  " ",   "\t",   ".",
    "/",        "_",          ",",          ":",           "a", "Z",  "~",   "\x01", "\xff"};

// Components at the edges of the key's bands, one byte either side of
// where a number's key starts: every pool meets them.
const char* const kBandEdges[] = {
    "-0\xff", "-0", "-/", "-", "-:",         "-1", "-2",   "-2147483648", "-99999999999",
    ",",      ".x", "/",  "0", "2147483647", ":",  "\x01", "\xff"};

std::string random_text(std::mt19937& random, const std::string& separators,
                        const std::vector<std::string>& earlier) {
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<std::size_t> fragment(0, std::size(kFragments) - 1);
  // Often led the ways atoi() reads a sign, so that negative numbers and
  // words such as "-0" or "-a" meet each other and the positive numbers.
  const char* const leads[] = {"-", "+", " ", "\t-", "-0"};
  auto piece = [&] {
    std::string token = percent(random) < 30 ? leads[random() % std::size(leads)] : "";
    token += kFragments[fragment(random)];
    while (percent(random) < 35) token += kFragments[fragment(random)];
    return token;
  };
  auto separator = [&] {
    const std::string set = separators.substr(0, separators.find('\0'));
    if (set.empty() || percent(random) < 10) return std::string(kFragments[fragment(random)]);
    return std::string(1,
                       set[std::uniform_int_distribution<std::size_t>(0, set.size() - 1)(random)]);
  };
  // Often an earlier text edited: a '0' before a number or a letter after
  // one leaves it equal, before or after a word they make another; grown by
  // a component, it meets lists that begin it.
  const int edit = percent(random);
  if (!earlier.empty() && edit < 50) {
    const std::string& base =
        earlier[std::uniform_int_distribution<std::size_t>(0, earlier.size() - 1)(random)];
    if (edit < 15) return "0" + base;
    if (edit < 30) return base + "a";
    return base + separator() + piece();
  }
  std::string text;
  const int components = std::uniform_int_distribution<int>(1, 3)(random);
  for (int i = 0; i < components; ++i) text += (i ? separator() : "") + piece();
  if (percent(random) < 3) text += std::string(1, '\0') + piece();
  return text;
}

// For every pair of random texts under every separators set, the keys'
// BLOB order is version_compare's result, and a key is NULL exactly when
// version_compare is.
TEST_F(VersionKeySql, OrdersAsVersionCompareDoes) {
  // nullopt: the one- and two-argument forms, with the default separators.
  const std::optional<std::string> separator_sets[] = {
      std::nullopt, ".-/ ", "", ".", "-+", " \t", ".0", "a-", std::string(".\0-", 3), "~:,"};
  statement key_default = prepare(db.get(), "SELECT version_key(?1)");
  statement key_given = prepare(db.get(), "SELECT version_key(?1, ?2)");
  statement compare_default = prepare(db.get(), "SELECT version_compare(?1, ?2)");
  statement compare_given = prepare(db.get(), "SELECT version_compare(?1, ?2, ?3)");
  std::mt19937 random(7919);
  int outcomes[4] = {};  // NULL, -1, 0, 1
  long pairs = 0;
  for (const std::optional<std::string>& separators : separator_sets) {
    const std::string set = separators.value_or(".-/ ");
    std::vector<std::string> texts;
    std::vector<std::optional<std::string>> keys;
    for (std::size_t i = 0; i < 110; ++i) {
      texts.push_back(i < std::size(kBandEdges) ? kBandEdges[i] : random_text(random, set, texts));
      keys.push_back(separators ? one_value(key_given.get(), {texts.back(), set})
                                : one_value(key_default.get(), {texts.back()}));
      // The glue sizes its buffer by version_key_bound().
      ASSERT_LE(keys.back().value_or("").size(), texts.back().size() + 1) << texts.back();
    }
    for (std::size_t a = 0; a < texts.size(); ++a) {
      for (std::size_t b = 0; b < texts.size(); ++b) {
        const std::optional<std::string> compared =
            separators ? one_value(compare_given.get(), {texts[a], texts[b], set})
                       : one_value(compare_default.get(), {texts[a], texts[b]});
        std::optional<std::string> by_keys;
        if (keys[a] && keys[b]) by_keys = std::to_string(key_order(*keys[a], *keys[b]));
        ASSERT_EQ(by_keys, compared)
            << "'" << texts[a] << "' vs '" << texts[b] << "' split at '" << set << "'";
        ++outcomes[compared ? std::stoi(*compared) + 2 : 0];
        ++pairs;
      }
    }
  }
  EXPECT_GE(pairs, 100000);
  // Every outcome is common enough for the comparison to mean something
  // (equal pairs include each text against itself: 1100 of them).
  for (const int count : outcomes) EXPECT_GT(count, 2000);
}

// Sorting by the key, ties and non-versions by their bytes, is the
// collation's order: on the sorted fixture and on random texts, through an
// index on the key.
TEST_F(VersionKeySql, OrderByTheKeyIsTheCollationsOrder) {
  std::string insert =
      "CREATE TABLE f(v TEXT); CREATE INDEX f_by_key ON f(version_key(v), v); INSERT INTO f "
      "VALUES ";
  for (std::size_t i = 0; i < kSortedTexts.size(); ++i)
    insert += (i ? ",(" : "(") + sql_literal(kSortedTexts[i]) + ")";
  ASSERT_EQ(exec(db.get(), insert), "");
  std::vector<std::string> fixture;
  for (const std::string& text : kSortedTexts) fixture.push_back(sql_literal(text));
  EXPECT_EQ(rows(db.get(), "SELECT v FROM f ORDER BY version_key(v), v"), fixture);

  std::mt19937 random(1234);
  insert = "INSERT INTO f VALUES ";
  for (int i = 0; i < 2000; ++i)
    insert += (i ? ",(" : "(") + sql_literal(random_version(random)) + ")";
  ASSERT_EQ(exec(db.get(), insert), "");
  EXPECT_EQ(rows(db.get(), "SELECT v FROM f ORDER BY version_key(v), v"),
            rows(db.get(), "SELECT v FROM f ORDER BY v COLLATE version"));
  EXPECT_EQ(value(db.get(), "PRAGMA integrity_check"), "'ok'");
}

}  // namespace
}  // namespace korvel::testing
