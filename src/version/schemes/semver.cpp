// The "semver" scheme: Semantic Versioning 2.0.0 precedence over exactly the
// texts npm's own library accepts in strict mode.
//
// What that library adds to the grammar, and so this file too: one optional
// leading 'v' (no 'V', no '='); white space around the version as
// JavaScript's trim() sees it, Unicode spaces and the byte order mark
// included; at most 256 UTF-16 units in the whole text, that white space
// included; major, minor and patch at most 2^53-1. It compares numeric
// prerelease identifiers through the nearest double, so identifiers above
// 2^53 that round to the same double are equal here too (the library then
// stops comparing; this order goes on to the next identifier, which keeps it
// transitive).
//
// Key, byte by byte (compared memcmp-then-length):
//   number       n, then the value's n big-endian bytes with no leading zero
//                byte (0 is the single byte 0x00)
//   version      major, minor, patch as numbers, then either 0xFF for a
//                release or the prerelease identifiers one after another
//   numeric id   its value (rounded to a double above 2^53) as a number:
//                n <= 104 keeps it below every alphanumeric one
//   other id     0x7F, its ASCII bytes, 0x00
// A release's 0xFF sorts above any identifier's first byte; a list that is a
// proper prefix of another is a shorter key. Build metadata is left out.
#include "version/schemes/semver.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/chunks.h"
#include "version/words.h"

