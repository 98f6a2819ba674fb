// pacman's version order: [epoch:]version[-release]. The epoch is the
// leading digits when a ':' follows them (0 when there are none), the
// release what follows the last '-'. Every non-empty text without a NUL is
// a version.
//
// Each part is read as items: a run of ASCII letters or of digits, each
// after the run of other bytes (separators) before it, and the part's end.
// Where two parts' items differ, pacman's comparison (vercmp) decides by:
// the longer run of separators before them; a number after a letter run;
// numbers by value, letter runs by bytes. At the end of one part a letter
// run of the other orders first, a number after; a part that ends in
// separators orders after one that ends without.
//
// vercmp itself is not an order in two places, and there this order is
// its own (version_compare_alpm still gives vercmp's answer):
//  - a missing release: vercmp finds 1.0 equal to both 1.0-1 and 1.0-2;
//    here a missing release orders before any release.
//  - a part that ends in separators against a letter run after separators:
//    vercmp has 1. < 1.0 < 1..a < 1., a cycle; here the end with separators
//    orders right after the plain end, before every run after a separator,
//    so 1. < 1..a. Every pair vercmp orders the other way lies on such a
//    cycle; all other pairs agree with vercmp.
// Items therefore rank (lowest first): a letter run straight after the run
// before; the end; the end after separators; a number straight after the
// run before; then for n = 1, 2, ... separators, a letter run, then a
// number.
//
// Sort key, byte by byte: the epoch as a number, the version's items, then
// 0x00 when there is no release, or 0x01 and the release's items. An item
// is its rank r, one byte when r < 255, else 0xff and r as 8 bytes
// big-endian, then its value:
//   r = 1                 letter run, no separator: its bytes, then 0x00
//   r = 2                 the end
//   r = 3                 the end after separators
//   r = 4                 number, no separator
//   r = 2n + 3, 2n + 4    letter run, number after n >= 1 separators
// A number: its count n of significant digits (one byte when n < 255, else
// 0xff and n as 8 bytes big-endian), then the digits two to a byte, high
// nibble first, the last low nibble 0 when n is odd. A letter run's bytes
// are all above 0x00, so a run that is a prefix of another sorts first.
#include "version/schemes/alpm.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "common/bytes.h"
#include "version/chunks.h"
#include "version/schemes/dotted_numbers.h"
#include "version/words.h"

namespace korvel {

namespace {

// What vercmp's ctype calls see in the C locale: ASCII letters and digits;
// every other byte separates.
enum byte_class : unsigned char { SEPARATOR, LETTER, DIGIT };

constexpr std::array<byte_class, 256> make_classes() noexcept {
  std::array<byte_class, 256> classes{};
  for (int c = '0'; c <= '9'; ++c) classes[static_cast<std::size_t>(c)] = DIGIT;
  for (int c = 'a'; c <= 'z'; ++c) classes[static_cast<std::size_t>(c)] = LETTER;
  for (int c = 'A'; c <= 'Z'; ++c) classes[static_cast<std::size_t>(c)] = LETTER;
  return classes;
}

constexpr std::array<byte_class, 256> kClasses = make_classes();

byte_class class_of(char c) noexcept {
  return kClasses[static_cast<unsigned char>(c)];
}

bool is_digit(char c) noexcept {
  return class_of(c) == DIGIT;
}

bool is_alnum(char c) noexcept {
  return class_of(c) != SEPARATOR;
}

constexpr std::uint64_t kLetters = 1;
constexpr std::uint64_t kEnd = 2;
constexpr std::uint64_t kEndAfterSeparators = 3;
constexpr std::uint64_t kNumber = 4;

struct item {
  std::uint64_t rank;
  const char* begin;  // the run's bytes
  std::size_t size;
};

// The items of one part, [p, end).
struct walk {
  const char* p;
  const char* end;

