// RPM's version order: an optional epoch (the leading digits when a ':'
// follows them), the version, and an optional release after the last '-'.
// Each part is read as a run of segments: digit runs compare as numbers of
// any length, letter runs by bytes, every other byte only separates; '~'
// sorts before everything, the end of a part included, and '^' right after
// the end. A missing epoch is 0 and a missing release sorts before any
// release, so the order is total.
//
// Sort key, byte by byte: the epoch as a number, the version's segments, an
// end byte, then only when there is a release its segments and an end byte.
//   0x01                    '~'
//   0x02                    end of the version or of the release
//   0x03                    '^'
//   0x04 letters            a letter run, its bytes as they are
//   0x05 + n, digits        a number of n significant digits, n <= 57
//   0x3f, n (8 bytes), digits   a longer number, n big-endian
// Digits are packed two to a byte, high nibble first, the last low nibble 0
// when n is odd; zero is n = 0 and no digits. Every marker is below every
// letter, so a letter run that is a prefix of another sorts first without a
// terminator of its own; numbers of different lengths differ at the marker.
#include "version/schemes/rpm.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "common/bytes.h"
#include "version/chunks.h"
#include "version/words.h"

namespace korvel {

namespace {

// Segment kinds, valued in their order against each other; a NUL is no
// segment but the byte that makes a text invalid.
enum kind : unsigned char {
  SEPARATOR = 0,
  TILDE = 1,
  END = 2,
  CARET = 3,
  LETTERS = 4,
  DIGITS = 5,
  REJECTED = 6
};

constexpr unsigned char NUMBER_MARKER = 0x05;
constexpr std::size_t SHORT_NUMBER_DIGITS = 57;
constexpr unsigned char LONG_NUMBER_MARKER = 0x3f;

// Only ASCII letters and digits form segments: every other byte separates.
constexpr std::array<kind, 256> make_kinds() noexcept {
  std::array<kind, 256> kinds{};
  for (int c = '0'; c <= '9'; ++c) kinds[static_cast<std::size_t>(c)] = DIGITS;
  for (int c = 'a'; c <= 'z'; ++c) kinds[static_cast<std::size_t>(c)] = LETTERS;
  for (int c = 'A'; c <= 'Z'; ++c) kinds[static_cast<std::size_t>(c)] = LETTERS;
  kinds['~'] = TILDE;
  kinds['^'] = CARET;
  kinds['\0'] = REJECTED;
  return kinds;
}

constexpr std::array<kind, 256> KINDS = make_kinds();

kind kind_of(char c) noexcept {
  return KINDS[static_cast<unsigned char>(c)];
}

const char* skip_kind(const char* p, const char* end, kind k) noexcept {
  while (p != end && kind_of(*p) == k) ++p;
  return p;
}

// A walk over one text's version and then its release. The version ends at
// the last '-', which is only looked for past each '-' the walk meets, so
// that a comparison decided early never reads the rest of the text.
struct cursor {
  const char* p;
  const char* end;
  const char* release = nullptr;  // past the last '-', once the version ended there

  // The kind of the next segment, separators skipped; `p` is left at it.
  kind next() noexcept {
    for (; p != end; ++p) {
      const kind k = kind_of(*p);
      if (k != SEPARATOR) return k;
      if (*p == '-' && release == nullptr && last_dash()) return END;
    }
    return END;
  }

  bool last_dash() noexcept {
    const auto rest = static_cast<std::size_t>(end - p - 1);
    if (std::memchr(p + 1, '-', rest) != nullptr) return false;
    release = p + 1;
    end = p;  // the version's end: the release is walked from `release`
    return true;
  }

