// npm's range grammar over the semver order: what semver.satisfies(version,
// range) of npm's semver 7 answers with its default options, except that a
// range npm reads only by dropping part of it is malformed here (see
// docs/ranges_npm.md for each such case).
#pragma once

#include "version/ranges/range.h"

namespace korvel {

extern const range_grammar NPM_RANGE_GRAMMAR;

}  // namespace korvel
