// osv_affected against records written by hand from published advisories
// and from the OSV schema's own examples, each answer checked by hand.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sql_test_support.h"

namespace korvel::testing {
namespace {

struct record_case {
  const char* source;  // what the record says, and where that comes from
  const char* record;
  std::vector<std::pair<const char*, const char*>> answers;  // version, osv_affected
};

// clang-format off
const std::vector<record_case> kRecords = {
    {"DSA-5770-1: expat in bookworm fixed in 2.5.0-1+deb12u1",
     R"({"package":{"ecosystem":"Debian:12","name":"expat"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"0"},{"fixed":"2.5.0-1+deb12u1"}]}]})",
     {{"2.5.0-1", "1"}, {"2.5.0-1+b1", "1"}, {"2.5.0-1+deb12u1", "0"}, {"2.6.2-1", "0"},
      {"0:2.5.0-1+deb12u1", "0"}, {"1:2.0", "0"}, {"2.5.0~rc1-1", "1"}, {"not a version", "NULL"}}},
    {"the same, package after the ranges and the type after the events",
     R"({"ranges":[{"events":[{"fixed":"2.5.0-1+deb12u1"},{"introduced":"0"}],"type":"ECOSYSTEM"}],
         "package":{"name":"expat","ecosystem":"Debian:12"}})",
     {{"2.5.0-1", "1"}, {"2.5.0-1+deb12u1", "0"}}},
    {"an Ubuntu release suffix with colons of its own",
     R"({"package":{"ecosystem":"Ubuntu:22.04:LTS","name":"expat"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"0"},{"fixed":"2.4.7-1ubuntu0.4"}]}]})",
     {{"2.4.7-1ubuntu0.3", "1"}, {"2.4.7-1ubuntu0.4", "0"}}},
    {"GHSA for lodash's template() (CVE-2021-23337): fixed in 4.17.21; a prerelease of the fix "
     "sorts below it",
     R"({"package":{"ecosystem":"npm","name":"lodash"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"0"},{"fixed":"4.17.21"}]}]})",
     {{"4.17.20", "1"}, {"4.17.21-rc.1", "1"}, {"4.17.21", "0"}, {"4.17.21+build.5", "0"},
      {"5.0.0", "0"}, {"4.17", "NULL"}}},
    {"GO-2022-0969 (CVE-2022-27664) in stdlib: SEMVER, fixed in 1.18.6 and 1.19.1",
     R"({"package":{"ecosystem":"Go","name":"stdlib"},"ranges":[{"type":"SEMVER","events":[
         {"introduced":"0"},{"fixed":"1.18.6"},{"introduced":"1.19.0"},{"fixed":"1.19.1"}]}]})",
     {{"1.18.5", "1"}, {"1.18.6", "0"}, {"1.19.0-rc.2", "0"}, {"1.19.0", "1"}, {"1.19.1", "0"},
      {"1.20.0", "0"}, {"0.0.1", "1"}}},
    {"the same events listed out of order",
     R"({"package":{"ecosystem":"Go","name":"stdlib"},"ranges":[{"type":"SEMVER","events":[
         {"fixed":"1.19.1"},{"introduced":"1.19.0"},{"fixed":"1.18.6"},{"introduced":"0"}]}]})",
     {{"1.18.5", "1"}, {"1.18.6", "0"}, {"1.19.0", "1"}, {"1.19.1", "0"}}},
    {"PYSEC for Jinja2 (CVE-2024-22195): fixed in 3.1.3; its release candidate is below",
     R"({"package":{"ecosystem":"PyPI","name":"jinja2"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"0"},{"fixed":"3.1.3"}]}],"versions":["3.1.2","3.1.1"]})",
     {{"3.1.2", "1"}, {"3.1.3rc1", "1"}, {"3.1.3", "0"}, {"3.1.3.0", "0"}, {"3.1.3.post1", "0"},
      {"v3.1.2", "1"}}},
    {"a versions list alone, matched by equivalence in the order",
     R"({"package":{"ecosystem":"PyPI","name":"example"},"versions":["1.0","1.1","not-a-version"]})",
     {{"1.0", "1"}, {"1.0.0", "1"}, {"1.1.0", "1"}, {"1.2", "0"}, {"not-a-version", "NULL"}}},
    {"a SEMVER range in a PyPI element: PEP 440 versions that are not semantic versions cannot "
     "be placed in it",
     R"({"package":{"ecosystem":"PyPI","name":"example"},"ranges":[{"type":"SEMVER",
         "events":[{"introduced":"1.0.0"},{"fixed":"1.2.0"}]}]})",
     {{"1.1.0", "1"}, {"1.2.0", "0"}, {"1.1", "NULL"}}},
    {"Red Hat (rpm order): openssl fixed in 1:1.1.1k-7.el8_6",
     R"({"package":{"ecosystem":"Red Hat:enterprise_linux:8::baseos","name":"openssl"},
         "ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"1:1.1.1k-7.el8_6"}]}]})",
     {{"1:1.1.1k-6.el8_5", "1"}, {"1:1.1.1k-7.el8_6", "0"}, {"1.1.1k-9.el8", "1"}}},
    {"the schema's last_affected example: 2.1.214 is the last affected version",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[{"type":"SEMVER",
         "events":[{"introduced":"0"},{"last_affected":"2.1.214"}]}]})",
     {{"2.1.213", "1"}, {"2.1.214", "1"}, {"2.1.215-rc.1", "0"}, {"2.1.215", "0"}}},
    {"limit: an introduced version without a fix, bounded by a limit",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"1.0.0"},{"limit":"1.5.0"}]}]})",
     {{"0.9.0", "0"}, {"1.0.0", "1"}, {"1.4.9", "1"}, {"1.5.0", "0"}, {"2.0.0", "0"}}},
    {"limits: below any one of them is enough; \"*\" is no bound",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"limit":"1.5.0"},{"introduced":"1.0.0"},{"limit":"*"}]}]})",
     {{"1.0.0", "1"}, {"7.0.0", "1"}}},
    {"a limit cuts off a range that a later fix would end",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"1.0.0"},{"fixed":"3.0.0"},{"limit":"2.0.0"}]}]})",
     {{"1.5.0", "1"}, {"2.0.0", "0"}, {"2.5.0", "0"}}},
    {"several ranges: held by either",
     R"({"package":{"ecosystem":"crates.io","name":"example"},"ranges":[
         {"type":"ECOSYSTEM","events":[{"introduced":"0.1.0"},{"fixed":"0.1.5"}]},
         {"type":"ECOSYSTEM","events":[{"introduced":"0.2.0"},{"fixed":"0.2.3"}]}]})",
     {{"0.0.9", "0"}, {"0.1.4", "1"}, {"0.1.5", "0"}, {"0.2.2", "1"}, {"0.2.3", "0"}}},
    {"introduced and fixed at one version hold nothing; introduced and last_affected hold it",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[
         {"type":"SEMVER","events":[{"fixed":"1.0.0"},{"introduced":"1.0.0"}]},
         {"type":"SEMVER","events":[{"last_affected":"2.0.0"},{"introduced":"2.0.0"}]}]})",
     {{"1.0.0", "0"}, {"1.0.1", "0"}, {"2.0.0", "1"}, {"2.0.1", "0"}}},
    {"a range reintroduced after its fix",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"0"},{"fixed":"1.0.0"},{"introduced":"2.0.0"}]}]})",
     {{"0.5.0", "1"}, {"1.5.0", "0"}, {"2.0.0", "1"}, {"9.0.0", "1"}}},
    {"GIT ranges only: they need the repository",
     R"({"package":{"ecosystem":"npm","name":"example"},"ranges":[{"type":"GIT",
         "repo":"https://example.org/r.git","events":[{"introduced":"0"},
         {"fixed":"4f0b9a3e0c5b2d1e8f7a6c5b4d3e2f1a0b9c8d7e"}]}]})",
     {{"1.0.0", "NULL"}}},
    {"GIT ranges with the versions list the schema asks for",
     R"({"package":{"ecosystem":"Debian","name":"example"},"versions":["1.0-1","1.1-1"],
         "ranges":[{"type":"GIT","repo":"https://example.org/r.git","events":[{"introduced":"0"}]}]})",
     {{"1.0-1", "1"}, {"1.2-1", "NULL"}}},
    {"GIT ranges beside an ECOSYSTEM range, which decides",
     R"({"package":{"ecosystem":"PyPI","name":"example"},"ranges":[
         {"type":"GIT","repo":"https://example.org/r.git","events":[{"introduced":"0"}]},
         {"type":"ECOSYSTEM","events":[{"introduced":"0"},{"fixed":"2.0"}]}]})",
     {{"1.0", "1"}, {"2.0", "0"}}},
    {"nothing listed and no ranges: nothing affected",
     R"({"package":{"ecosystem":"npm","name":"example"},"versions":[]})",
     {{"1.0.0", "0"}}},
    {"ecosystems without an order here, or none given",
     R"({"package":{"ecosystem":"OSS-Fuzz","name":"example"},"ranges":[{"type":"ECOSYSTEM",
         "events":[{"introduced":"0"},{"fixed":"anything goes"}]}],"versions":["1.0"]})",
     {{"1.0", "NULL"}, {"0", "NULL"}}},
    {"no package", R"({"versions":["1.0.0"]})", {{"1.0.0", "NULL"}}},
    {"no ecosystem", R"({"package":{"name":"x"},"versions":["1.0.0"]})", {{"1.0.0", "NULL"}}},
    {"ecosystem names are matched exactly", R"({"package":{"ecosystem":"debian"},"versions":["1"]})",
     {{"1", "NULL"}}},
    {"escapes in names and versions; unknown members of any shape are passed over",
     R"( { "package" : { "ecosystem" : "Deb\u0069an:12" , "purl": null } ,
         "ecosystem_specific": {"a": [1, -2.5e+3, true, false, null, {"b": "\ud83d\ude00"}]},
         "ranges":[{"type":"ECOSYSTEM","database_specific":{},"events":[{"introduced":"\u0030"},
         {"fi\u0078ed":"2.5.0-1\u002bdeb12u1"}]}]} )",
     {{"2.5.0-1", "1"}, {"2.5.0-1+deb12u1", "0"}}},
};

