#include "version/schemes/semver.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

const version_scheme& kScheme = SEMVER_SCHEME;

std::string key_of(const std::string& text) {
  return korvel::testing::key_of(kScheme, text);
}

int key_order(const std::string& lhs, const std::string& rhs) {
  return korvel::testing::key_order(kScheme, lhs, rhs);
}

struct validity_case {
  std::string text;
  bool valid;
};

const std::string kSpaces =
    "\t\n\v\f\r \xC2\xA0\xE1\x9A\x80\xE2\x80\x80\xE2\x80\x8A\xE2\x80\xA8"
    "\xE2\x80\xA9\xE2\x80\xAF\xE2\x81\x9F\xE3\x80\x80\xEF\xBB\xBF";

TEST(SemverScheme, AcceptsWhatNpmAccepts) {
  const std::string at_limit = "1.2.3-" + std::string(250, 'a');  // 256 units
  const validity_case cases[] = {
      {"1.2.3", true},
      {"0.0.0", true},
      {"v1.2.3", true},
      {"1.0.0-alpha.1+exp.sha.5114f85", true},
      {"1.0.0-0.3.7", true},
      {"1.0.0-x.7.z.92", true},
      {"1.0.0-x-y-z.--", true},
      {"1.0.0+21AF26D3----117B344092BD", true},
      {"1.2.3-00a.0a", true},
      {"1.2.3+001.00", true},
      {"9007199254740991.9007199254740991.9007199254740991", true},
      {"1.2.3-" + std::string(240, '9'), true},
      {kSpaces + "v1.2.3-rc.1" + kSpaces, true},
      {at_limit, true},
      {"\xE3\x80\x80" + at_limit.substr(0, 255), true},  // 3 bytes, one unit
      {"", false},
      {"1.2", false},
      {"1.2.3.4", false},
      {"V1.2.3", false},
      {"=1.2.3", false},
      {"=v1.2.3", false},
      {"v 1.2.3", false},
      {"vv1.2.3", false},
      {"01.2.3", false},
      {"1.02.3", false},
      {"1.2.03", false},
      {"1.2.3-01", false},
      {"1.2.3-a.00", false},
      {"1.2.3-", false},
      {"1.2.3+", false},
      {"1.2.3-a..b", false},
      {"1.2.3-a.", false},
      {"1.2.3+a+b", false},
      {"1.2.3-a_b", false},
      {"1.2.3 -a", false},
      {"9007199254740992.0.0", false},
      {"0.0.18446744073709551616", false},
      {" " + at_limit, false},  // the limit counts white space before trimming
      {at_limit + "a", false},
      {std::string("1.2.3\0", 6), false},
      {std::string("\0"
                   "1.2.3",
                   6),
       false},
      {"1.2.3-\xC3\xA9", false},
      {"\xC2\x85"
       "1.2.3",
       false},  // U+0085: not trimmed
      {"\xE1\xA0\x8E"
       "1.2.3",
       false},  // U+180E: not trimmed
      {"\xE2\x80\x8B"
       "1.2.3",
       false},  // U+200B: not trimmed
      {"\xC2"
       "1.2.3",
       false},                   // a lead byte alone
      {"1.2.3\xEF\xBB", false},  // a cut-off byte order mark
      {"\xC0\xA0"
       "1.2.3",
       false},  // an overlong space
      {std::string(10'000'000, ' ') + "1.2.3", false},
  };
  for (const validity_case& c : cases) EXPECT_EQ(valid_of(kScheme, c.text), c.valid) << c.text;
}

