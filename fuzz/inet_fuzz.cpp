// Reads arbitrary bytes as an address or network and checks that the
// canonical text is a fixed point (written again, it reads back to the same
// value and prints the same), that a text and its canonical text have one
// key and compare as their bytes do, and that a text without zone or prefix
// is an address exactly when glibc's inet_pton takes it.
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
