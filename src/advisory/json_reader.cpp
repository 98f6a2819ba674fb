#include "advisory/json_reader.h"

#include <cstdint>
#include <cstring>

#include "common/sqlite_api.h"

namespace korvel {

namespace {

bool is_space(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

void skip_space(json_reader& reader) noexcept {
  while (reader.at != reader.end && is_space(*reader.at)) ++reader.at;
}

// Passes `c` after white space.
bool expect(json_reader& reader, char c, const char* reason) noexcept {
  skip_space(reader);
  if (reader.at == reader.end || *reader.at != c) return json_fail(reader, reason, reader.at);
  ++reader.at;
  return true;
}

int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The four hex digits after "\u" at `at`, or -1.
long hex4(const char* at, const char* end) noexcept {
  if (end - at < 4) return -1;
  long value = 0;
  for (int i = 0; i < 4; ++i) {
    const int digit = hex_value(at[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

// The length of the UTF-8 sequence at `at` (a byte >= 0x80), or 0 when it is
// not one: overlong forms, surrogates and code points past U+10FFFF count
// as not UTF-8.
std::size_t utf8_length(const char* at, const char* end) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(at[i]); };
  const auto continuation = [&](std::size_t i) { return at + i < end && (byte(i) & 0xC0) == 0x80; };
  const unsigned char lead = byte(0);
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (!continuation(1) || !continuation(2)) return 0;
    if (lead == 0xE0 && byte(1) < 0xA0) return 0;   // overlong
    if (lead == 0xED && byte(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (!continuation(1) || !continuation(2) || !continuation(3)) return 0;
    if (lead == 0xF0 && byte(1) < 0x90) return 0;   // overlong
    if (lead == 0xF4 && byte(1) >= 0x90) return 0;  // past U+10FFFF
    return 4;
  }
  return 0;
}

char* put_utf8(char* out, unsigned long code) noexcept {
  if (code < 0x80) {
    *out++ = static_cast<char>(code);
  } else if (code < 0x800) {
    *out++ = static_cast<char>(0xC0 | (code >> 6));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (code >> 12));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (code >> 18));
    *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// The code point of the escape at `at` (just past its '\'), its length in
// `used`; -1 for an escape RFC 8259 does not have or a lone surrogate.
long escape_code(const char* at, const char* end, std::size_t& used) noexcept {
  if (at == end) return -1;
  used = 1;
  switch (*at) {
    case '"':
      return '"';
    case '\\':
      return '\\';
    case '/':
      return '/';
    case 'b':
      return '\b';
    case 'f':
      return '\f';
    case 'n':
      return '\n';
    case 'r':
      return '\r';
    case 't':
      return '\t';
    case 'u':
      break;
    default:
      return -1;
  }
  const long high = hex4(at + 1, end);
  used = 5;
  if (high < 0 || (high >= 0xDC00 && high <= 0xDFFF)) return -1;
  if (high < 0xD800 || high > 0xDBFF) return high;
  // A high surrogate needs its low half as the very next escape.
  if (end - (at + 5) < 2 || at[5] != '\\' || at[6] != 'u') return -1;
  const long low = hex4(at + 7, end);
  if (low < 0xDC00 || low > 0xDFFF) return -1;
  used = 11;
  return 0x10000 + ((high - 0xD800) << 10) + (low - 0xDC00);
}

// Checks the string whose opening quote is at reader.at and passes it; sets
// `escaped` when it holds a backslash.
bool pass_string(json_reader& reader, bool& escaped) noexcept {
  const char* const start = reader.at;
  const char* at = start + 1;
  escaped = false;
  while (at != reader.end) {
    const auto c = static_cast<unsigned char>(*at);
    if (c == '"') {
      reader.at = at + 1;
      return true;
    }
    if (c < 0x20) return json_fail(reader, "control character in a string", at);
    if (c == '\\') {
      std::size_t used = 0;
      if (escape_code(at + 1, reader.end, used) < 0) {
        return json_fail(reader, "invalid escape in a string", at);
      }
      escaped = true;
      at += 1 + used;
      continue;
    }
    if (c < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = utf8_length(at, reader.end);
    if (length == 0) return json_fail(reader, "a string that is not UTF-8", at);
    at += length;
  }
  return json_fail(reader, "unterminated string", start);
}

bool pass_number(json_reader& reader) noexcept {
  const char* at = reader.at;
  const char* const end = reader.end;
  const char* const start = at;
  if (at != end && *at == '-') ++at;
  if (at == end || !is_digit(*at)) return json_fail(reader, "invalid number", start);
  if (*at == '0') {
    ++at;
    if (at != end && is_digit(*at)) return json_fail(reader, "invalid number", start);
  } else {
    while (at != end && is_digit(*at)) ++at;
  }
  if (at != end && *at == '.') {
    ++at;
    if (at == end || !is_digit(*at)) return json_fail(reader, "invalid number", start);
    while (at != end && is_digit(*at)) ++at;
  }
  if (at != end && (*at == 'e' || *at == 'E')) {
    ++at;
    if (at != end && (*at == '+' || *at == '-')) ++at;
    if (at == end || !is_digit(*at)) return json_fail(reader, "invalid number", start);
    while (at != end && is_digit(*at)) ++at;
  }
  reader.at = at;
  return true;
}

bool pass_word(json_reader& reader, const char* word) noexcept {
  const std::size_t length = std::strlen(word);
  if (static_cast<std::size_t>(reader.end - reader.at) < length ||
      std::memcmp(reader.at, word, length) != 0) {
    return json_fail(reader, "invalid JSON", reader.at);
  }
  reader.at += length;
  return true;
}

// A number, true, false or null.
bool pass_scalar(json_reader& reader) noexcept {
  switch (*reader.at) {
    case 't':
      return pass_word(reader, "true");
    case 'f':
      return pass_word(reader, "false");
    case 'n':
      return pass_word(reader, "null");
    default:
      return pass_number(reader);
  }
}

}  // namespace

json_reader json_open(std::string_view text) noexcept {
  return {text.data(), text.data(), text.data() + text.size(), nullptr, 0, json_status::ok,
          nullptr,     nullptr};
}

void json_close(json_reader& reader) noexcept {
  sqlite3_free(reader.scratch);
  reader.scratch = nullptr;
}

bool json_fail(json_reader& reader, const char* reason, const char* at) noexcept {
  if (reader.status == json_status::ok) {
    reader.status = json_status::malformed;
    reader.reason = reason;
    reader.error_at = at;
  }
  return false;
}

json_kind json_peek(json_reader& reader) noexcept {
  skip_space(reader);
  if (reader.at == reader.end) return json_kind::none;
  switch (*reader.at) {
    case '{':
      return json_kind::object;
    case '[':
      return json_kind::array;
    case '"':
      return json_kind::string;
    case 't':
    case 'f':
    case 'n':
    case '-':
      return json_kind::scalar;
    default:
      return is_digit(*reader.at) ? json_kind::scalar : json_kind::none;
  }
}

bool json_next_member(json_reader& reader, bool first, std::string_view& name) noexcept {
  if (reader.status != json_status::ok) return false;
  if (first) {
    if (!expect(reader, '{', "expected an object")) return false;
    skip_space(reader);
    if (reader.at != reader.end && *reader.at == '}') {
      ++reader.at;
      return false;
    }
  } else {
    skip_space(reader);
    if (reader.at != reader.end && *reader.at == '}') {
      ++reader.at;
      return false;
    }
    if (!expect(reader, ',', "expected ',' or '}'")) return false;
  }
  if (json_peek(reader) != json_kind::string) {
    return json_fail(reader, "expected a member name", reader.at);
  }
  return json_string(reader, name) && expect(reader, ':', "expected ':'");
}

bool json_next_element(json_reader& reader, bool first) noexcept {
  if (reader.status != json_status::ok) return false;
  if (first && !expect(reader, '[', "expected an array")) return false;
  skip_space(reader);
  if (reader.at != reader.end && *reader.at == ']') {
    ++reader.at;
    return false;
  }
  if (!first && !expect(reader, ',', "expected ',' or ']'")) return false;
  return true;
}

bool json_string(json_reader& reader, std::string_view& text) noexcept {
  if (reader.status != json_status::ok) return false;
  if (json_peek(reader) != json_kind::string) {
    return json_fail(reader, "expected a string", reader.at);
  }
  const char* const start = reader.at;
  bool escaped = false;
  if (!pass_string(reader, escaped)) return false;
  const char* const raw = start + 1;
  const std::size_t raw_length = static_cast<std::size_t>(reader.at - 1 - raw);
  if (!escaped) {
    text = std::string_view(raw, raw_length);
    return true;
  }
  if (reader.scratch == nullptr) {
    const auto size = static_cast<std::uint64_t>(reader.end - reader.begin) * 2;
    reader.scratch = static_cast<char*>(sqlite3_malloc64(size));
    if (reader.scratch == nullptr) {
      reader.status = json_status::no_memory;
      return false;
    }
  }
  // pass_string() checked every escape, so decoding cannot fail.
  char* const out = reader.scratch + reader.scratch_used;
  char* put = out;
  for (const char* at = raw; at != raw + raw_length;) {
    if (*at != '\\') {
      *put++ = *at++;
      continue;
    }
    std::size_t used = 0;
    put = put_utf8(put, static_cast<unsigned long>(escape_code(at + 1, reader.end, used)));
    at += 1 + used;
  }
  reader.scratch_used += static_cast<std::size_t>(put - out);
  text = std::string_view(out, static_cast<std::size_t>(put - out));
  return true;
}

bool json_skip(json_reader& reader) noexcept {
  if (reader.status != json_status::ok) return false;
  // One bit a level, set for an object: which closing bracket is due.
  constexpr int kWordBits = 64;
  std::uint64_t objects[(kJsonMaxDepth + kWordBits - 1) / kWordBits] = {};
  int depth = 0;
  // Whether the next token is a value (true) or what follows one.
  bool want_value = true;
  for (;;) {
    skip_space(reader);
    if (reader.at == reader.end) return json_fail(reader, "unexpected end of the text", reader.at);
    const char c = *reader.at;
    if (want_value) {
      if (c == '{' || c == '[') {
        if (depth == kJsonMaxDepth) return json_fail(reader, "nested too deeply", reader.at);
        const std::uint64_t bit = std::uint64_t{1} << (depth % kWordBits);
        if (c == '{') {
          objects[depth / kWordBits] |= bit;
        } else {
          objects[depth / kWordBits] &= ~bit;
        }
        ++depth;
        ++reader.at;
        skip_space(reader);
        const char close = c == '{' ? '}' : ']';
        if (reader.at != reader.end && *reader.at == close) {
          ++reader.at;
          --depth;
          want_value = false;
        } else if (c == '{') {
          bool escaped = false;
          if (reader.at == reader.end || *reader.at != '"') {
            return json_fail(reader, "expected a member name", reader.at);
          }
          if (!pass_string(reader, escaped) || !expect(reader, ':', "expected ':'")) return false;
        }
      } else if (c == '"') {
        bool escaped = false;
        if (!pass_string(reader, escaped)) return false;
        want_value = false;
      } else if (json_peek(reader) == json_kind::scalar) {
        if (!pass_scalar(reader)) return false;
        want_value = false;
      } else {
        return json_fail(reader, "invalid JSON", reader.at);
      }
    } else {
      if (depth == 0) return true;
      const bool in_object = (objects[(depth - 1) / kWordBits] >> ((depth - 1) % kWordBits)) & 1;
      if (c == (in_object ? '}' : ']')) {
        ++reader.at;
        --depth;
        continue;
      }
      if (c != ',') return json_fail(reader, "invalid JSON", reader.at);
      ++reader.at;
      want_value = true;
      if (in_object) {
        bool escaped = false;
        skip_space(reader);
        if (reader.at == reader.end || *reader.at != '"') {
          return json_fail(reader, "expected a member name", reader.at);
        }
        if (!pass_string(reader, escaped) || !expect(reader, ':', "expected ':'")) return false;
      }
    }
    if (!want_value && depth == 0) return true;
  }
}

bool json_at_end(json_reader& reader) noexcept {
  if (reader.status != json_status::ok) return false;
  skip_space(reader);
  return reader.at == reader.end || json_fail(reader, "text after the value", reader.at);
}

}  // namespace korvel
