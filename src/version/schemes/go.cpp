// Go modules' version order, as golang.org/x/mod/semver reads a text.
//
// A version is 'v', then MAJOR, MAJOR.MINOR or MAJOR.MINOR.PATCH (a missing
// part is 0, and the short forms take no prerelease or build), each a digit
// run without a leading zero and of any length; then optionally '-' and a
// prerelease, then optionally '+' and build metadata, both non-empty
// identifiers of ASCII letters, digits and '-' separated by dots, a
// prerelease's all-digit ones without a leading zero. Numbers compare by
// value, a release above its prereleases, prereleases identifier by
// identifier (all-digit ones by value and below the others, those by
// bytes; a list that is a prefix of another first). Build metadata does not
// count, so "v1.2.3+incompatible" equals "v1.2.3"; pseudo-versions
// ("v0.0.0-20240110084000-0a5e8f1c3b2d") are prereleases like any other.
//
// Key, byte by byte (compared memcmp-then-length):
//   number      n, the count of its digits (one byte below 255, else 0xFF
//               and four bytes big-endian), then its n digits as ASCII
//   version     major, minor and patch as numbers, then 0xFF for a release
//               or its prerelease identifiers one after another
//   numeric id  0x01, then the identifier as a number
//   other id    0x02, its bytes, 0x00
#include "version/schemes/go.h"

#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/schemes/dotted_numbers.h"

