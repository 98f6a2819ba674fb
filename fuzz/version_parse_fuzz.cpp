// Parses three versions and checks that their order is a total preorder:
// reflexive, antisymmetric and transitive. Each text sits in a buffer of its
// exact size, so a parse that reads past its input is caught by ASan. The
// parse is also checked against a naive split of the text.
#include <array>
#include <string_view>

#include "fuzz_input.h"
#include "version/parts.h"

namespace korvel::fuzzing {
namespace {

int list_length(const version_part* list) {
  int length = 0;
  for (; list != nullptr; list = list->next) ++length;
  return length;
}

struct parsed_text {
  exact_copy text;
  version_parse_result parsed;
};

void check_parse(const parsed_text& p, const separator_set& separators) {
  const int expected = naive_component_count(p.text.view(), separators);
  KORVEL_FUZZ_CHECK((p.parsed.status == version_parse_status::ok) == (expected > 0));
  KORVEL_FUZZ_CHECK((p.parsed.parts != nullptr) == (expected > 0));
  if (expected > 0) KORVEL_FUZZ_CHECK(list_length(p.parsed.parts) == expected);
}

int order(const parsed_text& a, const parsed_text& b) {
  const int result = version_compare(a.parsed.parts, b.parsed.parts);
  KORVEL_FUZZ_CHECK(result >= -1 && result <= 1);
  return result;
}

void check_order(const std::array<parsed_text, 3>& texts) {
  for (const parsed_text& a : texts) {
    KORVEL_FUZZ_CHECK(order(a, a) == 0);
    for (const parsed_text& b : texts) {
      KORVEL_FUZZ_CHECK(order(a, b) == -order(b, a));
      for (const parsed_text& c : texts) {
        if (order(a, b) <= 0 && order(b, c) <= 0) KORVEL_FUZZ_CHECK(order(a, c) <= 0);
        if (order(a, b) == 0 && order(b, c) == 0) KORVEL_FUZZ_CHECK(order(a, c) == 0);
      }
    }
  }
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel;
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const separator_set separators = take_separators(input);
  const std::string_view a = input.take_sized();
  const std::string_view b = input.take_sized();
  const std::string_view c = input.rest();
  std::array<parsed_text, 3> texts{parsed_text{exact_copy(a), {}}, parsed_text{exact_copy(b), {}},
                                   parsed_text{exact_copy(c), {}}};
  for (parsed_text& p : texts) p.parsed = version_parse(p.text.view(), separators);
  for (const parsed_text& p : texts) check_parse(p, separators);
  check_order(texts);
  for (parsed_text& p : texts) version_free(p.parsed.parts);
  return 0;
}
