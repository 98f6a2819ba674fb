// The alpm scheme against libalpm itself: version_compare_alpm's answer
// (the scheme's tool_compare) must be alpm_pkg_vercmp()'s for any two
// texts; the collation's order must be an order whose keys agree with it,
// and depart from vercmp only where the documentation says: a missing
// release (vercmp: equal) and a part ending in separators against a letter
// run after separators (vercmp: a cycle).
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "scheme_leads.h"
#include "version/schemes/alpm.h"

// libalpm's own declaration (alpm.h) needs libarchive's headers for the
// rest of the library; this one function needs none.
extern "C" int alpm_pkg_vercmp(const char* a, const char* b);

namespace korvel::fuzzing {
namespace {

// libalpm reads C strings: a NUL-terminated copy.
struct c_text {
  explicit c_text(std::string_view text) : bytes(text.begin(), text.end()) {
    bytes.push_back('\0');
  }
  std::vector<char> bytes;
  const char* get() const { return bytes.data(); }
};

bool has_release(std::string_view text) {
  return text.find('-') != std::string_view::npos;
}

void check_pair(std::string_view a, std::string_view b) {
  check_leads(ALPM_SCHEME, a, b);
  const int collated = scheme_collate(ALPM_SCHEME, a, b);
  KORVEL_FUZZ_CHECK((collated == 0) == (a == b));
  const std::vector<unsigned char> ka = scheme_key_of(ALPM_SCHEME, a);
  const std::vector<unsigned char> kb = scheme_key_of(ALPM_SCHEME, b);
  if (!ALPM_SCHEME.valid(a) || !ALPM_SCHEME.valid(b)) return;
  const int vercmp = sign(alpm_pkg_vercmp(c_text(a).get(), c_text(b).get()));
  KORVEL_FUZZ_CHECK(sign(ALPM_SCHEME.tool_compare(a, b)) == vercmp);
  const int order = sign(ALPM_SCHEME.compare(a, b));
  KORVEL_FUZZ_CHECK(order == -sign(ALPM_SCHEME.compare(b, a)));
  KORVEL_FUZZ_CHECK(((ka > kb) - (ka < kb)) == order);
  if (order != 0) KORVEL_FUZZ_CHECK(collated == order);
  if (vercmp == 0 && order != 0) {
    // Equal to vercmp: the same but for a release one of them lacks.
    KORVEL_FUZZ_CHECK(has_release(a) != has_release(b));
    KORVEL_FUZZ_CHECK(order == (has_release(a) ? 1 : -1));
  }
  if (vercmp != 0 && order != vercmp) {
    // The cycle: the text vercmp puts after ends a part in separators
    // where the other goes on with letters after separators.
    KORVEL_FUZZ_CHECK(order == -vercmp);
  }
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const exact_copy a(input.take_sized());
  const exact_copy b(input.rest());
  for (const std::string_view text : {a.view(), b.view()}) {
    KORVEL_FUZZ_CHECK(korvel::ALPM_SCHEME.valid(text) ==
                      (!text.empty() && text.find('\0') == std::string_view::npos));
  }
  check_pair(a.view(), b.view());
  return 0;
}
