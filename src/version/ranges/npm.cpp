// npm's range grammar, read the way npm's semver 7 reads a range with its
// default options: the text goes through the same rewriting steps in the
// same order (white space trimmed and collapsed, split on "||", build
// metadata stripped, a hyphen range rewritten, the white space after an
// operator removed, then each token desugared into primitive comparators).
// npm's answers on odd spacing and prefixes follow from those steps and
// from nothing simpler, so they are kept step by step. Where a step drops
// part of the text and npm still answers, the range is malformed here
// instead: an empty alternative, build metadata not attached to a version,
// a '*' outside a version part, a prerelease or a number after an x part.
//
// Compiled form, one sqlite3_malloc block: a header, the comparators, each
// alternative's end index into them, the comparators' version texts.
#include "version/ranges/npm.h"

#include <cstdint>
#include <cstring>

#include "common/sqlite_api.h"
#include "version/ranges/relation.h"
#include "version/schemes/semver.h"

namespace korvel {
namespace {

using std::size_t;
using std::string_view;

constexpr std::uint64_t kMaxSafeInteger = 9007199254740991;  // 2^53-1
// npm's version length limit (MAX_LENGTH) and the longest build identifier
// its white space trimmer reads (MAX_SAFE_BUILD_LENGTH).
constexpr size_t kMaxLength = 256;
constexpr size_t kMaxBuildLength = kMaxLength - 6;

// Past the end reads as '\0', a byte normalise() refuses in the text.
char at(string_view text, size_t i) noexcept {
  return i < text.size() ? text[i] : '\0';
}

string_view slice(string_view text, size_t begin, size_t end) noexcept {
  return {text.data() + begin, end - begin};
}

bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

bool is_letter(char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_identifier(char c) noexcept {
  return is_digit(c) || is_letter(c) || c == '-';
}

// Every byte outside these is refused at once: npm drops none of them
// anywhere, so a range holding one is never valid there.
bool is_range_byte(char c) noexcept {
  return is_identifier(c) || c == '.' || c == '+' || c == '*' || c == '<' || c == '>' || c == '=' ||
         c == '~' || c == '^' || c == '|';
}

// ---- building the compiled form ----

struct comparator {
  std::uint64_t major;
  std::uint64_t minor;
  std::uint64_t patch;
  std::uint32_t text;  // offset of the version text in the texts
  std::uint16_t size;
  relation op;
  bool prerelease;
};

struct header {
  std::uint32_t comparator_count;
  std::uint32_t set_count;
  // An alternative that is '*' alone makes npm drop every other one: the
  // range is then every release and no prerelease.
  bool any;
};

constexpr size_t kHeaderBytes = (sizeof(header) + 7) / 8 * 8;

template <typename T>
struct growing {
  T* items = nullptr;
  size_t count = 0;
  size_t capacity = 0;

  bool reserve(size_t more) noexcept {
    if (count + more <= capacity) return true;
    size_t wanted = capacity == 0 ? 8 : capacity * 2;
    if (wanted < count + more) wanted = count + more;
    void* grown = sqlite3_realloc64(items, wanted * sizeof(T));
    if (grown == nullptr) return false;
    items = static_cast<T*>(grown);
    capacity = wanted;
    return true;
  }
};

struct builder {
  growing<comparator> comparators;
  growing<std::uint32_t> set_ends;
  growing<char> texts;
  bool any = false;
  range_status status = range_status::ok;

  bool malformed() noexcept {
    if (status == range_status::ok) status = range_status::malformed;
    return false;
  }
  bool no_memory() noexcept {
    status = range_status::no_memory;
    return false;
  }
  void release() noexcept {
    sqlite3_free(comparators.items);
    sqlite3_free(set_ends.items);
    sqlite3_free(texts.items);
  }
};

// A primitive comparator as npm's Comparator reads it: `version` is what
// follows the operator. ">=0.0.0" is npm's '*' and adds nothing.
bool add(builder& b, relation op, string_view version) noexcept {
  if (op == relation::greater_equal && version == "0.0.0") return true;
  if (!SEMVER_SCHEME.valid(version)) return b.malformed();
  if (!b.comparators.reserve(1) || !b.texts.reserve(version.size())) return b.no_memory();
  const semver_parts parts = semver_split(version);
  comparator& c = b.comparators.items[b.comparators.count++];
  c = {parts.major,
       parts.minor,
       parts.patch,
       static_cast<std::uint32_t>(b.texts.count),
       static_cast<std::uint16_t>(version.size()),
       op,
       !parts.prerelease.empty()};
  std::memcpy(b.texts.items + b.texts.count, version.data(), version.size());
  b.texts.count += version.size();
  return true;
}

// A version text put together from its parts; one past npm's length limit
// is as good as any longer one, refused.
struct version_text {
  char bytes[kMaxLength + 1];
  size_t size = 0;
  bool too_long = false;

  void put(string_view part) noexcept {
    if (size + part.size() > kMaxLength + 1) {
      too_long = true;
      return;
    }
    std::memcpy(bytes + size, part.data(), part.size());
    size += part.size();
  }
};

// The number one above `digits`, as npm's `+M + 1`: none when the sum is
// past 2^53-1, which npm's version parser then refuses.
struct successor {
  char digits[20];
  size_t size = 0;
  bool ok = false;

  explicit successor(string_view number) noexcept {
    if (number.size() > 16) return;
    std::uint64_t value = 0;
    for (const char c : number) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value >= kMaxSafeInteger) return;
    ++value;
    char reversed[20];
    do {
      reversed[size++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    for (size_t k = 0; k < size; ++k) digits[k] = reversed[size - 1 - k];
    ok = true;
  }
  string_view view() const noexcept { return {digits, size}; }
};

// The comparator `op` major.minor.patch[-prerelease].
bool emit(builder& b, relation op, string_view major, string_view minor, string_view patch,
          string_view prerelease = {}) noexcept {
  version_text v;
  v.put(major);
  v.put(".");
  v.put(minor);
  v.put(".");
  v.put(patch);
  if (!prerelease.empty()) {
    v.put("-");
    v.put(prerelease);
  }
  if (v.too_long) return b.malformed();
  return add(b, op, {v.bytes, v.size});
}

bool end_set(builder& b, size_t set_start) noexcept {
  if (b.comparators.count == set_start) b.any = true;
  if (!b.set_ends.reserve(1)) return b.no_memory();
  b.set_ends.items[b.set_ends.count++] = static_cast<std::uint32_t>(b.comparators.count);
  return true;
}

// ---- partial versions: npm's XRANGEPLAIN ----

// A major, minor or patch part as written: digits, an x ("x", "X", "*"), or
// empty when it is left out, which npm reads as an x too.
bool is_x(string_view part) noexcept {
  return part.empty() || part == "x" || part == "X" || part == "*";
}

// "0", digits without a leading zero, or one of x, X, *; the end, or `i`.
size_t read_part(string_view text, size_t i) noexcept {
  const char c = at(text, i);
  if (c == 'x' || c == 'X' || c == '*' || c == '0') return i + 1;
  size_t end = i;
  if (c >= '1' && c <= '9') {
    while (is_digit(at(text, end))) ++end;
  }
  return end;
}

// A prerelease identifier: letters, digits and '-', with no leading zero
// when all digits.
size_t read_identifier(string_view text, size_t i) noexcept {
  size_t end = i;
  bool numeric = true;
  for (; is_identifier(at(text, end)); ++end) numeric &= is_digit(text[end]);
  if (numeric && end - i > 1 && text[i] == '0') return i;
  return end;
}

size_t read_prerelease(string_view text, size_t i) noexcept {
  size_t end = read_identifier(text, i);
  if (end == i) return i;
  for (size_t next; at(text, end) == '.' && (next = read_identifier(text, end + 1)) != end + 1;) {
    end = next;
  }
  return end;
}

struct partial {
  size_t begin;  // where the v/=/space prefix starts
  size_t end;
  string_view major;
  string_view minor;
  string_view patch;
  string_view prerelease;
};

// Prefix, then a part, up to two more after dots, and after the third a
// prerelease. Each piece is taken whenever it is there: npm's regular
// expression never gains by giving one back, as what follows a partial
// (the token's end, or " - ") starts with none of a piece's bytes.
bool read_partial(string_view text, size_t i, partial& p) noexcept {
  p = {i, i, {}, {}, {}, {}};
  while (at(text, i) == 'v' || at(text, i) == '=' || at(text, i) == ' ') ++i;
  string_view* parts[] = {&p.major, &p.minor, &p.patch};
  for (size_t k = 0; k < 3; ++k) {
    const size_t start = k == 0 ? i : i + 1;
    if (k != 0 && at(text, i) != '.') break;
    const size_t end = read_part(text, start);
    if (end == start) {
      if (k == 0) return false;
      break;
    }
    *parts[k] = slice(text, start, end);
    i = end;
    if (k == 2 && at(text, i) == '-') {
      const size_t pre_end = read_prerelease(text, i + 1);
      if (pre_end != i + 1) {
        p.prerelease = slice(text, i + 1, pre_end);
        i = pre_end;
      }
    }
  }
  p.end = i;
  return true;
}

bool has_x(const partial& p) noexcept {
  return is_x(p.major) || is_x(p.minor) || is_x(p.patch);
}

// What npm reads of a partial only in part: a number after an x part
// ("1.x.3", which npm's X-ranges refuse but its ~, ^ and hyphen ranges read
// as "1.x") and a prerelease after one ("1.2.x-rc", read as "1.2.x").
bool reads_whole(const partial& p) noexcept {
  if (is_x(p.major) && !is_x(p.minor)) return false;
  if (is_x(p.minor) && !p.patch.empty() && !is_x(p.patch)) return false;
  return p.prerelease.empty() || !has_x(p);
}

// ---- desugaring: npm's replaceCaret, replaceTilde, replaceXRange ----

bool caret(builder& b, const partial& p) noexcept {
  const string_view M = p.major, m = p.minor, pt = p.patch;
  if (is_x(M)) return true;
  if (is_x(m)) {
    const successor next(M);
    if (!next.ok) return b.malformed();
    return emit(b, relation::greater_equal, M, "0", "0") &&
           emit(b, relation::less, next.view(), "0", "0", "0");
  }
  if (!emit(b, relation::greater_equal, M, m, is_x(pt) ? "0" : pt, is_x(pt) ? "" : p.prerelease))
    return false;
  if (M != "0") {
    const successor next(M);
    if (!next.ok) return b.malformed();
    return emit(b, relation::less, next.view(), "0", "0", "0");
  }
  if (is_x(pt) || m != "0") {
    const successor next(m);
    if (!next.ok) return b.malformed();
    return emit(b, relation::less, M, next.view(), "0", "0");
  }
  const successor next(pt);
  if (!next.ok) return b.malformed();
  return emit(b, relation::less, M, m, next.view(), "0");
}

bool tilde(builder& b, const partial& p) noexcept {
  const string_view M = p.major, m = p.minor, pt = p.patch;
  if (is_x(M)) return true;
  if (is_x(m)) {
    const successor next(M);
    if (!next.ok) return b.malformed();
    return emit(b, relation::greater_equal, M, "0", "0") &&
           emit(b, relation::less, next.view(), "0", "0", "0");
  }
  const successor next(m);
  if (!next.ok) return b.malformed();
  return emit(b, relation::greater_equal, M, m, is_x(pt) ? "0" : pt,
              is_x(pt) ? "" : p.prerelease) &&
         emit(b, relation::less, M, next.view(), "0", "0");
}

// An X-range (some part an x or left out) after the operator `gtlt`, one
// of "", "=", "<", "<=", ">", ">=".
bool x_range(builder& b, string_view gtlt, const partial& p) noexcept {
  const string_view M = p.major;
  const bool xM = is_x(M);
  const bool xm = xM || is_x(p.minor);
  if (gtlt == "=") gtlt = "";
  if (xM) {
    // Nothing is below or above every version.
    if (gtlt == "<" || gtlt == ">") return emit(b, relation::less, "0", "0", "0", "0");
    return true;
  }
  const string_view m = xm ? "0" : p.minor;
  if (gtlt.empty()) {
    const successor next(xm ? M : m);
    if (!next.ok) return b.malformed();
    if (xm) {
      return emit(b, relation::greater_equal, M, "0", "0") &&
             emit(b, relation::less, next.view(), "0", "0", "0");
    }
    return emit(b, relation::greater_equal, M, m, "0") &&
           emit(b, relation::less, M, next.view(), "0", "0");
  }
  if (gtlt == ">=") return emit(b, relation::greater_equal, M, m, "0");
  if (gtlt == "<") return emit(b, relation::less, M, m, "0", "0");
  // ">1.2" is ">=1.3.0" and "<=1.2" is "<1.3.0-0": any 1.2.x lies inside.
  const successor next(xm ? M : m);
  if (!next.ok) return b.malformed();
  const string_view bumped_major = xm ? next.view() : M;
  const string_view bumped_minor = xm ? "0" : next.view();
  if (gtlt == ">") return emit(b, relation::greater_equal, bumped_major, bumped_minor, "0");
  return emit(b, relation::less, bumped_major, bumped_minor, "0", "0");
}

// An operator as npm's GTLT reads it: '<' or '>', then '='; its length.
size_t read_gtlt(string_view text, relation& op) noexcept {
  size_t i = 0;
  const char first = at(text, 0);
  if (first == '<' || first == '>') ++i;
  const bool equal = at(text, i) == '=';
  if (equal) ++i;
  if (first == '<')
    op = equal ? relation::less_equal : relation::less;
  else if (first == '>')
    op = equal ? relation::greater_equal : relation::greater;
  else
    op = relation::equal;
  return i;
}

// One token of an alternative after npm's white space trimming.
bool token(builder& b, string_view t) noexcept {
  partial p;
  if (t[0] == '^' || t[0] == '~') {
    const size_t start = t[0] == '~' && at(t, 1) == '>' ? 2 : 1;
    if (read_partial(t, start, p) && p.end == t.size()) {
      if (!reads_whole(p)) return b.malformed();
      return t[0] == '^' ? caret(b, p) : tilde(b, p);
    }
  } else {
    relation op;
    const size_t length = read_gtlt(t, op);
    if (read_partial(t, length, p) && p.end == t.size() && has_x(p)) {
      if (!reads_whole(p)) return b.malformed();
      return x_range(b, slice(t, 0, length), p);
    }
  }
  // npm strips the first '*' of a token no pattern above took and reads
  // the rest ("1.2.3*" as "1.2.3").
  for (const char c : t) {
    if (c == '*') return b.malformed();
  }
  relation op;
  const size_t length = read_gtlt(t, op);
  if (length == t.size()) return b.malformed();
  return add(b, op, slice(t, length, t.size()));
}

// ---- the text steps before the tokens ----

// npm's trim() and its /\s+/ collapse: white space runs become one ' ', none
// at either end. Returns the length, or ~0 for a byte no range holds.
size_t normalise(string_view text, char* out) noexcept {
  size_t size = 0;
  bool space = false;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c <= ' ' || c >= 0x7F) {
      const size_t length = semver_space_length(text, i);
      if (length == 0) return ~size_t{0};
      i += length;
      space = size != 0;
      continue;
    }
    if (!is_range_byte(text[i])) return ~size_t{0};
    if (space) out[size++] = ' ';
    space = false;
    out[size++] = text[i++];
  }
  return size;
}

// npm first strips every "+identifiers" from an alternative, wherever it
// is. Stripped here only right after a version's last byte and before a
// space or the end: anywhere else npm drops text no version owns.
size_t strip_builds(string_view text, char* out, builder& b) noexcept {
  size_t size = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '+' || !is_identifier(at(text, i + 1))) {
      out[size++] = text[i++];
      continue;
    }
    const char before = i == 0 ? ' ' : text[i - 1];
    size_t end = i + 1;
    for (;;) {
      while (is_identifier(at(text, end))) ++end;
      if (at(text, end) != '.' || !is_identifier(at(text, end + 1))) break;
      ++end;
    }
    if (!(is_identifier(before) || before == '*') || (end != text.size() && text[end] != ' ')) {
      b.malformed();
      return 0;
    }
    i = end;
  }
  return size;
}

