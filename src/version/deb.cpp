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
#include "version/deb.h"

#include <cstdint>

namespace korvel {

namespace {

enum : unsigned char {
  kBlank = 1,     // trimmed at either end by dpkg, refused inside
  kUpstream = 2,  // allowed in the upstream part
  kRevision = 4,  // allowed in the revision
  kDigit = 8,
  kLetter = 16,
  kSpace = 32,  // other white space: only where an epoch's number may start
  kMark = 64,   // '-' or ':', whose last places decide the parts
};

constexpr unsigned char class_of(unsigned char c) noexcept {
  if (c >= '0' && c <= '9') return kDigit | kUpstream | kRevision;
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return kLetter | kUpstream | kRevision;
  if (c == '.' || c == '+' || c == '~') return kUpstream | kRevision;
  if (c == '-' || c == ':') return kUpstream | kMark;
  if (c == ' ' || c == '\t') return kBlank;
  if (c == '\n' || c == '\v' || c == '\f' || c == '\r') return kSpace;
  return 0;
}

struct class_table {
  unsigned char bits[256];
};

constexpr class_table make_class_table() noexcept {
  class_table table{};
  for (int c = 0; c < 256; ++c) table.bits[c] = class_of(static_cast<unsigned char>(c));
  return table;
}

constexpr class_table kClasses = make_class_table();

inline unsigned char class_at(std::string_view text, std::size_t i) noexcept {
  return kClasses.bits[static_cast<unsigned char>(text[i])];
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

// Where the epoch's ':' is in `text` (trimmed), or npos when there is no
// epoch; `ok` false when the text has a ':' but no valid epoch before it.
// dpkg reads the epoch as a C long, so white space other than blanks may
// lead it.
std::size_t epoch_colon(std::string_view text, bool& ok) noexcept {
  std::size_t i = 0;
  while (i < text.size() && (class_at(text, i) & kSpace) != 0) ++i;
  const bool negative = i < text.size() && text[i] == '-';
  if (negative || (i < text.size() && text[i] == '+')) ++i;
  const std::size_t digits = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  ok = true;
  if (i == text.size() || text[i] != ':' || i == digits) return std::string_view::npos;
  ok = epoch_in_range(slice(text, digits, i), negative);
  return i;
}

bool valid_version(std::string_view version, bool colons_allowed) noexcept {
  if (version.empty() || !is_digit(version[0])) return false;
  std::size_t last_dash = std::string_view::npos;
  std::size_t last_colon = std::string_view::npos;
  for (std::size_t i = 0; i < version.size(); ++i) {
    const unsigned char bits = class_at(version, i);
    if ((bits & kUpstream) == 0) return false;
    if ((bits & kMark) != 0) (version[i] == '-' ? last_dash : last_colon) = i;
  }
  if (last_colon != std::string_view::npos) {
    if (!colons_allowed) return false;
    if (last_dash != std::string_view::npos && last_colon > last_dash) return false;
  }
  return last_dash != version.size() - 1;
}

bool valid(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && (class_at(text, begin) & kBlank) != 0) ++begin;
  while (end > begin && (class_at(text, end - 1) & kBlank) != 0) --end;
  if (begin == end) return false;
  text = slice(text, begin, end);
  bool epoch_ok = true;
  const std::size_t colon = epoch_colon(text, epoch_ok);
  if (!epoch_ok) return false;
  if (colon == std::string_view::npos) return valid_version(text, false);
  return valid_version(slice(text, colon + 1, text.size()), true);
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

struct cursor {
  std::string_view text;
  std::size_t at = 0;

  [[nodiscard]] bool done() const noexcept { return at == text.size(); }
  // 0 at a digit or the end.
  [[nodiscard]] int weight() const noexcept {
    return done() ? 0 : kWeights.weights[static_cast<unsigned char>(text[at])];
  }
  [[nodiscard]] bool on_digit() const noexcept { return !done() && is_digit(text[at]); }
  void skip_zeros() noexcept {
    while (!done() && text[at] == '0') ++at;
  }
};

// Equal weights other than 0 are two run bytes alike.
int compare_runs(cursor& a, cursor& b) noexcept {
  for (;;) {
    const int wa = a.weight();
    const int wb = b.weight();
    if (wa != wb) return wa < wb ? -1 : 1;
    if (wa == 0) return 0;
    ++a.at;
    ++b.at;
  }
}

// Numbers of any length: the longer significant run is larger, else the
// first differing digit decides.
int compare_numbers(cursor& a, cursor& b) noexcept {
  a.skip_zeros();
  b.skip_zeros();
  int first_difference = 0;
  while (a.on_digit() && b.on_digit()) {
    if (first_difference == 0 && a.text[a.at] != b.text[b.at]) {
      first_difference = a.text[a.at] < b.text[b.at] ? -1 : 1;
    }
    ++a.at;
    ++b.at;
  }
  if (a.on_digit()) return 1;
  if (b.on_digit()) return -1;
  return first_difference;
}

int compare_fragment(std::string_view lhs, std::string_view rhs) noexcept {
  cursor a{lhs};
  cursor b{rhs};
  while (!a.done() || !b.done()) {
    int order = compare_runs(a, b);
    if (order == 0) order = compare_numbers(a, b);
    if (order != 0) return order;
  }
  return 0;
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

inline unsigned char key_byte(char c) noexcept {
  const auto byte = static_cast<unsigned char>(c);
  if (byte == '~') return kTilde;
  if ((kClasses.bits[byte] & kLetter) != 0) return byte;
  return static_cast<unsigned char>(byte | 0x80);
}

unsigned char* write_number(std::string_view digits, unsigned char* out) noexcept {
  const std::size_t n = digits.size();
  if (n <= kShortDigits) {
    *out++ = static_cast<unsigned char>(kNumberBase + n);
  } else {
    *out++ = kLongNumber;
    for (int shift = 56; shift >= 0; shift -= 8) {
      *out++ = static_cast<unsigned char>(static_cast<std::uint64_t>(n) >> shift);
    }
  }
  for (char c : digits) *out++ = static_cast<unsigned char>(c);
  return out;
}

unsigned char* write_fragment(std::string_view text, unsigned char* out) noexcept {
  std::size_t i = 0;
  do {
    for (; i < text.size() && !is_digit(text[i]); ++i) *out++ = key_byte(text[i]);
    while (i < text.size() && text[i] == '0') ++i;
    const std::size_t digits = i;
    while (i < text.size() && is_digit(text[i])) ++i;
    out = write_number(slice(text, digits, i), out);
  } while (i < text.size());
  *out++ = kFragmentEnd;
  return out;
}

// Each fragment byte costs at most two key bytes (a run byte and the number
// byte after it, or a digit and its share of a number's length); each
// fragment adds its first number byte and its end, and a missing revision
// is written as "0".
std::size_t key_bound(std::size_t size) noexcept {
  return 2 * size + 8;
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  const fragments parts = split(text);
  unsigned char* end = write_fragment(parts.epoch, out);
  end = write_fragment(parts.upstream, end);
  end = write_fragment(parts.revision, end);
  return static_cast<std::size_t>(end - out);
}

}  // namespace

const version_scheme DEB_SCHEME = {valid, compare, key_bound, key};

}  // namespace korvel
