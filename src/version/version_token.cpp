#include "version/version_token.h"

#include <charconv>
#include <cstring>

#include "common/leading_int.h"
#include "version/version_part.h"

namespace korvel {

namespace {

constexpr separator_set kDefaultStops = stop_bytes(DEFAULT_SEPARATOR_SET);

// From just past a separator: whether every remaining token is non-empty,
// that is no separator follows another and none ends the text. The loop
// keeps no branch on the bytes but its end, which a mispredicted token
// boundary would otherwise cost on every token.
bool tokens_well_formed(const char* cursor, const char* end,
                        const separator_set& separators) noexcept {
  bool previous_separator = true;
  bool empty_token = false;
  for (; cursor != end && *cursor != '\0'; ++cursor) {
    const bool separator = separators.contains(static_cast<unsigned char>(*cursor));
    empty_token |= separator & previous_separator;
    previous_separator = separator;
  }
  return !(empty_token | previous_separator);
}

}  // namespace

bool rest_is_well_formed(const version_tokenizer& tokenizer) noexcept {
  return tokenizer.finished ||
         tokens_well_formed(tokenizer.position, tokenizer.end, tokenizer.stops);
}

int byte_order(std::string_view lhs, std::string_view rhs) noexcept {
  const std::size_t common = lhs.size() < rhs.size() ? lhs.size() : rhs.size();
  if (common != 0) {
    const int bytes = std::memcmp(lhs.data(), rhs.data(), common);
    if (bytes != 0) return bytes < 0 ? -1 : 1;
  }
  return (lhs.size() > rhs.size()) - (lhs.size() < rhs.size());
}

int version_token_compare(const version_token& lhs, const version_token& rhs) noexcept {
  if (lhs.kind == VERSION_PART_NUMBER && rhs.kind == VERSION_PART_NUMBER) {
    return (lhs.number > rhs.number) - (lhs.number < rhs.number);
  }
  if (lhs.kind == VERSION_PART_TEXT && rhs.kind == VERSION_PART_TEXT) {
    return byte_order(lhs.text, rhs.text);
  }
  // A number meets a word through its decimal text; any int32 fits in 11 bytes.
  char digits[16];
  const version_token& number = lhs.kind == VERSION_PART_NUMBER ? lhs : rhs;
  const auto written = std::to_chars(digits, digits + sizeof digits, number.number).ptr;
  const std::string_view decimal(digits, static_cast<std::size_t>(written - digits));
  return &number == &lhs ? byte_order(decimal, rhs.text) : byte_order(lhs.text, decimal);
}

namespace {

// A byte no number can start with (digits, white space and signs can), so a
// token starting with it is a word.
bool starts_word(unsigned char byte) noexcept {
  return !is_decimal_digit(static_cast<char>(byte)) && byte != ' ' &&
         (byte < '\t' || byte > '\r') && byte != '+' && byte != '-';
}

// byte_order() against a NUL-terminated word, without measuring it first.
int word_order(std::string_view token, const char* word) noexcept {
  for (const char c : token) {
    const auto mine = static_cast<unsigned char>(c);
    const auto theirs = static_cast<unsigned char>(*word++);
    if (mine != theirs) return theirs == 0 || mine > theirs ? 1 : -1;
  }
  return *word == '\0' ? 0 : -1;
}

// version_token_compare() of the token against the part, with the common
// cases decided directly. A number's decimal text starts with a digit or '-',
// both ordering before any letter, so a number meeting a word is usually
// decided by one byte.
int token_order(std::string_view token, const version_part& part) noexcept {
  const auto first = static_cast<unsigned char>(token.front());
  if (is_decimal_digit(first)) {
    if (part.kind == VERSION_PART_NUMBER) {
      const std::int32_t number = parse_leading_digits(token).value;
      return (number > part.value.number) - (number < part.value.number);
    }
    const auto word_first = static_cast<unsigned char>(part.value.text[0]);
    if (word_first > '9') return -1;
    if (word_first < '0') return 1;
  } else if (starts_word(first)) {
    if (part.kind == VERSION_PART_TEXT) return word_order(token, part.value.text);
    if (first > '9') return 1;
  }
  return version_token_compare(classify_version_token(token), version_part_token(part));
}

// The order of a token that starts with `first` against `part` when that
// byte alone decides it, else 0: a number (its decimal text starts with a
// digit or '-') against a word starting outside the digits, or a word
// starting above '9' against a number.
int first_byte_order(unsigned char first, const version_part& part) noexcept {
  if (part.kind == VERSION_PART_TEXT) {
    if (!is_decimal_digit(first)) return 0;
    const auto word_first = static_cast<unsigned char>(part.value.text[0]);
    return word_first > '9' ? -1 : (word_first < '0' ? 1 : 0);
  }
  return first > '9' && starts_word(first) ? 1 : 0;
}

// The leading digits of the token at `cursor`, which is the token's value
// when it starts with a digit; leaves `cursor` after them. Saturates as
// parse_leading_digits() does, but keeps the saturation out of the loop.
std::int32_t read_leading_number(const char*& cursor, const char* end,
                                 const separator_set& stops) noexcept {
  const char* const start = cursor;
  std::uint64_t magnitude = 0;  // exact up to 19 digits, wraps (harmlessly) beyond
  for (; cursor != end; ++cursor) {
    const unsigned digit = static_cast<unsigned char>(*cursor) - unsigned{'0'};
    if (digit > 9 || stops.contains(static_cast<unsigned char>(*cursor))) break;
    magnitude = magnitude * 10 + digit;
  }
  constexpr std::ptrdiff_t kExactDigits = 19;
  if (cursor - start > kExactDigits) {
    return parse_leading_digits({start, static_cast<std::size_t>(cursor - start)}).value;
  }
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(magnitude);
}

// A token's order against a part, and where the token ends.
struct streamed_order {
  int order;
  const char* stop;  // the token's end, when `order` is 0 or the side asked for
  bool by_number;    // a number met a number: `number` is the token's value
  std::int32_t number;
};

// Orders the token at `cursor` against the part, reading no further than
// deciding needs.
streamed_order streamed_token_order(const char* cursor, const char* end, const separator_set& stops,
                                    const version_part& part, int side) noexcept {
  const auto first = static_cast<unsigned char>(*cursor);
  if (part.kind == VERSION_PART_NUMBER && is_decimal_digit(first) && !stops.contains(first)) {
    // A token starting with a digit is a number: its leading digits decide.
    const char* read = cursor;
    const std::int32_t number = read_leading_number(read, end, stops);
    const int order = (number > part.value.number) - (number < part.value.number);
    const bool read_on = order == 0 || order == side;
    return {order, read_on ? token_end(read, end, stops) : nullptr, true, number};
  }
  // An empty token: the text is malformed, so it loses whatever the side.
  if (stops.contains(first)) return {-side, nullptr, false, 0};
  int order = first_byte_order(first, part);
  if (order != 0 && order != side) return {order, nullptr, false, 0};
  const char* stop = token_end(cursor + 1, end, stops);
  if (order == 0) order = token_order({cursor, static_cast<std::size_t>(stop - cursor)}, part);
  return {order, stop, false, 0};
}

// The part of `parts` whose token is the first that `text` may not share
// with `list_text`, the text the list was parsed from: every token before it
// lies within the bytes the two texts share.
struct resume_point {
  const version_part* part;
  std::size_t index;
};
resume_point first_unshared_part(std::string_view text, std::string_view list_text,
                                 const version_part* parts) noexcept {
  const std::size_t common = text.size() < list_text.size() ? text.size() : list_text.size();
  if (parts == nullptr) return {parts, 0};
  // Over the first bytes the count runs without an early exit, so that how
  // many bytes a row shares with the winner costs no misprediction.
  constexpr std::size_t kBranchFreeBytes = 16;
  const std::size_t head = common < kBranchFreeBytes ? common : kBranchFreeBytes;
  std::size_t shared = 0;
  bool same = true;
  for (std::size_t i = 0; i < head; ++i) {
    same &= text[i] == list_text[i];
    shared += same;
  }
  if (same) {
    while (shared < common && text[shared] == list_text[shared]) ++shared;
  }
  std::size_t index = 0;
  while (parts->next != nullptr && parts->next->start <= shared) {
    parts = parts->next;
    ++index;
  }
  return {parts, index};
}

// Orders the text against the list as version_compare_text() does, but
// stops once the text is known not to win: a losing text need not be checked
// for empty tokens, as it is ignored whether it is well formed or not.
// Starts at the token of `resume`, every token before it being equal.
[[gnu::always_inline]] inline text_win text_wins_from(std::string_view text,
                                                      const separator_set& stops,
                                                      const separator_set& separators,
                                                      resume_point resume, int side) noexcept {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const version_part* parts = resume.part;
  const char* cursor = resume.index == 0 ? begin : begin + parts->start;
  for (std::size_t kept = resume.index;; parts = parts->next, ++kept) {
    if (cursor == end) return {};
    const auto here = static_cast<std::size_t>(cursor - begin);
    if (parts == nullptr) {
      // An empty token here makes tokens_well_formed() false.
      return {.wins = side == 1 && tokens_well_formed(cursor, end, separators),
              .kept_parts = kept,
              .tail_offset = here};
    }
    const streamed_order token = streamed_token_order(cursor, end, stops, *parts, side);
    if (token.order != 0 && token.order != side) return {};
    const bool last = ends_text(token.stop, end);
    if (token.order != 0) {
      if (!last && !tokens_well_formed(token.stop + 1, end, separators)) return {};
      if (!token.by_number) return {.wins = true, .kept_parts = kept, .tail_offset = here};
      const std::size_t after =
          last ? text_win::kNoTail : static_cast<std::size_t>(token.stop + 1 - begin);
      return {.wins = true,
              .kept_parts = kept,
              .by_number = true,
              .number = token.number,
              .tail_offset = after};
    }
    // Every token equal: a text with fewer tokens orders before the list.
    if (last) return {.wins = side == -1 && parts->next != nullptr, .kept_parts = kept + 1};
    cursor = token.stop + 1;
  }
}

[[gnu::always_inline]] inline text_win text_wins(std::string_view text, const separator_set& stops,
                                                 const separator_set& separators,
                                                 const version_part* parts, int side,
                                                 std::string_view list_text) noexcept {
  const resume_point resume = first_unshared_part(text, list_text, parts);
  text_win win = text_wins_from(text, stops, separators, resume, side);
  // The tokens up to the one resumed at start where the list's do.
  win.placed_parts = resume.index + 1;
  return win;
}

}  // namespace

text_win version_text_wins(std::string_view text, const separator_set& separators,
                           const version_part* parts, int side,
                           std::string_view list_text) noexcept {
  // The default set as a constant lets the compiler fold the lookups.
  if (&separators == &DEFAULT_SEPARATOR_SET || separators.same_bytes(DEFAULT_SEPARATOR_SET)) {
    return text_wins(text, kDefaultStops, DEFAULT_SEPARATOR_SET, parts, side, list_text);
  }
  return text_wins(text, stop_bytes(separators), separators, parts, side, list_text);
}

// One pass over the text: tokens are compared as they are found, and once
// the order is known the rest is only checked for empty tokens.
text_order version_compare_text(std::string_view text, const separator_set& separators,
                                const version_part* parts) noexcept {
  const separator_set stops = stop_bytes(separators);
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  for (;; parts = parts->next) {
    const char* stop = token_end(cursor, end, stops);
    if (stop == cursor) return {false, 0};
    const bool last = ends_text(stop, end);
    int order = parts == nullptr
                    ? 1
                    : token_order({cursor, static_cast<std::size_t>(stop - cursor)}, *parts);
    if (order == 0 && last) order = parts->next != nullptr ? -1 : 0;
    if (order != 0 || last) return {last || tokens_well_formed(stop + 1, end, separators), order};
    cursor = stop + 1;
  }
}

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

}  // namespace korvel
