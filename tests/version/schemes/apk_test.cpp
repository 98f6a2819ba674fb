#include "version/schemes/apk.h"

#include "scheme_test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvel::testing {
namespace {

using bytes = std::vector<unsigned char>;

bytes key_bytes(const std::string& text) {
  const std::string key = key_of(APK_SCHEME, text);
  return bytes(key.begin(), key.end());
}

// Ascending, each strictly after the one before, by apk-tools 3's rules
// (checked by hand against its version.c; the Go port disagrees on the
// leading zeros, the hashes and the numbers past 2^63 here).
const std::vector<std::string> kAscending = {"0",
                                             "0.0",
                                             "0.00",
                                             "0.001",
                                             "0.01",
                                             "0.1_alpha",
                                             "0.1_alpha1",
                                             "0.1_alpha2",
                                             "0.1_alpha_p",
                                             "0.1_beta",
                                             "0.1_pre",
                                             "0.1_rc",
                                             "0.1_rc~abc",
                                             "0.1",
                                             "0.1-r0",
                                             "0.1-r1",
                                             "0.1-r10",
                                             "0.1~0",
                                             "0.1~0-r5",
                                             "0.1~abc",
                                             "0.1_cvs",
                                             "0.1_svn",
                                             "0.1_git",
                                             "0.1_hg",
                                             "0.1_p",
                                             "0.1_p1_alpha",
                                             "0.1_p1",
                                             "0.1_p2",
                                             "0.1a_alpha",
                                             "0.1a",
                                             "0.1b",
                                             "0.1z",
                                             "0.1.0",
                                             "0.1.1",
                                             "0.2",
                                             "0.10",
                                             "1",
                                             "1.0",
                                             "01.1",
                                             "6.0_pre1",
                                             "6.0",
                                             "8.2.0",
                                             "8.2.001",
                                             "8.2.0015",
                                             "8.2.002",
                                             "8.2.1",
                                             "12.2.0-r4",
                                             "12.2.0-r13",
                                             "9223372036854775807",
                                             "9223372036854775808",
                                             "18446744073709551615",
                                             "18446744073709551616",
                                             "99999999999999999999999"};

TEST(ApkScheme, OrdersTheChain) {
  expect_total_order(APK_SCHEME, kAscending);
  for (std::size_t i = 0; i + 1 < kAscending.size(); ++i) {
    EXPECT_LT(APK_SCHEME.compare(kAscending[i], kAscending[i + 1]), 0)
        << kAscending[i] << " vs " << kAscending[i + 1];
  }
}

TEST(ApkScheme, EquivalentVersionsShareTheirKey) {
  const std::pair<std::string, std::string> kSame[] = {
      {"01", "1"}, {"001.2", "1.2"}, {"1_p01", "1_p1"}, {"1-r01", "1-r1"}, {"1_rc0", "1_rc00"}};
  for (const auto& [a, b] : kSame) {
    EXPECT_EQ(APK_SCHEME.compare(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(key_bytes(a), key_bytes(b)) << a << " vs " << b;
  }
  // A ".number" keeps its zeros: they are digits of a fraction.
  EXPECT_LT(APK_SCHEME.compare("1.0", "1.00"), 0);
}

// What apk-tools accepts: the Go port accepts the first group too.
TEST(ApkScheme, AcceptsWhatApkToolsAccepts) {
  for (const std::string& text : {std::string(),         std::string("0.1a1"),
                                  std::string("0.1-r"),  std::string("0.1-r2-r3"),
                                  std::string(".1"),     std::string("a"),
                                  std::string("_pre1"),  std::string("-r1"),
                                  std::string("1."),     std::string("1..2"),
                                  std::string("1_foo"),  std::string("1_alphabeta"),
                                  std::string("1_pa"),   std::string("1~"),
                                  std::string("1~ABC"),  std::string("1~abc_p"),
                                  std::string("1~abcg"), std::string("1-r1~abc"),
                                  std::string("1aa"),    std::string("1a.2"),
                                  std::string("1-1"),    std::string("1 "),
                                  std::string("1\xff"),  std::string("1_p1a"),
                                  std::string("1-r1a"),  std::string("1~a~b"),
                                  std::string("1\0", 2), std::string("1.2\0.3", 5)}) {
    EXPECT_FALSE(valid_of(APK_SCHEME, text)) << text;
  }
  for (const char* text :
       {"0", "01", "0.1_pre2~1234abcd", "1.0.2z", "1a_p", "1_alpha_beta_p1", "1~abc-r0", "1a~f",
        "1.2.3_rc1-r0", "1_p1_p2_p3", "00000000000000000000000000000001.0-r0"}) {
    EXPECT_TRUE(valid_of(APK_SCHEME, text)) << text;
  }
}

TEST(ApkScheme, KeyBytes) {
  const bytes long_number = [] {
    bytes key = {0xff, 0, 0, 0, 0, 0, 0, 1, 0};
    key.insert(key.end(), 128, 0x11);
    key.push_back(0x05);
    return key;
  }();
  const std::pair<std::string, bytes> kKeys[] = {
      {"0", {0x00, 0x05}},
      {"1", {0x01, 0x10, 0x05}},
      {"1.2.3_alpha", {0x01, 0x10, 0x10, 0x01, 0x20, 0x10, 0x01, 0x30, 0x01, 0x05}},
      {"1.05a~ab-r2",
       {0x01, 0x10, 0x0f, '0', '5', 0x00, 0x0e, 'a', 0x07, 'a', 'b', 0x00, 0x06, 0x01, 0x20, 0x05}},
      {"10_p3_git", {0x02, 0x10, 0x0d, 0x08, 0x01, 0x30, 0x0b, 0x05}},
      {std::string(256, '1'), long_number}};
  for (const auto& [text, key] : kKeys) EXPECT_EQ(key_bytes(text), key) << text;
}

std::string random_text(std::mt19937& random) {
  static const char* const kPieces[] = {
      ".0",   ".00",   ".1",     ".01",  ".9",  ".10", ".123456789012345678901",
      "a",    "z",     "_alpha", "_pre", "_rc", "_p",  "_git",
      "1",    "0",     "~0",     "~abc", "~f",  "-r0", "-r1",
      "-r10", ".0015", ".002",   "_cvs", "b",   "-r",  "."};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::string text = std::uniform_int_distribution<int>(0, 1)(random) ? "1" : "0";
  for (int n = std::uniform_int_distribution<int>(0, 5)(random); n > 0; --n) {
    text += kPieces[piece(random)];
  }
  return text;
}

TEST(ApkScheme, KeysOrderAsCompareAndTheOrderIsTotal) {
  std::mt19937 random(31);
  std::vector<std::string> texts = kAscending;
  while (texts.size() < 400) {
    const std::string text = random_text(random);
    if (APK_SCHEME.valid(text)) texts.push_back(text);
  }
  expect_total_order(APK_SCHEME, texts);
}

TEST(ApkScheme, LongTexts) {
  std::string a = "1";
  for (int i = 0; i < 200000; ++i) a += ".1";
  EXPECT_LT(APK_SCHEME.compare(a, a + "-r0"), 0);
  EXPECT_GT(APK_SCHEME.compare(a + ".0", a + "_p"), 0);
  EXPECT_LE(key_bytes(a).size(), APK_SCHEME.key_bound(a.size()));
}

}  // namespace
}  // namespace korvel::testing
