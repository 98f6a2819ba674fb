// Debian package versions: [epoch:]upstream[-revision].
//
// Validity follows what dpkg accepts; the order follows the package tools'
// comparison, which reads the raw text: blanks dpkg trims still take part as
// ordinary bytes, and the epoch is whatever precedes the first ':', compared
// like the other two fragments (so a signed epoch orders by its sign byte).
//
// Key: the three fragments (epoch, upstream, revision; a missing epoch or
// revision is "0"), each as a list of pairs (a run of non-digits, then the
// number that follows it), then 0x02. A run's bytes: '~' as 0x01, letters as
// themselves, every other byte b as 0x80|b. The number: one byte 0x03 + n for
// its n significant digits (n <= 59), or 0x3F and n as 8 bytes big-endian,
// then those digits in ASCII. The first pair is always written, even empty.
#include "version/schemes/deb.h"

#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/chunks.h"
#include "version/words.h"

namespace korvel {

namespace {

enum : unsigned char {
  kBlank = 1,     // trimmed at either end by dpkg, refused inside
  kUpstream = 2,  // allowed in the upstream part
  kRevision = 4,  // allowed in the revision
  kDigit = 8,
  kLetter = 16,
  kSpace = 32,  // other white space: only where an epoch's number may start
  kPlain = 64,  // in a version with no epoch and no blanks
};

constexpr unsigned char class_of(unsigned char c) noexcept {
  if (c >= '0' && c <= '9') return kDigit | kUpstream | kRevision | kPlain;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))
    return kLetter | kUpstream | kRevision | kPlain;
  if (c == '.' || c == '+' || c == '~') return kUpstream | kRevision | kPlain;
  if (c == '-') return kUpstream | kPlain;
  if (c == ':') return kUpstream;
  if (c == ' ' || c == '\t') return kBlank;
  if (c == '\n' || c == '\v' || c == '\f' || c == '\r') return kSpace;
  return 0;
}

// A byte's value under `map`, looked up instead of computed on the per-row
// paths.
struct byte_table {
  unsigned char bytes[256];
};

template <typename Map>
constexpr byte_table make_byte_table(Map map) noexcept {
  byte_table table{};
  for (int c = 0; c < 256; ++c) table.bytes[c] = map(static_cast<unsigned char>(c));
  return table;
}

constexpr byte_table kClasses = make_byte_table(class_of);

inline unsigned char class_at(std::string_view text, std::size_t i) noexcept {
  return kClasses.bytes[static_cast<unsigned char>(text[i])];
}

inline bool is_digit(char c) noexcept {
  return static_cast<unsigned char>(c - '0') < 10;
}

// [from, to) of `text`; never checked, never throws.
inline std::string_view slice(std::string_view text, std::size_t from, std::size_t to) noexcept {
  return {text.data() + from, to - from};
}

// ---- validity ----

// `digits` as dpkg's epoch: 0 .. 2147483647, any leading zeros;
// a '-' sign only in front of zero.
bool epoch_in_range(std::string_view digits, bool negative) noexcept {
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == '0') ++i;
  const std::string_view significant = slice(digits, i, digits.size());
  if (significant.empty()) return true;
  if (negative) return false;
  constexpr std::string_view kMax = "2147483647";
  return significant.size() < kMax.size() ||
         (significant.size() == kMax.size() && significant <= kMax);
}

// dpkg's validity read forward, so that two texts that share leading bytes
// share the state those bytes lead to: the collation reads the shared bytes
// once and then each text's own tail. The state also keeps where the epoch's
// ':' and the last '-' are, which split a valid text for the order.
enum class phase : unsigned char {
  lead,          // blanks dpkg trims
  epoch_space,   // other white space, which only an epoch may follow
  epoch_sign,    // an epoch's sign
  epoch_digits,  // digits: an epoch if a ':' follows, else the upstream's start
  body_first,    // just past the epoch's ':', where a digit must follow
  body,          // upstream and revision
  trailing,      // blanks dpkg trims; nothing else may follow
  dead,          // invalid whatever follows
};

constexpr std::size_t kNone = std::string_view::npos;

struct deb_scan {
  phase at = phase::lead;
  bool signed_or_spaced = false;  // so the digits must be an epoch
  bool negative = false;
  std::size_t digits = 0;          // where the first digit is
  std::size_t colon = kNone;       // the epoch's ':'
  std::size_t last_dash = kNone;   // the last '-' past it
  std::size_t last_colon = kNone;  // the last ':' past it
  std::size_t trail = kNone;       // where trailing blanks start
};

// One byte before the first digit: blanks, then other white space, then a
// sign.
std::size_t scan_lead(deb_scan& s, std::string_view text, std::size_t i) noexcept {
  const auto c = static_cast<unsigned char>(text[i]);
  const unsigned char bits = kClasses.bytes[c];
  if ((bits & kDigit) != 0) {
    s.at = phase::epoch_digits;
    s.digits = i;
    return i;
  }
  if (s.at == phase::epoch_sign) {
    s.at = phase::dead;
  } else if (c == '+' || c == '-') {
    s.at = phase::epoch_sign;
    s.signed_or_spaced = true;
    s.negative = c == '-';
  } else if ((bits & kSpace) != 0) {
    s.at = phase::epoch_space;
    s.signed_or_spaced = true;
  } else if ((bits & kBlank) == 0 || s.at != phase::lead) {
    s.at = phase::dead;
  }
  return i + 1;
}