// What breaks the schema or JSON, and the error it gives.
const std::vector<std::pair<const char*, const char*>> kMalformed = {
    {R"({"package":{"ecosystem":"Debian:12"},"ranges":[{"type":"ECOSYSTEM","events":[
        {"introduced":"0","fixed":"1.0-1"}]}]})",
     R"(an event with several keys: '{"introduced":"0","fixed":"1.0-1"}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM","events":[
        {"introduced":"0"},{"fixed":"1.0.0"},{"last_affected":"1.2.0"}]}]})",
     R"(a range with both fixed and last_affected events: '{"last_affected":"1.2.0"}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM","events":[
        {"introduced":"0"},{"patched":"1.0.0"}]}]})",
     R"(an event of unknown kind: '{"patched":"1.0.0"}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM","events":[{"introduced":0}]}]})",
     R"(an event whose version is not a string: '{"introduced":0}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM","events":[{}]}]})",
     "an empty event: '{}'"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM","events":[]}]})",
     "a range without events: '[]'"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM"}]})",
     R"(a range without events: '{"type":"ECOSYSTEM"}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"events":[{"introduced":"0"}]}]})",
     R"(a range without a type: '{"events":[{"introduced":"0"}]}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"SEMVERS","events":[{"introduced":"0"}]}]})",
     R"(a range of unknown type: '"SEMVERS"')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":[{"type":"ECOSYSTEM","events":[{"fixed":"1.0.0"}]}]})",
     R"(a range without an introduced event: '{"type":"ECOSYSTEM","events":[{"fixed":"1.0.0"}]...')"},
    {R"({"package":{"ecosystem":"Debian:12"},"ranges":[{"type":"ECOSYSTEM","events":[
        {"introduced":"0"},{"fixed":"2.5.0 1"}]}]})",
     R"(not a deb version: '{"fixed":"2.5.0 1"}')"},
    {R"({"package":{"ecosystem":"PyPI"},"ranges":[{"type":"SEMVER","events":[{"introduced":"1.0"}]}]})",
     R"(not a semver version: '{"introduced":"1.0"}')"},
    {R"({"package":{"ecosystem":"npm"},"ranges":{"type":"ECOSYSTEM"}})",
     R"(ranges that are not an array: '{"type":"ECOSYSTEM"}')"},
    {R"({"package":{"ecosystem":"npm"},"versions":["1.0.0",1]})",
     "a listed version that is not a string: '1'"},
    {R"({"package":{"ecosystem":7}})", "an ecosystem that is not a string: '7'"},
    {R"({"package":{"ecosystem":"npm"},"package":{"ecosystem":"npm"}})",
     R"(an element with two packages: '{"ecosystem":"npm"}')"},
    {R"([{"package":{"ecosystem":"npm"}}])",
     R"(an affected element that is not an object: '[{"package":{"ecosystem":"npm"}}]')"},
    {R"({"package":{"ecosystem":"npm"},})", "expected a member name: '}'"},
    {R"({"package":{"ecosystem":"npm"}} x)", "text after the value: 'x'"},
    {R"({"package":{'ecosystem':"npm"}})", R"(expected a member name: ''ecosystem':"npm"}}')"},
    {R"({"package":{"ecosystem":"npm"},"x":01})", "invalid number: '01}'"},
    {R"({"package":{"ecosystem":"npm"},"x":"\ud800"})", R"(invalid escape in a string: '\ud800"}')"},
    {R"({"package":{"ecosystem":"npm"},"x":"\x"})", R"(invalid escape in a string: '\x"}')"},
    {R"({"package":{"ecosystem":"npm"})", "expected ',' or '}': ''"},
    {R"({"package":{"ecosystem":"npm"},"x":"a)", R"(unterminated string: '"a')"},
    {R"({"ranges":[{"type":"ECOSYSTEM","events":[{"fixed":"1.0.0"},{"limit":"0.5.0"},{"fixed":"2.0.0"},{"limit":"3.0.0"}]}],"package":{"ecosystem":"Debian"}})",
     R"(a range without an introduced event: '{"type":"ECOSYSTEM","events":[{"fixed":"1.0.0"},...')"},
};
// clang-format on