// npm's hyphen range "from - to", the whole alternative, rewritten to
// ">=from <=to" with partial ends widened, into `out` (`size` bytes); false
// when the alternative is not one. A malformed one is one: `b` says so.
bool hyphen(string_view text, char* out, size_t& size, builder& b) noexcept {
  partial from;
  partial to;
  if (!read_partial(text, 0, from)) return false;
  if (at(text, from.end) != ' ' || at(text, from.end + 1) != '-' || at(text, from.end + 2) != ' ')
    return false;
  if (!read_partial(text, from.end + 3, to) || to.end != text.size()) return false;
  if (!reads_whole(from) || !reads_whole(to)) {
    b.malformed();
    return true;
  }
  size = 0;
  const auto put = [&](string_view part) {
    std::memcpy(out + size, part.data(), part.size());
    size += part.size();
  };
  if (!is_x(from.major)) {
    put(">=");
    if (is_x(from.minor)) {
      put(from.major);
      put(".0.0");
    } else if (is_x(from.patch)) {
      put(from.major);
      put(".");
      put(from.minor);
      put(".0");
    } else {
      // As written, prefix and all: npm's comparator parser then reads it.
      put(slice(text, from.begin, from.end));
    }
  }
  if (is_x(to.major)) return true;
  if (size != 0) put(" ");
  if (is_x(to.minor) || is_x(to.patch)) {
    const successor next(is_x(to.minor) ? to.major : to.minor);
    if (!next.ok) {
      b.malformed();
      return true;
    }
    put("<");
    put(is_x(to.minor) ? next.view() : to.major);
    put(".");
    put(is_x(to.minor) ? "0" : next.view());
    put(".0-0");
  } else if (!to.prerelease.empty()) {
    put("<=");
    put(to.major);
    put(".");
    put(to.minor);
    put(".");
    put(to.patch);
    put("-");
    put(to.prerelease);
  } else {
    put("<=");
    put(slice(text, to.begin, to.end));
  }
  return true;
}

