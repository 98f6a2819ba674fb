// Statements stopped before their aggregates finish: by sqlite3_interrupt
// from a progress handler, by LIMIT, by reset or finalize before the last
// row, and by an error in a later row. Whatever the aggregates held must be
// released: SQLite's memory use returns to where it was before the statement.
#include <gtest/gtest.h>

#include <string>

#include "sql_test_support.h"

namespace korvel::testing {
namespace {

enum class stop { interrupt, after_first_row_reset, after_first_row_finalize, run_out };

struct stop_case {
  const char* sql;
  stop how;
  int expected_rc;  // of the last sqlite3_step
};

// Every row of `big` carries a long word, so the winners hold real memory.
constexpr const char* kBigTable =
    "CREATE TABLE big(i INTEGER PRIMARY KEY, g INTEGER, v TEXT);"
    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 4000) "
    "INSERT INTO big SELECT i, i % 7, (i * 7919) % 4001 || '.' || printf('%.*c', i % 300 + 1, 'w') "
    "|| '-' || i FROM n;";

constexpr stop_case kStops[] = {
    {"SELECT max_version(v), min_version(v) FROM big", stop::interrupt, SQLITE_INTERRUPT},
    {"SELECT g, max_version(v), min_version(v, '.-') FROM big GROUP BY g", stop::interrupt,
     SQLITE_INTERRUPT},
    {"SELECT g, max_version(v), min_version(v) FROM big GROUP BY g LIMIT 2", stop::run_out,
     SQLITE_DONE},
    {"SELECT g, max_version(v), min_version(v) FROM big GROUP BY g", stop::after_first_row_reset,
     SQLITE_ROW},
    {"SELECT g, max_version(v), min_version(v) FROM big GROUP BY g", stop::after_first_row_finalize,
     SQLITE_ROW},
    {"SELECT (SELECT max_version(v) FROM big AS b WHERE b.g = o.g) FROM big AS o",
     stop::after_first_row_reset, SQLITE_ROW},
    {"SELECT max_version(CASE WHEN i = 3000 THEN abs(-9223372036854775807 - 1) ELSE v END), "
     "min_version(v) FROM big",
     stop::run_out, SQLITE_ERROR},
    {"SELECT g, max_version(v) FROM big GROUP BY g "
     "HAVING CASE WHEN g = 4 THEN abs(-9223372036854775807 - 1) ELSE 1 END",
     stop::run_out, SQLITE_ERROR},
    {"SELECT v FROM big ORDER BY v COLLATE version LIMIT 3", stop::run_out, SQLITE_DONE},
    {"SELECT version_compare(v, '2000.w') FROM big", stop::after_first_row_reset, SQLITE_ROW},
};

int interrupt_after_a_while(void* arg) {
  // Late enough that every group has rows, early enough to stop mid-scan.
  static int calls = 0;
  if (++calls % 50 == 0) sqlite3_interrupt(static_cast<sqlite3*>(arg));
  return 0;
}

// Runs the statement to its stopping point and returns the last step's code.
int run_until_stopped(sqlite3* db, const stop_case& c) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, c.sql, -1, &statement, nullptr) != SQLITE_OK) return -1;
  if (c.how == stop::interrupt) sqlite3_progress_handler(db, 100, interrupt_after_a_while, db);
  int rc = sqlite3_step(statement);
  if (c.how == stop::run_out || c.how == stop::interrupt) {
    while (rc == SQLITE_ROW) rc = sqlite3_step(statement);
  }
  sqlite3_progress_handler(db, 0, nullptr, nullptr);
  if (c.how == stop::after_first_row_reset) sqlite3_reset(statement);
  sqlite3_finalize(statement);
  return rc;
}

TEST(InterruptedStatements, ReleaseEverythingTheAggregatesHeld) {
  connection db = open_with_extension();
  ASSERT_EQ(exec(db.get(), kBigTable), "");
  for (const stop_case& c : kStops) {
    // A first stopped run warms what SQLite keeps: the schema, the page
    // cache, the buffer of the connection's last error message.
    ASSERT_EQ(run_until_stopped(db.get(), c), c.expected_rc) << c.sql;
    const sqlite3_int64 baseline = sqlite3_memory_used();
    EXPECT_EQ(run_until_stopped(db.get(), c), c.expected_rc) << c.sql;
    EXPECT_EQ(sqlite3_memory_used() - baseline, 0) << c.sql;
  }
}

// Interrupted groups must not leave state behind for the next statement.
TEST(InterruptedStatements, TheConnectionAnswersCorrectlyAfterwards) {
  connection db = open_with_extension();
  ASSERT_EQ(exec(db.get(), kBigTable), "");
  const std::string query = "SELECT g, max_version(v), min_version(v) FROM big GROUP BY g";
  const std::vector<std::string> before = rows(db.get(), query);
  for (const stop_case& c : kStops) (void)run_until_stopped(db.get(), c);
  ASSERT_EQ(before.size(), 7u);
  EXPECT_EQ(rows(db.get(), query), before);
}

}  // namespace
}  // namespace korvel::testing
