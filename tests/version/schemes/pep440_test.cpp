#include "version/schemes/pep440.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

std::string key_of(const std::string& text) {
  return korvel::testing::key_of(PEP440_SCHEME, text);
}

int key_order(const std::string& lhs, const std::string& rhs) {
  return korvel::testing::key_order(PEP440_SCHEME, lhs, rhs);
}

struct validity_case {
  const char* text;
  bool valid;
};

const validity_case kValidity[] = {
    {"1.0", true},
    {"v1.0", true},
    {"V1!2.0", true},
    {" \t1.0\n", true},
    {"\u30001.0\u00a0", true},
    {"\u00851\u2029", true},
    {"1.0a", true},
    {"1.0a.", true},
    {"1.0.post.", true},
    {"1.0.post-1", true},
    {"1.0a..post", true},
    {"1.0a--1", true},
    {"1.0a.-1", true},
    {"1.a", true},
    {"1.0-1", true},
    {"1.0_dev_2", true},
    {"1.0+a.B-c_1", true},
    {"1.0pO\u017ft1", true},
    {"1.0prev\u0131ew", true},
    {"1.0+\u212a\u0130", true},
    {"00", true},
    {"1.0rc1.post2.dev3+x", true},
    {"", false},
    {" ", false},
    {"v", false},
    {"1.", false},
    {"1..0", false},
    {"1.0_1", false},
    {"1.0--1", false},
    {"1.0a-.1", false},
    {"1.0a...post", false},
    {"1.0.post1-1", false},
    {"1.0-1-1", false},
    {"1.0+", false},
    {"1.0+a.", false},
    {"1.0+a..b", false},
    {"1.0+\u00e9", false},
    {"1!", false},
    {"!1", false},
    {"v 1.0", false},
    {"1.0\u200b", false},
    {"1.0\x1b", false},
    {"1.0dev1a1", false},
    {"1.0post1a1", false},
    {"1.0alph", false},
    {"1.0previe", false},
    {"1.0a1.a1", false},
    {"\xc4\xb1", false},
    {"1.0+\xc4", false},
    {"1.0\xe2\x80", false},
    {"1.0\xc2", false},
    {"1.0 +a", false},
};

TEST(Pep440, Validity) {
  for (const validity_case& c : kValidity) {
    EXPECT_EQ(valid_of(PEP440_SCHEME, c.text), c.valid) << c.text;
  }
  using namespace std::string_view_literals;
  EXPECT_FALSE(valid_of(PEP440_SCHEME, "1.0\0"sv));
  EXPECT_FALSE(valid_of(PEP440_SCHEME, "1\0.0"sv));
  EXPECT_FALSE(valid_of(PEP440_SCHEME, "1.0+a\0"sv));
}

// Each row strictly below the next one, except where `equal` is set.
struct order_case {
  const char* lower;
  const char* higher;
  bool equal = false;
};

