// Maven's version order, as Maven 3.8.7's ComparableVersion reads a text.
//
// Reading. The text is lowercased and cut into items: '.' ends an item, '-'
// ends one and opens a sub-list that holds everything after it, and so does
// a change from digits to other bytes or back inside an item. An empty item
// (two separators in a row, or one at the start) is the number 0. A word
// ended by a digit or by the end of the text, in a list that holds items
// already, opens a sub-list of its own first ("1.0.x1" reads as
// "1.0-x1", "1.sp" as "1-sp", but "1.sp.1" keeps its dots). Digit runs
// are numbers of any size; every other run is a qualifier: alpha < beta <
// milestone < rc = cr < snapshot < (release: "", ga, final, release) < sp <
// any other word, those among themselves by bytes. A single a, b or m right
// before a digit stands for alpha, beta or milestone. A list drops the items
// at its end that equal the release (0 and the release words) and sub-lists
// left empty; what remains is the canonical form.
//
// Order. Two canonical forms are compared item by item, and a version that
// has ended compares as if it went on with releases: an item is then above
// or below "nothing more" (its sign; for a 0 or a release word, which equal
// nothing more, the sign of what follows it in its list, and for a sub-list
// the sign of its first item that is not a release). Where two items differ,
// their signs decide first; of two with the same sign, numbers rank above
// sub-lists and those above words, numbers by value, words as above and
// sub-lists item by item. ComparableVersion ranks the kinds before the
// signs, which is not transitive: "1" < "1.0-1" < "1.0.alpha.1" < "1". This
// order differs from it only on pairs where it contradicts itself like
// that: at the first item where two versions part, one would rank below the
// version made of what they share and the other above it, and
// ComparableVersion ranks them the other way round.
//
// Numbers: ComparableVersion keeps a run of at most 9 digits (leading zeros
// cut off, except in an all-zero run) as an int, up to 18 as a long and a
// longer one as a big integer, and ranks any int below any long and any
// long below any big integer, a zero written with ten or more digits
// included. This order does the same.
//
// Bytes: only ASCII letters are lowercased and only ASCII digits are digits;
// every other byte (UTF-8 or not) is part of a word, compared by bytes.
// Every non-empty text without a NUL is a version.
//
// Key, byte by byte: one token per item of the canonical form, then 0x20.
// A token is a tag (sign and kind) and its payload:
//   0x10 | kind   an item below "nothing more"
//   0x20          the end of the version
//   0x30 | kind   an item above it
//   kind 0x0 word      a rank: alpha 1, beta 2, milestone 3, rc 4,
//                      snapshot 5, release 6, sp 7; or 8, the word's
//                      lowercased bytes and 0x00
//   kind 0x1 sub-list  nothing: its items follow
//   kind 0x2, 0x3, 0x4 a number kept as an int, long or big integer: n, the
//                      count of its digits past leading zeros (one byte
//                      below 255, else 0xFF and four bytes big-endian), then
//                      those n digits as ASCII (0 is n = 0)
// A sub-list is always the last item of its list, so its items need no end
// of their own.
#include "version/schemes/maven.h"

#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/schemes/dotted_numbers.h"

