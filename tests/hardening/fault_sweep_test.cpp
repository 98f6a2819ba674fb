// Allocation-failure sweep: for N = 1, 2, ... the Nth allocation (or every
// allocation from the Nth on) fails while a connection opens, loads the
// library, sets up tables and runs the workload. Each run must give the exact
// rows or "out of memory", and must leave SQLite's memory as it found it. A
// failure inside the registration may leave a function missing: the entry
// point reports success regardless to the library it is bound to (the only
// one here), so "no such function" is then expected.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "extension/registration.h"
#include "fault_injection.h"
#include "hardening_workload.h"
#include "sql_test_support.h"

namespace korvel::testing {
namespace {

enum class library { loadable, linked };

struct sweep_case {
  const char* name;
  library how;
  const char* encoding;
  bool persistent;
};

bool is_out_of_memory(const std::string& error) {
  return error == "out of memory";
}

// A missing overload shows as a wrong argument count for the name.
bool is_missing_registration(const std::string& error) {
  return error.starts_with("no such function: ") ||
         error.starts_with("wrong number of arguments to function ") ||
         error.starts_with("no such collation sequence: ");
}

bool registers(sqlite3* db, library how) {
  if (how == library::linked) return register_functions(db) == SQLITE_OK;
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
  char* error = nullptr;
  const int rc = sqlite3_load_extension(db, extension_path(), nullptr, &error);
  sqlite3_free(error);
  // SQLite itself may run out of memory recording the loaded library.
  return rc == SQLITE_OK || rc == SQLITE_NOMEM;
}

// Runs the workload on an open connection; "" when every outcome was allowed.
// A single failure may cost only the statement it hit (and a registration, if
// it hit one); a persistent one may cost every statement from there on.
std::string run_workload(sqlite3* db, const sweep_case& sweep) {
  bool faulted_before = fault_injected();  // while opening
  bool registration_faulted = false;
  auto faulted_here = [&] {
    return sweep.persistent ? fault_injected() : !faulted_before && fault_injected();
  };
  auto allowed = [&](const std::string& message) {
    return (faulted_here() && is_out_of_memory(message)) ||
           (registration_faulted && is_missing_registration(message));
  };
  std::string error = exec(db, std::string("PRAGMA encoding = '") + sweep.encoding + "'");
  if (!error.empty()) return allowed(error) ? "" : error;
  faulted_before = fault_injected();
  if (!registers(db, sweep.how)) return "loading failed";
  registration_faulted = !faulted_before && fault_injected();
  faulted_before = fault_injected();
  error = exec(db, kWorkloadSetup);
  if (!error.empty()) return allowed(error) ? "" : "setup: " + error;
  for (const workload_statement& statement : workload_statements()) {
    faulted_before = fault_injected();
    const std::vector<std::string> got = rows(db, statement.sql);
    if (got == statement.rows) continue;
    if (got.size() == 1 && got[0].starts_with("error: ") && allowed(got[0].substr(7))) continue;
    // A statement that fails by design: SQLite copies its message out with
    // failures ignored, so a fault there leaves only the code's own text.
    const bool fails_by_design =
        statement.rows.size() == 1 && statement.rows[0].starts_with("error: ");
    if (fails_by_design && got == std::vector<std::string>{"error: SQL logic error"} &&
        faulted_here())
      continue;
    return std::string(statement.sql) + " gave " + (got.empty() ? "no rows" : got[0]);
  }
  return "";
}

// One connection's life with allocation `fail_at` failing; "" when clean.
std::string run_once(const sweep_case& sweep, long fail_at) {
  const sqlite3_int64 baseline = sqlite3_memory_used();
  arm_fault(fail_at, sweep.persistent);
  sqlite3* db = nullptr;
  const int opened = sqlite3_open(":memory:", &db);
  std::string problem;
  if (opened == SQLITE_OK) {
    problem = run_workload(db, sweep);
  } else if (opened != SQLITE_NOMEM || !fault_injected()) {
    problem = "open failed with " + std::to_string(opened);
  }
  if (sqlite3_close(db) != SQLITE_OK) problem += " (close failed)";
  disarm_fault();
  const sqlite3_int64 leaked = sqlite3_memory_used() - baseline;
  if (leaked != 0) problem += " (" + std::to_string(leaked) + " bytes not released)";
  return problem;
}

// One sweep per way of loading, text encoding and kind of failure.
constexpr sweep_case kSweeps[] = {
    {"LoadableOnce", library::loadable, "UTF-8", false},
    {"LoadablePersistent", library::loadable, "UTF-8", true},
    {"LoadableUtf16Once", library::loadable, "UTF-16le", false},
    {"LoadableUtf16Persistent", library::loadable, "UTF-16be", true},
    {"LinkedOnce", library::linked, "UTF-8", false},
    {"LinkedPersistent", library::linked, "UTF-8", true},
    {"LinkedUtf16Once", library::linked, "UTF-16le", false},
    {"LinkedUtf16Persistent", library::linked, "UTF-16be", true},
};

class FaultSweep : public ::testing::TestWithParam<sweep_case> {};

TEST_P(FaultSweep, EveryAllocationFailing) {
  const sweep_case& sweep = GetParam();
  // Under emulation every way would take the better part of an hour; the
  // build names the ways it runs (KORVEL_SWEEP_WAYS, space-separated).
  if (const char* ways = std::getenv("KORVEL_SWEEP_WAYS")) {
    const std::string padded = " " + std::string(ways) + " ";
    if (padded.find(" " + std::string(sweep.name) + " ") == std::string::npos)
      GTEST_SKIP() << sweep.name << " is not in KORVEL_SWEEP_WAYS";
  }
  install_fault_injection();
  // Without a fault the workload must give its exact rows.
  ASSERT_EQ(run_once(sweep, 0), "");
  const long allocations = allocations_counted();
  long swept = 0;
  for (long fail_at = 1;; ++fail_at) {
    const std::string problem = run_once(sweep, fail_at);
    ASSERT_EQ(problem, "") << "allocation " << fail_at << " failing";
    if (!fault_injected()) break;
    ++swept;
  }
  std::printf("%s: %ld fault points swept (%ld allocations in a clean run)\n", sweep.name, swept,
              allocations);
  // Every allocation of a clean run is a place a fault can land.
  EXPECT_GE(swept, allocations);
}

INSTANTIATE_TEST_SUITE_P(Ways, FaultSweep, ::testing::ValuesIn(kSweeps),
                         [](const ::testing::TestParamInfo<sweep_case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace korvel::testing
