// The "go" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme GO_SCHEME;

}  // namespace korvel