  void enter_release(const char* text_end) noexcept {
    p = release;
    end = text_end;
  }
};

struct digit_run {
  const char* begin;  // the first significant digit
  std::size_t size;
};

digit_run significant(const char* begin, const char* end) noexcept {
  while (begin != end && *begin == '0') ++begin;
  return {begin, static_cast<std::size_t>(end - begin)};
}

// Runs are a few bytes: a word of each, turned so that its first byte is the
// most significant, orders them without a call.
int compare_bytes(const char* lhs, const char* rhs, std::size_t n) noexcept {
  if (n == 0) return 0;
  if (n > kWordBytes) return std::memcmp(lhs, rhs, n);
  const word a = __builtin_bswap64(short_word(lhs, n, 0));
  const word b = __builtin_bswap64(short_word(rhs, n, 0));
  return (a > b) - (a < b);
}

int compare_numbers(digit_run lhs, digit_run rhs) noexcept {
  if (lhs.size != rhs.size) return lhs.size < rhs.size ? -1 : 1;
  return compare_bytes(lhs.begin, rhs.begin, lhs.size);
}

int compare_runs(cursor& lhs, cursor& rhs, kind k) noexcept {
  const char* lhs_begin = lhs.p;
  const char* rhs_begin = rhs.p;
  lhs.p = skip_kind(lhs.p, lhs.end, k);
  rhs.p = skip_kind(rhs.p, rhs.end, k);
  if (k == DIGITS) {
    return compare_numbers(significant(lhs_begin, lhs.p), significant(rhs_begin, rhs.p));
  }
  const auto lhs_size = static_cast<std::size_t>(lhs.p - lhs_begin);
  const auto rhs_size = static_cast<std::size_t>(rhs.p - rhs_begin);
  const int order = compare_bytes(lhs_begin, rhs_begin, lhs_size < rhs_size ? lhs_size : rhs_size);
  if (order != 0) return order;
  return (lhs_size > rhs_size) - (lhs_size < rhs_size);
}

// Segment by segment up to the end of the part both cursors are in.
int compare_segments(cursor& lhs, cursor& rhs) noexcept {
  for (;;) {
    const kind k = lhs.next();
    const kind rhs_kind = rhs.next();
    if (k != rhs_kind) return k < rhs_kind ? -1 : 1;
    if (k == END) return 0;
    if (k == TILDE || k == CARET) {
      ++lhs.p;
      ++rhs.p;
      continue;
    }
    const int order = compare_runs(lhs, rhs, k);
    if (order != 0) return order;
  }
}

// The epoch's significant digits, and where the version begins.
digit_run split_epoch(std::string_view text, const char*& version) noexcept {
  const char* end = text.data() + text.size();
  const char* digits_end = skip_kind(text.data(), end, DIGITS);
  if (digits_end == end || *digits_end != ':') {
    version = text.data();
    return {text.data(), 0};
  }
  version = digits_end + 1;
  return significant(text.data(), digits_end);
}

bool valid(std::string_view text) noexcept {
  return !text.empty() && std::memchr(text.data(), '\0', text.size()) == nullptr;
}

// The rest of two versions from `a` and `b` on, then their releases; no
// last '-' of either text lies before them. The bounds come as pointers,
// not cursors: a cursor passed by value is built on the stack with scalar
// stores and read back as one vector, which stalls store forwarding.
int compare_from(const char* a_begin, const char* a_end, const char* b_begin,
                 const char* b_end) noexcept {
  cursor a{a_begin, a_end};
  cursor b{b_begin, b_end};
  const int order = compare_segments(a, b);
  if (order != 0) return order;
  if (a.release == nullptr || b.release == nullptr) {
    return (a.release != nullptr) - (b.release != nullptr);
  }
  a.enter_release(a_end);
  b.enter_release(b_end);
  return compare_segments(a, b);
}

int compare(std::string_view lhs, std::string_view rhs) noexcept {
  const char* lhs_version = nullptr;
  const char* rhs_version = nullptr;
  const int order = compare_numbers(split_epoch(lhs, lhs_version), split_epoch(rhs, rhs_version));
  if (order != 0) return order;
  return compare_from(lhs_version, lhs.data() + lhs.size(), rhs_version, rhs.data() + rhs.size());
}

// The masked writer stores a segment's bytes sixteen at a time, past the
// key's end at the last one.
constexpr std::size_t kStoreSlack = 16;

// Two key bytes at most for each text byte (a one-byte segment and its
// marker), three for the epoch a text may leave out and the two ends, and
// the slack; saturated, so that a 32-bit host asks for an impossible block
// instead of a short one.
std::size_t key_bound(std::size_t size) noexcept {
  constexpr std::size_t most = static_cast<std::size_t>(-1);
  constexpr std::size_t fixed = 3 + kStoreSlack;
  return size > (most - fixed) / 2 ? most : 2 * size + fixed;
}

unsigned char* put_number(digit_run number, unsigned char* out) noexcept {
  if (number.size <= SHORT_NUMBER_DIGITS) {
    *out++ = static_cast<unsigned char>(NUMBER_MARKER + number.size);
  } else {
    *out++ = LONG_NUMBER_MARKER;
    for (int shift = 56; shift >= 0; shift -= 8) {
      *out++ = static_cast<unsigned char>(static_cast<std::uint64_t>(number.size) >> shift);
    }
  }
  const char* digit = number.begin;
  for (std::size_t left = number.size; left >= 2; left -= 2, digit += 2) {
    *out++ = static_cast<unsigned char>(((digit[0] - '0') << 4) | (digit[1] - '0'));
  }
  if (number.size % 2 != 0) *out++ = static_cast<unsigned char>((*digit - '0') << 4);
  return out;
}

bool is_digit(const char* p, const char* end) noexcept {
  return p != end && static_cast<unsigned char>(*p - '0') < 10;
}

// The digit run at p with its digits packed as they are read; a number too
// long for the short marker is written again by put_number().
unsigned char* put_digits(const char*& p, const char* end, unsigned char* out) noexcept {
  const char* digits = p;
  while (p != end && *p == '0') ++p;
  const char* first = p;
  unsigned char* at = out + 1;
  while (is_digit(p, end)) {
    const auto high = static_cast<unsigned char>((*p++ - '0') << 4);
    if (!is_digit(p, end)) {
      *at++ = high;
      break;
    }
    *at++ = static_cast<unsigned char>(high | (*p++ - '0'));
  }
  const auto size = static_cast<std::size_t>(p - first);
  if (size > SHORT_NUMBER_DIGITS) return put_number(significant(digits, p), out);
  *out = static_cast<unsigned char>(NUMBER_MARKER + size);
  return at;
}

// Most numbers of a version are one digit: their key is written at once,
// without the walk, a zero's second byte left to be overwritten.
unsigned char* put_digit(char digit, unsigned char* out) noexcept {
  const auto value = static_cast<unsigned char>(digit - '0');
  const bool nonzero = value != 0;
  out[0] = static_cast<unsigned char>(NUMBER_MARKER + nonzero);
  out[1] = static_cast<unsigned char>(value << 4);
  return out + 1 + nonzero;
}

// The segments of [p, end), a part without its '-' split, or nullptr at a
// NUL.
unsigned char* put_segments(const char* p, const char* end, unsigned char* out) noexcept {
  while (p != end) {
    switch (kind_of(*p)) {
      case SEPARATOR:
        ++p;
        break;
      case DIGITS:
        if (is_digit(p + 1, end)) {
          out = put_digits(p, end, out);
        } else {
          out = put_digit(*p++, out);
        }
        break;
      case LETTERS:
        // Letter runs are a byte or a few: a call to copy them costs more.
        *out++ = LETTERS;
        do {
          *out++ = static_cast<unsigned char>(*p++);
        } while (p != end && kind_of(*p) == LETTERS);
        break;
      case REJECTED:
        return nullptr;
      default:
        *out++ = kind_of(*p++);
    }
  }
  *out++ = END;
  return out;
}

// The last '-' of a text, looked for a word at a time from its end.
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

// Checks the text while it writes: every byte past the epoch's digits is
// read by one of the parts' walks, which stop at a NUL.
std::size_t walked_key(std::string_view text, unsigned char* out) noexcept {
  if (text.empty()) return kNoKey;
  const char* version = nullptr;
  unsigned char* at = put_number(split_epoch(text, version), out);
  const char* end = text.data() + text.size();
  const char* dash = last_dash(version, end);
  at = put_segments(version, dash == nullptr ? end : dash, at);
  if (at != nullptr && dash != nullptr) at = put_segments(dash + 1, end, at);
  return at == nullptr ? kNoKey : static_cast<std::size_t>(at - out);
}

#if defined(__SSE2__)
// ---- keys from bit masks ----

// A usual text splits into a dozen segments whose kinds follow no pattern a
// branch predictor learns. Up to kMaskedBytes, the segments are found from
// bit masks, one bit a byte, and every one is written by the same
// instructions whatever its kind: its marker, then sixteen bytes from where
// its payload lies, of which the pointer keeps as many as the segment has.
// The masks' top bit is never a byte of the text, so every run ends in them.
constexpr std::size_t kMaskedBytes = 63;

// Staged bytes: the text with zeros after it, then the digits packed two to
// a byte from every even position and, kOddPairs further, from every odd
// one, so that a payload is one load.
constexpr std::size_t kTextBytes = 80;
constexpr std::size_t kPairBytes = 48;
constexpr std::size_t kOddPairs = 128;
constexpr std::size_t kPairsAt = kTextBytes;
constexpr std::size_t kStagedBytes = kPairsAt + kOddPairs + kPairBytes;

static_assert(DIGITS == NUMBER_MARKER, "a number's marker counts up from its kind");

// The marker of the segment a byte begins; a '-' begins none, but the last
// one ends the version.
constexpr std::array<unsigned char, 256> make_markers() noexcept {
  std::array<unsigned char, 256> markers{};
  for (std::size_t c = 0; c < 256; ++c) markers[c] = KINDS[c] == REJECTED ? 0 : KINDS[c];
  markers['-'] = END;
  return markers;
}

constexpr std::array<unsigned char, 256> MARKERS = make_markers();

// All ones at a digit, else 0: a segment's writer selects by masks, which
// compilers keep branch-free where a conditional would become a jump.
constexpr std::array<word, 256> make_digit_selects() noexcept {
  std::array<word, 256> selects{};
  for (std::size_t c = '0'; c <= '9'; ++c) selects[c] = ~word{0};
  return selects;
}

constexpr std::array<word, 256> DIGIT_SELECTS = make_digit_selects();

// How far from a byte's own staged place its pairs lie: a number's payload
// is read there.
constexpr std::array<word, kMaskedBytes> make_pair_shifts() noexcept {
  std::array<word, kMaskedBytes> shifts{};
  for (std::size_t at = 0; at < kMaskedBytes; ++at) {
    shifts[at] = kPairsAt + (at % 2) * kOddPairs + at / 2 - at;
  }
  return shifts;
}

constexpr std::array<word, kMaskedBytes> PAIR_SHIFTS = make_pair_shifts();

struct byte_masks {
  word digits = 0;
  word letters = 0;
  word zeros = 0;
  word marks = 0;  // '~' and '^'
  word dashes = 0;
  word nuls = 0;
};

// Whether each byte is at most `most`, unsigned.
[[gnu::always_inline]] inline __m128i at_most(__m128i bytes, char most) noexcept {
  return _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(most)), bytes);
}

