#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "default_order_checks.h"
#include "version/parts.h"
#include "version/text_order.h"
#include "version_test_support.h"

namespace korvel::testing {
namespace {

struct order_case {
  const char* lower;
  const char* higher;  // equal to `lower` in order when `equal` is set
  bool equal = false;
};

constexpr order_case kOrderCases[] = {
    {"1.9", "1.10"},
    {"2.0", "10.0"},
    {"1.2", "1.2.0"},
    {"1.2", "1.2-beta"},
    {"1.2-alpha", "1.2-beta"},
    {"1.2.5", "1.2-beta"},
    {"1.0-RC1", "1.0-beta"},
    {"1.0.9a", "1.0.10"},
    {"1.9.9", "2"},
    {"0.9", "1"},
    {"9", "10"},
    {"3x.9", "4"},
    {"v10", "v2"},
    {"1.+0", "1.0"},  // '+0' against '0'
    {"1.+x", "1.0"},  // a word starting with "+" orders before any number
    {"1.0", "1.a"},   // digits order before letters
    {"1.A", "1.a"},
    {"1.2147483647", "1.a"},
    {"1.2a", "1.2b", true},
    {"1.02", "1.2", true},
    {"4294967296", "2147483647", true},  // saturated
    {"1", "1", true},
};

TEST(VersionCompare, OrdersTheTable) {
  for (const order_case& c : kOrderCases) {
    owned_list lower = parse(c.lower);
    owned_list higher = parse(c.higher);
    ASSERT_TRUE(lower && higher) << c.lower << " / " << c.higher;
    const int expected = c.equal ? 0 : -1;
    EXPECT_EQ(sign(version_compare(lower.get(), higher.get())), expected)
        << c.lower << " < " << c.higher;
    EXPECT_EQ(sign(version_compare(higher.get(), lower.get())), -expected)
        << c.higher << " > " << c.lower;
    // Only a strictly lower / higher row replaces the winner.
    EXPECT_EQ(owned_winner().consider({c.higher, c.lower}, -1), c.equal ? c.higher : c.lower)
        << c.lower << " against " << c.higher;
    EXPECT_EQ(owned_winner().consider({c.lower, c.higher}, 1), c.equal ? c.lower : c.higher)
        << c.higher << " against " << c.lower;
    const text_pair_order pair = version_compare_texts(c.lower, c.higher, DEFAULT_SEPARATOR_SET);
    EXPECT_TRUE(pair.lhs_well_formed && pair.rhs_well_formed);
    EXPECT_EQ(pair.order, expected) << c.lower << " / " << c.higher;
  }
}

TEST(VersionCompare, MixedPartsCompareThroughTheDecimalText) {
  // Words sorted against the numbers -1, 0 and 7 as the bytes '-1', '0', '7'.
  const char* separators = ".";  // lets '-' and ' ' reach the tokens
  struct mixed_case {
    const char* word;
    const char* number;
    int order;  // of the word against the number
  } const cases[] = {{"+0", "0", -1}, {" x", "0", -1},  {"x", "7", 1}, {"-", "-1", -1},
                     {"-x", "-1", 1}, {"+x", "-1", -1}, {"~", "-1", 1}};
  for (const mixed_case& c : cases) {
    owned_list word = parse(c.word, separators);
    owned_list number = parse(c.number, separators);
    ASSERT_TRUE(word && number);
    ASSERT_EQ(word->kind, VERSION_PART_TEXT) << c.word;
    ASSERT_EQ(number->kind, VERSION_PART_NUMBER) << c.number;
    EXPECT_EQ(sign(version_compare(word.get(), number.get())), c.order) << c.word;
    EXPECT_EQ(sign(version_compare(number.get(), word.get())), -c.order) << c.word;
  }
}

TEST(VersionCompare, AbsentListsOrderFirst) {
  owned_list one = parse("1");
  EXPECT_EQ(version_compare(nullptr, nullptr), 0);
  EXPECT_EQ(version_compare(nullptr, one.get()), -1);
  EXPECT_EQ(version_compare(one.get(), nullptr), 1);
}

TEST(Winner, ValidatesTheRowThatWins) {
  // Each would win by its first components.
  for (const char* text : {"2.", "9.9.9/", "1.2.3.", "1.3..4"}) {
    EXPECT_EQ(owned_winner().consider({"1.2", text}, 1), "1.2") << text;
  }
  for (const char* text : {"0..1", "", "/5", "1.1-"}) {
    EXPECT_EQ(owned_winner().consider({"1.2", text}, -1), "1.2") << text;
  }
  const text_pair_order pair = version_compare_texts("1..2", "3", DEFAULT_SEPARATOR_SET);
  EXPECT_FALSE(pair.lhs_well_formed);
  EXPECT_TRUE(pair.rhs_well_formed);
}

TEST(Winner, DecidesFromTheFirstDifference) {
  struct winner_case {
    const char* winner;
    const char* row;
    const char* separators;
    int side;
    bool wins;
  } const cases[] = {
      {"9", "10.1", ".", 1, true},  // two digits or more make at least 10
      {"9", "10.1", ".", -1, false},
      {"5", "3.9", ".", 1, false},
      {"5", "102", ".0", -1, true},  // '0' separates: the number is 1
      {"4", "05", ".", 1, true},
      {"5.1", "5", ".", -1, true},
      {"1", "", ".", 1, false},
      {"1", ".1", ".", -1, false},
      {"9", "v2", ".", -1, false},
      {"beta", "1", ".", 1, false},
      {"1.2.3", "1.2.3.4", ".", 1, true},  // the winner ends inside the shared bytes
      {"1.2.3.4", "1.2.3", ".", -1, true},
      {"1.2.3", "1.2.3", ".", 1, false},
      {"1.2.30", "1.2.4", ".", 1, false},  // the difference is inside a component
      {"1.2.3a", "1.2.3b", ".", 1, false},
      {"1.02.5", "1.2.6", ".", 1, true},  // equal by value, not by bytes
      {"1.2-beta", "1.2-rc.1", ".-", 1, true},
      {"1.2.1 rc2", "1.2.1 rc10", ". ", 1, false},
  };
  for (const winner_case& c : cases) {
    const splitting split = make_splitting(make_separator_set(c.separators));
    owned_winner current;
    ASSERT_EQ(current.consider({c.winner}, c.side, split), c.winner);
    EXPECT_EQ(current.consider({c.row}, c.side, split), c.wins ? c.row : c.winner)
        << c.row << " against " << c.winner << " on side " << c.side;
    const owned_list kept = parse(std::string(winner_text(current.state)), c.separators);
    EXPECT_TRUE(same_parts(current.state, kept.get())) << winner_text(current.state);
  }
}

// The allocation-free comparisons must agree with parsing and comparing
// lists, on every text and separator set.
TEST(Winner, AgreesWithParseAndCompare) {
  std::mt19937 random(20261208);
  for (int i = 0; i < 20000; ++i) {
    const std::string extra = i % 3 == 0 ? "a0+" : "";
    const splitting split =
        make_splitting(make_separator_set(std::string(DEFAULT_VERSION_SEPARATORS) + extra));
    const std::string b = random_version(random, extra);
    // Every other text shares a leading part with `b`, as successive
    // releases do, so that skipping shared bytes is exercised.
    const std::string a = i % 2 == 0 ? random_version(random, extra)
                                     : b.substr(0, random() % (b.size() + 1)) +
                                           random_version(random, extra).substr(0, random() % 4);
    ASSERT_EQ(text_pair_disagreement(a, b, split.set), "") << a << " vs " << b;
    // Every fourth winner was split at the default set, the row at another.
    const bool other_split = i % 4 == 1 && !extra.empty();
    ASSERT_EQ(winner_disagreement(a, b, split, other_split ? DEFAULT_SPLITTING : split), "")
        << a << " vs " << b;
  }
}

// The order is a total preorder, so the aggregates' answer cannot depend on
// row order.
TEST(VersionCompare, IsATotalPreorder) {
  std::mt19937 random(7);
  std::vector<std::string> texts;
  while (texts.size() < 300) {
    std::string text = random_version(random);
    if (parse(text)) texts.push_back(std::move(text));
  }
  const auto listed = [](const std::string& a, const std::string& b) {
    return version_compare(parse(a).get(), parse(b).get());
  };
  EXPECT_EQ(total_order_violation(texts, listed), "");
}

}  // namespace
}  // namespace korvel::testing
