#include "version/text_order.h"

#include "common/bytes.h"
#include "common/leading_int.h"
#include "version/chunks.h"
#include "version/tokens.h"

namespace korvel {

namespace {

bool rest_is_well_formed(const version_tokenizer& tokenizer) noexcept {
  return tokenizer.finished ||
         tokens_well_formed(tokenizer.position, tokenizer.end, tokenizer.stops);
}

}  // namespace

text_pair_order version_compare_texts(std::string_view lhs, std::string_view rhs,
                                      const separator_set& separators) noexcept {
  version_tokenizer left = make_version_tokenizer(lhs, separators);
  version_tokenizer right = make_version_tokenizer(rhs, separators);
  std::string_view left_token;
  std::string_view right_token;
  int order = 0;
  for (;;) {
    const token_step left_step = next_version_token(left, left_token);
    const token_step right_step = next_version_token(right, right_token);
    if (left_step == token_step::malformed || right_step == token_step::malformed) {
      const bool left_ok = left_step != token_step::malformed && rest_is_well_formed(left);
      const bool right_ok = right_step != token_step::malformed && rest_is_well_formed(right);
      return {left_ok, right_ok, 0};
    }
    if (left_step == token_step::end || right_step == token_step::end) {
      const bool left_ok = rest_is_well_formed(left);
      const bool right_ok = rest_is_well_formed(right);
      if (order == 0) order = (left_step == token_step::token) - (right_step == token_step::token);
      return {left_ok, right_ok, order};
    }
    if (order == 0) {
      order = version_token_compare(classify_version_token(left_token),
                                    classify_version_token(right_token));
    }
  }
}

namespace {

constexpr low_byte_set kSeparators = DEFAULT_SEPARATOR_BYTES;
constexpr low_byte_set kStops = DEFAULT_STOP_BYTES;

// Where one text's token stands: `at` its first byte, then where the
// comparison left it.
struct reading {
  const char* at;
  const char* end;
};

[[gnu::always_inline]] inline const char* digits_end(const char* cursor, const char* end,
                                                     std::int64_t& magnitude) noexcept {
  for (; cursor != end && is_decimal_digit(*cursor); ++cursor) {
    magnitude = push_decimal_digit(magnitude, *cursor);
  }
  return cursor;
}

// byte_order() of two words, read in step up to the first byte that differs.
[[gnu::always_inline]] inline int word_order(reading& a, reading& b) noexcept {
  for (;; ++a.at, ++b.at) {
    const bool a_stop = a.at == a.end || kStops.contains(static_cast<unsigned char>(*a.at));
    const bool b_stop = b.at == b.end || kStops.contains(static_cast<unsigned char>(*b.at));
    if (a_stop || b_stop) return int{!a_stop} - int{!b_stop};
    if (*a.at != *b.at) {
      return static_cast<unsigned char>(*a.at) > static_cast<unsigned char>(*b.at) ? 1 : -1;
    }
  }
}

// Orders the tokens at `a.at` and `b.at`, both non-empty, and leaves each
// cursor inside or at the end of its token: at the end when they are equal.
[[gnu::always_inline]] inline int token_pair_order(reading& a, reading& b) noexcept {
  const auto a_first = static_cast<unsigned char>(*a.at);
  const auto b_first = static_cast<unsigned char>(*b.at);
  const bool a_digit = is_decimal_digit(static_cast<char>(a_first));
  const bool b_digit = is_decimal_digit(static_cast<char>(b_first));
  if (a_digit && b_digit) {
    // Tokens starting with a digit are numbers: their leading digits.
    std::int64_t a_magnitude = 0;
    std::int64_t b_magnitude = 0;
    a.at = digits_end(a.at, a.end, a_magnitude);
    b.at = digits_end(b.at, b.end, b_magnitude);
    const std::int32_t a_value = clamp_to_int32(a_magnitude);
    const std::int32_t b_value = clamp_to_int32(b_magnitude);
    if (a_value != b_value) return a_value > b_value ? 1 : -1;
    a.at = token_end(a.at, a.end, kStops);
    b.at = token_end(b.at, b.end, kStops);
    return 0;
  }
  const bool a_word = byte_starts_word(a_first);
  const bool b_word = byte_starts_word(b_first);
  // A number's decimal text starts with a digit, which orders before a
  // word's first byte above '9' and after one below '0': one byte tells,
  // without reading either token to its end.
  if (a_digit && b_word) return b_first > '9' ? -1 : 1;
  if (a_word && b_digit) return a_first > '9' ? 1 : -1;
  if (a_word && b_word) return word_order(a, b);
  const char* a_start = a.at;
  const char* b_start = b.at;
  a.at = token_end(a.at + 1, a.end, kStops);
  b.at = token_end(b.at + 1, b.end, kStops);
  const std::string_view a_token(a_start, static_cast<std::size_t>(a.at - a_start));
  const std::string_view b_token(b_start, static_cast<std::size_t>(b.at - b_start));
  return version_token_compare(classify_version_token(a_token), classify_version_token(b_token));
}

// The order of two well-formed texts without a NUL from the token starts
// `a.at` and `b.at` on, alike before them.
inline int tokens_order(reading a, reading b) noexcept {
  for (;;) {
    if (const int order = token_pair_order(a, b); order != 0) return order;
    const bool a_last = a.at == a.end;
    const bool b_last = b.at == b.end;
    if (a_last || b_last) return int{!a_last} - int{!b_last};
    ++a.at;
    ++b.at;
  }
}

struct pair_reading {
  bool a_well_formed;
  bool b_well_formed;
  int order;  // meaningful only when both are well formed
};

// Compares the texts token by token from `a.at` and `b.at`, token starts,
// until the order is known or either text ends, then checks only that what
// is left of each has no empty token.
[[gnu::always_inline]] inline pair_reading read_pair(reading a, reading b) noexcept {
  for (;;) {
    const bool a_empty = a.at == a.end || kStops.contains(static_cast<unsigned char>(*a.at));
    const bool b_empty = b.at == b.end || kStops.contains(static_cast<unsigned char>(*b.at));
    if (a_empty || b_empty) {
      return {!a_empty && tokens_well_formed(a.at, a.end, kSeparators),
              !b_empty && tokens_well_formed(b.at, b.end, kSeparators), 0};
    }
    int order = token_pair_order(a, b);
    if (order == 0) {
      const bool a_last = ends_text(a.at, a.end);
      const bool b_last = ends_text(b.at, b.end);
      if (!a_last && !b_last) {
        ++a.at;
        ++b.at;
        continue;
      }
      // A version that extends an equal one orders after it.
      order = int{!a_last} - int{!b_last};
    }
    return {tokens_well_formed(a.at, a.end, kSeparators, false),
            tokens_well_formed(b.at, b.end, kSeparators, false), order};
  }
}

// byte_order() of the texts, given that they share their first `shared`
// bytes and differ at the next unless one ends there or both hold a NUL.
[[gnu::always_inline]] inline int bytes_order(std::string_view lhs, std::string_view rhs,
                                              std::size_t shared, std::size_t common) noexcept {
  if (shared == common) return (lhs.size() > rhs.size()) - (lhs.size() < rhs.size());
  const auto left = static_cast<unsigned char>(lhs[shared]);
  const auto right = static_cast<unsigned char>(rhs[shared]);
  if (left != right) return left > right ? 1 : -1;
  return byte_order(lhs, rhs);
}

#if defined(__SSE2__)
constexpr int kUndecided = 2;

// A text of 1 to 32 bytes as bit masks, bit i for byte i.
struct short_text {
  std::uint64_t digits;
  std::uint64_t separators;
  bool has_nul;
  bool well_formed;
};

struct chunk_classes {
  std::uint64_t digits;
  std::uint64_t separators;
  std::uint64_t nuls;
};

// The default separators as classes_of() finds them: '-', '.' and '/' are
// one range.
static_assert(DEFAULT_VERSION_SEPARATORS[0] == '.' && DEFAULT_VERSION_SEPARATORS[1] == '-' &&
              DEFAULT_VERSION_SEPARATORS[2] == '/' && DEFAULT_VERSION_SEPARATORS[3] == ' ' &&
              DEFAULT_VERSION_SEPARATORS[4] == '\0');

inline chunk_classes classes_of(__m128i chunk) noexcept {
  const __m128i dot_dash_slash = in_range(chunk, '-', 3);
  const __m128i space = _mm_cmpeq_epi8(chunk, _mm_set1_epi8(' '));
  return {mask_of(in_range(chunk, '0', 10)), mask_of(_mm_or_si128(dot_dash_slash, space)),
          mask_of(_mm_cmpeq_epi8(chunk, _mm_setzero_si128()))};
}

[[gnu::always_inline]] inline short_text read_short(std::size_t size,
                                                    const chunk_pair& chunks) noexcept {
  chunk_classes c = classes_of(chunks.low);
  if (size > 16) {
    const chunk_classes h = classes_of(chunks.high);
    c = {joined(c.digits, h.digits), joined(c.separators, h.separators), joined(c.nuls, h.nuls)};
  }
  const std::uint64_t live = (std::uint64_t{1} << size) - 1;
  const std::uint64_t s = c.separators;
  // No empty token: no separator first, last or after another.
  const bool well_formed =
      (s & 1) == 0 && !has_bit(s, static_cast<unsigned>(size - 1)) && (s & (s << 1)) == 0;
  return {c.digits, s, (c.nuls & live) != 0, well_formed};
}

// One text's side at the first byte where two texts part.
struct short_side {
  std::string_view text;
  const short_text& masks;