// Each byte's digit, and 0 at every other byte.
[[gnu::always_inline]] inline __m128i digit_values(__m128i bytes) noexcept {
  const __m128i values = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
  return _mm_and_si128(values, at_most(values, 9));
}

// Adds the masks of the sixteen text bytes at `at`. Letters and the marks
// are found in lower case: '^' is '~' in upper case.
[[gnu::always_inline]] inline void classify(__m128i bytes, std::size_t at,
                                            byte_masks& masks) noexcept {
  const __m128i values = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
  const __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
  const __m128i letters = at_most(_mm_sub_epi8(lower, _mm_set1_epi8('a')), 'z' - 'a');
  const __m128i zero = _mm_setzero_si128();
  masks.digits |= mask_of(at_most(values, 9)) << at;
  masks.letters |= mask_of(letters) << at;
  masks.zeros |= mask_of(_mm_cmpeq_epi8(values, zero)) << at;
  masks.marks |= mask_of(_mm_cmpeq_epi8(lower, _mm_set1_epi8('~'))) << at;
  masks.dashes |= mask_of(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('-'))) << at;
  masks.nuls |= mask_of(_mm_cmpeq_epi8(bytes, zero)) << at;
}

// Each byte's digit in the high nibble and the next byte's in the low one;
// a digit is below 16, so the 16-bit shift keeps it in its byte.
[[gnu::always_inline]] inline __m128i pairs_of(__m128i values, __m128i next) noexcept {
  return _mm_or_si128(_mm_slli_epi16(values, 4),
                      _mm_or_si128(_mm_srli_si128(values, 1), _mm_slli_si128(next, 15)));
}