namespace korvel {

namespace {

bool is_digit(char c) noexcept {
  return c >= '0' && c <= '9';
}

char lower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// ---- reading: items and sub-lists in the order of the text ----

enum class event_kind : unsigned char { item, sublist, finish };

struct event {
  event_kind kind;
  bool digits;          // an item of digits (an empty one is the number 0)
  bool before_a_digit;  // a word that a digit ends
  std::size_t begin;
  std::size_t end;
};

// ComparableVersion's own walk over the text. One byte can make up to three
// events, which wait in `queued`.
struct lexer {
  std::string_view text;
  std::size_t at = 0;
  std::size_t start = 0;
  bool digits = false;
  bool list_has_items = false;  // the list items now go to holds some
  event queued[3];
  unsigned queued_count = 0;
  unsigned queued_next = 0;
};

void push(lexer& lx, event e) noexcept {
  lx.list_has_items = e.kind == event_kind::item;
  lx.queued[lx.queued_count++] = e;
}

void push_item(lexer& lx, std::size_t begin, std::size_t end, bool digits,
               bool before_a_digit) noexcept {
  push(lx, {event_kind::item, digits || begin == end, before_a_digit, begin, end});
}

void push_sublist(lexer& lx) noexcept {
  push(lx, {event_kind::sublist, false, false, 0, 0});
}

// Reads on until an event is queued.
void scan(lexer& lx) noexcept {
  const std::string_view text = lx.text;
  while (lx.at < text.size()) {
    const std::size_t i = lx.at++;
    const char c = text[i];
    if (c == '.' || c == '-') {
      push_item(lx, lx.start, i, lx.digits, false);
      lx.start = i + 1;
      if (c == '-') push_sublist(lx);
      return;
    }
    const bool digit = is_digit(c);
    const bool change = digit != lx.digits && i > lx.start;
    lx.digits = digit;
    if (change) {
      // A word ended by a digit in a list that holds items already gets a
      // sub-list of its own ("1.0.x1" reads as "1.0-x1").
      if (digit && lx.list_has_items) push_sublist(lx);
      push_item(lx, lx.start, i, !digit, digit);
      push_sublist(lx);
      lx.start = i;
      return;
    }
  }
  if (lx.start < text.size()) {
    // So does a word that ends the text.
    if (!lx.digits && lx.list_has_items) push_sublist(lx);
    push_item(lx, lx.start, text.size(), lx.digits, false);
    lx.start = text.size();
  }
}

event next_event(lexer& lx) noexcept {
  if (lx.queued_next == lx.queued_count) {
    lx.queued_next = lx.queued_count = 0;
    scan(lx);
    if (lx.queued_count == 0) return {event_kind::finish, false, false, 0, 0};
  }
  return lx.queued[lx.queued_next++];
}

// ---- items ----

enum kind : unsigned char { WORD = 0, SUBLIST = 1, INT = 2, LONG = 3, BIG = 4 };

constexpr unsigned char kBelow = 0x10;
constexpr unsigned char kEnd = 0x20;
constexpr unsigned char kAbove = 0x30;

constexpr unsigned char kRelease = 6;
constexpr unsigned char kOtherWord = 8;

struct item {
  unsigned char kind;
  signed char sign;  // against "nothing more"; 0 for 0 and the release words
  unsigned char rank;
  const char* bytes;  // a number's digits past leading zeros, another word's bytes
  std::size_t size;
};

bool word_is(const char* p, std::size_t size, const char* word) noexcept {
  for (std::size_t k = 0; k < size; ++k) {
    if (word[k] == '\0' || lower(p[k]) != word[k]) return false;
  }
  return word[size] == '\0';
}

unsigned char word_rank(const char* p, std::size_t size, bool before_a_digit) noexcept {
  if (before_a_digit && size == 1) {
    switch (lower(*p)) {
      case 'a':
        return 1;
      case 'b':
        return 2;
      case 'm':
        return 3;
      default:
        break;
    }
  }
  static const struct {
    const char* word;
    unsigned char rank;
  } kWords[] = {{"alpha", 1},     {"beta", 2},         {"milestone", 3},
                {"rc", 4},        {"cr", 4},           {"snapshot", 5},
                {"ga", kRelease}, {"final", kRelease}, {"release", kRelease},
                {"sp", 7}};
  if (size > 9) return kOtherWord;
  for (const auto& w : kWords) {
    if (word_is(p, size, w.word)) return w.rank;
  }
  return kOtherWord;
}

item read_item(std::string_view text, const event& e) noexcept {
  const char* p = text.data() + e.begin;
  const std::size_t size = e.end - e.begin;
  if (e.digits) {
    std::size_t zeros = 0;
    while (zeros < size && p[zeros] == '0') ++zeros;
    // An all-zero run keeps its zeros when ComparableVersion sizes it; the
    // empty item is its "0".
    const std::size_t written = zeros == size ? (size == 0 ? 1 : size) : size - zeros;
    const unsigned char kind = written <= 9 ? INT : written <= 18 ? LONG : BIG;
    return {kind, static_cast<signed char>(zeros == size ? 0 : 1), 0, p + zeros, size - zeros};
  }
  const unsigned char rank = word_rank(p, size, e.before_a_digit);
  const signed char sign = rank < kRelease ? -1 : rank == kRelease ? 0 : 1;
  return {WORD, sign, rank, p, size};
}

// ---- the canonical form's items, each with its sign ----

constexpr std::size_t kNone = ~std::size_t{0};

// The items of one text in the order the key lists them. An item equal to
// "nothing more" and a sub-list take their sign from the next item that is
// not, found once by reading ahead and kept until the walk gets there.
struct walker {
  lexer lx;
  std::size_t events = 0;  // events read so far
  bool ended = false;
  // The read-ahead: the event index of the next item with a sign of its own
  // (kNone: none is left), that sign, and the index of the last sub-list
  // before it (kNone: none).
  std::size_t ahead = 0;
  signed char ahead_sign = 0;
  std::size_t ahead_sublist = kNone;
};

void read_ahead(walker& w, std::size_t from) noexcept {
  if (w.ahead != kNone && w.ahead > from) return;
  lexer lx = w.lx;
  std::size_t index = from;
  w.ahead_sublist = kNone;
  for (;;) {
    const event e = next_event(lx);
    ++index;
    if (e.kind == event_kind::finish) {
      w.ahead = kNone;
      return;
    }
    if (e.kind == event_kind::sublist) {
      w.ahead_sublist = index;
      continue;
    }
    const item it = read_item(w.lx.text, e);
    if (it.sign != 0) {
      w.ahead = index;
      w.ahead_sign = it.sign;
      return;
    }
  }
}

constexpr item kEndItem = {0, 0, 0, nullptr, 0};

// The next item, or kEndItem (sign 0) once the version has ended.
item next_item(walker& w) noexcept {
  while (!w.ended) {
    const event e = next_event(w.lx);
    const std::size_t index = w.events++;
    if (e.kind == event_kind::finish) break;
    item it =
        e.kind == event_kind::sublist ? item{SUBLIST, 0, 0, nullptr, 0} : read_item(w.lx.text, e);
    if (it.sign != 0) return it;
    read_ahead(w, index);
    // Nothing but releases is left: the canonical form ends here.
    if (w.ahead == kNone) break;
    // A 0 or release word before a sub-list ends its list: dropped.
    if (it.kind != SUBLIST && w.ahead_sublist != kNone && w.ahead_sublist > index) continue;
    it.sign = w.ahead_sign;
    return it;
  }
  w.ended = true;
  return kEndItem;
}

walker make_walker(std::string_view text) noexcept {
  walker w{};
  w.lx.text = text;
  return w;
}

unsigned char tag_of(const item& it) noexcept {
  if (it.sign == 0) return kEnd;
  return static_cast<unsigned char>((it.sign < 0 ? kBelow : kAbove) | it.kind);
}

int compare_bytes(const char* lhs, std::size_t lhs_size, const char* rhs,
                  std::size_t rhs_size) noexcept {
  const std::size_t common = lhs_size < rhs_size ? lhs_size : rhs_size;
  for (std::size_t k = 0; k < common; ++k) {
    const auto a = static_cast<unsigned char>(lower(lhs[k]));
    const auto b = static_cast<unsigned char>(lower(rhs[k]));
    if (a != b) return a < b ? -1 : 1;
  }
  return (lhs_size > rhs_size) - (lhs_size < rhs_size);
}

// The order of two items' key tokens, as memcmp would give it.
int compare_items(const item& l, const item& r) noexcept {
  const unsigned char lt = tag_of(l);
  const unsigned char rt = tag_of(r);
  if (lt != rt) return lt < rt ? -1 : 1;
  if (lt == kEnd || l.kind == SUBLIST) return 0;
  if (l.kind == WORD) {
    if (l.rank != r.rank) return l.rank < r.rank ? -1 : 1;
    return l.rank == kOtherWord ? compare_bytes(l.bytes, l.size, r.bytes, r.size) : 0;
  }
  if (l.size != r.size) return l.size < r.size ? -1 : 1;
  const int digits = l.size == 0 ? 0 : std::memcmp(l.bytes, r.bytes, l.size);
  return (digits > 0) - (digits < 0);
}

bool valid(std::string_view text) noexcept {
  return !text.empty() && std::memchr(text.data(), '\0', text.size()) == nullptr;
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  walker l = make_walker(lhs);
  walker r = make_walker(rhs);
  for (;;) {
    const item a = next_item(l);
    const item b = next_item(r);
    const int order = compare_items(a, b);
    if (order != 0 || a.sign == 0) return order;
  }
}

// Per byte of text at most four bytes of key: a one-letter word between
// separators is four bytes, a sub-list one; a digit between letters is a
// number of three and a sub-list. The first item and the end add a few.
std::size_t key_bound(std::size_t size) noexcept {
  return 4 * size + 8;
}

unsigned char* put_count(unsigned char* out, std::size_t n) noexcept {
  if (n < 0xFF) {
    *out++ = static_cast<unsigned char>(n);
    return out;
  }
  *out++ = 0xFF;
  for (int shift = 24; shift >= 0; shift -= 8) {
    *out++ = static_cast<unsigned char>(static_cast<std::uint32_t>(n) >> shift);
  }
  return out;
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  unsigned char* cursor = out;
  walker w = make_walker(text);
  for (;;) {
    const item it = next_item(w);
    *cursor++ = tag_of(it);
    if (it.sign == 0) return static_cast<std::size_t>(cursor - out);
    if (it.kind == SUBLIST) continue;
    if (it.kind == WORD) {
      *cursor++ = it.rank;
      if (it.rank != kOtherWord) continue;
      for (std::size_t k = 0; k < it.size; ++k)
        *cursor++ = static_cast<unsigned char>(lower(it.bytes[k]));
      *cursor++ = 0;
      continue;
    }
    cursor = put_count(cursor, it.size);
    if (it.size != 0) std::memcpy(cursor, it.bytes, it.size);
    cursor += it.size;
  }
}

// ---- the collation ----

// Nine in ten Maven versions are plain: dot-separated numbers of 1 to 9
// digits, perhaps followed by '.' or '-' and a release word (1.2.Final,
// 1.2-GA). Every such number is an int, a 0 that a non-zero number follows
// ranks above nothing more like any number, and trailing zeros and the
// release word are dropped, so two plain texts compare as their numbers
// part by part, a missing part being 0. Such texts skip the walk.
// The size of a plain text's numbers with their dots, or kNone.
std::size_t plain(std::string_view text) noexcept {
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (is_digit(c)) {
      if (++run > 9) return kNone;
      continue;
    }
    if (run == 0) return kNone;
    run = 0;
    if (c != '.' && c != '-') return kNone;
    // A release word to the end of the text, or more numbers after a dot.
    if (i + 1 < text.size() && !is_digit(text[i + 1])) {
      const std::size_t size = text.size() - i - 1;
      return word_rank(text.data() + i + 1, size, false) == kRelease ? i : kNone;
    }
    if (c == '-') return kNone;
  }
  return run != 0 ? text.size() : kNone;
}

// The next number of a plain text from text[i] on, its leading zeros
// skipped, and i moved past it and its dot; past the end, the empty number 0.
std::string_view next_number(std::string_view text, std::size_t& i) noexcept {
  while (i < text.size() && text[i] == '0') ++i;
  const std::size_t begin = i;
  while (i < text.size() && text[i] != '.') ++i;
  const std::string_view number(text.data() + begin, i - begin);
  if (i < text.size()) ++i;
  return number;
}

// A number of 1 to 9 digits at text[i], ended by anything but a digit, its
// leading zeros skipped; i moves past it. False for anything else.
bool short_number(std::string_view text, std::size_t& i, std::string_view& number) noexcept {
  const std::size_t begin = i;
  while (i < text.size() && is_digit(text[i])) ++i;
  if (i == begin || i - begin > 9) return false;
  std::size_t first = begin;
  while (first < i && text[first] == '0') ++first;
  number = {text.data() + first, i - first};
  return true;
}

int compare_short(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k] != b[k]) return a[k] < b[k] ? -1 : 1;
  }
  return 0;
}

