// Alpine's apk version order (apk-tools 3):
//   number{.number}[letter]{_suffix[number]}[~hash][-rnumber]
// The first number and every ".number" are digits; the letter is one of
// a-z; a suffix is one of alpha, beta, pre, rc (before the release itself),
// cvs, svn, git, hg, p (after it); a hash is lower-case hex digits; every
// part but the first number is optional, and nothing else is a version.
//
// Two versions are read token by token. Where their tokens differ in kind,
// the kinds rank (lowest first): alpha < beta < pre < rc < the end < -r <
// ~hash < a suffix's number < cvs < svn < git < hg < p < a letter < a
// ".number". Tokens of one kind compare by value: numbers as numbers, a
// letter by its byte, a hash by its bytes. A ".number" with a leading zero
// compares by its digits' bytes against any other ".number" (apk-tools
// reads "1.05" as a decimal fraction), so "1.0" < "1.00" < "1.01" < "1.1";
// the first number, a suffix's and a release's are plain numbers, leading
// zeros dropped. apk-tools keeps numbers in 64 bits; here they have any
// length, so numbers past 2^64 - 1 keep their order instead of wrapping.
//
// Sort key, byte by byte: the first number, then for every token after it
// its rank byte and its value, then 0x05 for the end.
//   0x01..0x04          _alpha _beta _pre _rc
//   0x05                the end
//   0x06 number         -r
//   0x07 hex 0x00       ~hash
//   0x08 number         a suffix's number
//   0x09..0x0d          _cvs _svn _git _hg _p
//   0x0e letter         a letter
//   0x0f digits 0x00    a ".number" with a leading zero, its digits as ASCII
//   0x10 number         any other ".number"
// A number: its count n of significant digits, one byte when n < 255, else
// 0xff and n as 8 bytes big-endian; then the digits two to a byte, high
// nibble first, the last low nibble 0 when n is odd. Zero is n = 0.
#include "version/schemes/apk.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/chunks.h"
#include "version/schemes/dotted_numbers.h"

namespace korvel {

namespace {

// Token kinds in the order apk-tools lets them follow each other.
enum kind : unsigned char {
  FIRST_NUMBER,
  NUMBER,  // ".number"
  LETTER,
  SUFFIX,
  SUFFIX_NUMBER,
  HASH,
  RELEASE,
  END,
  INVALID
};

// The rank bytes of the key (see the top of the file).
enum rank : unsigned char {
  RANK_END = 0x05,
  RANK_RELEASE = 0x06,
  RANK_HASH = 0x07,
  RANK_SUFFIX_NUMBER = 0x08,
  RANK_LETTER = 0x0e,
  RANK_ZERO_LED = 0x0f,
  RANK_NUMBER = 0x10
};

struct suffix_name {
  const char* text;
  std::size_t size;
  unsigned char rank;
};

constexpr suffix_name kSuffixes[] = {{"alpha", 5, 0x01}, {"beta", 4, 0x02}, {"pre", 3, 0x03},
                                     {"rc", 2, 0x04},    {"cvs", 3, 0x09},  {"svn", 3, 0x0a},
                                     {"git", 3, 0x0b},   {"hg", 2, 0x0c},   {"p", 1, 0x0d}};

bool is_digit(char c) noexcept {
  return static_cast<unsigned char>(c - '0') < 10;
}

bool is_lower(char c) noexcept {
  return static_cast<unsigned char>(c - 'a') < 26;
}

bool is_hex(char c) noexcept {
  return is_digit(c) || static_cast<unsigned char>(c - 'a') < 6;
}

// A suffix's rank byte, 0 for a word that names none.
unsigned char suffix_rank(const char* name, std::size_t size) noexcept {
  for (const suffix_name& s : kSuffixes) {
    if (s.size == size && std::memcmp(s.text, name, size) == 0) return s.rank;
  }
  return 0;
}

struct token {
  kind k = INVALID;
  unsigned char rank = 0;
  const char* begin = nullptr;  // the value's bytes: digits, the letter, the hash
  std::size_t size = 0;
};

// Reads one text's tokens in turn; a token that may not follow the one
// before, or bytes that form none, read as INVALID.
struct reader {
  const char* p;
  const char* end;
  kind last = FIRST_NUMBER;

  template <typename Accept>
  std::size_t span(Accept accept) const noexcept {
    const char* q = p;
    while (q != end && accept(*q)) ++q;
    return static_cast<std::size_t>(q - p);
  }

