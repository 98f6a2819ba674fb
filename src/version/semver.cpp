#include "version/semver.h"

namespace korvel {

namespace {

bool valid(std::string_view /*text*/) noexcept {
  return false;
}

int compare(std::string_view /*lhs*/, std::string_view /*rhs*/) noexcept {
  return 0;
}

std::size_t key_bound(std::size_t /*size*/) noexcept {
  return 0;
}

std::size_t key(std::string_view /*text*/, unsigned char* /*out*/) noexcept {
  return 0;
}

}  // namespace

const version_scheme SEMVER_SCHEME = {valid, compare, key_bound, key, nullptr};

}  // namespace korvel
