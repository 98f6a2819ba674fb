#include "version/schemes/pep440.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/chunks.h"
#include "version/schemes/dotted_numbers.h"
#include "version/words.h"

// Python package versions. The reference parses str, so a text is read as
// UTF-8: besides ASCII, only the white space of Python's \s and the four
// non-ASCII letters its case-insensitive [a-z] matches (U+0130, U+0131,
// U+017F, U+212A) can occur in a valid text; every other byte is rejected,
// which also rejects every malformed UTF-8 sequence.
//
// The reference's pattern backtracks, but a greedy single pass finds the same
// reading: every optional separator and number it takes greedily leaves the
// rest no less parseable than any alternative would.

namespace korvel {

namespace {

using digits = pep440_digits;
using parts = pep440_parts;

constexpr bool is_digit(unsigned char byte) noexcept {
  return static_cast<unsigned char>(byte - '0') < 10u;
}

constexpr bool is_separator(unsigned char byte) noexcept {
  return byte == '.' || byte == '-' || byte == '_';
}

const char* digits_end(const char* p, const char* end) noexcept {
  while (p != end && is_digit(static_cast<unsigned char>(*p))) ++p;
  return p;
}

unsigned char byte_at(const char* p, std::size_t i) noexcept {
  return static_cast<unsigned char>(p[i]);
}

// The length of the white space character at p, or 0.
std::size_t space_length(const char* p, const char* end) noexcept {
  const std::size_t left = static_cast<std::size_t>(end - p);
  const unsigned char b = byte_at(p, 0);
  if (b == ' ' || (b >= 0x09 && b <= 0x0D) || (b >= 0x1C && b <= 0x1F)) return 1;
  if (b < 0xC2 || left < 2) return 0;
  const unsigned char b1 = byte_at(p, 1);
  if (b == 0xC2) return (b1 == 0x85 || b1 == 0xA0) ? 2 : 0;
  if (left < 3) return 0;
  const unsigned char b2 = byte_at(p, 2);
  if (b == 0xE1) return (b1 == 0x9A && b2 == 0x80) ? 3 : 0;
  if (b == 0xE3) return (b1 == 0x80 && b2 == 0x80) ? 3 : 0;
  if (b != 0xE2) return 0;
  if (b1 == 0x81) return b2 == 0x9F ? 3 : 0;
  if (b1 != 0x80) return 0;
  return (b2 <= 0x8A && b2 >= 0x80) || b2 == 0xA8 || b2 == 0xA9 || b2 == 0xAF ? 3 : 0;
}

const char* skip_spaces(const char* p, const char* end) noexcept {
  while (p != end) {
    const std::size_t length = space_length(p, end);
    if (length == 0) break;
    p += length;
  }
  return p;
}

// The length of the letter or digit at p that local labels allow, or 0.
std::size_t alnum_length(const char* p, const char* end) noexcept {
  const unsigned char b = byte_at(p, 0);
  if (is_digit(b) || static_cast<unsigned char>((b | 0x20) - 'a') < 26u) return 1;
  const std::size_t left = static_cast<std::size_t>(end - p);
  if (left >= 2 && b == 0xC4 && (byte_at(p, 1) == 0xB0 || byte_at(p, 1) == 0xB1)) return 2;
  if (left >= 2 && b == 0xC5 && byte_at(p, 1) == 0xBF) return 2;
  if (left >= 3 && b == 0xE2 && byte_at(p, 1) == 0x84 && byte_at(p, 2) == 0xAA) return 3;
  return 0;
}

// Matches a lower-case ASCII word case-insensitively, 'i' also by U+0130 /
// U+0131 and 's' by U+017F. Returns the end, or nullptr; `variant` is the
// second byte of the last such letter (0: none).
const char* match_word(const char* p, const char* end, const char* word,
                       unsigned char& variant) noexcept {
  variant = 0;
  for (; *word != '\0'; ++word) {
    if (p == end) return nullptr;
    const unsigned char b = byte_at(p, 0);
    if ((b | 0x20) == static_cast<unsigned char>(*word)) {
      ++p;
      continue;
    }
    if (end - p < 2) return nullptr;
    const unsigned char b1 = byte_at(p, 1);
    const bool dotted_i = *word == 'i' && b == 0xC4 && (b1 == 0xB0 || b1 == 0xB1);
    const bool long_s = *word == 's' && b == 0xC5 && b1 == 0xBF;
    if (!dotted_i && !long_s) return nullptr;
    variant = b1;
    p += 2;
  }
  return p;
}

struct spelling {
  const char* word;
  unsigned char rank;
};

// Longest first: no shorter spelling can be followed by the rest of a longer.
constexpr spelling kPreSpellings[] = {
    {"preview", PEP440_PRE_RC}, {"pre", PEP440_PRE_RC}, {"alpha", PEP440_PRE_A},
    {"a", PEP440_PRE_A},        {"beta", PEP440_PRE_B}, {"b", PEP440_PRE_B},
    {"rc", PEP440_PRE_RC},      {"c", PEP440_PRE_RC},
};
constexpr spelling kPostSpellings[] = {
    {"post", PEP440_POST_POST}, {"rev", PEP440_POST_POST}, {"r", PEP440_POST_POST}};

unsigned char variant_rank(unsigned char rank, unsigned char variant) noexcept {
  if (variant == 0xB0) return PEP440_PRE_PREVIEW_DOTTED;
  if (variant == 0xB1) return PEP440_PRE_PREVIEW_DOTLESS;
  if (variant == 0xBF) return PEP440_POST_LONG_S;
  return rank;
}

template <std::size_t N>
const char* match_spelling(const char* p, const char* end, const spelling (&table)[N],
                           unsigned char& rank) noexcept {
  if (p == end) return nullptr;
  // No spelling starts with a letter that has a non-ASCII variant.
  const auto first = static_cast<unsigned char>(*p | 0x20);
  for (const spelling& s : table) {
    if (first != static_cast<unsigned char>(s.word[0])) continue;
    unsigned char variant = 0;
    const char* after = match_word(p, end, s.word, variant);
    if (after != nullptr) {
      rank = variant_rank(s.rank, variant);
      return after;
    }
  }
  return nullptr;
}

const char* optional_separator(const char* p, const char* end) noexcept {
  return p != end && is_separator(static_cast<unsigned char>(*p)) ? p + 1 : p;
}

// An optional separator and number after a letter; the separator is taken
// even without a number ("1.0a." is valid).
const char* letter_number(const char* p, const char* end, digits& number) noexcept {
  p = optional_separator(p, end);
  number = {p, digits_end(p, end)};
  return number.end;
}

const char* parse_pre(const char* p, const char* end, parts& out) noexcept {
  out.pre = PEP440_PRE_NONE;
  const char* letter_end = match_spelling(optional_separator(p, end), end, kPreSpellings, out.pre);
  if (letter_end == nullptr) return p;
  return letter_number(letter_end, end, out.pre_number);
}

const char* parse_post(const char* p, const char* end, parts& out) noexcept {
  if (end - p >= 2 && *p == '-' && is_digit(byte_at(p, 1))) {
    out.post = PEP440_POST_POST;
    out.post_number = {p + 1, digits_end(p + 1, end)};
    return out.post_number.end;
  }
  out.post = PEP440_POST_NONE;
  const char* letter_end =
      match_spelling(optional_separator(p, end), end, kPostSpellings, out.post);
  if (letter_end == nullptr) return p;
  return letter_number(letter_end, end, out.post_number);
}

const char* parse_dev(const char* p, const char* end, parts& out) noexcept {
  unsigned char variant = 0;
  const char* letter_end = match_word(optional_separator(p, end), end, "dev", variant);
  out.dev = letter_end != nullptr;
  if (!out.dev) return p;
  return letter_number(letter_end, end, out.dev_number);
}

// Segments of letters and digits joined by single separators; nullptr when
// the label is empty.
const char* parse_local(const char* p, const char* end) noexcept {
  for (;;) {
    if (p == end) return nullptr;
    std::size_t length = alnum_length(p, end);
    if (length == 0) return nullptr;
    while (length != 0) {
      p += length;
      length = p == end ? 0 : alnum_length(p, end);
    }
    if (end - p < 2 || !is_separator(byte_at(p, 0)) || alnum_length(p + 1, end) == 0) return p;
    ++p;
  }
}

bool continues_release(const char* p, const char* end) noexcept {
  return end - p >= 2 && *p == '.' && is_digit(byte_at(p, 1));
}

// The epoch and release; nullptr when they are not there.
const char* parse_release(const char* p, const char* end, parts& out) noexcept {
  const char* number_end = digits_end(p, end);
  if (number_end == p) return nullptr;
  out.epoch = {p, p};
  if (number_end != end && *number_end == '!') {
    out.epoch.end = number_end;
    p = number_end + 1;
    number_end = digits_end(p, end);
    if (number_end == p) return nullptr;
  }
  while (continues_release(number_end, end)) {
    number_end = digits_end(number_end + 1, end);
  }
  out.release = {p, number_end};
  return number_end;
}

bool parse(std::string_view text, parts& out) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p != end && !is_digit(static_cast<unsigned char>(*p))) p = skip_spaces(p, end);
  if (p != end && (*p | 0x20) == 'v') ++p;
  p = parse_release(p, end, out);
  if (p == nullptr) return false;
  if (p == end) {  // the usual plain release
    out.pre = PEP440_PRE_NONE;
    out.post = PEP440_POST_NONE;
    out.dev = false;
    out.local = nullptr;
    return true;
  }
  p = parse_dev(parse_post(parse_pre(p, end, out), end, out), end, out);
  if (out.pre == PEP440_PRE_NONE && out.post == PEP440_POST_NONE && out.dev)
    out.pre = PEP440_PRE_DEV_ONLY;
  out.local = nullptr;
  if (p != end && *p == '+') {
    out.local = p + 1;
    p = parse_local(p + 1, end);
    if (p == nullptr) return false;
    out.local_end = p;
  }
  return skip_spaces(p, end) == end;
}