  item next() noexcept {
    const char* separators = p;
    while (p != end && class_of(*p) == SEPARATOR) ++p;
    const auto gap = static_cast<std::uint64_t>(p - separators);
    if (p == end) return {gap == 0 ? kEnd : kEndAfterSeparators, p, 0};
    const byte_class run_class = class_of(*p);
    const bool digits = run_class == DIGIT;
    const char* run = p;
    while (p != end && class_of(*p) == run_class) ++p;
    const std::uint64_t rank =
        gap == 0 ? (digits ? kNumber : kLetters) : 2 * gap + 3 + (digits ? 1 : 0);
    return {rank, run, static_cast<std::size_t>(p - run)};
  }
};

struct parts {
  const char* epoch;  // its digits, none for 0
  std::size_t epoch_size;
  walk version;
  walk release;  // p == nullptr: none
};

// The last '-' of [begin, end), looked for a word at a time from the end.
const char* last_dash(const char* begin, const char* end) noexcept {
  auto left = static_cast<std::size_t>(end - begin);
  for (; left >= kWordBytes; left -= kWordBytes) {
    const word dashes = bytes_equal(load_word(begin + left - kWordBytes), '-');
    if (dashes != 0) return begin + left - kWordBytes + last_flagged(dashes);
  }
  if (left == 0) return nullptr;
  const word dashes = bytes_equal(short_word(begin, left, 0), '-');
  return dashes != 0 ? begin + last_flagged(dashes) : nullptr;
}

parts split(std::string_view text) noexcept {
  const char* begin = text.data();
  const char* end = begin + text.size();
  const char* digits_end = begin;
  while (digits_end != end && is_digit(*digits_end)) ++digits_end;
  parts out{begin, 0, {begin, end}, {nullptr, nullptr}};
  if (digits_end != end && *digits_end == ':') {
    out.epoch_size = static_cast<std::size_t>(digits_end - begin);
    out.version.p = digits_end + 1;
  }
  const char* dash = last_dash(out.version.p, end);
  if (dash != nullptr) {
    out.version.end = dash;
    out.release = {dash + 1, end};
  }
  return out;
}

bool valid(std::string_view text) noexcept {
  return !text.empty() && std::memchr(text.data(), '\0', text.size()) == nullptr;
}

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

int compare_letters(const item& a, const item& b) noexcept {
  const std::size_t common = a.size < b.size ? a.size : b.size;
  const int order = std::memcmp(a.begin, b.begin, common);
  if (order != 0) return order;
  return (a.size > b.size) - (a.size < b.size);
}

// The items of two parts, this order's way.
int compare_parts(walk a, walk b) noexcept {
  for (;;) {
    const item x = a.next();
    const item y = b.next();
    if (x.rank != y.rank) return x.rank < y.rank ? -1 : 1;
    if (x.rank == kEnd || x.rank == kEndAfterSeparators) return 0;
    const bool number = x.rank == kNumber || (x.rank > kNumber && x.rank % 2 == 0);
    const int order =
        number ? compare_numbers(x.begin, x.size, y.begin, y.size) : compare_letters(x, y);
    if (order != 0) return order;
  }
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  const parts a = split(lhs);
  const parts b = split(rhs);
  int order = compare_numbers(a.epoch, a.epoch_size, b.epoch, b.epoch_size);
  if (order == 0) order = compare_parts(a.version, b.version);
  if (order != 0) return order;
  const bool a_release = a.release.p != nullptr;
  const bool b_release = b.release.p != nullptr;
  if (!a_release || !b_release) return a_release - b_release;
  return compare_parts(a.release, b.release);
}

// ---- collation ----

// Where both walks can start over in a part that begins at `begin` in both
// texts and whose bytes are the same up to `limit` (before either part's
// end): the end of the last run that ends before `limit`, whose items are
// then the same in both.
const char* restart(const char* begin, const char* limit) noexcept {
  for (const char* q = limit - 1; q > begin; --q) {
    const bool run_ends = is_alnum(q[-1]) && (!is_alnum(*q) || is_digit(q[-1]) != is_digit(*q));
    if (run_ends) return q;
  }
  return begin;
}

// collate() of the pairs collate_short() leaves undecided, and of longer
// texts: both texts split and walked from the run before their first
// difference. Apart, so that the short path does not carry its frame.
[[gnu::noinline]] int collate_long(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  // The shared bytes hold no NUL: only the rest of each is checked.
  const bool lhs_valid =
      !lhs.empty() && std::memchr(lhs.data() + shared, '\0', lhs.size() - shared) == nullptr;
  const bool rhs_valid =
      !rhs.empty() && std::memchr(rhs.data() + shared, '\0', rhs.size() - shared) == nullptr;
  if (lhs_valid != rhs_valid) return lhs_valid ? 1 : -1;
  if (!lhs_valid) return byte_order(lhs, rhs);
  parts a = split(lhs);
  parts b = split(rhs);
  int order = compare_numbers(a.epoch, a.epoch_size, b.epoch, b.epoch_size);
  if (order == 0) {
    const auto offset = static_cast<std::size_t>(a.version.p - lhs.data());
    const auto limit = std::min({shared, static_cast<std::size_t>(a.version.end - lhs.data()),
                                 static_cast<std::size_t>(b.version.end - rhs.data())});
    if (offset == static_cast<std::size_t>(b.version.p - rhs.data()) && offset < limit) {
      // The same epoch's bytes, and a version the same up to `limit`.
      a.version.p = restart(a.version.p, lhs.data() + limit);
      b.version.p = rhs.data() + (a.version.p - lhs.data());
    }
    order = compare_parts(a.version, b.version);
  }
  if (order == 0) {
    const bool a_release = a.release.p != nullptr;
    const bool b_release = b.release.p != nullptr;
    order = !a_release || !b_release ? a_release - b_release : compare_parts(a.release, b.release);
  }
  if (order != 0) return order < 0 ? -1 : 1;
  return byte_order(lhs, rhs);
}

#if defined(__SSE2__)

// ---- the collation from bit masks ----
//
// Two texts of up to 63 bytes (two registers each up to 32, else four) are
// mostly ordered by the item that holds the first byte they differ in: the
// items before it are the same bytes in both, hence equal, when that byte
// lies in the same part of both texts. That holds where both have the same
// epoch's bytes and, for the release's '-' (the last), where neither has
// one from that byte on, or both have, or no '-' comes before it. The item
// there is read from masks of digits and letters: its rank (the run of
// separators before it and its class), then a number's count of
// significant digits and the byte itself, or a letter run's byte. Left to
// collate_long(): texts with a NUL, an epoch in one text led by a zero,
// a release's '-' in one text only after a '-' both share, numbers of one
// value written apart ("1.0" and "1.00"), and parts that end alike.

struct masked_version {
  std::uint64_t digits;
  std::uint64_t significant;  // digits but '0'
  std::uint64_t letters;
  std::uint64_t dashes;
  bool has_nul;
};

// A text of 33 to 63 bytes in four registers, zeros after it: the bit
// masks below reach bit 63 at most, which stays a zero's.
struct chunk_quad {
  __m128i chunks[4];
};

constexpr std::size_t kQuadText = 63;

chunk_quad read_quad(const char* bytes, std::size_t size) noexcept {
  chunk_quad q;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t at = 16 * i;
    q.chunks[i] = at + 16 <= size ? chunk_at(bytes + at)
                  : at < size     ? short_chunk(bytes + at, size - at)
                                  : _mm_setzero_si128();
  }
  return q;
}

// The bytes of `chunks` for which `test` holds, bit i for byte i.
template <typename Test>
std::uint64_t mask_where(const chunk_pair& chunks, Test test) noexcept {
  return joined(mask_of(test(chunks.low)), mask_of(test(chunks.high)));
}

template <typename Test>
std::uint64_t mask_where(const chunk_quad& q, Test test) noexcept {
  return mask_of(test(q.chunks[0])) | mask_of(test(q.chunks[1])) << 16 |
         mask_of(test(q.chunks[2])) << 32 | mask_of(test(q.chunks[3])) << 48;
}

// The bytes in which two texts' registers differ, the padding included.
std::uint64_t differing_bytes(const chunk_pair& a, const chunk_pair& b) noexcept {
  return differing(a, b);
}

std::uint64_t differing_bytes(const chunk_quad& a, const chunk_quad& b) noexcept {
  std::uint64_t same = 0;
  for (unsigned i = 0; i < 4; ++i) {
    same |= mask_of(_mm_cmpeq_epi8(a.chunks[i], b.chunks[i])) << (16 * i);
  }
  return ~same;
}

template <typename Chunks>
[[gnu::always_inline]] inline masked_version read_version_masks(std::size_t size,
                                                                const Chunks& chunks) noexcept {
  const auto masks = [&chunks](auto test) { return mask_where(chunks, test); };
  const auto equal = [](char c) {
    return [c](__m128i bytes) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  };
  const std::uint64_t live = (std::uint64_t{1} << size) - 1;
  return {masks([](__m128i bytes) { return in_range(bytes, '0', 10); }),
          masks([](__m128i bytes) { return in_range(bytes, '1', 9); }), masks([](__m128i bytes) {
            return in_range(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 26);
          }),
          masks(equal('-')), (masks(equal('\0')) & live) != 0};
}

unsigned highest_bit(std::uint64_t mask) noexcept {
  return 63 - static_cast<unsigned>(__builtin_clzll(mask));
}

unsigned char byte_of(std::string_view text, unsigned at) noexcept {
  return static_cast<unsigned char>(text[at]);
}

// Where the version starts: past the ':' that ends the leading digits, or 0.
unsigned version_start(std::string_view text, const masked_version& m) noexcept {
  const auto digits_end = static_cast<unsigned>(__builtin_ctzll(~m.digits));
  return digits_end < text.size() && text[digits_end] == ':' ? digits_end + 1 : 0;
}

// Two epochs that differ: by the length of their digits when neither is
// led by a zero, and a missing one is 0.
int epoch_order(std::string_view lhs, unsigned lhs_version, std::string_view rhs,
                unsigned rhs_version, unsigned at) noexcept {
  if (lhs_version == 0) return rhs_version > 1 && rhs[0] != '0' ? -1 : kUndecided;
  if (rhs_version == 0) return lhs_version > 1 && lhs[0] != '0' ? 1 : kUndecided;
  if (lhs[0] == '0' || rhs[0] == '0') return kUndecided;
  if (lhs_version != rhs_version) return lhs_version < rhs_version ? -1 : 1;
  return byte_of(lhs, at) < byte_of(rhs, at) ? -1 : 1;
}

// The bytes [start, end) of one text's part that holds byte `at`.
struct part_span {
  unsigned start;
  unsigned end;
};

part_span part_at(const masked_version& m, unsigned version, unsigned size, unsigned at) noexcept {
  if (m.dashes == 0) return {version, size};
  const unsigned dash = highest_bit(m.dashes);
  return dash < at ? part_span{dash + 1, size} : part_span{version, dash};
}

// next()'s rank of the item that starts at `at` after `gap` separators,
// in a part that ends at `end`, and where its run starts.
struct masked_item {
  std::uint64_t rank;
  unsigned run;
};

masked_item item_at(const masked_version& m, unsigned at, unsigned end, unsigned gap) noexcept {
  const std::uint64_t runs = m.digits | m.letters | std::uint64_t{1} << end;
  const unsigned run = static_cast<unsigned>(__builtin_ctzll(runs >> at)) + at;
  gap += run - at;
  if (run == end) return {gap == 0 ? kEnd : kEndAfterSeparators, run};
  const unsigned digit = has_bit(m.digits, run) ? 1 : 0;
  return {gap == 0 ? (digit != 0 ? kNumber : kLetters) : 2 * gap + 3 + digit, run};
}

// Two numbers that start at `number` in both texts, the same bytes up to
// `at`, where both have a digit: by their significant digits' count, else
// by the byte at `at` when those digits start in the same place.
int number_order(std::string_view lhs, const masked_version& a, std::string_view rhs,
                 const masked_version& b, unsigned number, unsigned at) noexcept {
  const auto count = [number, at](const masked_version& m, unsigned& first) {
    const unsigned end = at + static_cast<unsigned>(__builtin_ctzll(~m.digits >> at));
    first = static_cast<unsigned>(
                __builtin_ctzll((m.significant | std::uint64_t{1} << end) >> number)) +
            number;
    return end - first;
  };
  unsigned a_first;
  unsigned b_first;
  const unsigned a_count = count(a, a_first);
  const unsigned b_count = count(b, b_first);
  // Equal counts whose digits start in different places ("06" and "9"):
  // digit by digit.
  if (a_count == b_count && a_first != b_first) {
    for (unsigned i = 0; i < a_count; ++i) {
      const unsigned char x = byte_of(lhs, a_first + i);
      const unsigned char y = byte_of(rhs, b_first + i);
      if (x != y) return x < y ? -1 : 1;
    }
    return kUndecided;
  }
  // One byte of the two differs, so neither count is 0 when they are equal.
  const unsigned a_key = a_count << 8 | byte_of(lhs, at);
  const unsigned b_key = b_count << 8 | byte_of(rhs, at);
  return a_key < b_key ? -1 : 1;
}

// Whether the digit run of `m` from byte `number` holds a digit but '0'.
bool significant_run(const masked_version& m, unsigned number) noexcept {
  const auto size = static_cast<unsigned>(__builtin_ctzll(~m.digits >> number));
  return (m.significant >> number & ((std::uint64_t{1} << size) - 1)) != 0;
}

template <typename Chunks>
[[gnu::always_inline]] inline int collate_short(std::string_view lhs, std::string_view rhs,
                                                const Chunks& lhs_chunks,
                                                const Chunks& rhs_chunks) noexcept {
  const std::uint64_t differ = differing_bytes(lhs_chunks, rhs_chunks);
  // Identical texts are equal whatever they hold; a NUL matches the
  // padding, hence the sizes.
  if (differ == 0 && lhs.size() == rhs.size()) return 0;
  const masked_version a = read_version_masks(lhs.size(), lhs_chunks);
  const masked_version b = read_version_masks(rhs.size(), rhs_chunks);
  // Without a NUL, texts whose registers match are the same text.
  if (a.has_nul || b.has_nul) return kUndecided;
  const auto at = static_cast<unsigned>(__builtin_ctzll(differ));
  const unsigned a_version = version_start(lhs, a);
  const unsigned b_version = version_start(rhs, b);
  if (a_version != b_version || at < a_version) {
    return epoch_order(lhs, a_version, rhs, b_version, at);
  }
  const part_span a_part = part_at(a, a_version, static_cast<unsigned>(lhs.size()), at);
  const part_span b_part = part_at(b, b_version, static_cast<unsigned>(rhs.size()), at);
  if (a_part.start != b_part.start) return kUndecided;
  const std::uint64_t before = (std::uint64_t{1} << at) - 1;
  // The usual pair: a digit in both, so a number in both that starts where
  // the digits before `at` do; the items before it are the same bytes.
  if (has_bit(a.digits & b.digits, at)) {
    const unsigned number = highest_bit((~a.digits & before) << 1 | 1);
    return number_order(lhs, a, rhs, b, number, at);
  }
  // The run that ends just before `at`, the same bytes in both.
  unsigned gap = 0;
  if (at > a_part.start) {
    if (has_bit(a.digits, at - 1)) {
      // A number that goes on in one text only is the larger unless all
      // its digits are zeros.
      if (has_bit(a.digits | b.digits, at)) {
        const bool a_longer = has_bit(a.digits, at);
        const unsigned number = highest_bit((~a.digits & before) << 1 | 1);
        if (!significant_run(a_longer ? a : b, number)) return kUndecided;
        return a_longer ? 1 : -1;
      }
    } else if (has_bit(a.letters, at - 1)) {
      const bool a_letter = has_bit(a.letters, at);
      const bool b_letter = has_bit(b.letters, at);
      if (a_letter && b_letter) return byte_of(lhs, at) < byte_of(rhs, at) ? -1 : 1;
      if (a_letter || b_letter) return a_letter ? 1 : -1;
    } else {
      const std::uint64_t runs = (a.digits | a.letters) & before;
      const unsigned after_run = runs == 0 ? 0 : highest_bit(runs) + 1;
      gap = at - std::max(a_part.start, after_run);
    }
  }
  // Both items start at `at`, after the same separators.
  const masked_item x = item_at(a, at, a_part.end, gap);
  const masked_item y = item_at(b, at, b_part.end, gap);
  if (x.rank != y.rank) return x.rank < y.rank ? -1 : 1;
  if (has_bit(a.letters & b.letters, at)) return byte_of(lhs, at) < byte_of(rhs, at) ? -1 : 1;
  // Runs of separators as long in both ("0.0.r2" and "0.0~git"), then a
  // run of the same class from the same byte, `run`, on which the bytes
  // may differ further on, at `next`.
  const unsigned run = x.run;
  if (x.rank <= kEndAfterSeparators || (differ >> run) == 0) return kUndecided;
  const auto next = static_cast<unsigned>(__builtin_ctzll(differ >> run)) + run;
  if (has_bit(a.letters, run)) {
    const unsigned a_end = run + static_cast<unsigned>(__builtin_ctzll(~a.letters >> run));
    const unsigned b_end = run + static_cast<unsigned>(__builtin_ctzll(~b.letters >> run));
    if (next < a_end && next < b_end) return byte_of(lhs, next) < byte_of(rhs, next) ? -1 : 1;
    // One run is the other's start, or both are the same.
    return a_end == b_end ? kUndecided : a_end < b_end ? -1 : 1;
  }
  const std::uint64_t shared_digits = ((std::uint64_t{1} << next) - 1) >> run << run;
  if (has_bit(a.digits & b.digits, next) && (a.digits & shared_digits) == shared_digits) {
    return number_order(lhs, a, rhs, b, run, next);
  }
  return kUndecided;
}

// A text of 8 to 32 bytes in two registers, zeros after it, without a
// branch on its length, which a sort's neighbours vary at random: word k
// is read from 8k, or from the text's last eight bytes where 8k is past
// them, and shifted down by the bytes it then holds before 8k.
[[gnu::always_inline]] inline chunk_pair read_eight_up(const char* bytes,
                                                       std::size_t size) noexcept {
  word w[4];
  for (std::size_t k = 0; k < 4; ++k) {
    // Masks, not comparisons the compiler could turn into branches.
    const word past = word{0} - word{8 * k > size - 8};
    const std::size_t early = (8 * k - (size - 8)) & past;
    const word inside = word{0} - word{8 * k < size};
    w[k] = load_word(bytes + 8 * k - early) >> (8 * (early & 7)) & inside;
  }
  return {_mm_set_epi64x(static_cast<long long>(w[1]), static_cast<long long>(w[0])),
          _mm_set_epi64x(static_cast<long long>(w[3]), static_cast<long long>(w[2]))};
}

[[gnu::always_inline]] inline chunk_pair read_text(const char* bytes, std::size_t size) noexcept {
  if (size >= 8) return read_eight_up(bytes, size);
  return {_mm_cvtsi64_si128(static_cast<long long>(short_word(bytes, size, 0))),
          _mm_setzero_si128()};
}

// Texts of over 32 bytes, about one comparison in twenty-three in the
// sample's sorts; apart, so that the usual pair does not carry its frame.
[[gnu::noinline]] int collate_quad(std::string_view lhs, std::string_view rhs) noexcept {
  return collate_short(lhs, rhs, read_quad(lhs.data(), lhs.size()),
                       read_quad(rhs.data(), rhs.size()));
}

#endif

int collate(std::string_view lhs, std::string_view rhs) noexcept {
#if defined(__SSE2__)
  if (!lhs.empty() && !rhs.empty()) {
    int order = kUndecided;
    if (lhs.size() <= kShortText && rhs.size() <= kShortText) {
      order = collate_short(lhs, rhs, read_text(lhs.data(), lhs.size()),
                            read_text(rhs.data(), rhs.size()));
    } else if (lhs.size() <= kQuadText && rhs.size() <= kQuadText) {
      order = collate_quad(lhs, rhs);
    }
    if (order != kUndecided) return order;
  }
  return collate_long(lhs, rhs);
#else
  return collate_long(lhs, rhs);
#endif
}

// ---- vercmp's own answer ----

// Where an item of one part meets an item of the other, vercmp's rules:
// this differs from the ranks above only for the end after separators
// against a letter run after separators, which vercmp orders first.
int tool_compare_parts(walk a, walk b) noexcept {
  for (;;) {
    const item x = a.next();
    const item y = b.next();
    if (x.rank == kEndAfterSeparators && y.rank > kNumber && y.rank % 2 == 1) return 1;
    if (y.rank == kEndAfterSeparators && x.rank > kNumber && x.rank % 2 == 1) return -1;
    if (x.rank != y.rank) return x.rank < y.rank ? -1 : 1;
    if (x.rank == kEnd || x.rank == kEndAfterSeparators) return 0;
    const bool number = x.rank == kNumber || (x.rank > kNumber && x.rank % 2 == 0);
    const int order =
        number ? compare_numbers(x.begin, x.size, y.begin, y.size) : compare_letters(x, y);
    if (order != 0) return order;
  }
}

int tool_compare(std::string_view lhs, std::string_view rhs) noexcept {
  const parts a = split(lhs);
  const parts b = split(rhs);
  int order = compare_numbers(a.epoch, a.epoch_size, b.epoch, b.epoch_size);
  if (order == 0) order = tool_compare_parts(a.version, b.version);
  if (order != 0 || a.release.p == nullptr || b.release.p == nullptr) return order;
  return tool_compare_parts(a.release, b.release);
}

// ---- keys ----

// A rank or a count: one byte below 255, else 0xff and 8 bytes.
unsigned char* put_count(std::uint64_t n, unsigned char* out) noexcept {
  if (n < 0xff) {
    *out++ = static_cast<unsigned char>(n);
    return out;
  }
  *out++ = 0xff;
  for (int shift = 56; shift >= 0; shift -= 8) *out++ = static_cast<unsigned char>(n >> shift);
  return out;
}

unsigned char* put_number(const char* digits, std::size_t size, unsigned char* out) noexcept {
  strip_zeros(digits, size);
  out = put_count(size, out);
  for (; size >= 2; size -= 2, digits += 2) {
    *out++ = static_cast<unsigned char>(((digits[0] - '0') << 4) | (digits[1] - '0'));
  }
  if (size != 0) *out++ = static_cast<unsigned char>((digits[0] - '0') << 4);
  return out;
}

unsigned char* put_part(walk w, unsigned char* out) noexcept {
  for (;;) {
    const item x = w.next();
    out = put_count(x.rank, out);
    if (x.rank == kEnd || x.rank == kEndAfterSeparators) return out;
    if (x.rank == kNumber || (x.rank > kNumber && x.rank % 2 == 0)) {
      out = put_number(x.begin, x.size, out);
    } else {
      std::memcpy(out, x.begin, x.size);
      out += x.size;
      *out++ = 0x00;
    }
  }
}

// A one-byte run costs three key bytes at most (rank, byte, end; rank,
// count, digits), a rank past 254 stands for as many separators, and the
// epoch, two ends and the release's byte are fixed; saturated, so that a
// 32-bit host asks for an impossible block instead of a short one.
std::size_t key_bound(std::size_t size) noexcept {
  constexpr std::size_t most = static_cast<std::size_t>(-1);
  constexpr std::size_t fixed = 32;
  return size > (most - fixed) / 3 ? most : 3 * size + fixed;
}

std::size_t reference_key(std::string_view text, unsigned char* out) noexcept {
  const parts p = split(text);
  unsigned char* at = put_number(p.epoch, p.epoch_size, out);
  at = put_part(p.version, at);
  if (p.release.p == nullptr) {
    *at++ = 0x00;
  } else {
    *at++ = 0x01;
    at = put_part(p.release, at);
  }
  return static_cast<std::size_t>(at - out);
}

// ---- keys of short texts from bit masks ----
//
// The reading above branches on every byte, and a version's runs are a byte
// or three long, so most of those branches end a loop at a place no
// predictor learns. A text of up to 32 bytes is read instead as masks of its
// byte classes, one bit a byte: the runs are found by counting trailing
// zeros, and most items are then written with one word store. Every item
// fits the one-byte rank and count. The bytes written are the reference's,
// which the tests compare on random texts.

constexpr std::size_t kMaskedText = 32;

struct classed_text {
  // The text, then zeros: the loads below read up to sixteen bytes past a
  // run, never past this block.
  alignas(16) unsigned char bytes[2 * kMaskedText];
  // Byte i / 2 of the first half and 16 + i / 2 of the second: digit i's
  // value over digit i + 1's, one nibble each, a byte that is no digit
  // counting as 0; so the packed digits of a number from byte i on are
  // the bytes from there, in the half of i's parity. Zeros after.
  alignas(16) unsigned char pairs[2 * kMaskedText];
  std::uint64_t digits;
  std::uint64_t significant;  // digits but '0'
  std::uint64_t letters;
  std::uint64_t colons;
  std::uint64_t dashes;
  std::uint64_t nuls;  // of the text's own bytes
  // An alphanumeric byte whose class differs from the one before starts a
  // run, and from the one after ends it.
  std::uint64_t starts;
  std::uint64_t lasts;
  unsigned size;
};

// `text` of 1 to kMaskedText bytes.
classed_text read_masked(std::string_view text) noexcept {
  classed_text m;
  m.size = static_cast<unsigned>(text.size());
#if defined(__SSE2__)
  const chunk_pair chunks = read_chunks(text.data(), text.size());
  const __m128i zero = _mm_setzero_si128();
  const auto store = [](unsigned char* to, __m128i bytes) {
    _mm_store_si128(reinterpret_cast<__m128i*>(to), bytes);
  };
  store(m.bytes, chunks.low);
  store(m.bytes + 16, chunks.high);
  store(m.bytes + 32, zero);
  store(m.bytes + 48, zero);
  const __m128i low_digits = in_range(chunks.low, '0', 10);
  const __m128i high_digits = in_range(chunks.high, '0', 10);
  const auto masks = [&chunks](auto test) {
    return joined(mask_of(test(chunks.low)), mask_of(test(chunks.high)));
  };
  const auto equal = [](char c) {
    return [c](__m128i bytes) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  };
  m.digits = joined(mask_of(low_digits), mask_of(high_digits));
  m.significant = m.digits & ~masks(equal('0'));
  m.letters = masks(
      [](__m128i bytes) { return in_range(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), 'a', 26); });
  m.colons = masks(equal(':'));
  m.dashes = masks(equal('-'));
  m.nuls = masks(equal('\0')) & ((std::uint64_t{1} << text.size()) - 1);
  // Values below 16: shifted by 4 in 16-bit lanes, none crosses its byte.
  const __m128i low = _mm_and_si128(_mm_sub_epi8(chunks.low, _mm_set1_epi8('0')), low_digits);
  const __m128i high = _mm_and_si128(_mm_sub_epi8(chunks.high, _mm_set1_epi8('0')), high_digits);
  const __m128i low_pairs = _mm_or_si128(
      _mm_slli_epi16(low, 4), _mm_or_si128(_mm_srli_si128(low, 1), _mm_slli_si128(high, 15)));
  const __m128i high_pairs = _mm_or_si128(_mm_slli_epi16(high, 4), _mm_srli_si128(high, 1));
  const __m128i even = _mm_set1_epi16(0x00ff);
  store(m.pairs, _mm_packus_epi16(_mm_and_si128(low_pairs, even), _mm_and_si128(high_pairs, even)));
  store(m.pairs + 16,
        _mm_packus_epi16(_mm_srli_epi16(low_pairs, 8), _mm_srli_epi16(high_pairs, 8)));
  store(m.pairs + 32, zero);
  store(m.pairs + 48, zero);
#else
  std::memset(m.bytes, 0, sizeof m.bytes);
  std::memset(m.pairs, 0, sizeof m.pairs);
  std::memcpy(m.bytes, text.data(), text.size());
  m.digits = m.significant = m.letters = m.colons = m.dashes = m.nuls = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const std::uint64_t bit = std::uint64_t{1} << i;
    if (class_of(c) == DIGIT) m.digits |= bit;
    if (class_of(c) == DIGIT && c != '0') m.significant |= bit;
    if (class_of(c) == LETTER) m.letters |= bit;
    if (c == ':') m.colons |= bit;
    if (c == '-') m.dashes |= bit;
    if (c == '\0') m.nuls |= bit;
  }
  const auto value = [&m](std::size_t i) {
    return ((m.digits >> i) & 1) != 0 ? m.bytes[i] - '0' : 0;
  };
  for (std::size_t i = 0; i < kMaskedText; ++i) {
    m.pairs[(i % 2) * 16 + i / 2] = static_cast<unsigned char>(value(i) << 4 | value(i + 1));
  }
