// Helpers shared by the package orders' unit tests: keys as SQLite would
// compare them, and the properties every order must have.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "version/scheme.h"
#include "version_reference.h"

namespace korvel::testing {

inline std::string key_of(const version_scheme& scheme, const std::string& text) {
  std::string key(scheme.key_bound(text.size()), '\0');
  const std::size_t size = scheme.key(text, reinterpret_cast<unsigned char*>(key.data()));
  EXPECT_LE(size, key.size()) << text;
  key.resize(size);
  return key;
}

// valid(), once scheme_key() is seen to agree: no key exactly for a text
// valid() rejects, key()'s bytes for one it accepts.
inline bool valid_of(const version_scheme& scheme, std::string_view text) {
  std::string key(scheme.key_bound(text.size()), '\0');
  const std::size_t size = scheme_key(scheme, text, reinterpret_cast<unsigned char*>(key.data()));
  const bool valid = scheme.valid(text);
  EXPECT_EQ(size != kNoKey, valid) << text;
  if (valid && size != kNoKey) {
    key.resize(size);
    EXPECT_EQ(key, key_of(scheme, std::string(text))) << text;
  }
  return valid;
}

// memcmp, then length: how SQLite orders BLOBs.
inline int key_order(const version_scheme& scheme, const std::string& lhs, const std::string& rhs) {
  return sign(key_of(scheme, lhs).compare(key_of(scheme, rhs)));
}

// Over valid `texts`: keys order as compare() does, compare() is antisymmetric
// and transitive, and the collation is 0 only for identical texts.
inline void expect_total_order(const version_scheme& scheme,
                               const std::vector<std::string>& texts) {
  const std::size_t n = texts.size();
  version_scheme generic = scheme;
  generic.collate = nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_TRUE(valid_of(scheme, texts[i])) << texts[i];
    for (std::size_t j = 0; j < n; ++j) {
      ASSERT_EQ(sign(scheme.compare(texts[i], texts[j])), key_order(scheme, texts[i], texts[j]))
          << texts[i] << " / " << texts[j];
      // A scheme's own collation must give what valid() and compare() give.
      ASSERT_EQ(scheme_collate(scheme, texts[i], texts[j]),
                scheme_collate(generic, texts[i], texts[j]))
          << texts[i] << " / " << texts[j];
      ASSERT_EQ(scheme_collate(scheme, texts[i], texts[j]) == 0, texts[i] == texts[j])
          << texts[i] << " / " << texts[j];
    }
  }
  EXPECT_EQ(
      total_order_violation(
          texts, [&](const std::string& a, const std::string& b) { return scheme.compare(a, b); },
          7),
      "");
}

inline std::string from_hex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The texts of data/<order>_expected.tsv (the order's sample and
// adversarial texts, hex, then a tab and the tool's rank) under `data`.
inline std::vector<std::string> expected_texts(const std::string& data, const char* order) {
  std::ifstream in(data + "/" + order + "_expected.tsv");
  std::vector<std::string> texts;
  std::string line;
  while (std::getline(in, line)) texts.push_back(from_hex(line.substr(0, line.find('\t'))));
  return texts;
}

// lead() of a copy of `text` in a block of its exact size, so that reading
// past the text is caught under AddressSanitizer.
inline version_lead lead_of(const version_scheme& scheme, std::string_view text,
                            const std::uint64_t* against) {
  std::vector<char> copy(text.begin(), text.end());
  return scheme.lead(std::string_view(copy.data(), copy.size()), against);
}

}  // namespace korvel::testing
