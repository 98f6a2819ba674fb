// The "composer" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme COMPOSER_SCHEME;

}  // namespace korvel