bool valid(std::string_view text) noexcept {
  parts unused;
  return parse(text, unused);
}

int sign_of(int value) noexcept {
  return (value > 0) - (value < 0);
}

digits without_leading_zeros(digits number) noexcept {
  while (number.begin != number.end && *number.begin == '0') ++number.begin;
  return number;
}

// By value, for numbers of any length.
int compare_numbers(digits lhs, digits rhs) noexcept {
  lhs = without_leading_zeros(lhs);
  rhs = without_leading_zeros(rhs);
  const auto lhs_length = lhs.end - lhs.begin;
  const auto rhs_length = rhs.end - rhs.begin;
  if (lhs_length != rhs_length) return lhs_length < rhs_length ? -1 : 1;
  if (lhs_length == 0) return 0;
  return sign_of(std::memcmp(lhs.begin, rhs.begin, static_cast<std::size_t>(lhs_length)));
}

// The number at the start of a run of dotted numbers, moving past its dot.
digits next_number(const char*& p, const char* end) noexcept {
  const digits number = {p, digits_end(p, end)};
  p = number.end == end ? end : number.end + 1;
  return number;
}

bool all_zeros(const char* p, const char* end) noexcept {
  for (; p != end; ++p) {
    if (*p != '0' && *p != '.') return false;
  }
  return true;
}

// Trailing zeros do not count: "1.0" equals "1".
int compare_release(digits lhs, digits rhs) noexcept {
  const char* l = lhs.begin;
  const char* r = rhs.begin;
  while (l != lhs.end && r != rhs.end) {
    const int order = compare_numbers(next_number(l, lhs.end), next_number(r, rhs.end));
    if (order != 0) return order;
  }
  if (l != lhs.end) return all_zeros(l, lhs.end) ? 0 : 1;
  if (r != rhs.end) return all_zeros(r, rhs.end) ? 0 : -1;
  return 0;
}

// The bytes of a local segment's lower-cased UTF-8 text, one at a time.
// U+0130 lowers to "i" and U+0307, U+212A to "k"; U+0131 and U+017F stay.
struct lowered_bytes {
  const char* p;
  const char* end;
  unsigned char pending[2];
  unsigned char pending_count;
};

