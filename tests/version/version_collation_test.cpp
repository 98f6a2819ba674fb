#include "version/version_collation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

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
  const std::size_t n = texts.size();
  std::vector<int> order(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j)
      order[i * n + j] = version_collation_compare(texts[i], texts[j]);
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      ASSERT_EQ(order[i * n + j], -order[j * n + i]) << texts[i] << " / " << texts[j];
      ASSERT_EQ(order[i * n + j] == 0, texts[i] == texts[j]) << texts[i] << " / " << texts[j];
      for (std::size_t k = 0; k < n; ++k) {
        if (order[i * n + j] < 0 && order[j * n + k] < 0) {
          ASSERT_LT(order[i * n + k], 0) << texts[i] << " < " << texts[j] << " < " << texts[k];
        }
      }
    }
  }
}

}  // namespace
}  // namespace korvel::testing
