#include "version/ranges/pep440.h"

#include <cstring>

#include "common/sqlite_api.h"
#include "version/schemes/pep440.h"

// A specifier set is checked the way packaging 23.0 checks it, quirks
// included, since a scanner that answers otherwise than pip reports what pip
// would not install:
// - a pre-release (a, b, rc or dev) is outside the set unless some specifier
//   with ==, ===, >=, <= or ~= names one; the empty set admits none;
// - "==V" and every comparison but "<V" and ">V" drop the candidate's local
//   label, unless "==" / "!=" name one;
// - "<V" excludes V's pre-releases unless V is one; ">V" excludes V's
//   post-releases unless V is one, and V's local versions;
// - "==V.*" compares the dot-separated pieces of both normal forms, the
//   candidate's release padded with zeros and stripped of trailing ones, an
//   epoch glued to the first piece ("1!2.0" is not in "==1!2.0.*", and a
//   version with an epoch is in "==0.*");
// - "~=V" is ">=V" and "==P.*", P being V's text up to its last
//   dot-separated piece before one that starts like a suffix ("dev", "a",
//   "b", "rc", "post", case-sensitively): "~=1.0c1" means "1.0.*",
//   "~=1.0rc1" means "1.*";
// - "===V" holds for a candidate whose normal form is V lowered;
// - specifiers whose operator and normal form (without its trailing ".0"s
//   but for ~=) are alike count once, the first one written
//   ("===1.0,===1.0.0" holds for 1.0).
// packaging fails with InvalidVersion on a candidate whose pre-release is
// spelt "prevİew" (U+0130) wherever it reads the candidate's normal form
// back; such a candidate is compared by its parts here instead.

