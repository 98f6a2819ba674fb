#include "version/schemes/maven.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

const version_scheme& kScheme = MAVEN_SCHEME;

std::string key_of(const std::string& text) {
  return korvel::testing::key_of(kScheme, text);
}

TEST(MavenScheme, EveryTextButTheEmptyOneAndNulsIsAVersion) {
  for (const char* text : {"1", "x", "-", ".", "1.0-SNAPSHOT", " ", "\xC3\xA9", "\xFF"})
    EXPECT_TRUE(valid_of(kScheme, text)) << text;
  for (const std::string& text : {std::string(), std::string("\0", 1), std::string("1\0", 2)})
    EXPECT_FALSE(valid_of(kScheme, text));
}

// Ascending, each strictly above the one before: ComparableVersion 3.8.7
// agrees on every pair.
const std::vector<std::string> kAscending = {"0-alpha",
                                             "0",
                                             "0.0.1",
                                             "1-alpha",
                                             "1-alpha1",
                                             "1-alpha2",
                                             "1-a10",
                                             "1.0-beta",
                                             "1-beta-2",
                                             "1-m1",
                                             "1-milestone-2",
                                             "1-rc",
                                             "1-cr2",
                                             "1-rc3",
                                             "1-snapshot",
                                             "1",
                                             "1-sp",
                                             "1-sp1",
                                             "1-abc",
                                             "1-xyz",
                                             "1-1",
                                             "1-2",
                                             "1.1-alpha",
                                             "1.1",
                                             "1.1.1",
                                             "1.2",
                                             "1.10",
                                             "2",
                                             "999999999",
                                             "1000000000",
                                             "999999999999999999",
                                             "1000000000000000000"};

