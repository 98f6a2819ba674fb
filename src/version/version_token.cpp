#include "version/version_token.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "common/leading_int.h"
#include "version/version_first_token.h"
#include "version/version_part.h"

namespace korvel {

namespace {

constexpr separator_set kDefaultStops = stop_bytes(DEFAULT_SEPARATOR_SET);

}  // namespace

// The loop keeps no branch on the bytes but its end, which a mispredicted
// token boundary would otherwise cost on every token.
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
  } else if (byte_starts_word(first)) {
    if (part.kind == VERSION_PART_TEXT) return word_order(token, part.value.text);
    if (first > '9') return 1;
  }
  return version_token_compare(classify_version_token(token), version_part_token(part));
}

// Reads the leading digits of the token at `cursor` against a number part,
// leaving `cursor` after them and their value in `value`. 0 when they equal
// the number.
int leading_number_order(const char*& cursor, const char* end, const separator_set& stops,
                         std::int32_t number, std::int32_t& value) noexcept {
  std::int64_t magnitude = 0;
  for (; cursor != end; ++cursor) {
    const auto byte = static_cast<unsigned char>(*cursor);
    if (!is_decimal_digit(*cursor) || stops.contains(byte)) break;
    magnitude = push_decimal_digit(magnitude, *cursor);
  }
  value = clamp_to_int32(magnitude);
  return (value > number) - (value < number);
}

// Set when a token's order against a part was decided number against
// number: the token's value.
struct number_verdict {
  bool by_number = false;
  std::int32_t number = 0;
};

// Orders the token at `cursor` against the part, reading no further than
// deciding needs; `stop` is then left at the token's end only if the order
// is 0 or `side`, else it is meaningless.
int streamed_token_order(const char* cursor, const char* end, const separator_set& stops,
                         const version_part& part, int side, const char*& stop,
                         number_verdict& verdict) noexcept {
  const auto first = static_cast<unsigned char>(*cursor);
  if (part.kind == VERSION_PART_NUMBER && is_decimal_digit(first)) {
    // A token starting with a digit is a number: its leading digits decide.
    const char* read = cursor;
    verdict.by_number = true;
    const int order = leading_number_order(read, end, stops, part.value.number, verdict.number);
    if (order == 0 || order == side) stop = token_end(read, end, stops);
    return order;
  }
  int order = first_byte_order(first, part);
  if (order != 0 && order != side) return order;
  stop = token_end(cursor + 1, end, stops);
  if (order == 0) order = token_order({cursor, static_cast<std::size_t>(stop - cursor)}, part);
  return order;
}

// The index of the first byte of `mine` that is NUL or differs from
// `theirs`' in the same place; the word's size when there is none. Bytes are
// in memory order, so the word must have been loaded little-endian.
template <typename Word>
unsigned first_mismatch(Word mine, Word theirs) noexcept {
  constexpr Word ones = static_cast<Word>(~Word{0}) / 0xFF;
  // Flags every NUL byte, and possibly bytes above one: the lowest is exact.
  const Word nul = (mine - ones) & ~mine & (ones * 0x80);
  const Word flags = nul | (mine ^ theirs);
  return flags == 0 ? sizeof(Word) : static_cast<unsigned>(std::countr_zero(flags)) / 8;
}

template <typename Word>
unsigned first_mismatch_at(const char* mine, const char* theirs) noexcept {
  Word a;
  Word b;
  std::memcpy(&a, mine, sizeof a);
  std::memcpy(&b, theirs, sizeof b);
  return first_mismatch(a, b);
}

// How many leading bytes `a` and `b` share, up to `common` and short of a
// NUL. Words are compared whole; the last one may overlap bytes already
// compared, so that no byte past `common` is read.
template <typename Word>
std::size_t shared_words(const char* a, const char* b, std::size_t common) noexcept {
  for (std::size_t offset = 0;; offset += sizeof(Word)) {
    const std::size_t at = offset + sizeof(Word) <= common ? offset : common - sizeof(Word);
    const unsigned mismatch = first_mismatch_at<Word>(a + at, b + at);
    if (mismatch < sizeof(Word)) return at + mismatch;
    if (at + sizeof(Word) == common) return common;
  }
}

}  // namespace

std::size_t shared_length(const char* a, const char* b, std::size_t common) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    if (common >= 8) return shared_words<std::uint64_t>(a, b, common);
    if (common >= 4) return shared_words<std::uint32_t>(a, b, common);
  }
  std::size_t shared = 0;
  while (shared < common && a[shared] == b[shared] && a[shared] != '\0') ++shared;
  return shared;
}