int next_lowered(lowered_bytes& in) noexcept {
  if (in.pending_count != 0) {
    const unsigned char b = in.pending[2 - in.pending_count];
    --in.pending_count;
    return b;
  }
  if (in.p == in.end) return -1;
  const unsigned char b = byte_at(in.p, 0);
  const std::size_t length = alnum_length(in.p, in.end);
  const unsigned char second = length > 1 ? byte_at(in.p, 1) : 0;
  in.p += length;
  if (length == 1) return b >= 'A' && b <= 'Z' ? b | 0x20 : b;
  if (length == 3) return 'k';
  if (second == 0xB0) {
    in.pending[0] = 0xCC;
    in.pending[1] = 0x87;
    in.pending_count = 2;
    return 'i';
  }
  in.pending[1] = second;
  in.pending_count = 1;
  return b;
}

int compare_words(digits lhs, digits rhs) noexcept {
  lowered_bytes l = {lhs.begin, lhs.end, {0, 0}, 0};
  lowered_bytes r = {rhs.begin, rhs.end, {0, 0}, 0};
  for (;;) {
    const int lb = next_lowered(l);
    const int rb = next_lowered(r);
    if (lb != rb) return lb < rb ? -1 : 1;
    if (lb < 0) return 0;
  }
}

// The next segment of a local label, moving past its separator.
digits next_segment(const char*& p, const char* end, bool& numeric) noexcept {
  const char* const begin = p;
  numeric = true;
  while (p != end && !is_separator(byte_at(p, 0))) {
    numeric = numeric && is_digit(byte_at(p, 0));
    ++p;
  }
  const digits segment = {begin, p};
  if (p != end) ++p;
  return segment;
}

// Words before numbers; a label that is a prefix of another first.
int compare_labels(const char* l, const char* l_end, const char* r, const char* r_end) noexcept {
  while (l != l_end && r != r_end) {
    bool l_numeric = false;
    bool r_numeric = false;
    const digits ls = next_segment(l, l_end, l_numeric);
    const digits rs = next_segment(r, r_end, r_numeric);
    if (l_numeric != r_numeric) return l_numeric ? 1 : -1;
    const int order = l_numeric ? compare_numbers(ls, rs) : compare_words(ls, rs);
    if (order != 0) return order;
  }
  return (l != l_end) - (r != r_end);
}

int compare_local(const parts& lhs, const parts& rhs) noexcept {
  if (lhs.local == nullptr || rhs.local == nullptr) {
    return (lhs.local != nullptr) - (rhs.local != nullptr);
  }
  return compare_labels(lhs.local, lhs.local_end, rhs.local, rhs.local_end);
}

int compare_slot(unsigned char lhs_rank, digits lhs_number, unsigned char rhs_rank,
                 digits rhs_number, bool numbered) noexcept {
  if (lhs_rank != rhs_rank) return lhs_rank < rhs_rank ? -1 : 1;
  return numbered ? compare_numbers(lhs_number, rhs_number) : 0;
}

// The pre-release, post-release and dev parts of two versions with equal
// epochs and releases.
int compare_suffixes(const parts& l, const parts& r) noexcept {
  const bool numbered = l.pre != PEP440_PRE_NONE && l.pre != PEP440_PRE_DEV_ONLY;
  int order = compare_slot(l.pre, l.pre_number, r.pre, r.pre_number, numbered);
  if (order == 0) {
    order = compare_slot(l.post, l.post_number, r.post, r.post_number, l.post != PEP440_POST_NONE);
  }
  if (order == 0) {
    // Without a dev part a version orders after any with one.
    order = compare_slot(!l.dev, l.dev_number, !r.dev, r.dev_number, l.dev);
  }
  return order;
}

int compare_after_release(const parts& l, const parts& r) noexcept {
  const int order = compare_suffixes(l, r);
  return order != 0 ? order : compare_local(l, r);
}

int compare_parts(const parts& l, const parts& r) noexcept {
  int order = compare_numbers(l.epoch, r.epoch);
  if (order == 0) order = compare_release(l.release, r.release);
  return order != 0 ? order : compare_after_release(l, r);
}

// Most pairs of a sort differ in a release number both have: that decides
// without reading the rest, unless an epoch comes first. 2: undecided.
int compare_leading_release(std::string_view lhs, std::string_view rhs) noexcept {
  const char* l = lhs.data();
  const char* r = rhs.data();
  const char* const l_end = l + lhs.size();
  const char* const r_end = r + rhs.size();
  if (l == l_end || r == r_end || !is_digit(byte_at(l, 0)) || !is_digit(byte_at(r, 0))) return 2;
  for (bool first = true;; first = false) {
    const digits ln = {l, digits_end(l, l_end)};
    const digits rn = {r, digits_end(r, r_end)};
    l = ln.end;
    r = rn.end;
    if (first && ((l != l_end && *l == '!') || (r != r_end && *r == '!'))) return 2;
    const int order = compare_numbers(ln, rn);
    if (order != 0) return order;
    if (!continues_release(l, l_end) || !continues_release(r, r_end)) return 2;
    ++l;
    ++r;
  }
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  // A sort meets the same text many times over.
  if (lhs.size() == rhs.size() && std::memcmp(lhs.data(), rhs.data(), lhs.size()) == 0) return 0;
  const int order = compare_leading_release(lhs, rhs);
  if (order != 2) return order;
  parts l;
  parts r;
  (void)parse(lhs, l);
  (void)parse(rhs, r);
  return compare_parts(l, r);
}

// ---- plain texts ----

// Almost every Python version in an inventory is plain: numbers joined by
// single dots, without leading zeros, perhaps after an epoch of digits and a
// '!', perhaps a local label of letters and digits in dot-joined segments
// after a '+', in at most 64 bytes. Whether a text is plain rests only on
// where its digits, zeros, dots and '+' are, so bit masks of those, one bit a
// byte, decide it without a branch per byte; a plain text's key is written
// from them, and two plain texts are ordered by the part they first differ
// in. An index's current releases often add a pre-release, post-release or
// dev part ("2.0rc1", "1.4.post2.dev3"): a text whose bytes are letters,
// digits and dots may have one between its release and its label, read by
// the parser's own routines from where the masks end the release, and is
// then ordered as a plain one up to its release's end. Every other text is
// parsed.
constexpr std::size_t kMaskBytes = 64;

