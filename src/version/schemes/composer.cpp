// The "composer" scheme: Composer's version order as composer/semver 3.3
// implements it, VersionParser::normalize for which texts are versions and
// what they mean, Comparator::compare (PHP's version_compare) on the
// normalised forms.
//
// normalize, step by step (each pattern exactly as that parser's, so the
// same texts pass; "white space" is space, \t, \n, \v, \f, \r):
//  1. PHP's trim: space, \t, \n, \r, \v and NUL at either end (not \f).
//  2. "A as B", A and B without ',' or white space, one or more spaces
//     around "as": A.
//  3. A last "@stable", "@RC", "@beta", "@alpha" or "@dev", any case, goes.
//  4. "master", "trunk", "default" are the branches of those names; a text
//     that starts with "dev-", any case, is the branch named by its rest.
//  5. "A+B", A without ',', '+' or white space, B without white space: A.
//  6. Classical: 'v'?, 1-5 digits, up to three '.' and digits, then the
//     modifier; missing parts are 0.
//  7. Else a date: 'v'?, 4 digits, 1-6 times an optional '.', ':' or '-'
//     and 2 digits, optionally one more such separator and 1-3 digits, then
//     the modifier; its digit groups are its parts.
//     The modifier: an optional '.', '_' or '-'; optionally a stability
//     word (stable, beta, b, RC, alpha, a, patch, pl, p, any case) with its
//     numbers (each an optional '.' or '-' and digits); optionally an
//     optional '.' or '-' and "dev". A lowercase "stable" drops the rest of
//     the modifier; any other case of it stays as an unknown word.
//  8. Else "NAME[.-]dev" whose NAME (after the last line break, trimmed) is
//     'v'?, digits, and up to three '.' and digits or 'x', 'X', '*': the
//     missing and starred parts are 9999999, and the version is a dev one.
// Steps 3, 5, 6, 7 and 8 let their pattern's end fall before a final
// line feed, as PCRE's '$' does.
//
// Order. Branches sort before every numbered version; the reference holds
// two different branches unordered, and here they sort by their names'
// bytes, equal only when the names are the same. A numbered version is a
// run of elements: its parts, then its stability word and numbers, then
// "dev". Runs compare element by element, in the order
//   unknown word < dev < alpha < beta < RC < the end < numbers < patch
// (the end: one run is over), numbers by value up to 2^63-1, which every
// larger number equals, as strtol() reads them.
//
// Key, byte by byte (compared memcmp-then-length):
//   a branch   0x01, the name's bytes
//   a version  its elements, then 0x07:
//     0x02 unknown word, 0x03 dev, 0x04 alpha, 0x05 beta, 0x06 RC,
//     0x08 + n, digits   a number of n significant digits (n <= 19; zero is
//                        0x08 alone), packed two to a byte, high nibble
//                        first, the last low nibble 0 when n is odd
//     0x1C patch
#include "version/schemes/composer.h"

#include <bit>
#include <cstring>
#include <iterator>

#include "common/bytes.h"
#include "version/schemes/dotted_numbers.h"