// The pairs of thirty-two positions, those at even ones and those at odd.
[[gnu::always_inline]] inline void store_pairs(__m128i low, __m128i high, unsigned char* staged,
                                               std::size_t at) noexcept {
  const __m128i even = _mm_set1_epi16(0x00ff);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(staged + kPairsAt + at / 2),
                   _mm_packus_epi16(_mm_and_si128(low, even), _mm_and_si128(high, even)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(staged + kPairsAt + kOddPairs + at / 2),
                   _mm_packus_epi16(_mm_srli_epi16(low, 8), _mm_srli_epi16(high, 8)));
}

// The pairs of a staged text of more than thirty-two bytes.
[[gnu::always_inline]] inline void pair_staged(unsigned char* staged) noexcept {
  const auto values = [staged](std::size_t at) {
    return digit_values(_mm_load_si128(reinterpret_cast<const __m128i*>(staged + at)));
  };
  const __m128i v0 = values(0);
  const __m128i v1 = values(16);
  const __m128i v2 = values(32);
  const __m128i v3 = values(48);
  store_pairs(pairs_of(v0, v1), pairs_of(v1, v2), staged, 0);
  store_pairs(pairs_of(v2, v3), pairs_of(v3, _mm_setzero_si128()), staged, 32);
}

// The eight text bytes from `at` on, zeros past the text, from a load that
// stays inside a text of at least eight bytes.
[[gnu::always_inline]] inline word word_at(const char* bytes, std::size_t size,
                                           std::size_t at) noexcept {
  const std::size_t from = at < size - kWordBytes ? at : size - kWordBytes;
  const std::size_t skipped = 8 * (at - from);
  const word gone = 0 - static_cast<word>(skipped >= 64);
  return (load_word(bytes + from) >> (skipped & 63)) & ~gone;
}

