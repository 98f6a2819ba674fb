// The "gem" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme GEM_SCHEME;

}  // namespace korvel
