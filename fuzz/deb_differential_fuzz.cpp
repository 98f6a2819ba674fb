// The deb scheme against libapt-pkg's own comparison: for two texts dpkg's
// rules accept, compare()'s sign, the keys' order and the collation's must
// all be apt's; for any two, the collation's fast paths and the key's one
// reading must give what the plain routines give.
#include <apt-pkg/debversion.h>

#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "scheme_leads.h"
#include "version/scheme.h"
#include "version/schemes/deb.h"

namespace korvel::fuzzing {
namespace {

// The key as SQL asks for it: none exactly for a text valid() rejects, and
// key()'s bytes for one it accepts.
std::string key_of(std::string_view text) {
  const std::size_t bound = DEB_SCHEME.key_bound(text.size());
  std::string key(bound, '\0');
  const std::size_t length =
      scheme_key(DEB_SCHEME, text, reinterpret_cast<unsigned char*>(key.data()));
  KORVEL_FUZZ_CHECK((length != kNoKey) == DEB_SCHEME.valid(text));
  if (length == kNoKey) return {};
  KORVEL_FUZZ_CHECK(length <= bound);
  key.resize(length);
  std::string unchecked(bound, '\0');
  unchecked.resize(DEB_SCHEME.key(text, reinterpret_cast<unsigned char*>(unchecked.data())));
  KORVEL_FUZZ_CHECK(key == unchecked);
  return key;
}

void check_pair(std::string_view a, std::string_view b) {
  check_leads(DEB_SCHEME, a, b);
  // The collation reads what the texts share once and has fast paths of its
  // own: on every pair, valid or not, it is the generic path's order.
  const int collated = scheme_collate(DEB_SCHEME, a, b);
  KORVEL_FUZZ_CHECK(collated == generic_collate(DEB_SCHEME, a, b));
  const std::string ka = key_of(a);
  const std::string kb = key_of(b);
  if (!DEB_SCHEME.valid(a) || !DEB_SCHEME.valid(b)) return;
  const int expected = sign(debVS.CmpVersion(std::string(a), std::string(b)));
  KORVEL_FUZZ_CHECK(sign(DEB_SCHEME.compare(a, b)) == expected);
  KORVEL_FUZZ_CHECK(sign(ka.compare(kb)) == expected);
  KORVEL_FUZZ_CHECK(collated == (expected != 0 ? expected : sign(a.compare(b))));
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