// Ascending, each strictly above the one before.
const std::vector<std::string> kAscending = {
    "0.0.0-0",
    "0.0.0-9007199254740991",
    "0.0.0-9007199254740992",
    "0.0.0-9007199254740994",  // the next double
    "0.0.0-18446744073709551616",
    "0.0.0-1000000000000000000000000000000",
    "0.0.0--",
    "0.0.0-0a",
    "0.0.0-A",
    "0.0.0-a",
    "0.0.0-a.0",
    "0.0.0-a.a",
    "0.0.0-a-",
    "0.0.0-aa",
    "0.0.0",
    "0.0.1",
    "0.1.0",
    "0.10.0",
    "1.0.0-alpha",
    "1.0.0-alpha.1",
    "1.0.0-alpha.beta",
    "1.0.0-beta",
    "1.0.0-beta.2",
    "1.0.0-beta.11",
    "1.0.0-rc.1",
    "1.0.0",
    "2.0.0",
    "2.1.0",
    "2.1.1",
    "9007199254740991.0.0",
};

TEST(SemverScheme, OrdersLikeThePrecedenceRules) {
  for (std::size_t i = 0; i < kAscending.size(); ++i) {
    for (std::size_t j = 0; j < kAscending.size(); ++j) {
      const int expected = (i > j) - (i < j);
      const std::string& a = kAscending[i];
      const std::string& b = kAscending[j];
      EXPECT_EQ(sign(kScheme.compare(a, b)), expected) << a << " vs " << b;
      EXPECT_EQ(key_order(a, b), expected) << a << " vs " << b;
    }
  }
}

TEST(SemverScheme, EquivalentVersionsHaveOneKey) {
  const std::pair<std::string, std::string> pairs[] = {
      {"1.0.0+a", "1.0.0+b"},
      {"1.0.0-rc.1+x", "1.0.0-rc.1"},
      {"v1.2.3", " 1.2.3\n"},
      {"\xEF\xBB\xBF"
       "1.2.3",
       "1.2.3\xE3\x80\x80"},
      // Past 2^53 the package compares through doubles: 2^53 + 1 is a tie
      // that rounds to even, down to 2^53.
      {"1.0.0-9007199254740992", "1.0.0-9007199254740993"},
      {"1.0.0-9999999999999999", "1.0.0-10000000000000001"},
      {"1.0.0-" + std::string(250, '9'), "1.0.0-" + std::string(249, '9') + "8"},
  };
  for (const auto& [a, b] : pairs) {
    EXPECT_EQ(kScheme.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_of(a), key_of(b)) << a << " vs " << b;
  }
}

// The package calls these equal: it stops at the first identifiers that are
// equal as doubles but not as text. Read on, as here, the order stays
// transitive.
TEST(SemverScheme, ReadsOnPastIdentifiersEqualOnlyAsDoubles) {
  EXPECT_LT(kScheme.compare("1.0.0-9007199254740993.1", "1.0.0-9007199254740992.2"), 0);
  EXPECT_LT(kScheme.compare("1.0.0-9007199254740993", "1.0.0-9007199254740992.0"), 0);
}

TEST(SemverScheme, KeyBytes) {
  const std::pair<std::string, std::string> keys[] = {
      {"0.0.0", std::string("\x00\x00\x00\xFF", 4)},
      {"1.2.3", "\x01\x01\x01\x02\x01\x03\xFF"},
      {" v1.2.3+build.7 ", "\x01\x01\x01\x02\x01\x03\xFF"},
      {"256.0.0-0", std::string("\x02\x01\x00\x00\x00\x00", 6)},
      {"1.0.0-rc.1", std::string("\x01\x01\x00\x00\x7F"
                                 "rc\x00\x01\x01",
                                 10)},
      {"1.0.0-9007199254740993",
       std::string("\x01\x01\x00\x00\x07\x20\x00\x00\x00\x00\x00\x00", 12)},
      {"1.0.0-18446744073709551617",
       std::string("\x01\x01\x00\x00\x09\x01\x00\x00\x00\x00\x00\x00\x00\x00", 14)},
  };
  for (const auto& [text, key] : keys) EXPECT_EQ(key_of(text), key) << text;
}

