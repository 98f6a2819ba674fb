// A strict JSON reader (RFC 8259) that walks one text value by value, for
// callers that know the shape they expect: no tree is built, and what a
// caller does not ask for is skipped, checked all the same. Strings without
// escapes are handed out as views of the text itself; the first escape gets
// a scratch block through sqlite3_malloc, the reader's only allocation.
//
// Refused: anything RFC 8259 refuses (trailing commas, comments, single
// quotes, leading zeros, control bytes in strings), bytes that are not
// UTF-8, escapes of lone surrogates, and nesting deeper than kJsonMaxDepth.
#pragma once

#include <cstddef>
#include <string_view>

namespace korvel {

// SQLite's own JSON functions refuse deeper texts, so a value that
// json_each() hands over never comes near it.
inline constexpr int kJsonMaxDepth = 1000;

enum class json_status : unsigned char { ok, malformed, no_memory };

enum class json_kind : unsigned char { object, array, string, scalar, none };

struct json_reader {
  const char* begin;
  const char* at;
  const char* end;
  // Decoded strings with escapes; each reading of the text decodes a string
  // at most once, and the caller reads every part at most twice, so twice
  // the text's length always suffices.
  char* scratch;
  std::size_t scratch_used;
  json_status status;
  // On malformed: what is wrong and where.
  const char* reason;
  const char* error_at;
};

[[nodiscard]] json_reader json_open(std::string_view text) noexcept;

// Releases the scratch block; every view handed out dies with it.
void json_close(json_reader& reader) noexcept;

// Fails the reading (the first failure sticks) and returns false.
bool json_fail(json_reader& reader, const char* reason, const char* at) noexcept;

// The kind of the next value, after white space; none at the end of the text
// or before a byte that starts no value.
[[nodiscard]] json_kind json_peek(json_reader& reader) noexcept;

// Object members one by one: call with first = true right at the '{', then
// with false. True with the member's name read and its ':' passed; false at
// the closing '}' (passed) or on a failure (status says which).
[[nodiscard]] bool json_next_member(json_reader& reader, bool first,
                                    std::string_view& name) noexcept;

// Array elements likewise: true before an element, false after the ']'.
[[nodiscard]] bool json_next_element(json_reader& reader, bool first) noexcept;

// A string value, decoded.
[[nodiscard]] bool json_string(json_reader& reader, std::string_view& text) noexcept;

// Passes over the next value of any kind, checking it.
[[nodiscard]] bool json_skip(json_reader& reader) noexcept;

// Only white space is left.
[[nodiscard]] bool json_at_end(json_reader& reader) noexcept;

}  // namespace korvel