// A plain text's bytes with zeros after them, so that a word can be loaded at
// any of its bytes.
constexpr std::size_t kCopyBytes = kMaskBytes + 16;

struct plain_masks {
  std::uint64_t digit;
  std::uint64_t zero;
  std::uint64_t dot;
  std::uint64_t plus;
  std::uint64_t plain;  // digits, letters, '.' and '+'
};

#if defined(__SSE2__)
// Chunks may overlap: their masks are or-ed at their offsets.
[[gnu::always_inline]] inline void add_chunk(plain_masks& m, __m128i chunk,
                                             std::size_t at) noexcept {
  const __m128i digit = in_range(chunk, '0', 10);
  const __m128i letter = in_range(_mm_or_si128(chunk, _mm_set1_epi8(0x20)), 'a', 26);
  const __m128i dot = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('.'));
  const __m128i plus = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('+'));
  m.digit |= mask_of(digit) << at;
  m.zero |= mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('0'))) << at;
  m.dot |= mask_of(dot) << at;
  m.plus |= mask_of(plus) << at;
  m.plain |= mask_of(_mm_or_si128(_mm_or_si128(digit, letter), _mm_or_si128(dot, plus))) << at;
}

// Where a plain text's key is written from: the text, and zeros after it.
// The text's first sixteen bytes are stored last, so that a load within them
// is served from that one store.
[[gnu::always_inline]] inline void copy_text(std::string_view text, char* copy) noexcept {
  const std::size_t size = text.size();
  _mm_storeu_si128(reinterpret_cast<__m128i*>(copy + size), _mm_setzero_si128());
  if (size > 16) {
    std::memcpy(copy, text.data(), size);
    return;
  }
  const __m128i chunk = size == 16 ? chunk_at(text.data()) : short_chunk(text.data(), size);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(copy), chunk);
}

// 1 to 64 bytes; the chunks that cover them may overlap. With `copy`
// (kCopyBytes), the text is copied there too.
[[gnu::always_inline]] inline plain_masks classify(std::string_view text, char* copy) noexcept {
  if (copy != nullptr) copy_text(text, copy);
  return over_chunks<plain_masks>(text, add_chunk);
}
#else
plain_masks classify(std::string_view text, char* copy) noexcept {
  plain_masks m{};
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto b = static_cast<unsigned char>(text[at]);
    const std::uint64_t bit = std::uint64_t{1} << at;
    const bool digit = is_digit(b);
    const bool letter = static_cast<unsigned char>((b | 0x20) - 'a') < 26u;
    if (digit) m.digit |= bit;
    if (b == '0') m.zero |= bit;
    if (b == '.') m.dot |= bit;
    if (b == '+') m.plus |= bit;
    if (digit || letter || b == '.' || b == '+') m.plain |= bit;
  }
  if (copy != nullptr) {
    std::memcpy(copy, text.data(), text.size());
    std::memset(copy + text.size(), 0, kCopyBytes - kMaskBytes);
  }
  return m;
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

std::size_t last_set(std::uint64_t bits) noexcept {
  return static_cast<std::size_t>(63 - std::countl_zero(bits));
}

struct plain_text {
  std::uint64_t digit;
  std::uint64_t nonzero;  // digits other than '0'
  std::uint64_t dot;
  std::size_t size;
  std::size_t start;        // of the release: past the epoch's '!', or 0
  std::size_t release_end;  // the suffix's first byte, the label's '+', or the size
  std::size_t label;        // the label's '+', or the size
  parts v;                  // the suffix as parse() reads it; the rest from plain_parts()
};

// Whether a pre-release, post-release or dev part follows the release.
bool suffixed(const plain_text& p) noexcept {
  return p.label != p.release_end;
}

// The number at `p`, which must have a digit.
const char* some_digits(const char* p, const char* end, digits& number) noexcept {
  if (p == end || !is_digit(byte_at(p, 0))) return nullptr;
  number = {p, digits_end(p, end)};
  return number.end;
}

// The suffix as the reference writes it ("a1", "b2" or "rc3", then ".post4",
// then ".dev5", each with its number), read as parse() would read it but
// without trying the other spellings; nullptr for any other suffix, which
// the parser's routines read.
const char* normal_suffix(const char* p, const char* end, parts& v) noexcept {
  const std::size_t left = static_cast<std::size_t>(end - p);
  if (left >= 2 && (*p == 'a' || *p == 'b')) {
    v.pre = *p == 'a' ? PEP440_PRE_A : PEP440_PRE_B;
    p = some_digits(p + 1, end, v.pre_number);
  } else if (left >= 3 && p[0] == 'r' && p[1] == 'c') {
    v.pre = PEP440_PRE_RC;
    p = some_digits(p + 2, end, v.pre_number);
  }
  if (p != nullptr && end - p >= 6 && std::memcmp(p, ".post", 5) == 0) {
    v.post = PEP440_POST_POST;
    p = some_digits(p + 5, end, v.post_number);
  }
  if (p != nullptr && end - p >= 5 && std::memcmp(p, ".dev", 4) == 0) {
    v.dev = true;
    p = some_digits(p + 4, end, v.dev_number);
  }
  return p != nullptr && (p == end || *p == '+') ? p : nullptr;
}

// The part after a release that ends at a letter, read as parse() reads it;
// false unless it is followed by the text's end or a '+'. Its bytes are
// letters, digits and dots: the masks saw no others.
[[gnu::always_inline]] inline bool read_suffix(std::string_view text, std::size_t start,
                                               plain_text& p) noexcept {
  if (p.release_end == start) return false;  // a letter first: "v1.0"
  const char* const bytes = text.data();
  const char* const end = bytes + text.size();
  // A dot before the letters ("1.0.post1") is the suffix's separator.
  if (bytes[p.release_end - 1] == '.') --p.release_end;
  const char* after = normal_suffix(bytes + p.release_end, end, p.v);
  if (after == nullptr) {
    after = parse_dev(parse_post(parse_pre(bytes + p.release_end, end, p.v), end, p.v), end, p.v);
  }
  if (after != end && *after != '+') return false;
  if (p.v.pre == PEP440_PRE_NONE && p.v.post == PEP440_POST_NONE && p.v.dev) {
    p.v.pre = PEP440_PRE_DEV_ONLY;
  }
  p.label = static_cast<std::size_t>(after - bytes);
  return true;
}

