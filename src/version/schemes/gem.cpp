// The "gem" scheme: RubyGems' Gem::Version (RubyGems 3.3, Ruby 3.1), over
// exactly the texts Gem::Version.correct? accepts.
//
// A valid text is white space (space, \t, \n, \v, \f, \r), then either
// nothing or a version, then white space: digits, then any number of '.'
// and a run of ASCII letters and digits, then optionally '-' and a run of
// letters, digits and '-', then any number of '.' and such a run. A text of
// white space only is the version 0, as Gem::Version.new makes it.
//
// The order reads the version as segments: maximal runs of digits (numbers
// of any length, leading zeros ignored) and of letters, and "pre" for each
// '-' (RubyGems rewrites '-' as ".pre."); '.' only separates. The segments
// before the first letter run lose their trailing zeros, and so does the
// rest, so that 1.0.a = 1.a and 1.0 = 1. Two versions compare segment by
// segment, the shorter padded with zeros: a letter run sorts before any
// number (1.a < 1 < 1.0.1), letter runs compare by bytes (B < a < ab).
//
// Key, byte by byte (compared memcmp-then-length), the segments above with
// the trailing zeros of the whole dropped, then 0x03:
//   0x01 letters 0x00      a letter run ("pre" for '-')
//   0x02                   a zero whose next nonzero segment is letters
//   0x03                   the end
//   0x04                   a zero whose next nonzero segment is a number
//   0x04 + n, digits       a number of n significant digits, 1 <= n <= 250
//   0xFF, n (8 bytes), digits   a longer number, n big-endian
// Digits are packed two to a byte, high nibble first, the last low nibble 0
// when n is odd. A zero is told by what decides against the end's implicit
// zeros: the letters after it sort below the end, a number above.
#include "version/schemes/gem.h"

#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/schemes/dotted_numbers.h"

namespace korvel {

namespace {

constexpr unsigned char kLetters = 0x01;
constexpr unsigned char kZeroBeforeLetters = 0x02;
constexpr unsigned char kEnd = 0x03;
constexpr unsigned char kZeroBeforeNumber = 0x04;
constexpr unsigned char kNumber = 0x04;  // plus the count of digits
constexpr std::size_t kShortNumberDigits = 250;
constexpr unsigned char kLongNumber = 0xFF;

bool is_space(char c) noexcept {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

bool is_digit(char c) noexcept {
  return static_cast<unsigned char>(c - '0') < 10;
}

bool is_letter(char c) noexcept {
  return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}

bool is_alnum(char c) noexcept {
  return is_digit(c) || is_letter(c);
}

// The text without the white space around it.
std::string_view trimmed(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_space(text[begin])) ++begin;
  while (end > begin && is_space(text[end - 1])) --end;
  return std::string_view(text.data() + begin, end - begin);
}

// A run of at least one byte that `in` accepts, from `i`.
template <typename Accepts>
bool run(std::string_view text, std::size_t& i, Accepts in) noexcept {
  const std::size_t start = i;
  while (i < text.size() && in(text[i])) ++i;
  return i > start;
}

bool is_prerelease_byte(char c) noexcept {
  return is_alnum(c) || c == '-';
}

bool valid(std::string_view text) noexcept {
  const std::string_view version = trimmed(text);
  std::size_t i = 0;
  if (version.empty()) return true;
  if (!run(version, i, is_digit)) return false;
  while (i < version.size() && version[i] == '.') {
    ++i;
    if (!run(version, i, is_alnum)) return false;
  }
  if (i < version.size() && version[i] == '-') {
    ++i;
    if (!run(version, i, is_prerelease_byte)) return false;
    while (i < version.size() && version[i] == '.') {
      ++i;
      if (!run(version, i, is_prerelease_byte)) return false;
    }
  }
  return i == version.size();
}

enum class kind { end, letters, number };

struct segment {
  kind what;
  const char* begin;  // letters, or a number's first significant digit
  std::size_t size;   // 0 for the number zero and for the end
};

constexpr char kPre[] = "pre";

bool is_zero(const segment& s) noexcept {
  return s.what != kind::letters && s.size == 0;
}

// The segments of a valid version, with the zeros that end the segments
// before the first letter run left out.
struct reader {
  const char* p;
  const char* end;
  bool in_letters = false;  // past the first letter run
  // Zeros before here are followed by a nonzero number before any letters.
  const char* zeros_kept_until = nullptr;

