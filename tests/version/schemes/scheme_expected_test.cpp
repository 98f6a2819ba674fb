// Every order against what its package manager's own tool said of the
// committed sample and adversarial texts (data/<order>_expected.tsv, written
// by write_expected.py where the tool runs). The differential checks ask the
// tools directly; this one carries their answers to the platforms where the
// tools cannot run, such as the arm64 build under emulation, whose byte-wise
// paths no x86-64 build takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scheme_test_support.h"
#include "version/schemes/schemes.h"

namespace korvel::testing {
namespace {

struct expected_text {
  std::string text;
  long rank;  // -1: the tool rejects the text
  std::string key;
};

std::vector<expected_text> read_expected(const scheme_row& row) {
  std::ifstream in(std::string(KORVEL_VERSION_DATA) + "/" + row.name + "_expected.tsv");
  std::vector<expected_text> texts;
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t tab = line.find('\t');
    const std::string rank = line.substr(tab + 1);
    texts.push_back({from_hex(line.substr(0, tab)), rank == "-" ? -1 : std::stol(rank), {}});
  }
  return texts;
}

int sign(long number) {
  return (number > 0) - (number < 0);
}

TEST(SchemeExpected, EveryOrderGivesItsToolsAnswers) {
  for (std::size_t r = 0; r < kSchemeRowCount; ++r) {
    const scheme_row& row = kSchemeRows[r];
    const version_scheme& scheme = *row.scheme;
    std::vector<expected_text> texts = read_expected(row);
    ASSERT_GT(texts.size(), 1000u) << row.name << ": no data/" << row.name << "_expected.tsv";
    std::vector<const expected_text*> valid;
    for (expected_text& t : texts) {
      t.key.resize(scheme.key_bound(t.text.size()));
      const std::size_t size =
          scheme_key(scheme, t.text, reinterpret_cast<unsigned char*>(t.key.data()));
      EXPECT_EQ(size != kNoKey, t.rank >= 0) << row.name << ": validity of '" << t.text << "'";
      EXPECT_EQ(scheme.valid(t.text), t.rank >= 0) << row.name << ": '" << t.text << "'";
      if (size == kNoKey || t.rank < 0) continue;
      t.key.resize(size);
      valid.push_back(&t);
    }
    // Sorted by key, the tool's ranks must never fall, and neighbours must
    // compare, collate and key-compare as the tool ranks them.
    std::sort(valid.begin(), valid.end(),
              [](const expected_text* a, const expected_text* b) { return a->key < b->key; });
    int wrong = 0;
    for (std::size_t i = 1; i < valid.size() && wrong < 10; ++i) {
      const expected_text& a = *valid[i - 1];
      const expected_text& b = *valid[i];
      const int want = sign(a.rank - b.rank);
      const int order = scheme.compare(a.text, b.text);
      const int collated = scheme_collate(scheme, a.text, b.text);
      const bool ok = want <= 0 && sign(order) == want && (a.key == b.key) == (want == 0) &&
                      (want == 0 || collated == want);
      if (!ok) ++wrong;
      EXPECT_TRUE(ok) << row.name << ": '" << a.text << "' against '" << b.text << "': tool "
                      << want << ", compare " << order << ", collate " << collated;
    }
    // Rejected texts order before every version.
    for (const expected_text& t : texts) {
      if (t.rank < 0 && !valid.empty()) {
        EXPECT_EQ(scheme_collate(scheme, t.text, valid.front()->text), -1) << row.name << t.text;
      }
    }
  }
}

// Every order's lead over its sample and adversarial texts and edits of
// their first bytes. Sorted by compare(), no valid text's lead may lie
// wholly below that of a text sorted before it or equivalent to it; a lead
// read against a bound holds the whole lead and lies on one side of the
// bound. Most valid texts get a lead that says something.
TEST(SchemeExpected, LeadsNeverContradictTheOrder) {
  std::mt19937 random(2026);
  for (std::size_t r = 0; r < kSchemeRowCount; ++r) {
    const scheme_row& row = kSchemeRows[r];
    const version_scheme& scheme = *row.scheme;
    ASSERT_NE(scheme.lead, nullptr) << row.name;
    std::vector<std::string> texts = expected_texts(KORVEL_VERSION_DATA, row.name);
    for (std::size_t i = 0, n = texts.size(); i < n; ++i)
      texts.push_back(edit_first_bytes(random, texts[i]));
    struct led {
      const std::string* text;
      version_lead lead;
    };
    std::vector<led> valid;
    std::size_t known = 0;
    for (const std::string& text : texts) {
      const version_lead lead = lead_of(scheme, text, nullptr);
      ASSERT_LE(lead.lo, lead.hi) << row.name << ": '" << text << "'";
      if (!scheme.valid(text)) continue;
      valid.push_back({&text, lead});
      known += lead.lo != kUnknownLead.lo || lead.hi != kUnknownLead.hi;
    }
    EXPECT_GT(known * 2, valid.size()) << row.name << ": most leads unknown";
    std::sort(valid.begin(), valid.end(),
              [&](const led& a, const led& b) { return scheme.compare(*a.text, *b.text) < 0; });
    int wrong = 0;
    const led* highest = nullptr;  // the highest lo so far, equivalents included
    for (std::size_t i = 0; i < valid.size() && wrong < 10;) {
      std::size_t j = i;
      for (; j < valid.size() && scheme.compare(*valid[j].text, *valid[i].text) == 0; ++j)
        if (highest == nullptr || valid[j].lead.lo > highest->lead.lo) highest = &valid[j];
      for (; i < j; ++i) {
        const bool ok = valid[i].lead.hi >= highest->lead.lo;
        wrong += !ok;
        EXPECT_TRUE(ok) << row.name << ": the lead of '" << *valid[i].text
                        << "' lies below that of '" << *highest->text << "'";
      }
    }
    for (const led& t : valid) {
      const led& other = valid[random() % valid.size()];
      const std::uint64_t bound = random() % 2 != 0 ? other.lead.lo : other.lead.hi;
      const version_lead part = lead_of(scheme, *t.text, &bound);
      const bool same = part.lo == t.lead.lo && part.hi == t.lead.hi;
      const bool holds = part.lo <= t.lead.lo && t.lead.hi <= part.hi;
      const bool aside = part.hi < bound || part.lo > bound;
      ASSERT_TRUE(same || (holds && aside))
          << row.name << ": '" << *t.text << "' read against the lead of '" << *other.text << "'";
    }
  }
}

// Every order's collation against valid() and compare() on short texts of
// the shapes the collations read apart (dotted numbers, "-r" and "-"
// releases, a leading 'v', apk's suffixes and hashes, stability words, a
// trailing "-" or "--") and near them: a leading zero, a letter, an empty
// part, a date, a number past strtol()'s range, 16 and 17 bytes and up to
// 32. Pairs share a prefix, as neighbours in a sort do; each text is an
// exact-size copy, so that ASan sees a read past it.
TEST(SchemeExpected, CollationsAgreeWithValidAndCompareOnShortTexts) {
  std::mt19937 random(16);
  constexpr char kBytes[] = "0123456789.....-----rrv0a_:+";
  const auto text_of = [&](std::size_t size) {
    std::string text;
    for (std::size_t i = 0; i < size; ++i) text += kBytes[random() % (sizeof kBytes - 1)];
    return text;
  };
  const auto exact = [](const std::string& text) {
    auto copy = std::make_unique<char[]>(text.size() + (text.empty() ? 1 : 0));
    std::memcpy(copy.get(), text.data(), text.size());
    return copy;
  };
  for (std::size_t r = 0; r < kSchemeRowCount; ++r) {
    const version_scheme& scheme = *kSchemeRows[r].scheme;
    version_scheme generic = scheme;
    generic.collate = nullptr;
    for (int n = 0; n < 40000; ++n) {
      // Mostly dotted numbers, each a few digits, some led by a zero.
      const auto number = [&] {
        return (random() % 6 == 0 ? "0" : "") + std::to_string(random() % 30);
      };
      std::string a = random() % 4 == 0 ? text_of(random() % 18) : number();
      if (random() % 8 == 0) a = "20" + a;  // a date's year, or a long first number
      while (random() % 5 != 0 && a.size() < 17) a += "." + number();
      // Suffixes of the orders' other shapes, the masks' cases' neighbours.
      constexpr const char* kTails[] = {"a",
                                        "_p",
                                        "_rc2",
                                        "~1f",
                                        "-SNAPSHOT",
                                        "rc1",
                                        ".dev1",
                                        "_git20221220~17b6607",
                                        "_pre1_p",
                                        "b_beta0",
                                        "-",
                                        "--",
                                        "b4",
                                        "-RC8",
                                        ".alpha",
                                        "pl",
                                        "stable",
                                        "12-1-",
                                        "99999999999999999999b1"};
      if (random() % 4 == 0) a += kTails[random() % std::size(kTails)];
      if (random() % 3 == 0) a += (random() % 2 ? "-r" : "-") + std::to_string(random() % 12);
      if (random() % 4 == 0) a = "v" + a;
      std::string b = a.substr(0, random() % (a.size() + 1)) + text_of(random() % 6);
      if (random() % 2 == 0) std::swap(a, b);
      const auto a_copy = exact(a);
      const auto b_copy = exact(b);
      const std::string_view av(a_copy.get(), a.size());
      const std::string_view bv(b_copy.get(), b.size());
      ASSERT_EQ(scheme_collate(scheme, av, bv), scheme_collate(generic, av, bv))
          << kSchemeRows[r].name << ": '" << a << "' / '" << b << "'";
    }
  }
}

}  // namespace
}  // namespace korvel::testing