// The digits may start in bytes both texts share, alike in either: slicing
// them from this text is right for both.
std::size_t scan_epoch_digits(deb_scan& s, std::string_view text, std::size_t i,
                              std::size_t to) noexcept {
  while (i < to && is_digit(text[i])) ++i;
  if (i == to) return i;
  if (text[i] == ':') {
    s.colon = i;
    s.at = epoch_in_range(slice(text, s.digits, i), s.negative) ? phase::body_first : phase::dead;
    return i + 1;
  }
  s.at = s.signed_or_spaced ? phase::dead : phase::body;
  return i;
}

// Branch-free but for the bytes that end the body: most texts hold a '-'.
inline std::size_t scan_body(deb_scan& s, std::string_view text, std::size_t i,
                             std::size_t to) noexcept {
  std::size_t last_dash = s.last_dash;
  std::size_t last_colon = s.last_colon;
  for (; i < to; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const unsigned char bits = kClasses.bytes[c];
    if ((bits & kUpstream) == 0) {
      s.at = (bits & kBlank) != 0 ? phase::trailing : phase::dead;
      s.trail = i++;
      break;
    }
    last_dash = c == '-' ? i : last_dash;
    last_colon = c == ':' ? i : last_colon;
  }
  s.last_dash = last_dash;
  s.last_colon = last_colon;
  return i;
}

std::size_t scan_step(deb_scan& s, std::string_view text, std::size_t i, std::size_t to) noexcept {
  switch (s.at) {
    case phase::body:
      return scan_body(s, text, i, to);
    case phase::epoch_digits:
      return scan_epoch_digits(s, text, i, to);
    case phase::body_first:
      s.at = is_digit(text[i]) ? phase::body : phase::dead;
      return i + 1;
    case phase::trailing:
      while (i < to && (class_at(text, i) & kBlank) != 0) ++i;
      if (i < to) s.at = phase::dead;
      return to;
    case phase::dead:
      return to;
    default:
      return scan_lead(s, text, i);
  }
}

// Most of a text is body: its loop is entered without the switch.
inline void scan(deb_scan& s, std::string_view text, std::size_t from, std::size_t to) noexcept {
  while (from < to) {
    from = s.at == phase::body ? scan_body(s, text, from, to) : scan_step(s, text, from, to);
  }
}

bool scanned_valid(const deb_scan& s, std::size_t size) noexcept {
  if (s.at == phase::epoch_digits) return !s.signed_or_spaced;
  if (s.at != phase::body && s.at != phase::trailing) return false;
  const std::size_t end = s.at == phase::trailing ? s.trail : size;
  if (s.last_colon != kNone &&
      (s.colon == kNone || (s.last_dash != kNone && s.last_colon > s.last_dash))) {
    return false;
  }
  return s.last_dash == kNone || s.last_dash + 1 != end;
}

// Almost every Debian version is a digit and then only digits, letters and
// '.', '+', '~', '-' and ':'. Such a text is read a word at a time, and its
// validity then rests only on where its colons and dashes are.
struct word_scan {
  unsigned upstream = kUpstream;  // kept while every byte read is one of those
  std::size_t first_colon = kNone;
  std::size_t last_colon = kNone;
  std::size_t last_dash = kNone;
};

// Eight lookups, unrolled: the loop's own branches would cost as much.
inline unsigned upstream_bytes(word w) noexcept {
  const auto at = [w](int i) { return kClasses.bytes[(w >> (8 * i)) & 0xff]; };
  return static_cast<unsigned>((at(0) & at(1) & at(2) & at(3)) & (at(4) & at(5) & at(6) & at(7)) &
                               kUpstream);
}

void scan_words(word_scan& s, std::string_view text, std::size_t from, std::size_t to) noexcept {
  if (from == to) return;
  visit_words(text.data() + from, to - from, '0', [&](word w, std::size_t at) {
    s.upstream &= upstream_bytes(w);
    at += from;
    if (const word colons = bytes_equal(w, ':'); colons != 0) {
      if (s.first_colon == kNone) s.first_colon = at + first_flagged(colons);
      s.last_colon = at + last_flagged(colons);
    }
    if (const word dashes = bytes_equal(w, '-'); dashes != 0)
      s.last_dash = at + last_flagged(dashes);
    return s.upstream != 0;
  });
}

// scan() of a text that scan_words() read whole, when it has the usual
// shape; false for any other text.
bool scanned_words(deb_scan& s, const word_scan& w, std::string_view text) noexcept {
  if (w.upstream == 0 || text.empty() || !is_digit(text[0])) return false;
  s.at = phase::body;
  s.last_dash = w.last_dash;
  if (w.first_colon == kNone) return true;
  // The epoch: digits before the first ':', and a digit after it.
  std::size_t i = 1;
  while (i < w.first_colon && is_digit(text[i])) ++i;
  const std::size_t body = w.first_colon + 1;
  if (i != w.first_colon || !epoch_in_range(slice(text, 0, i), false) || body == text.size() ||
      !is_digit(text[body])) {
    s.at = phase::dead;
    return true;
  }
  s.colon = w.first_colon;
  s.last_colon = w.last_colon;
  return true;
}

deb_scan scan_text(std::string_view text) noexcept {
  word_scan w;
  scan_words(w, text, 0, text.size());
  deb_scan s;
  if (!scanned_words(s, w, text)) scan(s, text, 0, text.size());
  return s;
}