namespace korvel {

namespace {

enum class operation : unsigned char {
  compatible,     // ~=
  equal,          // ==
  not_equal,      // !=
  less_equal,     // <=
  greater_equal,  // >=
  less,           // <
  greater,        // >
  arbitrary,      // ===
};

struct specifier {
  operation op;
  bool wildcard;  // "==V.*" or "!=V.*"
  bool never;     // "===" with a text that is no version's normal form
  pep440_parts version;
  // What makes two specifiers count once: the operator, then these bytes.
  std::size_t key_offset;
  std::size_t key_size;
  // The pieces "==V.*" and "~=V" compare, separated by '.'.
  std::size_t prefix_offset;
  std::size_t prefix_size;
  std::size_t prefix_release;  // the leading pieces that are all digits
};

// One sqlite3_malloc block: this header, room for a specifier per
// comma-separated item, then the text's copy (which the parts point into)
// and the keys and prefixes.
struct specifier_set {
  std::size_t count;
  std::size_t capacity;
  bool prereleases;  // some specifier names a pre-release
};

static_assert(sizeof(specifier_set) % alignof(specifier) == 0);

specifier* specifiers(specifier_set* set) noexcept {
  return reinterpret_cast<specifier*>(set + 1);
}
const specifier* specifiers(const specifier_set* set) noexcept {
  return reinterpret_cast<const specifier*>(set + 1);
}
char* bytes(specifier_set* set) noexcept {
  return reinterpret_cast<char*>(specifiers(set) + set->capacity);
}
const char* bytes(const specifier_set* set) noexcept {
  return reinterpret_cast<const char*>(specifiers(set) + set->capacity);
}

constexpr bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

bool starts_with(std::string_view text, std::string_view prefix) noexcept {
  return text.size() >= prefix.size() &&
         std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

// Without the white space around it, as Python's str.strip() leaves it.
std::string_view trimmed(std::string_view text) noexcept {
  const char* const end = text.data() + text.size();
  const char* const p = pep440_skip_spaces(text.data(), end);
  const char* last = p;
  for (const char* q = p; q != end;) {
    const char* const after = pep440_skip_spaces(q, end);
    if (after != q) {
      q = after;
    } else {
      last = ++q;
    }
  }
  return {p, static_cast<std::size_t>(last - p)};
}

bool read_operation(std::string_view& text, operation& op) noexcept {
  struct spelling {
    std::string_view text;
    operation op;
  };
  // "===" before "==", two bytes before one.
  static constexpr spelling kSpellings[] = {
      {"===", operation::arbitrary}, {"~=", operation::compatible},
      {"==", operation::equal},      {"!=", operation::not_equal},
      {"<=", operation::less_equal}, {">=", operation::greater_equal},
      {"<", operation::less},        {">", operation::greater},
  };
  for (const spelling& s : kSpellings) {
    if (starts_with(text, s.text)) {
      op = s.op;
      text.remove_prefix(s.text.size());
      return true;
    }
  }
  return false;
}

bool is_prerelease(const pep440_parts& v) noexcept {
  return v.dev || v.pre != PEP440_PRE_NONE;
}

bool has_pre(const pep440_parts& v) noexcept {
  return v.pre != PEP440_PRE_NONE && v.pre != PEP440_PRE_DEV_ONLY;
}

// The number at `p` in a release's numbers and dots, moving past its dot.
pep440_digits next_number(const char*& p, const char* end) noexcept {
  const char* const begin = p;
  while (p != end && *p != '.') ++p;
  const pep440_digits number = {begin, p};
  if (p != end) ++p;
  return number;
}

bool is_zero(pep440_digits number) noexcept {
  for (const char* p = number.begin; p != number.end; ++p) {
    if (*p != '0') return false;
  }
  return true;
}

std::size_t count_numbers(pep440_digits release) noexcept {
  std::size_t count = 1;
  for (const char* p = release.begin; p != release.end; ++p) count += *p == '.';
  return count;
}

// ---- reading a specifier ----

// Where a specifier's derived texts go: the block's bytes from `used` on.
struct writer {
  char* base;
  std::size_t used;
  char* at() const noexcept { return base + used; }
};

// Where a piece of the form digits, "a" / "b" / "c" / "rc", digits splits
// into two (the reference's _version_split), or 0.
std::size_t pre_split(std::string_view piece) noexcept {
  std::size_t i = 0;
  while (i < piece.size() && is_digit(piece[i])) ++i;
  if (i == 0 || i == piece.size()) return 0;
  std::size_t j = i;
  if (piece.size() - i >= 2 && piece[i] == 'r' && piece[i + 1] == 'c') {
    j = i + 2;
  } else if (piece[i] == 'a' || piece[i] == 'b' || piece[i] == 'c') {
    j = i + 1;
  } else {
    return 0;
  }
  if (j == piece.size()) return 0;
  for (std::size_t k = j; k < piece.size(); ++k) {
    if (!is_digit(piece[k])) return 0;
  }
  return i;
}

// Calls visit(piece) for each piece of `text` as the reference splits it:
// at dots, and a release number from the pre-release glued to it.
template <typename Visit>
void for_each_piece(std::string_view text, Visit&& visit) noexcept {
  for (;;) {
    std::size_t dot = 0;
    while (dot < text.size() && text[dot] != '.') ++dot;
    const std::string_view piece(text.data(), dot);
    const std::size_t split = pre_split(piece);
    if (split != 0) {
      if (!visit(std::string_view(piece.data(), split))) return;
      if (!visit(std::string_view(piece.data() + split, piece.size() - split))) return;
    } else if (!visit(piece)) {
      return;
    }
    if (dot == text.size()) return;
    text.remove_prefix(dot + 1);
  }
}

// The pieces of a normal form, one '.' between each, with the count of the
// leading ones that are all digits.
void write_prefix(std::string_view normal, specifier& s, writer& out) noexcept {
  s.prefix_offset = out.used;
  s.prefix_release = 0;
  bool release = true;
  for_each_piece(normal, [&](std::string_view piece) noexcept {
    if (out.used != s.prefix_offset) out.base[out.used++] = '.';
    std::memcpy(out.at(), piece.data(), piece.size());
    out.used += piece.size();
    bool digits = !piece.empty();
    for (const char c : piece) digits = digits && is_digit(c);
    release = release && digits;
    s.prefix_release += release;
    return true;
  });
  s.prefix_size = out.used - s.prefix_offset;
}

bool is_suffix_piece(std::string_view piece) noexcept {
  return starts_with(piece, "dev") || starts_with(piece, "a") || starts_with(piece, "b") ||
         starts_with(piece, "rc") || starts_with(piece, "post");
}

// "~=V" compares with "==P.*", P being V's pieces before the first that
// starts like a suffix, less the last.
void write_compatible_prefix(std::string_view text, specifier& s, writer& out) noexcept {
  const std::size_t start = out.used;
  std::size_t last = start;  // where the last piece kept starts
  for_each_piece(text, [&](std::string_view piece) noexcept {
    if (is_suffix_piece(piece)) return false;
    last = out.used;
    if (out.used != start) out.base[out.used++] = '.';
    std::memcpy(out.at(), piece.data(), piece.size());
    out.used += piece.size();
    return true;
  });
  const std::string_view prefix(out.base + start, last - start);
  // The reference normalises P when it is a version (it always is: pieces
  // of a valid version cut at a dot) and compares P's own text otherwise.
  pep440_parts parts;
  if (!pep440_parse(prefix, parts)) {
    write_prefix(prefix, s, out);
    return;
  }
  char* const normal = out.at();
  const std::size_t size = pep440_normal_form(parts, false, false, normal);
  out.used += size;
  write_prefix({normal, size}, s, out);
}

// Reads one specifier, trimmed and not empty; its derived texts go to `out`.
bool read_specifier(std::string_view text, const char* base, specifier& s, writer& out) noexcept {
  if (!read_operation(text, s.op)) return false;
  text.remove_prefix(static_cast<std::size_t>(
      pep440_skip_spaces(text.data(), text.data() + text.size()) - text.data()));
  s.wildcard = false;
  s.never = false;
  s.prefix_size = 0;
  s.prefix_release = 0;
  std::string_view version = text;
  if ((s.op == operation::equal || s.op == operation::not_equal) && text.size() >= 2 &&
      text[text.size() - 2] == '.' && text[text.size() - 1] == '*') {
    s.wildcard = true;
    version.remove_suffix(2);
    // Only a release may be written before ".*"; no white space either.
    if (version.empty() || !is_digit(version.back())) return false;
  }
  if (!pep440_parse(version, s.version)) return false;
  const pep440_parts& v = s.version;
  switch (s.op) {
    case operation::equal:
    case operation::not_equal:
      if (s.wildcard &&
          (v.pre != PEP440_PRE_NONE || v.post != PEP440_POST_NONE || v.dev || v.local != nullptr)) {
        return false;
      }
      break;
    case operation::compatible:
      if (v.local != nullptr || count_numbers(v.release) < 2) return false;
      break;
    case operation::arbitrary:
      break;
    default:
      if (v.local != nullptr) return false;
      break;
  }
  if (s.wildcard) {
    // The key is the text itself: the reference cannot normalise "1.0.*".
    s.key_offset = static_cast<std::size_t>(text.data() - base);
    s.key_size = text.size();
    char* const normal = out.at();
    const std::size_t size = pep440_normal_form(v, false, false, normal);
    out.used += size;
    write_prefix({normal, size}, s, out);
    return true;
  }
  s.key_offset = out.used;
  s.key_size = pep440_normal_form(v, s.op != operation::compatible, true, out.at());
  out.used += s.key_size;
  if (s.op == operation::compatible) write_compatible_prefix(version, s, out);
  if (s.op == operation::arbitrary) {
    char* const lowered = out.at();
    const std::size_t lowered_size = pep440_lowered(version, lowered);
    char* const normal = lowered + lowered_size;
    const std::size_t normal_size = pep440_normal_form(v, false, true, normal);
    s.never = lowered_size != normal_size || std::memcmp(lowered, normal, normal_size) != 0;
  }
  return true;
}

bool names_prerelease(const specifier& s) noexcept {
  switch (s.op) {
    case operation::equal:
      return !s.wildcard && is_prerelease(s.version);
    case operation::compatible:
    case operation::less_equal:
    case operation::greater_equal:
    case operation::arbitrary:
      return is_prerelease(s.version);
    default:
      return false;
  }
}

// The most bytes read_specifier() derives from a specifier of `size` bytes:
// a key, and for "~=" a prefix's text, its normal form and its pieces (or
// for "===" the lowered text and its normal form).
constexpr std::size_t derived_bound(std::size_t size) noexcept {
  const std::size_t prefix_text = 2 * size;
  const std::size_t prefix_normal = pep440_normal_form_bound(prefix_text);
  return pep440_normal_form_bound(size) + prefix_text + prefix_normal + 2 * prefix_normal;
}

bool same_key(const specifier& a, const specifier& b, const char* base) noexcept {
  return a.op == b.op && a.wildcard == b.wildcard && a.key_size == b.key_size &&
         std::memcmp(base + a.key_offset, base + b.key_offset, a.key_size) == 0;
}

range_status parse_set(const version_scheme& /*scheme*/, std::string_view text,
                       void** compiled) noexcept {
  std::size_t items = 1;
  for (const char c : text) items += c == ',';
  const std::size_t room = text.size() + derived_bound(text.size()) + items * 64;
  auto* set = static_cast<specifier_set*>(
      sqlite3_malloc64(sizeof(specifier_set) + items * sizeof(specifier) + room));
  if (set == nullptr) return range_status::no_memory;
  set->count = 0;
  set->capacity = items;
  set->prereleases = false;
  char* const base = bytes(set);
  if (!text.empty()) std::memcpy(base, text.data(), text.size());
  writer out = {base, text.size()};
  std::string_view rest(base, text.size());
  // White space alone is the empty set; an empty item beside a comma is a
  // mistake.
  const bool empty_set = items == 1 && trimmed(rest).empty();
  while (!empty_set) {
    std::size_t comma = 0;
    while (comma < rest.size() && rest[comma] != ',') ++comma;
    const std::string_view item = trimmed(std::string_view(rest.data(), comma));
    specifier& s = specifiers(set)[set->count];
    const std::size_t mark = out.used;
    if (item.empty() || !read_specifier(item, base, s, out)) {
      sqlite3_free(set);
      return range_status::malformed;
    }
    bool repeated = false;
    for (std::size_t i = 0; i < set->count && !repeated; ++i) {
      repeated = same_key(specifiers(set)[i], s, base);
    }
    if (repeated) {
      out.used = mark;
    } else {
      set->prereleases = set->prereleases || names_prerelease(s);
      ++set->count;
    }
    if (comma == rest.size()) break;
    rest.remove_prefix(comma + 1);
  }
  *compiled = set;
  return range_status::ok;
}

// ---- checking a version ----

// A decimal as Python writes an int: no leading zeros, "0" for none.
std::string_view decimal(pep440_digits number) noexcept {
  while (number.begin != number.end && *number.begin == '0') ++number.begin;
  if (number.begin == number.end) return "0";
  return {number.begin, static_cast<std::size_t>(number.end - number.begin)};
}

// One piece of a candidate's normal form, in up to five parts.
struct piece {
  std::string_view parts[5];
  std::size_t count;
  void add(std::string_view part) noexcept { parts[count++] = part; }
  bool is(std::string_view text) const noexcept {
    for (std::size_t i = 0; i < count; ++i) {
      if (!starts_with(text, parts[i])) return false;
      text.remove_prefix(parts[i].size());
    }
    return text.empty();
  }
};

// The pieces of a candidate's normal form without its local label, in
// order, as for_each_piece() would split that text: the reference's
// canonicalize_version() of its public part.
struct candidate_pieces {
  enum stage : unsigned char { release, pre, post, dev, done };
  const pep440_parts* v;
  const char* next;  // the next release number
  const char* release_end;
  bool epoch;      // a nonzero epoch, glued to the first number
  bool split_pre;  // the pre-release is a piece of its own
  bool first;
  stage at;
  std::size_t leading_digits;  // the pieces before the first that is not all digits

  explicit candidate_pieces(const pep440_parts& version) noexcept
      : v(&version),
        next(version.release.begin),
        release_end(version.release.end),
        epoch(!is_zero(version.epoch)),
        split_pre(false),
        first(true),
        at(release),
        leading_digits(0) {
    // The reference strips the trailing zeros, but keeps the text as it is
    // when it cannot read that text back: a pre-release spelt with U+0130.
    if (version.pre != PEP440_PRE_PREVIEW_DOTTED) {
      release_end = pep440_release_without_trailing_zeros(version.release);
    }
    const std::size_t numbers = count_numbers({version.release.begin, release_end});
    const bool plain_letters =
        version.pre == PEP440_PRE_A || version.pre == PEP440_PRE_B || version.pre == PEP440_PRE_RC;
    split_pre = has_pre(version) && plain_letters && !(epoch && numbers == 1);
    if (!epoch) leading_digits = numbers - (has_pre(version) && !split_pre ? 1 : 0);
  }

  void add_pre(piece& out) const noexcept {
    out.add(pep440_pre_letters(v->pre));
    out.add(decimal(v->pre_number));
  }

  bool take(piece& out) noexcept {
    out.count = 0;
    switch (at) {
      case release:
        if (first && epoch) {
          out.add(decimal(v->epoch));
          out.add("!");
        }
        first = false;
        out.add(decimal(next_number(next, release_end)));
        if (next >= release_end) {
          at = post;
          if (has_pre(*v)) {
            if (split_pre) {
              at = pre;
            } else {
              add_pre(out);
            }
          }
        }
        return true;
      case pre:
        add_pre(out);
        at = post;
        return true;
      case post:
        at = dev;
        if (v->post != PEP440_POST_NONE) {
          out.add("post");
          out.add(decimal(v->post_number));
          return true;
        }
        [[fallthrough]];
      case dev:
        at = done;
        if (v->dev) {
          out.add("dev");
          out.add(decimal(v->dev_number));
          return true;
        }
        [[fallthrough]];
      case done:
        break;
    }
    return false;
  }
};

// "==V.*": the candidate's pieces, its release padded with zeros to the
// length of the prefix's, cut to the prefix's count, are the prefix's.
bool matches_prefix(const specifier& s, const char* base, const pep440_parts& c) noexcept {
  candidate_pieces pieces(c);
  const std::size_t lead = pieces.leading_digits;
  const std::size_t zeros = s.prefix_release > lead ? s.prefix_release - lead : 0;
  std::size_t index = 0;
  bool matches = true;
  for_each_piece({base + s.prefix_offset, s.prefix_size}, [&](std::string_view expected) noexcept {
    piece got{};
    if (index >= lead && index < lead + zeros) {
      got.count = 0;
      got.add("0");
    } else if (!pieces.take(got)) {
      matches = false;
      return false;
    }
    ++index;
    matches = got.is(expected);
    return matches;
  });
  return matches;
}

// What the reference compares for most operators: the version read back
// from its normal form without the label, where any spelling of a
// post-release has become "post".
pep440_parts public_version(pep440_parts v) noexcept {
  v.local = nullptr;
  if (v.post != PEP440_POST_NONE) v.post = PEP440_POST_POST;
  return v;
}

bool same_release_as_text(pep440_digits lhs, pep440_digits rhs) noexcept {
  const char* l = lhs.begin;
  const char* r = rhs.begin;
  while (l < lhs.end && r < rhs.end) {
    if (pep440_compare_numbers(next_number(l, lhs.end), next_number(r, rhs.end)) != 0) return false;
  }
  return l >= lhs.end && r >= rhs.end;
}

bool same_optional_number(bool lhs_present, pep440_digits lhs, bool rhs_present,
                          pep440_digits rhs) noexcept {
  return lhs_present == rhs_present && (!lhs_present || pep440_compare_numbers(lhs, rhs) == 0);
}

// Whether both normal forms are the same text: parts alike by value, the
// release as long, a post-release whatever its spelling.
bool same_normal_form(const pep440_parts& a, const pep440_parts& b) noexcept {
  return pep440_compare_numbers(a.epoch, b.epoch) == 0 &&
         same_release_as_text(a.release, b.release) &&
         same_optional_number(has_pre(a), a.pre_number, has_pre(b), b.pre_number) &&
         (!has_pre(a) || a.pre == b.pre) &&
         same_optional_number(a.post != PEP440_POST_NONE, a.post_number, b.post != PEP440_POST_NONE,
                              b.post_number) &&
         same_optional_number(a.dev, a.dev_number, b.dev, b.dev_number) &&
         (a.local == nullptr) == (b.local == nullptr) &&
         (a.local == nullptr || pep440_compare_locals(a, b) == 0);
}

// The reference's base_version: the epoch and release alone.
pep440_parts base_version(pep440_parts v) noexcept {
  v.pre = PEP440_PRE_NONE;
  v.post = PEP440_POST_NONE;
  v.dev = false;
  v.local = nullptr;
  return v;
}

bool same_base(const pep440_parts& a, const pep440_parts& b) noexcept {
  return pep440_compare_parts(base_version(a), base_version(b)) == 0;
}

bool holds(const specifier& s, const char* base, const pep440_parts& c,
           const pep440_parts& c_public) noexcept {
  const pep440_parts& v = s.version;
  switch (s.op) {
    case operation::equal:
    case operation::not_equal: {
      bool equal = false;
      if (s.wildcard) {
        equal = matches_prefix(s, base, c);
      } else {
        equal = pep440_compare_parts(v.local != nullptr ? c : c_public, v) == 0;
      }
      return equal == (s.op == operation::equal);
    }
    case operation::compatible:
      return pep440_compare_parts(c_public, v) >= 0 && matches_prefix(s, base, c);
    case operation::less_equal:
      return pep440_compare_parts(c_public, v) <= 0;
    case operation::greater_equal:
      return pep440_compare_parts(c_public, v) >= 0;
    case operation::less:
      return pep440_compare_parts(c, v) < 0 &&
             !(!is_prerelease(v) && is_prerelease(c) && same_base(c, v));
    case operation::greater:
      return pep440_compare_parts(c, v) > 0 &&
             !(v.post == PEP440_POST_NONE && c.post != PEP440_POST_NONE && same_base(c, v)) &&
             !(c.local != nullptr && same_base(c, v));
    case operation::arbitrary:
      return !s.never && same_normal_form(c, v);
  }
  return false;
}

bool set_holds(const version_scheme& /*scheme*/, const void* compiled,
               std::string_view version) noexcept {
  const auto* set = static_cast<const specifier_set*>(compiled);
  pep440_parts c;
  if (!pep440_parse(version, c)) return false;
  if (is_prerelease(c) && !set->prereleases) return false;
  const pep440_parts c_public = public_version(c);
  const char* base = bytes(set);
  const specifier* s = specifiers(set);
  for (std::size_t i = 0; i < set->count; ++i) {
    if (!holds(s[i], base, c, c_public)) return false;
  }
  return true;
}

void release_set(void* compiled) noexcept {
  sqlite3_free(compiled);
}

}  // namespace

const range_grammar PEP440_RANGE_GRAMMAR = {parse_set, set_holds, release_set};

}  // namespace korvel
