#include "version/schemes/alpm.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

using bytes = std::vector<unsigned char>;

bytes key_bytes(const std::string& text) {
  const std::string key = key_of(ALPM_SCHEME, text);
  return bytes(key.begin(), key.end());
}

// Ascending in the collation's order, each strictly after the one before;
// vercmp agrees on every pair but those of a missing release (it finds
// them equal) and "1.0." against "1.0.a" (it orders them the other way).
const std::vector<std::string> kAscending = {"",
                                             "B",
                                             "a",
                                             "b",
                                             "1.0a",
                                             "1.0b",
                                             "1.0beta",
                                             "1.0p",
                                             "1.0pre",
                                             "1.0rc",
                                             "1.0",
                                             "1.0-1",
                                             "1.0-2",
                                             "1.0-10",
                                             "1.0.",
                                             "1.0.a",
                                             "1.0.1",
                                             "1.0..a",
                                             "1.0..1",
                                             "1.1",
                                             "1.2",
                                             "1.10",
                                             "2",
                                             "0:3",
                                             ".1",
                                             "..1",
                                             "1:0.1",
                                             "1:0.1-a",
                                             "1:0.1-1",
                                             "2:0",
                                             "18446744073709551616:0"};

TEST(AlpmScheme, OrdersTheChain) {
  std::vector<std::string> texts(kAscending.begin() + 1, kAscending.end());
  expect_total_order(ALPM_SCHEME, texts);
  for (std::size_t i = 1; i + 1 < kAscending.size(); ++i) {
    EXPECT_LT(ALPM_SCHEME.compare(kAscending[i], kAscending[i + 1]), 0)
        << kAscending[i] << " vs " << kAscending[i + 1];
  }
}

// vercmp's own answers (makepkg 6.0.2), which version_compare_alpm gives.
TEST(AlpmScheme, ToolCompareIsVercmp) {
  struct row {
    const char* a;
    const char* b;
    int vercmp;
  };
  const row kRows[] = {{"1.0", "1.0-1", 0}, {"1.0-1", "1.0-2", -1}, {"1.", "1.0", -1},
                       {"1.0", "1..a", -1}, {"1..a", "1.", -1},     {"1.a", "1.", -1},
                       {"1", "1.", -1},     {"1.", "1..", 0},       {"1a", "1", -1},
                       {"1", "1.a", -1},    {"2", ".1", -1},        {"B", "a", -1},
                       {"1.01", "1.1", 0},  {":1", "0:1", 0},       {"1.0.", "1.0-1", 1},
                       {"a.", "a1", -1},    {"a1", "a.b", -1},      {"a.b", "a.", -1}};
  for (const row& r : kRows) {
    EXPECT_EQ(sign(ALPM_SCHEME.tool_compare(r.a, r.b)), r.vercmp) << r.a << " vs " << r.b;
    EXPECT_EQ(sign(ALPM_SCHEME.tool_compare(r.b, r.a)), -r.vercmp) << r.b << " vs " << r.a;
  }
  // The collation's own order where vercmp has none.
  EXPECT_LT(ALPM_SCHEME.compare("1.0", "1.0-1"), 0);
  EXPECT_LT(ALPM_SCHEME.compare("1.", "1..a"), 0);
  EXPECT_LT(ALPM_SCHEME.compare("1.", "1.a"), 0);
}

TEST(AlpmScheme, EquivalentVersionsShareTheirKey) {
  const std::pair<std::string, std::string> kSame[] = {
      {"1.01", "1.1"}, {":1", "0:1"},   {"00:1", "1"},      {"1.", "1.."},
      {"1.0", "1_0"},  {"1\xff", "1."}, {"1.2-3", "1+2-3"}, {"1-2-3", "1_2-3"}};
  for (const auto& [a, b] : kSame) {
    EXPECT_EQ(ALPM_SCHEME.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_bytes(a), key_bytes(b)) << a << " vs " << b;
  }
}

