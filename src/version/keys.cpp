#include "version/keys.h"

#include <cstdint>
#include <cstring>

#include "version/tokens.h"

namespace korvel {

// Why the key orders as version_token_compare() does.
//
// A word never starts with a digit (a token that does is a number), and a
// word starting with '-' goes on with '0' or a non-digit (any other digit
// would make it a negative number). Against a number's decimal text, which is
// a digit run or '-' and a digit run not led by '0', a word therefore orders
// the same way against every number of one sign, and component values fall
// into five bands, each one ordered within itself:
//
//   words below '-' and words "-", "-0...", "-" then a byte below '0'  by bytes
//   negative numbers                                                   by value
//   words starting '.' or '/', and "-" then a byte above '9'          by bytes
//   zero and positive numbers                                          by value
//   words from ':' up                                                  by bytes
//
// A word is written as itself and a NUL, which no component holds: its bytes
// then fall into their own band, and the NUL puts a word before the longer
// words it begins. A zero or positive number is '0' plus the count of its
// significant bytes, then those bytes big-endian: between '.'/'/' and ':'. A
// negative number is '-', then '5' less the count of significant bytes of
// -1 - n, then those bytes complemented: after "-0" and "-/", before "-:".
// More bytes mean a larger magnitude, so the count orders first. Every
// component's key says where it ends, so keys of lists compare component by
// component, and a list's key begins the key of every longer list it begins.

namespace {

constexpr unsigned char kWordEnd = 0;
constexpr unsigned char kPositiveBase = '0';
constexpr unsigned char kNegativeSign = '-';
constexpr unsigned char kNegativeBase = '5';

unsigned significant_bytes(std::uint32_t value) noexcept {
  unsigned count = 0;
  for (; value != 0; value >>= 8) ++count;
  return count;
}

// The low `count` bytes of `value`, most significant first.
unsigned char* put_low_bytes(unsigned char* out, std::uint32_t value, unsigned count) noexcept {
  for (unsigned i = count; i-- > 0;) *out++ = static_cast<unsigned char>(value >> (8 * i));
  return out;
}

unsigned char* put_number(unsigned char* out, std::int32_t number) noexcept {
  if (number >= 0) {
    const auto value = static_cast<std::uint32_t>(number);
    const unsigned count = significant_bytes(value);
    *out++ = static_cast<unsigned char>(kPositiveBase + count);
    return put_low_bytes(out, value, count);
  }
  // -1 - n: 0 for -1 up to INT32_MAX for INT32_MIN, with no overflow.
  const auto distance = static_cast<std::uint32_t>(~number);
  const unsigned count = significant_bytes(distance);
  *out++ = kNegativeSign;
  *out++ = static_cast<unsigned char>(kNegativeBase - count);
  return put_low_bytes(out, ~distance, count);
}

unsigned char* put_word(unsigned char* out, std::string_view word) noexcept {
  std::memcpy(out, word.data(), word.size());
  out += word.size();
  *out++ = kWordEnd;
  return out;
}

unsigned char* put_component(unsigned char* out, std::string_view token) noexcept {
  const version_token classified = classify_version_token(token);
  return classified.kind == VERSION_PART_NUMBER ? put_number(out, classified.number)
                                                : put_word(out, classified.text);
}

}  // namespace

version_key_result version_key(std::string_view text, const separator_set& separators,
                               unsigned char* out) noexcept {
  version_tokenizer tokenizer = make_version_tokenizer(text, separators);
  unsigned char* cursor = out;
  std::string_view token;
  for (;;) {
    switch (next_version_token(tokenizer, token)) {
      case token_step::malformed:
        return {false, 0};
      case token_step::end:
        return {true, static_cast<std::size_t>(cursor - out)};
      case token_step::token:
        cursor = put_component(cursor, token);
        break;
    }
  }
}

}  // namespace korvel
