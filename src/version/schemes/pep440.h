// The "pep440" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme PEP440_SCHEME;

}  // namespace korvel
