// The deb scheme against libapt-pkg's own comparison: for two texts dpkg's
// rules accept, compare()'s sign, the keys' order and the collation's must
// all be apt's.
#include <apt-pkg/debversion.h>

#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "version/deb.h"

namespace korvel::fuzzing {
namespace {

std::string key_of(std::string_view text) {
  const std::size_t bound = DEB_SCHEME.key_bound(text.size());
  std::string key(bound, '\0');
  const std::size_t length = DEB_SCHEME.key(text, reinterpret_cast<unsigned char*>(key.data()));
  KORVEL_FUZZ_CHECK(length <= bound);
  key.resize(length);
  return key;
}

void check_pair(std::string_view a, std::string_view b) {
  if (!DEB_SCHEME.valid(a) || !DEB_SCHEME.valid(b)) return;
  const int expected = sign(debVS.CmpVersion(std::string(a), std::string(b)));
  KORVEL_FUZZ_CHECK(sign(DEB_SCHEME.compare(a, b)) == expected);
  KORVEL_FUZZ_CHECK(sign(key_of(a).compare(key_of(b))) == expected);
  // The collation, which reads what the texts share once, ties by bytes.
  KORVEL_FUZZ_CHECK(scheme_collate(DEB_SCHEME, a, b) ==
                    (expected != 0 ? expected : sign(a.compare(b))));
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const exact_copy a(input.take_sized());
  const exact_copy b(input.rest());
  check_pair(a.view(), b.view());
  check_pair(b.view(), a.view());
  return 0;
}
