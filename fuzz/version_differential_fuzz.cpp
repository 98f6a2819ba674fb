// The allocation-free orderings against the list-based one: comparing a text
// with a parsed list (in full, and as the aggregates' early-stopping winner
// test), and two texts with each other, must agree with parsing
// both and calling version_compare(), on well-formedness and on order. The
// collation's total order is checked on triples of texts.
#include <array>

#include "fuzz_input.h"
#include "version/version_collation.h"
#include "version/version_first_token.h"
#include "version/version_part.h"

namespace korvel::fuzzing {
namespace {

bool same_parts(const version_part* lhs, const version_part* rhs) {
  for (; lhs != nullptr && rhs != nullptr; lhs = lhs->next, rhs = rhs->next) {
    if (lhs->kind != rhs->kind || version_part_compare(lhs, rhs) != 0) return false;
  }
  return lhs == rhs;
}

// The aggregates' test: `a` wins against list `b` on `side` exactly when it
// is well formed and orders there, whether or not `b`'s own text is given
// to skip the bytes they share, and what the win keeps of `b`'s list
// rebuilds `a`'s.
void check_wins(std::string_view a, std::string_view b, const separator_set& separators,
                const version_part* a_parts, int listed) {
  for (const int side : {-1, 1}) {
    for (const std::string_view b_text : {std::string_view(), b}) {
      version_part* adopted = version_parse_recycling(b, separators, nullptr).parts;
      KORVEL_FUZZ_CHECK(adopted != nullptr);
      const bool turned_away = version_text_loses_at_once(a, separators, *adopted, side);
      KORVEL_FUZZ_CHECK(!(turned_away && a_parts != nullptr && listed == side));
      const text_win win = version_text_wins_sharing(a, separators, adopted, b_text, side);
      KORVEL_FUZZ_CHECK(win.wins == (a_parts != nullptr && listed == side));
      if (win.wins) {
        KORVEL_FUZZ_CHECK(version_adopt_text(adopted, a, separators, win) ==
                          version_parse_status::ok);
        KORVEL_FUZZ_CHECK(same_parts(adopted, a_parts));
      }
      version_free(adopted);
    }
  }
}

void check_text_orders(std::string_view a, std::string_view b, const separator_set& separators) {
  const version_parse_result pa = version_parse_recycling(a, separators, nullptr);
  const version_parse_result pb = version_parse_recycling(b, separators, nullptr);
  const bool a_ok = pa.status == version_parse_status::ok;
  const bool b_ok = pb.status == version_parse_status::ok;
  const int listed = version_compare(pa.parts, pb.parts);

  const text_order against_list = version_compare_text(a, separators, pb.parts);
  KORVEL_FUZZ_CHECK(against_list.well_formed == a_ok);
  if (a_ok) KORVEL_FUZZ_CHECK(against_list.order == listed);

  if (b_ok) check_wins(a, b, separators, pa.parts, listed);

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