const order_case kOrder[] = {
    {"1.0.dev1", "1.0a1.dev1"},
    {"1.0a1.dev1", "1.0a1"},
    {"1.0a1", "1.0a1.post1.dev1"},
    {"1.0a1.post1.dev1", "1.0a1.post1"},
    {"1.0a1.post1", "1.0"},
    {"1.0", "1.0.post1.dev1"},
    {"1.0.post1.dev1", "1.0.post1"},
    {"1.0.post1", "1.0.post1+a"},
    {"1.0+a", "1.0+a.0"},
    {"1.0+zz", "1.0+0"},
    {"1.0+9", "1.0+10"},
    {"1.0+a.9", "1.0+a.10"},
    {"1.0+i", "1.0+\u0130"},       // "i̇": a longer word
    {"1.0+\u0130", "1.0+\u0131"},  // U+0307 against U+0131
    {"1.0+z", "1.0+\u017f"},
    {"1.0b9", "1.0prev\u0130ew0"},
    {"1.0prev\u0130ew9", "1.0prev\u0131ew0"},
    {"1.0prev\u0131ew9", "1.0rc0"},
    {"1.0.post9", "1.0.po\u017ft0"},
    {"1.0a99", "1.0b0"},
    {"1.0", "1.0.1"},
    {"1.9", "1.10"},
    {"9"
     "99999999999999999999",
     "1"
     "00000000000000000000"
     "0"},
    {"99", "1!0"},
    {"1.0", "1.0.0", true},
    {"1.0", "v1", true},
    {"0", "0.0.0", true},
    {"1.0a", "1.0alpha0", true},
    {"1.0c1", "1.0RC1", true},
    {"1.0pre1", "1.0-preview-1", true},
    {"1.0-1", "1.0.post1", true},
    {"1.0.r1", "1.0rev1", true},
    {"1.0.post", "1.0post0", true},
    {"1.0dev", "1.0-dev-0", true},
    {"0!1.0", "1.0", true},
    {"01.002", "1.2", true},
    {"1.0+A.01", "1.0+a-1", true},
    {"1.0+\u212a", "1.0+k", true},
    {" 1.0\t", "1.0", true},
};

TEST(Pep440, OrdersTheTable) {
  for (const order_case& c : kOrder) {
    const int expected = c.equal ? 0 : -1;
    EXPECT_EQ(sign(PEP440_SCHEME.compare(c.lower, c.higher)), expected)
        << c.lower << " " << c.higher;
    EXPECT_EQ(sign(PEP440_SCHEME.compare(c.higher, c.lower)), -expected) << c.lower;
    EXPECT_EQ(key_order(c.lower, c.higher), expected) << c.lower << " " << c.higher;
  }
}

struct key_case {
  const char* text;
  std::string bytes;
};

TEST(Pep440, KeyBytes) {
  using namespace std::string_literals;
  const key_case cases[] = {
      {"0", "\x08\x06\x00\x01"s},
      {"1.0", "\x08\x09\x10\x06\x00\x01"s},
      {"12345", "\x08\x0d\x12\x34\x50\x06\x00\x01"s},
      {"1.0.dev1", "\x08\x09\x10\x00\x00\x00\x09\x10"s},
      {"1!2.0a1.post2.dev3+abc.5",
       "\x09\x10\x09\x20\x01\x09\x10\x01\x09\x20\x00\x09\x30\x01"
       "abc\x00\x02\x09\x50"s},
      {"v1.10+\u0130", "\x08\x09\x10\x0a\x10\x06\x00\x01\x01i\xcc\x87\x00"s},
  };
  for (const key_case& c : cases) EXPECT_EQ(key_of(c.text), c.bytes) << c.text;
  const std::string long_number(300, '7');
  const std::string key = key_of(long_number);
  EXPECT_EQ(key.substr(0, 10), "\x08\xff\x00\x00\x00\x00\x00\x00\x01\x2c"s);
  EXPECT_EQ(key.size(), 10 + 150 + 3u);
}

