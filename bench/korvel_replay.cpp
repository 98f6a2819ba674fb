// The collations' own cost, apart from the sorter's memory traffic: the
// comparisons SQLite's sorter makes sorting 100,000 rows of each committed
// sample are recorded once, through a collation that orders as uint does,
// and then replayed in one process through each order and through uint.
// The figures move by a few percent between runs where the sorts' move by
// ten; they show what a change to an order's arithmetic does, which the
// sorts themselves mostly hide behind their cache misses.
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bench_data.h"
#include "bench_run.h"
#include "bench_sqlite.h"
#include "address/inet.h"
#include "version/scheme.h"
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
#include "version/text_order.h"

namespace korvel::bench {
namespace {

constexpr unsigned kRows = 100'000;
constexpr int kPasses = 21;

struct comparison {
  std::size_t lhs;  // offsets into the recording's bytes
  std::size_t lhs_size;
  std::size_t rhs;
  std::size_t rhs_size;
};

struct recording {
  std::string bytes;
  std::vector<comparison> comparisons;
};

int record(void* into, int lhs_bytes, const void* lhs, int rhs_bytes, const void* rhs) {
  auto& r = *static_cast<recording*>(into);
  const std::size_t at = r.bytes.size();
  r.bytes.append(static_cast<const char*>(lhs), static_cast<std::size_t>(lhs_bytes));
  r.bytes.append(static_cast<const char*>(rhs), static_cast<std::size_t>(rhs_bytes));
  r.comparisons.push_back({at, static_cast<std::size_t>(lhs_bytes),
                           at + static_cast<std::size_t>(lhs_bytes),
                           static_cast<std::size_t>(rhs_bytes)});
  return uint_collation(nullptr, lhs_bytes, lhs, rhs_bytes, rhs);
}

// The sort's comparisons over rows drawn, seeded, from the sample: a
// committed file, or the benchmark's generated addresses for "inet".
recording record_sort(const char* sample_file) {
  const std::vector<std::string> sample = std::string_view(sample_file) == "inet"
                                              ? inet_texts(kRows)
                                              : read_sample(sample_file);
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) {
    std::fprintf(stderr, "korvel_replay: cannot open a database\n");
    std::exit(1);
  }
  exec_or_die(db, "CREATE TABLE t(v TEXT)");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t VALUES(?)", -1, &insert, nullptr);
  std::uint64_t state = sample.size();
  for (unsigned i = 0; i < kRows; ++i) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const std::string& v = sample[(state >> 33) % sample.size()];
    sqlite3_bind_text(insert, 1, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  recording r;
  sqlite3_create_collation(db, "recorder", SQLITE_UTF8, &r, record);
  sqlite3_stmt* sort = nullptr;
  sqlite3_prepare_v2(db, "SELECT v FROM t ORDER BY v COLLATE recorder", -1, &sort, nullptr);
  while (sqlite3_step(sort) == SQLITE_ROW) {
  }
  sqlite3_finalize(sort);
  sqlite3_close(db);
  if (r.comparisons.empty()) {
    std::fprintf(stderr, "korvel_replay: the sort of %s recorded no comparison\n", sample_file);
    std::exit(1);
  }
  return r;
}

using order = int (*)(std::string_view, std::string_view);

template <const version_scheme& scheme>
int scheme_order(std::string_view lhs, std::string_view rhs) {
  return scheme_collate(scheme, lhs, rhs);
}

int ip_order(std::string_view lhs, std::string_view rhs) {
  return compare_inet_texts(lhs, rhs);
}

int uint_order(std::string_view lhs, std::string_view rhs) {
  return uint_collation(nullptr, static_cast<int>(lhs.size()), lhs.data(),
                        static_cast<int>(rhs.size()), rhs.data());
}

// Best of kPasses passes over every recorded comparison, in ns of the
// thread's CPU time each, since other programs share the cores.
double replay(const recording& r, order compare) {
  double best = 1e30;
  long sink = 0;
  for (int pass = 0; pass < kPasses; ++pass) {
    const double start = thread_seconds();
    for (const comparison& c : r.comparisons) {
      sink += compare({r.bytes.data() + c.lhs, c.lhs_size}, {r.bytes.data() + c.rhs, c.rhs_size});
    }
    const double took = (thread_seconds() - start) * 1e9;
    best = std::min(best, took / static_cast<double>(r.comparisons.size()));
  }
  if (sink == 42) std::printf(" ");  // keeps the comparisons from being dropped
  return best;
}

struct subject {
  const char* sample;
  const char* name;
  order compare;
};

constexpr subject kSubjects[] = {
    {"deb_versions.txt", "version_deb", scheme_order<DEB_SCHEME>},
    {"deb_versions.txt", "version", version_collation_compare},
    {"rpm_versions.txt", "version_rpm", scheme_order<RPM_SCHEME>},
    {"semver_versions.txt", "version_semver", scheme_order<SEMVER_SCHEME>},
    {"pep440_versions.txt", "version_pep440", scheme_order<PEP440_SCHEME>},
    {"pypi_index_versions.txt", "version_pep440", scheme_order<PEP440_SCHEME>},
    {"maven_versions.txt", "version_maven", scheme_order<MAVEN_SCHEME>},
    {"go_versions.txt", "version_go", scheme_order<GO_SCHEME>},
    {"gem_versions.txt", "version_gem", scheme_order<GEM_SCHEME>},
    {"composer_versions.txt", "version_composer", scheme_order<COMPOSER_SCHEME>},
    {"apk_versions.txt", "version_apk", scheme_order<APK_SCHEME>},
    {"alpm_versions.txt", "version_alpm", scheme_order<ALPM_SCHEME>},
    {"inet", "ip", ip_order},
};

}  // namespace
}  // namespace korvel::bench

// korvel_replay [NAME]: every collation, or those whose name or sample holds
// NAME.
int main(int argc, char** argv) {
  using namespace korvel::bench;
  const std::string_view only = argc > 1 ? argv[1] : "";
  std::printf("| sample | comparisons | collation | ns each | uint ns each | / uint |\n");
  std::printf("|---|---:|---|---:|---:|---:|\n");
  for (const subject& s : kSubjects) {
    if (std::string_view(s.name).find(only) == std::string_view::npos &&
        std::string_view(s.sample).find(only) == std::string_view::npos) {
      continue;
    }
    const recording r = record_sort(s.sample);
    const double ours = replay(r, s.compare);
    const double baseline = replay(r, uint_order);
    std::printf("| %s | %zu | %s | %.2f | %.2f | %.3f |\n", s.sample, r.comparisons.size(), s.name,
                ours, baseline, ours / baseline);
  }
}
