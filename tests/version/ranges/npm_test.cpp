// npm's range grammar on its own: answers npm's semver 7.8.6 gives for
// each form (checked with it when written), the ranges it refuses, and the
// ones refused here although npm reads them by dropping part of the text.
// The differential test (npm_differential.py) runs thousands more.
#include "version/ranges/npm.h"

#include <gtest/gtest.h>

#include <string>

#include "version/schemes/semver.h"

namespace korvel::testing {
namespace {

range_status parse(const std::string& range, void** compiled) {
  return NPM_RANGE_GRAMMAR.parse(SEMVER_SCHEME, range, compiled);
}

struct satisfies_case {
  std::string range;
  std::string version;
  bool satisfies;
};

TEST(NpmRange, AnswersAsNpmDoes) {
  const satisfies_case cases[] = {
      {"<4.17.21", "4.17.21-rc.1", false},
      {">=4.0.0 <4.17.21 || ^5.0.0-beta.1", "4.17.20", true},
      {">=4.0.0 <4.17.21 || ^5.0.0-beta.1", "5.0.0-beta.2", true},
      {">=4.0.0 <4.17.21 || ^5.0.0-beta.1", "5.1.0-beta.1", false},
      {"1.2.3", "1.2.3", true},
      {"=1.2.3+other", "1.2.3+build.7", true},
      {"1.2.3", "v1.2.3", true},
      {"1.2.3", " 1.2.3 ", true},
      {"^1.2.3-rc.0", "\xE3\x80\x80v1.2.3-rc.1\t", true},
      {"^1.2.3-rc.0", "\xE3\x80\x80v1.2.4-rc.1\t", false},
      {"1.2.3", "1.2.4", false},
      {">= 1.2.3", "1.2.3", true},
      {"< =1.2.3", "1.2.3", true},
      {"=v1.2.3", "1.2.3", true},
      {"1.2.3 - 2.3.4", "1.2.3", true},
      {"1.2.3 - 2.3.4", "2.3.4", true},
      {"1.2.3 - 2.3.4", "2.3.5", false},
      {"1.2 - 2.3.4", "1.2.0", true},
      {"1.2.3 - 2.3", "2.3.9", true},
      {"1.2.3 - 2.3", "2.4.0", false},
      {"1.2.3 - 2", "2.9.9", true},
      {"* - 2", "0.0.1", true},
      {"1.2.3-rc.1 - 2", "1.2.3-rc.1", true},
      {"1.2.3 - 2.0.0-rc.1", "2.0.0-rc.1", true},
      {"1.x", "1.9.9", true},
      {"1.x", "2.0.0-0", false},
      {"1.2.*", "1.2.9", true},
      {"1.2.*", "1.3.0", false},
      {">1.2", "1.3.0", true},
      {">1.2", "1.2.9", false},
      {"<=1.2", "1.2.9", true},
      {"<=1.2", "1.3.0-0", false},
      {"*", "0.0.0", true},
      {"*", "1.0.0-rc.1", false},
      {"x", "0.5.0", true},
      {"", "2.0.0", true},
      {"<*", "2.0.0", false},
      {"~1.2.3", "1.2.5", true},
      {"~1.2.3", "1.3.0", false},
      {"~1", "1.9.0", true},
      {"~>1.2", "1.2.5", true},
      {"~1.2.3-beta.2", "1.2.3-beta.3", true},
      {"~1.2.3-beta.2", "1.2.4-beta.3", false},
      {"^1.2.3", "1.9.0", true},
      {"^1.2.3", "2.0.0-rc.1", false},
      {"^0.2.3", "0.2.9", true},
      {"^0.2.3", "0.3.0", false},
      {"^0.0.3", "0.0.3", true},
      {"^0.0.3", "0.0.4", false},
      {"^0.0.x", "0.0.9", true},
      {"^0.0.x", "0.1.0", false},
      {"^0.x", "0.9.0", true},
      {"^0.x", "1.0.0", false},
      {"^1.0.0-rc.1", "1.0.0-rc.2", true},
      {"^1.0.0-rc.1", "1.0.1-rc.1", false},
      {"1.0.0-rc.1 || *", "1.0.0-rc.1", false},
      {"1.0.0-rc.1 || >=0.1.0", "1.0.0-rc.1", true},
      {">=0.0.0 <0.0.0-z", "0.0.0-rc.1", true},
      {">=1.0.0 <2.0.0 || >=3.0.0", "1.0.0", true},
      {">=1.0.0 <2.0.0 || >=3.0.0", "2.5.0", false},
      {"==1.2.x", "1.2.3", true},
      {"^ v=v1.2.3", "1.2.3", true},
      {"1.2 - = 2", "1.2.3", true},
  };
  for (const satisfies_case& c : cases) {
    void* compiled = nullptr;
    ASSERT_EQ(parse(c.range, &compiled), range_status::ok) << c.range;
    EXPECT_EQ(NPM_RANGE_GRAMMAR.satisfies(SEMVER_SCHEME, compiled, c.version), c.satisfies)
        << c.version << " in " << c.range;
    NPM_RANGE_GRAMMAR.release(compiled);
  }
}

TEST(NpmRange, RefusesWhatNpmRefuses) {
  const std::string refused[] = {
      "garbage",
      ">=1.0.0 || garbage",
      "> = 1.2.3",
      "< = 1.2.3",
      "==1.2.3",
      "v=1.2.3",
      "vv1.2.3",
      "v 1.2.3",
      "1.2.3 -2",
      "1.2.3- 2",
      "1.2.3 - 2.3.4 - 3",
      ">=1.2.3 - 2",
      "=1.2.3 - 2",
      "x.1",
      "1.x.2",
      "~",
      "^",
      ">=",
      "1.2.3 <",
      "1 | 2",
      "1.2.3.4",
      "01.2.3",
      "1.2.3-01",
      "1.2-beta",
      ">=+b1.2.3",
      "^9007199254740991.0.0",
      ">9007199254740992.0.0",
      "1.2.3-" + std::string(251, 'a'),
      "1.2.3\xE2\x80\x8B",
      std::string("1.2.3\0", 6),
      "\xFF",
      "1.2.3_",
  };
  for (const std::string& range : refused) {
    void* compiled = nullptr;
    EXPECT_EQ(parse(range, &compiled), range_status::malformed) << range;
    EXPECT_EQ(compiled, nullptr);
  }
}

// npm reads each of these by dropping part of it; a typo must not read as
// "not affected".
TEST(NpmRange, RefusesWhatNpmReadsOnlyInPart) {
  const std::string refused[] = {
      "1.0.0 ||", "|| 1.0.0",     "||",          "1.0.0 |||| 2.0.0",  // an empty alternative
      "+build",   "1.2.3 +build", "1.2.3 +b <2", "1.2.3+a+b",         // build metadata astray
      "1.2.3*",   "*1.2.3",       ">=*1.2.3",    "1.2.3-beta*",       // a stray '*'
      "~1.x.3",   "^x.2",         "x.5 - 2",     "1.2.x-beta",       "^1.x.x-rc", "1.x.x-rc - 2",
  };
  for (const std::string& range : refused) {
    void* compiled = nullptr;
    EXPECT_EQ(parse(range, &compiled), range_status::malformed) << range;
  }
}

}  // namespace
}  // namespace korvel::testing
