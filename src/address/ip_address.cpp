#include "address/ip_address.h"

#include <bit>
#include <charconv>
#include <cstring>

#include "common/leading_int.h"
#include "common/short_text.h"

namespace korvel {

namespace {

// Where each of the sixteen bytes is a '.' and where a digit, one bit per byte.
struct byte_classes {
  unsigned dots;
  unsigned digits;
};

byte_classes classify_bytes(const sixteen_bytes& bytes) noexcept {
#if defined(__SSE2__)
  const __m128i loaded = register_of(bytes);
  return {bytes_equal(loaded, '.'), bytes_in(loaded, '0', 10)};
#else
  byte_classes classes{0, 0};
  for (unsigned i = 0; i < 16; ++i) {
    const auto byte = static_cast<unsigned char>((i < 8 ? bytes.low : bytes.high) >> (8 * (i % 8)));
    classes.dots |= unsigned{byte == '.'} << i;
    classes.digits |= unsigned{static_cast<unsigned>(byte - '0') < 10} << i;
  }
  return classes;
#endif
}

// The value of the component of `length` (1 to 3) digits ending before
// `end` in `padded`, which holds three bytes before the text. A shorter
// component reads the bytes before it and multiplies them by 0.
unsigned quad_component(const unsigned char* padded, unsigned end, unsigned length) noexcept {
  const unsigned char* const last = padded + 3 + end - 1;
  return unsigned{length >= 3} * (last[-2] - unsigned{'0'}) * 100 +
         unsigned{length >= 2} * (last[-1] - unsigned{'0'}) * 10 + (last[0] - unsigned{'0'});
}

// Four components of one to three digits, the form of nearly every stored
// address, without a branch on the digits: a loop over each component's
// digits mispredicts its exit whenever components vary in length. Reports
// false, leaving `folded` meaningless, at any other text.
bool fold_dotted_quad(std::string_view text, std::uint64_t& folded) noexcept {
  const std::size_t size = text.size();
  if (std::endian::native != std::endian::little || size < 7 || size > 15) return false;
  const sixteen_bytes bytes = load_short_text(text.data(), size);
  const byte_classes classes = classify_bytes(bytes);
  const unsigned used = (1u << size) - 1;
  if (((classes.dots | classes.digits) & used) != used) return false;
  // Fewer than three dots make a length below fail; a fourth is seen here.
  const unsigned after_first = classes.dots & (classes.dots - 1);
  const unsigned after_second = after_first & (after_first - 1);
  if ((after_second & (after_second - 1)) != 0) return false;
  const unsigned first_dot = static_cast<unsigned>(std::countr_zero(classes.dots));
  const unsigned second_dot = static_cast<unsigned>(std::countr_zero(after_first));
  const unsigned third_dot = static_cast<unsigned>(std::countr_zero(after_second));
  const unsigned ends[4] = {first_dot, second_dot, third_dot, static_cast<unsigned>(size)};
  const unsigned lengths[4] = {first_dot, second_dot - first_dot - 1, third_dot - second_dot - 1,
                               static_cast<unsigned>(size) - third_dot - 1};
  bool short_components = true;
  for (const unsigned length : lengths) short_components &= length - 1 <= 2;
  if (!short_components) return false;
  // Stored word by word, so that each byte load below is served by one store.
  unsigned char padded[3 + 16] = {};
  std::memcpy(padded + 3, &bytes.low, 8);
  std::memcpy(padded + 11, &bytes.high, 8);
  std::uint64_t accumulator = 0;
  for (int i = 0; i < 4; ++i) {
    accumulator = accumulator * 256 + quad_component(padded, ends[i], lengths[i]);
  }
  folded = accumulator;
  return true;
}

// Texts made of digits and dots only, as every address a user stores is,
// with components of at most nine digits, which cannot leave the int32 range.
// An empty component folds as 0, as atoi("") does. Reports false, leaving
// `folded` meaningless, at any other text (a NUL too): the general fold
// takes over.
bool fold_digits_and_dots(const char* cursor, const char* end, std::uint64_t& folded) noexcept {
  std::uint64_t accumulator = 0;
  for (;;) {
    std::uint64_t component = 0;
    const char* const start = cursor;
    for (; cursor != end; ++cursor) {
      const std::uint64_t digit = static_cast<unsigned char>(*cursor) - unsigned{'0'};
      if (digit > 9) break;
      component = component * 10 + digit;
    }
    if (cursor - start > 9) return false;  // may leave the int32 range
    accumulator = accumulator * 256 + component;
    if (cursor == end) break;
    if (*cursor != '.') return false;
    ++cursor;
  }
  folded = accumulator;
  return true;
}

}  // namespace

// One pass over the text: each component is converted where it starts and
// the rest of it is skipped up to the next '.'.
std::int64_t fold_ip_address(std::string_view text) noexcept {
  // Unsigned arithmetic gives the modulo-2^64 wrap without signed overflow;
  // the final conversion back to int64 is well defined in C++20.
  const char* cursor = text.data();
  const char* const end = cursor + text.size();
  std::uint64_t accumulator = 0;
  if (fold_dotted_quad(text, accumulator)) return static_cast<std::int64_t>(accumulator);
  if (fold_digits_and_dots(cursor, end, accumulator)) return static_cast<std::int64_t>(accumulator);
  accumulator = 0;
  for (;;) {
    const leading_int component =
        parse_leading_int({cursor, static_cast<std::size_t>(end - cursor)});
    cursor += component.length;
    accumulator = accumulator * 256 + static_cast<std::uint64_t>(std::int64_t{component.value});
    while (cursor != end && *cursor != '.' && *cursor != '\0') ++cursor;
    if (cursor == end || *cursor == '\0') break;
    ++cursor;  // past the "."
  }
  return static_cast<std::int64_t>(accumulator);
}

std::size_t format_ipv4_text(std::uint32_t address,
                             char (&out)[IP_ADDRESS_TEXT_CAPACITY]) noexcept {
  char* cursor = out;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (shift != 24) *cursor++ = '.';
    cursor = std::to_chars(cursor, out + sizeof out, (address >> shift) & 0xFF).ptr;
  }
  *cursor = '\0';
  return static_cast<std::size_t>(cursor - out);
}

}  // namespace korvel
