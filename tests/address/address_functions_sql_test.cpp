#include <gtest/gtest.h>

#include <string>

#include "ip_address_cases.h"
#include "sql_test_support.h"

namespace korvel::testing {
namespace {

class FormatIpAddressSql : public ::testing::Test {
 protected:
  connection db = open_with_extension();
};

TEST_F(FormatIpAddressSql, MatchesTheTable) {
  for (const ip_case& c : kIpCases) {
    const std::string sql = "SELECT format_ip_address(" + sql_literal(std::string(c.text)) + ")";
    EXPECT_EQ(value(db.get(), sql), std::to_string(c.folded)) << sql;
  }
}

TEST_F(FormatIpAddressSql, NonTextArgumentsGiveNull) {
  for (const char* argument : {"3232235777", "1.5", "x'31'", "NULL", "zeroblob(4)"}) {
    EXPECT_EQ(value(db.get(), std::string("SELECT format_ip_address(") + argument + ")"), "NULL")
        << argument;
  }
}

TEST_F(FormatIpAddressSql, ReadsTextUpToAnEmbeddedNul) {
  EXPECT_EQ(value(db.get(), "SELECT format_ip_address(CAST(x'312E3200332E34' AS TEXT))"), "258");
}

TEST_F(FormatIpAddressSql, WrongArgumentCountsAreRefusedBySqlite) {
  for (const char* call : {"format_ip_address()", "format_ip_address('1.2', '3')"}) {
    EXPECT_EQ(value(db.get(), std::string("SELECT ") + call),
              "error: wrong number of arguments to function format_ip_address()");
  }
}

TEST_F(FormatIpAddressSql, HugeTextsAndManyComponents) {
  // 10 MB of one component, then 100,000 components: both fold in one pass.
  EXPECT_EQ(value(db.get(), "SELECT format_ip_address('1.' || printf('%.*c', 10000000, '0'))"),
            "256");
  EXPECT_EQ(
      value(db.get(),
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
            "SELECT format_ip_address(group_concat('1', '.')) FROM n"),
      std::to_string(0x0101010101010101LL));
}

TEST_F(FormatIpAddressSql, WorksInAnExpressionIndexThatThePlannerUses) {
  ASSERT_EQ(exec(db.get(),
                 "CREATE TABLE hosts(name TEXT, ip TEXT);"
                 "CREATE INDEX hosts_by_address ON hosts(format_ip_address(ip));"
                 "INSERT INTO hosts VALUES ('gw', '10.0.0.1'), ('db', '10.0.0.20'),"
                 " ('web', '192.168.1.1');"
                 "PRAGMA trusted_schema = OFF;"),
            "");
  const std::string query =
      "SELECT name FROM hosts WHERE format_ip_address(ip) BETWEEN "
      "format_ip_address('10.0.0.0') AND format_ip_address('10.255.255.255') ORDER BY name";
  EXPECT_EQ(rows(db.get(), query), (std::vector<std::string>{"'db'", "'gw'"}));
  const std::vector<std::string> plan = rows(db.get(), "EXPLAIN QUERY PLAN " + query);
  bool uses_index = false;
  for (const std::string& step : plan)
    uses_index |= step.find("USING INDEX hosts_by_address") != std::string::npos;
  EXPECT_TRUE(uses_index) << ::testing::PrintToString(plan);
  EXPECT_EQ(exec(db.get(),
                 "CREATE TABLE g(ip TEXT, n AS (format_ip_address(ip)));"
                 "CREATE VIEW v AS SELECT format_ip_address(ip) FROM hosts;"
                 "SELECT * FROM v;"),
            "");
}

TEST_F(FormatIpAddressSql, IpAddressTextInvertsTheUsualAddresses) {
  for (const ip_case& c : kIpCases) {
    if (c.folded < 0 || c.folded > 4294967295) continue;
    const std::string sql =
        "SELECT format_ip_address(ip_address_text(" + std::to_string(c.folded) + "))";
    EXPECT_EQ(value(db.get(), sql), std::to_string(c.folded)) << sql;
  }
  expect_values(db.get(),
                {
                    {"ip_address_text(format_ip_address('192.168.1.1'))", "'192.168.1.1'"},
                    {"ip_address_text(0)", "'0.0.0.0'"},
                    {"ip_address_text(4294967295)", "'255.255.255.255'"},
                    {"ip_address_text(16909060)", "'1.2.3.4'"},
                    {"ip_address_text(4294967296)", "NULL"},
                    {"ip_address_text(-1)", "NULL"},
                    {"ip_address_text(-9223372036854775808)", "NULL"},
                    {"ip_address_text(3232235777.0)", "'192.168.1.1'"},
                    {"ip_address_text(4294967295.0)", "'255.255.255.255'"},
                    {"ip_address_text(0.0)", "'0.0.0.0'"},
                    {"ip_address_text(-0.0)", "'0.0.0.0'"},
                    {"ip_address_text(4294967296.0)", "NULL"},
                    {"ip_address_text(3232235777.5)", "NULL"},
                    {"ip_address_text(-1.0)", "NULL"},
                    {"ip_address_text(1e300)", "NULL"},
                    {"ip_address_text(9e999)", "NULL"},
                    {"ip_address_text(-9e999)", "NULL"},
                    {"ip_address_text('3232235777')", "NULL"},
                    {"ip_address_text(x'01')", "NULL"},
                    {"ip_address_text(NULL)", "NULL"},
                });
}

TEST_F(FormatIpAddressSql, OrdersHostsByAddress) {
  ASSERT_EQ(exec(db.get(),
                 "CREATE TABLE hosts(ip TEXT); INSERT INTO hosts VALUES ('10.0.0.20'),"
                 " ('10.0.0.3'), ('9.255.255.255'), ('10.0.1.0');"),
            "");
  EXPECT_EQ(
      rows(db.get(),
           "SELECT ip_address_text(format_ip_address(ip)) FROM hosts ORDER BY "
           "format_ip_address(ip)"),
      (std::vector<std::string>{"'9.255.255.255'", "'10.0.0.3'", "'10.0.0.20'", "'10.0.1.0'"}));
}

// Keys live in users' databases: their bytes are pinned here, never changed.
// Python's ipaddress checks everything else (inet_differential.py); these are
// the cases it cannot reach: argument types and bytes that are not UTF-8.
TEST_F(FormatIpAddressSql, StrictFunctionsPinnedKeysAndArgumentTypes) {
  expect_values(
      db.get(),
      {
          {"hex(ip_key('10.0.0.0/8'))", "'040A00000008'"},
          {"hex(ip_key('10.1.2.3'))", "'040A01020320'"},
          {"hex(ip_key('0.0.0.0/0'))", "'040000000000'"},
          {"hex(ip_key('2001:db8::/32'))", "'0620010DB800000000000000000000000020'"},
          {"hex(ip_key('fe80::1%eth0'))", "'06FE80000000000000000000000000000180'"},
          {"hex(ip_key('::ffff:10.0.0.1'))", "'0600000000000000000000FFFF0A00000180'"},
          {"ip_key(167772161)", "NULL"},
          {"ip_text(x'3A3A31')", "NULL"},
          {"ip_family(NULL)", "NULL"},
          {"ip_contains('10.0.0.0/8', 167772161)", "NULL"},
          {"ip_contains(NULL, '10.0.0.1')", "NULL"},
          {"ip_network('10.1.2.3', '24')", "NULL"},
          {"ip_network('10.1.2.3', 24.0)", "NULL"},
          {"ip_network('10.1.2.3', NULL)", "NULL"},
          {"ip_network('10.1.2.3', 33)", "NULL"},
          {"ip_network('10.0.0.0/8', 16)", "NULL"},
          {"ip_network('::', 128)", "'::/128'"},
          {"hex(ip_text(CAST(x'666538303A3A3125FF00' AS TEXT)))", "'666538303A3A3125FF00'"},
          {"ip_text(CAST(x'312E322E332E3400' AS TEXT))", "NULL"},
      });
}

}  // namespace
}  // namespace korvel::testing