  [[nodiscard]] unsigned char at(unsigned i) const noexcept {
    return static_cast<unsigned char>(i < text.size() ? text[i] : 0);
  }
  [[nodiscard]] bool stops(unsigned i) const noexcept {
    return i >= text.size() || has_bit(masks.separators, i);
  }
  // The length of the digit run from `i`.
  [[nodiscard]] unsigned digit_run(unsigned i) const noexcept {
    return static_cast<unsigned>(__builtin_ctzll(~masks.digits >> i));
  }
};

// Where each text's tokens are to be read on from when the order is not
// known yet.
struct token_starts {
  unsigned a;
  unsigned b;
};

// The order of two well-formed texts alike before `at` from the token that
// holds `at`, which starts at `start`, as read_pair() gives it, `bytes`
// where that is 0, as far as the masks tell; else kUndecided, the tokens to
// be read from `resume` on (numbers alike with more tokens after them, or
// of ten digits or more, or with leading zeros; tokens that start with
// neither a digit nor a word's byte; words alike up to their ends).

int token_order(const short_side& a, const short_side& b, unsigned start, unsigned at, int bytes,
                token_starts& resume) noexcept {
  const bool a_digit = has_bit(a.masks.digits, start);
  const bool b_digit = has_bit(b.masks.digits, start);
  if (a_digit && b_digit) {
    // The bytes before `at` are alike, so the digit runs from `at` on
    // decide; counted from there, they need not wait for the token's start.
    const unsigned a_tail = a.digit_run(at);
    const unsigned b_tail = b.digit_run(at);
    const unsigned a_run = a.digit_run(start);
    const unsigned b_run = b.digit_run(start);
    if (a_run > 9 || b_run > 9 || (a.text[start] == '0' && a_run > 1) ||
        (b.text[start] == '0' && b_run > 1)) {
      return kUndecided;
    }
    const int by_tail = (a_tail > b_tail) - (a_tail < b_tail);
    // A byte other than a digit among those alike ends both numbers there.
    const bool whole = a_run >= at - start;
    if (whole & ((by_tail != 0) | (a_tail != 0))) return by_tail != 0 ? by_tail : bytes;
    // Equal numbers, such as 8+deb12u1 and 8+deb12u2: the last tokens of
    // both leave the bytes to decide, and a version with more tokens orders
    // after one without.
    const std::uint64_t a_after = a.masks.separators & (~std::uint64_t{0} << at);
    const std::uint64_t b_after = b.masks.separators & (~std::uint64_t{0} << at);
    if ((a_after == 0) != (b_after == 0)) return a_after != 0 ? 1 : -1;
    if (a_after == 0) return bytes;
    // The next tokens start past each text's next separator.
    resume = {static_cast<unsigned>(__builtin_ctzll(a_after)) + 1,
              static_cast<unsigned>(__builtin_ctzll(b_after)) + 1};
    return kUndecided;
  }
  if (a_digit != b_digit) {
    // A number's decimal text starts with a digit, which orders before a
    // word's first byte above '9' and after one below '0'.
    const unsigned char word = a_digit ? b.at(start) : a.at(start);
    if (!byte_starts_word(word)) return kUndecided;
    return (word > '9') == a_digit ? -1 : 1;
  }
  if (!byte_starts_word(a.at(start)) || !byte_starts_word(b.at(start))) return kUndecided;
  const bool a_stop = a.stops(at);
  const bool b_stop = b.stops(at);
  if (a_stop || b_stop) return a_stop && b_stop ? kUndecided : (a_stop ? -1 : 1);
  return a.at(at) < b.at(at) ? -1 : 1;
}

// A text's two registers in memory, zeros after them, for loads from any
// token start.
struct staged_text {
  alignas(16) unsigned char bytes[48];
};

inline void stage(staged_text& staged, const chunk_pair& chunks) noexcept {
  auto* at = reinterpret_cast<__m128i*>(staged.bytes);
  _mm_store_si128(at, chunks.low);
  _mm_store_si128(at + 1, chunks.high);
  _mm_store_si128(at + 2, _mm_setzero_si128());
}

// byte_order() of the `n` bytes (at most sixteen) at `a` and `b`.
inline int bytes_order_of(const unsigned char* a, const unsigned char* b, unsigned n) noexcept {
  const __m128i equal = _mm_cmpeq_epi8(chunk_at(reinterpret_cast<const char*>(a)),
                                       chunk_at(reinterpret_cast<const char*>(b)));
  const auto differ = static_cast<unsigned>(~mask_of(equal)) & ((1U << n) - 1);
  if (differ == 0) return 0;
  const auto k = static_cast<unsigned>(__builtin_ctz(differ));
  return a[k] < b[k] ? -1 : 1;
}

// The bytes that are '0'.
inline std::uint64_t zeros_of(const chunk_pair& chunks) noexcept {
  const __m128i zero = _mm_set1_epi8('0');
  return joined(mask_of(_mm_cmpeq_epi8(chunks.low, zero)),
                mask_of(_mm_cmpeq_epi8(chunks.high, zero)));
}

// How many of a digit run's first `run` - 1 digits are zeros, from the
// run's '0' bits.
inline unsigned leading_zeros(std::uint64_t zeros, unsigned run) noexcept {
  const auto count = static_cast<unsigned>(__builtin_ctzll(~zeros));
  return count < run ? count : run - 1;
}

// tokens_order() from the token starts `at`, token pair by token pair from
// the masks while they tell: numbers of up to nine digits past their
// leading zeros, words of up to sixteen bytes. Else kUndecided, `at` the pair to
// read on from.
int tokens_from(const short_side& a, const chunk_pair& a_chunks, const short_side& b,
                const chunk_pair& b_chunks, token_starts& at) noexcept {
  staged_text sa;
  staged_text sb;
  stage(sa, a_chunks);
  stage(sb, b_chunks);
  const std::uint64_t a_zeros = zeros_of(a_chunks);
  const std::uint64_t b_zeros = zeros_of(b_chunks);
  for (;;) {
    const unsigned ra = at.a;
    const unsigned rb = at.b;
    const std::uint64_t a_stops = a.masks.separators >> ra;
    const std::uint64_t b_stops = b.masks.separators >> rb;
    const auto a_size = static_cast<unsigned>(a.text.size());
    const auto b_size = static_cast<unsigned>(b.text.size());
    const unsigned a_length =
        a_stops != 0 ? static_cast<unsigned>(__builtin_ctzll(a_stops)) : a_size - ra;
    const unsigned b_length =
        b_stops != 0 ? static_cast<unsigned>(__builtin_ctzll(b_stops)) : b_size - rb;
    const unsigned char a_first = sa.bytes[ra];
    const unsigned char b_first = sb.bytes[rb];
    const bool a_digit = has_bit(a.masks.digits, ra);
    const bool b_digit = has_bit(b.masks.digits, rb);
    int order = 0;
    if (a_digit && b_digit) {
      // A number's value is its digits past its leading zeros, all of them
      // but the last.
      const unsigned a_run = a.digit_run(ra);
      const unsigned b_run = b.digit_run(rb);
      const unsigned a_skip = leading_zeros(a_zeros >> ra, a_run);
      const unsigned b_skip = leading_zeros(b_zeros >> rb, b_run);
      const unsigned a_digits = a_run - a_skip;
      const unsigned b_digits = b_run - b_skip;
      if (a_digits > 9 || b_digits > 9) return kUndecided;
      if (a_digits != b_digits) return a_digits > b_digits ? 1 : -1;
      order = bytes_order_of(sa.bytes + ra + a_skip, sb.bytes + rb + b_skip, a_digits);
    } else if (a_digit != b_digit) {
      const unsigned char word = a_digit ? b_first : a_first;
      if (!byte_starts_word(word)) return kUndecided;
      return (word > '9') == a_digit ? -1 : 1;
    } else {
      if (!byte_starts_word(a_first) || !byte_starts_word(b_first)) return kUndecided;
      const unsigned common = a_length < b_length ? a_length : b_length;
      if (common > 16) return kUndecided;
      order = bytes_order_of(sa.bytes + ra, sb.bytes + rb, common);
      if (order == 0) order = (a_length > b_length) - (a_length < b_length);
    }
    if (order != 0) return order;
    const bool a_last = ra + a_length == a_size;
    const bool b_last = rb + b_length == b_size;
    if (a_last || b_last) return int{!a_last} - int{!b_last};
    at = {ra + a_length + 1, rb + b_length + 1};
  }
}

// version_collation_compare() of two texts of 1 to 32 bytes, from masks of
// two registers each: where they part, and which token holds that byte,
// mostly decide; the rest is read token by token from there. kUndecided for
// a text with a NUL, which ends its version but not its bytes.
[[gnu::always_inline]] inline int collate_short(std::string_view lhs, std::string_view rhs,
                                                const chunk_pair& lhs_chunks,
                                                const chunk_pair& rhs_chunks) noexcept {
  const std::uint64_t differ = differing(lhs_chunks, rhs_chunks);
  // Identical texts, common in inventories, are equal whatever they hold; a
  // NUL matches the padding, hence the sizes.
  if (differ == 0 && lhs.size() == rhs.size()) return 0;
  const short_text a = read_short(lhs.size(), lhs_chunks);
  const short_text b = read_short(rhs.size(), rhs_chunks);
  if (a.has_nul || b.has_nul) return kUndecided;
  if (a.well_formed != b.well_formed) return a.well_formed ? 1 : -1;
  const auto at = static_cast<unsigned>(__builtin_ctzll(differ));
  const short_side sa{lhs, a};
  const short_side sb{rhs, b};
  const int bytes = sa.at(at) < sb.at(at) ? -1 : 1;
  if (!a.well_formed) return bytes;
  const std::uint64_t before = a.separators & ((std::uint64_t{1} << at) - 1);
  const unsigned start = before == 0 ? 0 : 64 - static_cast<unsigned>(__builtin_clzll(before));
  token_starts resume{start, start};
  int order = token_order(sa, sb, start, at, bytes, resume);
  if (order == kUndecided) order = tokens_from(sa, lhs_chunks, sb, rhs_chunks, resume);
  if (order == kUndecided) {
    order = tokens_order({lhs.data() + resume.a, lhs.data() + lhs.size()},
                         {rhs.data() + resume.b, rhs.data() + rhs.size()});
  }
  return order != 0 ? order : bytes;
}
#endif

// version_collation_compare() of texts collate_short() leaves undecided.
// Apart, so that the short path, which decides most comparisons of a sort,
// does not carry this one's frame and spills.
[[gnu::noinline]] int collate_long(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  const std::size_t shared = shared_length(lhs.data(), rhs.data(), common);
  // Identical texts, common in inventories, need no reading as versions.
  if (shared == lhs.size() && lhs.size() == rhs.size()) return 0;
  std::size_t start = shared;
  while (start > 0 && !kSeparators.contains(static_cast<unsigned char>(lhs[start - 1]))) --start;
  const pair_reading versions = read_pair({lhs.data() + start, lhs.data() + lhs.size()},
                                          {rhs.data() + start, rhs.data() + rhs.size()});
  const int bytes = bytes_order(lhs, rhs, shared, common);
  int order = bytes;
  if (versions.a_well_formed != versions.b_well_formed) {
    order = versions.a_well_formed ? 1 : -1;
  } else if (versions.a_well_formed && versions.order != 0) {
    order = versions.order;
  }
  // An empty token among the shared ones makes both texts malformed, which
  // bytes order; the shared tokens end with a separator, so without it they
  // must be well-formed tokens on their own. Asked only when the answer
  // depends on it.
  if (order != bytes && start > 0 &&
      !tokens_well_formed(lhs.data(), lhs.data() + start - 1, kSeparators)) {
    return bytes;
  }
  return order;
}

}  // namespace

// Sorts and index builds compare neighbours that mostly share their leading
// tokens: those are the same bytes, hence equal, so the comparison starts at
// the token holding the first differing byte and stops at the first token
// that differs in order.
int version_collation_compare(std::string_view lhs, std::string_view rhs) noexcept {
#if defined(__SSE2__)
  return collate_pair<collate_short, collate_long, kUndecided>(lhs, rhs);
#else
  return collate_long(lhs, rhs);
#endif
}

}  // namespace korvel