TEST(AlpmScheme, AcceptsEveryNonEmptyTextWithoutNul) {
  for (const char* text : {"1", "-", ":", "~", " ", "\xff", "a:b:c-d-e"}) {
    EXPECT_TRUE(valid_of(ALPM_SCHEME, text)) << text;
  }
  for (const std::string& text : {std::string(), std::string(1, '\0'), std::string("1\0", 2)}) {
    EXPECT_FALSE(valid_of(ALPM_SCHEME, text));
  }
}

TEST(AlpmScheme, KeyBytes) {
  const std::pair<std::string, bytes> kKeys[] = {
      {"1", {0x00, 0x04, 0x01, 0x10, 0x02, 0x00}},
      {"1:2.0a-3",
       {0x01, 0x10, 0x04, 0x01, 0x20, 0x06, 0x00, 0x01, 'a', 0x00, 0x02, 0x01, 0x04, 0x01, 0x30,
        0x02}},
      {"1..", {0x00, 0x04, 0x01, 0x10, 0x03, 0x00}},
      {"-", {0x00, 0x02, 0x01, 0x02}},
      {std::string(300, '.') + "a",
       {0x00, 0xff, 0, 0, 0, 0, 0, 0, 0x02, 0x5b, 'a', 0x00, 0x02, 0x00}}};
  for (const auto& [text, key] : kKeys) EXPECT_EQ(key_bytes(text), key) << text;
}

