// The generic grammar, Debian's dialect, the default order's ranges and vers:
// tables of ranges with what each version gives, the statuses of malformed
// texts, the key path against the compare path, and the SQL faces' NULL and
// error rules with ranges that change from row to row.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sql_test_support.h"
#include "version/ranges/generic.h"
#include "version/ranges/vers.h"
#include "version/schemes/deb.h"
#include "version/schemes/rpm.h"
#include "version/schemes/schemes.h"

namespace korvel::testing {
namespace {

struct satisfies_case {
  const char* function;  // the SQL function
  const char* version;
  const char* range;
  const char* want;  // as value() renders it
};

class Ranges : public ::testing::Test {
 protected:
  connection db = open_with_extension();

  void expect(const std::vector<satisfies_case>& cases) {
    for (const satisfies_case& c : cases) {
      const std::string sql = std::string("SELECT ") + c.function + "(" + sql_literal(c.version) +
                              ", " + sql_literal(c.range) + ")";
      EXPECT_EQ(value(db.get(), sql), c.want) << sql;
    }
  }
};

TEST_F(Ranges, GenericGrammarAnswers) {
  expect({
      {"version_satisfies_rpm", "1.1", ">= 1.0, < 1.2.3", "1"},
      {"version_satisfies_rpm", "1.2.3", ">= 1.0, < 1.2.3", "0"},
      {"version_satisfies_rpm", "0.9", ">= 1.0, < 1.2.3", "0"},
      {"version_satisfies_rpm", "2.0.5", "< 1.2.3 || >= 2.0, < 2.1", "1"},
      {"version_satisfies_rpm", "2.1", "< 1.2.3 || >= 2.0, < 2.1", "0"},
      {"version_satisfies_rpm", "1.0", "<1.2.3||>=2.0,<2.1", "1"},
      {"version_satisfies_rpm", "1.0~rc1", "< 1.0", "1"},
      {"version_satisfies_rpm", "0:1.0", "= 1.0", "1"},  // equivalent versions are equal
      {"version_satisfies_rpm", "0:1.0", "== 1.0", "1"},
      {"version_satisfies_rpm", "1.0", "!= 1.0", "0"},
      {"version_satisfies_rpm", "1.1", "!= 1.0", "1"},
      {"version_satisfies_rpm", "1.0", "<= 1.0, >= 1.0", "1"},
      {"version_satisfies_rpm", "1.0", "> 1.0 || < 1.0", "0"},
      {"version_satisfies_rpm", "1.0", "\t>=\n1.0 ", "1"},
      {"version_satisfies_deb", "1.0~rc1", "<< 1.0", "1"},
      {"version_satisfies_deb", "1.0", "<< 1.0", "0"},
      {"version_satisfies_deb", "1.0", ">> 1.0~rc1, <= 1.0", "1"},
      {"version_satisfies_deb", "1:0.5", ">> 2.0", "1"},
      {"version_satisfies_deb", "1.0", "= 1.0-0", "1"},  // no revision is revision 0
      {"version_satisfies_deb", "1.0", "= 1.0-1", "0"},
      // Not a version of the scheme, or not TEXT: NULL.
      {"version_satisfies_deb", "1.0 beta", ">= 1.0", "NULL"},
      {"version_satisfies_rpm", "", ">= 1.0", "NULL"},
      {"version_satisfies", "1.10", ">= 1.9, < 2", "1"},
      {"version_satisfies", "1.2-beta", "> 1.2", "1"},
      {"version_satisfies", "1.02", "= 1.2", "1"},
      {"version_satisfies", "1..2", ">= 1", "NULL"},
  });
  expect_values(db.get(), {
                              {"version_satisfies_deb(NULL, '>= 1')", "NULL"},
                              {"version_satisfies_deb(1, '>= 1')", "NULL"},
                              {"version_satisfies_deb('1', NULL)", "NULL"},
                              {"version_satisfies_rpm('1', 2)", "NULL"},
                              {"version_satisfies('1_10', '> 1_9', '_')", "1"},
                              {"version_satisfies('1_10', '> 1_9')", "0"},
                              {"version_satisfies('1', '> 0', NULL)", "NULL"},
                          });
}

TEST_F(Ranges, MalformedRangesFailTheStatement) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"version_satisfies_rpm", ""},
      {"version_satisfies_rpm", "   "},
      {"version_satisfies_rpm", "1.0"},  // a bare version
      {"version_satisfies_rpm", ">= 1.0,"},
      {"version_satisfies_rpm", ">= 1.0, , < 2"},
      {"version_satisfies_rpm", ">= 1.0 ||"},
      {"version_satisfies_rpm", "|| >= 1.0"},
      {"version_satisfies_rpm", ">= 1.0 | < 2"},
      {"version_satisfies_rpm", ">= 1.0 < 2"},
      {"version_satisfies_rpm", ">="},
      {"version_satisfies_rpm", "=> 1.0"},
      {"version_satisfies_rpm", "! 1.0"},
      {"version_satisfies_rpm", "=== 1.0"},
      {"version_satisfies_rpm", "<< 1.0"},  // Debian's only
      {"version_satisfies_deb", ">= 1.0 beta"},
      {"version_satisfies_deb", ">= x"},
      {"version_satisfies", ">= 1..2"},
      {"version_satisfies", ">1<2"},
  };
  for (const auto& [function, range] : cases) {
    const std::string want =
        std::string("error: ") + function + ": malformed range: '" + range + "'";
    EXPECT_EQ(
        value(db.get(), std::string("SELECT ") + function + "('1', " + sql_literal(range) + ")"),
        want)
        << range;
  }
  // Whatever the version, even NULL: a typo must not read as "not affected".
  EXPECT_EQ(value(db.get(), "SELECT version_satisfies_rpm(NULL, '>= 1.0,')"),
            "error: version_satisfies_rpm: malformed range: '>= 1.0,'");
  const std::string hint =
      ": Debian's bare '<' and '>' are deprecated: write '<<', '<=', '>=' or '>>'";
  for (const char* range : {"< 1.0", ">= 1.0, > 2", "<1", "<> 1"}) {
    EXPECT_EQ(value(db.get(), "SELECT version_satisfies_deb('1', " + sql_literal(range) + ")"),
              std::string("error: version_satisfies_deb: malformed range: '") + range + "'" + hint);
  }
}