// Nineteen in twenty Debian versions have no epoch and no blanks: a digit,
// then only digits, letters and '.', '+', '~' and '-'. Such a text is valid
// exactly when it does not end in '-' (an empty revision), so its bytes'
// classes decide it, with no state to carry; any other text is scanned.
//
// Sixteen bytes are classed at once through the compilers' vector
// extension (SSE2 or NEON, else plain words): a few operations, where a
// lookup per byte costs three. No function takes or returns a vector:
// where SSE2 is missing (32-bit x86) that would change the calling
// convention.
using lanes = unsigned char __attribute__((vector_size(16)));
using signed_lanes = signed char __attribute__((vector_size(16)));
using halves = word __attribute__((vector_size(16)));

// The '-' bytes of two words, 0xFF each.
struct halves_of_dashes {
  word low;
  word high;
};

// Each range [lo, hi] in two operations: shifted by 0x80 - lo, it wraps to
// the lowest signed values, and one comparison finds them.
#define KORVEL_IN_RANGE(v, lo, hi)                                                 \
  (reinterpret_cast<signed_lanes>((v) + static_cast<unsigned char>(0x80 - (lo))) < \
   static_cast<signed char>((hi) - (lo) + 1 - 0x80))

// Whether the sixteen bytes are plain bytes; `dashes`, when given, gets
// their '-' bytes.
[[gnu::always_inline]] inline bool plain_bytes(word low, word high,
                                               halves_of_dashes* dashes = nullptr) noexcept {
  const auto v = reinterpret_cast<lanes>(halves{low, high});
  const lanes folded = v | 0x20;  // letters to lower case
  const signed_lanes digit = KORVEL_IN_RANGE(v, '0', '9');
  const signed_lanes letter = KORVEL_IN_RANGE(folded, 'a', 'z');
  const signed_lanes plus_to_dot = KORVEL_IN_RANGE(v, '+', '.') & ~(v == ',');
  const auto ok = reinterpret_cast<halves>(digit | letter | plus_to_dot | (v == '~'));
  if (dashes != nullptr) {
    const auto found = reinterpret_cast<halves>(v == '-');
    *dashes = {found[0], found[1]};
  }
  return (ok[0] & ok[1]) == ~word{0};
}

#undef KORVEL_IN_RANGE

// Where a plain text's last '-' is, as far as its check saw: the last one
// at or after `from`, or kNone when those bytes hold none.
struct dash_reading {
  std::size_t at = kNone;
  std::size_t from = 0;
};

// The last '-' of two checked words, the high one's bytes from `high_at` and
// the low one's from `low_at`.
inline std::size_t last_of(const halves_of_dashes& dashes, std::size_t low_at,
                           std::size_t high_at) noexcept {
  return dashes.high != 0  ? high_at + last_flagged(dashes.high)
         : dashes.low != 0 ? low_at + last_flagged(dashes.low)
                           : kNone;
}

// Whether `text` is plain, given that its bytes before `from` are plain
// bytes: the collation reads the bytes two texts share only once. With
// `dash`, the same reading notes the last '-' of the last bytes read.
[[gnu::always_inline]] inline bool plain(std::string_view text, std::size_t from = 0,
                                         dash_reading* dash = nullptr) noexcept {
  if (text.empty() || !is_digit(text.front()) || text.back() == '-') return false;
  const char* p = text.data() + from;
  const char* const end = text.data() + text.size();
  const auto n = static_cast<std::size_t>(end - p);
  if (dash != nullptr) *dash = {kNone, text.size()};
  if (n == 0) return true;
  if (n < kWordBytes) {
    const word w = short_word(p, n, '0');
    halves_of_dashes dashes{};
    const bool ok = plain_bytes(w, w, dash != nullptr ? &dashes : nullptr);
    if (dash != nullptr) *dash = {last_of(dashes, from, from), from};
    return ok;
  }
  // The last sixteen bytes overlap those before, as the last word does.
  for (; end - p > 16; p += 16) {
    if (!plain_bytes(load_word(p), load_word(p + kWordBytes))) return false;
  }
  const char* const last = n > 16 ? end - 16 : p;
  halves_of_dashes dashes{};
  const bool ok = plain_bytes(load_word(last), load_word(end - kWordBytes),
                              dash != nullptr ? &dashes : nullptr);
  if (dash != nullptr) {
    const auto last_at = static_cast<std::size_t>(last - text.data());
    *dash = {last_of(dashes, last_at, text.size() - kWordBytes), last_at};
  }
  return ok;
}

// The last '-' of a plain text, read from its end: a revision is short.
[[gnu::always_inline]] inline std::size_t last_dash(std::string_view text) noexcept {
  std::size_t end = text.size();
  if (end == 0) return kNone;
  for (; end > kWordBytes; end -= kWordBytes) {
    if (const word dashes = bytes_equal(load_word(text.data() + end - kWordBytes), '-'))
      return end - kWordBytes + last_flagged(dashes);
  }
  const word dashes = bytes_equal(short_word(text.data(), end, '0'), '-');
  return dashes != 0 ? last_flagged(dashes) : kNone;
}

// A plain version may also carry an epoch, digits and a ':' before it, as
// the newest versions of an inventory often do: where its plain part starts
// (just past the ':'), or kNone for any other text. The bytes before `from`
// are known plain bytes or the same epoch.
std::size_t epoch_start(std::string_view text, std::size_t from) noexcept {
  std::size_t digits = 0;
  while (digits < text.size() && is_digit(text[digits])) ++digits;
  if (digits == 0 || digits == text.size() || text[digits] != ':' ||
      !epoch_in_range(slice(text, 0, digits), false)) {
    return kNone;
  }
  const std::size_t start = digits + 1;
  return plain(slice(text, start, text.size()), from > start ? from - start : 0) ? start : kNone;
}

