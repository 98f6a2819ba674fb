// The "rpm" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme RPM_SCHEME;

}  // namespace korvel
