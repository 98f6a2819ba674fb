#include "bench_data.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench_sqlite.h"

namespace korvel::bench {

namespace {

// splitmix64: tiny, fast and the same everywhere.
struct random_source {
  std::uint64_t state;

  std::uint64_t next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned below(unsigned bound) { return static_cast<unsigned>(next() % bound); }
};

template <typename... Args>
std::string format(const char* pattern, Args... args) {
  char buffer[64];
  const int written = std::snprintf(buffer, sizeof buffer, pattern, args...);
  return std::string(buffer, static_cast<std::size_t>(written));
}

enum class family { triple, pair, quad, beta, rc, letter, rc_dot, date, v_number, mixed };

// How common each numbering style is among the products, in percent.
struct family_share {
  family style;
  unsigned percent;
};
constexpr family_share kFamilies[] = {
    {family::triple, 40},  {family::pair, 15},  {family::quad, 10},  {family::beta, 8},
    {family::rc, 7},       {family::letter, 5}, {family::rc_dot, 5}, {family::date, 4},
    {family::v_number, 3}, {family::mixed, 3},
};

family pick_family(random_source& random) {
  unsigned roll = random.below(100);
  for (const family_share& share : kFamilies) {
    if (roll < share.percent) return share.style;
    roll -= share.percent;
  }
  return family::triple;
}

std::string dated_version(random_source& random) {
  return format("%04u/%02u/%02u", 2005 + random.below(20), 1 + random.below(12),
                1 + random.below(28));
}

std::string make_version(random_source& random, family style) {
  const unsigned major = random.below(12), minor = random.below(20), patch = random.below(30);
  const bool plain = random.below(2) == 0;
  switch (style) {
    case family::triple:
      return format("%u.%u.%u", major, minor, patch);
    case family::pair:
      return format("%u.%u", major, minor);
    case family::quad:
      return format("%u.%u.%u.%u", major, minor, patch, random.below(5000));
    case family::beta:
      return plain ? format("%u.%u", major, minor)
                   : format("%u.%u-%s", major, minor, random.below(2) ? "beta" : "alpha");
    case family::rc:
      return plain ? format("%u.%u", major, minor)
                   : format("%u.%u rc%u", major, minor, 1 + random.below(5));
    case family::letter:
      return format("%u.%u%c", major, minor, static_cast<char>('a' + random.below(4)));
    case family::rc_dot:
      return plain ? format("%u.%u.%u", major, minor, patch)
                   : format("%u.%u.%u-rc.%u", major, minor, patch, 1 + random.below(5));
    case family::date:
      return dated_version(random);
    case family::v_number:
      return format("v%u", 1 + random.below(40));
    case family::mixed:
      return make_version(random, static_cast<family>(random.below(9)));
  }
  return {};
}

// Texts with an empty component, which every version aggregate must skip.
constexpr const char* kMalformed[] = {"", "1..2", ".3", "4.", "2.0-", " 1.0", "1.2 ", "//"};

std::vector<std::vector<std::string>> make_catalogue(random_source& random) {
  std::vector<std::vector<std::string>> catalogue(kProducts);
  for (auto& versions : catalogue) {
    const family style = pick_family(random);
    const unsigned count = 10 + random.below(50);
    for (unsigned i = 0; i < count; ++i) versions.push_back(make_version(random, style));
  }
  return catalogue;
}

// Inserts `rows` rows into the table that `insert` fills; `bind` binds row i.
template <typename Bind>
void fill(sqlite3* db, const char* create, const char* insert, std::int64_t rows, Bind bind) {
  exec_or_die(db, create);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, insert, -1, &statement, nullptr) != SQLITE_OK) {
    exec_or_die(db, insert);  // reports the error and exits
  }
  for (std::int64_t i = 0; i < rows; ++i) {
    bind(statement, i);
    if (sqlite3_step(statement) != SQLITE_DONE) exec_or_die(db, insert);
    sqlite3_reset(statement);
  }
  sqlite3_finalize(statement);
}

void bind_text(sqlite3_stmt* statement, int column, const std::string& text) {
  sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()),
                    SQLITE_TRANSIENT);
}

