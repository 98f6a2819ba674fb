#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "scheme_test_support.h"
#include "version/schemes/deb.h"
#include "version/scheme.h"

namespace korvel::testing {
namespace {

using namespace std::string_literals;

int order_of(const std::string& a, const std::string& b) {
  return sign(DEB_SCHEME.compare(a, b));
}

std::string key_of(const std::string& text) {
  return testing::key_of(DEB_SCHEME, text);
}

// memcmp, then length: std::string's own order.
int key_order(const std::string& a, const std::string& b) {
  return sign(key_of(a).compare(key_of(b)));
}

struct order_case {
  const char* lower;
  const char* higher;
  bool equal = false;
};

// Results checked with the package tools' own comparison.
const order_case kOrderCases[] = {
    {"1.0~rc1", "1.0"},  // '~' before the end of a part
    {"1.0~~", "1.0~~a"},
    {"1.0~~a", "1.0~"},
    {"1.0~", "1.0"},
    {"1.0", "1.0a"},
    {"1.0a", "1.0+"},  // letters before other bytes
    {"1.0Z", "1.0a"},
    {"1.0", "1.0.0"},
    {"1.9", "1.10"},
    {"2.0", "1:0.1"},
    {"1.0", "1.00", true},
    {"1.0", "1.0-0", true},  // a missing revision compares as "0"
    {"1.0", "0:1.0", true},
    {"0:1.0", "00:1.0", true},
    {"1.0-~", "1.0"},
    {"1.0-1", "1.0-1+b1"},
    {"1.0-1~bpo1", "1.0-1"},
    {"1a", "1a0", true},
    {"18446744073709551615", "18446744073709551616"},  // past 64 bits
    {"0018446744073709551616", "18446744073709551616", true},
    {"99999999999999999999999", "100000000000000000000000"},
    {"1:1", "+1:1"},  // the package tools read a sign as a byte
    {"1", "-0:1"},
    {"1.0", " 1.0"},  // and blanks dpkg trims as bytes too
    {"1.0", "1.0 "},
    {"0:1:2", "1:2"},
    {"1:2-3", "1:2-3-4"},
};

TEST(DebCompare, OrdersTheTable) {
  for (const order_case& c : kOrderCases) {
    const int expected = c.equal ? 0 : -1;
    EXPECT_TRUE(DEB_SCHEME.valid(c.lower) && DEB_SCHEME.valid(c.higher)) << c.lower;
    EXPECT_EQ(order_of(c.lower, c.higher), expected) << c.lower << " / " << c.higher;
    EXPECT_EQ(order_of(c.higher, c.lower), -expected) << c.higher << " / " << c.lower;
    EXPECT_EQ(key_order(c.lower, c.higher), expected) << c.lower << " / " << c.higher;
  }
}

struct validity_case {
  std::string text;
  bool valid;
};

// What `dpkg --validate-version` accepts.
const validity_case kValidityCases[] = {
    {"1.0", true},          {" 1.0\t", true},        {"", false},
    {" ", false},           {"1 0", false},          {"a1", false},
    {"1a", true},           {"1-", false},           {"-1", false},
    {"1--1", true},         {"1:", false},           {":1", false},
    {"a:1", false},         {"1:a", false},          {"1:2:3", true},
    {"1:2-3:4", false},     {"1-2:3", false},        {"1.0:", false},
    {"0:1", true},          {"00:1", true},          {"+1:1", true},
    {"-0:1", true},         {"-1:1", false},         {"--0:1", false},
    {"2147483647:1", true}, {"2147483648:1", false}, {"0002147483647:1", true},
    {"\n1:1", true},        {"\n1", false},          {"\n 1:1", false},
    {"1\n", false},         {"1_2", false},          {"1-1_2", false},
    {"1-a.b+c~", true},     {"1-~", true},           {"1\0"s, false},
    {"\0001"s, false},      {"1\xe9", false},        {"1:1-", false},
};

TEST(DebValid, FollowsDpkg) {
  for (const validity_case& c : kValidityCases) {
    EXPECT_EQ(valid_of(DEB_SCHEME, c.text), c.valid) << '"' << c.text << '"';
  }
}

TEST(DebKey, PinsTheEncoding) {
  const struct {
    const char* text;
    std::string key;
  } cases[] = {
      {"1.2.3",
       "\x03\x02\x04"
       "1\xae\x04"
       "2\xae\x04"
       "3\x02\x03\x02"},
      {"1:2.0~rc1-3",
       "\x04"
       "1\x02\x04"
       "2\xae\x03\x01rc\x04"
       "1\x02\x04"
       "3\x02"},
      {"0:1.0-0",
       "\x03\x02\x04"
       "1\xae\x03\x02\x03\x02"},
      {"2.36-9+deb12u1",
       "\x03\x02\x04"
       "2\xae\x05"
       "36\x02\x04"
       "9\xab"
       "deb\x05"
       "12u\x04"
       "1\x02"},
      {"1.",
       "\x03\x02\x04"
       "1\xae\x03\x02\x03\x02"},
  };
  for (const auto& c : cases) EXPECT_EQ(key_of(c.text), c.key) << c.text;
  // A number of 60 significant digits or more: 0x3F and its length in 8 bytes.
  const std::string digits(70, '7');
  EXPECT_EQ(key_of(digits),
            "\x03\x02\x3f"s + std::string(7, '\0') + "\x46" + digits + "\x02\x03\x02");
}

std::string random_text(std::mt19937& rng) {
  static const char* const pieces[] = {"0",
                                       "1",
                                       "9",
                                       "00",
                                       "10",
                                       "a",
                                       "Z",
                                       "~",
                                       "~~",
                                       ".",
                                       "+",
                                       "-",
                                       ":",
                                       " ",
                                       "\n",
                                       "rc",
                                       "18446744073709551616"};
  std::string text;
  const auto count = 1 + rng() % 7;
  for (unsigned i = 0; i < count; ++i) text += pieces[rng() % std::size(pieces)];
  return text;
}

TEST(DebProperties, KeysCollationAndOrderAgreeOverRandomTexts) {
  std::mt19937 rng(7);
  std::vector<std::string> texts;
  while (texts.size() < 300) {
    std::string text = random_text(rng);
    if (DEB_SCHEME.valid(text)) texts.push_back(text);
  }
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      const int order = order_of(a, b);
      ASSERT_EQ(order, -order_of(b, a)) << a << " / " << b;
      ASSERT_EQ(order, key_order(a, b)) << a << " / " << b;
      ASSERT_EQ(scheme_collate(DEB_SCHEME, a, b) == 0, a == b) << a << " / " << b;
    }
  }
  texts.resize(60);
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      for (const std::string& c : texts) {
        if (order_of(a, b) <= 0 && order_of(b, c) <= 0) {
          ASSERT_LE(order_of(a, c), 0) << a << " / " << b << " / " << c;
        }
      }
    }
  }
}

