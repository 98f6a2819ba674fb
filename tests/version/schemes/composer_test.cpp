#include "version/schemes/composer.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

// Ascending, each strictly after the one before (Comparator agrees; two
// branches by their names' bytes).
const std::vector<std::string> kAscending = {
    "dev-A",      "dev-a",       "dev-main",      "master",  "0",        "0.0.0.1",
    "1.0-STABLE", "1.0-dev",     "1.0-alpha-dev", "1.0-a1",  "1.0-beta", "1.0-beta1-dev",
    "1.0-b1",     "1.0-beta1.1", "1.0-beta2",     "1.0-RC1", "1.0",      "1.0-patch",
    "1.0-p1",     "1.0.1",       "1.0.x-dev",     "1.1",     "1.x-dev",  "2",
    "10",         "2024-01-01",  "2024.01.01",    "12345",   "123456",   "20240101"};

TEST(ComposerScheme, OrdersTheChain) {
  for (std::size_t i = 0; i < kAscending.size(); ++i) {
    for (std::size_t j = 0; j < kAscending.size(); ++j) {
      const int expected = (i > j) - (i < j);
      EXPECT_EQ(sign(COMPOSER_SCHEME.compare(kAscending[i], kAscending[j])), expected)
          << kAscending[i] << " vs " << kAscending[j];
      EXPECT_EQ(key_order(COMPOSER_SCHEME, kAscending[i], kAscending[j]), expected)
          << kAscending[i] << " vs " << kAscending[j];
    }
  }
}

TEST(ComposerScheme, EquivalentVersionsShareTheirKey) {
  const std::pair<std::string, std::string> kSame[] = {
      {"1.0", "v1.0.0.0"},
      {"1.0", "1.0-stable"},
      {"1.0", "1.0+build"},
      {"1.0", " 1.0@beta"},
      {"1.0", "1.0 as 2.0"},
      {"1.9223372036854775807", "1.99999999999999999999"},
      {"1.0-a1", "1.0-alpha1"},
      {"1.0-pl1", "1.0-patch1"},
      {"master", "dev-master"},
      {"dev-main", "DEV-main"},
      {"1.0-beta.1", "1.0-beta1"},
      {"1.0-beta-1-2", "1.0-b1.2"},
      {"01.02", "1.2"},
      {"1.*-dev", "1.x.x.x-dev"},
      {"1.0\n@dev", "1.0"},
      {"x\n1.2-dev", "1.2.x-dev"}};
  for (const auto& [a, b] : kSame) {
    EXPECT_EQ(COMPOSER_SCHEME.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_of(COMPOSER_SCHEME, a), key_of(COMPOSER_SCHEME, b)) << a << " vs " << b;
  }
}

TEST(ComposerScheme, AcceptsWhatNormalizeAccepts) {
  for (const char* text :
       {"1", "v1.2.3.4", "1.0-rc", "1.0RC1", "1.0.0-pl", "2024-01-01-12-30", "dev-",
        "dev-any thing", "trunk", "1.x-dev", "1.0 -dev", " 1.0\x0b", "1.0+a\n@dev", "123456.1"}) {
    EXPECT_TRUE(valid_of(COMPOSER_SCHEME, text)) << text;
  }
  for (const std::string& text :
       {std::string(), std::string("main"), std::string("foo-dev"), std::string("1.0-beta1.-dev"),
        std::string("1.0.0.0.0"), std::string("vv1"), std::string("1.0 AS 2.0"),
        std::string("1.0@dev@dev"), std::string("1.0+"), std::string("a\nb-dev"),
        std::string("\x0c"
                    "1.0"),
        std::string("1.0-beta1.-2"), std::string("1.0\0", 4)}) {
    EXPECT_FALSE(valid_of(COMPOSER_SCHEME, text)) << text;
  }
}

TEST(ComposerScheme, KeyBytes) {
  using bytes = std::string;
  const std::pair<std::string, bytes> kKeys[] = {
      {"dev-main", bytes("\x01main")},
      {"1.10", bytes("\x09\x10\x0a\x10\x08\x08\x07")},
      {"1.0-RC2-dev", bytes("\x09\x10\x08\x08\x08\x06\x09\x20\x03\x07")},
      {"1.0-STABLE", bytes("\x09\x10\x08\x08\x08\x02\x07")},
      {"1.0-alpha-dev", bytes("\x09\x10\x08\x08\x08\x04\x03\x07")},
      {"1.0-beta", bytes("\x09\x10\x08\x08\x08\x05\x07")},
      {"1-p3", bytes("\x09\x10\x08\x08\x08\x1c\x09\x30\x07")},
      {"1.99999999999999999999",
       bytes("\x09\x10\x1b\x92\x23\x37\x20\x36\x85\x47\x75\x80\x70\x08\x08\x07")}};
  for (const auto& [text, key] : kKeys) EXPECT_EQ(key_of(COMPOSER_SCHEME, text), key) << text;
}

std::string random_text(std::mt19937& random) {
  static const char* const kPieces[] = {".0",
                                        ".1",
                                        ".10",
                                        "-dev",
                                        "-a1",
                                        "-beta",
                                        "-RC2",
                                        "-p",
                                        ".x-dev",
                                        "-STABLE",
                                        ".99999999999999999999",
                                        "-beta.2"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  if (random() % 8 == 0) return "dev-" + std::to_string(random() % 50);
  std::string text = std::to_string(random() % 3);
  for (int n = std::uniform_int_distribution<int>(0, 3)(random); n > 0; --n) {
    text += kPieces[piece(random)];
  }
  return text;
}

TEST(ComposerScheme, KeysOrderAsCompareAndTheOrderIsTotal) {
  std::mt19937 random(7);
  std::vector<std::string> texts = kAscending;
  while (texts.size() < 400) {
    std::string text = random_text(random);
    if (COMPOSER_SCHEME.valid(text)) texts.push_back(text);
  }
  expect_total_order(COMPOSER_SCHEME, texts);
}

}  // namespace
}  // namespace korvel::testing