void create_inventory(sqlite3* db) {
  random_source random{20110430};
  const auto catalogue = make_catalogue(random);
  fill(db, "CREATE TABLE t(product TEXT, version TEXT)", "INSERT INTO t VALUES(?, ?)",
       kInventoryRows, [&](sqlite3_stmt* statement, std::int64_t) {
         const unsigned product = random.below(kProducts);
         const auto& versions = catalogue[product];
         const bool broken = random.below(1000) < 5;
         bind_text(statement, 1, format("product-%04u", product));
         bind_text(statement, 2,
                   broken ? kMalformed[random.below(std::size(kMalformed))]
                          : versions[random.below(static_cast<unsigned>(versions.size()))]);
       });
}

std::string ascending_version(std::int64_t i) {
  return format("%lld.%lld.%lld", static_cast<long long>(i / 10000),
                static_cast<long long>(i / 100 % 100), static_cast<long long>(i % 100));
}

void create_worst_up(sqlite3* db) {
  fill(db, "CREATE TABLE worst_up(version TEXT)", "INSERT INTO worst_up VALUES(?)", kInventoryRows,
       [](sqlite3_stmt* statement, std::int64_t i) {
         bind_text(statement, 1, ascending_version(i));
       });
}

void create_worst_down(sqlite3* db) {
  fill(db, "CREATE TABLE worst_down(version TEXT)", "INSERT INTO worst_down VALUES(?)",
       kInventoryRows, [](sqlite3_stmt* statement, std::int64_t i) {
         bind_text(statement, 1, ascending_version(kInventoryRows - 1 - i));
       });
}

// A release log kept in release order: each minor release M.m appears as
// 'M.m', 'M.m.1', 'M.m.1.7', 'M.m.1-beta', 'M.m.1-rc.1', 'M.m.1 rc2' and
// 'M.m.2', each ordering after the one before; then dates, then 'vN' with N
// of six digits, so that byte order and number order agree. Every row
// orders after the previous one and changes the shape of the winner.
std::string release_log_version(std::int64_t i) {
  constexpr std::int64_t kDates = kInventoryRows / 10, kNames = kInventoryRows / 10;
  constexpr std::int64_t kReleases = kInventoryRows - kDates - kNames;
  if (i < kReleases) {
    static const char* const kShapes[] = {"", ".1", ".1.7", ".1-beta", ".1-rc.1", ".1 rc2", ".2"};
    const std::int64_t release = i / 7;
    return format("%lld.%lld%s", static_cast<long long>(release / 100),
                  static_cast<long long>(release % 100), kShapes[i % 7]);
  }
  i -= kReleases;
  if (i < kDates) {
    // 30-day months keep the arithmetic plain; the years start above every
    // major release number above.
    return format("%lld/%02lld/%02lld", static_cast<long long>(2000 + i / 360),
                  static_cast<long long>(1 + i / 30 % 12), static_cast<long long>(1 + i % 30));
  }
  return format("v%lld", static_cast<long long>(100000 + i - kDates));
}

// '1.0.N' then '1.0.N-beta', which orders after it.
std::string alternating_beta_version(std::int64_t i) {
  return format("1.0.%lld%s", static_cast<long long>(i / 2), i % 2 == 0 ? "" : "-beta");
}

template <typename Version>
void create_ordered(sqlite3* db, const char* name, bool ascending, Version version) {
  const std::string create = std::string("CREATE TABLE ") + name + "(version TEXT)";
  const std::string insert = std::string("INSERT INTO ") + name + " VALUES(?)";
  fill(db, create.c_str(), insert.c_str(), kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t i) {
         bind_text(statement, 1, version(ascending ? i : kInventoryRows - 1 - i));
       });
}

// Groups of 1 to 9 rows (5 on average) of one numbering style each, stored
// group by group so that GROUP BY reads them in storage order.
void create_small_groups(sqlite3* db) {
  random_source random{5};
  std::int64_t group = 0, left = 0;
  family style = family::triple;
  fill(db,
       "CREATE TABLE small_groups(grp INTEGER, seq INTEGER, version TEXT, "
       "PRIMARY KEY(grp, seq)) WITHOUT ROWID",
       "INSERT INTO small_groups VALUES(?, ?, ?)", kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t i) {
         if (left == 0) {
           ++group;
           left = 1 + random.below(9);
           style = pick_family(random);
         }
         --left;
         sqlite3_bind_int64(statement, 1, group);
         sqlite3_bind_int64(statement, 2, i);
         bind_text(statement, 3, make_version(random, style));
       });
}