#endif
  m.starts = (m.digits & ~(m.digits << 1)) | (m.letters & ~(m.letters << 1));
  m.lasts = (m.digits & ~(m.digits >> 1)) | (m.letters & ~(m.letters >> 1));
  return m;
}

// The lowest set bit of a mask that has one; the builtin, unlike
// countr_zero, has no branch for a mask of 0.
unsigned lowest_bit(std::uint64_t mask) noexcept {
  return static_cast<unsigned>(__builtin_ctzll(mask));
}

// The low `n` bytes (0 to 8) of a word set; in two shifts, as 64 is too far
// for one.
word low_bytes(unsigned n) noexcept {
  return ~word{0} >> (32 - 4 * n) >> (32 - 4 * n);
}

// The `n` (0 to 8) bytes from `at` of `block`, zeros above them.
word masked_word(const unsigned char* block, unsigned at, unsigned n) noexcept {
  return load_word(reinterpret_cast<const char*>(block) + at) & low_bytes(n);
}

// Stores the eight bytes of `w`, its low byte first.
void store_word(unsigned char* out, word w) noexcept {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
  std::memcpy(out, &w, sizeof w);
}

// The first significant digit of the digits [begin, end) of `m`, or `end`.
unsigned first_significant(const classed_text& m, unsigned begin, unsigned end) noexcept {
  return lowest_bit((m.significant | std::uint64_t{1} << end) >> begin) + begin;
}