class OsvAffectedSql : public ::testing::Test {
 protected:
  connection db = open_with_extension();

  std::string affected(const std::string& record, const std::string& version) {
    const std::vector<std::string> got =
        rows(db.get(), "SELECT osv_affected(?1, ?2)", {record, version});
    return got.size() == 1 ? got[0] : "no single row";
  }
};

TEST_F(OsvAffectedSql, HandCheckedRecords) {
  for (const record_case& c : kRecords) {
    for (const auto& [version, expected] : c.answers) {
      EXPECT_EQ(affected(c.record, version), expected) << c.source << "; version " << version;
    }
  }
}

TEST_F(OsvAffectedSql, MalformedRecordsFailTheStatement) {
  for (const auto& [record, message] : kMalformed) {
    // Whatever the version: the record is at fault.
    for (const char* version : {"1.0.0", "x"}) {
      EXPECT_EQ(affected(record, version),
                std::string("error: osv_affected: malformed record: ") + message)
          << record;
    }
  }
}

TEST_F(OsvAffectedSql, NestingIsBoundedAsInSqlitesJson) {
  const auto nested = [](int depth) {
    return R"({"package":{"ecosystem":"npm"},"x":)" + std::string(depth, '[') +
           std::string(depth, ']') + R"(,"versions":["1.0.0"]})";
  };
  EXPECT_EQ(affected(nested(1000), "1.0.0"), "1");
  EXPECT_EQ(affected(nested(1001), "1.0.0").substr(0, 64),
            "error: osv_affected: malformed record: nested too deeply: '[]]]]");
}