bool valid(std::string_view text) noexcept {
  return plain(text) || epoch_start(text, 0) != kNone ||
         scanned_valid(scan_text(text), text.size());
}

// ---- order ----

struct fragments {
  std::string_view epoch;
  std::string_view upstream;
  std::string_view revision;  // "0" when the text has none
};

constexpr std::string_view kZero = "0";

// Splits a valid text. A valid epoch is white space, a sign and digits, so
// the first ':' is found without scanning the rest of the text.
fragments split(std::string_view text) noexcept {
  fragments parts{std::string_view(), text, kZero};
  std::size_t i = 0;
  while (i < text.size() && (class_at(text, i) & (kBlank | kSpace)) != 0) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  while (i < text.size() && is_digit(text[i])) ++i;
  if (i < text.size() && text[i] == ':') {
    parts.epoch = slice(text, 0, i);
    parts.upstream = slice(text, i + 1, text.size());
  }
  for (std::size_t j = parts.upstream.size(); j > 0; --j) {
    if (parts.upstream[j - 1] == '-') {
      parts.revision = slice(parts.upstream, j, parts.upstream.size());
      parts.upstream = slice(parts.upstream, 0, j - 1);
      break;
    }
  }
  return parts;
}

// A non-digit's weight: '~' lowest, then the end of a run (0, as a digit
// weighs), letters, and every other byte.
constexpr int weight_of(unsigned char c) noexcept {
  if (c == '~') return -1;
  if ((class_of(c) & kDigit) != 0) return 0;
  if ((class_of(c) & kLetter) != 0) return c;
  return c + 256;
}

struct weight_table {
  short weights[256];
};

constexpr weight_table make_weight_table() noexcept {
  weight_table table{};
  for (int c = 0; c < 256; ++c)
    table.weights[c] = static_cast<short>(weight_of(static_cast<unsigned char>(c)));
  return table;
}

constexpr weight_table kWeights = make_weight_table();

// dpkg's comparison of one fragment: runs of non-digits by their bytes'
// weights (a digit or the end weighs 0), each followed by a number (none is
// 0), until they differ.
int compare_fragment(std::string_view lhs, std::string_view rhs) noexcept {
  const auto* a = reinterpret_cast<const unsigned char*>(lhs.data());
  const auto* b = reinterpret_cast<const unsigned char*>(rhs.data());
  const auto* const a_end = a + lhs.size();
  const auto* const b_end = b + rhs.size();
  for (;;) {
    for (;;) {
      const int wa = a == a_end ? 0 : kWeights.weights[*a];
      const int wb = b == b_end ? 0 : kWeights.weights[*b];
      if (wa != wb) return wa < wb ? -1 : 1;
      if (wa == 0) break;  // equal weights other than 0 are two bytes alike
      ++a;
      ++b;
    }
    // Numbers of any length: the longer significant run is larger, else the
    // first differing digit decides.
    while (a != a_end && *a == '0') ++a;
    while (b != b_end && *b == '0') ++b;
    int first_difference = 0;
    for (; a != a_end && b != b_end && is_digit(static_cast<char>(*a)) &&
           is_digit(static_cast<char>(*b));
         ++a, ++b) {
      if (first_difference == 0 && *a != *b) first_difference = *a < *b ? -1 : 1;
    }
    if (a != a_end && is_digit(static_cast<char>(*a))) return 1;
    if (b != b_end && is_digit(static_cast<char>(*b))) return -1;
    if (first_difference != 0) return first_difference;
    if (a == a_end && b == b_end) return 0;
  }
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  if (lhs == rhs) return 0;
  const fragments a = split(lhs);
  const fragments b = split(rhs);
  int order = compare_fragment(a.epoch, b.epoch);
  if (order == 0) order = compare_fragment(a.upstream, b.upstream);
  if (order == 0) order = compare_fragment(a.revision, b.revision);
  return order;
}

// ---- keys ----

constexpr unsigned char kTilde = 0x01;
constexpr unsigned char kFragmentEnd = 0x02;
constexpr unsigned char kNumberBase = 0x03;
constexpr std::size_t kShortDigits = 59;
constexpr unsigned char kLongNumber = 0x3F;

constexpr unsigned char key_byte_of(unsigned char byte) noexcept {
  if (byte == '~') return kTilde;
  if ((class_of(byte) & kLetter) != 0) return byte;
  return static_cast<unsigned char>(byte | 0x80);
}

constexpr byte_table kKeyBytes = make_byte_table(key_byte_of);

// The digits are copied as they are read, after room for the short length
// byte; a long number's eight more length bytes then push them along.
unsigned char* write_number(const char*& at, const char* end, unsigned char* out) noexcept {
  while (at != end && *at == '0') ++at;
  unsigned char* digits = out + 1;
  unsigned char* cursor = digits;
  for (; at != end && is_digit(*at); ++at) *cursor++ = static_cast<unsigned char>(*at);
  const auto n = static_cast<std::size_t>(cursor - digits);
  if (n <= kShortDigits) {
    *out = static_cast<unsigned char>(kNumberBase + n);
    return cursor;
  }
  std::memmove(digits + 8, digits, n);
  *out++ = kLongNumber;
  for (int shift = 56; shift >= 0; shift -= 8) {
    *out++ = static_cast<unsigned char>(static_cast<std::uint64_t>(n) >> shift);
  }
  return cursor + 8;
}

