// The "deb" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme DEB_SCHEME;

}  // namespace korvel
