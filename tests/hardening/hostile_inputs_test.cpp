// Inputs no one should send: texts of 100 MB, a million one-byte components,
// every byte as a separator, invalid UTF-8, embedded NULs, UTF-16 databases.
// Each gives the right answer or a clean SQLite error, in memory bounded by
// a small multiple of the input. Times are printed, never asserted.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "sql_test_support.h"
#include "version/parts.h"

namespace korvel::testing {
namespace {

struct measured {
  std::vector<std::string> rows;
  double seconds;      // wall clock
  double cpu_seconds;  // this process, steadier on a busy machine
  double peak_bytes;   // above the memory in use before the statement
};

measured measure(sqlite3* db, const std::string& sql, const std::string& first,
                 const std::string& second) {
  const sqlite3_int64 before = sqlite3_memory_used();
  sqlite3_memory_highwater(1);
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  measured m{rows(db, sql, {first, second}), 0, 0, 0};
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  m.peak_bytes = static_cast<double>(sqlite3_memory_highwater(0) - before);
  return m;
}

void report(const char* what, std::size_t bytes, const measured& m) {
  std::printf("%-30s %6.1f MB  wall %7.3f s  cpu %7.3f s (%6.1f MB/s)  peak %6.1f MB\n", what,
              bytes / 1e6, m.seconds, m.cpu_seconds, bytes / 1e6 / m.cpu_seconds,
              m.peak_bytes / 1e6);
}

// Whole-text statements: ?1 and ?2 are two huge versions differing at the end.
constexpr const char* kHugeQuery =
    "SELECT format_ip_address(?1), length(min_version(v)), substr(max_version(v), -3), "
    "version_compare(?1, ?2), ?1 < ?2 COLLATE version FROM (SELECT ?1 AS v UNION ALL SELECT ?2)";

class HostileInputs : public ::testing::Test {
 protected:
  connection db = open_with_extension();
};

// Sanitizer builds run many times slower; there the largest text is skipped.
#ifdef KORVEL_SANITIZED_BUILD
constexpr std::size_t kHugeSizes[] = {10'000'000};
#else
constexpr std::size_t kHugeSizes[] = {10'000'000, 100'000'000};
#endif

TEST_F(HostileInputs, HugeTextsTakeTimeAndMemoryInProportion) {
  for (const std::size_t size : kHugeSizes) {
    // One huge number, then one huge word, each against a copy ending higher.
    const std::string digits = "1." + std::string(size, '0');
    const measured numbers = measure(db.get(), kHugeQuery, digits, digits + "1");
    EXPECT_EQ(numbers.rows,
              std::vector<std::string>{"256|" + std::to_string(size + 2) + "|'001'|-1|1"});
    report("one number component", size, numbers);
    const std::string word = "1." + std::string(size, 'w');
    const measured words = measure(db.get(), kHugeQuery, word + "a", word + "b");
    EXPECT_EQ(words.rows,
              std::vector<std::string>{"256|" + std::to_string(size + 3) + "|'wwb'|-1|1"});
    report("one word component", size, words);
    // Each text is held a few times over (bound, copied as the winner,
    // returned, copied by SQLite between its registers), never per component.
    EXPECT_LT(numbers.peak_bytes, 10.0 * size);
    EXPECT_LT(words.peak_bytes, 10.0 * size);
  }
}

TEST_F(HostileInputs, AMillionOneByteComponents) {
  for (const char component : {'1', 'a'}) {
    std::string text;
    for (int i = 0; i < 1'000'000; ++i) (text += component) += '.';
    text.pop_back();
    const std::string higher = text.substr(0, text.size() - 1) + static_cast<char>(component + 1);
    const measured m = measure(db.get(), kHugeQuery, text, higher);
    const std::string folded = component == '1' ? std::to_string(0x0101010101010101LL) : "0";
    EXPECT_EQ(m.rows,
              std::vector<std::string>{folded + "|" + std::to_string(text.size()) + "|" +
                                       sql_literal(higher.substr(higher.size() - 3)) + "|-1|1"});
    report(component == '1' ? "a million one-digit numbers" : "a million one-letter words",
           text.size(), m);
    EXPECT_LT(m.peak_bytes, 200.0 * 1'000'000);  // a parsed record is a few dozen bytes
  }
}

// The parser's verdict on min_version, max_version and version_compare of
// rows `low` then `high`, rendered as rows() does.
std::string expected_by_parser(const std::string& low, const std::string& high,
                               const std::string& separators) {
  const separator_set set = make_separator_set(separators);
  const version_parse_result a = version_parse(low, set);
  const version_parse_result b = version_parse(high, set);
  std::string expected = "NULL|NULL|NULL";
  if (a.parts && b.parts) {
    const int order = version_compare(a.parts, b.parts);
    expected = std::to_string(order) + "|" + sql_literal(order <= 0 ? low : high) + "|" +
               sql_literal(order >= 0 ? low : high);
  } else if (a.parts || b.parts) {
    const std::string only = sql_literal(a.parts ? low : high);
    expected = "NULL|" + only + "|" + only;
  }
  version_free(a.parts);
  version_free(b.parts);
  return expected;
}

constexpr const char* kSeparatorQuery =
    "SELECT version_compare(?1, ?2, ?3), min_version(v, ?3), max_version(v, ?3) "
    "FROM (SELECT ?1 AS v UNION ALL SELECT ?2)";

TEST_F(HostileInputs, EveryByteAsTheSeparator) {
  std::string every_byte;
  for (int byte = 1; byte <= 255; ++byte) {
    const std::string separator(1, static_cast<char>(byte));
    every_byte += separator;
    for (const auto& [low, high] : {std::pair{"2" + separator + "9", "2" + separator + "10"},
                                    std::pair{"a" + separator + "b", "a" + separator + "a"}}) {
      EXPECT_EQ(rows(db.get(), kSeparatorQuery, {low, high, separator}),
                std::vector<std::string>{expected_by_parser(low, high, separator)})
          << "byte " << byte;
    }
  }
  // With every byte a separator, no text is a version.
  EXPECT_EQ(rows(db.get(), kSeparatorQuery, {"1", "a", every_byte}),
            std::vector<std::string>{"NULL|NULL|NULL"});
}

struct literal_case {
  const char* sql;
  const char* result;
};

constexpr literal_case kByteCases[] = {
    // Invalid UTF-8 is ordered as unsigned bytes and returned untouched.
    {"SELECT hex(max_version(v)) FROM (SELECT CAST(x'312EFF' AS TEXT) v UNION ALL SELECT '1.a')",
     "'312EFF'"},
    {"SELECT hex(min_version(v)) FROM (SELECT CAST(x'312EC3' AS TEXT) v "
     "UNION ALL SELECT CAST(x'312E80' AS TEXT))",
     "'312E80'"},
    {"SELECT version_compare(CAST(x'312EFF' AS TEXT), CAST(x'312EFE' AS TEXT))", "1"},
    {"SELECT version_compare(CAST(x'31FF32' AS TEXT), CAST(x'31FF3130' AS TEXT), "
     "CAST(x'FF' AS TEXT))",
     "-1"},
    {"SELECT format_ip_address(CAST(x'FF312E32' AS TEXT))", "2"},
    {"SELECT CAST(x'312EFF' AS TEXT) > '1.z' COLLATE version", "1"},
    // Ordering stops at a NUL; results keep every byte.
    {"SELECT version_compare(CAST(x'312E3200FF' AS TEXT), '1.2')", "0"},
    {"SELECT hex(max_version(v)) FROM (SELECT CAST(x'312E3200' AS TEXT) v UNION ALL SELECT '1.2')",
     "'312E3200'"},
    {"SELECT max_version('1.2', CAST(x'002E' AS TEXT))", "'1.2'"},
    {"SELECT CAST(x'312E3200' AS TEXT) > '1.2' COLLATE version", "1"},
    {"SELECT format_ip_address(CAST(x'31002E32' AS TEXT))", "1"},
    {"SELECT version_compare(CAST(x'00' AS TEXT), '1')", "NULL"},
};

TEST_F(HostileInputs, InvalidUtf8AndEmbeddedNuls) {
  for (const literal_case& c : kByteCases) EXPECT_EQ(value(db.get(), c.sql), c.result) << c.sql;
}

constexpr const char* kUnicodeRows =
    "CREATE TABLE t(g, v); INSERT INTO t VALUES (1, '1.é'), (1, '1.z'), (1, '1.10'), (2, 'ü.2'),"
    " (2, '2.😀'), (2, '2.Ω-beta'), (3, '２.1'), (3, '1..2'), (3, ''), (3, '192.168.0.1');";

constexpr const char* kUnicodeQueries[] = {
    "SELECT g, min_version(v), max_version(v), max_version(v, 'é') FROM t GROUP BY g",
    "SELECT v FROM t ORDER BY v COLLATE version",
    "SELECT group_concat(version_compare(a.v, b.v), ',') FROM t a, t b",
    "SELECT format_ip_address(v), ip_address_text(format_ip_address(v)) FROM t",
};

// A UTF-16 database hands the functions converted texts: every answer must
// be the one a UTF-8 database gives.
TEST_F(HostileInputs, Utf16DatabasesAnswerAsUtf8Does) {
  ASSERT_EQ(exec(db.get(), kUnicodeRows), "");
  EXPECT_EQ(value(db.get(), "SELECT max_version(v) FROM t WHERE g = 1"), "'1.é'");
  for (const char* encoding : {"UTF-16le", "UTF-16be"}) {
    connection utf16 = open_in_encoding(encoding);
    ASSERT_EQ(exec(utf16.get(), kUnicodeRows), "");
    for (const char* query : kUnicodeQueries) {
      EXPECT_EQ(rows(utf16.get(), query), rows(db.get(), query)) << encoding << ": " << query;
    }
  }
}

}  // namespace
}  // namespace korvel::testing
