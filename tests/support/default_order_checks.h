// The default order's allocation-free paths judged by parsing and comparing
// lists. Each check returns what disagreed, "" when nothing did, so that the
// unit tests and the fuzzers make the very same checks and only report them
// their own way.
#pragma once

#include <string>
#include <string_view>

#include "common/bytes.h"
#include "version/parts.h"
#include "version/text_order.h"
#include "version/winner.h"
#include "version_reference.h"

namespace korvel::testing {

// Whether the winner's components are the list's.
inline bool same_parts(const winner& current, const version_part* list) {
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

// version_compare_texts() of `a` and `b` against parsing both: which is
// well formed, and the order when both are.
inline std::string text_pair_disagreement(std::string_view a, std::string_view b,
                                          const separator_set& separators) {
  const version_parse_result a_parts = version_parse(a, separators);
  const version_parse_result b_parts = version_parse(b, separators);
  const text_pair_order texts = version_compare_texts(a, b, separators);
  std::string problem;
  if (texts.lhs_well_formed != (a_parts.parts != nullptr) ||
      texts.rhs_well_formed != (b_parts.parts != nullptr)) {
    problem = "well-formedness differs from parsing";
  } else if (a_parts.parts != nullptr && b_parts.parts != nullptr &&
             texts.order != version_compare(a_parts.parts, b_parts.parts)) {
    problem = "order " + std::to_string(texts.order) + " differs from the lists'";
  }
  version_free(a_parts.parts);
  version_free(b_parts.parts);
  return problem;
}

// Row `row`, split at `row_split`, offered on each side to a winner that
// holds `held`, split at `held_split`: it must replace the winner exactly
// when it is well formed and orders on that side, and the winner's
// components must then be its own. Nothing to judge when `held` is malformed.
inline std::string winner_disagreement(std::string_view row, std::string_view held,
                                       const splitting& row_split, const splitting& held_split) {
  const version_parse_result row_parts = version_parse(row, row_split.set);
  const version_parse_result held_parts = version_parse(held, held_split.set);
  std::string problem;
  const int listed = version_compare(row_parts.parts, held_parts.parts);
  for (const int side : {-1, 1}) {
    if (held_parts.parts == nullptr || !problem.empty()) break;
    winner current{};
    const bool wins = row_parts.parts != nullptr && listed == side;
    if (winner_consider(current, held, held_split, side) != winner_status::ok) {
      problem = "no memory";
    } else if (winner_text(current) != held) {
      problem = "the first row did not win";
    } else if (winner_consider(current, row, row_split, side) != winner_status::ok) {
      problem = "no memory";
    } else if (winner_text(current) != (wins ? row : held)) {
      problem = "wrong winner on side " + std::to_string(side);
    } else if (!same_parts(current, wins ? row_parts.parts : held_parts.parts)) {
      problem = "wrong components on side " + std::to_string(side);
    }
    winner_clear(current);
  }
  version_free(row_parts.parts);
  version_free(held_parts.parts);
  return problem;
}

// The collation against the whole texts: a malformed text before a well
// formed one, two versions by version_compare_texts(), and bytes where
// neither tells them apart.
inline std::string collation_disagreement(std::string_view a, std::string_view b) {
  const text_pair_order versions = version_compare_texts(a, b, DEFAULT_SEPARATOR_SET);
  int expected = byte_order(a, b);
  if (versions.lhs_well_formed != versions.rhs_well_formed) {
    expected = versions.lhs_well_formed ? 1 : -1;
  } else if (versions.lhs_well_formed && versions.order != 0) {
    expected = versions.order;
  }
  const int order = version_collation_compare(a, b);
  if (order == expected) return "";
  return "collation gave " + std::to_string(order) + ", the whole texts " +
         std::to_string(expected);
}

}  // namespace korvel::testing
