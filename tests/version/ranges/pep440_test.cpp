// PEP 440 specifier sets through the grammar itself: the cases where this
// library departs from packaging on purpose (which the differential against
// packaging cannot check), the readings of packaging's that are easy to get
// wrong, and the normal form they rest on. These also run under the
// sanitizers, where the differential cannot load the library.
#include "version/ranges/pep440.h"

#include <gtest/gtest.h>

#include <string>

#include "version/schemes/pep440.h"

namespace korvel::testing {
namespace {

enum class answer { in, out, malformed };

struct range_case {
  const char* specifiers;
  const char* version;
  answer expected;
};

answer ask(const std::string& specifiers, const std::string& version) {
  void* compiled = nullptr;
  const range_status status = PEP440_RANGE_GRAMMAR.parse(PEP440_SCHEME, specifiers, &compiled);
  if (status == range_status::malformed) return answer::malformed;
  EXPECT_EQ(status, range_status::ok) << specifiers;
  EXPECT_TRUE(PEP440_SCHEME.valid(version)) << version;
  const bool in = PEP440_RANGE_GRAMMAR.satisfies(PEP440_SCHEME, compiled, version);
  PEP440_RANGE_GRAMMAR.release(compiled);
  return in ? answer::in : answer::out;
}

const range_case kCases[] = {
    // The issue's own examples.
    {">=1.0,!=1.3.*,<2", "1.3.5", answer::out},
    {">=1.0,!=1.3.*,<2", "1.4", answer::in},
    {"~=2.2", "2.9", answer::in},
    {"~=2.2", "3.0", answer::out},
    {"==1.4.*", "1.4.2+local", answer::in},
    {"<2.0", "2.0rc1", answer::out},
    {"<2.0", "1.9rc1", answer::out},  // no specifier names a pre-release
    {"<2.0,>=1.9a1", "1.9rc1", answer::in},
    {">1.0", "1.0.post1", answer::out},
    {">1.0", "1.0.1", answer::in},
    {">1.0.post1", "1.0.post2", answer::in},
    {">1.0", "1.0+local", answer::out},
    {"<2.0rc1", "2.0b1", answer::out},  // "<" names one, but is not inclusive
    {"<=1.0", "1.0+local", answer::in},
    {"==1.0", "1.0+local", answer::in},
    {"==1.0+other", "1.0+local", answer::out},
    {"==1.0+LOCAL", "1.0+local", answer::in},
    {"===1.0", "1.0", answer::in},
    {"===1.0", "1.0.0", answer::out},
    {"===1.0.0", "1.0", answer::out},
    {"===1.0A1", "1.0a1", answer::in},
    {"===1.0-a1", "1.0a1", answer::out},  // not a normal form: nothing matches
    // The empty set: every version but pre-releases; white space alone is it.
    {"", "1.0", answer::in},
    {" \t\u3000", "1.0", answer::in},
    {"", "1.0rc1", answer::out},
    {"", "1.0.dev0", answer::out},
    {"", "1.0.post1", answer::in},
    // Refused here though packaging reads them: empty items beside commas,
    // and "===" with a text that is not a version.
    {">=1.0,", "1.0", answer::malformed},
    {",>=1.0", "1.0", answer::malformed},
    {">=1.0,,<2", "1.0", answer::malformed},
    {">=1.0, ,<2", "1.0", answer::malformed},
    {",", "1.0", answer::malformed},
    {"===", "1.0", answer::malformed},
    {"===foo", "1.0", answer::malformed},
    // Refused by packaging as well.
    {"1.0", "1.0", answer::malformed},
    {"=1.0", "1.0", answer::malformed},
    {">=1.0 <2.0", "1.0", answer::malformed},
    {"~=1", "1.0", answer::malformed},
    {"~=1.0+local", "1.0", answer::malformed},
    {"<1.0+local", "1.0", answer::malformed},
    {">=1.0.*", "1.0", answer::malformed},
    {"==1.0a1.*", "1.0", answer::malformed},
    {"==1.0 .*", "1.0", answer::malformed},
    {"== v 1.0", "1.0", answer::malformed},
    {"===1.0 ;", "1.0", answer::malformed},
    // White space: Python's, around and between operator and version.
    {"\t>=1.0 , <2.0\n", "1.5", answer::in},
    {"==\u00a01.0", "1.0", answer::in},
    {">= V1.0", "1.0", answer::in},
    // Wildcards compare normal forms piece by piece.
    {"==1.0.*", "1", answer::in},
    {"==1.0.0.*", "1", answer::in},
    {"==1.*,>=0a0", "1.0a1", answer::in},
    {"==1!2.*", "1!2.0", answer::in},
    {"==1!2.0.*", "1!2.0", answer::out},  // the epoch is glued to the first piece
    {"==1!2.0.*", "1!2.0.1", answer::in},
    {"==0.*", "1!5.0", answer::in},  // a release that is all glued pads with zeros
    {"==0.0.*", "1!5.0", answer::in},
    {"==1!1.*,>=0a0", "1!1.0a1", answer::out},
    {"==1!1.*,>=0a0", "1!1.1a1", answer::in},
    {"!=1.*", "1.5", answer::out},
    // ~=: the pieces before the last, up to one that starts like a suffix.
    {"~=1.0c1", "1.5", answer::out},
    {"~=1.0rc1", "1.5", answer::in},
    {"~=1.0.r1", "1.5", answer::out},
    {"~=1.0.post1", "1.5", answer::in},
    {"~=1.0.POST1", "1.0.7", answer::in},
    {"~=1.0.POST1", "1.5", answer::out},
    {"~=1.4.5", "1.4.9", answer::in},
    {"~=1.4.5", "1.5.0", answer::out},
    {"~=1!1.0", "1!1.5", answer::in},
    // Specifiers alike by operator and normal form count once, the first.
    {"===1.0,===1.0.0", "1.0", answer::in},
    {"===1.0.0,===1.0", "1.0", answer::out},
    {"==1.0post1,==1.0po\u017ft1", "1.0post1", answer::in},
    {"==1.0po\u017ft1,==1.0post1", "1.0post1", answer::out},
    // "poſt" orders after "post", but the candidate is read back as "post"
    // where its normal form is compared.
    {">=1.0po\u017ft1", "1.0po\u017ft1", answer::out},
    {">1.0", "1.0po\u017ft1", answer::out},
    // packaging fails on a pre-release spelt with U+0130 where it reads the
    // candidate's normal form back; it is compared by its parts here.
    {">=1.0a1", "1.0prev\u0130ew1", answer::in},
    {"==1.0prev\u0130ew1", "1.0.PREV\u0130EW.1", answer::in},
    {"<=1.5,>=1.5a1", "1.5prev\u0130ew1", answer::in},
    // Where packaging does not fail on it, its wildcards compare that
    // candidate's text as it is, the letters glued to the last number.
    {"==1.0.*,===1.5prev\u0130ew1", "1.5prev\u0130ew1", answer::in},
    {"==1.5.*,===1.5prev\u0130ew1", "1.5prev\u0130ew1", answer::out},
    {"==1.*,===1.5prev\u0130ew1", "1.5prev\u0130ew1", answer::in},
    {"===1.0prev\u0130ew1", "1.0.PREV\u0130EW.1", answer::in},
};

TEST(Pep440Ranges, AnswerAsPackagingDoesOrRefuseOnPurpose) {
  for (const range_case& c : kCases) {
    EXPECT_EQ(ask(c.specifiers, c.version), c.expected) << c.specifiers << " / " << c.version;
  }
}

// A text of many specifiers with long versions: the block's room holds
// every derived text.
TEST(Pep440Ranges, LongSetsFitTheirBlock) {
  std::string specifiers;
  std::string version = "1";
  for (int i = 0; i < 60; ++i) version += ".0";
  for (int i = 0; i < 40; ++i) {
    specifiers +=
        "~=" + version + ".c.1.r.1, ===" + version + "+\u0130\u0130\u0130, ==" + version + ".*, ";
  }
  specifiers += ">=0";
  EXPECT_EQ(ask(specifiers, "1"), answer::out);
  EXPECT_EQ(ask(specifiers, version + "+\u0130\u0130\u0130"), answer::out);
}

struct normal_form_case {
  const char* version;
  bool strip_trailing_zeros;
  const char* expected;
};

const normal_form_case kNormalForms[] = {
    {"v01!01.00.0_ALPHA-002.r_03-DEV.4+Ab-01", false, "1!1.0.0a2.post3.dev4+ab.1"},
    {"v01!01.00.0_ALPHA-002.r_03-DEV.4+Ab-01", true, "1!1a2.post3.dev4+ab.1"},
    {"0!0.0.0", true, "0"},
    {"1.0-1", false, "1.0.post1"},
    {"1.0c", false, "1.0rc0"},
    {"1.0pre", false, "1.0rc0"},
    {"1.0prev\u0130ew", false, "1.0previ\u0307ew0"},
    {"1.0prev\u0131ew1", false, "1.0prev\u0131ew1"},
    {"1.0po\u017ft1", false, "1.0.post1"},
    {"1.0dev", false, "1.0.dev0"},
    {"1.0+\u212a.\u0130.\u0131x.007", false, "1.0+k.i\u0307.\u0131x.7"},
};

TEST(Pep440Ranges, NormalFormIsPackagingsStr) {
  for (const normal_form_case& c : kNormalForms) {
    pep440_parts parts;
    const std::string text = c.version;
    ASSERT_TRUE(pep440_parse(text, parts)) << text;
    std::string out(pep440_normal_form_bound(text.size()), '\0');
    out.resize(pep440_normal_form(parts, c.strip_trailing_zeros, true, out.data()));
    EXPECT_EQ(out, c.expected) << text;
  }
}

}  // namespace
}  // namespace korvel::testing