namespace korvel {

namespace {

constexpr std::size_t kMaxUnits = 256;
// Every character a valid text can hold takes at most 3 bytes of UTF-8.
constexpr std::size_t kMaxBytes = 3 * kMaxUnits;
constexpr char kMaxSafeInteger[] = "9007199254740991";
constexpr std::size_t kMaxSafeDigits = sizeof kMaxSafeInteger - 1;
// Up to 10^15 every digit string is exactly a double.
constexpr std::size_t kExactDigits = 15;

constexpr unsigned char kAlphanumericTag = 0x7F;
constexpr unsigned char kReleaseMark = 0xFF;
// The longest key: "0.0.0-a.a.a..." over the whole length.
constexpr std::size_t kMaxKeyBytes = kMaxUnits + kMaxUnits / 2 + 2;

enum : unsigned char { kOther, kDigit, kLetter };  // kLetter: letters and '-'

struct byte_classes {
  unsigned char of[256];
};

constexpr byte_classes make_classes() noexcept {
  byte_classes classes{};
  for (int c = '0'; c <= '9'; ++c) classes.of[c] = kDigit;
  for (int c = 'a'; c <= 'z'; ++c) classes.of[c] = kLetter;
  for (int c = 'A'; c <= 'Z'; ++c) classes.of[c] = kLetter;
  classes.of[static_cast<unsigned char>('-')] = kLetter;
  return classes;
}

constexpr byte_classes kClasses = make_classes();

unsigned char class_of(char c) noexcept {
  return kClasses.of[static_cast<unsigned char>(c)];
}

bool is_digit(char c) noexcept {
  return class_of(c) == kDigit;
}

bool byte_is(std::string_view text, std::size_t i, char c) noexcept {
  return i < text.size() && text[i] == c;
}

// The UTF-8 length of the white space character at text[i], 0 if there is
// none: trim()'s set is tab to carriage return, space, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000 and U+FEFF.
std::size_t space_length(std::string_view text, std::size_t i) noexcept {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned lead = byte(0);
  if (lead == ' ' || (lead >= '\t' && lead <= '\r')) return 1;
  const std::size_t left = text.size() - i;
  if (lead == 0xC2) return left >= 2 && byte(1) == 0xA0 ? 2 : 0;
  if (left < 3) return 0;
  const unsigned middle = byte(1);
  const unsigned last = byte(2);
  const unsigned tail = middle << 8 | last;
  bool space = false;
  if (lead == 0xE1) space = tail == 0x9A80;
  if (lead == 0xE2) {
    space = (middle == 0x80 &&
             ((last >= 0x80 && last <= 0x8A) || last == 0xA8 || last == 0xA9 || last == 0xAF)) ||
            tail == 0x819F;
  }
  if (lead == 0xE3) space = tail == 0x8080;
  if (lead == 0xEF) space = tail == 0xBBBF;
  return space ? 3 : 0;
}

// Moves past white space; `extra` gains the bytes beyond one per character,
// since every such character is one UTF-16 unit.
void skip_spaces(std::string_view text, std::size_t& i, std::size_t& extra) noexcept {
  while (i < text.size()) {
    const std::size_t length = space_length(text, i);
    if (length == 0) return;
    i += length;
    extra += length - 1;
  }
}

// Major, minor or patch: 0, or digits with no leading zero up to 2^53-1.
bool core_number(std::string_view text, std::size_t& i) noexcept {
  const std::size_t start = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  const std::size_t digits = i - start;
  if (digits == 0 || (digits > 1 && text[start] == '0')) return false;
  if (digits != kMaxSafeDigits) return digits < kMaxSafeDigits;
  return std::memcmp(text.data() + start, kMaxSafeInteger, kMaxSafeDigits) <= 0;
}

bool core_numbers(std::string_view text, std::size_t& i) noexcept {
  for (int part = 0; part < 3; ++part) {
    if (part != 0 && !byte_is(text, i++, '.')) return false;
    if (!core_number(text, i)) return false;
  }
  return true;
}

// Non-empty identifiers of letters, digits and '-' separated by dots; a
// prerelease's all-digit ones carry no leading zero.
bool identifiers(std::string_view text, std::size_t& i, bool prerelease) noexcept {
  for (;;) {
    const std::size_t start = i;
    bool numeric = true;
    for (; i < text.size(); ++i) {
      const unsigned char kind = class_of(text[i]);
      if (kind == kOther) break;
      numeric &= kind == kDigit;
    }
    if (i == start) return false;
    if (prerelease && numeric && i - start > 1 && text[start] == '0') return false;
    if (!byte_is(text, i, '.')) return true;
    ++i;
  }
}

// The common case at a glance: a text of at most 64 bytes with nothing but
// the grammar's own bytes is read as bit masks, one bit a byte, and checked
// whole without a branch per byte. Anything else (white space, other bytes,
// rare shapes such as a prerelease identifier "0" followed by digits or a
// core long enough to hold a 16-digit number) is left to the full reading.
enum class verdict { no, yes, unsure };

constexpr std::size_t kMaskBytes = 64;
// 16 digits, the first length that can pass 2^53-1, need a core of 20.
constexpr std::size_t kShortCore = 20;

struct byte_masks {
  std::uint64_t digit;
  std::uint64_t zero;
  std::uint64_t dot;
  std::uint64_t hyphen;
  std::uint64_t plus;
  std::uint64_t known;  // any byte of the grammar
};

// What the collation's plain texts are checked on: see there.
struct plain_masks {
  std::uint64_t digit;
  std::uint64_t zero;
  std::uint64_t dot;
  std::uint64_t plain;  // digits, letters, '-' and '.'
};

#if defined(__SSE2__)
// Chunks may overlap: their masks are or-ed at their offsets.
[[gnu::always_inline]] inline void add_chunk(byte_masks& masks, __m128i chunk,
                                             std::size_t at) noexcept {
  const __m128i digit = in_range(chunk, '0', 10);
  const __m128i letter = in_range(_mm_or_si128(chunk, _mm_set1_epi8(0x20)), 'a', 26);
  const __m128i dot = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'));
  const __m128i hyphen = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('-'));
  const __m128i plus = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('+'));
  const __m128i known =
      _mm_or_si128(_mm_or_si128(digit, letter), _mm_or_si128(dot, _mm_or_si128(hyphen, plus)));
  masks.digit |= mask_of(digit) << at;
  masks.zero |= mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('0'))) << at;
  masks.dot |= mask_of(dot) << at;
  masks.hyphen |= mask_of(hyphen) << at;
  masks.plus |= mask_of(plus) << at;
  masks.known |= mask_of(known) << at;
}

byte_masks classify(std::string_view text) noexcept {
  return over_chunks<byte_masks>(text, add_chunk);
}

[[gnu::always_inline]] inline void add_plain_chunk(plain_masks& masks, __m128i chunk,
                                                   std::size_t at) noexcept {
  const __m128i digit = in_range(chunk, '0', 10);
  const __m128i letter = in_range(_mm_or_si128(chunk, _mm_set1_epi8(0x20)), 'a', 26);
  const __m128i hyphen_or_dot = in_range(chunk, '-', 2);
  masks.digit |= mask_of(digit) << at;
  masks.zero |= mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('0'))) << at;
  masks.dot |= mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'))) << at;
  masks.plain |= mask_of(_mm_or_si128(_mm_or_si128(digit, letter), hyphen_or_dot)) << at;
}

