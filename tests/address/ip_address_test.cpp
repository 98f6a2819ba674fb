#include "address/ip_address.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ip_address_cases.h"

namespace korvel {
namespace {

TEST(FoldIpAddress, MatchesTheTable) {
  for (const testing::ip_case& c : testing::kIpCases) {
    EXPECT_EQ(fold_ip_address(c.text), c.folded) << '"' << c.text << '"';
  }
}

TEST(FoldIpAddress, ReadsUpToTheFirstNul) {
  using namespace std::string_view_literals;
  EXPECT_EQ(fold_ip_address("1.2\0.3"sv), 258);
  EXPECT_EQ(fold_ip_address("1.\0"
                            "2"sv),
            256);
}

TEST(FoldIpAddress, ReadsOnlyItsView) {
  EXPECT_EQ(fold_ip_address(std::string_view("10.0.0.1", 4)), 2560);
  EXPECT_EQ(fold_ip_address(std::string_view("12.", 3)), 3072);
}

// Every mix of one-, two- and three-digit components, leading zeros too.
TEST(FoldIpAddress, FoldsRandomShortQuads) {
  std::mt19937 random(20261208);
  for (int i = 0; i < 5000; ++i) {
    std::string text;
    std::uint64_t expected = 0;
    for (int component = 0; component < 4; ++component) {
      if (component != 0) text += '.';
      unsigned value = 0;
      for (unsigned digits = 1 + random() % 3; digits != 0; --digits) {
        const unsigned digit = random() % 10;
        text += static_cast<char>('0' + digit);
        value = value * 10 + digit;
      }
      expected = expected * 256 + value;
    }
    ASSERT_EQ(fold_ip_address(text), static_cast<std::int64_t>(expected)) << text;
  }
}

TEST(FoldIpAddress, ManyComponentsKeepOnlyTheLastEight) {
  std::string text;
  for (int i = 0; i < 100000; ++i) text += std::to_string(i % 256) + ".";
  text += "7";
  // The last eight components are 152..159 (99992..99999 mod 256) then 7.
  std::uint64_t expected = 0;
  for (int i = 99993; i < 100000; ++i)
    expected = expected * 256 + static_cast<std::uint64_t>(i % 256);
  expected = expected * 256 + 7;
  EXPECT_EQ(fold_ip_address(text), static_cast<std::int64_t>(expected));
}

}  // namespace
}  // namespace korvel
