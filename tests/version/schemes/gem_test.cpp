#include "version/schemes/gem.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

// Ascending, each strictly after the one before (Gem::Version#<=> agrees).
const std::vector<std::string> kAscending = {"0.a",
                                             "0.1.a",
                                             "0.1",
                                             "1.0.B",
                                             "1.0.0.a",
                                             "1.0.0.b1",
                                             "1.0.0.b1.1",
                                             "1.0.b2",
                                             "1.0-rc.1",
                                             "1.0-1",
                                             "1.0.rc1",
                                             "1.0",
                                             "1.0.0.0.1.a",
                                             "1.0.0.0.1",
                                             "1.0.1",
                                             "1.1.a",
                                             "1.1",
                                             "1.10",
                                             "2",
                                             "18446744073709551616",
                                             "99999999999999999999999"};

TEST(GemScheme, OrdersTheChain) {
  for (std::size_t i = 0; i < kAscending.size(); ++i) {
    for (std::size_t j = 0; j < kAscending.size(); ++j) {
      const int expected = (i > j) - (i < j);
      EXPECT_EQ(sign(GEM_SCHEME.compare(kAscending[i], kAscending[j])), expected)
          << kAscending[i] << " vs " << kAscending[j];
      EXPECT_EQ(key_order(GEM_SCHEME, kAscending[i], kAscending[j]), expected)
          << kAscending[i] << " vs " << kAscending[j];
    }
  }
}

TEST(GemScheme, EquivalentVersionsShareTheirKey) {
  const std::pair<std::string, std::string> kSame[] = {
      {"1.0", "1"},       {"1.0.0", "01"},          {"", "0"},
      {" \t", "0.0"},     {" 1.0\n", "1"},          {"1.0.a", "1.a"},
      {"1.a.0", "1.a"},   {"1.0.0.a.0.0", "1.a"},   {"1.0a1", "1.a.1"},
      {"1-1", "1.pre.1"}, {"1.0-1", "1.0.pre1"},    {"1-a-b", "1.pre.a.pre.b"},
      {"0.a", "0.0.a"},   {"1.0-rc1", "1.pre.rc.1"}};
  for (const auto& [a, b] : kSame) {
    EXPECT_EQ(GEM_SCHEME.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_of(GEM_SCHEME, a), key_of(GEM_SCHEME, b)) << a << " vs " << b;
  }
}

TEST(GemScheme, AcceptsWhatCorrectAccepts) {
  for (const char* text : {"", " ", "1", "1.a", "1.0a", "1-1", "1--", "1-a.b-c", " \v1.0\f\r\n",
                           "01.0.9a", "1.0-.1"}) {
    const bool expected = std::string(text) != "1.0-.1";
    EXPECT_EQ(valid_of(GEM_SCHEME, text), expected) << text;
  }
  for (const std::string& text :
       {std::string("a"), std::string("1a"), std::string("1."), std::string(".1"),
        std::string("1..2"), std::string("1-"), std::string("1 .0"), std::string("v1"),
        std::string("1_0"), std::string("1.0+1"), std::string("1\0", 2),
        std::string("1.\xc3\xa9")}) {
    EXPECT_FALSE(valid_of(GEM_SCHEME, text)) << text;
  }
}

TEST(GemScheme, KeyBytes) {
  using bytes = std::string;
  const std::pair<std::string, bytes> kKeys[] = {{"", bytes("\x03")},
                                                 {"1.0", bytes("\x05\x10\x03")},
                                                 {"1.0.b12", bytes("\x05\x10\x01"
                                                                   "b"
                                                                   "\x00"
                                                                   "\x06\x12\x03",
                                                                   8)},
                                                 {"1.0-1", bytes("\x05\x10\x01"
                                                                 "pre"
                                                                 "\x00"
                                                                 "\x05\x10\x03",
                                                                 10)},
                                                 {"1.a.0.1", bytes("\x05\x10\x01"
                                                                   "a"
                                                                   "\x00"
                                                                   "\x04\x05\x10\x03",
                                                                   9)},
                                                 {"1.a.0.b", bytes("\x05\x10\x01"
                                                                   "a"
                                                                   "\x00"
                                                                   "\x02\x01"
                                                                   "b"
                                                                   "\x00\x03",
                                                                   10)},
                                                 {std::string(251, '1'), [] {
                                                    bytes key(
                                                        "\xff\x00\x00\x00\x00\x00\x00\x00\xfb", 9);
                                                    key.append(125, '\x11');
                                                    key += '\x10';
                                                    key += '\x03';
                                                    return key;
                                                  }()}};
  for (const auto& [text, key] : kKeys) EXPECT_EQ(key_of(GEM_SCHEME, text), key) << text;
}

std::string random_text(std::mt19937& random) {
  static const char* const kPieces[] = {"0", "00", "1",   "9", "10", "123456789012345678901",
                                        "a", "Z",  "pre", "b"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::string text = std::to_string(random() % 3);
  for (int n = std::uniform_int_distribution<int>(0, 6)(random); n > 0; --n) {
    text += random() % 5 == 0 ? "-" : ".";
    text += kPieces[piece(random)];
  }
  // White space at either end, where the collation's shared bytes may stop.
  if (random() % 6 == 0) text = " " + text;
  if (random() % 6 == 0) text += random() % 2 == 0 ? "\n" : " \t";
  return text;
}

TEST(GemScheme, KeysOrderAsCompareAndTheOrderIsTotal) {
  std::mt19937 random(7);
  std::vector<std::string> texts = kAscending;
  while (texts.size() < 400) texts.push_back(random_text(random));
  expect_total_order(GEM_SCHEME, texts);
}

}  // namespace
}  // namespace korvel::testing
