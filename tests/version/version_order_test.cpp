#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "version/version_first_token.h"
#include "version/version_part.h"
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
    EXPECT_EQ(sign(version_compare_text(c.lower, DEFAULT_SEPARATOR_SET, higher.get()).order),
              expected);
    // Only a strictly lower / higher text wins against the other's list.
    EXPECT_EQ(version_text_wins(c.lower, DEFAULT_SEPARATOR_SET, higher.get(), -1).wins, !c.equal)
        << c.lower << " against " << c.higher;
    EXPECT_EQ(version_text_wins(c.higher, DEFAULT_SEPARATOR_SET, lower.get(), 1).wins, !c.equal)
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
    EXPECT_EQ(sign(version_part_compare(word.get(), number.get())), c.order) << c.word;
    EXPECT_EQ(sign(version_part_compare(number.get(), word.get())), -c.order) << c.word;
  }
}

TEST(VersionCompare, AbsentListsOrderFirst) {
  owned_list one = parse("1");
  EXPECT_EQ(version_compare(nullptr, nullptr), 0);
  EXPECT_EQ(version_compare(nullptr, one.get()), -1);
  EXPECT_EQ(version_compare(one.get(), nullptr), 1);
}

TEST(VersionCompareText, ValidatesTheWholeText) {
  owned_list winner = parse("1.2");
  for (const char* text : {"2.", "0..1", "9.9.9/", "", "1.2.3.", "/5"}) {
    EXPECT_FALSE(version_compare_text(text, DEFAULT_SEPARATOR_SET, winner.get()).well_formed)
        << text;
  }
  const text_pair_order pair = version_compare_texts("1..2", "3", DEFAULT_SEPARATOR_SET);
  EXPECT_FALSE(pair.lhs_well_formed);
  EXPECT_TRUE(pair.rhs_well_formed);
}

// The allocation-free comparisons must agree with parsing and comparing
// lists, on every text and separator set.
TEST(VersionCompareText, AgreesWithParseAndCompare) {
  std::mt19937 random(20261208);
  int turned_away = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::string extra = i % 3 == 0 ? "a0+" : "";
    const std::string separators = std::string(DEFAULT_VERSION_SEPARATORS) + extra;
    const separator_set set = make_separator_set(separators);
    const std::string b = random_version(random, extra);
    // Every other text shares a leading part with `b`, as successive
    // releases do, so that skipping shared bytes is exercised.
    const std::string a = i % 2 == 0 ? random_version(random, extra)
                                     : b.substr(0, random() % (b.size() + 1)) +
                                           random_version(random, extra).substr(0, random() % 4);
    owned_list a_list = parse(a, separators.c_str());
    owned_list b_list = parse(b, separators.c_str());
    const text_pair_order pair = version_compare_texts(a, b, set);
    ASSERT_EQ(pair.lhs_well_formed, a_list != nullptr) << a;
    ASSERT_EQ(pair.rhs_well_formed, b_list != nullptr) << b;
    if (!b_list) continue;
    const text_order against_list = version_compare_text(a, set, b_list.get());
    ASSERT_EQ(against_list.well_formed, a_list != nullptr) << a;
    const int expected = a_list ? sign(version_compare(a_list.get(), b_list.get())) : 2;
    if (a_list) {
      ASSERT_EQ(against_list.order, expected) << a << " vs " << b;
    }
    for (const int side : {-1, 1}) {
      // Turning a row away by its first bytes must agree with the whole
      // comparison.
      if (version_text_loses_at_once(a, set, *b_list, side)) {
        ++turned_away;
        ASSERT_NE(expected, side) << a << " vs " << b << " on side " << side;
      }
      // With and without `b`'s text to skip the bytes the two share.
      for (const std::string_view b_text : {std::string_view(), std::string_view(b)}) {
        owned_list adopted = parse(b, separators.c_str());
        const text_win win = version_text_wins_sharing(a, set, adopted.get(), b_text, side);
        ASSERT_EQ(win.wins, expected == side) << a << " vs " << b;
        if (!win.wins) continue;
        // What the aggregates keep of the old winner must rebuild the new one.
        version_part* list = adopted.release();
        ASSERT_EQ(version_adopt_text(list, a, set, win), version_parse_status::ok);
        adopted.reset(list);
        ASSERT_EQ(describe({list, version_parse_status::ok}), describe({a_list.get(), {}}))
            << a << " replacing " << b;
      }
    }
    if (!a_list) continue;
    ASSERT_EQ(pair.order, expected) << a << " vs " << b;
  }
  EXPECT_GT(turned_away, 2000);  // the shortcut is exercised
}

TEST(VersionTextLosesAtOnce, ReadsNoMoreThanItMay) {
  struct first_bytes_case {
    const char* text;
    const char* list;
    const char* separators;
    int side;
    bool loses;
  } const cases[] = {
      {"10.1", "9", ".", 1, false},  // two digits or more make at least 10
      {"10.1", "9", ".", -1, true},  {"3.9", "5", ".", 1, true},
      {"102", "5", ".0", -1, false},  // '0' separates: the number is 1
      {"05", "4", ".", 1, false},     // a leading '0' is left to the comparison
      {"5", "5.1", ".", -1, false},   // equal first parts decide nothing
      {"", "1", ".", 1, true},       {".1", "1", ".", -1, true},
      {"v2", "9", ".", -1, true},    {"1", "beta", ".", 1, true},
  };
  for (const first_bytes_case& c : cases) {
    const separator_set set = make_separator_set(c.separators);
    owned_list list = parse(c.list, c.separators);
    ASSERT_TRUE(list) << c.list;
    EXPECT_EQ(version_text_loses_at_once(c.text, set, *list, c.side), c.loses)
        << c.text << " against " << c.list << " on side " << c.side;
    EXPECT_EQ(version_text_wins(c.text, set, list.get(), c.side).wins && c.loses, false) << c.text;
  }
}

// Antisymmetry and transitivity over random texts: the order is a total
// preorder, so the aggregates' answer cannot depend on row order.
TEST(VersionCompare, IsATotalPreorder) {
  std::mt19937 random(7);
  std::vector<owned_list> lists;
  std::vector<std::string> texts;
  while (lists.size() < 300) {
    std::string text = random_version(random);
    owned_list list = parse(text);
    if (!list) continue;
    texts.push_back(std::move(text));
    lists.push_back(std::move(list));
  }
  const std::size_t n = lists.size();
  std::vector<int> order(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j)
      order[i * n + j] = sign(version_compare(lists[i].get(), lists[j].get()));
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      ASSERT_EQ(order[i * n + j], -order[j * n + i]) << texts[i] << " / " << texts[j];
      for (std::size_t k = 0; k < n; ++k) {
        if (order[i * n + j] <= 0 && order[j * n + k] <= 0) {
          ASSERT_LE(order[i * n + k], 0) << texts[i] << " <= " << texts[j] << " <= " << texts[k];
        }
      }
    }
  }
}

}  // namespace
}  // namespace korvel::testing
