// Parses a PEP 440 specifier set from any bytes and asks it about versions:
// no crash, leak or UB, each text in a buffer of its exact size. A set must
// answer as the same set written twice ("S, S") and the same set with white
// space around it, and a set that is malformed stays so when doubled.
#include <array>
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "version/ranges/pep440.h"
#include "version/schemes/pep440.h"

namespace korvel::fuzzing {
namespace {

// The compiled set of a text, or nullptr when it is malformed.
struct compiled_set {
  void* set = nullptr;
  range_status status;

  explicit compiled_set(std::string_view text) {
    const exact_copy copy(text);
    status = PEP440_RANGE_GRAMMAR.parse(PEP440_SCHEME, copy.view(), &set);
    KORVEL_FUZZ_CHECK(status == range_status::ok || status == range_status::malformed);
    KORVEL_FUZZ_CHECK((status == range_status::ok) == (set != nullptr));
  }
  ~compiled_set() {
    if (set != nullptr) PEP440_RANGE_GRAMMAR.release(set);
  }
  compiled_set(const compiled_set&) = delete;
  compiled_set& operator=(const compiled_set&) = delete;

  bool holds(std::string_view version) const {
    const exact_copy copy(version);
    return PEP440_RANGE_GRAMMAR.satisfies(PEP440_SCHEME, set, copy.view());
  }
};

bool blank(std::string_view text) {
  return pep440_skip_spaces(text.data(), text.data() + text.size()) == text.data() + text.size();
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel;
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const std::string_view text = input.take_sized();
  const compiled_set once(text);
  const std::string owned(text);
  const compiled_set twice(owned + " ,\t" + owned);
  const compiled_set spaced("\u3000 " + owned + "\n");
  // White space alone is the empty set, and doubled it is an empty item.
  KORVEL_FUZZ_CHECK(twice.status == (blank(text) ? range_status::malformed : once.status));
  KORVEL_FUZZ_CHECK(spaced.status == once.status);
  if (once.set == nullptr) return 0;
  std::array<std::string_view, 6> versions = {"1.0",
                                              "1.0rc1",
                                              "1!2.0.post1+local",
                                              "0",
                                              "1.0prev\xC4\xB0"
                                              "ew1",
                                              ""};
  versions.back() = input.rest();
  for (const std::string_view version : versions) {
    if (!PEP440_SCHEME.valid(version)) continue;
    const bool in = once.holds(version);
    if (twice.set != nullptr) KORVEL_FUZZ_CHECK(twice.holds(version) == in);
    KORVEL_FUZZ_CHECK(spaced.holds(version) == in);
  }
  return 0;
}