// Where the release starts after the epoch whose '!' is the one byte in
// `other`, or 0 when the epoch is not digits or no release follows.
std::size_t epoch_end(std::string_view text, const plain_masks& m, std::uint64_t other) noexcept {
  const auto bang = static_cast<std::size_t>(std::countr_zero(other));
  const bool epoch = other == bit(bang) && text[bang] == '!' && bang != 0 &&
                     bang + 1 < text.size() && (m.digit & below(bang)) == below(bang);
  return epoch ? bang + 1 : 0;
}

// Whether the masks of a text of 1 to 64 bytes, whose release starts at
// `start`, show a plain text. The masks have no bits past the text, so that
// the first bit of `ends` is the release's end, or none for a release of 64
// bytes.
[[gnu::always_inline]] inline bool plain_from(std::string_view text, const plain_masks& m,
                                              std::size_t start, plain_text& p) noexcept {
  const std::size_t size = text.size();
  const std::uint64_t all = ~std::uint64_t{0} >> (kMaskBytes - size);
  const std::uint64_t first = std::uint64_t{1} << start;
  const std::uint64_t ends = ~(m.digit | m.dot) & (0 - first);
  const std::uint64_t release_end = ends & (0 - ends);
  // Every number and segment is non-empty: the release starts and the text
  // ends with no separator, and no two are neighbours.
  const std::uint64_t separators = m.dot | m.plus;
  if ((separators & (separators << 1 | first | (all ^ all >> 1))) != 0) return false;
  const std::uint64_t zero_then_digit = m.zero & (m.digit >> 1);
  if (((m.dot << 1 | first) & (release_end - 1) & zero_then_digit) != 0) return false;
  p.digit = m.digit;
  p.nonzero = m.digit & ~m.zero;
  p.dot = m.dot;
  p.size = size;
  p.start = start;
  p.release_end = static_cast<std::size_t>(std::countr_zero(ends));
  p.label = p.release_end;
  p.v.pre = PEP440_PRE_NONE;
  p.v.post = PEP440_POST_NONE;
  p.v.dev = false;
  // A release that ends at a letter goes on with a suffix.
  if ((release_end & all & ~m.plus) != 0 && !read_suffix(text, start, p)) return false;
  // The only byte past the release that is neither a letter, a digit nor a
  // dot is one '+' that starts the label.
  return m.plus == (bit(p.label) & all);
}

// What parse() gives for a text seen to be plain, without reading it again.
parts plain_parts(std::string_view text, const plain_text& p) noexcept {
  const char* const bytes = text.data();
  parts v = p.v;
  v.epoch = {bytes, bytes + (p.start == 0 ? 0 : p.start - 1)};
  v.release = {bytes + p.start, bytes + p.release_end};
  v.local = p.label != p.size ? bytes + p.label + 1 : nullptr;
  v.local_end = bytes + p.size;
  return v;
}

[[gnu::always_inline]] inline bool plain(std::string_view text, plain_text& p,
                                         char* copy = nullptr) noexcept {
  const std::size_t size = text.size();
  if (size - 1 >= kMaskBytes) return false;
  const plain_masks m = classify(text, copy);
  const std::uint64_t other = ~m.plain & (~std::uint64_t{0} >> (kMaskBytes - size));
  if (other == 0) return plain_from(text, m, 0, p);
  const std::size_t start = epoch_end(text, m, other);
  return start != 0 && plain_from(text, m, start, p);
}

// A number's length byte is its digit count plus this; numbers of more
// digits than kShortLength take a long length.
constexpr unsigned char kLengthBias = 8;
constexpr std::size_t kShortLength = 0xFE - kLengthBias;
constexpr unsigned char kLongLength = 0xFF;

// Any valid text's key fits: no part of a text more than doubles.
std::size_t key_bound(std::size_t size) noexcept {
  return 2 * size + 16;
}

// A number: its digit count (leading zeros dropped) as one byte count + 8, or
// 0xFF and eight big-endian bytes, then its digits two to a byte.
unsigned char* put_number(digits number, unsigned char* out) noexcept {
  // Most numbers of a version are one digit: written at once, a zero's
  // second byte left to be overwritten.
  if (number.end - number.begin == 1) {
    const auto value = static_cast<unsigned char>(*number.begin - '0');
    const bool nonzero = value != 0;
    out[0] = static_cast<unsigned char>(kLengthBias + nonzero);
    out[1] = static_cast<unsigned char>(value << 4);
    return out + 1 + nonzero;
  }
  number = without_leading_zeros(number);
  const auto length = static_cast<std::size_t>(number.end - number.begin);
  if (length <= kShortLength) {
    *out++ = static_cast<unsigned char>(length + kLengthBias);
  } else {
    *out++ = kLongLength;
    for (int shift = 56; shift >= 0; shift -= 8) {
      *out++ = static_cast<unsigned char>(static_cast<std::uint64_t>(length) >> shift);
    }
  }
  for (std::size_t i = 0; i < length; i += 2) {
    const auto high = static_cast<unsigned char>(number.begin[i] - '0');
    const auto low = i + 1 < length ? static_cast<unsigned char>(number.begin[i + 1] - '0') : 0;
    *out++ = static_cast<unsigned char>(high << 4 | low);
  }
  return out;
}

// Only up to the last number that is not zero: "1.0" and "1" share a key.
// A zero is its length byte alone, dropped again unless a number that is
// not zero follows.
unsigned char* put_release(digits release, unsigned char* out) noexcept {
  unsigned char* kept = out;
  const char* p = release.begin;
  while (p < release.end) {
    unsigned char* const number = out;
    out = put_number(next_number(p, release.end), out);
    if (out - number > 1) kept = out;
  }
  return kept;
}

