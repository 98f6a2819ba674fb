// The "alpm" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme ALPM_SCHEME;

}  // namespace korvel
