// The "alpm" version scheme.
#pragma once

#include "version/scheme.h"

namespace korvel {

extern const version_scheme ALPM_SCHEME;

// The key of a valid text by the plain reading, byte by byte; ALPM_SCHEME
// writes the same bytes faster for short texts.
std::size_t alpm_reference_key(std::string_view text, unsigned char* out) noexcept;

}  // namespace korvel
