// Folds arbitrary bytes as an address and checks the result against a naive
// fold built on the C library's strtoll, from an exactly sized buffer.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "address/ip_address.h"
#include "fuzz_input.h"

namespace {

// atoi's reading of one component, saturated to 32 bits.
std::int64_t naive_component(const std::string& component) {
  errno = 0;
  long long value = std::strtoll(component.c_str(), nullptr, 10);
  if (value > INT32_MAX) value = INT32_MAX;
  if (value < INT32_MIN) value = INT32_MIN;
  return value;
}

std::int64_t naive_fold(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::uint64_t folded = 0;
  for (;;) {
    const std::size_t dot = text.find('.');
    const std::int64_t component = naive_component(std::string(text.substr(0, dot)));
    folded = folded * 256 + static_cast<std::uint64_t>(component);
    if (dot == std::string_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return static_cast<std::int64_t>(folded);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const korvel::fuzzing::exact_copy text(
      std::string_view(reinterpret_cast<const char*>(data), size));
  KORVEL_FUZZ_CHECK(korvel::fold_ip_address(text.view()) == naive_fold(text.view()));
  return 0;
}
