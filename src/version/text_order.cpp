#include "version/text_order.h"

#include "common/bytes.h"
#include "common/leading_int.h"
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

}  // namespace

// Sorts and index builds compare neighbours that mostly share their leading
// tokens: those are the same bytes, hence equal, so the comparison starts at
// the token holding the first differing byte and stops at the first token
// that differs in order.
int version_collation_compare(std::string_view lhs, std::string_view rhs) noexcept {
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

}  // namespace korvel