// The packed digits of a number of `m` from its significant digit `first` on.
const unsigned char* pairs_from(const classed_text& m, unsigned first) noexcept {
  return m.pairs + (first % 2) * 16 + first / 2;
}

// put_number() of the digits [begin, end) of `m`. The stores reach seven
// bytes past the key bytes written.
unsigned char* put_masked_number(const classed_text& m, unsigned begin, unsigned end,
                                 unsigned char* out) noexcept {
  const unsigned first = first_significant(m, begin, end);
  const unsigned size = (end - first + 1) / 2;
  *out++ = static_cast<unsigned char>(end - first);
  const unsigned char* pairs = pairs_from(m, first);
  for (unsigned at = 0; at < size; at += 8) store_word(out + at, masked_word(pairs, at, 8));
  return out + size;
}

// The longest letter run and number whose item fits a word: the rank, six
// letters and 0x00; or the rank, the count and twelve digits.
constexpr unsigned kWordLetters = 6;
constexpr unsigned kWordDigits = 12;

// put_part() of the part [begin, end) of `m`. The runs are taken from two
// masks, of the bytes that start one and of those that end one, each
// dropping its lowest bit per item, so that finding the next run does not
// wait on the item before.
unsigned char* put_masked_part(const classed_text& m, unsigned begin, unsigned end,
                               unsigned char* out) noexcept {
  // A local, which the stores through `out` cannot change.
  const std::uint64_t digits = m.digits;
  // The part's bytes; no run crosses its bounds, which are separators.
  const std::uint64_t part = ((std::uint64_t{1} << end) - 1) >> begin << begin;
  std::uint64_t starts = m.starts & part;
  std::uint64_t lasts = m.lasts & part;
  unsigned p = begin;  // past the run before
  for (; starts != 0; starts &= starts - 1, lasts &= lasts - 1) {
    const unsigned run = lowest_bit(starts);
    const unsigned gap = run - p;
    p = lowest_bit(lasts) + 1;
    if (((digits >> run) & 1) != 0) {
      // kNumber is 2 * 0 + 4.
      const word rank = 2 * gap + 4;
      const unsigned first = first_significant(m, run, p);
      const unsigned size = (p - first + 1) / 2;
      if (p - first <= kWordDigits) {
        store_word(out, rank | (p - first) << 8 | masked_word(pairs_from(m, first), 0, size) << 16);
        out += 2 + size;
      } else {
        *out++ = static_cast<unsigned char>(rank);
        out = put_masked_number(m, run, p, out);
      }
    } else {
      const word rank = gap == 0 ? kLetters : 2 * gap + 3;
      if (p - run <= kWordLetters) {
        store_word(out, rank | masked_word(m.bytes, run, p - run) << 8);
        out += 2 + (p - run);
      } else {
        *out++ = static_cast<unsigned char>(rank);
        for (unsigned at = run; at < p; at += 16) std::memcpy(out + (at - run), m.bytes + at, 16);
        out += p - run;
        *out++ = 0x00;
      }
    }
  }
  *out++ = static_cast<unsigned char>(p == end ? kEnd : kEndAfterSeparators);
  return out;
}

