// The "semver" version scheme.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "version/scheme.h"

namespace korvel {

extern const version_scheme SEMVER_SCHEME;

// What npm's range grammar reads of a version besides its order.
struct semver_parts {
  std::uint64_t major;
  std::uint64_t minor;
  std::uint64_t patch;
  std::string_view prerelease;  // without its '-'; empty for a release
};

// The parts of a text SEMVER_SCHEME.valid() accepts.
[[nodiscard]] semver_parts semver_split(std::string_view valid_text) noexcept;

// The UTF-8 length of the white space character (as JavaScript's trim() and
// \s see it) at text[i], 0 if there is none there; i < text.size().
[[nodiscard]] std::size_t semver_space_length(std::string_view text, std::size_t i) noexcept;

}  // namespace korvel