TEST_F(OsvAffectedSql, BytesThatAreNotUtf8AreRefused) {
  const std::string record = "{\"package\":{\"ecosystem\":\"npm\"},\"x\":\"\xC0\xAF\"}";
  EXPECT_EQ(affected(record, "1.0.0").substr(0, 76),
            "error: osv_affected: malformed record: a string that is not UTF-8: '\xC0\xAF\"}'");
}

TEST_F(OsvAffectedSql, ArgumentsThatAreNotTextGiveNull) {
  const char* const record = R"('{"package":{"ecosystem":"npm"},"versions":["1"]}')";
  for (const std::string& call :
       {std::string("osv_affected(NULL, '1.0.0')"), std::string("osv_affected(1, '1.0.0')"),
        std::string("osv_affected(") + record + ", NULL)",
        std::string("osv_affected(") + record + ", 1)",
        std::string("osv_affected(CAST(") + record + " AS BLOB), '1')"}) {
    EXPECT_EQ(value(db.get(), "SELECT " + call), "NULL") << call;
  }
}

// The way the function is meant to be used: json_each over whole records.
TEST_F(OsvAffectedSql, OverJsonEachOfWholeRecords) {
  ASSERT_EQ(exec(db.get(),
                 R"(CREATE TABLE advisories(record TEXT);
                    INSERT INTO advisories VALUES ('{"id":"A","affected":[
                      {"package":{"ecosystem":"Debian:11","name":"p"},"ranges":[{"type":"ECOSYSTEM",
                       "events":[{"introduced":"0"},{"fixed":"1.0-1+deb11u1"}]}]},
                      {"package":{"ecosystem":"Debian:12","name":"p"},"ranges":[{"type":"ECOSYSTEM",
                       "events":[{"introduced":"0"},{"fixed":"1.2-1+deb12u1"}]}]}]}');)"),
            "");
  EXPECT_EQ(rows(db.get(),
                 "SELECT json_extract(a.value, '$.package.ecosystem'), "
                 "osv_affected(a.value, '1.2-1') FROM advisories, json_each(record, '$.affected') "
                 "AS a ORDER BY 1"),
            (std::vector<std::string>{"'Debian:11'|0", "'Debian:12'|1"}));
}

}  // namespace
}  // namespace korvel::testing
