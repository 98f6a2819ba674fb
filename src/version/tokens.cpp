#include "version/tokens.h"

#include <charconv>

#include "common/bytes.h"

namespace korvel {

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

}  // namespace korvel