  token digits(kind k, unsigned char r) noexcept {
    token t{k, r, p, span(is_digit)};
    p += t.size;
    if (t.size == 0) t.k = INVALID;
    return t;
  }

  token first() noexcept {
    last = FIRST_NUMBER;
    const token t = digits(FIRST_NUMBER, 0);
    last = t.k;
    return t;
  }

  token next() noexcept {
    const token t = read();
    last = t.k;
    return t;
  }

  token read() noexcept {
    if (p == end) return {END, RANK_END};
    const char c = *p;
    if (is_lower(c)) {
      if (last > NUMBER) return {};
      return {LETTER, RANK_LETTER, p++, 1};
    }
    if (c == '.') {
      if (last > NUMBER) return {};
      ++p;
      token t = digits(NUMBER, RANK_NUMBER);
      if (t.k == NUMBER && *t.begin == '0') t.rank = RANK_ZERO_LED;
      return t;
    }
    if (is_digit(c)) {
      // Only a suffix's number can start here: every other run of digits
      // was read whole with the token it belongs to.
      if (last != SUFFIX) return {};
      return digits(SUFFIX_NUMBER, RANK_SUFFIX_NUMBER);
    }
    if (c == '_') {
      if (last > SUFFIX_NUMBER) return {};
      ++p;
      const std::size_t size = span(is_lower);
      const unsigned char rank = suffix_rank(p, size);
      if (rank == 0) return {};
      p += size;
      return {SUFFIX, rank};
    }
    if (c == '~') {
      if (last >= HASH) return {};
      ++p;
      token t{HASH, RANK_HASH, p, span(is_hex)};
      p += t.size;
      if (t.size == 0) t.k = INVALID;
      return t;
    }
    if (c == '-') {
      if (last >= RELEASE || end - p < 2 || p[1] != 'r') return {};
      p += 2;
      return digits(RELEASE, RANK_RELEASE);
    }
    return {};
  }
};

reader reader_of(std::string_view text) noexcept {
  return {text.data(), text.data() + text.size()};
}

bool valid(std::string_view text) noexcept {
  reader r = reader_of(text);
  for (token t = r.first();; t = r.next()) {
    if (t.k == END) return true;
    if (t.k == INVALID) return false;
  }
}

// A number's significant digits.
void strip_zeros(const char*& begin, std::size_t& size) noexcept {
  while (size != 0 && *begin == '0') {
    ++begin;
    --size;
  }
}

int compare_numbers(const char* a, std::size_t a_size, const char* b, std::size_t b_size) noexcept {
  strip_zeros(a, a_size);
  strip_zeros(b, b_size);
  if (a_size != b_size) return a_size < b_size ? -1 : 1;
  return a_size == 0 ? 0 : std::memcmp(a, b, a_size);
}

// Two tokens of the same rank.
int compare_values(const token& a, const token& b) noexcept {
  switch (a.rank) {
    case RANK_LETTER:
      return static_cast<unsigned char>(*a.begin) - static_cast<unsigned char>(*b.begin);
    case RANK_HASH:
    case RANK_ZERO_LED:
      return byte_order({a.begin, a.size}, {b.begin, b.size});
    case RANK_RELEASE:
    case RANK_SUFFIX_NUMBER:
    case RANK_NUMBER:
      return compare_numbers(a.begin, a.size, b.begin, b.size);
    default:
      return 0;  // a suffix or the end: its rank is all of it
  }
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  reader a = reader_of(lhs);
  reader b = reader_of(rhs);
  token ta = a.first();
  token tb = b.first();
  int order = compare_numbers(ta.begin, ta.size, tb.begin, tb.size);
  while (order == 0) {
    ta = a.next();
    tb = b.next();
    if (ta.rank != tb.rank) return ta.rank < tb.rank ? -1 : 1;
    if (ta.k == END) return 0;
    order = compare_values(ta, tb);
  }
  return order;
}

// ---- collation ----

// Whether the rest of a text is valid, `last` its token just read.
bool valid_from(reader& r, token last) noexcept {
  while (last.k != END && last.k != INVALID) last = r.next();
  return last.k == END;
}

// The most common shape, "1.2.3" or "1.2.3-r4" in at most sixteen bytes,
// checked from bit masks: numbers, ".number", "-r" and the end, which rank
// as their first bytes do (the end < '-' < '.'). The first number and the
// release's have no leading zero.
bool read_plain(std::string_view text, masked_text& t) noexcept {
  if (!mask_text(text, t)) return false;
  const unsigned release = t.dashes << 1;  // the 'r' of "-r"
  const unsigned starts = t.digits & ~(t.digits << 1);
  if ((t.digits | t.dots | t.dashes | release) != t.used || !at_most_bits(t.dashes, 1) ||
      (t.digits & 1) == 0 || ((t.dots | release) << 1 & ~t.digits) != 0 ||
      (starts & ~(t.dots << 1) & t.zeros & t.digits >> 1) != 0) {
    return false;
  }
  return t.dashes == 0 || (text[static_cast<std::size_t>(std::countr_zero(t.dashes)) + 1] == 'r' &&
                           t.dots < t.dashes);
}

// Two plain texts: as numbered texts, but where they first differ in a
// ".number" led by a zero in either, which compares by its digits' bytes
// and below every other ".number": there two digits compare as bytes.
int compare_plain(const masked_text& a, const masked_text& b) noexcept {
  const unsigned at = first_difference(a.numbered.bytes, b.numbered.bytes);
  if (at == 16) return 0;
  const unsigned before = (1u << at) - 1;
  const unsigned start = number_start(a.numbered.ends & before);
  const bool dotted = start != 0 && (a.dots >> (start - 1) & 1) != 0;
  const bool digits = (a.digits & b.digits) >> at & 1;
  if (dotted && digits && ((a.zeros | b.zeros) >> start & 1) != 0) {
    return byte_at(a.numbered.bytes, at) < byte_at(b.numbered.bytes, at) ? -1 : 1;
  }
  return compare_numbered_at(a.numbered, b.numbered, at);
}

#if defined(__SSE2__)

// A text of 1 to 32 bytes in two registers and its bytes' classes, bit i
// for byte i: the shapes with suffixes, a hash or over sixteen bytes,
// checked and ordered from the masks as the plain shape is.
struct apk_text {
  std::string_view text;
  chunk_pair bytes;
  std::uint64_t used;
  std::uint64_t digits;
  std::uint64_t lower;
  std::uint64_t dots;
  std::uint64_t unders;
  std::uint64_t tildes;
  std::uint64_t dashes;