// npm's trimComparatorWhitespace, step for step: it joins an operator to
// the version after it ("> 1.2.3" to ">1.2.3", "< =1" to "<=1"), removing
// one space per candidate it finds. Which spaces it removes rests on where
// it resumes after each version it skips, so its version scanner is kept
// too, length limits and all.
class whitespace_trimmer {
 public:
  explicit whitespace_trimmer(string_view text) noexcept : text_(text) {}

  size_t run(char* out) noexcept {
    size_t size = 0;
    size_t copied = 0;
    size_t cursor = 0;
    while (cursor < text_.size()) {
      const size_t start = cursor;
      const char c = text_[cursor];
      if (c == '<' || c == '>') {
        ++cursor;
      } else if (!is_prefix(c) && !is_version_start(c)) {
        ++cursor;
        continue;
      }
      while (cursor < text_.size() && is_prefix(text_[cursor])) ++cursor;
      if (!is_version_start(at(text_, cursor))) continue;
      const size_t space = removable_space(start);
      if (space != kNoSpace) {
        std::memcpy(out + size, text_.data() + copied, space - copied);
        size += space - copied;
        copied = space + 1;
      }
      cursor = version_end(cursor);
    }
    std::memcpy(out + size, text_.data() + copied, text_.size() - copied);
    return size + text_.size() - copied;
  }

