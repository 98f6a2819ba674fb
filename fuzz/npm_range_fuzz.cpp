// Parses two npm ranges A and B, and "A || B", each from a buffer of its
// exact size, and asks them about a version. Beyond surviving any text:
// "A || B" parses exactly when both parse (neither blank), and it holds a
// release exactly when A or B does; a prerelease it holds, A or B holds
// too (npm's '*' alternative may only take matches away).
#include <string>
#include <string_view>

#include "fuzz_input.h"
#include "version/ranges/npm.h"
#include "version/schemes/semver.h"

namespace korvel::fuzzing {
namespace {

struct parsed_range {
  exact_copy text;
  void* compiled = nullptr;  // before status, which parse() sets with it
  range_status status;

  explicit parsed_range(std::string_view range)
      : text(range), status(NPM_RANGE_GRAMMAR.parse(SEMVER_SCHEME, text.view(), &compiled)) {
    KORVEL_FUZZ_CHECK((status == range_status::ok) == (compiled != nullptr));
  }
  parsed_range(const parsed_range&) = delete;
  parsed_range& operator=(const parsed_range&) = delete;
  ~parsed_range() {
    if (compiled != nullptr) NPM_RANGE_GRAMMAR.release(compiled);
  }

  [[nodiscard]] bool ok() const { return status == range_status::ok; }
  [[nodiscard]] bool holds(std::string_view version) const {
    return NPM_RANGE_GRAMMAR.satisfies(SEMVER_SCHEME, compiled, version);
  }
};

// A range of white space alone is '*' on its own and an empty alternative
// beside another.
bool blank(std::string_view text) {
  for (const char c : text) {
    if (c > ' ' && c < 0x7F) return false;
  }
  return true;
}

constexpr std::string_view kVersions[] = {"0.0.0",     "1.2.3",       "1.2.3-rc.1", "2.0.0-0",
                                          "0.0.1-0",   "1.0.0-alpha", "v3.4.5+b",   "10.20.30",
                                          "0.1.0-x.1", "4.17.21"};

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel;
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const std::string_view version_text = input.take_sized();
  const std::string_view a_text = input.take_sized();
  const std::string_view b_text = input.rest();
  const parsed_range a(a_text);
  const parsed_range b(b_text);
  const parsed_range both(std::string(a_text) + " || " + std::string(b_text));
  if (blank(a_text) || blank(b_text)) {
    KORVEL_FUZZ_CHECK(!both.ok());
    return 0;
  }
  KORVEL_FUZZ_CHECK(both.ok() == (a.ok() && b.ok()));
  if (!both.ok()) return 0;
  const exact_copy version(version_text);
  for (std::size_t k = 0; k <= sizeof kVersions / sizeof kVersions[0]; ++k) {
    const std::string_view v = k == 0 ? version.view() : kVersions[k - 1];
    if (!SEMVER_SCHEME.valid(v)) continue;
    const bool either = a.holds(v) || b.holds(v);
    if (semver_split(v).prerelease.empty()) {
      KORVEL_FUZZ_CHECK(both.holds(v) == either);
    } else {
      KORVEL_FUZZ_CHECK(!both.holds(v) || either);
    }
  }
  return 0;
}