// An empty fragment, or one of zeros: the number 0 alone.
unsigned char* write_zero(unsigned char* out) noexcept {
  *out++ = kNumberBase;
  *out++ = kFragmentEnd;
  return out;
}

#if defined(__SSE2__)
// The key bytes of up to sixteen fragment bytes: letters and digits as
// themselves, '~' as kTilde, every other byte with its high bit set.
inline __m128i key_bytes(__m128i bytes) noexcept {
  const __m128i letter = in_range(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 26);
  const __m128i kept = _mm_or_si128(letter, in_range(bytes, '0', 10));
  const __m128i tilde = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('~'));
  const __m128i marked = _mm_or_si128(bytes, _mm_andnot_si128(kept, _mm_set1_epi8(char(0x80))));
  return _mm_or_si128(_mm_andnot_si128(tilde, marked),
                      _mm_and_si128(tilde, _mm_set1_epi8(static_cast<char>(kTilde))));
}

inline void store_chunk(unsigned char* out, const unsigned char* from) noexcept {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), chunk_at(reinterpret_cast<const char*>(from)));
}

// The bits of `mask` from bit `at` on.
inline unsigned bits_from(unsigned mask, unsigned at) noexcept {
  return mask & (~0U << at);
}

// The lowest set bit of a mask that has one.
inline unsigned lowest(unsigned mask) noexcept {
  return static_cast<unsigned>(__builtin_ctz(mask));
}

// A plain text's bytes as bit masks, one bit a byte, and its key bytes.
struct chunk_masks {
  alignas(16) unsigned char bytes[32];
  unsigned digits;
  unsigned significant;  // digits but '0'
};

// The fragment [at, end) of a text of at most sixteen bytes, written run by
// run rather than byte by byte: each run is one sixteen-byte store, and the
// runs and a number's leading zeros are found in the masks. The stores reach
// up to sixteen bytes past what is written.
unsigned char* write_runs(const chunk_masks& m, unsigned at, unsigned end,
                          unsigned char* out) noexcept {
  const unsigned stop = 1U << end;
  for (;;) {
    const unsigned number = lowest(bits_from(m.digits | stop, at));
    store_chunk(out, m.bytes + at);
    out += number - at;
    if (number == end) {
      *out++ = kNumberBase;
      break;
    }
    at = lowest(bits_from(~m.digits, number));
    const unsigned first = lowest(bits_from(m.significant | stop, number));
    const unsigned from = first < at ? first : at;
    *out = static_cast<unsigned char>(kNumberBase + (at - from));
    store_chunk(out + 1, m.bytes + from);
    out += 1 + at - from;
    if (at == end) break;
  }
  *out++ = kFragmentEnd;
  return out;
}

// The key of a plain text of `n` bytes, at most sixteen, in `chunk`, whose
// upstream starts at `start` and whose last '-' is at `dash` (kNone).
std::size_t write_short_plain(__m128i chunk, unsigned n, std::size_t start, std::size_t dash,
                              unsigned char* out) noexcept {
  chunk_masks m;
  _mm_store_si128(reinterpret_cast<__m128i*>(m.bytes), key_bytes(chunk));
  _mm_store_si128(reinterpret_cast<__m128i*>(m.bytes + 16), _mm_setzero_si128());
  // The padding is 0, neither a digit nor '0'.
  m.digits = static_cast<unsigned>(mask_of(in_range(chunk, '0', 10)));
  m.significant =
      m.digits & ~static_cast<unsigned>(mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('0'))));
  unsigned char* end = start == 0 ? write_zero(out) : write_runs(m, 0, start - 1, out);
  if (dash == kNone) {
    end = write_runs(m, start, n, end);
    end = write_zero(end);
  } else {
    end = write_runs(m, start, dash, end);
    end = write_runs(m, dash + 1, n, end);
  }
  return static_cast<std::size_t>(end - out);
}
#endif

unsigned char* write_fragment(std::string_view text, unsigned char* out) noexcept {
  const char* at = text.data();
  const char* const end = at + text.size();
  do {
    for (; at != end && !is_digit(*at); ++at)
      *out++ = kKeyBytes.bytes[static_cast<unsigned char>(*at)];
    out = write_number(at, end, out);
  } while (at != end);
  *out++ = kFragmentEnd;
  return out;
}

// Each fragment byte costs at most two key bytes (a run byte and the number
// byte after it, or a digit and its share of a number's length); each
// fragment adds its first number byte and its end, and a missing revision
// is written as "0"; whole-register stores reach sixteen bytes further.
std::size_t key_bound(std::size_t size) noexcept {
  return 2 * size + 8 + 16;
}

std::size_t write_key(const fragments& parts, unsigned char* out) noexcept {
  unsigned char* end = parts.epoch.empty() ? write_zero(out) : write_fragment(parts.epoch, out);
  end = write_fragment(parts.upstream, end);
  end = write_fragment(parts.revision, end);
  return static_cast<std::size_t>(end - out);
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  return write_key(split(text), out);
}

// ---- collation ----

// Where the digit or non-digit run holding the byte before `at` starts, not
// before `from`: both texts split into runs alike there.
std::size_t run_start(std::string_view text, std::size_t from, std::size_t at) noexcept {
  if (at == from) return at;
  const bool digits = is_digit(text[at - 1]);
  std::size_t start = at - 1;
  while (start > from && is_digit(text[start - 1]) == digits) --start;
  return start;
}