 private:
  static constexpr size_t kNoSpace = ~size_t{0};

  static bool is_prefix(char c) noexcept { return c == 'v' || c == '=' || c == ' '; }
  static bool is_version_start(char c) noexcept {
    return is_digit(c) || c == 'x' || c == 'X' || c == '*';
  }

  // A space right after [space][<>][=] at `start`.
  size_t removable_space(size_t start) const noexcept {
    size_t i = start;
    if (at(text_, i) == ' ') ++i;
    if (at(text_, i) == '<' || at(text_, i) == '>') ++i;
    if (at(text_, i) == '=') ++i;
    return at(text_, i) == ' ' ? i : kNoSpace;
  }

  // The end of the digit run at `start`, at most `limit` digits on; the
  // last two runs are remembered, so long runs are not read again.
  size_t digits_end(size_t start, size_t limit) noexcept {
    if (!is_digit(at(text_, start))) return start;
    size_t end;
    if (start >= run_.begin && start < run_.end) {
      end = run_.end;
    } else if (start >= previous_.begin && start < previous_.end) {
      end = previous_.end;
    } else {
      end = start + 1;
      while (is_digit(at(text_, end))) ++end;
      previous_ = run_;
      run_ = {start, end};
    }
    return end < start + limit ? end : start + limit;
  }

