// The pep440 order's fast paths against its parser: the collation (byte
// masks, suffixes read where the masks end a release) must give the generic
// path's order of valid() and compare() on every pair, valid or not; the
// key, written from the masks where it can be, must be there exactly for
// valid texts and order as compare() does. The parser itself is held to
// packaging.version by tests/version/schemes/pep440.py.
#include <vector>

#include "fuzz_input.h"
#include "scheme_leads.h"
#include "version/schemes/pep440.h"
#include "version_reference.h"

namespace korvel::fuzzing {
namespace {

void check_pair(std::string_view a, std::string_view b) {
  check_leads(PEP440_SCHEME, a, b);
  const int collated = scheme_collate(PEP440_SCHEME, a, b);
  KORVEL_FUZZ_CHECK(collated == generic_collate(PEP440_SCHEME, a, b));
  KORVEL_FUZZ_CHECK((collated == 0) == (a == b));
  if (!PEP440_SCHEME.valid(a) || !PEP440_SCHEME.valid(b)) return;
  // Keys order as SQLite orders BLOBs: bytes, then length.
  const std::vector<unsigned char> ka = scheme_key_of(PEP440_SCHEME, a);
  const std::vector<unsigned char> kb = scheme_key_of(PEP440_SCHEME, b);
  KORVEL_FUZZ_CHECK(testing::sign(PEP440_SCHEME.compare(a, b)) == (ka > kb) - (ka < kb));
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const exact_copy a(input.take_sized());
  const exact_copy b(input.take_sized());
  const exact_copy c(input.rest());
  for (const exact_copy* text : {&a, &b, &c}) (void)scheme_key_of(korvel::PEP440_SCHEME, text->view());
  check_pair(a.view(), b.view());
  check_pair(b.view(), a.view());
  check_pair(b.view(), c.view());
  check_pair(c.view(), a.view());
  return 0;
}