unsigned char* put_local(const parts& v, unsigned char* out) noexcept {
  const char* p = v.local;
  while (p != v.local_end) {
    bool numeric = false;
    const digits segment = next_segment(p, v.local_end, numeric);
    if (numeric) {
      *out++ = 2;
      out = put_number(segment, out);
      continue;
    }
    *out++ = 1;
    lowered_bytes in = {segment.begin, segment.end, {0, 0}, 0};
    for (int b = next_lowered(in); b >= 0; b = next_lowered(in)) {
      *out++ = static_cast<unsigned char>(b);
    }
    *out++ = 0;
  }
  return out;
}

std::size_t put_key(const parts& v, unsigned char* out) noexcept {
  unsigned char* const start = out;
  out = put_release(v.release, put_number(v.epoch, out));
  *out++ = v.pre;
  if (v.pre != PEP440_PRE_NONE && v.pre != PEP440_PRE_DEV_ONLY) out = put_number(v.pre_number, out);
  *out++ = v.post;
  if (v.post != PEP440_POST_NONE) out = put_number(v.post_number, out);
  *out++ = v.dev ? 0 : 1;
  if (v.dev) out = put_number(v.dev_number, out);
  if (v.local != nullptr) out = put_local(v, out);
  return static_cast<std::size_t>(out - start);
}

// ---- the keys of plain texts ----

// Numbers and words are stored a word at a time from the copy: the bytes
// stored past what is kept are overwritten or lie past the key, within
// key_bound().

void store_word(unsigned char* out, word w) noexcept {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  std::memcpy(out, &w, sizeof w);
}

// The digits of a plain text's first sixteen bytes packed two to a byte
// from every offset: byte k of `even` holds digits 2k and 2k + 1, of `odd`
// digits 2k + 1 and 2k + 2, a byte that is not a digit as 0. A number's
// digits are then one shift of either.
struct digit_pairs {
  word even;
  word odd;
};

#if defined(__SSE2__)
digit_pairs pairs_of(const char* copy) noexcept {
  const __m128i bytes = chunk_at(copy);
  const __m128i values =
      _mm_and_si128(_mm_sub_epi8(bytes, _mm_set1_epi8('0')), in_range(bytes, '0', 10));
  // A value is below 16: shifted by a nibble it stays in its byte.
  const __m128i pairs = _mm_or_si128(_mm_slli_epi16(values, 4), _mm_srli_si128(values, 1));
  const __m128i low = _mm_set1_epi16(0x00FF);
  alignas(16) char packed[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(packed),
                  _mm_packus_epi16(_mm_and_si128(pairs, low), _mm_srli_epi16(pairs, 8)));
  return {load_word(packed), load_word(packed + kWordBytes)};
}
#else
digit_pairs pairs_of(const char* copy) noexcept {
  unsigned char values[17] = {};
  for (std::size_t i = 0; i < 16; ++i) {
    const auto b = static_cast<unsigned char>(copy[i]);
    values[i] = is_digit(b) ? static_cast<unsigned char>(b - '0') : 0;
  }
  digit_pairs pairs = {0, 0};
  for (std::size_t k = 0; k < 8; ++k) {
    pairs.even |= word{static_cast<unsigned char>(values[2 * k] << 4 | values[2 * k + 1])} << 8 * k;
    pairs.odd |= word{static_cast<unsigned char>(values[2 * k + 1] << 4 | values[2 * k + 2])}
                 << 8 * k;
  }
  return pairs;
}
#endif

// put_release() of a release within the first sixteen bytes, whose numbers
// have no leading zeros: a number's length byte and the word of its digits
// are written whether or not they are kept.
[[gnu::always_inline]] inline unsigned char* put_short_release(const char* copy,
                                                               const plain_text& p,
                                                               unsigned char* out) noexcept {
  const digit_pairs pairs = pairs_of(copy);
  const std::uint64_t nonzero = p.nonzero;
  // The bits of the bytes that end a number, the release's end the last.
  std::uint64_t ends = (p.dot & below(p.release_end)) | std::uint64_t{1} << p.release_end;
  unsigned char* kept = out;
  std::size_t at = p.start;
  do {
    const auto end = static_cast<std::size_t>(std::countr_zero(ends));
    // Only "0" starts with a zero, and its key has no digits.
    const std::size_t length = (end - at) & (0 - (nonzero >> at & 1));
    out[0] = static_cast<unsigned char>(kLengthBias + length);
    store_word(out + 1, ((at & 1) != 0 ? pairs.odd : pairs.even) >> (4 * (at & ~std::size_t{1})));
    out += 1 + (length + 1) / 2;
    kept = length != 0 ? out : kept;
    at = end + 1;
    ends &= ends - 1;
  } while (ends != 0);
  return kept;
}

// put_release() from the dots' bits, a number at a time.
unsigned char* put_long_release(const char* copy, const plain_text& p,
                                unsigned char* out) noexcept {
  unsigned char* kept = out;
  std::uint64_t dots = p.dot & below(p.release_end);
  for (std::size_t at = p.start;; dots &= dots - 1) {
    const std::size_t end = first_set(dots, p.release_end);
    unsigned char* const number = out;
    out = put_number({copy + at, copy + end}, out);
    kept = out - number > 1 ? out : kept;
    if (dots == 0) return kept;
    at = end + 1;
  }
}

// A segment with a letter, lowered a word at a time: its bytes are ASCII
// letters and digits, and 0x20 lowers a letter and keeps a digit.
unsigned char* put_plain_word(const char* bytes, std::size_t length, unsigned char* out) noexcept {
  out[0] = 1;
  store_word(out + 1, load_word(bytes) | kLowBits * 0x20);
  for (std::size_t i = kWordBytes; i < length; i += kWordBytes) {
    store_word(out + 1 + i, load_word(bytes + i) | kLowBits * 0x20);
  }
  out[1 + length] = 0;
  return out + 2 + length;
}

unsigned char* put_plain_local(const char* copy, const plain_text& p, unsigned char* out) noexcept {
  std::uint64_t dots = p.dot & ~below(p.release_end);
  for (std::size_t at = p.release_end + 1;; dots &= dots - 1) {
    const std::size_t end = first_set(dots, p.size);
    const std::uint64_t segment = below(end) & ~below(at);
    if ((p.digit & segment) == segment) {
      *out++ = 2;
      out = put_number({copy + at, copy + end}, out);
    } else {
      out = put_plain_word(copy + at, end - at, out);
    }
    if (dots == 0) return out;
    at = end + 1;
  }
}