std::string random_text(std::mt19937& random) {
  static const char* const kPieces[] = {"0", "00", "1",  "9",   "10", "123456789012345678901",
                                        "a", "Z",  "rc", ".",   "..", "_",
                                        "-", ":",  "+",  "\xff"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::string text;
  for (int n = std::uniform_int_distribution<int>(1, 6)(random); n > 0; --n) {
    text += kPieces[piece(random)];
  }
  return text;
}

TEST(AlpmScheme, KeysOrderAsCompareAndTheOrderIsTotal) {
  std::mt19937 random(37);
  std::vector<std::string> texts(kAscending.begin() + 1, kAscending.end());
  while (texts.size() < 400) texts.push_back(random_text(random));
  expect_total_order(ALPM_SCHEME, texts);
  // vercmp's own answer is antisymmetric, cycles and all.
  for (const std::string& a : texts) {
    for (const std::string& b : texts) {
      EXPECT_EQ(sign(ALPM_SCHEME.tool_compare(a, b)), -sign(ALPM_SCHEME.tool_compare(b, a)))
          << a << " vs " << b;
    }
  }
}

// The key of `text` by `write`, text and key each in a block of their exact
// size, so that AddressSanitizer sees a read past the text or a store past
// the bound.
template <typename Write>
bytes exact_key(const std::string& text, Write write) {
  const std::unique_ptr<char[]> copy(new char[text.size()]);
  std::memcpy(copy.get(), text.data(), text.size());
  bytes key(ALPM_SCHEME.key_bound(text.size()));
  const std::size_t size = write(std::string_view(copy.get(), text.size()), key.data());
  if (size != kNoKey) key.resize(size);
  return size == kNoKey ? bytes{} : key;
}

// Short texts are keyed from bit masks: the same bytes as the plain reading,
// for runs of every length and texts on either side of the masks' limit.
TEST(AlpmScheme, KeysFromMasksAreTheReferenceKeys) {
  static const std::string kClasses[] = {"0123456789", "00001", "aZz", ".", "-:", "_+~\xff"};
  std::mt19937 random(41);
  const auto below = [&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const std::size_t size = 1 + below(40);
    while (text.size() < size) {
      const std::string& run = kClasses[below(std::size(kClasses))];
      for (std::size_t n = 1 + below(below(2) == 0 ? 3 : 16); n > 0; --n)
        text += run[below(run.size())];
    }
    text.resize(size);
    if (round % 8 == 0) text[below(size)] = '\0';
    const bool valid = ALPM_SCHEME.valid(text);
    const bytes reference = valid ? exact_key(text, alpm_reference_key) : bytes{};
    ASSERT_EQ(exact_key(text, [](std::string_view t,
                                 unsigned char* out) { return scheme_key(ALPM_SCHEME, t, out); }),
              reference)
        << text;
    if (valid) {
      ASSERT_EQ(exact_key(text, ALPM_SCHEME.key), reference) << text;
    }
  }
}

// The collation orders most pairs of texts of up to 32 bytes from bit masks,
// by the item that holds their first difference: against valid() and
// compare() on pairs that share a prefix and part at every kind of byte, in
// the sample's shapes (epochs, releases, "+dfsg", "~git", ".r") and across
// the masks' limits (32 and 63 bytes).
TEST(AlpmScheme, CollationAgreesWithCompare) {
  static const char* const kPieces[] = {"0",  "00",  "1",  "9",   "10", "20231008", "a",   "Z",
                                        "rc", "git", ".",  "..",  "+",  "~",        "_",   "-",
                                        ":",  "1:",  "-1", "+b1", ".r", "dfsg",     "\xff"};
  std::mt19937 random(43);
  const auto text_of = [&random](std::size_t pieces) {
    std::string text;
    for (; pieces > 0; --pieces) text += kPieces[random() % std::size(kPieces)];
    return text;
  };
  version_scheme generic = ALPM_SCHEME;
  generic.collate = nullptr;
  for (int round = 0; round < 100000; ++round) {
    std::string a = text_of(1 + random() % (round % 2 == 0 ? 14 : 30));
    constexpr std::size_t kLimits[] = {15, 16, 17, 31, 32, 33, 62, 63, 64, 65};
    if (round % 4 == 1) a.resize(kLimits[random() % std::size(kLimits)], "1.a"[random() % 3]);
    std::string b = a.substr(0, random() % (a.size() + 1)) + text_of(random() % 4);
    if (round % 16 == 0 && !b.empty()) b[random() % b.size()] = '\0';
    if (random() % 2 == 0) std::swap(a, b);
    // Each in a block of its exact size, for AddressSanitizer.
    const std::vector<char> a_copy(a.begin(), a.end());
    const std::vector<char> b_copy(b.begin(), b.end());
    const std::string_view av(a_copy.data(), a.size());
    const std::string_view bv(b_copy.data(), b.size());
    ASSERT_EQ(scheme_collate(ALPM_SCHEME, av, bv), scheme_collate(generic, av, bv))
        << "'" << a << "' / '" << b << "'";
  }
}

// Pairs, lower first, that the masks decide by the item holding their first
// difference, each next to the case where that item alone would mislead.
TEST(AlpmScheme, CollationDecidesAtTheFirstDifference) {
  const std::pair<const char*, const char*> kPairs[] = {
      {"0.06-3", "0.9.3-6+b2"}, {"0.9.3", "0.010"},
      {"1.0-1", "1.0.5-2"},     {"1.0-1", "1.0+b1-1"},
      {"1.0a", "1.0-1"},        {"2.0", "1:1.0"},
      {"0:1.0", "1.0"},         {"0.0~git2016-1", "0.0.r2021-1"},
      {"1.~5.01", "1._5.2"},    {"1.~ab-1", "1._abc-1"},
      {"1.0-2.1", "1.0-2-1"},   {"3.3.4.rREALLY.3.3.3-2", "3.3.4.rREALLY.3.3.10-1"}};
  version_scheme generic = ALPM_SCHEME;
  generic.collate = nullptr;
  for (const auto& [low, high] : kPairs) {
    EXPECT_EQ(scheme_collate(generic, low, high), -1) << low << " / " << high;
    EXPECT_EQ(scheme_collate(ALPM_SCHEME, low, high), -1) << low << " / " << high;
    EXPECT_EQ(scheme_collate(ALPM_SCHEME, high, low), 1) << high << " / " << low;
  }
}

TEST(AlpmScheme, LongTexts) {
  std::string a;
  for (int i = 0; i < 200000; ++i) a += "1.";
  EXPECT_LT(ALPM_SCHEME.compare(a, a + "-0"), 0);
  EXPECT_LE(key_bytes(a).size(), ALPM_SCHEME.key_bound(a.size()));
  const std::string gaps = "1" + std::string(100000, '.') + "a";
  EXPECT_LE(key_bytes(gaps).size(), ALPM_SCHEME.key_bound(gaps.size()));
}

}  // namespace
}  // namespace korvel::testing
