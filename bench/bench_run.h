// Runs competing queries alternately in one process so that a slower or
// busier moment of the machine touches every query of a group alike.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace korvel::bench {

struct query {
  std::string label;
  std::string sql;
  bool baseline;  // ratios are reported against every baseline of the group
};

struct query_group {
  std::string title;
  std::int64_t rows;  // rows each query reads, for per-row figures
  std::vector<query> queries;
};

struct query_figures {
  double median_seconds;
  double allocations_per_row;
  std::string result;  // the single value the query returned, as text
  // For each query of the group: the median over repetitions of this query's
  // time divided by that query's time in the same repetition.
  std::vector<double> median_ratio_to;
};

struct group_figures {
  std::vector<query_figures> queries;
  int executions_per_timing;  // fast queries run several times per timing
};

struct run_settings {
  int repetitions;
  double min_timing_seconds;  // fast groups repeat each query up to this
};

// Warms every query up, counts its allocations, then times the group's
// queries `repetitions` times, each repetition starting one query later.
[[nodiscard]] group_figures run_group(sqlite3* db, const query_group& group,
                                      const run_settings& settings);

[[nodiscard]] double median(std::vector<double> values);

// CPU time of the calling thread, in seconds.
[[nodiscard]] double thread_seconds();

}  // namespace korvel::bench
