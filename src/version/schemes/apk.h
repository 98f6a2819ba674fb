// The "apk" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme APK_SCHEME;

}  // namespace korvel
