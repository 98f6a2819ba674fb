#include "version/parts.h"

#include <gtest/gtest.h>

#include <string>

#include "version_test_support.h"

namespace korvel::testing {
namespace {

struct parse_case {
  const char* text;
  const char* separators;
  const char* parts;
};

constexpr const char* kDefault = DEFAULT_VERSION_SEPARATORS;

constexpr parse_case kParseCases[] = {
    {"1.10.2", kDefault, "1,10,2"},
    {"2.0-beta", kDefault, "2,0,'beta'"},
    {"2011/04/30", kDefault, "2011,4,30"},
    {"1.0 rc2", kDefault, "1,0,'rc2'"},
    {"1.2a", kDefault, "1,2"},
    {"v1", kDefault, "'v1'"},
    {"abc", kDefault, "'abc'"},
    {"007", kDefault, "7"},
    {"0", kDefault, "0"},
    {"0rc", kDefault, "0"},
    {"+5", kDefault, "5"},
    {"b2", kDefault, "'b2'"},
    {"+0", kDefault, "'+0'"},
    {"1.+0", kDefault, "1,'+0'"},
    {"4294967296", kDefault, "2147483647"},
    {"1.99999999999999999999", kDefault, "1,2147483647"},
    {"", kDefault, "<malformed>"},
    {".1", kDefault, "<malformed>"},
    {"1.", kDefault, "<malformed>"},
    {"1..2", kDefault, "<malformed>"},
    {"1-.2", kDefault, "<malformed>"},
    {"1. 2", kDefault, "<malformed>"},
    {"1.2.3", "", "1"},
    {"", "", "<malformed>"},
    {"1_2", "_", "1,2"},
    {"-5", ".", "-5"},
    {"-0", ".", "'-0'"},
    {" 5", ".", "5"},
    {" x", ".", "' x'"},
    {"1.2", "12", "<malformed>"},
    {"3.4", "x", "3"},
    {"a\xff"
     "b.c",
     kDefault,
     "'a\xff"
     "b','c'"},
};

TEST(VersionParse, SplitsAndClassifiesTokens) {
  for (const parse_case& c : kParseCases) {
    version_parse_result parsed = version_parse(c.text, c.separators);
    EXPECT_EQ(describe(parsed), c.parts)
        << '"' << c.text << "\" split at \"" << c.separators << '"';
    version_free(parsed.parts);
  }
}

TEST(VersionParse, AbsentTextIsMalformed) {
  const version_parse_result parsed = version_parse(nullptr, kDefault);
  EXPECT_EQ(parsed.parts, nullptr);
  EXPECT_EQ(parsed.status, version_parse_status::malformed);
}

TEST(VersionParse, LongTokensOfEveryLength) {
  for (std::size_t length : {1u, 198u, 199u, 200u, 201u, 500u, 5000u}) {
    const std::string word(length, 'w');
    const std::string text = "1." + word + ".2." + std::string(length + 10, '9') + "." + word + "x";
    const version_parse_result parsed = version_parse(text.c_str(), kDefault);
    EXPECT_EQ(describe(parsed), "1,'" + word + "',2,2147483647,'" + word + "x'") << length;
    version_free(parsed.parts);
  }
}

TEST(VersionParse, ManyTokensOfDifferentLengths) {
  std::string text;
  std::string expected;
  for (int i = 0; i < 2000; ++i) {
    // Appended piece by piece, not as one sum of temporaries: g++ 12 at -O3
    // reports a false -Wrestrict on those.
    const std::string word = std::string(1, 'w').append(static_cast<std::size_t>(i * 7 % 301), 'a');
    const std::string number = std::to_string(i);
    text.append(i == 0 ? "" : ".").append(word).append("-").append(number);
    expected.append(i == 0 ? "'" : ",'").append(word).append("',").append(number);
  }
  const version_parse_result parsed = version_parse(text.c_str(), kDefault);
  EXPECT_EQ(describe(parsed), expected);
  version_free(parsed.parts);
}

TEST(VersionParse, SpanParseStopsAtLengthOrFirstNul) {
  const std::string with_nul("1.2\0.3", 6);
  version_parse_result parsed = version_parse(with_nul, DEFAULT_SEPARATOR_SET);
  EXPECT_EQ(describe(parsed), "1,2");
  version_free(parsed.parts);
  parsed = version_parse(std::string_view("1.2.3", 3), DEFAULT_SEPARATOR_SET);
  EXPECT_EQ(describe(parsed), "1,2");
  version_free(parsed.parts);
  parsed = version_parse(std::string_view("1.\0"
                                          "2",
                                          4),
                         DEFAULT_SEPARATOR_SET);
  EXPECT_EQ(describe(parsed), "<malformed>");
}

}  // namespace
}  // namespace korvel::testing
