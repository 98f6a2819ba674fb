#include "version/schemes/schemes.h"

#include "version/ranges/generic.h"
#include "version/ranges/npm.h"
#include "version/ranges/pep440.h"
#include "version/schemes/alpm.h"
#include "version/schemes/apk.h"
#include "version/schemes/composer.h"
#include "version/schemes/deb.h"
#include "version/schemes/gem.h"
#include "version/schemes/go.h"
#include "version/schemes/maven.h"
#include "version/schemes/pep440.h"
#include "version/schemes/rpm.h"
#include "version/schemes/semver.h"

namespace korvel {

const scheme_row kSchemeRows[] = {
    {"deb", &DEB_SCHEME, &DEB_RANGES, "deb", "Debian|Ubuntu"},
    {"rpm", &RPM_SCHEME, nullptr, "rpm",
     "Red Hat|AlmaLinux|Rocky Linux|SUSE|openSUSE|Mageia|openEuler"},
    {"semver", &SEMVER_SCHEME, &NPM_RANGE_GRAMMAR, "npm|semver",
     "npm|crates.io|Hex|Bitnami|SwiftURL"},
    {"pep440", &PEP440_SCHEME, &PEP440_RANGE_GRAMMAR, "pypi", "PyPI"},
    {"maven", &MAVEN_SCHEME, nullptr, "maven", "Maven"},
    {"go", &GO_SCHEME, nullptr, "golang", "Go"},
    {"gem", &GEM_SCHEME, nullptr, "gem", "RubyGems"},
    {"composer", &COMPOSER_SCHEME, nullptr, "composer", "Packagist"},
    {"apk", &APK_SCHEME, nullptr, "apk", "Alpine|Wolfi|Chainguard"},
    // OSV names no ecosystem for Arch Linux or its derivatives.
    {"alpm", &ALPM_SCHEME, nullptr, "alpm", ""},
};

const std::size_t kSchemeRowCount = sizeof kSchemeRows / sizeof kSchemeRows[0];

const scheme_row* find_scheme_row(const char* scheme_row::*field, std::string_view name) noexcept {
  for (std::size_t i = 0; i < kSchemeRowCount; ++i) {
    std::string_view names = kSchemeRows[i].*field;
    // substr() would bring in the C++ run time's exceptions.
    while (!names.empty()) {
      std::size_t bar = names.find('|');
      if (bar == std::string_view::npos) bar = names.size();
      if (std::string_view(names.data(), bar) == name) return &kSchemeRows[i];
      names.remove_prefix(bar == names.size() ? bar : bar + 1);
    }
  }
  return nullptr;
}

}  // namespace korvel