namespace korvel {

namespace {

constexpr unsigned char kNumericId = 0x01;
constexpr unsigned char kOtherId = 0x02;
constexpr unsigned char kRelease = 0xFF;

bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

struct ident_bytes {
  bool of[256];
};

constexpr ident_bytes make_ident_bytes() noexcept {
  ident_bytes bytes{};
  for (int c = '0'; c <= '9'; ++c) bytes.of[c] = true;
  for (int c = 'a'; c <= 'z'; ++c) bytes.of[c] = true;
  for (int c = 'A'; c <= 'Z'; ++c) bytes.of[c] = true;
  bytes.of[static_cast<unsigned char>('-')] = true;
  return bytes;
}

constexpr ident_bytes kIdentBytes = make_ident_bytes();

// Letters, digits and '-': the bytes of identifiers.
bool is_ident(char c) noexcept {
  return kIdentBytes.of[static_cast<unsigned char>(c)];
}

struct span {
  std::size_t begin;
  std::size_t end;
  std::size_t size() const noexcept { return end - begin; }
};

// A valid text's parts: the three numbers (a missing one an empty span,
// which reads as 0) and the prerelease after its '-' (empty: a release).
struct parts {
  span number[3];
  span prerelease;
};

// A digit run without a leading zero at text[i], or false.
bool read_number(std::string_view text, std::size_t& i, span& out) noexcept {
  const std::size_t begin = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  out = {begin, i};
  return i > begin && (text[begin] != '0' || i == begin + 1);
}

// Dot-separated non-empty identifiers up to `stop` or the end; with
// `prerelease`, all-digit ones without a leading zero.
bool read_identifiers(std::string_view text, std::size_t& i, bool prerelease) noexcept {
  for (;;) {
    const std::size_t begin = i;
    bool numeric = true;
    for (; i < text.size() && is_ident(text[i]); ++i) numeric &= is_digit(text[i]);
    if (i == begin) return false;
    if (prerelease && numeric && i - begin > 1 && text[begin] == '0') return false;
    if (i == text.size() || text[i] != '.') return true;
    ++i;
  }
}

bool parse(std::string_view text, parts& p) noexcept {
  p = {};
  if (text.empty() || text[0] != 'v') return false;
  std::size_t i = 1;
  for (int k = 0; k < 3; ++k) {
    if (k != 0) {
      // The short forms end right after a number.
      if (i == text.size()) return true;
      if (text[i++] != '.') return false;
    }
    if (!read_number(text, i, p.number[k])) return false;
  }
  if (i < text.size() && text[i] == '-') {
    const std::size_t begin = ++i;
    if (!read_identifiers(text, i, true)) return false;
    p.prerelease = {begin, i};
  }
  if (i < text.size() && text[i] == '+') {
    ++i;
    if (!read_identifiers(text, i, false)) return false;
  }
  return i == text.size();
}

bool valid(std::string_view text) noexcept {
  parts p;
  return parse(text, p);
}

// A missing number reads as the single digit 0.
span digits_of(std::string_view text, span s, const char*& digits) noexcept {
  if (s.size() == 0) {
    digits = "0";
    return {0, 1};
  }
  digits = text.data() + s.begin;
  return s;
}

// Digit runs without leading zeros: by length, then digit by digit. Numbers
// are short; a loop beats a call to memcmp.
int compare_numbers(const char* lhs, std::size_t lhs_size, const char* rhs,
                    std::size_t rhs_size) noexcept {
  if (lhs_size != rhs_size) return lhs_size < rhs_size ? -1 : 1;
  for (std::size_t k = 0; k < lhs_size; ++k) {
    if (lhs[k] != rhs[k]) return lhs[k] < rhs[k] ? -1 : 1;
  }
  return 0;
}

int compare_bytes(const char* lhs, std::size_t lhs_size, const char* rhs,
                  std::size_t rhs_size) noexcept {
  const std::size_t common = lhs_size < rhs_size ? lhs_size : rhs_size;
  const int order = std::memcmp(lhs, rhs, common);
  if (order != 0) return order < 0 ? -1 : 1;
  return (lhs_size > rhs_size) - (lhs_size < rhs_size);
}

span next_identifier(std::string_view text, std::size_t i, std::size_t end) noexcept {
  std::size_t k = i;
  while (k < end && text[k] != '.') ++k;
  return {i, k};
}

bool all_digits(std::string_view text, span s) noexcept {
  for (std::size_t k = s.begin; k < s.end; ++k) {
    if (!is_digit(text[k])) return false;
  }
  return true;
}

int compare_prereleases(std::string_view lhs, span l, std::string_view rhs, span r) noexcept {
  if (l.size() == 0 || r.size() == 0) return (l.size() == 0) - (r.size() == 0);
  std::size_t i = l.begin;
  std::size_t j = r.begin;
  for (;;) {
    const span a = next_identifier(lhs, i, l.end);
    const span b = next_identifier(rhs, j, r.end);
    const bool a_numeric = all_digits(lhs, a);
    const bool b_numeric = all_digits(rhs, b);
    int order;
    if (a_numeric != b_numeric) {
      order = a_numeric ? -1 : 1;
    } else if (a_numeric) {
      order = compare_numbers(lhs.data() + a.begin, a.size(), rhs.data() + b.begin, b.size());
    } else {
      order = compare_bytes(lhs.data() + a.begin, a.size(), rhs.data() + b.begin, b.size());
    }
    if (order != 0) return order;
    const bool lhs_more = a.end < l.end;
    const bool rhs_more = b.end < r.end;
    if (!lhs_more || !rhs_more) return int{lhs_more} - int{rhs_more};
    i = a.end + 1;
    j = b.end + 1;
  }
}

int compare_parts(std::string_view lhs, const parts& l, std::string_view rhs,
                  const parts& r) noexcept {
  for (int k = 0; k < 3; ++k) {
    const char* a;
    const char* b;
    const span sa = digits_of(lhs, l.number[k], a);
    const span sb = digits_of(rhs, r.number[k], b);
    const int order = compare_numbers(a, sa.size(), b, sb.size());
    if (order != 0) return order;
  }
  return compare_prereleases(lhs, l.prerelease, rhs, r.prerelease);
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  parts l;
  parts r;
  (void)parse(lhs, l);
  (void)parse(rhs, r);
  return compare_parts(lhs, l, rhs, r);
}

// A release "v1", "v1.2" or "v1.2.3" of at most sixteen bytes after its
// 'v': as a missing number is 0 and a shorter text sorts first among equal
// ones, two of them order as numbered texts.
bool read_plain(std::string_view text, numbered_text& out) noexcept {
  return text.size() > 1 && text[0] == 'v' &&
         read_dotted_numbers({text.data() + 1, text.size() - 1}, 2, out);
}

// The collation reads each text once, for its validity and its parts.
int collate(std::string_view lhs, std::string_view rhs) noexcept {
  numbered_text a_plain;
  numbered_text b_plain;
  if (read_plain(lhs, a_plain) && read_plain(rhs, b_plain)) {
    return compare_numbered_texts(a_plain, b_plain);
  }
  if (lhs.size() == rhs.size() && shared_length(lhs.data(), rhs.data(), lhs.size()) == lhs.size())
    return 0;
  parts l;
  parts r;
  const bool lhs_valid = parse(lhs, l);
  if (lhs_valid != parse(rhs, r)) return lhs_valid ? 1 : -1;
  const int order = lhs_valid ? compare_parts(lhs, l, rhs, r) : 0;
  if (order != 0) return order;
  return byte_order(lhs, rhs);
}

// "v1" is the longest key for its size: three numbers and a release mark in
// 9 bytes; past that every byte of the text adds at most two (a one-digit
// identifier after a dot is 3 bytes for 2).
std::size_t key_bound(std::size_t size) noexcept {
  return 2 * size + 16;
}

unsigned char* put_number(unsigned char* out, const char* digits, std::size_t n) noexcept {
  if (n < 0xFF) {
    *out++ = static_cast<unsigned char>(n);
  } else {
    *out++ = 0xFF;
    for (int shift = 24; shift >= 0; shift -= 8) {
      *out++ = static_cast<unsigned char>(static_cast<std::uint32_t>(n) >> shift);
    }
  }
  std::memcpy(out, digits, n);
  return out + n;
}

std::size_t parts_key(std::string_view text, const parts& p, unsigned char* out) noexcept {
  unsigned char* cursor = out;
  for (const span& number : p.number) {
    const char* digits;
    const span s = digits_of(text, number, digits);
    cursor = put_number(cursor, digits, s.size());
  }
  if (p.prerelease.size() == 0) {
    *cursor++ = kRelease;
    return static_cast<std::size_t>(cursor - out);
  }
  for (std::size_t i = p.prerelease.begin;;) {
    const span id = next_identifier(text, i, p.prerelease.end);
    if (all_digits(text, id)) {
      *cursor++ = kNumericId;
      cursor = put_number(cursor, text.data() + id.begin, id.size());
    } else {
      *cursor++ = kOtherId;
      std::memcpy(cursor, text.data() + id.begin, id.size());
      cursor += id.size();
      *cursor++ = 0;
    }
    if (id.end == p.prerelease.end) return static_cast<std::size_t>(cursor - out);
    i = id.end + 1;
  }
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  parts p;
  (void)parse(text, p);
  return parts_key(text, p, out);
}

std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
  parts p;
  return parse(text, p) ? parts_key(text, p, out) : kNoKey;
}

}  // namespace

const version_scheme GO_SCHEME = {valid,   compare,   key_bound, key,
                                  collate, valid_key, nullptr,   triple_lead};

}  // namespace korvel
