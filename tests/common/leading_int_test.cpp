#include "common/leading_int.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

namespace korvel {
namespace {

struct conversion_case {
  std::string_view text;
  std::int32_t value;
  std::size_t length;
};

// atoi()'s rules, with saturation where glibc's atoi() would be undefined.
constexpr conversion_case kCases[] = {
    {"", 0, 0},
    {"abc", 0, 0},
    {"42", 42, 2},
    {"007", 7, 3},
    {"2b", 2, 1},
    {"+5", 5, 2},
    {"-5", -5, 2},
    {"+", 0, 0},
    {"-x", 0, 0},
    {" \t\n\v\f\r17", 17, 8},
    {"  -0", 0, 4},
    {"1 2", 1, 1},
    {"2147483647", INT32_MAX, 10},
    {"2147483648", INT32_MAX, 10},
    {"4294967296", INT32_MAX, 10},
    {"99999999999999999999999999", INT32_MAX, 26},
    {"-2147483648", INT32_MIN, 11},
    {"-2147483649", INT32_MIN, 11},
    {"-99999999999999999999999999", INT32_MIN, 27},
    {"00000000000000000000000000001", 1, 29},
    {std::string_view("12\0"
                      "34",
                      5),
     12, 2},
};

TEST(LeadingInt, FollowsAtoiAndSaturates) {
  for (const conversion_case& c : kCases) {
    const leading_int parsed = parse_leading_int(c.text);
    EXPECT_EQ(parsed.value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(parsed.length, c.length) << '"' << c.text << '"';
    EXPECT_EQ(saturating_atoi(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(LeadingInt, StopsAtTheEndOfTheView) {
  EXPECT_EQ(saturating_atoi(std::string_view("12345", 2)), 12);
  EXPECT_EQ(saturating_atoi(std::string_view("-9", 1)), 0);
}

TEST(LeadingInt, UsableAtCompileTime) {
  static_assert(saturating_atoi("-12x") == -12);
  static_assert(saturating_atoi("3000000000") == INT32_MAX);
}

}  // namespace
}  // namespace korvel
