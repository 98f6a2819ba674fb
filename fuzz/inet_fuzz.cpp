// Reads arbitrary bytes as an address or network and checks that the
// canonical text is a fixed point (written again, it reads back to the same
// value and prints the same), that a text and its canonical text have one
// key and compare as their bytes do, and that a text without zone or prefix
// is an address exactly when glibc's inet_pton takes it. Against a few
// plain IPv4 addresses, the collation's order (read from bit masks where
// both texts are plain IPv4) is the one the parser and keys give.
#include <arpa/inet.h>

#include <cstring>
#include <string>

#include "address/inet.h"
#include "fuzz_input.h"

namespace {

std::string canonical(const korvel::inet_value& value) {
  std::string text(korvel::INET_TEXT_CAPACITY + value.zone.size(), '\0');
  text.resize(korvel::format_inet(value, value.written_as_network, text.data()));
  return text;
}

std::string key(const korvel::inet_value& value) {
  unsigned char bytes[korvel::INET_KEY_CAPACITY];
  return {reinterpret_cast<const char*>(bytes), korvel::write_inet_key(value, bytes)};
}

bool inet_pton_accepts(std::string_view text) {
  const std::string terminated(text);
  unsigned char out[16];
  return inet_pton(AF_INET, terminated.c_str(), out) == 1 ||
         inet_pton(AF_INET6, terminated.c_str(), out) == 1;
}

// The collation's order the long way: texts that are neither address nor
// network first, then keys, then bytes.
int reference_order(std::string_view a, std::string_view b) {
  korvel::inet_value left;
  korvel::inet_value right;
  const bool left_valid = korvel::parse_inet(a, left);
  const bool right_valid = korvel::parse_inet(b, right);
  if (left_valid != right_valid) return left_valid ? 1 : -1;
  int order = left_valid ? key(left).compare(key(right)) : 0;
  if (order == 0) order = a.compare(b);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const korvel::fuzzing::exact_copy copy(
      std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string_view text = copy.view();
  korvel::inet_value value;
  const bool valid = korvel::parse_inet(text, value);
  if (text.find_first_of(std::string_view("%/\0", 3)) == std::string_view::npos) {
    KORVEL_FUZZ_CHECK(valid == inet_pton_accepts(text));
  }
  static constexpr const char* kPivots[] = {"0.0.0.0", "9.9.9.9", "10.1.2.3", "10.1.20.3",
                                            "199.255.0.1", "255.255.255.255", "::ffff:1.2.3.4"};
  for (const char* pivot : kPivots) {
    const int order = korvel::compare_inet_texts(text, pivot);
    KORVEL_FUZZ_CHECK(order == reference_order(text, pivot));
    KORVEL_FUZZ_CHECK(korvel::compare_inet_texts(pivot, text) == -order);
  }
  if (!valid) return 0;
  const std::string once = canonical(value);
  korvel::inet_value again;
  KORVEL_FUZZ_CHECK(korvel::parse_inet(once, again));
  KORVEL_FUZZ_CHECK(canonical(again) == once);
  KORVEL_FUZZ_CHECK(key(again) == key(value));
  KORVEL_FUZZ_CHECK(again.zone == value.zone);
  const int order = korvel::compare_inet_texts(text, once);
  const int bytes = text.compare(once);
  KORVEL_FUZZ_CHECK(order == (bytes < 0 ? -1 : bytes > 0 ? 1 : 0));
  return 0;
}