fragments fragments_of(std::string_view text, const deb_scan& s) noexcept {
  const std::size_t upstream = s.colon == kNone ? 0 : s.colon + 1;
  if (s.last_dash == kNone) {
    return {slice(text, 0, upstream - (upstream != 0)), slice(text, upstream, text.size()), kZero};
  }
  return {slice(text, 0, upstream - (upstream != 0)), slice(text, upstream, s.last_dash),
          slice(text, s.last_dash + 1, text.size())};
}

// From `from` of both fragments, which start at the same place in both texts.
[[gnu::always_inline]] inline int compare_fragments_from(std::string_view a, std::string_view b,
                                                         std::size_t from,
                                                         std::size_t start) noexcept {
  return compare_fragment(slice(a, from - start, a.size()), slice(b, from - start, b.size()));
}

// compare() of two valid texts whose first `shared` bytes are the same: the
// fragments before the one they part in are equal, and so are the runs of
// that fragment before the run they part in.
[[gnu::always_inline]] inline int compare_sharing(std::string_view a, const deb_scan& sa,
                                                  std::string_view b, const deb_scan& sb,
                                                  std::size_t shared) noexcept {
  const fragments fa = fragments_of(a, sa);
  const fragments fb = fragments_of(b, sb);
  int order = 0;
  if (sa.colon != sb.colon || (sa.colon != kNone && sa.colon >= shared)) {
    order = compare_fragment(fa.epoch, fb.epoch);
    if (order == 0) order = compare_fragment(fa.upstream, fb.upstream);
    return order != 0 ? order : compare_fragment(fa.revision, fb.revision);
  }
  const bool a_revision = sa.last_dash != kNone && sa.last_dash < shared;
  const bool b_revision = sb.last_dash != kNone && sb.last_dash < shared;
  if (a_revision && b_revision) {
    const std::size_t start = sa.last_dash + 1;
    return compare_fragments_from(fa.revision, fb.revision, run_start(a, start, shared), start);
  }
  const std::size_t start = sa.colon == kNone ? 0 : sa.colon + 1;
  if (a_revision == b_revision) {
    order = compare_fragments_from(fa.upstream, fb.upstream, run_start(a, start, shared), start);
  } else {
    order = compare_fragment(fa.upstream, fb.upstream);
  }
  return order != 0 ? order : compare_fragment(fa.revision, fb.revision);
}

// compare_sharing() of two plain texts whose plain parts start at `a_start`
// and `b_start`, inlined where both are 0, as they mostly are.
[[gnu::always_inline]] inline int compare_plain(std::string_view a, std::size_t a_start,
                                                std::size_t a_dash, std::string_view b,
                                                std::size_t b_start, std::size_t b_dash,
                                                std::size_t shared) noexcept {
  deb_scan sa{phase::body};
  deb_scan sb{phase::body};
  sa.colon = a_start != 0 ? a_start - 1 : kNone;
  sb.colon = b_start != 0 ? b_start - 1 : kNone;
  sa.last_dash = a_dash;
  sb.last_dash = b_dash;
  return compare_sharing(a, sa, b, sb, shared);
}

// The last '-' of a plain text, from what its check saw and, if need be,
// the bytes before.
inline std::size_t last_dash(std::string_view text, const dash_reading& dash) noexcept {
  return dash.at != kNone ? dash.at : last_dash(slice(text, 0, dash.from));
}

// Epochs mostly differ where one text has one (the newest of an inventory):
// then the rest need not be split.
[[gnu::noinline]] int compare_epochs(std::string_view a, std::size_t a_start, std::string_view b,
                                     std::size_t b_start, std::size_t shared) noexcept {
  const std::string_view a_epoch = slice(a, 0, a_start != 0 ? a_start - 1 : 0);
  const std::string_view b_epoch = slice(b, 0, b_start != 0 ? b_start - 1 : 0);
  if (const int order = compare_fragment(a_epoch, b_epoch); order != 0) return order;
  return compare_plain(a, a_start, last_dash(a), b, b_start, last_dash(b), shared);
}

#if defined(__SSE2__)

// A text of 1 to 32 bytes in two registers, and its classes as bit masks,
// bit i for byte i.
struct short_text {
  std::uint64_t digits;
  std::uint64_t dashes;
  int colon;   // where its plain part starts, less one: -1 when it has no epoch
  bool plain;  // plain, perhaps behind an epoch
};

struct chunk_classes {
  std::uint64_t plain;
  std::uint64_t digits;
  std::uint64_t dashes;
  std::uint64_t colons;
};

inline chunk_classes classes_of(__m128i chunk) noexcept {
  const __m128i digit = in_range(chunk, '0', 10);
  const __m128i letter = in_range(_mm_or_si128(chunk, _mm_set1_epi8(0x20)), 'a', 26);
  const __m128i plus_to_dot =
      _mm_andnot_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(',')), in_range(chunk, '+', 4));
  const __m128i tilde = _mm_cmpeq_epi8(chunk, _mm_set1_epi8('~'));
  return {mask_of(_mm_or_si128(_mm_or_si128(digit, letter), _mm_or_si128(plus_to_dot, tilde))),
          mask_of(digit), mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('-'))),
          mask_of(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(':')))};
}