// kInventoryRows rows of the committed (package, version) sample, repeated,
// grouped by source: the package name up to its first '-' and the round of
// the repetition. Stored source by source in the sample's order, and indexed
// by (source, version) for reading each group in byte order.
void create_deb_sources(sqlite3* db) {
  std::vector<std::string> sources, versions;
  for (const std::string& line : read_sample("deb_packages.tsv")) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    sources.push_back(line.substr(0, std::min(tab, line.find('-'))));
    versions.push_back(line.substr(tab + 1));
  }
  const auto sample = static_cast<std::int64_t>(versions.size());
  fill(db,
       "CREATE TABLE deb_sources(source TEXT, seq INTEGER, v TEXT, PRIMARY KEY(source, seq)) "
       "WITHOUT ROWID",
       "INSERT INTO deb_sources VALUES(?, ?, ?)", kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t i) {
         const auto row = static_cast<std::size_t>(i % sample);
         bind_text(statement, 1, sources[row] + "/" + std::to_string(i / sample));
         sqlite3_bind_int64(statement, 2, i);
         bind_text(statement, 3, versions[row]);
       });
  exec_or_die(db, "CREATE INDEX deb_sources_sorted ON deb_sources(source, v)");
}

void create_generated_versions(sqlite3* db) {
  random_source random{19991231};
  const auto catalogue = make_catalogue(random);
  fill(db, "CREATE TABLE gen_versions(v TEXT)", "INSERT INTO gen_versions VALUES(?)",
       kInventoryRows, [&](sqlite3_stmt* statement, std::int64_t) {
         const auto& versions = catalogue[random.below(kProducts)];
         bind_text(statement, 1, versions[random.below(static_cast<unsigned>(versions.size()))]);
       });
  for (const char* collation : {"binary", "uint", "version"}) {
    exec_or_die(db, std::string("CREATE INDEX gen_versions_") + collation +
                        " ON gen_versions(v COLLATE " + collation + ")");
  }
}

void create_addresses(sqlite3* db) {
  random_source random{19216811};
  fill(db, "CREATE TABLE ips(ip TEXT)", "INSERT INTO ips VALUES(?)", kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t) {
         bind_text(statement, 1,
                   format("%u.%u.%u.%u", random.below(256), random.below(256), random.below(256),
                          random.below(256)));
       });
}

// An IPv6 text of one of the shapes inventories hold: compressed, written
// out in full with leading zeros, upper case, with an IPv4 tail, IPv4-mapped,
// link-local with a zone.
std::string ipv6_text(random_source& random) {
  unsigned hextets[8];
  const bool documentation = random.below(2) == 0;
  for (unsigned i = 0; i < 8; ++i) hextets[i] = random.below(3) == 0 ? 0 : random.below(65536);
  if (documentation) hextets[0] = 0x2001, hextets[1] = 0xdb8;
  const unsigned shape = random.below(6);
  if (shape == 0) {
    return format("::ffff:%u.%u.%u.%u", 10u, random.below(16), random.below(256),
                  random.below(256));
  }
  if (shape == 1) return format("fe80::%x%%eth%u", random.below(65536), random.below(4));
  const char* hex = shape == 2 ? "%04X" : "%x";
  const unsigned last = shape == 4 ? 6 : 8;  // shape 4 ends in dotted IPv4
  // The longest run of zeros becomes '::' (none when shape 3 writes it out).
  unsigned best = 8, best_length = 1;
  for (unsigned i = 0; i < last;) {
    unsigned end = i;
    while (end < last && hextets[end] == 0) ++end;
    if (end - i > best_length) best = i, best_length = end - i;
    i = end == i ? i + 1 : end;
  }
  if (shape == 3) best = 8;
  std::string text;
  for (unsigned i = 0; i < last; ++i) {
    if (i == best) {
      text += i == 0 ? "::" : ":";
      i += best_length - 1;
      continue;
    }
    text += format(shape == 3 ? "%04x" : hex, hextets[i]);
    if (i + 1 < last || shape == 4) text += ':';
  }
  if (shape == 4) {
    text +=
        format("%u.%u.%u.%u", hextets[6] >> 8, hextets[6] & 255, hextets[7] >> 8, hextets[7] & 255);
  }
  return text;
}

}  // namespace