TEST(MavenScheme, OrdersLikeComparableVersion) {
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

// Pairs ComparableVersion calls equal: trailing zeros and release words,
// case, aliases, a word that a digit ends, leading zeros.
TEST(MavenScheme, EquivalentVersionsHaveOneKey) {
  const std::pair<std::string, std::string> pairs[] = {
      {"1", "1.0"},
      {"1", "1.0.0"},
      {"1", "1-ga"},
      {"1", "1.0.RELEASE"},
      {"1", "1.FINAL"},
      {"1", "1-0"},
      {"1.0-alpha-1", "1-A1"},
      {"1-cr1", "1-rc-1"},
      {"1.0.x1", "1.0-x1"},
      {"1.sp", "1-SP"},
      {"1-alpha-1", "1-alpha1"},
      {"1.0000000000001", "1.1"},
      {"1..1", "1.0.1"},
      {"1-b1", "1-beta-1"},
  };
  for (const auto& [a, b] : pairs) {
    EXPECT_EQ(kScheme.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_of(a), key_of(b)) << a << " vs " << b;
  }
}

// Where ComparableVersion is not transitive, the sign of what follows the
// shared items decides: 1.0.alpha.1 < 1 < 1.0-1 (it says 1.0-1 <
// 1.0.alpha.1), and 1-0-alpha < 1 < 1-sp (it says 1-sp < 1-0-alpha).
TEST(MavenScheme, BreaksComparableVersionsCyclesBySign) {
  const std::vector<std::string> ascending = {"1.0.alpha.1", "1", "1.0-1"};
  const std::vector<std::string> too = {"1-0-alpha", "1", "1-sp"};
  for (const auto* list : {&ascending, &too}) {
    for (std::size_t i = 0; i + 1 < list->size(); ++i) {
      EXPECT_LT(kScheme.compare((*list)[i], (*list)[i + 1]), 0) << (*list)[i];
      EXPECT_LT(kScheme.compare((*list)[0], (*list)[2]), 0) << (*list)[0];
    }
  }
  // Ten zeros make a long: above every int, as ComparableVersion has it.
  EXPECT_GT(kScheme.compare("1.0000000000.1", "1.5"), 0);
}

TEST(MavenScheme, KeyBytes) {
  const std::pair<std::string, std::string> keys[] = {
      {"1",
       "\x32\x01"
       "1\x20"},
      {"1.0.0",
       "\x32\x01"
       "1\x20"},
      {"1.0-SNAPSHOT",
       "\x32\x01"
       "1\x11\x10\x05\x20"},
      {"1.0.alpha.1", std::string("\x32\x01"
                                  "1\x12\x00\x10\x01\x32\x01"
                                  "1\x20",
                                  11)},
      {"2-Jre", std::string("\x32\x01"
                            "2\x31\x30\x08jre\x00\x20",
                            11)},
      {"1.0000000000.1", std::string("\x32\x01"
                                     "1\x33\x00\x32\x01"
                                     "1\x20",
                                     9)},
      {"x", std::string("\x30\x08x\x00\x20", 5)},
  };
  for (const auto& [text, key] : keys) EXPECT_EQ(key_of(text), key) << text;
}

// Texts from Maven's own pieces, separators and letter cases mixed.
std::string random_text(std::mt19937& random) {
  static const char* const kPieces[] = {
      "0",          "00",          "1",        "2",  "10",
      "01",         "a",           "b",        "m",  "alpha",
      "Beta",       "rc",          "CR",       "sp", "ga",
      "final",      "RELEASE",     "snapshot", "x",  "jre",
      "1234567890", "00000000000", "_",        "",   "99999999999999999999"};
  std::string text;
  const int pieces = 1 + static_cast<int>(random() % 6);
  for (int k = 0; k < pieces; ++k) {
    if (k != 0 && random() % 3 != 0) text += random() % 2 == 0 ? "." : "-";
    text += kPieces[random() % std::size(kPieces)];
  }
  return text.empty() ? "0" : text;
}

// The order is total over random texts, keys follow it, and keys fit their
// bound.
TEST(MavenScheme, KeysFollowATotalOrderOverRandomTexts) {
  std::mt19937 random(34);
  std::vector<std::string> texts = kAscending;
  while (texts.size() < 400) texts.push_back(random_text(random));
  expect_total_order(kScheme, texts);
}

// The worst cases of the key's length per byte of text.
TEST(MavenScheme, KeysFitTheirBound) {
  for (const std::string& unit :
       std::vector<std::string>{"a.", "a-", "1a", "a1", ".", "-", "1.", "1-", "x1.", "ga1-"}) {
    std::string text;
    for (int k = 0; k < 100; ++k) text += unit;
    for (const std::string& t : {text, text.substr(0, 1), text.substr(0, 2), text.substr(1)})
      key_of(t);  // checks the size against the bound
  }
}

}  // namespace
}  // namespace korvel::testing

namespace korvel::testing {
namespace {

// Dotted numbers, perhaps with a release word after them, take a shortcut in
// the collation and the key; near misses (ten digits, empty parts, other
// words) do not. Both paths must agree.
TEST(MavenScheme, CollationShortcutAgreesWithTheWalk) {
  std::mt19937 random(7);
  const char* const parts[] = {"0",  "00",        "1",         "2",          "10",
                               "09", "999999999", "000000000", "1000000000", "0000000000",
                               "",   "a",         "1-1"};
  const char* const suffixes[] = {"",       "",     "",     ".Final", "-GA",       ".release",
                                  "-final", ".ga1", ".gax", "-",      ".sp",       "-1.Final",
                                  ".",      "..ga", "-.ga", ".ga.1",  ".RELEASE-1"};
  std::vector<std::string> texts;
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    const int count = 1 + static_cast<int>(random() % 5);
    for (int k = 0; k < count; ++k) {
      if (k != 0) text += '.';
      text += parts[random() % (random() % 4 == 0 ? std::size(parts) : 6)];
    }
    texts.push_back(text + suffixes[random() % std::size(suffixes)]);
  }
  version_scheme generic = kScheme;
  generic.collate = nullptr;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    valid_of(kScheme, texts[i]);  // the shortcut's key against the walk's
    for (const std::string& other : {texts[(i + 1) % texts.size()], texts[random() % texts.size()]})
      ASSERT_EQ(scheme_collate(kScheme, texts[i], other), scheme_collate(generic, texts[i], other))
          << texts[i] << " / " << other;
  }
}

}  // namespace
}  // namespace korvel::testing