namespace {

// Where the comparison of a text against a list may begin.
struct resume_point {
  std::size_t offset = 0;                  // of a token's first byte in the text
  const version_part* previous = nullptr;  // the part before `part`, if any
  const version_part* part = nullptr;
};

// Whether no separator follows `from` in the token holding it, up to the
// text's end or NUL.
bool in_last_token(std::string_view text, std::size_t from, const separator_set& stops) noexcept {
  while (from < text.size() && !stops.contains(static_cast<unsigned char>(text[from]))) ++from;
  return from == text.size() || text[from] == '\0';
}

// The bytes a text shares with the list's own text need no comparing: the
// tokens they hold are the same bytes, hence equal. The text resumes at the
// token holding the first byte that differs. When that is the list text's
// last token, as when versions grow one release at a time, the list's last
// part is where it resumes; otherwise the separators before it are counted.
[[gnu::always_inline]] inline resume_point shared_prefix_end(std::string_view text,
                                                             std::string_view parts_text,
                                                             const separator_set& stops,
                                                             const version_part* parts) noexcept {
  const resume_point from_start{0, nullptr, parts};
  const std::size_t common = text.size() < parts_text.size() ? text.size() : parts_text.size();
  const std::size_t differ = shared_length(text.data(), parts_text.data(), common);
  std::size_t token = differ;
  while (token > 0 && !stops.contains(static_cast<unsigned char>(text[token - 1]))) --token;
  if (token == 0) return from_start;
  resume_point resume{token, nullptr, parts};
  if (in_last_token(parts_text, differ, stops)) {
    for (; resume.part->next != nullptr; resume.part = resume.part->next) {
      resume.previous = resume.part;
    }
    return resume;
  }
  for (std::size_t i = 0; i < token; ++i) {
    if (!stops.contains(static_cast<unsigned char>(text[i]))) continue;
    // A list shorter than its text says is not the text's: start over.
    if (resume.part->next == nullptr) return from_start;
    resume.previous = resume.part;
    resume.part = resume.part->next;
  }
  return resume;
}

// Orders the text against the list as version_compare_text() does, but
// stops once the text is known not to win: a losing text need not be checked
// for empty tokens, as it is ignored whether it is well formed or not.
inline text_win text_wins(std::string_view text, const separator_set& stops,
                          const separator_set& separators, const version_part* parts, int side,
                          std::string_view parts_text) noexcept {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  // Most rows that lose differ from the list's text in their first byte.
  const bool shares_first_byte =
      !text.empty() && !parts_text.empty() && parts_text.front() == text.front();
  const resume_point resume = shares_first_byte ? shared_prefix_end(text, parts_text, stops, parts)
                                                : resume_point{0, nullptr, parts};
  const char* cursor = begin + resume.offset;
  parts = resume.part;
  // The list's part before `parts`: the last of those the text matched.
  const version_part* kept = resume.previous;
  for (;; kept = parts, parts = parts->next) {
    if (cursor == end || stops.contains(static_cast<unsigned char>(*cursor))) return {};
    const auto here = static_cast<std::size_t>(cursor - begin);
    if (parts == nullptr) {
      return {.wins = side == 1 && tokens_well_formed(cursor, end, separators),
              .last_kept = kept,
              .tail_offset = here};
    }
    const char* stop = nullptr;
    number_verdict verdict;
    const int order = streamed_token_order(cursor, end, stops, *parts, side, stop, verdict);
    if (order != 0 && order != side) return {};
    const bool last = ends_text(stop, end);
    if (order != 0) {
      if (!last && !tokens_well_formed(stop + 1, end, separators)) return {};
      if (!verdict.by_number) return {.wins = true, .last_kept = kept, .tail_offset = here};
      // The deciding number replaces the list's; only what follows is parsed.
      return {.wins = true,
              .by_number = true,
              .number = verdict.number,
              .last_kept = kept,
              .tail_offset = last ? text_win::kNoTail : static_cast<std::size_t>(stop + 1 - begin)};
    }
    // Every token equal: a text with fewer tokens orders before the list.
    if (last) return {.wins = side == -1 && parts->next != nullptr, .last_kept = parts};
    cursor = stop + 1;
  }
}

// The default set as a constant lets the compiler fold the lookups.
inline text_win text_wins_at_separators(std::string_view text, const separator_set& separators,
                                        const version_part* parts, int side,
                                        std::string_view parts_text) noexcept {
  if (&separators == &DEFAULT_SEPARATOR_SET || separators.same_bytes(DEFAULT_SEPARATOR_SET)) {
    return text_wins(text, kDefaultStops, DEFAULT_SEPARATOR_SET, parts, side, parts_text);
  }
  return text_wins(text, stop_bytes(separators), separators, parts, side, parts_text);
}

}  // namespace

text_win version_text_wins(std::string_view text, const separator_set& separators,
                           const version_part* parts, int side) noexcept {
  return text_wins_at_separators(text, separators, parts, side, {});
}

[[gnu::flatten]] text_win version_text_wins_sharing(std::string_view text,
                                                    const separator_set& separators,
                                                    const version_part* parts,
                                                    std::string_view parts_text,
                                                    int side) noexcept {
  return text_wins_at_separators(text, separators, parts, side, parts_text);
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
