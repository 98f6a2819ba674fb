// The "semver" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme SEMVER_SCHEME;

}  // namespace korvel