[[gnu::always_inline]] inline __m128i chunk_of(word low, word high) noexcept {
  return _mm_set_epi64x(static_cast<long long>(high), static_cast<long long>(low));
}

// The text's chunks classified as they are built, in registers, and stored
// at `staged` with zeros after them as far as a payload load reads; zeros
// too where one reads past the pairs. A text of eight to thirty-two bytes,
// most texts, is built from four words whatever its length, so that no
// branch on its length is mispredicted.
[[gnu::always_inline]] inline byte_masks stage(std::string_view text,
                                               unsigned char* staged) noexcept {
  const char* bytes = text.data();
  const std::size_t size = text.size();
  // The payloads of a text up to thirty-two bytes are read from below 48
  // in either part.
  const auto clear = [staged](std::initializer_list<std::size_t> offsets) {
    for (const std::size_t at : offsets) {
      _mm_store_si128(reinterpret_cast<__m128i*>(staged + at), _mm_setzero_si128());
    }
  };
  clear({32, kPairsAt + 16, kPairsAt + kOddPairs + 16});
  byte_masks masks;
  const auto put = [&](__m128i chunk, std::size_t at) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(staged + at), chunk);
    classify(chunk, at, masks);
  };
  const __m128i zero = _mm_setzero_si128();
  if (size < kWordBytes) {
    const __m128i chunk = short_chunk(bytes, size);
    clear({16});
    put(chunk, 0);
    store_pairs(pairs_of(digit_values(chunk), zero), zero, staged, 0);
    return masks;
  }
  if (size <= 32) {
    const auto word = [=](std::size_t at) { return word_at(bytes, size, at); };
    const __m128i low = chunk_of(load_word(bytes), word(8));
    const __m128i high = chunk_of(word(16), word(24));
    put(low, 0);
    put(high, 16);
    const __m128i low_values = digit_values(low);
    const __m128i high_values = digit_values(high);
    store_pairs(pairs_of(low_values, high_values), pairs_of(high_values, zero), staged, 0);
    return masks;
  }
  clear({48, 64, kPairsAt + 32, kPairsAt + kOddPairs + 32});
  put(chunk_at(bytes), 0);
  put(chunk_at(bytes + 16), 16);
  if (size > 48) put(chunk_at(bytes + 32), 32);
  put(chunk_at(bytes + size - 16), size - 16);
  pair_staged(staged);
  return masks;
}