  size_t number_end(size_t start, bool loose) noexcept {
    if (!loose && at(text_, start) == '0') return start + 1;
    return digits_end(start, loose ? kMaxLength : kMaxLength + 1);
  }

  size_t prerelease_identifier_end(size_t start, bool loose) noexcept {
    const size_t digits = digits_end(start, kMaxLength);
    if (is_letter(at(text_, digits)) || at(text_, digits) == '-') {
      size_t end = digits + 1;
      const size_t limit = end + kMaxBuildLength;
      while (end < limit && is_identifier(at(text_, end))) ++end;
      return end;
    }
    return number_end(start, loose);
  }

  size_t prerelease_end(size_t start, bool loose) noexcept {
    const bool hyphen = at(text_, start) == '-';
    if (!loose && !hyphen) return start;
    const size_t first = start + (hyphen ? 1 : 0);
    size_t end = prerelease_identifier_end(first, loose);
    if (end == first) {
      if (!loose || !hyphen) return start;
      end = prerelease_identifier_end(start, loose);
    }
    while (at(text_, end) == '.') {
      const size_t next = prerelease_identifier_end(end + 1, loose);
      if (next == end + 1) break;
      end = next;
    }
    return end;
  }

  size_t build_identifier_end(size_t start) const noexcept {
    size_t end = start;
    while (end - start < kMaxBuildLength && is_identifier(at(text_, end))) ++end;
    return end;
  }