// The sign of the rest of a text from `i` on, against nothing more, where
// the other text has ended: 0 where the rest equals nothing more, 1 or -1
// where it ranks above or below it, kUndecided where it is not read here.
// Zeros and release words take the sign of what follows them; the first
// other number ranks above, a qualifier by its rank, and a sub-list opened
// on the way takes the sign of its first item.
int rest_sign(std::string_view text, std::size_t i) noexcept {
  while (i < text.size()) {
    if (text[i] != '.' && text[i] != '-') return kUndecided;
    ++i;
    if (i < text.size() && is_digit(text[i])) {
      std::string_view number;
      if (!short_number(text, i, number)) return kUndecided;
      if (!number.empty()) return 1;
      continue;
    }
    const std::size_t begin = i;
    while (i < text.size() && !is_digit(text[i]) && text[i] != '.' && text[i] != '-') ++i;
    if (i == begin) return kUndecided;
    const bool before_a_digit = i < text.size() && is_digit(text[i]);
    const unsigned char rank = word_rank(text.data() + begin, i - begin, before_a_digit);
    if (rank != kRelease) return rank < kRelease ? -1 : 1;
    if (before_a_digit) return kUndecided;
  }
  return 0;
}

// Most comparisons in a sort are settled by the first number the texts
// differ in. Numbers of up to 9 digits are ints that rank above nothing
// more; a 0 among them ranks below a number that is not whatever follows
// either (its sign is that of what follows, and an equal 0 before it takes
// the same sign in both texts). So while both texts read as such numbers
// and the same separators and words, the first pair of numbers that
// differs decides, whatever comes after. kUndecided where the texts part in
// any other way.
//
// A release word (ga, final, release, in any case) that ends a text after a
// digit and a '.' or '-' equals nothing more, and is dropped from the end
// of its list with the sub-list it may open: "2.0.4.RELEASE" reads as
// "2.0.4", so the two decide here too (as equal, their bytes then).
std::string_view without_release_word(std::string_view text) noexcept {
  std::size_t i = text.size();
  while (i > 0 && text.size() - i < 8 &&
         static_cast<unsigned char>((text[i - 1] | 0x20) - 'a') < 26)
    --i;
  if (i < 2 || (text[i - 1] != '.' && text[i - 1] != '-') || !is_digit(text[i - 2]) ||
      word_rank(text.data() + i, text.size() - i, false) != kRelease) {
    return text;
  }
  return {text.data(), i - 1};
}