// The digits a number keeps: every digit but the zeros that lead a run.
// Adding a run's first zero carries through the zeros after it, which
// clears exactly those that lead.
word significant_digits(const byte_masks& masks) noexcept {
  const word run_starts = masks.digits & ~(masks.digits << 1);
  const word leading = masks.zeros & ~(masks.zeros + (run_starts & masks.zeros));
  return masks.digits & ~leading;
}

// Where segments start: a number at its first significant digit, or at its
// last zero when it has none, a letter run, a lone '~' or '^', and the last
// '-', which ends the version.
word segment_starts(const byte_masks& masks, word significant) noexcept {
  const word zero_runs = masks.digits & ~significant & ~(masks.digits >> 1);
  const word last_dash = (word{1} << (63 - std::countl_zero(masks.dashes | 1))) & masks.dashes;
  return (significant & ~(significant << 1)) | zero_runs | (masks.letters & ~(masks.letters << 1)) |
         masks.marks | last_dash;
}

// The segment starting at `at`; returns how many payload bytes it keeps.
[[gnu::always_inline]] inline unsigned put_masked(const byte_masks& masks, word significant,
                                                  const unsigned char* staged, unsigned at,
                                                  unsigned char* out) noexcept {
  const unsigned char byte = staged[at];
  const word digit = DIGIT_SELECTS[byte];
  const word run = (((significant ^ masks.letters) & digit) ^ masks.letters) >> at;
  const auto size = static_cast<unsigned>(__builtin_ctzll(~run));
  const std::size_t from = at + (PAIR_SHIFTS[at] & digit);
  *out = static_cast<unsigned char>(MARKERS[byte] + (size & digit));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 1),
                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(staged + from)));
  return size - ((size >> 1) & static_cast<unsigned>(digit));
}

// key() of a text of 1 to kMaskedBytes bytes, or kNoKey; walked_key()
// writes a segment of more than fifteen payload bytes.
std::size_t masked_key(std::string_view text, unsigned char* out) noexcept {
  alignas(16) unsigned char staged[kStagedBytes];
  const byte_masks masks = stage(text, staged);
  if ((masks.nuls & (~word{0} >> (64 - text.size()))) != 0) return kNoKey;
  const auto lead = static_cast<std::size_t>(std::countr_one(masks.digits));
  // A missing or empty epoch is 0; a present one is the first segment.
  *out = NUMBER_MARKER;
  unsigned char* at = out + (staged[lead] != ':' || lead == 0);
  const word significant = significant_digits(masks);
  unsigned widest = 0;
  for (word starts = segment_starts(masks, significant); starts != 0; starts &= starts - 1) {
    const unsigned kept =
        put_masked(masks, significant, staged, static_cast<unsigned>(__builtin_ctzll(starts)), at);
    at += 1 + kept;
    widest |= kept;
  }
  *at++ = END;
  if (widest >= 16) return walked_key(text, out);
  return static_cast<std::size_t>(at - out);
}

std::size_t key(std::string_view text, unsigned char* out) noexcept {
  if (text.empty() || text.size() > kMaskedBytes) return walked_key(text, out);
  return masked_key(text, out);
}
#else
std::size_t key(std::string_view text, unsigned char* out) noexcept {
  return walked_key(text, out);
}
#endif

