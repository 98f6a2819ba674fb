// The deterministic data set: the same seed gives the same database on every
// run and every machine, so figures from different runs compare.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace korvel::bench {

inline constexpr std::int64_t kInventoryRows = 1'000'000;
inline constexpr int kProducts = 1'000;

// A table whose rows all have the same length or the same component count,
// for measuring how time grows with either.
struct series_table {
  const char* name;
  std::int64_t rows;
  std::int64_t bytes_per_row;
  std::int64_t components_per_row;
};

// t(product, version): the inventory. worst_up(version) and
// worst_down(version): distinct versions in ascending / descending order, so
// that every row is a new winner of max_version / min_version; shapes_up /
// shapes_down and beta_up / beta_down the same for a release log of changing
// shapes and for alternating '1.0.N' and '1.0.N-beta'. small_groups(grp, seq,
// version): groups of 1 to 9 rows. deb_sources(source, seq, v): real Debian
// versions grouped by source package. gen_versions(v): versions like t's,
// indexed under BINARY, uint and version. ips(ip): dotted IPv4 texts.
// osv_advisories(affected, v): OSV affected elements and installed
// versions. inet(ip): 70% IPv4 in 10.0.0.0/12, 30% IPv6 of every shape,
// indexed under BINARY, uint, ip and by ip_key (so the library must be
// loaded). Plus the
// tables listed by length_series() and component_series(). Creates only the
// tables `wanted` asks for.
void create_data_set(sqlite3* db, const std::function<bool(const char*)>& wanted);

// A table of kInventoryRows rows drawn from one committed sample of real
// versions of a package manager, indexed three ways so that REINDEX measures
// building an index under BINARY, the baseline uint collation and the
// scheme's own.
struct real_versions_table {
  const char* name;    // the table: real_<scheme>(v)
  const char* sample;  // the sample's file under the test data directory
  const char* scheme;  // the collation is version_<scheme>
};

[[nodiscard]] const std::vector<real_versions_table>& real_versions_tables();

// The versions of a committed sample, one a line; exits when it has none.
[[nodiscard]] std::vector<std::string> read_sample(const char* file);

// The rows of inet: 70% IPv4 in 10.0.0.0/12, 30% IPv6 of every shape, the
// same for every call with the same count's prefix.
[[nodiscard]] std::vector<std::string> inet_texts(std::int64_t rows);

[[nodiscard]] const std::vector<series_table>& length_series();
[[nodiscard]] const std::vector<series_table>& component_series();

}  // namespace korvel::bench