std::vector<std::string> inet_texts(std::int64_t rows) {
  random_source random{0x20010db8};
  std::vector<std::string> texts;
  texts.reserve(static_cast<std::size_t>(rows));
  for (std::int64_t i = 0; i < rows; ++i) {
    texts.push_back(random.below(10) < 7 ? format("10.%u.%u.%u", random.below(16),
                                                  random.below(256), random.below(256))
                                         : ipv6_text(random));
  }
  return texts;
}

namespace {

void create_inet(sqlite3* db) {
  const std::vector<std::string> texts = inet_texts(kInventoryRows);
  fill(db, "CREATE TABLE inet(ip TEXT)", "INSERT INTO inet VALUES(?)", kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t i) {
         bind_text(statement, 1, texts[static_cast<std::size_t>(i)]);
       });
  for (const char* collation : {"binary", "uint", "ip"}) {
    exec_or_die(db, std::string("CREATE INDEX inet_") + collation + " ON inet(ip COLLATE " +
                        collation + ")");
  }
  exec_or_die(db, "CREATE INDEX inet_by_key ON inet(ip_key(ip))");
}

// '1.2.' and a word of `bytes` - 4 bytes that differs between rows only in
// its last four, so every comparison reads the whole text.
std::string long_version(random_source& random, std::int64_t bytes) {
  std::string text = "1.2." + std::string(static_cast<std::size_t>(bytes - 8), 'a');
  for (int i = 0; i < 4; ++i) text += static_cast<char>('a' + random.below(26));
  return text;
}

// `components` components, all '1' but the last, a random number.
std::string many_components(random_source& random, std::int64_t components) {
  std::string text;
  for (std::int64_t i = 1; i < components; ++i) text += "1.";
  return text + std::to_string(random.below(100000));
}

void create_series(sqlite3* db, const series_table& table, bool by_length) {
  random_source random{static_cast<std::uint64_t>(table.rows)};
  const std::string create = std::string("CREATE TABLE ") + table.name + "(version TEXT)";
  const std::string insert = std::string("INSERT INTO ") + table.name + " VALUES(?)";
  fill(db, create.c_str(), insert.c_str(), table.rows, [&](sqlite3_stmt* statement, std::int64_t) {
    bind_text(statement, 1,
              by_length ? long_version(random, table.bytes_per_row)
                        : many_components(random, table.components_per_row));
  });
}

void create_real_versions(sqlite3* db, const real_versions_table& table) {
  const std::vector<std::string> sample = read_sample(table.sample);
  random_source random{static_cast<std::uint64_t>(sample.size())};
  const std::string name = table.name;
  fill(db, ("CREATE TABLE " + name + "(v TEXT)").c_str(),
       ("INSERT INTO " + name + " VALUES(?)").c_str(), kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t) {
         bind_text(statement, 1, sample[random.below(static_cast<unsigned>(sample.size()))]);
       });
  exec_or_die(db, "CREATE INDEX " + name + "_binary ON " + name + "(v)");
  exec_or_die(db, "CREATE INDEX " + name + "_uint ON " + name + "(v COLLATE uint)");
  exec_or_die(db, "CREATE INDEX " + name + "_scheme ON " + name + "(v COLLATE version_" +
                      table.scheme + ")");
  if (std::string(table.scheme) == "deb") {
    exec_or_die(db, "CREATE INDEX " + name + "_version ON " + name + "(v COLLATE version)");
  }
}