// reference_key() of a text of 1 to kMaskedText bytes read into `m`. A key
// holds at most 3 bytes a text byte and 4 more, so the bound's 28 spare
// bytes take the stores' overreach, fifteen bytes at most.
std::size_t masked_key(const classed_text& m, unsigned char* out) noexcept {
  const unsigned digits_end = lowest_bit(~m.digits);
  const bool epoch = digits_end < m.size && ((m.colons >> digits_end) & 1) != 0;
  const unsigned version = epoch ? digits_end + 1 : 0;
  unsigned char* at = out;
  if (epoch) {
    at = put_masked_number(m, 0, digits_end, at);
  } else {
    *at++ = 0x00;  // the number 0, no digits
  }
  const std::uint64_t dashes = m.dashes >> version << version;
  if (dashes == 0) {
    at = put_masked_part(m, version, m.size, at);
    *at++ = 0x00;
  } else {
    const auto dash = static_cast<unsigned>(63 - std::countl_zero(dashes));
    at = put_masked_part(m, version, dash, at);
    *at++ = 0x01;
    at = put_masked_part(m, dash + 1, m.size, at);
  }
  return static_cast<std::size_t>(at - out);
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  if (text.size() > kMaskedText) return reference_key(text, out);
  return masked_key(read_masked(text), out);
}

// The check comes with the masks: a NUL is a byte of its own there.
std::size_t valid_key(std::string_view text, unsigned char* out) noexcept {
  if (text.empty() || text.size() > kMaskedText) {
    return valid(text) ? reference_key(text, out) : kNoKey;
  }
  const classed_text m = read_masked(text);
  return m.nuls == 0 ? masked_key(m, out) : kNoKey;
}

// The epoch, the version's first number when it starts with one, and
// whether a letter run follows that number straight away, the lowest item
// there is.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  lead_packer out(against);
  if (!lead_epoch(out, p, end, ':', 32, 31)) return out.rest_unknown();
  out.put(p != end && class_of(*p) == LETTER ? 0 : 1, 1);
  return out.done();
}

}  // namespace

const version_scheme ALPM_SCHEME = {valid,   compare,   key_bound,    key,
                                    collate, valid_key, tool_compare, lead};

std::size_t alpm_reference_key(std::string_view text, unsigned char* out) noexcept {
  return reference_key(text, out);
}

}  // namespace korvel