  [[nodiscard]] unsigned char at(unsigned i) const noexcept {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  }
  // Whether the number starting at byte `i` has a leading zero.
  [[nodiscard]] bool led_by_zero(unsigned i) const noexcept {
    return at(i) == '0' && (digits >> (i + 1) & 1) != 0;
  }
  // The rank of the suffix whose name starts at byte `i`.
  [[nodiscard]] unsigned char suffix_at(unsigned i) const noexcept {
    return suffix_rank(text.data() + i, static_cast<std::size_t>(std::countr_zero(~lower >> i)));
  }
};

void read_masks(std::string_view text, apk_text& t) noexcept {
  t.text = text;
  t.bytes = read_chunks(text.data(), text.size());
  const auto both = [&t](auto bits) { return joined(bits(t.bytes.low), bits(t.bytes.high)); };
  t.used = (std::uint64_t{1} << text.size()) - 1;
  t.digits = both([](__m128i r) { return bytes_in(r, '0', 10); });
  t.lower = both([](__m128i r) { return bytes_in(r, 'a', 26); });
  t.dots = both([](__m128i r) { return bytes_equal(r, '.'); });
  t.unders = both([](__m128i r) { return bytes_equal(r, '_'); });
  t.tildes = both([](__m128i r) { return bytes_equal(r, '~'); });
  t.dashes = both([](__m128i r) { return bytes_equal(r, '-'); });
}

// valid() from the masks: the release, then the hash, then the suffixes and
// the head before them, each cut off the end in turn.
bool valid_masks(const apk_text& t) noexcept {
  if ((t.digits | t.lower | t.dots | t.unders | t.tildes | t.dashes) != t.used ||
      (t.digits & 1) == 0) {
    return false;
  }
  std::uint64_t body = t.used;
  if (t.dashes != 0) {
    const unsigned dash = static_cast<unsigned>(std::countr_zero(t.dashes));
    const std::uint64_t release = t.used & ~((std::uint64_t{4} << dash) - 1);
    if (release == 0 || (release & ~t.digits) != 0 || t.at(dash + 1) != 'r') return false;
    body = (std::uint64_t{1} << dash) - 1;
  }
  if ((t.tildes & body) != 0) {
    const unsigned tilde = static_cast<unsigned>(std::countr_zero(t.tildes));
    const std::uint64_t hash = body & ~((std::uint64_t{2} << tilde) - 1);
    const std::uint64_t hex =
        t.digits | joined(bytes_in(t.bytes.low, 'a', 6), bytes_in(t.bytes.high, 'a', 6));
    if (hash == 0 || (hash & ~hex) != 0) return false;
    body = (std::uint64_t{1} << tilde) - 1;
  }
  // What is left holds no '-' or '~'. The head: digits, each dot followed by
  // one, perhaps a letter last after a digit.
  const std::uint64_t head =
      t.unders == 0 ? body : (std::uint64_t{1} << std::countr_zero(t.unders)) - 1;
  const std::uint64_t letter = t.lower & head;
  if ((t.dots & ~head) != 0 || (t.dots << 1 & ~t.digits) != 0 ||
      (letter != 0 && letter != (head + 1) >> 1)) {
    return false;
  }
  // The suffixes: each '_' followed by letters, then perhaps digits.
  const std::uint64_t suffixes = body & ~head;
  if ((t.unders << 1 & ~t.lower) != 0 || (t.lower & suffixes & ~((t.unders | t.lower) << 1)) != 0 ||
      (t.digits & suffixes & ~((t.lower | t.digits) << 1)) != 0) {
    return false;
  }
  for (std::uint64_t u = t.unders; u != 0; u &= u - 1) {
    if (t.suffix_at(static_cast<unsigned>(std::countr_zero(u)) + 1) == 0) return false;
  }
  return true;
}

// Two numbers that first differ in byte `at`, neither led by a zero: the
// longer digit run from there, else the larger byte.
int numbers_at(const apk_text& a, const apk_text& b, unsigned at) noexcept {
  const int a_run = std::countr_zero(~a.digits >> at);
  const int b_run = std::countr_zero(~b.digits >> at);
  if (a_run != b_run) return a_run < b_run ? -1 : 1;
  return a.at(at) < b.at(at) ? -1 : 1;
}

// The rank of the token that starts at byte `at` after whole tokens.
unsigned char rank_at(const apk_text& t, unsigned at) noexcept {
  const unsigned char c = t.at(at);
  switch (c) {
    case 0:
      return RANK_END;  // past the text: a valid one holds no NUL
    case '-':
      return RANK_RELEASE;
    case '~':
      return RANK_HASH;
    case '.':
      return t.at(at + 1) == '0' ? RANK_ZERO_LED : RANK_NUMBER;
    case '_':
      return t.suffix_at(at + 1);
    default:
      // A digit here starts a suffix's number: any other was read with its number.
      return is_digit(static_cast<char>(c)) ? RANK_SUFFIX_NUMBER : RANK_LETTER;
  }
}

// Two valid texts from the first byte they differ in: the tokens before the
// one holding it are the same in both. kUndecided where a number holding
// it has a leading zero in either (equal values may be written apart).
int compare_masks(const apk_text& a, const apk_text& b) noexcept {
  const std::uint64_t differ = differing(a.bytes, b.bytes);
  if (differ == 0) return 0;
  const unsigned at = static_cast<unsigned>(std::countr_zero(differ));
  const std::uint64_t before = (std::uint64_t{1} << at) - 1;
  const std::uint64_t separators = (a.dots | a.unders | a.tildes | a.dashes) & before;
  // Just past the last separator before `at`, where its token's value starts.
  const unsigned start =
      separators == 0 ? 0 : 64 - static_cast<unsigned>(std::countl_zero(separators));
  const unsigned char separator = start == 0 ? 0 : a.at(start - 1);
  // A hash compares by bytes, and what may follow it (the end, "-r") below
  // any of them.
  if (separator == '~') return a.at(at) < b.at(at) ? -1 : 1;
  const std::uint64_t letters = a.lower & before & ~((std::uint64_t{1} << start) - 1);
  const bool a_digit = (a.digits >> at & 1) != 0;
  const bool b_digit = (b.digits >> at & 1) != 0;
  unsigned number = start;  // where the number holding `at` starts
  bool in_number = letters == 0;
  if (separator == '_') {
    // Still in the suffix's name: the names differ where either has a letter.
    if ((letters >> start) + 1 == std::uint64_t{1} << (at - start)) {
      if (((a.lower | b.lower) >> at & 1) != 0) {
        const unsigned char a_rank = a.suffix_at(start);
        const unsigned char b_rank = b.suffix_at(start);
        return a_rank == b_rank ? kUndecided : (a_rank < b_rank ? -1 : 1);
      }
      in_number = false;
    } else {
      number = 64 - static_cast<unsigned>(std::countl_zero(letters));
      in_number = true;
    }
  } else if (separator == '-') {
    number = start + 1;  // past the 'r'
    in_number = true;
  }
  if (in_number && (a_digit || b_digit)) {
    if (separator == '.' && (a.at(number) == '0' || b.at(number) == '0')) {
      // A ".number" led by a zero: below any other, else by its digits' bytes.
      if (at == number) return a.at(at) == '0' ? -1 : 1;
      if (a_digit != b_digit) return a_digit ? 1 : -1;
      return a.at(at) < b.at(at) ? -1 : 1;
    }
    if (separator != '.' && (a.led_by_zero(number) || b.led_by_zero(number))) return kUndecided;
    return numbers_at(a, b, at);
  }
  // Whole tokens before `at` in both: the kinds of those starting there.
  const unsigned char a_rank = rank_at(a, at);
  const unsigned char b_rank = rank_at(b, at);
  if (a_rank != b_rank) return a_rank < b_rank ? -1 : 1;
  if (a_rank == RANK_LETTER) return a.at(at) < b.at(at) ? -1 : 1;
  if (a_rank == RANK_SUFFIX_NUMBER && !a.led_by_zero(at) && !b.led_by_zero(at)) {
    return numbers_at(a, b, at);
  }
  return kUndecided;
}

// The suffixed shapes of up to 32 bytes, valid both: from the masks.
// `lhs_plain`: lhs was read plain, so it is valid.
int collate_masks(std::string_view lhs, std::string_view rhs, bool lhs_plain) noexcept {
  if (lhs.empty() || rhs.empty() || lhs.size() > kShortText || rhs.size() > kShortText) {
    return kUndecided;
  }
  apk_text a;
  apk_text b;
  read_masks(lhs, a);
  read_masks(rhs, b);
  if (!(lhs_plain || valid_masks(a)) || !valid_masks(b)) return kUndecided;
  return compare_masks(a, b);
}

#else

int collate_masks(std::string_view, std::string_view, bool) noexcept {
  return kUndecided;
}

#endif

// Texts that are not both plain: identical ones, then those the masks
// decide; the rest by valid() and compare() in one walk of each text, both
// read together until their order is known, then each on to its end only
// to check it.
[[gnu::noinline]] int collate_walk(std::string_view lhs, std::string_view rhs,
                                   bool lhs_plain) noexcept {
  if (lhs.size() == rhs.size() &&
      (lhs.empty() || std::memcmp(lhs.data(), rhs.data(), lhs.size()) == 0))
    return 0;
  if (const int order = collate_masks(lhs, rhs, lhs_plain); order != kUndecided) return order;
  reader a = reader_of(lhs);
  reader b = reader_of(rhs);
  token ta = a.first();
  token tb = b.first();
  int order = 0;
  if (ta.k != INVALID && tb.k != INVALID) {
    order = compare_numbers(ta.begin, ta.size, tb.begin, tb.size);
    // Tokens that end before the first byte the texts differ in are the
    // same in both (the byte that ends each is shared too): read once.
    const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
    const char* const shared = lhs.data() + shared_length(lhs.data(), rhs.data(), common);
    if (order == 0 && a.p < shared) {
      for (;;) {
        const char* const from = a.p;
        const kind before = a.last;
        const token t = a.next();
        if (t.k == INVALID || a.p >= shared) {
          // The token that reaches the difference is read again in both.
          a.p = from;
          a.last = before;
          break;
        }
      }
      b.p = rhs.data() + (a.p - lhs.data());
      b.last = a.last;
    }
    while (order == 0) {
      ta = a.next();
      tb = b.next();
      if (ta.k == INVALID || tb.k == INVALID) break;
      if (ta.rank != tb.rank) {
        order = ta.rank < tb.rank ? -1 : 1;
        break;
      }
      if (ta.k == END) break;
      order = compare_values(ta, tb);
    }
  }
  const bool lhs_valid = valid_from(a, ta);
  if (lhs_valid != valid_from(b, tb)) return lhs_valid ? 1 : -1;
  if (lhs_valid && order != 0) return order < 0 ? -1 : 1;
  return byte_order(lhs, rhs);
}

// The plain shape apart: the rest's frame would cost the commonest pairs.
int collate(std::string_view lhs, std::string_view rhs) noexcept {
  masked_text a_plain;
  masked_text b_plain;
  const bool lhs_plain = read_plain(lhs, a_plain);
  if (lhs_plain && read_plain(rhs, b_plain)) return compare_plain(a_plain, b_plain);
  return collate_walk(lhs, rhs, lhs_plain);
}

// Each text byte adds at most two key bytes (a one-letter token and its
// rank; "_p" and ".1" add one and two), a number's long count adds 8, and the
// end one; saturated, so that a 32-bit host asks for an impossible block
// instead of a short one.
std::size_t key_bound(std::size_t size) noexcept {
  constexpr std::size_t most = static_cast<std::size_t>(-1);
  constexpr std::size_t fixed = 16;
  return size > (most - fixed) / 2 ? most : 2 * size + fixed;
}

unsigned char* put_number(const char* digits, std::size_t size, unsigned char* out) noexcept {
  strip_zeros(digits, size);
  if (size < 0xff) {
    *out++ = static_cast<unsigned char>(size);
  } else {
    *out++ = 0xff;
    for (int shift = 56; shift >= 0; shift -= 8) {
      *out++ = static_cast<unsigned char>(static_cast<std::uint64_t>(size) >> shift);
    }
  }
  for (; size >= 2; size -= 2, digits += 2) {
    *out++ = static_cast<unsigned char>(((digits[0] - '0') << 4) | (digits[1] - '0'));
  }
  if (size != 0) *out++ = static_cast<unsigned char>((digits[0] - '0') << 4);
  return out;
}

unsigned char* put_bytes(const token& t, unsigned char* out) noexcept {
  std::memcpy(out, t.begin, t.size);
  out[t.size] = 0x00;
  return out + t.size + 1;
}

// The key of a text valid() accepts, kNoKey for one it rejects.
std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
  reader r = reader_of(text);
  token t = r.first();
  if (t.k == INVALID) return kNoKey;
  unsigned char* at = put_number(t.begin, t.size, out);
  for (;;) {
    t = r.next();
    if (t.k == INVALID) return kNoKey;
    *at++ = t.rank;
    switch (t.rank) {
      case RANK_END:
        return static_cast<std::size_t>(at - out);
      case RANK_LETTER:
        *at++ = static_cast<unsigned char>(*t.begin);
        break;
      case RANK_HASH:
      case RANK_ZERO_LED:
        at = put_bytes(t, at);
        break;
      case RANK_RELEASE:
      case RANK_SUFFIX_NUMBER:
      case RANK_NUMBER:
        at = put_number(t.begin, t.size, at);
        break;
      default:
        break;  // a suffix
    }
  }
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  return valid_key(text, out);
}

// The first number and the rank of the token after it.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  if (!lead_digit(p, end)) return kUnknownLead;
  lead_packer out(against);
  out.clamped(lead_number(p, end), 60);
  if (out.apart()) return out.rest_unknown();
  // _alpha _beta _pre _rc, the end, -r, ~hash, (a suffix's number), _cvs
  // _svn _git _hg _p, a letter, a ".number".
  unsigned rank = 0;
  if (p == end) {
    rank = 4;
  } else if (*p == '-') {
    rank = 5;
  } else if (*p == '~') {
    rank = 6;
  } else if (*p >= 'a' && *p <= 'z') {
    rank = 13;
  } else if (*p == '.') {
    rank = 14;
  } else if (*p == '_') {
    const char* word = ++p;
    while (p != end && *p >= 'a' && *p <= 'z') ++p;
    const std::string_view suffix(word, static_cast<std::size_t>(p - word));
    constexpr std::string_view kSuffixes[] = {"alpha", "beta", "pre", "rc",  "",   "", "",
                                              "",      "cvs",  "svn", "git", "hg", "p"};
    rank = 15;
    for (unsigned i = 0; i < 13; ++i) {
      if (!kSuffixes[i].empty() && kSuffixes[i] == suffix) rank = i;
    }
    if (rank == 15) return out.rest_unknown();
  } else {
    return out.rest_unknown();
  }
  out.put(rank, 4);
  return out.done();
}

}  // namespace

const version_scheme APK_SCHEME = {valid,   compare,   key_bound, key,
                                   collate, valid_key, nullptr,   lead};

}  // namespace korvel