// ---- collation ----

// What the bytes of a stretch of text hold that the collation asks about.
constexpr unsigned kNul = 1;
constexpr unsigned kDash = 2;
constexpr unsigned kColon = 4;

// Sixteen bytes are checked at once through the compilers' vector extension
// (SSE2 or NEON, else plain words): a tail is a lane or two. The matches of
// every chunk are gathered in lanes and told apart once.
using lanes = unsigned char __attribute__((vector_size(16)));
using halves = word __attribute__((vector_size(16)));

struct lane_marks {
  lanes nuls{};
  lanes dashes{};
  lanes colons{};

  void add(word low, word high) noexcept {
    const lanes v = reinterpret_cast<lanes>(halves{low, high});
    nuls |= reinterpret_cast<lanes>(v == 0);
    dashes |= reinterpret_cast<lanes>(v == '-');
    colons |= reinterpret_cast<lanes>(v == ':');
  }

  // Each kind of match as its bit, folded over the sixteen lanes.
  unsigned marks() const noexcept {
    const lanes all = (nuls & kNul) | (dashes & kDash) | (colons & kColon);
    const auto h = reinterpret_cast<halves>(all);
    word w = h[0] | h[1];
    w |= w >> 32;
    w |= w >> 16;
    w |= w >> 8;
    return static_cast<unsigned>(w & 0xff);
  }
};

// Up to thirty-two bytes are read as four words that may overlap, whatever
// their count, so that the count decides no branch. Fewer than eight, the
// tail of a longer text mostly, are read from the word that ends them.
[[gnu::always_inline]] inline unsigned marks_of(const char* text, const char* p,
                                                std::size_t n) noexcept {
  lane_marks marks;
  if (n < kWordBytes) {
    if (n == 0) return 0;
    const std::size_t before = 8 * (kWordBytes - n);
    const word w = p + n - text >= 8
                       ? load_word(p + n - kWordBytes) >> before | kLowBits * '1' << (64 - before)
                       : short_word(p, n, '1');
    marks.add(w, w);
    return marks.marks();
  }
  const char* const end = p + n;
  for (; end - p > 32; p += 16) marks.add(load_word(p), load_word(p + kWordBytes));
  const char* const second = p + kWordBytes < end - kWordBytes ? p + kWordBytes : end - kWordBytes;
  const char* const third = end - 16 > p ? end - 16 : p;
  marks.add(load_word(p), load_word(second));
  marks.add(load_word(third), load_word(end - kWordBytes));
  return marks.marks();
}

kind kind_at(std::string_view text, std::size_t i) noexcept {
  return i < text.size() ? kind_of(text[i]) : END;
}

// Where the version of two valid texts that share their first `shared`
// bytes begins, when the epoch lies in those bytes or neither text has one;
// kNoVersion when the epochs must be read apart.
constexpr std::size_t kNoVersion = static_cast<std::size_t>(-1);

std::size_t shared_version(std::string_view lhs, std::size_t shared) noexcept {
  const char* digits_end = skip_kind(lhs.data(), lhs.data() + shared, DIGITS);
  const auto lead = static_cast<std::size_t>(digits_end - lhs.data());
  if (lead < shared) return *digits_end == ':' ? lead + 1 : 0;
  return kNoVersion;
}

// split_epoch() of a text whose digits lead past the bytes it shares with
// another, so that its epoch's ':' can only be where `marks` were read.
digit_run epoch_of(std::string_view text, unsigned marks, const char*& version) noexcept {
  if ((marks & kColon) != 0) return split_epoch(text, version);
  version = text.data();
  return {text.data(), 0};
}

// Where both texts split into segments alike, at or before `shared`: a run
// of digits or letters that goes on past it in either text is read whole.
std::size_t run_start(std::string_view lhs, std::string_view rhs, std::size_t version,
                      std::size_t shared) noexcept {
  if (shared == version) return shared;
  const kind k = kind_of(lhs[shared - 1]);
  if ((k != DIGITS && k != LETTERS) || (kind_at(lhs, shared) != k && kind_at(rhs, shared) != k))
    return shared;
  std::size_t start = shared - 1;
  while (start > version && kind_of(lhs[start - 1]) == k) --start;
  return start;
}

