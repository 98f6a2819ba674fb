// The "pep440" version scheme, and the parsed form of a Python version that
// the specifier sets of version_satisfies_pep440 are checked over.
#pragma once

#include <cstddef>
#include <string_view>

#include "version/scheme.h"

namespace korvel {

extern const version_scheme PEP440_SCHEME;

// A run of ASCII digits (a number, or a release's numbers and dots) within
// the parsed text.
struct pep440_digits {
  const char* begin;
  const char* end;
};

// Ranks of the pre-release slot in order. The lowered spellings that the
// reference keeps as they are ("previ̇ew", "prevıew") order between "b" and
// "rc" by their code points.
enum pep440_pre : unsigned char {
  PEP440_PRE_DEV_ONLY = 0,  // no pre or post, but a dev: before every pre-release
  PEP440_PRE_A = 1,
  PEP440_PRE_B = 2,
  PEP440_PRE_PREVIEW_DOTTED = 3,
  PEP440_PRE_PREVIEW_DOTLESS = 4,
  PEP440_PRE_RC = 5,
  PEP440_PRE_NONE = 6,
};

// "poſt" keeps its long s when lowered and orders after "post".
enum pep440_post : unsigned char {
  PEP440_POST_NONE = 0,
  PEP440_POST_POST = 1,
  PEP440_POST_LONG_S = 2
};

// How the reference writes a pre-release's letters: lowered, the spellings
// of release candidates as "rc", the two it cannot normalise as they are.
[[nodiscard]] constexpr std::string_view pep440_pre_letters(unsigned char pre) noexcept {
  switch (pre) {
    case PEP440_PRE_A:
      return "a";
    case PEP440_PRE_B:
      return "b";
    case PEP440_PRE_PREVIEW_DOTTED:
      return "previ\xCC\x87"
             "ew";  // U+0130 lowers to "i" and U+0307
    case PEP440_PRE_PREVIEW_DOTLESS:
      return "prev\xC4\xB1"
             "ew";
    default:
      return "rc";
  }
}

// A version's parts as views into its text. A number that is absent where
// its letter is present (the "a" of "1.0a") is an empty run, worth 0.
struct pep440_parts {
  pep440_digits epoch;    // empty without one
  pep440_digits release;  // numbers and the dots between them
  unsigned char pre;      // pep440_pre
  pep440_digits pre_number;
  unsigned char post;  // pep440_post
  pep440_digits post_number;
  bool dev;
  pep440_digits dev_number;
  const char* local;  // after '+'; nullptr without a local label
  const char* local_end;
};

// Reads a text as packaging.version.Version does; false when it rejects it.
[[nodiscard]] bool pep440_parse(std::string_view text, pep440_parts& out) noexcept;

// The order of two parsed versions, local labels included: negative, 0 or
// positive.
[[nodiscard]] int pep440_compare_parts(const pep440_parts& lhs, const pep440_parts& rhs) noexcept;

// Numbers by value, whatever their length and leading zeros.
[[nodiscard]] int pep440_compare_numbers(pep440_digits lhs, pep440_digits rhs) noexcept;

// Local labels (both present) segment by segment.
[[nodiscard]] int pep440_compare_locals(const pep440_parts& lhs, const pep440_parts& rhs) noexcept;

// The end of a release without its trailing zero numbers ("1.0.0" ends after
// "1"); the first number is always kept.
[[nodiscard]] const char* pep440_release_without_trailing_zeros(pep440_digits release) noexcept;

// What pep440_normal_form() writes at most for a text of `size` bytes.
[[nodiscard]] constexpr std::size_t pep440_normal_form_bound(std::size_t size) noexcept {
  return 2 * size + 16;
}

// Writes str() of the reference's Version for `v` (the epoch unless 0, the
// release, "a1"/"b1"/"rc1", ".post1", ".dev1", "+label" lowered, numbers
// without leading zeros) and returns its length; without the label when
// `with_local` is false, and without the release's trailing ".0"s (though
// never its first number) when `strip_trailing_zeros` is true, as the
// reference's canonicalize_version() does.
std::size_t pep440_normal_form(const pep440_parts& v, bool strip_trailing_zeros, bool with_local,
                               char* out) noexcept;

// Writes Python's str.lower() of a text whose letters are those a valid
// version may hold (ASCII; U+0130 becomes "i" and U+0307, U+212A "k") and
// returns its length: at most 3/2 of the text's.
std::size_t pep440_lowered(std::string_view text, char* out) noexcept;

// Past the white space (Python's \s for str) at `p`.
[[nodiscard]] const char* pep440_skip_spaces(const char* p, const char* end) noexcept;

}  // namespace korvel
