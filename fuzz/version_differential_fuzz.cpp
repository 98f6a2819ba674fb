// The allocation-free orderings against the list-based one: a row against
// the aggregates' flat winner, and two texts with each other, must agree with
// parsing both and calling version_compare(), on well-formedness and on
// order. The collation's total order is checked on triples of texts.
#include <array>

#include "fuzz_input.h"
#include "version/parts.h"
#include "version/text_order.h"
#include "version/winner.h"

namespace korvel::fuzzing {
namespace {

// Whether the winner's components are the list's.
bool same_parts(const winner& current, const version_part* list) {
  std::uint32_t i = 0;
  for (; list != nullptr && i < current.count; list = list->next, ++i) {
    const version_token token = winner_token(current, current.components[i]);
    if (token.kind != list->kind) return false;
    if (token.kind == VERSION_PART_NUMBER ? token.number != list->value.number
                                          : token.text != list->value.text) {
      return false;
    }
  }
  return list == nullptr && i == current.count;
}

// The aggregates' test: `a` replaces winner `b` on `side` exactly when it is
// well formed and orders there, and the winner's components are then `a`'s.
void check_wins(std::string_view a, std::string_view b, const separator_set& separators,
                const version_part* a_parts, const version_part* b_parts, int listed) {
  const splitting split = make_splitting(separators);
  for (const int side : {-1, 1}) {
    winner current{};
    KORVEL_FUZZ_CHECK(winner_consider(current, b, split, side) == winner_status::ok);
    KORVEL_FUZZ_CHECK(winner_consider(current, a, split, side) == winner_status::ok);
    const bool wins = a_parts != nullptr && listed == side;
    KORVEL_FUZZ_CHECK(winner_text(current) == (wins ? a : b));
    KORVEL_FUZZ_CHECK(same_parts(current, wins ? a_parts : b_parts));
    winner_clear(current);
  }
}

void check_text_orders(std::string_view a, std::string_view b, const separator_set& separators) {
  const version_parse_result pa = version_parse(a, separators);
  const version_parse_result pb = version_parse(b, separators);
  const bool a_ok = pa.status == version_parse_status::ok;
  const bool b_ok = pb.status == version_parse_status::ok;
  const int listed = version_compare(pa.parts, pb.parts);

  if (b_ok) check_wins(a, b, separators, pa.parts, pb.parts, listed);

  const text_pair_order texts = version_compare_texts(a, b, separators);
  KORVEL_FUZZ_CHECK(texts.lhs_well_formed == a_ok && texts.rhs_well_formed == b_ok);
  if (a_ok && b_ok) KORVEL_FUZZ_CHECK(texts.order == listed);
  version_free(pa.parts);
  version_free(pb.parts);
}

int collate(std::string_view a, std::string_view b) {
  const int order = version_collation_compare(a, b);
  KORVEL_FUZZ_CHECK(order >= -1 && order <= 1);
  KORVEL_FUZZ_CHECK((order == 0) == (a == b));  // only identical texts tie
  const text_pair_order versions = version_compare_texts(a, b, DEFAULT_SEPARATOR_SET);
  if (versions.lhs_well_formed != versions.rhs_well_formed) {
    KORVEL_FUZZ_CHECK(order == (versions.lhs_well_formed ? 1 : -1));
  } else if (versions.lhs_well_formed && versions.order != 0) {
    KORVEL_FUZZ_CHECK(order == versions.order);
  }
  return order;
}

void check_collation(const std::array<std::string_view, 3>& texts) {
  for (std::string_view a : texts) {
    for (std::string_view b : texts) {
      KORVEL_FUZZ_CHECK(collate(a, b) == -collate(b, a));
      for (std::string_view c : texts) {
        if (collate(a, b) < 0 && collate(b, c) < 0) KORVEL_FUZZ_CHECK(collate(a, c) < 0);
      }
    }
  }
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
  return 0;
}
