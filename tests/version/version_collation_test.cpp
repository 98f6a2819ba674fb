#include "version/text_order.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "default_order_checks.h"
#include "version_test_support.h"

namespace korvel::testing {
namespace {

TEST(VersionCollation, SortsTheFixture) {
  for (std::size_t i = 0; i < kSortedTexts.size(); ++i) {
    for (std::size_t j = 0; j < kSortedTexts.size(); ++j) {
      const int expected = (i > j) - (i < j);
      EXPECT_EQ(version_collation_compare(kSortedTexts[i], kSortedTexts[j]), expected)
          << '"' << kSortedTexts[i] << "\" vs \"" << kSortedTexts[j] << '"';
    }
  }
}

TEST(VersionCollation, ReadsVersionsUpToANulButTellsTheBytesApart) {
  const std::string a(
      "1.10\0"
      "a",
      6);
  const std::string b(
      "1.10\0"
      "b",
      6);
  EXPECT_EQ(version_collation_compare(a, "1.9"), 1);
  EXPECT_EQ(version_collation_compare(a, b), -1);
  EXPECT_EQ(version_collation_compare(b, b), 0);
}

// A collation must be a total order or SQLite's indexes and sorts go wrong.
TEST(VersionCollation, IsATotalOrder) {
  std::mt19937 random(31337);
  std::vector<std::string> texts;
  for (int i = 0; i < 250; ++i) texts.push_back(random_version(random));
  texts.insert(texts.end(), kSortedTexts.begin(), kSortedTexts.end());
  EXPECT_EQ(total_order_violation(texts, version_collation_compare), "");
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      ASSERT_EQ(version_collation_compare(a, b) == 0, a == b) << a << " / " << b;
    }
  }
}

// The collation skips the tokens two texts share; it must order exactly as
// comparing the whole texts would. Pairs share a random prefix, so that the
// first difference falls anywhere: mid-token, after a separator, at a NUL.
TEST(VersionCollation, OrdersAsTheWholeTextsDo) {
  // Equal first numbers, then words that differ past sixteen bytes, where
  // the bytes order the other way.
  for (const auto& [a, b] : {std::pair{"1y.abcdefghijklmnopq1", "1x.abcdefghijklmnopq2"},
                             {"1y.abcdefghijklmnop", "1x.abcdefghijklmnopq"}}) {
    ASSERT_EQ(collation_disagreement(a, b), "") << a << " / " << b;
    ASSERT_EQ(collation_disagreement(b, a), "") << b << " / " << a;
  }
  std::mt19937 random(4242);
  for (int i = 0; i < 200000; ++i) {
    const std::string prefix = random_version(random);
    std::string a = prefix.substr(0, random() % (prefix.size() + 1)) + random_version(random);
    std::string b = prefix + random_version(random);
    if (i % 50 == 0) a.insert(random() % (a.size() + 1), 1, '\0');
    ASSERT_EQ(collation_disagreement(a, b), "") << a << " / " << b;
    ASSERT_EQ(collation_disagreement(b, a), "") << b << " / " << a;
  }
}

}  // namespace
}  // namespace korvel::testing