// Whether the masks make a plain text of `n` bytes, perhaps behind an
// epoch; the epoch's colon goes to `colon`.
inline bool plain_masks(std::string_view text, const chunk_classes& c, int& colon) noexcept {
  const auto n = static_cast<unsigned>(text.size());
  const std::uint64_t live = (std::uint64_t{1} << n) - 1;
  const std::uint64_t last = std::uint64_t{1} << (n - 1);
  if ((c.digits & 1) == 0 || (c.dashes & last) != 0) return false;
  if (c.colons == 0) {
    colon = -1;
    return (c.plain & live) == live;
  }
  // One ':' after digits alone, a digit after it, and an epoch dpkg takes.
  const auto at = static_cast<unsigned>(__builtin_ctzll(c.colons));
  const std::uint64_t epoch = (std::uint64_t{1} << at) - 1;
  if ((c.colons & (c.colons - 1)) != 0 || (c.digits & epoch) != epoch || at + 1 == n ||
      !has_bit(c.digits, at + 1) || ((c.plain | c.colons) & live) != live ||
      !epoch_in_range(text.substr(0, at), false)) {
    return false;
  }
  colon = static_cast<int>(at);
  return true;
}

[[gnu::always_inline]] inline short_text read_short(std::string_view text,
                                                    const chunk_pair& chunks) noexcept {
  chunk_classes c = classes_of(chunks.low);
  if (text.size() > 16) {
    const chunk_classes h = classes_of(chunks.high);
    c = {joined(c.plain, h.plain), joined(c.digits, h.digits), joined(c.dashes, h.dashes),
         joined(c.colons, h.colons)};
  }
  short_text t{c.digits, c.dashes, -1, false};
  t.plain = plain_masks(text, c, t.colon);
  return t;
}

// The position of the last '-', or -1.
inline int last_dash_of(std::uint64_t dashes) noexcept {
  return dashes == 0 ? -1 : 63 - __builtin_clzll(dashes);
}

constexpr int kUndecided = 2;

// One side of a fragment at the first byte where two texts part.
struct side {
  std::string_view text;
  std::uint64_t digits;
  unsigned end;  // where the fragment ends
};

inline int weight_at(const side& s, unsigned at) noexcept {
  return at < s.end ? kWeights.weights[static_cast<unsigned char>(s.text[at])] : 0;
}

inline bool digit_at(const side& s, unsigned at) noexcept {
  return at < s.end && has_bit(s.digits, at);
}

// Two fragments alike before `at`, where they part: the order
// compare_fragment() would give, read off the masks where the byte at `at`
// or its number decides; kUndecided where the fragments may yet be equal
// (leading zeros, both ending there). A fragment follows a byte that is not
// a digit ('-' or ':'), so its first number cannot start before it.
int decide_at(const side& a, const side& b, unsigned at) noexcept {
  unsigned number = at;  // where the number holding `at` starts
  if (at > 0 && has_bit(a.digits, at - 1)) {
    const std::uint64_t before = ~a.digits & ((std::uint64_t{1} << at) - 1);
    number = before == 0 ? 0 : 64 - static_cast<unsigned>(__builtin_clzll(before));
  } else {
    const int wa = weight_at(a, at);
    const int wb = weight_at(b, at);
    if (wa != wb) return wa < wb ? -1 : 1;
  }
  if ((number < a.end && a.text[number] == '0') || (number < b.end && b.text[number] == '0'))
    return kUndecided;
  const bool a_digit = digit_at(a, at);
  const bool b_digit = digit_at(b, at);
  if (a_digit != b_digit) return a_digit ? 1 : -1;
  if (!a_digit) {
    const int wa = weight_at(a, at);
    const int wb = weight_at(b, at);
    return wa != wb ? (wa < wb ? -1 : 1) : kUndecided;
  }
  const auto a_run = static_cast<unsigned>(__builtin_ctzll(~a.digits >> at));
  const auto b_run = static_cast<unsigned>(__builtin_ctzll(~b.digits >> at));
  if (a_run != b_run) return a_run > b_run ? 1 : -1;
  return static_cast<unsigned char>(a.text[at]) < static_cast<unsigned char>(b.text[at]) ? -1 : 1;
}

inline std::string_view epoch_of(std::string_view text, int colon) noexcept {
  return colon < 0 ? std::string_view() : slice(text, 0, static_cast<std::size_t>(colon));
}

inline std::string_view revision_of(std::string_view text, int dash) noexcept {
  return dash < 0 ? kZero : slice(text, static_cast<std::size_t>(dash) + 1, text.size());
}

// The fragments' order from the first difference at `at` on, past equal
// epochs: the revision of both, or the upstream of both, or the one whose
// last '-' is before `at`, whose upstream is the shorter.
int compare_from(const side& a, const side& b, int a_dash, int b_dash, unsigned at) noexcept {
  const bool a_revision = a_dash >= 0 && static_cast<unsigned>(a_dash) < at;
  const bool b_revision = b_dash >= 0 && static_cast<unsigned>(b_dash) < at;
  if (a_revision != b_revision) return a_revision ? -1 : 1;
  if (const int order = decide_at(a, b, at); order != kUndecided) return order;
  const std::size_t from = run_start(a.text, 0, at);
  const int order = compare_fragment(slice(a.text, from, a.end), slice(b.text, from, b.end));
  if (order != 0 || a_revision) return order;
  return compare_fragment(revision_of(a.text, a_dash), revision_of(b.text, b_dash));
}

