// The "maven" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme MAVEN_SCHEME;

}  // namespace korvel
