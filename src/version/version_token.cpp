#include "version/version_token.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "common/leading_int.h"

namespace korvel {

namespace {

bool rest_is_well_formed(const version_tokenizer& tokenizer) noexcept {
  return tokenizer.finished ||
         tokens_well_formed(tokenizer.position, tokenizer.end, tokenizer.stops);
}

}  // namespace

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
