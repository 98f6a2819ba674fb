// The rpm scheme against librpm itself: two texts cut from the input are
// ordered by rpmvercmp() when they are bare versions (no ':' and no '-') and
// by rpmverParse() + rpmverCmp() whole, and the core's order must match;
// keys must order as the core does, and the collation ties only identical
// texts.
#include <rpm/rpmver.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "scheme_leads.h"
#include "version/schemes/rpm.h"

namespace korvel::fuzzing {
namespace {

// librpm reads C strings: a NUL-terminated copy.
struct c_text {
  explicit c_text(std::string_view text) : bytes(text.begin(), text.end()) {
    bytes.push_back('\0');
  }
  std::vector<char> bytes;
  const char* get() const { return bytes.data(); }
};

bool bare_version(std::string_view text) {
  return text.find(':') == std::string_view::npos && text.find('-') == std::string_view::npos;
}

int reference_order(std::string_view a, std::string_view b) {
  const c_text ca(a);
  const c_text cb(b);
  if (bare_version(a) && bare_version(b)) {
    KORVEL_FUZZ_CHECK(sign(rpmvercmp(ca.get(), cb.get())) == sign(RPM_SCHEME.compare(a, b)));
  }
  rpmver va = rpmverParse(ca.get());
  rpmver vb = rpmverParse(cb.get());
  KORVEL_FUZZ_CHECK(va != nullptr && vb != nullptr);
  const int order = sign(rpmverCmp(va, vb));
  rpmverFree(va);
  rpmverFree(vb);
  return order;
}

void check_pair(std::string_view a, std::string_view b) {
  check_leads(RPM_SCHEME, a, b);
  const bool valid = RPM_SCHEME.valid(a) && RPM_SCHEME.valid(b);
  const int collated = scheme_collate(RPM_SCHEME, a, b);
  KORVEL_FUZZ_CHECK((collated == 0) == (a == b));
  const std::vector<unsigned char> ka = scheme_key_of(RPM_SCHEME, a);
  const std::vector<unsigned char> kb = scheme_key_of(RPM_SCHEME, b);
  if (!valid) return;
  const int order = sign(RPM_SCHEME.compare(a, b));
  KORVEL_FUZZ_CHECK(order == reference_order(a, b));
  KORVEL_FUZZ_CHECK(order == -sign(RPM_SCHEME.compare(b, a)));
  if (order != 0) KORVEL_FUZZ_CHECK(collated == order);
  KORVEL_FUZZ_CHECK(((ka > kb) - (ka < kb)) == order);
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const exact_copy a(input.take_sized());
  const exact_copy b(input.rest());
  // Validity is exactly "non-empty, without NUL".
  for (const std::string_view text : {a.view(), b.view()}) {
    KORVEL_FUZZ_CHECK(korvel::RPM_SCHEME.valid(text) ==
                      (!text.empty() && text.find('\0') == std::string_view::npos));
  }
  check_pair(a.view(), b.view());
  return 0;
}