// osv_advisories(affected, v): an OSV "affected" element per row as
// json_each() yields it (one ECOSYSTEM range, introduced "0" and a fix, both
// the package's name and its fix different from row to row), and an
// installed version; both versions real Debian ones.
void create_osv_advisories(sqlite3* db) {
  const std::vector<std::string> sample = read_sample("deb_versions.txt");
  random_source random{20240903};
  const auto pick = [&] { return sample[random.below(static_cast<unsigned>(sample.size()))]; };
  fill(db, "CREATE TABLE osv_advisories(affected TEXT, v TEXT)",
       "INSERT INTO osv_advisories VALUES(?, ?)", kInventoryRows,
       [&](sqlite3_stmt* statement, std::int64_t i) {
         bind_text(statement, 1,
                   R"({"package":{"ecosystem":"Debian:12","name":"package-)" +
                       std::to_string(i % kProducts) +
                       R"("},"ranges":[{"type":"ECOSYSTEM","events":[{"introduced":"0"},)"
                       R"({"fixed":")" +
                       pick() + R"("}]}]})");
         bind_text(statement, 2, pick());
       });
}

}  // namespace

std::vector<std::string> read_sample(const char* file) {
  std::ifstream lines(std::string(KORVEL_DATA_DIR) + "/" + file);
  std::vector<std::string> sample;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) sample.push_back(line);
  }
  if (sample.empty()) {
    std::fprintf(stderr, "korvel_bench: no versions in %s/%s\n", KORVEL_DATA_DIR, file);
    std::exit(1);
  }
  return sample;
}

const std::vector<real_versions_table>& real_versions_tables() {
  static const std::vector<real_versions_table> tables = {
      {"real_deb", "deb_versions.txt", "deb"},
      {"real_rpm", "rpm_versions.txt", "rpm"},
      {"real_semver", "semver_versions.txt", "semver"},
      {"real_pep440", "pep440_versions.txt", "pep440"},
      {"real_pypi", "pypi_index_versions.txt", "pep440"},
      {"real_maven", "maven_versions.txt", "maven"},
      {"real_go", "go_versions.txt", "go"},
      {"real_gem", "gem_versions.txt", "gem"},
      {"real_composer", "composer_versions.txt", "composer"},
      {"real_apk", "apk_versions.txt", "apk"},
      {"real_alpm", "alpm_versions.txt", "alpm"},
  };
  return tables;
}

const std::vector<series_table>& length_series() {
  static const std::vector<series_table> tables = {
      {"len_10", 1'000'000, 10, 3},
      {"len_1k", 10'000, 1'000, 3},
      {"len_100k", 100, 100'000, 3},
  };
  return tables;
}

// Component texts are about two bytes per component plus a number of up to
// five digits; the byte counts are the mean.
const std::vector<series_table>& component_series() {
  static const std::vector<series_table> tables = {
      {"parts_1", 1'000'000, 5, 1},
      {"parts_10", 100'000, 23, 10},
      {"parts_100", 10'000, 203, 100},
      {"parts_1000", 1'000, 2'003, 1'000},
  };
  return tables;
}

void create_data_set(sqlite3* db, const std::function<bool(const char*)>& wanted) {
  exec_or_die(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
  if (wanted("t")) create_inventory(db);
  if (wanted("worst_up")) create_worst_up(db);
  if (wanted("worst_down")) create_worst_down(db);
  if (wanted("ips")) create_addresses(db);
  if (wanted("inet")) create_inet(db);
  if (wanted("shapes_up")) create_ordered(db, "shapes_up", true, release_log_version);
  if (wanted("shapes_down")) create_ordered(db, "shapes_down", false, release_log_version);
  if (wanted("beta_up")) create_ordered(db, "beta_up", true, alternating_beta_version);
  if (wanted("beta_down")) create_ordered(db, "beta_down", false, alternating_beta_version);
  if (wanted("small_groups")) create_small_groups(db);
  if (wanted("deb_sources")) create_deb_sources(db);
  if (wanted("gen_versions")) create_generated_versions(db);
  if (wanted("osv_advisories")) create_osv_advisories(db);
  for (const real_versions_table& table : real_versions_tables()) {
    if (wanted(table.name)) create_real_versions(db, table);
  }
  for (const series_table& table : length_series()) {
    if (wanted(table.name)) create_series(db, table, true);
  }
  for (const series_table& table : component_series()) {
    if (wanted(table.name)) create_series(db, table, false);
  }
  exec_or_die(db, "COMMIT");
}

}  // namespace korvel::bench