TEST(DebProperties, InvalidTextsCollateFirst) {
  EXPECT_EQ(scheme_collate(DEB_SCHEME, "a", "0"), -1);
  EXPECT_EQ(scheme_collate(DEB_SCHEME, "1.0", "1.00"), -1);  // equal versions by bytes
  EXPECT_EQ(scheme_collate(DEB_SCHEME, "1.00", "1.0"), 1);
}

// Pieces of texts that part anywhere: in an epoch (signed, too large), in
// digit runs, around '~', at the last '-', in trimmed blanks, at a NUL.
std::string sharing_text(std::mt19937& rng) {
  static const std::string heads[] = {"1", "00", "1:", "-0:", " 2", "\n1:", "2147483648:", "a"};
  static const std::string pieces[] = {"0",  "1", "9", "00", "a",  "Z",  "~", "~~", ".",  "+",  "-",
                                       "-1", ":", "1", "2",  "10", "rc", " ", "\t", "\n", "\0"s};
  std::string text = heads[rng() % std::size(heads)];
  const auto count = rng() % 8;
  for (unsigned i = 0; i < count; ++i) text += pieces[rng() % std::size(pieces)];
  return text;
}

// The collation reads the bytes two texts share once and starts comparing
// where they part: it must give what valid() and compare() give.
TEST(DebCollate, AgreesWithTheGenericPathWhereTextsPart) {
  version_scheme generic = DEB_SCHEME;
  generic.collate = nullptr;
  std::mt19937 rng(11);
  int both_valid = 0;
  for (int i = 0; i < 300000; ++i) {
    const std::string a = sharing_text(rng);
    std::string b = a.substr(0, rng() % (a.size() + 1));
    if (rng() % 4 != 0) b += sharing_text(rng);
    both_valid += DEB_SCHEME.valid(a) && DEB_SCHEME.valid(b);
    ASSERT_EQ(scheme_collate(DEB_SCHEME, a, b), scheme_collate(generic, a, b)) << a << " / " << b;
    ASSERT_EQ(scheme_collate(DEB_SCHEME, b, a), scheme_collate(generic, b, a)) << b << " / " << a;
  }
  EXPECT_GT(both_valid, 20000);  // the order itself, not only validity, was compared
}

TEST(DebLongTexts, AMillionPartsInOnePass) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "1.";
  text += "2";
  std::string higher = text;
  higher.back() = '3';
  ASSERT_TRUE(DEB_SCHEME.valid(text));
  EXPECT_EQ(order_of(text, higher), -1);
  EXPECT_EQ(key_order(text, higher), -1);
  const std::string digits(10000000, '9');
  ASSERT_TRUE(DEB_SCHEME.valid(digits));
  EXPECT_EQ(order_of(digits, "1" + digits), -1);
}

}  // namespace
}  // namespace korvel::testing