// collate() of two plain texts of at most 32 bytes, from masks of two
// registers each: where they part and where their epochs and revisions
// start decide which fragments to compare, from the run that holds the
// first difference. kUndecided for any other texts.
[[gnu::always_inline]] inline int collate_short(std::string_view a, std::string_view b,
                                                const chunk_pair& a_chunks,
                                                const chunk_pair& b_chunks) noexcept {
  const std::uint64_t differ = differing(a_chunks, b_chunks);
  // Identical texts, common in inventories, are equal whatever they hold; a
  // NUL matches the padding, hence the sizes.
  if (differ == 0 && a.size() == b.size()) return 0;
  const short_text ta = read_short(a, a_chunks);
  const short_text tb = read_short(b, b_chunks);
  if (!ta.plain || !tb.plain) return kUndecided;  // with no NUL, they differ in `differ`
  const auto at = static_cast<unsigned>(__builtin_ctzll(differ));
  int order = 0;
  if (ta.colon != tb.colon || (ta.colon >= 0 && at <= static_cast<unsigned>(ta.colon))) {
    order = compare_fragment(epoch_of(a, ta.colon), epoch_of(b, tb.colon));
    if (order == 0) return kUndecided;
  } else {
    const int a_dash = last_dash_of(ta.dashes);
    const int b_dash = last_dash_of(tb.dashes);
    const bool revision = a_dash >= 0 && static_cast<unsigned>(a_dash) < at;
    const auto a_end = static_cast<unsigned>(revision || a_dash < 0 ? a.size() : a_dash);
    const auto b_end = static_cast<unsigned>(revision || b_dash < 0 ? b.size() : b_dash);
    order = compare_from({a, ta.digits, a_end}, {b, tb.digits, b_end}, a_dash, b_dash, at);
  }
  if (order != 0) return order < 0 ? -1 : 1;
  const auto a_byte = static_cast<unsigned char>(at < a.size() ? a[at] : 0);
  const auto b_byte = static_cast<unsigned char>(at < b.size() ? b[at] : 0);
  return a_byte < b_byte ? -1 : 1;
}
#endif

// collate() of texts collate_short() leaves undecided. Apart, so that the
// short path, which decides most comparisons of a sort, does not carry this
// one's frame and spills.
[[gnu::noinline]] int collate_long(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  dash_reading lhs_dash;
  dash_reading rhs_dash;
  const std::size_t lhs_start = plain(lhs, 0, &lhs_dash) ? 0 : epoch_start(lhs, 0);
  // When both texts hold the same epoch, the rest of `rhs` is read from
  // where the texts part.
  const std::size_t same_epoch = lhs_start != kNone && shared >= lhs_start ? lhs_start : 0;
  std::size_t rhs_start = kNone;
  if (lhs_start != kNone &&
      plain(slice(rhs, same_epoch, rhs.size()), shared - same_epoch, &rhs_dash)) {
    rhs_start = same_epoch;
  } else if (lhs_start != kNone && same_epoch == 0) {
    rhs_start = epoch_start(rhs, shared);
  }
  if (rhs_start != kNone) {
    const int order = lhs_start == 0 && rhs_start == 0
                          ? compare_plain(lhs, 0, last_dash(lhs, lhs_dash), rhs, 0,
                                          last_dash(rhs, rhs_dash), shared)
                          : compare_epochs(lhs, lhs_start, rhs, rhs_start, shared);
    if (order != 0) return order < 0 ? -1 : 1;
    return byte_order(slice(lhs, shared, lhs.size()), slice(rhs, shared, rhs.size()));
  }
  const deb_scan a = scan_text(lhs);
  const deb_scan b = scan_text(rhs);
  const bool a_valid = scanned_valid(a, lhs.size());
  if (a_valid != scanned_valid(b, rhs.size())) return a_valid ? 1 : -1;
  if (a_valid) {
    const int order = compare_sharing(lhs, a, rhs, b, shared);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  return byte_order(slice(lhs, shared, lhs.size()), slice(rhs, shared, rhs.size()));
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
#if defined(__SSE2__)
  return collate_pair<collate_short, collate_long, kUndecided>(lhs, rhs);
#else
  return collate_long(lhs, rhs);
#endif
}

// ---- keys of texts not yet checked ----

// A plain text's fragments are known from its check and its last '-'.
std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
#if defined(__SSE2__)
  // A short plain text is checked and keyed from the same register.
  if (!text.empty() && text.size() <= 16) {
    const chunk_pair chunks = read_chunks(text.data(), text.size());
    const short_text t = read_short(text, chunks);
    if (t.plain) {
      const int dash = last_dash_of(t.dashes);
      return write_short_plain(chunks.low, static_cast<unsigned>(text.size()),
                               static_cast<std::size_t>(t.colon + 1),
                               dash < 0 ? kNone : static_cast<std::size_t>(dash), out);
    }
  }
#endif
  const std::size_t start = plain(text) ? 0 : epoch_start(text, 0);
  if (start == kNone) return scanned_valid(scan_text(text), text.size()) ? key(text, out) : kNoKey;
  deb_scan s{phase::body};
  s.colon = start != 0 ? start - 1 : kNone;
  s.last_dash = last_dash(text);
  return write_key(fragments_of(text, s), out);
}

// The epoch, the upstream's first number, and whether a '~' follows it,
// which sorts below anything else there. A text that starts with blanks or
// a sign is not read.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (!lead_digit(p, end)) return kUnknownLead;
  lead_packer out(against);
  if (!lead_epoch(out, p, end, ':', 31, 32)) return out.rest_unknown();
  out.put(p != end && *p == '~' ? 0 : 1, 1);
  return out.done();
}

}  // namespace

const version_scheme DEB_SCHEME = {valid,   compare,   key_bound, key,
                                   collate, valid_key, nullptr,   lead};

}  // namespace korvel
