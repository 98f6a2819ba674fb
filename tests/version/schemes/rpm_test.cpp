#include "version/schemes/rpm.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

using bytes = std::vector<unsigned char>;

bytes key_of(const std::string& text) {
  bytes key(RPM_SCHEME.key_bound(text.size()));
  key.resize(RPM_SCHEME.key(text, key.data()));
  return key;
}

int key_order(const std::string& lhs, const std::string& rhs) {
  const bytes a = key_of(lhs);
  const bytes b = key_of(rhs);
  return (a > b) - (a < b);  // memcmp, then length
}

// Ascending, each strictly after the one before (python3-rpm agrees).
const std::vector<std::string> kAscending = {"~",
                                             "~1",
                                             "1~~",
                                             "1~",
                                             "1~rc1",
                                             "1~rc2",
                                             "1",
                                             "1-~",
                                             "1-",
                                             "1-0",
                                             "1-1",
                                             "1-1.fc39",
                                             "1-1.fc40",
                                             "1-2.el9",
                                             "1-10",
                                             "1^",
                                             "1^git1",
                                             "1A",
                                             "1Z",
                                             "1a",
                                             "1z",
                                             "1.0",
                                             "1.0.1",
                                             "1.1",
                                             "1.2",
                                             "1.10",
                                             "2",
                                             "18446744073709551615",
                                             "18446744073709551616",
                                             "99999999999999999999999",
                                             "1:0",
                                             "1:1.2-1",
                                             "2:0.1",
                                             "18446744073709551616:0"};

TEST(RpmScheme, OrdersTheChain) {
  for (std::size_t i = 0; i < kAscending.size(); ++i) {
    for (std::size_t j = 0; j < kAscending.size(); ++j) {
      const int expected = (i > j) - (i < j);
      EXPECT_EQ(sign(RPM_SCHEME.compare(kAscending[i], kAscending[j])), expected)
          << kAscending[i] << " vs " << kAscending[j];
      EXPECT_EQ(key_order(kAscending[i], kAscending[j]), expected)
          << kAscending[i] << " vs " << kAscending[j];
    }
  }
}

TEST(RpmScheme, EquivalentVersionsShareTheirKey) {
  const std::pair<std::string, std::string> kSame[] = {{"1.0", "1_0"},
                                                       {"1..2", "1.2"},
                                                       {"1._2", "1.2"},
                                                       {"01", "1"},
                                                       {"1.", "1"},
                                                       {"0:1", "1"},
                                                       {":1", "1"},
                                                       {"00:1-1", "1-1"},
                                                       {"1a", "1.a"},
                                                       {"a:1", "a.1"},
                                                       {"1\xc3\xa9"
                                                        "2",
                                                        "1.2"},
                                                       {"1\xff", "1"},
                                                       {"1-2-3", "1.2-3"},
                                                       {"1:2:3", "1:2.3"},
                                                       {"0001.0010", "1.10"},
                                                       {"1-", "1-."},
                                                       {"1+git", "1.git"}};
  for (const auto& [a, b] : kSame) {
    EXPECT_EQ(RPM_SCHEME.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_of(a), key_of(b)) << a << " vs " << b;
  }
}

TEST(RpmScheme, AcceptsEveryNonEmptyTextWithoutNul) {
  for (const char* text : {"1", "-", ":", "~", " ", "\xff", "a:b:c-d-e"}) {
    EXPECT_TRUE(valid_of(RPM_SCHEME, text)) << text;
  }
  for (const std::string& text :
       {std::string(), std::string(1, '\0'), std::string("1\0", 2), std::string("\0 1", 3),
        std::string("1:\0", 3), std::string("1-2\0", 4), std::string("1\0-2", 4)}) {
    EXPECT_FALSE(valid_of(RPM_SCHEME, text));
  }
}

TEST(RpmScheme, KeyBytes) {
  const bytes long_number = [] {
    bytes key = {0x05, 0x3f, 0, 0, 0, 0, 0, 0, 0, 58};
    key.insert(key.end(), 29, 0x11);
    key.push_back(0x02);
    return key;
  }();
  const std::pair<std::string, bytes> kKeys[] = {
      {"1", {0x05, 0x06, 0x10, 0x02}},
      {"-", {0x05, 0x02, 0x02}},
      {"1:2.10-1.fc39",
       {0x06, 0x10, 0x06, 0x20, 0x07, 0x10, 0x02, 0x06, 0x10, 0x04, 'f', 'c', 0x07, 0x39, 0x02}},
      {"1.0~rc1^git",
       {0x05, 0x06, 0x10, 0x05, 0x01, 0x04, 'r', 'c', 0x06, 0x10, 0x03, 0x04, 'g', 'i', 't', 0x02}},
      {std::string(58, '1'), long_number}};
  for (const auto& [text, key] : kKeys) EXPECT_EQ(key_of(text), key) << text;
}

std::string random_text(std::mt19937& random) {
  static const char* const kPieces[] = {"0", "00", "1",  "9",   "10", "123456789012345678901",
                                        "a", "Z",  "rc", "~",   "^",  ".",
                                        "_", "-",  ":",  "\xff"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::string text;
  for (int n = std::uniform_int_distribution<int>(1, 6)(random); n > 0; --n) {
    text += kPieces[piece(random)];
  }
  return text;
}

TEST(RpmScheme, KeysOrderAsCompareAndTheOrderIsTotal) {
  std::mt19937 random(7);
  std::vector<std::string> texts = kAscending;
  while (texts.size() < 400) texts.push_back(random_text(random));
  expect_total_order(RPM_SCHEME, texts);
}

TEST(RpmScheme, MillionSegmentTexts) {
  std::string a;
  for (int i = 0; i < 1000000; ++i) a += "1.";
  const std::string b = a + "-0";
  EXPECT_LT(RPM_SCHEME.compare(a, b), 0);
  EXPECT_GT(RPM_SCHEME.compare(a + "1", b), 0);
  const std::string dashes(1000000, '-');
  EXPECT_LT(RPM_SCHEME.compare(dashes, dashes + "1"), 0);
  EXPECT_EQ(key_of(a).size(), 2000000u + 2);
}

}  // namespace
}  // namespace korvel::testing
