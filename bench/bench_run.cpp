#include "bench_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "bench_sqlite.h"

namespace korvel::bench {

// CPU time of this thread: other programs sharing the cores lengthen the
// wall-clock time of a query but hardly its CPU time. Everything is cached,
// so a query waits for nothing but the CPU.
double thread_seconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

namespace {

struct prepared {
  sqlite3_stmt* statement;
  std::string result;
};

[[noreturn]] void fail(sqlite3* db, const query& q) {
  std::fprintf(stderr, "korvel_bench: %s: %s\n", q.sql.c_str(), sqlite3_errmsg(db));
  std::exit(1);
}

// Steps the statement to its end, keeping the first column of the last row.
void execute(sqlite3* db, const query& q, prepared& p) {
  int rc;
  while ((rc = sqlite3_step(p.statement)) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(p.statement, 0));
    p.result = text != nullptr ? text : "NULL";
  }
  if (rc != SQLITE_DONE) fail(db, q);
  sqlite3_reset(p.statement);
}

double seconds_for(sqlite3* db, const query& q, prepared& p, int executions) {
  const double start = thread_seconds();
  for (int i = 0; i < executions; ++i) execute(db, q, p);
  return (thread_seconds() - start) / executions;
}

std::vector<prepared> prepare_all(sqlite3* db, const query_group& group) {
  std::vector<prepared> statements;
  for (const query& q : group.queries) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, q.sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) fail(db, q);
    statements.push_back({statement, {}});
  }
  return statements;
}

// One untimed execution of each query, which also counts its allocations;
// returns the time of the fastest, which sizes the timings.
double warm_up(sqlite3* db, const query_group& group, std::vector<prepared>& statements,
               group_figures& figures) {
  double fastest = INFINITY;
  for (std::size_t i = 0; i < group.queries.size(); ++i) {
    execute(db, group.queries[i], statements[i]);
    const std::uint64_t before = allocation_count();
    fastest = std::min(fastest, seconds_for(db, group.queries[i], statements[i], 1));
    const auto allocations = static_cast<double>(allocation_count() - before);
    figures.queries[i].allocations_per_row = allocations / static_cast<double>(group.rows);
    figures.queries[i].result = statements[i].result;
  }
  return fastest;
}

void summarise(const std::vector<std::vector<double>>& timings, group_figures& figures) {
  const std::size_t count = timings.size();
  for (std::size_t i = 0; i < count; ++i) {
    figures.queries[i].median_seconds = median(timings[i]);
    for (std::size_t j = 0; j < count; ++j) {
      std::vector<double> ratios;
      for (std::size_t rep = 0; rep < timings[i].size(); ++rep) {
        ratios.push_back(timings[i][rep] / timings[j][rep]);
      }
      figures.queries[i].median_ratio_to.push_back(median(ratios));
    }
  }
}

}  // namespace

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

group_figures run_group(sqlite3* db, const query_group& group, const run_settings& settings) {
  group_figures figures;
  figures.queries.resize(group.queries.size());
  std::vector<prepared> statements = prepare_all(db, group);
  const double fastest = warm_up(db, group, statements, figures);
  figures.executions_per_timing =
      std::max(1, static_cast<int>(std::ceil(settings.min_timing_seconds / fastest)));
  const std::size_t count = group.queries.size();
  std::vector<std::vector<double>> timings(count);
  for (int rep = 0; rep < settings.repetitions; ++rep) {
    for (std::size_t k = 0; k < count; ++k) {
      const std::size_t i = (static_cast<std::size_t>(rep) + k) % count;
      timings[i].push_back(
          seconds_for(db, group.queries[i], statements[i], figures.executions_per_timing));
    }
  }
  summarise(timings, figures);
  for (prepared& p : statements) sqlite3_finalize(p.statement);
  return figures;
}

}  // namespace korvel::bench