bool is_separator(char c) noexcept {
  return c == '.' || c == '-';
}

// Where a word that starts at `i` ends: at a digit, a separator or the end.
std::size_t word_end(std::string_view text, std::size_t i) noexcept {
  while (i < text.size() && !is_digit(text[i]) && !is_separator(text[i])) ++i;
  return i;
}

// What follows a word: 0 the end, 1 a digit, 2 a separator.
int follower(std::string_view text, std::size_t end) noexcept {
  return end == text.size() ? 0 : is_digit(text[end]) ? 1 : 2;
}

int compare_numbers_first(std::string_view lhs, std::string_view rhs) noexcept {
  lhs = without_release_word(lhs);
  rhs = without_release_word(rhs);
  std::size_t i = 0;
  std::size_t j = 0;
  for (;;) {
    if (i < lhs.size() && !is_digit(lhs[i]) && !is_separator(lhs[i])) {
      // The same word in both, before the same kind of byte, is the same
      // item in the same list: a digit or the end after it may open a
      // sub-list first, and a single a, b or m means more before a digit.
      const std::size_t a_end = word_end(lhs, i);
      const std::size_t b_end = word_end(rhs, j);
      // A release word is left out: it may be dropped from one text's list
      // and kept as a word, the lowest kind, in the other's.
      if (a_end - i != b_end - j || std::memcmp(lhs.data() + i, rhs.data() + j, a_end - i) != 0 ||
          follower(lhs, a_end) != follower(rhs, b_end) ||
          word_rank(lhs.data() + i, a_end - i, follower(lhs, a_end) == 1) == kRelease) {
        return kUndecided;
      }
      i = a_end;
      j = b_end;
    } else {
      std::string_view a;
      std::string_view b;
      if (!short_number(lhs, i, a) || !short_number(rhs, j, b)) return kUndecided;
      const int order = compare_short(a, b);
      if (order != 0) return order;
    }
    const bool lhs_more = i < lhs.size();
    const bool rhs_more = j < rhs.size();
    if (!lhs_more && !rhs_more) return 0;
    if (!lhs_more || !rhs_more) {
      // A version that goes on ranks against one that has ended as the
      // rest it goes on with.
      const int rest = lhs_more ? rest_sign(lhs, i) : rest_sign(rhs, j);
      if (rest == kUndecided) return kUndecided;
      return lhs_more ? rest : -rest;
    }
    // The same separator in both (a '-' opens a sub-list in each, where the
    // items go on comparing in the same way), or in both a change between
    // digits and other bytes.
    if (is_separator(lhs[i]) || is_separator(rhs[j])) {
      if (lhs[i] != rhs[j]) return kUndecided;
      ++i;
      ++j;
    }
  }
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
  // Dotted numbers of at most sixteen bytes: a missing number is 0 and a
  // shorter text sorts first among equal ones, so they order as numbered
  // texts. Other short texts that part in a number before anything else
  // decide there (see compare_numbers_first() below).
  masked_text a;
  masked_text b;
  if (mask_text(lhs, a) && mask_text(rhs, b)) {
    if (dotted(a, kAnyDots) && dotted(b, kAnyDots)) {
      return compare_numbered_texts(a.numbered, b.numbered);
    }
    if (((a.where('\0') & a.used) | (b.where('\0') & b.used)) == 0) {
      const int order = compare_first_numbers(a, b);
      if (order != kUndecided) return order;
    }
  }
  // Identical texts (one with a NUL is rejected either way and ends up
  // equal by bytes below).
  if (lhs.size() == rhs.size() && shared_length(lhs.data(), rhs.data(), lhs.size()) == lhs.size())
    return 0;
  const bool lhs_valid = valid(lhs);
  if (lhs_valid != valid(rhs)) return lhs_valid ? 1 : -1;
  int order = 0;
  if (lhs_valid) {
    order = compare_numbers_first(lhs, rhs);
    if (order == kUndecided) order = compare(lhs, rhs);
  }
  if (order != 0) return order < 0 ? -1 : 1;
  return byte_order(lhs, rhs);
}

