#include "version/schemes/go.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

const version_scheme& kScheme = GO_SCHEME;

std::string key_of(const std::string& text) {
  return korvel::testing::key_of(kScheme, text);
}

// semver.IsValid's verdicts.
TEST(GoScheme, AcceptsWhatSemverIsValidAccepts) {
  const std::pair<std::string, bool> cases[] = {
      {"v1.2.3", true},
      {"v1", true},
      {"v1.2", true},
      {"v0.0.0-20240110084000-0a5e8f1c3b2d", true},
      {"v2.0.0+incompatible", true},
      {"v1.2.3-alpha.1+build.01", true},
      {"v1.2.3-0a.-", true},
      {"v123456789012345678901234567890.0.0", true},
      {"", false},
      {"1.2.3", false},
      {"V1.2.3", false},
      {"v", false},
      {"v1.", false},
      {"v1.2.", false},
      {"v01.2.3", false},
      {"v1.02.3", false},
      {"v1-pre", false},
      {"v1.2-pre", false},
      {"v1+build", false},
      {"v1.2.3-01", false},
      {"v1.2.3-", false},
      {"v1.2.3+", false},
      {"v1.2.3-a..b", false},
      {"v1.2.3-a_b", false},
      {"v1.2.3.4", false},
      {" v1.2.3", false},
      {"v1.2.3 ", false},
      {std::string("v1.2.3\0", 7), false},
      {"v1.2.3-\xC3\xA9", false},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(valid_of(kScheme, text), valid) << text;
}

// Ascending, each strictly above the one before (semver.Compare agrees).
const std::vector<std::string> kAscending = {
    "v0.0.0-20190101000000-aaaaaaaaaaaa",
    "v0.0.0-20240110084000-0a5e8f1c3b2d",
    "v0.0.0",
    "v0.0.1-0.20240101000000-abcdefabcdef",
    "v0.0.1",
    "v1.0.0-0",
    "v1.0.0-1",
    "v1.0.0-10",
    "v1.0.0-99999999999999999999",
    "v1.0.0--",
    "v1.0.0-A",
    "v1.0.0-alpha",
    "v1.0.0-alpha.1",
    "v1.0.0-alpha.beta",
    "v1.0.0-beta",
    "v1.0.0-rc.1",
    "v1",
    "v1.0.1",
    "v1.1",
    "v1.10.0",
    "v2.0.0+incompatible",
    "v10",
    "v99999999999999999999.0.0",
};

TEST(GoScheme, OrdersLikeSemverCompare) {
  for (std::size_t i = 0; i < kAscending.size(); ++i) {
    for (std::size_t j = 0; j < kAscending.size(); ++j) {
      const int expected = (i > j) - (i < j);
      const std::string& a = kAscending[i];
      const std::string& b = kAscending[j];
      EXPECT_EQ(sign(kScheme.compare(a, b)), expected) << a << " vs " << b;
      EXPECT_EQ(key_order(kScheme, a, b), expected) << a << " vs " << b;
    }
  }
}

TEST(GoScheme, EquivalentVersionsHaveOneKey) {
  const std::pair<std::string, std::string> pairs[] = {
      {"v1", "v1.0.0"},
      {"v1.2", "v1.2.0"},
      {"v2.0.0+incompatible", "v2.0.0"},
      {"v1.0.0-rc.1+a", "v1.0.0-rc.1+b"},
  };
  for (const auto& [a, b] : pairs) {
    EXPECT_EQ(kScheme.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_of(a), key_of(b)) << a << " vs " << b;
  }
}

TEST(GoScheme, KeyBytes) {
  const std::pair<std::string, std::string> keys[] = {
      {"v1",
       "\x01"
       "1\x01"
       "0\x01"
       "0\xFF"},
      {"v1.2.3+incompatible",
       "\x01"
       "1\x01"
       "2\x01"
       "3\xFF"},
      {"v0.0.0-2024.abc", std::string("\x01"
                                      "0\x01"
                                      "0\x01"
                                      "0\x01\x04"
                                      "2024\x02"
                                      "abc\x00",
                                      17)},
      {"v" + std::string(300, '9') + ".0.0", std::string("\xFF\x00\x00\x01\x2C", 5) +
                                                 std::string(300, '9') +
                                                 "\x01"
                                                 "0\x01"
                                                 "0\xFF"},
  };
  for (const auto& [text, key] : keys) EXPECT_EQ(key_of(text), key) << text;
}

std::string random_text(std::mt19937& random) {
  static const char* const kNumbers[] = {"0", "1", "2", "10", "01", "12345678901234567890"};
  static const char* const kIds[] = {"0",
                                     "1",
                                     "2",
                                     "10",
                                     "01",
                                     "a",
                                     "A",
                                     "-",
                                     "rc",
                                     "alpha",
                                     "0a",
                                     "20240110084000",
                                     "0a5e8f1c3b2d",
                                     ""};
  auto pick = [&](const auto& pool) { return std::string(pool[random() % std::size(pool)]); };
  auto ids = [&] {
    std::string out = pick(kIds);
    while (random() % 2 == 0) out += "." + pick(kIds);
    return out;
  };
  std::string text = "v" + pick(kNumbers);
  const int parts = static_cast<int>(random() % 3);
  for (int k = 0; k < parts; ++k) text += "." + pick(kNumbers);
  if (random() % 2 == 0) text += "-" + ids();
  if (random() % 4 == 0) text += "+" + ids();
  return text;
}

TEST(GoScheme, KeysFollowATotalOrderOverRandomTexts) {
  std::mt19937 random(34);
  std::vector<std::string> texts = kAscending;
  int tries = 0;
  while (texts.size() < 400 && ++tries < 100000) {
    const std::string text = random_text(random);
    if (kScheme.valid(text)) texts.push_back(text);
  }
  ASSERT_EQ(texts.size(), 400u);
  expect_total_order(kScheme, texts);
}

}  // namespace
}  // namespace korvel::testing