  size_t build_end(size_t start) const noexcept {
    if (at(text_, start) != '+') return start;
    size_t end = build_identifier_end(start + 1);
    if (end == start + 1) return start;
    while (at(text_, end) == '.') {
      const size_t next = build_identifier_end(end + 1);
      if (next == end + 1) break;
      end = next;
    }
    return end;
  }

  size_t loose_full_version_end(size_t start) noexcept {
    size_t end = start;
    for (int part = 0; part < 3; ++part) {
      const size_t next = number_end(end, true);
      if (next == end) return start;
      end = next;
      if (part < 2) {
        if (at(text_, end) != '.') return start;
        ++end;
      }
    }
    return build_end(prerelease_end(end, true));
  }

  size_t part_end(size_t start) noexcept {
    if (is_digit(at(text_, start))) return number_end(start, false);
    return is_version_start(at(text_, start)) ? start + 1 : start;
  }

  size_t partial_version_end(size_t start) noexcept {
    size_t end = part_end(start);
    for (int part = 0; part < 2; ++part) {
      if (at(text_, end) != '.') return end;
      const size_t next = part_end(end + 1);
      if (next == end + 1) return end;
      end = next;
    }
    return build_end(prerelease_end(end, false));
  }

  size_t version_end(size_t start) noexcept {
    const size_t full = loose_full_version_end(start);
    return full != start ? full : partial_version_end(start);
  }

  struct digit_run {
    size_t begin;
    size_t end;
  };

  string_view text_;
  digit_run run_{0, 0};
  digit_run previous_{0, 0};
};

// npm's tilde and caret trims: "~ 1" to "~1", "~> 1" to "~1", "^ 1" to "^1".
size_t trim_after_tilde_and_caret(char* text, size_t size) noexcept {
  size_t out = 0;
  for (size_t i = 0; i < size;) {
    const char c = text[i];
    text[out++] = text[i++];
    if (c == '~') {
      if (i < size && text[i] == ' ') {
        ++i;
      } else if (i + 1 < size && text[i] == '>' && text[i + 1] == ' ') {
        i += 2;
      }
    } else if (c == '^' && i < size && text[i] == ' ') {
      ++i;
    }
  }
  return out;
}

// One alternative, trimmed and not empty unless it is the whole range; the
// three scratch buffers hold its length plus kHyphenGrowth bytes each.
constexpr size_t kHyphenGrowth = 64;

bool alternative(builder& b, string_view text, char* const scratch[3]) noexcept {
  const size_t set_start = b.comparators.count;
  size_t size = strip_builds(text, scratch[0], b);
  if (b.status != range_status::ok) return false;
  string_view current(scratch[0], size);
  if (hyphen(current, scratch[1], size, b)) {
    if (b.status != range_status::ok) return false;
    current = {scratch[1], size};
  }
  size = whitespace_trimmer(current).run(scratch[2]);
  size = trim_after_tilde_and_caret(scratch[2], size);
  for (size_t i = 0; i < size;) {
    size_t end = i;
    while (end < size && scratch[2][end] != ' ') ++end;
    if (end != i && !token(b, {scratch[2] + i, end - i})) return false;
    i = end + 1;
  }
  return end_set(b, set_start);
}