namespace korvel {

namespace {

// The kinds of elements, valued in their order; the key's bytes are these
// plus kKeyBase, and a number's adds its digit count.
enum element_class : unsigned char {
  kUnknownWord = 0,
  kDev = 1,
  kAlpha = 2,
  kBeta = 3,
  kRc = 4,
  kEnd = 5,
  kNumber = 6,
  kPatch = 7,
};

constexpr unsigned char kBranchKey = 0x01;
constexpr unsigned char kKeyBase = 0x02;
constexpr unsigned char kPatchKey = 0x1C;
constexpr char kLongMax[] = "9223372036854775807";
constexpr std::size_t kLongMaxDigits = sizeof kLongMax - 1;
constexpr std::string_view kStarred = "9999999";
constexpr std::string_view kZero = "0";
constexpr std::size_t kMostParts = 8;  // a date's 1 + 6 + 1

bool is_digit(char c) noexcept {
  return static_cast<unsigned char>(c - '0') < 10;
}

// PCRE's \s without UTF mode.
bool is_space(char c) noexcept {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// PHP's trim() set, NUL left out: a text holding one is already rejected.
bool is_trimmed(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\x0b';
}

char lower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// text[from, to); substr() would bring in the C++ run time's exceptions.
std::string_view slice(std::string_view text, std::size_t from, std::size_t to) noexcept {
  return std::string_view(text.data() + from, to - from);
}

// Whether `bytes` are at text[at] exactly.
bool bytes_at(std::string_view text, std::size_t at, std::string_view bytes) noexcept {
  return at <= text.size() && text.size() - at >= bytes.size() &&
         std::memcmp(text.data() + at, bytes.data(), bytes.size()) == 0;
}

std::string_view trim(std::string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_trimmed(text[begin])) ++begin;
  while (end > begin && is_trimmed(text[end - 1])) --end;
  return std::string_view(text.data() + begin, end - begin);
}

// Whether `word` (lowercase) is at text[at], in any case.
bool word_at(std::string_view text, std::size_t at, std::string_view word) noexcept {
  if (at > text.size() || text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(text[at + i]) != word[i]) return false;
  }
  return true;
}

bool digit_at(std::string_view text, std::size_t at) noexcept {
  return at < text.size() && is_digit(text[at]);
}

bool byte_in(std::string_view text, std::size_t at, std::string_view set) noexcept {
  return at < text.size() && set.find(text[at]) != std::string_view::npos;
}

std::size_t skip_digits(std::string_view text, std::size_t at) noexcept {
  while (digit_at(text, at)) ++at;
  return at;
}

// PCRE's '$': the end, or a final line feed.
bool at_end(std::string_view text, std::size_t at) noexcept {
  return at == text.size() || (at + 1 == text.size() && text[at] == '\n');
}

struct parsed {
  enum form_t : unsigned char { kInvalid, kBranch, kVersion } form = kInvalid;
  std::string_view name;  // a branch's, after "dev-"
  std::string_view parts[kMostParts];
  std::size_t part_count = 0;
  bool has_word = false;
  element_class word = kUnknownWord;
  std::string_view word_numbers;  // digit runs parted by '.' or '-'
  bool dev = false;
};

struct stability {
  std::string_view spelling;  // lowercase
  element_class normal;
};

// In the pattern's order, which decides between "beta" and "b" and so on.
constexpr stability kStabilities[] = {
    {"stable", kUnknownWord},
    {"beta", kBeta},
    {"b", kBeta},
    {"rc", kRc},
    {"alpha", kAlpha},
    {"a", kAlpha},
    {"patch", kPatch},
    {"pl", kPatch},
    {"p", kPatch},
};

// The modifier from `at` to the end, as the pattern's backtracking takes it.
bool modifier(std::string_view text, std::size_t at, parsed& out) noexcept {
  for (int separated = 1; separated >= 0; --separated) {
    if (separated == 1 && !byte_in(text, at, "._-")) continue;
    const std::size_t word_start = at + static_cast<std::size_t>(separated);
    for (std::size_t choice = 0; choice <= std::size(kStabilities); ++choice) {
      std::size_t after_word = word_start;
      if (choice < std::size(kStabilities)) {
        const std::string_view spelling = kStabilities[choice].spelling;
        if (!word_at(text, word_start, spelling)) continue;
        std::size_t numbers_end = word_start + spelling.size();
        for (;;) {
          std::size_t next = numbers_end;
          if (byte_in(text, next, ".-")) ++next;
          if (!digit_at(text, next)) break;
          numbers_end = skip_digits(text, next);
        }
        after_word = numbers_end;
      }
      const bool dev_separated =
          byte_in(text, after_word, ".-") && word_at(text, after_word + 1, "dev");
      const std::size_t ends[] = {
          dev_separated ? after_word + 4 : std::string_view::npos,
          word_at(text, after_word, "dev") ? after_word + 3 : std::string_view::npos, after_word};
      for (const std::size_t end : ends) {
        if (end == std::string_view::npos || !at_end(text, end)) continue;
        out.has_word = false;
        if (choice < std::size(kStabilities)) {
          const std::string_view spelling = kStabilities[choice].spelling;
          // A lowercase "stable" keeps the plain version.
          if (bytes_at(text, word_start, "stable") && spelling == "stable") return true;
          out.has_word = true;
          out.word = kStabilities[choice].normal;
          out.word_numbers = slice(text, word_start + spelling.size(), after_word);
        }
        out.dev = end != after_word;
        return true;
      }
    }
  }
  return false;
}

std::size_t skip_v(std::string_view text) noexcept {
  return !text.empty() && lower(text[0]) == 'v' ? 1 : 0;
}

bool classical(std::string_view text, parsed& out) noexcept {
  std::size_t at = skip_v(text);
  const std::size_t major_end = skip_digits(text, at);
  if (major_end == at || major_end - at > 5) return false;
  out.parts[0] = slice(text, at, major_end);
  out.part_count = 1;
  at = major_end;
  while (out.part_count < 4 && text.size() > at && text[at] == '.' && digit_at(text, at + 1)) {
    const std::size_t end = skip_digits(text, at + 1);
    out.parts[out.part_count++] = slice(text, at + 1, end);
    at = end;
  }
  if (!modifier(text, at, out)) return false;
  while (out.part_count < 4) out.parts[out.part_count++] = kZero;
  return true;
}

// The date's groups from `at`, `groups` of them read, as the pattern's
// greedy quantifiers try them; `start` is where the date began.
bool date_groups(std::string_view text, std::size_t start, std::size_t at, int groups,
                 parsed& out) noexcept {
  if (groups < 6) {
    const std::size_t digits = byte_in(text, at, ".:-") ? at + 1 : at;
    if (digit_at(text, digits) && digit_at(text, digits + 1) &&
        date_groups(text, start, digits + 2, groups + 1, out)) {
      return true;
    }
  }
  if (groups == 0) return false;
  std::size_t ends[7];
  std::size_t count = 0;
  for (std::size_t digits : {at + 1, at}) {
    if (digits == at + 1 && !byte_in(text, at, ".:-")) continue;
    for (std::size_t n = 3; n >= 1; --n) {
      if (digit_at(text, digits) && skip_digits(text, digits) - digits >= n)
        ends[count++] = digits + n;
    }
  }
  ends[count++] = at;
  for (std::size_t i = 0; i < count; ++i) {
    if (!modifier(text, ends[i], out)) continue;
    // The parts are the digit groups between the separators.
    out.part_count = 0;
    for (std::size_t p = start; p < ends[i];) {
      const std::size_t end = skip_digits(text, p);
      out.parts[out.part_count++] = slice(text, p, end);
      p = end + 1;
    }
    return true;
  }
  return false;
}

bool date(std::string_view text, parsed& out) noexcept {
  const std::size_t start = skip_v(text);
  if (skip_digits(text, start) - start < 4) return false;
  return date_groups(text, start, start + 4, 0, out);
}

// normalizeBranch() of a "NAME-dev" text's NAME, when it gives a version.
bool numbered_branch(std::string_view name, parsed& out) noexcept {
  name = trim(name);
  std::size_t at = skip_v(name);
  const std::size_t major_end = skip_digits(name, at);
  if (major_end == at) return false;
  out.parts[0] = slice(name, at, major_end);
  out.part_count = 1;
  at = major_end;
  while (out.part_count < 4 && at < name.size() && name[at] == '.') {
    if (digit_at(name, at + 1)) {
      const std::size_t end = skip_digits(name, at + 1);
      out.parts[out.part_count++] = slice(name, at + 1, end);
      at = end;
    } else if (byte_in(name, at + 1, "xX*")) {
      out.parts[out.part_count++] = kStarred;
      at += 2;
    } else {
      break;
    }
  }
  if (at != name.size()) return false;
  while (out.part_count < 4) out.parts[out.part_count++] = kStarred;
  out.has_word = false;
  out.dev = true;
  return true;
}

bool dev_branch(std::string_view text, parsed& out) noexcept {
  std::size_t dev = std::string_view::npos;
  if (text.size() >= 3 && word_at(text, text.size() - 3, "dev")) {
    dev = text.size() - 3;
  } else if (text.size() >= 4 && text.back() == '\n' && word_at(text, text.size() - 4, "dev")) {
    dev = text.size() - 4;
  }
  if (dev == std::string_view::npos) return false;
  // The lazy NAME starts after the last line break before it, where '.'
  // first matches, and takes a '.' or '-' before "dev" as the separator.
  std::size_t end = dev;
  if (dev > 0 && text[dev - 1] != '\n' && byte_in(text, dev - 1, ".-")) end = dev - 1;
  std::size_t start = end;
  while (start > 0 && text[start - 1] != '\n') --start;
  return numbered_branch(slice(text, start, end), out);
}

std::string_view alias_source(std::string_view text) noexcept {
  const auto plain = [&](std::size_t at) { return text[at] != ',' && !is_space(text[at]); };
  std::size_t at = 0;
  while (at < text.size() && plain(at)) ++at;
  const std::size_t source_end = at;
  if (source_end == 0) return text;
  const auto spaces = [&](std::size_t& i) {
    const std::size_t from = i;
    while (i < text.size() && text[i] == ' ') ++i;
    return i > from;
  };
  if (!spaces(at) || !bytes_at(text, at, "as")) return text;
  at += 2;
  if (!spaces(at)) return text;
  const std::size_t target = at;
  while (at < text.size() && plain(at)) ++at;
  if (at == target || at != text.size()) return text;
  return slice(text, 0, source_end);
}

std::string_view without_flag(std::string_view text) noexcept {
  static constexpr std::string_view kFlags[] = {"stable", "rc", "beta", "alpha", "dev"};
  for (const std::string_view flag : kFlags) {
    if (text.size() > flag.size() && text[text.size() - flag.size() - 1] == '@' &&
        word_at(text, text.size() - flag.size(), flag)) {
      return slice(text, 0, text.size() - flag.size() - 1);
    }
  }
  return text;
}

std::string_view without_build(std::string_view text) noexcept {
  std::size_t at = 0;
  while (at < text.size() && text[at] != ',' && text[at] != '+' && !is_space(text[at])) ++at;
  if (at == 0 || at == text.size() || text[at] != '+') return text;
  std::size_t end = at + 1;
  while (end < text.size() && !is_space(text[end])) ++end;
  if (end == at + 1 || !at_end(text, end)) return text;
  return slice(text, 0, at);
}

// Whether `text` holds a byte that trimming, an alias, a flag or build
// metadata needs (white space, '@', '+') or a NUL: most versions hold none,
// and then those steps have nothing to strip.
bool may_need_stripping(std::string_view text) noexcept {
  bool found = false;
  for (const char c : text) {
    found |= c == ' ' || c == '@' || c == '+' || c == '\0' || (c >= '\t' && c <= '\r');
  }
  return found;
}

parsed parse(std::string_view text) noexcept {
  parsed out;
  const bool stripped = may_need_stripping(text);
  if (stripped && std::memchr(text.data(), '\0', text.size()) != nullptr) return out;
  std::string_view version = stripped ? without_flag(alias_source(trim(text))) : text;
  if (version == "master" || version == "trunk" || version == "default") {
    out.form = parsed::kBranch;
    out.name = version;
    return out;
  }
  if (word_at(version, 0, "dev-")) {
    out.form = parsed::kBranch;
    out.name = slice(version, 4, version.size());
    return out;
  }
  if (stripped) version = without_build(version);
  if (classical(version, out) || date(version, out) || dev_branch(version, out)) {
    out.form = parsed::kVersion;
  }
  return out;
}

bool valid(std::string_view text) noexcept {
  return parse(text).form != parsed::kInvalid;
}

struct element {
  element_class kind;
  std::string_view digits;  // a number's significant digits, at most LONG_MAX
};

element number_element(std::string_view digits) noexcept {
  std::size_t first = 0;
  while (first < digits.size() && digits[first] == '0') ++first;
  digits.remove_prefix(first);
  if (digits.size() > kLongMaxDigits ||
      (digits.size() == kLongMaxDigits && digits.compare(kLongMax) > 0)) {
    digits = kLongMax;
  }
  return {kNumber, digits};
}

// The elements of a numbered version, one after another, then the end.
struct elements {
  const parsed& version;
  std::size_t part = 0;
  std::size_t at = 0;  // in word_numbers
  bool word_done = false;
  bool dev_done = false;

