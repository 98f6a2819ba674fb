// PEP 440 specifier sets for the pep440 order: ">=1.0,!=1.3.*,<2", "~=2.2",
// "==1.4.*", "===1.0", answered as packaging 23.0's
// SpecifierSet(text).contains(version) answers with its default arguments.
//
// Where packaging accepts a text that reads as a mistake, the text is
// malformed here instead: an empty specifier between commas (a leading,
// doubled or trailing ','), and "===" with a text that is not a valid
// version (packaging accepts it, then fails or quietly answers false when
// asked). A text of white space alone is the empty set, as there: every
// version but pre-releases.
#pragma once

#include "version/ranges/range.h"

namespace korvel {

extern const range_grammar PEP440_RANGE_GRAMMAR;

}  // namespace korvel