// The key of a plain text: its numbers up to the last that is not 0, each
// an int above nothing more.
std::size_t plain_key(std::string_view text, unsigned char* out) noexcept {
  unsigned char* cursor = out;
  unsigned char* last = out;  // just past the last number that is not 0
  for (std::size_t i = 0; i < text.size();) {
    const std::string_view number = next_number(text, i);
    *cursor++ = kAbove | INT;
    *cursor++ = static_cast<unsigned char>(number.size());
    // At most 9 digits: a loop beats a call to memcpy.
    for (const char digit : number) *cursor++ = static_cast<unsigned char>(digit);
    if (!number.empty()) last = cursor;
  }
  *last++ = kEnd;
  return static_cast<std::size_t>(last - out);
}

std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
  if (const std::size_t numbers = plain(text); numbers != kNone)
    return plain_key({text.data(), numbers}, out);
  return valid(text) ? key(text, out) : kNoKey;
}

// The first item's place: above nothing more, a word other than a
// qualifier (sp, then any other word), and above those a number other than
// 0, by its value. A 0 takes its sign from what follows: a number past
// dots and zeros makes it the lowest number, anything else may put it
// anywhere below that. Other texts are not read.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  constexpr std::uint64_t kWords = std::uint64_t{1} << 62;
  constexpr std::uint64_t kNumbers = std::uint64_t{2} << 62;
  if (lead_digit(p, end)) {
    const char* digits = p;
    const std::uint64_t number = lead_number(p, end);
    if (number != 0) {
      lead_packer out(against);
      out.put(2, 2);
      out.clamped(number, 62);
      return out.done();
    }
    // Ten zeros or more make a long, which ranks above every int.
    if (p - digits > 9) return kUnknownLead;
    // Zeros and dots up to a number that is not 0 give the 0 that number's
    // sign, above nothing more.
    while (p != end && *p == '.' && lead_digit(p + 1, end)) {
      ++p;
      if (lead_number(p, end) != 0) return {kNumbers, kNumbers};
    }
    return {0, kNumbers};
  }
  const char* word = p;
  while (p != end && !lead_digit(p, end) && *p != '.' && *p != '-') ++p;
  if (p == word) return kUnknownLead;
  const unsigned char rank =
      word_rank(word, static_cast<std::size_t>(p - word), lead_digit(p, end));
  if (rank <= kRelease) return kUnknownLead;
  return {kWords | rank, kWords | rank};
}

}  // namespace

const version_scheme MAVEN_SCHEME = {valid,   compare,   key_bound, key,
                                     collate, valid_key, nullptr,   lead};

}  // namespace korvel
