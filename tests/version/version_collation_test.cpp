#include "version/text_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
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

// Real versions from four package managers: each against its neighbours in
// byte order, which share long prefixes (0.06 and 0.087, 2.3-1 and
// 2.3.1-1), and against versions drawn at random.
TEST(VersionCollation, OrdersRealVersionsAsTheWholeTextsDo) {
  for (const char* sample :
       {"deb_versions.txt", "rpm_versions.txt", "semver_versions.txt", "pep440_versions.txt"}) {
    std::ifstream in(std::string(KORVEL_VERSION_DATA) + "/" + sample);
    std::vector<std::string> texts;
    for (std::string line; std::getline(in, line);) texts.push_back(line);
    ASSERT_GT(texts.size(), 1000U) << sample;
    std::sort(texts.begin(), texts.end());
    std::mt19937 random(7);
    for (std::size_t i = 0; i + 3 < texts.size(); ++i) {
      for (const std::string& other :
           {texts[i + 1], texts[i + 3], texts[random() % texts.size()]}) {
        ASSERT_EQ(collation_disagreement(texts[i], other), "") << texts[i] << " / " << other;
        ASSERT_EQ(collation_disagreement(other, texts[i]), "") << other << " / " << texts[i];
      }
    }
  }
}

}  // namespace
}  // namespace korvel::testing
