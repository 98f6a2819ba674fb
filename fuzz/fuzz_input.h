// Reading a fuzzer's bytes as several texts, each copied into a heap buffer
// of exactly its own size, without a terminating NUL, so that a sanitizer
// catches any read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "version/scheme.h"
#include "version/separators.h"

namespace korvel::fuzzing {

struct fuzz_input {
  const std::uint8_t* data;
  std::size_t size;

  [[nodiscard]] std::uint8_t take_byte() noexcept {
    if (size == 0) return 0;
    --size;
    return *data++;
  }

  // The next `n` bytes (fewer when the input runs out).
  [[nodiscard]] std::string_view take(std::size_t n) noexcept {
    if (n > size) n = size;
    std::string_view text(reinterpret_cast<const char*>(data), n);
    data += n;
    size -= n;
    return text;
  }

  // A text whose length is picked by the next byte, so that a mutation of
  // the length byte moves the cut between neighbouring texts.
  [[nodiscard]] std::string_view take_sized() noexcept {
    const std::size_t length = take_byte();
    return take(length);
  }

  [[nodiscard]] std::string_view rest() noexcept { return take(size); }
};

// Owns a malloc'd copy of a text, exactly as long as the text.
class exact_copy {
 public:
  explicit exact_copy(std::string_view text)
      : bytes_(static_cast<char*>(std::malloc(text.empty() ? 1 : text.size()))),
        size_(text.size()) {
    if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());
  }
  exact_copy(const exact_copy&) = delete;
  exact_copy& operator=(const exact_copy&) = delete;
  ~exact_copy() { std::free(bytes_); }

  [[nodiscard]] std::string_view view() const noexcept { return {bytes_, size_}; }

 private:
  char* bytes_;
  std::size_t size_;
};

// Separators chosen by the input: the defaults, none, or the next few bytes.
[[nodiscard]] inline separator_set take_separators(fuzz_input& input) noexcept {
  const std::uint8_t mode = input.take_byte();
  if (mode < 128) return DEFAULT_SEPARATOR_SET;
  if (mode < 140) return make_separator_set("");
  return make_separator_set(input.take(mode % 8));
}

// Components of `text` up to its first NUL, or -1 when one is empty.
[[nodiscard]] inline int naive_component_count(std::string_view text,
                                               const separator_set& separators) {
  text = text.substr(0, text.find('\0'));
  int count = 0;
  std::size_t length = 0;
  for (char c : text) {
    if (!separators.contains(static_cast<unsigned char>(c))) {
      ++length;
      continue;
    }
    if (length == 0) return -1;
    ++count;
    length = 0;
  }
  return length == 0 ? -1 : count + 1;
}

[[nodiscard]] inline bool naive_is_version(std::string_view text) {
  return naive_component_count(text, DEFAULT_SEPARATOR_SET) > 0;
}

[[nodiscard]] inline int sign(int order) noexcept {
  return (order > 0) - (order < 0);
}

}  // namespace korvel::fuzzing

// A broken invariant is a finding: report it and abort, as libFuzzer expects.
#define KORVEL_FUZZ_CHECK(condition)                                                     \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace korvel::fuzzing {

// The key SQL gives `text` under `scheme` (empty for none), there exactly
// for the texts valid() accepts.
inline std::vector<unsigned char> scheme_key_of(const version_scheme& scheme,
                                                std::string_view text) {
  std::vector<unsigned char> key(scheme.key_bound(text.size()));
  const std::size_t size = scheme_key(scheme, text, key.data());
  KORVEL_FUZZ_CHECK((size != kNoKey) == scheme.valid(text));
  key.resize(size == kNoKey ? 0 : size);
  return key;
}

}  // namespace korvel::fuzzing