// Texts from the scheme's own pieces, most of them valid.
std::string random_text(std::mt19937& random) {
  static const char* const kCore[] = {"0", "1", "2", "10", "01", "9007199254740991"};
  static const char* const kIds[] = {"0",
                                     "1",
                                     "2",
                                     "10",
                                     "00",
                                     "a",
                                     "b",
                                     "A",
                                     "-",
                                     "a-1",
                                     "alpha",
                                     "1a",
                                     "9007199254740992",
                                     "9007199254740993",
                                     "18446744073709551616",
                                     "",
                                     "_"};
  static const char* const kEdges[] = {"", "", "", "v", " ", "\xC2\xA0", "V", "\xE3\x80\x80"};
  auto pick = [&](const auto& pool) {
    return std::string(
        pool[std::uniform_int_distribution<std::size_t>(0, std::size(pool) - 1)(random)]);
  };
  auto ids = [&] {
    std::string out = pick(kIds);
    while (random() % 2 == 0) out += "." + pick(kIds);
    return out;
  };
  std::string text = pick(kEdges) + pick(kCore) + "." + pick(kCore) + "." + pick(kCore);
  if (random() % 3 != 0) text += "-" + ids();
  if (random() % 4 == 0) text += "+" + ids();
  return text + pick(kEdges);
}

TEST(SemverScheme, KeysFollowATotalOrderOverRandomTexts) {
  std::mt19937 random(20261209);
  std::vector<std::string> texts = kAscending;
  while (texts.size() < 400) {
    const std::string text = random_text(random);
    if (kScheme.valid(text)) texts.push_back(text);
  }
  expect_total_order(kScheme, texts);
}

// Near misses of the usual shape, valid or not, each against the texts that
// share the most bytes with it, as a sort meets them, and against others.
TEST(SemverScheme, CollationAgreesWithValidAndCompare) {
  std::mt19937 random(11);
  const char* const numbers[] = {"0", "1", "2", "10", "123"};
  const char* const ids[] = {"alpha", "beta", "rc", "0", "1", "11", "dev", "x-y", "20250411"};
  const std::string bytes = "09.-+azAZv `{/:@\x80";
  auto any = [&](const auto& pool) { return std::string(pool[random() % std::size(pool)]); };
  std::vector<std::string> texts;
  for (int i = 0; i < 5000; ++i) {
    std::string text = any(numbers) + "." + any(numbers) + "." + any(numbers);
    for (int more = random() % 4; more-- > 0;) text += (more % 2 == 0 ? "-" : ".") + any(ids);
    for (int edits = random() % 3; edits-- > 0;) {
      const std::size_t at = random() % (text.size() + 1);
      if (random() % 2 == 0 && at < text.size())
        text.erase(at, 1);
      else
        text.insert(at, 1, bytes[random() % bytes.size()]);
    }
    texts.push_back(text);
  }
  std::sort(texts.begin(), texts.end());
  version_scheme generic = kScheme;
  generic.collate = nullptr;
  int valid = 0;
  for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
    valid += kScheme.valid(texts[i]);
    for (const std::string& other : {texts[i + 1], texts[random() % texts.size()]}) {
      ASSERT_EQ(scheme_collate(kScheme, texts[i], other), scheme_collate(generic, texts[i], other))
          << texts[i] << " / " << other;
      ASSERT_EQ(scheme_collate(kScheme, other, texts[i]), scheme_collate(generic, other, texts[i]))
          << other << " / " << texts[i];
    }
  }
  EXPECT_GT(valid, 1000);
}

// Texts of up to 64 bytes are read twice over: at a glance and, with white
// space around them, byte by byte. Both readings must agree.
TEST(SemverScheme, QuickAndFullReadingsAgree) {
  std::mt19937 random(7);
  const std::string alphabet = "0123456789..--++vaZ";
  int valid = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string text = i % 2 == 0 ? random_text(random) : "";
    const std::size_t extra = random() % 12;
    for (std::size_t k = 0; k < extra; ++k) text += alphabet[random() % alphabet.size()];
    if (text.empty() || text.size() > 64 || text.find_first_of(" \xC2\xE3") != std::string::npos) {
      continue;
    }
    valid += kScheme.valid(text);
    ASSERT_EQ(kScheme.valid(text), kScheme.valid(" " + text)) << text;
  }
  EXPECT_GT(valid, 1000);
}

}  // namespace
}  // namespace korvel::testing