// A scan whose range changes from row to row, and one whose separators do
// under a constant range: each row is answered with its own.
TEST_F(Ranges, RangesChangingFromRowToRow) {
  ASSERT_EQ(
      exec(db.get(),
           "CREATE TABLE t(v, r, s); INSERT INTO t VALUES "
           "('1.5', '>= 1.0, <= 2.0', '.'), ('1.5', '>= 1.6', '.'), ('1.5', '>= 1.0, <= 2.0', "
           "'.'), ('1_5', '>= 1_6', '_'), ('1_5', '>= 1_6', '.'), ('3', '<= 2 || >= 2.5', '.')"),
      "");
  EXPECT_EQ(rows(db.get(),
                 "SELECT version_satisfies_deb(v, r) FROM t WHERE s = '.' AND v <> "
                 "'1_5' ORDER BY rowid"),
            (std::vector<std::string>{"1", "0", "1", "1"}));
  EXPECT_EQ(rows(db.get(), "SELECT version_satisfies(v, r, s) FROM t ORDER BY rowid"),
            (std::vector<std::string>{"1", "0", "1", "0", "1", "1"}));
  EXPECT_EQ(rows(db.get(),
                 "SELECT version_satisfies(v, '>= 1_6', s) FROM t WHERE rowid IN (4, 5) "
                 "ORDER BY rowid"),
            (std::vector<std::string>{"0", "1"}));
}

struct vers_case {
  const char* vers;
  const char* version;
  const char* want;
};

TEST_F(Ranges, VersAnswers) {
  const std::vector<vers_case> cases = {
      {"vers:deb/>=1.0|<2.0", "1.5", "1"},
      {"vers:deb/>=1.0|<2.0", "2.0", "0"},
      {"vers:deb/>=1.0|<2.0", "1.0", "1"},
      {"vers:deb/<2.0|>=1.0", "0.5", "0"},  // order in the text does not matter
      {"vers:deb/<1.0|>=2.0", "0.5", "1"},
      {"vers:deb/<1.0|>=2.0", "1.5", "0"},
      {"vers:deb/<1.0|>=2.0", "3", "1"},
      {"vers:npm/1.2.3|>=2.0.0|<5.0.0", "1.2.3", "1"},
      {"vers:npm/1.2.3|>=2.0.0|<5.0.0", "1.2.4", "0"},
      {"vers:npm/1.2.3|>=2.0.0|<5.0.0", "4.9.9", "1"},
      {"vers:npm/1.2.3|>=2.0.0|<5.0.0", "5.0.0", "0"},
      {"vers:npm/>=1.0.0|!=1.2.0|<2.0.0", "1.2.0", "0"},
      {"vers:npm/>=1.0.0|!=1.2.0|<2.0.0", "1.3.0", "1"},
      {"vers:npm/>1.0.0", "1.0.0", "0"},
      {"vers:npm/>1.0.0", "1.0.1", "1"},
      {"vers:npm/<=1.0.0", "1.0.0", "1"},
      {"vers:npm/!=1.0.0", "2.0.0", "0"},        // no interval: "!=" only takes out
      {"vers:npm/1.0.0%2Bbuild", "1.0.0", "1"},  // decoded; build metadata ignored
      {"vers:npm / > = 1.0.0 |\t< 2.0.0", "1.5.0", "1"},
      {"vers:npm/||>=1.0.0|||<2.0.0|", "1.5.0", "1"},
      {"vers:semver/>=1.0.0", "1.5.0", "1"},
      {"vers:pypi/*", "0.1", "1"},
      {"vers:pypi/>=1.0|<2.0", "1.0.0", "1"},
      {"vers:rpm/>=0:1.0-1|<1.1", "1.0-2", "1"},
      {"vers:pypi/*", "not a version", "NULL"},
      {"vers:npm/>=1.0.0", "1.0", "NULL"},
      {"vers:nuget/>=1.0", "1.0", "NULL"},  // no order for the type here
      {"vers:cargo/*", "1.0", "NULL"},
  };
  for (const vers_case& c : cases) {
    const std::string sql = std::string("SELECT version_in_vers(") + sql_literal(c.version) + ", " +
                            sql_literal(c.vers) + ")";
    EXPECT_EQ(value(db.get(), sql), c.want) << sql;
  }
  EXPECT_EQ(value(db.get(), "SELECT version_in_vers(NULL, 'vers:npm/*')"), "NULL");
  EXPECT_EQ(value(db.get(), "SELECT version_in_vers('1.0.0', NULL)"), "NULL");
}