  element next() noexcept {
    if (part < version.part_count) return number_element(version.parts[part++]);
    if (version.has_word) {
      if (!word_done) {
        word_done = true;
        return {version.word, {}};
      }
      const std::string_view numbers = version.word_numbers;
      while (at < numbers.size() && !is_digit(numbers[at])) ++at;
      if (at < numbers.size()) {
        const std::size_t end = skip_digits(numbers, at);
        const std::string_view digits = slice(numbers, at, end);
        at = end;
        return number_element(digits);
      }
    }
    if (version.dev && !dev_done) {
      dev_done = true;
      return {kDev, {}};
    }
    return {kEnd, {}};
  }
};

int compare_elements(const element& a, const element& b) noexcept {
  if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;
  if (a.kind != kNumber) return 0;
  if (a.digits.size() != b.digits.size()) return a.digits.size() < b.digits.size() ? -1 : 1;
  return a.digits.compare(b.digits);
}

int compare_parsed(const parsed& lhs, const parsed& rhs) noexcept {
  if (lhs.form != rhs.form) return lhs.form == parsed::kBranch ? -1 : 1;
  if (lhs.form == parsed::kBranch) return lhs.name.compare(rhs.name);
  elements a{lhs};
  elements b{rhs};
  for (;;) {
    const element x = a.next();
    const element y = b.next();
    const int order = compare_elements(x, y);
    if (order != 0 || x.kind == kEnd) return order;
  }
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  return compare_parsed(parse(lhs), parse(rhs));
}

// Dotted numbers that normalize reads as they are: a classical version of at
// most four parts, its first at most five digits, none so long that strtol()
// would cap it.
bool is_plain(std::string_view text) noexcept {
  return is_dotted_numbers(text, 3, 5, kLongMaxDigits - 1);
}

// The shapes collate() tells from a short text's bit masks. Dotted numbers
// without leading zeros, at most four and the first of at most five digits,
// are a classical version as they are; a '-' after them is the modifier's
// lone separator, which keeps the version and leaves the byte to the final
// tie-break, where it ranks as compare_numbered_texts() ranks it: so such
// texts order from their first differing byte. A text of digits, dots and
// dashes with "--" in it is rejected: the version part of a classical text
// or a date ends in a digit and parts its numbers by single separators, and
// a modifier without letters is at most one separator.
enum class short_shape : unsigned char { kOther, kNumbered, kDashEnded, kRejected };

short_shape shape_of(const masked_text& t) noexcept {
  if ((t.digits | t.dots | t.dashes) != t.used) return short_shape::kOther;
  if ((t.dashes & t.dashes >> 1) != 0) return short_shape::kRejected;
  const unsigned last = (t.used + 1) >> 1;
  unsigned past_three_dots = t.dots;
  for (int i = 0; i < 3; ++i) past_three_dots &= past_three_dots - 1;
  if ((t.dashes & ~last) != 0 || !numbers_after(t, t.dots) || past_three_dots != 0 ||
      std::countr_zero(t.numbered.ends) > 5) {
    return short_shape::kOther;
  }
  return t.dashes != 0 ? short_shape::kDashEnded : short_shape::kNumbered;
}

short_shape short_shape_of(std::string_view text, masked_text& t) noexcept {
  return mask_text(text, t) ? shape_of(t) : short_shape::kOther;
}

bool numbered(short_shape shape) noexcept {
  return shape == short_shape::kNumbered || shape == short_shape::kDashEnded;
}

// The commonest classical shapes, read in one pass where parse() tries
// every reading of the modifier: 1 to 4 dotted numbers, the first of at most
// five digits, an optional '.', '_' or '-', and optionally a stability word
// other than "stable" with its digits ("1.5.0b4", "2.2.0-rc2", "1.0.0RC8").
// Only the word's own spelling then reaches the end: no shorter spelling
// leaves "dev" after it. False for every other text, which parse() reads.
struct suffixed {
  std::size_t numbers_end;  // where the dotted numbers end
  std::size_t word_end;     // where the word's digits start
  element_class word;       // kEnd for none
};

bool read_suffixed(std::string_view text, suffixed& out) noexcept {
  const std::size_t n = text.size();
  std::size_t at = 0;
  for (std::size_t parts = 1;; ++parts) {
    const std::size_t start = at;
    at = skip_digits(text, at);
    if (at == start || (parts == 1 && at - start > 5)) return false;
    if (parts == 4 || at + 1 >= n || text[at] != '.' || !is_digit(text[at + 1])) break;
    ++at;
  }
  out.numbers_end = at;
  if (byte_in(text, at, "._-")) ++at;
  const std::size_t word_start = at;
  while (at < n && static_cast<unsigned char>((text[at] | 0x20) - 'a') < 26) ++at;
  out.word_end = at;
  out.word = kEnd;
  if (at != word_start) {
    const stability* found = nullptr;
    for (const stability& s : kStabilities) {
      if (s.spelling.size() == at - word_start && word_at(text, word_start, s.spelling)) found = &s;
    }
    if (found == nullptr || found->normal == kUnknownWord) return false;
    out.word = found->normal;
    at = skip_digits(text, at);
  }
  return at == n;
}

// parse(), by read_suffixed() where it can; whether the text is valid.
bool parse_quickly(std::string_view text, parsed& out) noexcept {
  suffixed shape;
  if (!read_suffixed(text, shape)) {
    out = parse(text);
    return out.form != parsed::kInvalid;
  }
  for (std::size_t at = 0; at < shape.numbers_end; ++at) {
    const std::size_t end = skip_digits(text, at);
    out.parts[out.part_count++] = slice(text, at, end);
    at = end;
  }
  while (out.part_count < 4) out.parts[out.part_count++] = kZero;
  out.has_word = shape.word != kEnd;
  out.word = shape.word;
  out.word_numbers = slice(text, shape.word_end, text.size());
  out.form = parsed::kVersion;
  return true;
}

// collate() of the texts it reads whole, `a_dotted` and `b_dotted` for each
// whether it is dotted numbers; apart, so that the common cases do not set
// up the readings' frame.
[[gnu::noinline]] int collate_parsed(std::string_view lhs, std::string_view rhs, bool a_dotted,
                                     bool b_dotted) noexcept {
  // A dotted text is valid: against a rejected one, only that one's parse
  // is needed.
  parsed first;
  if (!parse_quickly(a_dotted ? rhs : lhs, first) && (a_dotted || b_dotted)) {
    return a_dotted ? 1 : -1;
  }
  parsed second;
  parse_quickly(a_dotted ? lhs : rhs, second);
  const parsed& a = a_dotted ? second : first;
  const parsed& b = a_dotted ? first : second;
  const bool a_valid = a.form != parsed::kInvalid;
  if (a_valid != (b.form != parsed::kInvalid)) return a_valid ? 1 : -1;
  if (a_valid) {
    const int order = compare_parsed(a, b);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  return byte_order(lhs, rhs);
}

[[gnu::noinline]] bool valid_quickly(std::string_view text) noexcept {
  parsed out;
  return parse_quickly(text, out);
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
  masked_text a_masks;
  masked_text b_masks;
  const short_shape a_shape = short_shape_of(lhs, a_masks);
  const short_shape b_shape = short_shape_of(rhs, b_masks);
  if (numbered(a_shape) && numbered(b_shape)) {
    return compare_numbered_texts(a_masks.numbered, b_masks.numbered);
  }
  // A rejected text orders first, two of them by their bytes.
  const bool a_rejected = a_shape == short_shape::kRejected;
  if (a_rejected || b_shape == short_shape::kRejected) {
    if (a_rejected == (b_shape == short_shape::kRejected)) return byte_order(lhs, rhs);
    if (numbered(a_rejected ? b_shape : a_shape) || valid_quickly(a_rejected ? rhs : lhs)) {
      return a_rejected ? -1 : 1;
    }
    return byte_order(lhs, rhs);
  }
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  const bool a_dotted = a_shape == short_shape::kNumbered || is_plain(lhs);
  const bool b_dotted = b_shape == short_shape::kNumbered || is_plain(rhs);
  if (a_dotted && b_dotted) {
    const int order = compare_dotted_numbers(lhs, rhs, shared);
    return order != 0 ? (order < 0 ? -1 : 1) : byte_order(lhs, rhs);
  }
  // Dotted numbers against the shape read_suffixed() reads: their numbers,
  // then the word against the end. A dash after the dotted numbers leaves
  // the tie to the bytes. Dotted numbers have at most 18 digits, so that
  // their values stay below the cap that a longer number of the other text
  // is read as, and the cap changes no answer.
  const bool a_plain = a_dotted || a_shape == short_shape::kDashEnded;
  if (a_plain != (b_dotted || b_shape == short_shape::kDashEnded)) {
    const std::string_view other = a_plain ? rhs : lhs;
    suffixed shape;
    if (read_suffixed(other, shape)) {
      std::string_view plain = a_plain ? lhs : rhs;
      if (plain.back() == '-') plain.remove_suffix(1);
      std::size_t same = shared < plain.size() ? shared : plain.size();
      if (same > shape.numbers_end) same = shape.numbers_end;
      int order = compare_dotted_numbers(plain, slice(other, 0, shape.numbers_end), same);
      if (order == 0 && shape.word != kEnd) order = shape.word < kEnd ? 1 : -1;
      if (order == 0) return byte_order(lhs, rhs);
      return (order < 0) == a_plain ? -1 : 1;
    }
  }
  return collate_parsed(lhs, rhs, a_dotted, b_dotted);
}

// A branch is its text's bytes and one more. In a version, a number's key
// bytes are at most its digits and one, a word's at most its letters; so
// every text byte gives at most three key bytes (a one-digit number and its
// separator give two, ".x" five), and what normalize adds is at most three
// starred parts, "dev" and the end.
std::size_t key_bound(std::size_t size) noexcept {
  constexpr std::size_t most = static_cast<std::size_t>(-1);
  constexpr std::size_t fixed = 32;
  return size > (most - fixed) / 3 ? most : 3 * size + fixed;
}

unsigned char* put_number(std::string_view digits, unsigned char* at) noexcept {
  const std::size_t n = digits.size();
  *at++ = static_cast<unsigned char>(kKeyBase + kNumber + n);
  std::size_t i = 0;
  for (; i + 1 < n; i += 2) {
    *at++ = static_cast<unsigned char>(((digits[i] - '0') << 4) | (digits[i + 1] - '0'));
  }
  if (i < n) *at++ = static_cast<unsigned char>((digits[i] - '0') << 4);
  return at;
}

// key() of dotted numbers, most real versions, without the full reading.
std::size_t plain_key(std::string_view text, unsigned char* out) noexcept {
  unsigned char* at = out;
  std::size_t parts = 0;
  for (std::size_t i = 0; i <= text.size(); ++parts) {
    std::size_t end = i;
    while (end < text.size() && text[end] != '.') ++end;
    at = put_number(number_element(slice(text, i, end)).digits, at);
    i = end + 1;
  }
  for (; parts < 4; ++parts) *at++ = kKeyBase + kNumber;
  *at++ = kKeyBase + kEnd;
  return static_cast<std::size_t>(at - out);
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  if (is_plain(text)) return plain_key(text, out);
  const parsed version = parse(text);
  if (version.form == parsed::kInvalid) return kNoKey;
  unsigned char* at = out;
  if (version.form == parsed::kBranch) {
    *at++ = kBranchKey;
    std::memcpy(at, version.name.data(), version.name.size());
    return 1 + version.name.size();
  }
  elements walk{version};
  for (;;) {
    const element e = walk.next();
    if (e.kind == kPatch) {
      *at++ = kPatchKey;
      continue;
    }
    if (e.kind != kNumber) {
      *at++ = static_cast<unsigned char>(kKeyBase + e.kind);
      if (e.kind == kEnd) break;
      continue;
    }
    at = put_number(e.digits, at);
  }
  return static_cast<std::size_t>(at - out);
}

// Branches first (0), then numbered versions (1) by their first part, and
// the second where no other reading can split the digits: a first run of
// at most three digits rules a date out, and a missing second part is 0. A
// run of more than five digits may be a date's year and more, and is not
// read.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  lead_packer out(against);
  if (text.size() >= 4 && (p[0] | 0x20) == 'd' && (p[1] | 0x20) == 'e' && (p[2] | 0x20) == 'v' &&
      p[3] == '-') {
    out.put(0, 1);
    return out.done();
  }
  if (p != end && (*p | 0x20) == 'v') ++p;
  if (!lead_digit(p, end)) return kUnknownLead;
  const char* digits = p;
  std::uint64_t number = lead_number(p, end);
  if (p - digits > 5) return kUnknownLead;
  out.put(1, 1);
  out.clamped(number, 17);
  if (out.apart()) return out.rest_unknown();
  if (p == end) {
    out.put(0, 17);
    return out.done();
  }
  if (p - digits > 3 || *p != '.' || !lead_digit(p + 1, end)) return out.rest_unknown();
  digits = ++p;
  number = lead_number(p, end);
  if (p - digits > 5) return out.rest_unknown();
  out.clamped(number, 17);
  return out.done();
}

}  // namespace

const version_scheme COMPOSER_SCHEME = {valid,   compare, key_bound, key,
                                        collate, key,     nullptr,   lead};

}  // namespace korvel