// compare() of two valid texts whose first `shared` bytes are the same: both
// texts are in the same part there unless a '-' of those bytes is the last
// one of one text only, and then only the rest of each is read.
// `a_marks` and `b_marks`: what follows those bytes in either text.
int compare_sharing(std::string_view lhs, std::string_view rhs, std::size_t shared,
                    unsigned a_marks, unsigned b_marks) noexcept {
  const bool a_more = (a_marks & kDash) != 0;
  const bool b_more = (b_marks & kDash) != 0;
  const char* a = lhs.data();
  const char* b = rhs.data();
  const char* const a_end = a + lhs.size();
  const char* const b_end = b + rhs.size();
  std::size_t version = shared_version(lhs, shared);
  if (version == kNoVersion) {
    // compare(), from the epochs already split.
    const char* lhs_version = nullptr;
    const char* rhs_version = nullptr;
    const digit_run lhs_epoch = epoch_of(lhs, a_marks, lhs_version);
    const digit_run rhs_epoch = epoch_of(rhs, b_marks, rhs_version);
    if (lhs_version != a || rhs_version != b) {
      const int order = compare_numbers(lhs_epoch, rhs_epoch);
      return order != 0 ? order : compare_from(lhs_version, a_end, rhs_version, b_end);
    }
    version = 0;
  }
  const std::size_t start = run_start(lhs, rhs, version, shared);
  // With a '-' after `start` in both texts, both are in their versions
  // there; with none in either, both rests are walked alike, as releases or
  // as versions without one. Only a '-' after it in one text alone needs the
  // shared bytes searched: one there makes the texts' parts differ.
  if (a_more != b_more && (marks_of(a, a + version, start - version) & kDash) != 0)
    return compare(lhs, rhs);
  return compare_from(a + start, a_end, b + start, b_end);
}

int collate(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  if (shared == common && lhs.size() == rhs.size()) return 0;
  // The shared bytes hold no NUL: only the tails are checked.
  const unsigned a =
      lhs.empty() ? kNul : marks_of(lhs.data(), lhs.data() + shared, lhs.size() - shared);
  const unsigned b =
      rhs.empty() ? kNul : marks_of(rhs.data(), rhs.data() + shared, rhs.size() - shared);
  const bool lhs_valid = (a & kNul) == 0;
  if (lhs_valid != ((b & kNul) == 0)) return lhs_valid ? 1 : -1;
  if (lhs_valid) {
    const int order = compare_sharing(lhs, rhs, shared, a, b);
    if (order != 0) return order < 0 ? -1 : 1;
  }
  const std::string_view lhs_tail(lhs.data() + shared, lhs.size() - shared);
  return byte_order(lhs_tail, std::string_view(rhs.data() + shared, rhs.size() - shared));
}

// The epoch, the version's first number when it starts with one, and
// whether the next segment is a '~' (below the end and everything else) or
// the end, a letter run, a number or a '^' (above it); past a '-' that is
// not the last it could be either.
version_lead lead(std::string_view text, const std::uint64_t* against) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  lead_packer out(against);
  if (!lead_epoch(out, p, end, ':', 32, 31)) return out.rest_unknown();
  // Separators only part segments, but a '-' may end the version.
  while (p != end && kind_of(*p) == SEPARATOR && *p != '-') ++p;
  const bool ends = p != end && *p == '-' &&
                    std::memchr(p + 1, '-', static_cast<std::size_t>(end - p - 1)) == nullptr;
  if (p == end || ends || kind_of(*p) == LETTERS || kind_of(*p) == DIGITS || *p == '^') {
    out.put(1, 1);
  } else if (*p == '~') {
    out.put(0, 1);
  } else {
    return out.spanning(0, 1, 1);
  }
  return out.done();
}

}  // namespace

const version_scheme RPM_SCHEME = {valid, compare, key_bound, key, collate, key, nullptr, lead};

}  // namespace korvel