  explicit reader(std::string_view text) noexcept {
    const std::string_view version = trimmed(text);
    p = version.data();
    end = p + version.size();
  }

  reader(const char* from, std::string_view text, bool letters) noexcept
      : p(from), end(trimmed(text).data() + trimmed(text).size()), in_letters(letters) {}

  segment next() noexcept {
    for (;;) {
      while (p != end && *p == '.') ++p;
      if (p == end) return {kind::end, nullptr, 0};
      if (*p == '-') {
        ++p;
        in_letters = true;
        return {kind::letters, kPre, 3};
      }
      if (is_letter(*p)) {
        const char* start = p;
        while (p != end && is_letter(*p)) ++p;
        in_letters = true;
        return {kind::letters, start, static_cast<std::size_t>(p - start)};
      }
      while (p != end && *p == '0') ++p;
      const char* first = p;
      while (p != end && is_digit(*p)) ++p;
      const segment number{kind::number, first, static_cast<std::size_t>(p - first)};
      if (number.size != 0 || in_letters || p <= zeros_kept_until) return number;
      if (!drop_zeros()) return number;
    }
  }

  // At a zero before the first letter run: whether only zeros follow up to
  // the letters or the end, in which case the walk moves past them.
  bool drop_zeros() noexcept {
    const char* q = p;
    for (;;) {
      while (q != end && *q == '.') ++q;
      if (q == end || !is_digit(*q)) break;
      const char* run_start = q;
      while (q != end && *q == '0') ++q;
      if (q != end && is_digit(*q)) {
        zeros_kept_until = run_start;
        return false;
      }
    }
    p = q;
    return true;
  }
};

int compare_bytes(const char* a, std::size_t a_size, const char* b, std::size_t b_size) noexcept {
  const int order = std::memcmp(a, b, a_size < b_size ? a_size : b_size);
  if (order != 0) return order;
  return (a_size > b_size) - (a_size < b_size);
}

int compare_segments(const segment& a, const segment& b) noexcept {
  const bool a_letters = a.what == kind::letters;
  if (a_letters != (b.what == kind::letters)) return a_letters ? -1 : 1;
  if (a_letters) return compare_bytes(a.begin, a.size, b.begin, b.size);
  // Numbers, the end standing for zero.
  if (a.size != b.size) return a.size < b.size ? -1 : 1;
  return a.size == 0 ? 0 : std::memcmp(a.begin, b.begin, a.size);
}

int compare_readers(reader& a, reader& b) noexcept {
  for (;;) {
    const segment x = a.next();
    const segment y = b.next();
    if (x.what == kind::end && y.what == kind::end) return 0;
    const int order = compare_segments(x, y);
    if (order != 0) return order;
  }
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  reader a(lhs);
  reader b(rhs);
  return compare_readers(a, b);
}

// compare() of two valid texts whose first `shared` bytes are the same, read
// from where their segments can first differ. Before that point both texts
// hold the same segments, so the walk starts there in the state the shared
// bytes leave: past a letter run or not, and, before the first one, back at
// the zeros that end the shared bytes, which the rest decides to keep or not.
int compare_sharing(std::string_view lhs, std::string_view rhs, std::size_t shared) noexcept {
  std::size_t lead = 0;
  while (lead < lhs.size() && is_space(lhs[lead])) ++lead;
  if (shared <= lead) return compare(lhs, rhs);
  const char* text = lhs.data();
  std::size_t from = shared;
  while (from > lead && is_alnum(text[from - 1])) --from;
  // White space there may be where one text ends: read both whole.
  bool letters = false;
  for (std::size_t i = lead; i < from; ++i) {
    if (is_space(text[i])) return compare(lhs, rhs);
    letters |= is_letter(text[i]) || text[i] == '-';
  }
  if (from < shared && is_space(text[from])) return compare(lhs, rhs);
  while (!letters && from > lead) {
    // text[from - 1] is a '.' after a number: back over it if it is zero.
    std::size_t start = from - 1;
    while (start > lead && is_digit(text[start - 1])) --start;
    bool zero = true;
    for (std::size_t i = start; i + 1 < from; ++i) zero &= text[i] == '0';
    if (!zero) break;
    from = start;
  }
  reader a(text + from, lhs, letters);
  reader b(rhs.data() + from, rhs, letters);
  return compare_readers(a, b);
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
  numbered_text a_plain;
  numbered_text b_plain;
  if (read_dotted_numbers(lhs, kAnyDots, a_plain) && read_dotted_numbers(rhs, kAnyDots, b_plain)) {
    return compare_numbered_texts(a_plain, b_plain);
  }
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  constexpr std::size_t any = static_cast<std::size_t>(-1);
  if (is_dotted_numbers(lhs, any, any, any) && is_dotted_numbers(rhs, any, any, any)) {
    const int order = compare_dotted_numbers(lhs, rhs, shared);
    return order != 0 ? (order < 0 ? -1 : 1) : byte_order(lhs, rhs);
  }
  const bool lhs_valid = valid(lhs);
  if (lhs_valid != valid(rhs)) return lhs_valid ? 1 : -1;
  if (lhs_valid) {
    const int order = compare_sharing(lhs, rhs, shared);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  return byte_order(lhs, rhs);
}

// Five key bytes at most for each text byte (a '-' is "pre" and its two
// markers), the end, and a long number's length; saturated, so that a
// 32-bit host asks for an impossible block instead of a short one.
std::size_t key_bound(std::size_t size) noexcept {
  constexpr std::size_t most = static_cast<std::size_t>(-1);
  constexpr std::size_t fixed = 16;
  return size > (most - fixed) / 5 ? most : 5 * size + fixed;
}

unsigned char* put_number(const segment& number, unsigned char* out) noexcept {
  if (number.size <= kShortNumberDigits) {
    *out++ = static_cast<unsigned char>(kNumber + number.size);
  } else {
    *out++ = kLongNumber;
    for (int shift = 56; shift >= 0; shift -= 8) {
      *out++ = static_cast<unsigned char>(static_cast<std::uint64_t>(number.size) >> shift);
    }
  }
  const char* digit = number.begin;
  for (std::size_t left = number.size; left >= 2; left -= 2, digit += 2) {
    *out++ = static_cast<unsigned char>(((digit[0] - '0') << 4) | (digit[1] - '0'));
  }
  if (number.size % 2 != 0) *out++ = static_cast<unsigned char>((*digit - '0') << 4);
  return out;
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  reader walk(text);
  unsigned char* at = out;
  std::size_t zeros = 0;  // not yet written: what follows them decides their byte
  for (;;) {
    const segment s = walk.next();
    if (s.what == kind::end) break;
    if (is_zero(s)) {
      ++zeros;
      continue;
    }
    const bool letters = s.what == kind::letters;
    if (zeros != 0) std::memset(at, letters ? kZeroBeforeLetters : kZeroBeforeNumber, zeros);
    at += zeros;
    zeros = 0;
    if (letters) {
      *at++ = kLetters;
      std::memcpy(at, s.begin, s.size);
      at += s.size;
      *at++ = 0x00;
    } else {
      at = put_number(s, at);
    }
  }
  *at++ = kEnd;
  return static_cast<std::size_t>(at - out);
}

// The first number, then the second segment: a letter run (below the
// implicit zeros past the end), the end, or a number. A 0 there may yet
// stand before a letter run (1.0.a is 1.a), so it lies between the two.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (!lead_digit(p, end)) return kUnknownLead;
  lead_packer out(against);
  out.clamped(lead_number(p, end), 32);
  if (out.apart()) return out.rest_unknown();
  unsigned second = 0;  // letters, the end or a number
  if (p == end || is_space(*p)) {
    second = 1;
  } else if (*p != '-' && !(*p == '.' && p + 1 != end && is_letter(p[1]))) {
    if (*p != '.' || !lead_digit(p + 1, end)) return out.rest_unknown();
    ++p;
    const std::uint64_t number = lead_number(p, end);
    if (number == 0) return out.spanning(0, 1, 2);
    out.put(2, 2);
    out.clamped(number, 30);
    return out.done();
  }
  out.put(second, 2);
  out.put(0, 30);
  return out.done();
}

}  // namespace

const version_scheme GEM_SCHEME = {valid, compare, key_bound, key, collate, nullptr, nullptr, lead};

}  // namespace korvel