// Texts from the scheme's own pieces, most of them valid.
std::string random_text(std::mt19937& rng) {
  static const char* const kPieces[] = {
      "0",   "1",      "2",      "10",     "00",     "9999999999999999999999",
      ".",   ".",      ".",      "-",      "_",      "a",
      "B",   "rc",     "alpha",  "pre",    "post",   "r",
      "dev", "!",      "+",      "x",      "Z",      " ",
      "v",   "\u0130", "\u0131", "\u017f", "\u212a", "\u3000"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> count(0, 8);
  std::string text = std::to_string(rng() % 3);
  for (int n = count(rng); n > 0; --n) text += kPieces[piece(rng)];
  return text;
}

TEST(Pep440, KeysAndCollationAgreeWithCompare) {
  std::mt19937 rng(440);
  std::vector<std::string> texts;
  while (texts.size() < 400) {
    std::string text = random_text(rng);
    if (PEP440_SCHEME.valid(text)) texts.push_back(text);
  }
  expect_total_order(PEP440_SCHEME, texts);
}

// Texts of the usual shape, whose keys and order come from their byte
// masks: numbers and label segments about a word and a chunk long, epochs,
// and between release and label a suffix in any spelling of letters, digits
// and dots (some the parser refuses, or leaves to its slower path).
std::string plain_text(std::mt19937& rng) {
  static const char* const kNumbers[] = {"0",
                                         "1",
                                         "9",
                                         "10",
                                         "99",
                                         "100",
                                         "1234",
                                         "12345678",
                                         "123456789",
                                         "1234567890123456",
                                         "12345678901234567",
                                         "20141231235959123456"};
  static const char* const kSegments[] = {
      "a",        "DS",       "dfsg1",     "0",       "007",
      "12345678", "abcdefgh", "abcdefghi", "Repack2", "x1234567890123456"};
  auto pick = [&rng](const auto& table) { return std::string(table[rng() % std::size(table)]); };
  std::string text = rng() % 5 == 0 ? pick(kNumbers) + "!" : "";
  text += pick(kNumbers);
  for (int n = static_cast<int>(rng() % 6); n > 0; --n) text += "." + pick(kNumbers);
  static const char* const kSuffixes[] = {"a", "b", "rc", "c", "Alpha", "beta", "pre", "preview",
                                          ".post", "post", "r", "rev", ".dev", "dev", "DEV",
                                          ".", "x", "00", "1"};
  for (int n = static_cast<int>(rng() % 4); n > 1; --n) {
    text += pick(kSuffixes);
    if (rng() % 4 != 0) text += std::string(rng() % 3 == 0 ? "." : "") + pick(kNumbers);
  }
  if (rng() % 5 < 2) {
    text += "+" + pick(kSegments);
    for (int n = static_cast<int>(rng() % 4); n > 0; --n) text += "." + pick(kSegments);
  }
  return text;
}

TEST(Pep440, PlainKeysAreTheParsedOnes) {
  std::mt19937 rng(16);
  for (int i = 0; i < 20000; ++i) {
    const std::string text = plain_text(rng);
    // A leading 'v' leaves the version as it is and the text to the parser.
    ASSERT_EQ(valid_of(PEP440_SCHEME, text), valid_of(PEP440_SCHEME, "v" + text)) << text;
    if (valid_of(PEP440_SCHEME, text)) {
      EXPECT_EQ(key_of(text), key_of("v" + text)) << text;
    }
  }
}

TEST(Pep440, PlainTextsInTotalOrder) {
  std::mt19937 rng(64);
  std::set<std::string> texts;
  while (texts.size() < 400) {
    const std::string text = plain_text(rng);
    if (valid_of(PEP440_SCHEME, text)) texts.insert(text);
  }
  expect_total_order(PEP440_SCHEME, std::vector<std::string>(texts.begin(), texts.end()));
}

TEST(Pep440, LongTextsInOnePass) {
  std::string dotted;
  for (int i = 0; i < 1000000; ++i) dotted += "1.";
  std::string zeros = dotted + std::string(2000000, '0');
  dotted += "1";
  std::string local = "1+";
  for (int i = 0; i < 1000000; ++i) local += "a.";
  local += "9";
  std::string number(10000000, '8');
  for (std::string* text : {&dotted, &zeros, &local, &number}) {
    ASSERT_TRUE(PEP440_SCHEME.valid(*text));
    EXPECT_EQ(PEP440_SCHEME.compare(*text, *text), 0);
    EXPECT_FALSE(key_of(*text).empty());
  }
  EXPECT_LT(PEP440_SCHEME.compare(local, "1+a.b"), 0);
  EXPECT_GT(PEP440_SCHEME.compare(number, dotted), 0);
}

}  // namespace
}  // namespace korvel::testing