// put_key() of a plain text: no pre-release, post-release or dev part.
[[gnu::always_inline]] inline std::size_t put_plain_key(const char* copy, const plain_text& p,
                                                        unsigned char* out) noexcept {
  unsigned char* const start = out;
  if (p.start == 0) {
    *out++ = kLengthBias;
  } else {
    out = put_number({copy, copy + p.start - 1}, out);
  }
  out = p.release_end <= 16 ? put_short_release(copy, p, out) : put_long_release(copy, p, out);
  out[0] = PEP440_PRE_NONE;
  out[1] = PEP440_POST_NONE;
  out[2] = 1;
  out += 3;
  if (p.release_end != p.size) out = put_plain_local(copy, p, out);
  return static_cast<std::size_t>(out - start);
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  char copy[kCopyBytes];
  plain_text p;
  if (plain(text, p, copy)) {
    return suffixed(p) ? put_key(plain_parts(text, p), out) : put_plain_key(copy, p, out);
  }
  parts v;
  (void)parse(text, v);
  return put_key(v, out);
}

std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
  char copy[kCopyBytes];
  plain_text p;
  if (plain(text, p, copy)) {
    return suffixed(p) ? put_key(plain_parts(text, p), out) : put_plain_key(copy, p, out);
  }
  parts v;
  return parse(text, v) ? put_key(v, out) : kNoKey;
}

// ---- the collation ----

// Just past the last dot of `p` in [from, at), or `from` without one.
std::size_t part_start(const plain_text& p, std::size_t from, std::size_t at) noexcept {
  const std::uint64_t dots = p.dot & below(at) & ~below(from);
  return dots == 0 ? from : last_set(dots) + 1;
}

// How many digits run from `at` on.
std::size_t digits_from(const plain_text& p, std::size_t at) noexcept {
  return at >= 64 ? 0 : static_cast<std::size_t>(std::countr_zero(~(p.digit >> at)));
}

bool nonzero_from(const plain_text& p, std::size_t at) noexcept {
  return (p.nonzero & below(p.release_end) & ~below(at)) != 0;
}

int compare_labels_from(std::string_view lhs, std::size_t l, const plain_text& lp,
                        std::string_view rhs, std::size_t r, const plain_text& rp) noexcept {
  return compare_labels(lhs.data() + l, lhs.data() + lp.size, rhs.data() + r, rhs.data() + rp.size);
}

// Equal releases up to `at`, where the one text's release goes on with a dot
// or ends: zeros added to a release do not count, and the parts after equal
// releases decide, a version without a label first.
int compare_release_end(std::string_view lhs, const plain_text& l, std::string_view rhs,
                        const plain_text& r, std::size_t at) noexcept {
  if (nonzero_from(l, at)) return 1;
  if (nonzero_from(r, at)) return -1;
  const int order = compare_suffixes(l.v, r.v);
  if (order != 0) return order;
  const bool l_label = l.label != l.size;
  const bool r_label = r.label != r.size;
  if (l_label != r_label || !l_label) return int{l_label} - int{r_label};
  return compare_labels_from(lhs, l.label + 1, l, rhs, r.label + 1, r);
}

// What compare_plain() gives for two texts it leaves to compare_parts().
constexpr int kUndecided = 2;

digits epoch_of(std::string_view text, const plain_text& p) noexcept {
  return {text.data(), text.data() + (p.start == 0 ? 0 : p.start - 1)};
}

// compare() of two plain texts whose first `shared` bytes are alike, or
// kUndecided.
int compare_plain(std::string_view lhs, const plain_text& l, std::string_view rhs,
                  const plain_text& r, std::size_t shared) noexcept {
  if ((l.start | r.start) != 0 && (l.start != r.start || shared < l.start)) {
    // Equal epochs spelt apart ("0!1" and "1") shift the rest from each
    // other.
    const int order = compare_numbers(epoch_of(lhs, l), epoch_of(rhs, r));
    return order != 0 ? order : kUndecided;
  }
  if (shared > l.label) {
    // The same release, suffix and '+': the label decides from its segment
    // that holds the difference on.
    const std::size_t start = part_start(l, l.label + 1, shared);
    return compare_labels_from(lhs, start, l, rhs, start, r);
  }
  if (shared > l.release_end || shared > r.release_end) {
    // The one release ends before the texts part; the other is the same up
    // to there, and may go on with a dot and numbers.
    const std::size_t at = l.release_end < r.release_end ? l.release_end : r.release_end;
    return compare_release_end(lhs, l, rhs, r, at);
  }
  // Both texts are within the same number of their releases, or at its end:
  // its digits before `shared` are alike, and those from there on run to a
  // dot or the release's end. Numbers without leading zeros: the longer is
  // larger.
  const std::size_t lhs_digits = digits_from(l, shared);
  const std::size_t rhs_digits = digits_from(r, shared);
  if (lhs_digits != rhs_digits) return lhs_digits < rhs_digits ? -1 : 1;
  if (lhs_digits != 0) {
    return static_cast<unsigned char>(lhs[shared]) < static_cast<unsigned char>(rhs[shared]) ? -1
                                                                                             : 1;
  }
  return compare_release_end(lhs, l, rhs, r, shared);
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
  // Releases of dotted numbers: a missing number is 0 and a shorter text
  // sorts first among equal ones, so they order as numbered texts.
  numbered_text a_dotted;
  numbered_text b_dotted;
  if (read_dotted_numbers(lhs, kAnyDots, a_dotted) &&
      read_dotted_numbers(rhs, kAnyDots, b_dotted)) {
    return compare_numbered_texts(a_dotted, b_dotted);
  }
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  int order = kUndecided;
  plain_text lp;
  plain_text rp;
  const bool lhs_plain = plain(lhs, lp);
  if (lhs_plain && plain(rhs, rp)) {
    order = compare_plain(lhs, lp, rhs, rp, shared);
  }
  if (order == kUndecided) {
    order = 0;
    parts l;
    parts r;
    if (lhs_plain) l = plain_parts(lhs, lp);
    const bool lhs_valid = lhs_plain || parse(lhs, l);
    if (lhs_valid != parse(rhs, r)) return lhs_valid ? 1 : -1;
    if (lhs_valid) order = compare_parts(l, r);
  }
  if (order != 0) return order < 0 ? -1 : 1;
  // Bytes past the shared ones: string_view::substr() could throw.
  return byte_order({lhs.data() + shared, lhs.size() - shared},
                    {rhs.data() + shared, rhs.size() - shared});
}