TEST_F(Ranges, MalformedVersFailsTheStatement) {
  for (const char* vers : {"",
                           "vers",
                           "vers:",
                           "vers:npm",
                           "vers:npm/",
                           "vers:/1.0.0",
                           "VERS:npm/1.0.0",
                           "vers:NPM/1.0.0",
                           "vers:n_pm/1.0.0",
                           "npm/1.0.0",
                           "vers:npm/|",
                           "vers:npm/*|1.0.0",
                           "vers:npm/**",
                           "vers:npm/>=",
                           "vers:npm/==1.0.0",
                           "vers:npm/=>1.0.0",
                           "vers:npm/1.0.0*",
                           "vers:npm/1.0",
                           "vers:npm/%zz",
                           "vers:npm/1.0.%",
                           "vers:npm/1.0.0|1.0.0",
                           "vers:npm/1.0.0|=1.0.0+b",
                           "vers:npm/>1.0.0|>2.0.0",
                           "vers:npm/<1.0.0|<=2.0.0",
                           "vers:npm/1.0.0|<2.0.0",
                           "vers:npm/>1.0.0|1.5.0|<2.0.0",
                           "vers:maven/>=|1.0",
                           "vers:deb/<1.0|!=1.5|<2.0"}) {
    EXPECT_EQ(value(db.get(), "SELECT version_in_vers('1.0.0', " + sql_literal(vers) + ")"),
              std::string("error: version_in_vers: malformed vers: '") + vers + "'")
        << vers;
  }
}

// The key path gives what the compare path gives, for versions whose key
// fits on the stack and ones that do not.
TEST(RangesPaths, KeysAgreeWithCompare) {
  std::mt19937 random(29);
  const char* pieces[] = {"0", "1", "2", "10", "~", "~rc", "+b", ".", "a", "1.0", "9"};
  auto version = [&] {
    std::string text = std::to_string(random() % 3);
    const std::size_t n = random() % 6;
    for (std::size_t i = 0; i < n; ++i) text += pieces[random() % std::size(pieces)];
    if (random() % 10 == 0) text += "." + std::string(300, '7');
    return text;
  };
  const char* ops[] = {"<<", "<=", "=", "!=", ">=", ">>"};
  const generic_order order = scheme_order(DEB_SCHEME);
  int checked = 0;
  for (int i = 0; i < 300; ++i) {
    std::string text;
    for (int j = 0, n = 1 + static_cast<int>(random() % 4); j < n; ++j) {
      if (j > 0) text += random() % 2 ? ", " : " || ";
      text += std::string(ops[random() % std::size(ops)]) + " " + version();
    }
    generic_range* range = nullptr;
    if (parse_generic_range(order, generic_dialect::debian, text, &range) != range_status::ok)
      continue;
    for (int k = 0; k < 20; ++k) {
      const std::string tested = version();
      if (!DEB_SCHEME.valid(tested)) continue;
      EXPECT_EQ(generic_range_answer(order, *range, tested) == range_answer::yes,
                generic_range_holds_compare(order, *range, tested))
          << tested << " in " << text;
      ++checked;
    }
    release_generic_range(range);

    std::string vers = "vers:deb/";
    for (int j = 0, n = 1 + static_cast<int>(random() % 3); j < n; ++j)
      vers += std::string(j > 0 ? "|" : "") + (random() % 2 ? ">=" : "<") + version();
    vers_range* parsed = nullptr;
    if (parse_vers_range(vers, &parsed) != range_status::ok) continue;
    for (int k = 0; k < 20; ++k) {
      const std::string tested = version();
      if (!DEB_SCHEME.valid(tested)) continue;
      EXPECT_EQ(vers_contains(*parsed, tested), vers_contains_compare(*parsed, tested))
          << tested << " in " << vers;
    }
    release_vers_range(parsed);
  }
  EXPECT_GT(checked, 1000);
}

}  // namespace
}  // namespace korvel::testing