[[gnu::always_inline]] inline plain_masks classify_plain(std::string_view text) noexcept {
  return over_chunks<plain_masks>(text, add_plain_chunk);
}
#else
byte_masks classify(std::string_view text) noexcept {
  byte_masks masks{};
  for (std::size_t at = 0; at < text.size(); ++at) {
    const unsigned c = static_cast<unsigned char>(text[at]);
    const std::uint64_t bit = std::uint64_t{1} << at;
    if (c - '0' < 10) masks.digit |= bit;
    if (c == '0') masks.zero |= bit;
    if (c == '.') masks.dot |= bit;
    if (c == '-') masks.hyphen |= bit;
    if (c == '+') masks.plus |= bit;
    if (class_of(static_cast<char>(c)) != kOther || c == '.' || c == '+') masks.known |= bit;
  }
  return masks;
}

plain_masks classify_plain(std::string_view text) noexcept {
  const byte_masks m = classify(text);
  return {m.digit, m.zero, m.dot, m.known & ~m.plus};
}
#endif

// Bits [0, count).
std::uint64_t below(std::size_t count) noexcept {
  return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

std::uint64_t bit(std::size_t at) noexcept {
  return at >= 64 ? 0 : std::uint64_t{1} << at;
}

std::size_t first_set(std::uint64_t bits, std::size_t none) noexcept {
  return bits == 0 ? none : static_cast<std::size_t>(std::countr_zero(bits));
}

// Where the core ends (the first byte after `start` that is not a digit or a
// dot) and where build metadata starts, or `size` for none.
struct layout {
  std::size_t start;
  std::size_t core_end;
  std::size_t build;
};

verdict check_layout(const byte_masks& m, const layout& at, std::size_t size) noexcept {
  const std::uint64_t all = below(size);
  const std::uint64_t core = below(at.core_end) & ~below(at.start);
  const std::uint64_t dots = m.dot & core;
  const std::uint64_t after_first = dots & (dots - 1);
  if (dots == 0 || after_first == 0 || (after_first & (after_first - 1)) != 0) return verdict::no;
  if ((m.plus & all & ~below(at.build + 1)) != 0) return verdict::no;
  // Every separator, the core's end and the build's '+' included, stands
  // between two non-empty parts.
  const std::uint64_t separators = (m.dot | bit(at.core_end) | bit(at.build)) & all;
  if ((separators & (separators << 1)) != 0) return verdict::no;
  if ((separators & (bit(at.start) | bit(size - 1))) != 0) return verdict::no;
  const std::uint64_t zero_then_digit = m.zero & (m.digit >> 1);
  if ((((m.dot << 1) | bit(at.start)) & core & zero_then_digit) != 0) return verdict::no;
  const std::uint64_t prerelease = below(at.build) & ~below(at.core_end + 1);
  if ((((m.dot << 1) | bit(at.core_end + 1)) & prerelease & zero_then_digit) != 0) {
    return verdict::unsure;
  }
  return verdict::yes;
}

// A text of 1 to 64 bytes; `m` and `at` are what it found, which describe the
// text when it says yes.
verdict quick_valid(std::string_view text, byte_masks& m, layout& at) noexcept {
  const std::size_t size = text.size();
  m = classify(text);
  const std::uint64_t all = below(size);
  if ((m.known & all) != all) return verdict::unsure;
  at = {text[0] == 'v' ? std::size_t{1} : 0, size, size};
  at.core_end = first_set(~(m.digit | m.dot) & all & ~below(at.start), size);
  if (at.core_end - at.start >= kShortCore) return verdict::unsure;
  at.build = at.core_end;
  if (at.core_end < size) {
    if ((m.plus & bit(at.core_end)) == 0) {
      if ((m.hyphen & bit(at.core_end)) == 0) return verdict::no;
      at.build = first_set(m.plus & all & ~below(at.core_end + 1), size);
    }
  }
  return check_layout(m, at, size);
}

// Byte by byte, white space and all; kept out of line so that the quick
// path needs few registers.
[[gnu::noinline]] bool read_valid(std::string_view text) noexcept {
  if (text.size() > kMaxBytes) return false;
  std::size_t i = 0;
  std::size_t extra = 0;
  skip_spaces(text, i, extra);
  if (byte_is(text, i, 'v')) ++i;
  if (!core_numbers(text, i)) return false;
  if (byte_is(text, i, '-') && !identifiers(text, ++i, true)) return false;
  if (byte_is(text, i, '+') && !identifiers(text, ++i, false)) return false;
  skip_spaces(text, i, extra);
  return i == text.size() && text.size() - extra <= kMaxUnits;
}

bool valid(std::string_view text) noexcept {
  if (text.size() - 1 < kMaskBytes) {
    byte_masks m;
    layout at;
    const verdict quick = quick_valid(text, m, at);
    if (quick != verdict::unsure) return quick == verdict::yes;
  }
  return read_valid(text);
}

// A valid text's version starts at its first digit: white space and 'v'
// hold none.
std::size_t core_start(std::string_view text) noexcept {
  std::size_t i = 0;
  while (!is_digit(text[i])) ++i;
  return i;
}

// Orders two digit runs without leading zeros by length, then digit by
// digit, and moves past them when they are equal.
int compare_digits(std::string_view lhs, std::size_t& i, std::string_view rhs,
                   std::size_t& j) noexcept {
  int order = 0;
  for (;; ++i, ++j) {
    const bool lhs_digit = i < lhs.size() && is_digit(lhs[i]);
    const bool rhs_digit = j < rhs.size() && is_digit(rhs[j]);
    if (lhs_digit != rhs_digit) return lhs_digit ? 1 : -1;
    if (!lhs_digit) return order;
    if (order == 0 && lhs[i] != rhs[j]) order = lhs[i] < rhs[j] ? -1 : 1;
  }
}

struct identifier {
  std::size_t begin;
  std::size_t end;
  bool numeric;
};

identifier scan_identifier(std::string_view text, std::size_t i) noexcept {
  identifier id{i, i, true};
  for (; id.end < text.size(); ++id.end) {
    const unsigned char kind = class_of(text[id.end]);
    if (kind == kOther) break;
    id.numeric &= kind == kDigit;
  }
  return id;
}

// A numeric identifier's value rounded to the nearest double, ties to even:
// mantissa << shift, the mantissa below 2^53 and at least 2^52 when shifted.
struct rounded {
  std::uint64_t mantissa;
  unsigned shift;
};

// 250 digits, the most a valid identifier has, need 831 bits.
constexpr std::size_t kLimbs = 27;

struct big_number {
  std::uint32_t limb[kLimbs];
  std::size_t used;
};

void multiply_add(big_number& number, std::uint32_t factor, std::uint32_t addend) noexcept {
  std::uint64_t carry = addend;
  for (std::size_t k = 0; k < number.used; ++k) {
    carry += std::uint64_t{number.limb[k]} * factor;
    number.limb[k] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  if (carry != 0 && number.used < kLimbs)
    number.limb[number.used++] = static_cast<std::uint32_t>(carry);
}

// Nine digits at a time into base 2^32.
big_number parse_big(const char* digits, std::size_t count) noexcept {
  big_number number{};
  while (count != 0) {
    const std::size_t chunk = count < 9 ? count : 9;
    std::uint32_t factor = 1;
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < chunk; ++k) {
      factor *= 10;
      value = value * 10 + static_cast<std::uint32_t>(digits[k] - '0');
    }
    multiply_add(number, factor, value);
    digits += chunk;
    count -= chunk;
  }
  return number;
}

bool bit_at(const big_number& number, std::size_t k) noexcept {
  return ((number.limb[k / 32] >> (k % 32)) & 1u) != 0;
}

// Whether any of the bits below `k` is set.
bool any_below(const big_number& number, std::size_t k) noexcept {
  for (std::size_t w = 0; w < k / 32; ++w) {
    if (number.limb[w] != 0) return true;
  }
  return (number.limb[k / 32] & ((std::uint32_t{1} << (k % 32)) - 1)) != 0;
}

rounded round_big(const big_number& number) noexcept {
  if (number.used == 0) return {0, 0};
  const std::size_t top = number.used - 1;
  const std::size_t bits = 32 * top + static_cast<std::size_t>(std::bit_width(number.limb[top]));
  if (bits <= 53) {
    const std::uint64_t high = top == 0 ? 0 : number.limb[1];
    return {high << 32 | number.limb[0], 0};
  }
  rounded value{0, static_cast<unsigned>(bits - 53)};
  for (std::size_t k = bits; k-- > value.shift;) {
    value.mantissa = value.mantissa << 1 | std::uint64_t{bit_at(number, k)};
  }
  const std::size_t half = value.shift - 1;
  if (bit_at(number, half) && (any_below(number, half) || (value.mantissa & 1) != 0)) {
    ++value.mantissa;
  }
  if (value.mantissa >> 53 != 0) {
    value.mantissa >>= 1;
    ++value.shift;
  }
  return value;
}

std::uint64_t parse_small(const char* digits, std::size_t count) noexcept {
  std::uint64_t value = 0;
  for (std::size_t k = 0; k < count; ++k) {
    value = value * 10 + static_cast<std::uint64_t>(digits[k] - '0');
  }
  return value;
}

rounded round_digits(std::string_view text, const identifier& id) noexcept {
  const char* digits = text.data() + id.begin;
  const std::size_t count = id.end - id.begin;
  if (count <= kExactDigits) return {parse_small(digits, count), 0};
  return round_big(parse_big(digits, count));
}

int compare_rounded(rounded lhs, rounded rhs) noexcept {
  if (lhs.shift != rhs.shift) return lhs.shift < rhs.shift ? -1 : 1;
  return (lhs.mantissa > rhs.mantissa) - (lhs.mantissa < rhs.mantissa);
}

int compare_spans(const char* lhs, std::size_t lhs_size, const char* rhs,
                  std::size_t rhs_size) noexcept {
  const std::size_t common = lhs_size < rhs_size ? lhs_size : rhs_size;
  const int bytes = std::memcmp(lhs, rhs, common);
  if (bytes != 0) return bytes < 0 ? -1 : 1;
  return (lhs_size > rhs_size) - (lhs_size < rhs_size);
}

// Digit strings without leading zeros: a shorter one is smaller as long as
// it is exact; past that only their doubles tell.
int compare_numeric(std::string_view lhs, const identifier& l, std::string_view rhs,
                    const identifier& r) noexcept {
  const std::size_t lhs_size = l.end - l.begin;
  const std::size_t rhs_size = r.end - r.begin;
  if (lhs_size <= kExactDigits || rhs_size <= kExactDigits) {
    if (lhs_size != rhs_size) return lhs_size < rhs_size ? -1 : 1;
    return compare_spans(lhs.data() + l.begin, lhs_size, rhs.data() + r.begin, rhs_size);
  }
  return compare_rounded(round_digits(lhs, l), round_digits(rhs, r));
}

int compare_identifiers(std::string_view lhs, const identifier& l, std::string_view rhs,
                        const identifier& r) noexcept {
  if (l.numeric != r.numeric) return l.numeric ? -1 : 1;
  if (l.numeric) return compare_numeric(lhs, l, rhs, r);
  return compare_spans(lhs.data() + l.begin, l.end - l.begin, rhs.data() + r.begin,
                       r.end - r.begin);
}

int compare_prereleases(std::string_view lhs, std::size_t i, std::string_view rhs,
                        std::size_t j) noexcept {
  for (;;) {
    const identifier l = scan_identifier(lhs, i);
    const identifier r = scan_identifier(rhs, j);
    const int order = compare_identifiers(lhs, l, rhs, r);
    if (order != 0) return order;
    const bool lhs_more = byte_is(lhs, l.end, '.');
    const bool rhs_more = byte_is(rhs, r.end, '.');
    if (!lhs_more || !rhs_more) return int{lhs_more} - int{rhs_more};
    i = l.end + 1;
    j = r.end + 1;
  }
}

// Where two texts first differ, and what their shared bytes say about the
// part that difference falls in.
struct shared_prefix {
  std::size_t dots = 0;                  // '.' before the difference
  std::size_t part_start = 0;            // just past the last '.' or '+'
  std::size_t hyphen = ~std::size_t{0};  // the first '-': where the core ends
  bool build = false;                    // a '+': the difference is metadata
};

// Sorting compares neighbours that share long prefixes; the bytes they share
// are only watched for separators, not parsed.
shared_prefix find_shared_prefix(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  shared_prefix shared;
  for (std::size_t k = 0; k < common && lhs[k] == rhs[k]; ++k) {
    const char c = lhs[k];
    shared.dots += c == '.';
    shared.build |= c == '+';
    shared.part_start = c == '.' || c == '+' ? k + 1 : shared.part_start;
    shared.hyphen = c == '-' && shared.hyphen > k ? k : shared.hyphen;
  }
  return shared;
}

// From the start of core number `part` at lhs[i] and rhs[j] on.
int compare_from_core(std::string_view lhs, std::size_t i, std::string_view rhs, std::size_t j,
                      std::size_t part) noexcept {
  for (; part < 3; ++part) {
    const int order = compare_digits(lhs, i, rhs, j);
    if (order != 0) return order;
    ++i;
    ++j;
  }
  --i;
  --j;
  const bool lhs_prerelease = byte_is(lhs, i, '-');
  const bool rhs_prerelease = byte_is(rhs, j, '-');
  if (!lhs_prerelease || !rhs_prerelease) return int{rhs_prerelease} - int{lhs_prerelease};
  return compare_prereleases(lhs, i + 1, rhs, j + 1);
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  // Sorting meets the same text many times over.
  if (lhs.size() == rhs.size() && std::memcmp(lhs.data(), rhs.data(), lhs.size()) == 0) return 0;
  const shared_prefix shared = find_shared_prefix(lhs, rhs);
  if (shared.build) return 0;
  if (shared.hyphen != ~std::size_t{0}) {
    const std::size_t start =
        shared.part_start > shared.hyphen ? shared.part_start : shared.hyphen + 1;
    return compare_prereleases(lhs, start, rhs, start);
  }
  if (shared.dots == 0) return compare_from_core(lhs, core_start(lhs), rhs, core_start(rhs), 0);
  return compare_from_core(lhs, shared.part_start, rhs, shared.part_start, shared.dots);
}

std::size_t key_bound(std::size_t size) noexcept {
  if (size >= kMaxUnits) return kMaxKeyBytes;
  return size + size / 2 + 2;
}

// n, value's n bytes, then `zeros` zero bytes counted in n.
unsigned char* put_number(unsigned char* out, std::uint64_t value, unsigned zeros) noexcept {
  const auto bytes = static_cast<unsigned>(std::bit_width(value) + 7) / 8;
  *out++ = static_cast<unsigned char>(bytes + zeros);
  for (unsigned k = bytes; k-- > 0;) *out++ = static_cast<unsigned char>(value >> (8 * k));
  // Only values past 2^53 have zeros: a call for none costs more than the
  // bytes.
  if (zeros == 0) return out;
  std::memset(out, 0, zeros);
  return out + zeros;
}

unsigned char* put_identifier(unsigned char* out, std::string_view text,
                              const identifier& id) noexcept {
  if (id.numeric) {
    const std::size_t count = id.end - id.begin;
    if (count <= kExactDigits)
      return put_number(out, parse_small(text.data() + id.begin, count), 0);
    const rounded value = round_digits(text, id);
    return put_number(out, value.mantissa << (value.shift % 8), value.shift / 8);
  }
  *out++ = kAlphanumericTag;
  const std::size_t size = id.end - id.begin;
  std::memcpy(out, text.data() + id.begin, size);
  out += size;
  *out++ = 0;
  return out;
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  unsigned char* cursor = out;
  std::size_t i = core_start(text);
  for (int part = 0; part < 3; ++part) {
    if (part != 0) ++i;
    // A valid core number is below 2^53: its value is read with its digits.
    std::uint64_t value = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
      value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    cursor = put_number(cursor, value, 0);
  }
  if (!byte_is(text, i, '-')) {
    *cursor++ = kReleaseMark;
    return static_cast<std::size_t>(cursor - out);
  }
  do {
    const identifier id = scan_identifier(text, ++i);
    cursor = put_identifier(cursor, text, id);
    i = id.end;
  } while (byte_is(text, i, '.'));
  return static_cast<std::size_t>(cursor - out);
}

// The key of a text quick_valid() accepted, its parts found in the masks
// instead of byte by byte: the core's numbers end at its two dots and at
// `core_end`, the prerelease's identifiers at its dots and at `build`.
std::size_t mask_key(std::string_view text, const byte_masks& m, const layout& at,
                     unsigned char* out) noexcept {
  unsigned char* cursor = out;
  std::uint64_t dots = m.dot & below(at.build);
  std::size_t i = at.start;
  for (int part = 0; part < 2; ++part) {
    const std::size_t end = first_set(dots, 0);
    cursor = put_number(cursor, parse_small(text.data() + i, end - i), 0);
    dots &= dots - 1;
    i = end + 1;
  }
  cursor = put_number(cursor, parse_small(text.data() + i, at.core_end - i), 0);
  i = at.core_end + 1;
  if (at.build == at.core_end) {
    *cursor++ = kReleaseMark;
    return static_cast<std::size_t>(cursor - out);
  }
  for (;;) {
    const std::size_t end = first_set(dots, at.build);
    const std::uint64_t span = below(end) & ~below(i);
    cursor = put_identifier(cursor, text, {i, end, (span & ~m.digit) == 0});
    if (end == at.build) return static_cast<std::size_t>(cursor - out);
    dots &= dots - 1;
    i = end + 1;
  }
}

// ---- the collation ----

// Almost every npm version is plain: three numbers and perhaps a
// prerelease of digits, letters, '-' and '.', with no 'v', white space or
// build metadata, in at most 64 bytes and with a core too short for a number
// past 2^53-1. Such a text's shape rests only on where its digits, zeros and
// dots are, so the masks decide it; two plain texts are then ordered by the
// part they first differ in alone. Every other text takes valid() and
// compare().
struct plain_text {
  std::uint64_t digit;
  std::uint64_t dot;
  std::size_t size;
  std::size_t core_end;  // the prerelease's '-', or the size
};

[[gnu::always_inline]] inline bool plain(std::string_view text, plain_text& p) noexcept {
  const std::size_t size = text.size();
  if (size - 1 >= kMaskBytes) return false;
  const plain_masks m = classify_plain(text);
  const std::uint64_t all = below(size);
  if (m.plain != all) return false;
  const std::size_t core_end = first_set(~(m.digit | m.dot) & all, size);
  if (core_end >= kShortCore) return false;
  if (core_end < size && text[core_end] != '-') return false;
  const std::uint64_t core_dots = m.dot & below(core_end);
  const std::uint64_t second_on = core_dots & (core_dots - 1);
  if (second_on == 0 || (second_on & (second_on - 1)) != 0) return false;
  // Every part between separators is non-empty: the text starts and ends
  // with none, and no two are neighbours.
  const std::uint64_t separators = (m.dot | bit(core_end)) & all;
  if ((separators & (separators << 1 | 1 | bit(size - 1))) != 0) return false;
  // A leading zero is wrong in the core, and in the prerelease wrong only
  // when the identifier is all digits: plain texts have none.
  const std::uint64_t zero_then_digit = m.zero & (m.digit >> 1);
  if (((m.dot << 1 | 1 | bit(core_end + 1)) & zero_then_digit) != 0) return false;
  p = {m.digit, m.dot, size, core_end};
  return true;
}

std::size_t last_set(std::uint64_t bits) noexcept {
  return static_cast<std::size_t>(63 - std::countl_zero(bits));
}

// Where the number or identifier that holds byte `at` starts: past the last
// dot before it, and not before `from`.
std::size_t part_start(const plain_text& p, std::size_t from, std::size_t at) noexcept {
  const std::uint64_t dots = p.dot & below(at) & ~below(from);
  return dots == 0 ? from : last_set(dots) + 1;
}

// Two parts that start at `start` and agree up to byte `at`, where the texts
// differ: numbers by their length first, then by that byte, or the longer
// part is larger, or, when both end at `at`, `more`: what the rest says.
int compare_parts(std::string_view lhs, std::size_t lhs_end, std::string_view rhs,
                  std::size_t rhs_end, std::size_t at, bool numeric, int more) noexcept {
  if (numeric && lhs_end != rhs_end) return lhs_end < rhs_end ? -1 : 1;
  const bool lhs_in = at < lhs_end;
  const bool rhs_in = at < rhs_end;
  if (lhs_in && rhs_in)
    return static_cast<unsigned char>(lhs[at]) < static_cast<unsigned char>(rhs[at]) ? -1 : 1;
  if (lhs_in == rhs_in) return more;
  return lhs_in ? 1 : -1;
}

std::size_t part_end(const plain_text& p, std::size_t start, std::size_t end) noexcept {
  return first_set(p.dot & below(end) & ~below(start), end);
}

// compare() of two plain texts whose first `shared` bytes are alike and
// whose core ends alike when the difference is past it.
int compare_plain(std::string_view lhs, const plain_text& l, std::string_view rhs,
                  const plain_text& r, std::size_t shared) noexcept {
  if (shared <= l.core_end) {
    const std::size_t start = part_start(l, 0, shared);
    // A release sorts after its prereleases.
    return compare_parts(lhs, part_end(l, start, l.core_end), rhs, part_end(r, start, r.core_end),
                         shared, true, l.core_end < l.size ? -1 : 1);
  }
  const std::size_t start = part_start(l, l.core_end + 1, shared);
  const std::size_t lhs_end = part_end(l, start, l.size);
  const std::size_t rhs_end = part_end(r, start, r.size);
  const std::uint64_t lhs_span = below(lhs_end) & ~below(start);
  const std::uint64_t rhs_span = below(rhs_end) & ~below(start);
  const bool lhs_numeric = (lhs_span & ~l.digit) == 0;
  if (lhs_numeric != ((rhs_span & ~r.digit) == 0)) return lhs_numeric ? -1 : 1;
  // Past 10^15 only the doubles tell, and may tie.
  if (lhs_numeric && (lhs_end - start > kExactDigits || rhs_end - start > kExactDigits))
    return compare_prereleases(lhs, start, rhs, start);
  // A longer list of identifiers sorts after its prefix.
  return compare_parts(lhs, lhs_end, rhs, rhs_end, shared, lhs_numeric, lhs_end < l.size ? 1 : -1);
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  int order = 0;
  plain_text l;
  plain_text r;
  if (plain(lhs, l) && plain(rhs, r)) {
    order = compare_plain(lhs, l, rhs, r, shared);
  } else {
    const bool lhs_valid = valid(lhs);
    if (lhs_valid != valid(rhs)) return lhs_valid ? 1 : -1;
    if (lhs_valid) order = compare(lhs, rhs);
  }
  if (order != 0) return order < 0 ? -1 : 1;
  // Bytes past the shared ones: string_view::substr() could throw.
  return byte_order({lhs.data() + shared, lhs.size() - shared},
                    {rhs.data() + shared, rhs.size() - shared});
}

// A plain text, most texts, is checked on fewer masks than quick_valid()
// needs, those the collation reads.
std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
  if (plain_text p; plain(text, p)) {
    const byte_masks m{p.digit, 0, p.dot, 0, 0, 0};
    return mask_key(text, m, {0, p.core_end, p.size}, out);
  }
  if (text.size() - 1 < kMaskBytes) {
    byte_masks m;
    layout at;
    const verdict quick = quick_valid(text, m, at);
    if (quick == verdict::yes) return mask_key(text, m, at, out);
    if (quick == verdict::no) return kNoKey;
  }
  return read_valid(text) ? key(text, out) : kNoKey;
}

}  // namespace

const version_scheme SEMVER_SCHEME = {valid,   compare,   key_bound, key,
                                      collate, valid_key, nullptr,   triple_lead};

semver_parts semver_split(std::string_view valid_text) noexcept {
  std::size_t i = core_start(valid_text);
  std::uint64_t numbers[3];
  for (std::uint64_t& number : numbers) {
    const std::size_t start = i;
    while (i < valid_text.size() && is_digit(valid_text[i])) ++i;
    number = parse_small(valid_text.data() + start, i - start);
    ++i;  // the '.', or the byte after the patch
  }
  --i;
  semver_parts parts{numbers[0], numbers[1], numbers[2], {}};
  if (!byte_is(valid_text, i, '-')) return parts;
  const std::size_t start = ++i;
  while (i < valid_text.size() && (class_of(valid_text[i]) != kOther || valid_text[i] == '.')) ++i;
  parts.prerelease = {valid_text.data() + start, i - start};
  return parts;
}

std::size_t semver_space_length(std::string_view text, std::size_t i) noexcept {
  return space_length(text, i);
}

}  // namespace korvel