// ---- the normal form ----

// A number as Python's str(int(...)) writes it.
char* put_decimal(digits number, char* out) noexcept {
  number = without_leading_zeros(number);
  if (number.begin == number.end) {
    *out = '0';
    return out + 1;
  }
  const auto length = static_cast<std::size_t>(number.end - number.begin);
  std::memcpy(out, number.begin, length);
  return out + length;
}

char* put_literal(std::string_view literal, char* out) noexcept {
  std::memcpy(out, literal.data(), literal.size());
  return out + literal.size();
}

const char* release_without_trailing_zeros(digits release) noexcept {
  const char* p = release.begin;
  const char* kept = next_number(p, release.end).end;
  while (p < release.end) {
    const digits number = next_number(p, release.end);
    if (without_leading_zeros(number).begin != number.end) kept = number.end;
  }
  return kept;
}

// What next_lowered() reads, written out: Python's str.lower() of the
// letters a valid version may hold. A routine of its own, so that the
// order's reads of labels are compiled as they were before normal forms
// were written.
char* put_lowered(const char* p, const char* end, char* out) noexcept {
  while (p != end) {
    const std::size_t length = alnum_length(p, end);
    if (length == 0) {  // not a letter or digit: as it is
      *out++ = *p++;
      continue;
    }
    const unsigned char b = byte_at(p, 0);
    if (length == 1) {
      *out++ = static_cast<char>(b >= 'A' && b <= 'Z' ? b | 0x20 : b);
    } else if (length == 3) {
      *out++ = 'k';  // U+212A
    } else if (byte_at(p, 1) == 0xB0) {
      std::memcpy(out, "i\xCC\x87", 3);  // U+0130
      out += 3;
    } else {
      std::memcpy(out, p, 2);
      out += 2;
    }
    p += length;
  }
  return out;
}

char* put_local_label(const parts& v, char* out) noexcept {
  const char* p = v.local;
  *out++ = '+';
  while (p != v.local_end) {
    bool numeric = false;
    const digits segment = next_segment(p, v.local_end, numeric);
    if (numeric) {
      out = put_decimal(segment, out);
    } else {
      out = put_lowered(segment.begin, segment.end, out);
    }
    if (p != v.local_end) *out++ = '.';
  }
  return out;
}

std::size_t normal_form(const parts& v, bool strip_trailing_zeros, bool with_local,
                        char* out) noexcept {
  char* const start = out;
  if (without_leading_zeros(v.epoch).begin != v.epoch.end) {
    out = put_decimal(v.epoch, out);
    *out++ = '!';
  }
  const char* const release_end =
      strip_trailing_zeros ? pep440_release_without_trailing_zeros(v.release) : v.release.end;
  for (const char* p = v.release.begin; p < release_end;) {
    if (p != v.release.begin) *out++ = '.';
    out = put_decimal(next_number(p, release_end), out);
  }
  if (v.pre != PEP440_PRE_NONE && v.pre != PEP440_PRE_DEV_ONLY) {
    out = put_decimal(v.pre_number, put_literal(pep440_pre_letters(v.pre), out));
  }
  if (v.post != PEP440_POST_NONE) out = put_decimal(v.post_number, put_literal(".post", out));
  if (v.dev) out = put_decimal(v.dev_number, put_literal(".dev", out));
  if (with_local && v.local != nullptr) out = put_local_label(v, out);
  return static_cast<std::size_t>(out - start);
}

// The epoch and the release's first three numbers (a missing one is 0, as
// the order pads releases with zeros). A text that starts with white space
// is not read.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (p != end && (*p | 0x20) == 'v') ++p;
  if (!lead_digit(p, end)) return kUnknownLead;
  lead_packer out(against);
  if (!lead_epoch(out, p, end, '!', 8, 24)) return out.rest_unknown();
  for (int part = 0; part < 2; ++part) {
    if (out.apart()) return out.rest_unknown();
    const bool more = p != end && *p == '.' && lead_digit(p + 1, end);
    if (more) ++p;
    out.clamped(more ? lead_number(p, end) : 0, 16);
  }
  return out.done();
}

}  // namespace

const version_scheme PEP440_SCHEME = {valid,   compare,   key_bound, key,
                                      collate, valid_key, nullptr,   lead};

// The parsed form for the specifier sets; the scheme's own paths above call
// the internal routines directly.

bool pep440_parse(std::string_view text, pep440_parts& out) noexcept {
  return parse(text, out);
}

int pep440_compare_parts(const pep440_parts& lhs, const pep440_parts& rhs) noexcept {
  return compare_parts(lhs, rhs);
}

int pep440_compare_numbers(pep440_digits lhs, pep440_digits rhs) noexcept {
  return compare_numbers(lhs, rhs);
}

int pep440_compare_locals(const pep440_parts& lhs, const pep440_parts& rhs) noexcept {
  return compare_labels(lhs.local, lhs.local_end, rhs.local, rhs.local_end);
}

std::size_t pep440_normal_form(const pep440_parts& v, bool strip_trailing_zeros, bool with_local,
                               char* out) noexcept {
  return normal_form(v, strip_trailing_zeros, with_local, out);
}

const char* pep440_release_without_trailing_zeros(pep440_digits release) noexcept {
  return release_without_trailing_zeros(release);
}

std::size_t pep440_lowered(std::string_view text, char* out) noexcept {
  return static_cast<std::size_t>(put_lowered(text.data(), text.data() + text.size(), out) - out);
}

const char* pep440_skip_spaces(const char* p, const char* end) noexcept {
  return skip_spaces(p, end);
}

}  // namespace korvel
