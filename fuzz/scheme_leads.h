// A scheme's lead against its order, for the differential fuzzers: a lead
// wholly below another's must mean a text sorted before it, and a lead read
// against a bound must hold the whole lead and lie on one side of the bound.
// The scheme's own collation, with its shortcuts (bit masks of short dotted
// texts), must order as valid() and compare() do.
#pragma once

#include <cstdint>
#include <string_view>

#include "fuzz_input.h"
#include "version/scheme.h"

namespace korvel::fuzzing {

inline void check_leads(const version_scheme& scheme, std::string_view a, std::string_view b) {
  const version_lead la = scheme.lead(a, nullptr);
  const version_lead lb = scheme.lead(b, nullptr);
  KORVEL_FUZZ_CHECK(la.lo <= la.hi);
  for (const std::uint64_t bound : {lb.lo, lb.hi}) {
    const version_lead part = scheme.lead(a, &bound);
    const bool same = part.lo == la.lo && part.hi == la.hi;
    KORVEL_FUZZ_CHECK(
        same || (part.lo <= la.lo && la.hi <= part.hi && (part.hi < bound || part.lo > bound)));
  }
  if (la.hi < lb.lo && scheme.valid(a) && scheme.valid(b))
    KORVEL_FUZZ_CHECK(scheme.compare(a, b) < 0);
  if (scheme.collate != nullptr) {
    version_scheme generic = scheme;
    generic.collate = nullptr;
    KORVEL_FUZZ_CHECK(scheme_collate(scheme, a, b) == scheme_collate(generic, a, b));
  }
}

}  // namespace korvel::fuzzing
