// The allocation-free orderings against the list-based one: a row against
// the aggregates' flat winner, and two texts with each other, must agree with
// parsing both and calling version_compare(), on well-formedness and on
// order. The collation must order as the whole texts do, and totally. Every
// package order's lead must agree with that order on the same texts.
#include <vector>

#include "default_order_checks.h"
#include "fuzz_input.h"
#include "scheme_leads.h"
#include "version/schemes/schemes.h"

namespace korvel::fuzzing {
namespace {

void check_text_orders(std::string_view a, std::string_view b, const separator_set& separators) {
  const splitting split = make_splitting(separators);
  KORVEL_FUZZ_CHECK(testing::text_pair_disagreement(a, b, separators).empty());
  KORVEL_FUZZ_CHECK(testing::winner_disagreement(a, b, split, split).empty());
}

void check_collation(const std::vector<std::string_view>& texts) {
  for (std::string_view a : texts) {
    for (std::string_view b : texts)
      KORVEL_FUZZ_CHECK(testing::collation_disagreement(a, b).empty());
  }
  KORVEL_FUZZ_CHECK(testing::total_order_violation(texts, version_collation_compare).empty());
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const korvel::separator_set separators = take_separators(input);
  const exact_copy a(input.take_sized());
  const exact_copy b(input.take_sized());
  const exact_copy c(input.rest());
  check_text_orders(a.view(), b.view(), separators);
  check_text_orders(b.view(), c.view(), separators);
  check_text_orders(c.view(), a.view(), separators);
  check_collation({a.view(), b.view(), c.view()});
  for (std::size_t i = 0; i < korvel::kSchemeRowCount; ++i) {
    const korvel::version_scheme& scheme = *korvel::kSchemeRows[i].scheme;
    check_leads(scheme, a.view(), b.view());
    check_leads(scheme, b.view(), c.view());
    check_leads(scheme, c.view(), a.view());
  }
  return 0;
}
