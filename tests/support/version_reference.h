// References the version tests and fuzzers check the library against: the
// group's winner by parsing and comparing lists, the properties every order
// must have, and random version texts that hit the order's corners. No test
// framework here, so that the fuzzers can use it too.
#pragma once

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "version/parts.h"
#include "version/scheme.h"

namespace korvel::testing {

inline int sign(int order) {
  return (order > 0) - (order < 0);
}

// The index in `texts` of the lowest (side -1) or highest (side 1) version
// split at `separators`, the earliest among equals; texts' size when none is a
// version.
template <typename Texts>
std::size_t reference_winner(const Texts& texts, const separator_set& separators, int side) {
  version_part* best = nullptr;
  std::size_t winner = std::size(texts);
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    const version_parse_result parsed = version_parse(std::string_view(texts[i]), separators);
    if (parsed.parts != nullptr &&
        (best == nullptr || sign(version_compare(parsed.parts, best)) == side)) {
      version_free(best);
      best = parsed.parts;
      winner = i;
    } else {
      version_free(parsed.parts);
    }
  }
  version_free(best);
  return winner;
}

// The first pair or triple of `texts` on which `compare` is not a total
// preorder (antisymmetric; transitive, equality too), as "a / b [/ c]"; ""
// when there is none. Every `stride`-th third text is tried, which bounds the
// cost of long lists. Views keep a fuzzer's exactly sized copies under test.
template <typename Text, typename Compare>
std::string total_order_violation(const std::vector<Text>& texts, Compare compare,
                                  std::size_t stride = 1) {
  const auto named = [&](std::size_t i) { return std::string(texts[i]); };
  const std::size_t n = texts.size();
  std::vector<int> order(n * n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) order[i * n + j] = sign(compare(texts[i], texts[j]));
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      if (order[i * n + j] != -order[j * n + i]) return named(i) + " / " + named(j);
      if (order[i * n + j] > 0) continue;
      for (std::size_t k = i % stride; k < n; k += stride) {
        if (order[j * n + k] > 0) continue;
        if (order[i * n + k] > 0 ||
            (order[i * n + k] == 0) != (order[i * n + j] == 0 && order[j * n + k] == 0)) {
          return named(i) + " / " + named(j) + " / " + named(k);
        }
      }
    }
  }
  return "";
}

// Random texts that hit the interesting corners: numbers of every size and
// sign, words, mixed tokens, separators at the edges and doubled.
inline std::string random_version(std::mt19937& random, const std::string& alphabet_extra = "") {
  static const char* const kTokens[] = {
      "0",           "1",  "2",  "9",   "10",   "007", "2147483647", "4294967296",
      "99999999999", "a",  "b",  "rc1", "beta", "RC",  "v2",         "v10",
      "+0",          "-0", "+5", "-5",  "1a",   "0rc", " 5",         "~"};
  const std::string separators = ".-/ " + alphabet_extra;
  std::uniform_int_distribution<int> count(1, 5);
  std::uniform_int_distribution<std::size_t> token(0, std::size(kTokens) - 1);
  std::uniform_int_distribution<std::size_t> separator(0, separators.size() - 1);
  std::uniform_int_distribution<int> percent(0, 99);
  std::string text;
  const int tokens = count(random);
  for (int i = 0; i < tokens; ++i) {
    if (i != 0) text += separators[separator(random)];
    if (percent(random) >= 3) text += kTokens[token(random)];  // sometimes an empty token
  }
  return text;
}

// The index in `texts` of the lowest (side -1) or highest (side 1) text
// `scheme` accepts, the earliest among equivalent versions, by valid() and
// compare() alone; texts' size when it accepts none.
template <typename Texts>
std::size_t reference_scheme_winner(const version_scheme& scheme, const Texts& texts, int side) {
  std::size_t winner = std::size(texts);
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    const std::string_view text(texts[i]);
    if (!scheme.valid(text)) continue;
    if (winner == std::size(texts) || sign(scheme.compare(text, texts[winner])) == side) winner = i;
  }
  return winner;
}

// `text` with one edit among its first bytes, where the orders' leads read:
// a byte replaced, put in or taken out, or the rest cut off.
inline std::string edit_first_bytes(std::mt19937& random, std::string text) {
  static constexpr char kBytes[] = "0123456789.:-~_+!^vVaAzZ \t";
  const std::size_t at = random() % (std::min<std::size_t>(text.size(), 8) + 1);
  const char byte = kBytes[random() % (sizeof kBytes - 1)];
  switch (random() % 4) {
    case 0:
      if (at < text.size()) {
        text[at] = byte;
        break;
      }
      [[fallthrough]];
    case 1:
      text.insert(at, 1, byte);
      break;
    case 2:
      if (at < text.size()) text.erase(at, 1);
      break;
    default:
      text.resize(at);
      break;
  }
  return text;
}

}  // namespace korvel::testing