range_status pack(builder& b, void** compiled) noexcept {
  const size_t comparator_bytes = b.comparators.count * sizeof(comparator);
  const size_t set_bytes = b.set_ends.count * sizeof(std::uint32_t);
  const size_t total = kHeaderBytes + comparator_bytes + set_bytes + b.texts.count;
  auto* block = static_cast<unsigned char*>(sqlite3_malloc64(total));
  if (block == nullptr) return range_status::no_memory;
  const header h{static_cast<std::uint32_t>(b.comparators.count),
                 static_cast<std::uint32_t>(b.set_ends.count), b.any};
  std::memcpy(block, &h, sizeof h);
  unsigned char* cursor = block + kHeaderBytes;
  if (comparator_bytes != 0) std::memcpy(cursor, b.comparators.items, comparator_bytes);
  cursor += comparator_bytes;
  if (set_bytes != 0) std::memcpy(cursor, b.set_ends.items, set_bytes);
  cursor += set_bytes;
  if (b.texts.count != 0) std::memcpy(cursor, b.texts.items, b.texts.count);
  *compiled = block;
  return range_status::ok;
}

range_status parse(const version_scheme&, string_view text, void** compiled) noexcept {
  *compiled = nullptr;
  // The normalised text, then three scratch buffers for one alternative.
  const size_t scratch_size = text.size() + kHyphenGrowth;
  auto* memory = static_cast<char*>(sqlite3_malloc64(text.size() + 3 * scratch_size + 1));
  if (memory == nullptr) return range_status::no_memory;
  const size_t size = normalise(text, memory);
  builder b;
  if (size == ~size_t{0}) {
    b.malformed();
  } else {
    char* const scratch[3] = {memory + text.size(), memory + text.size() + scratch_size,
                              memory + text.size() + 2 * scratch_size};
    const string_view normal(memory, size);
    bool several = false;
    for (size_t i = 0; b.status == range_status::ok;) {
      size_t bars = normal.find("||", i);
      several |= bars != string_view::npos;
      const size_t end = bars == string_view::npos ? size : bars;
      size_t first = i;
      size_t last = end;
      while (first < last && normal[first] == ' ') ++first;
      while (last > first && normal[last - 1] == ' ') --last;
      // npm reads an empty alternative as '*', which then swallows the
      // others: "1.2.3 ||" would match every release.
      if (first == last && several) {
        b.malformed();
        break;
      }
      alternative(b, slice(normal, first, last), scratch);
      if (bars == string_view::npos) break;
      i = bars + 2;
    }
  }
  range_status status = b.status;
  if (status == range_status::ok) status = pack(b, compiled);
  b.release();
  sqlite3_free(memory);
  return status;
}

bool satisfies(const version_scheme& scheme, const void* compiled, string_view version) noexcept {
  const auto* block = static_cast<const unsigned char*>(compiled);
  header h;
  std::memcpy(&h, block, sizeof h);
  const semver_parts parts = semver_split(version);
  const bool prerelease = !parts.prerelease.empty();
  if (h.any) return !prerelease;
  const auto* comparators = reinterpret_cast<const comparator*>(block + kHeaderBytes);
  const auto* set_ends = reinterpret_cast<const std::uint32_t*>(comparators + h.comparator_count);
  const auto* texts = reinterpret_cast<const char*>(set_ends + h.set_count);
  std::uint32_t begin = 0;
  for (std::uint32_t s = 0; s < h.set_count; begin = set_ends[s++]) {
    const std::uint32_t end = set_ends[s];
    bool all = true;
    for (std::uint32_t k = begin; all && k < end; ++k) {
      const comparator& c = comparators[k];
      all = relation_holds(c.op, scheme.compare(version, {texts + c.text, c.size}));
    }
    if (!all) continue;
    if (!prerelease) return true;
    // A prerelease only matches a set that names a prerelease of its own
    // major.minor.patch.
    for (std::uint32_t k = begin; k < end; ++k) {
      const comparator& c = comparators[k];
      if (c.prerelease && c.major == parts.major && c.minor == parts.minor &&
          c.patch == parts.patch)
        return true;
    }
  }
  return false;
}

void release(void* compiled) noexcept {
  sqlite3_free(compiled);
}

}  // namespace

const range_grammar NPM_RANGE_GRAMMAR = {parse, satisfies, release};

}  // namespace korvel
