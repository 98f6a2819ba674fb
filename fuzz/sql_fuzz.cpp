// Short SQL through connections with the library registered: the first byte
// picks a statement, the rest is bound as ?1 (text) and ?2 (blob). Lines of
// the input become the rows of a group; one more value of the first byte
// cuts the rest into separators and the three rows of a group instead. Any
// statement error is a finding, and so is a result that disagrees with the
// library's own functions.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "address/ip_address.h"
#include "extension/registration.h"
#include "fuzz_input.h"
#include "version/parts.h"
#include "version_reference.h"

namespace korvel::fuzzing {
namespace {

// The input's lines as rows v, at most 64 of them.
#define KORVEL_LINES                                                                   \
  "WITH RECURSIVE split(n, v, rest) AS (SELECT 0, NULL, CAST(?2 AS TEXT) || char(10) " \
  "UNION ALL SELECT n + 1, substr(rest, 1, instr(rest, char(10)) - 1), "               \
  "substr(rest, instr(rest, char(10)) + 1) FROM split WHERE rest <> '' AND n < 64) "   \
  "SELECT "
#define KORVEL_FROM_LINES " FROM split WHERE n > 0"

using result_check = void (*)(sqlite3_stmt*, std::string_view input);

void check_fold(sqlite3_stmt* statement, std::string_view input) {
  KORVEL_FUZZ_CHECK(sqlite3_column_int64(statement, 0) == fold_ip_address(input));
}

// A one-row group gives its row back, byte for byte, when it is a version.
void check_single_row(sqlite3_stmt* statement, std::string_view input) {
  const bool version = naive_is_version(input);
  for (int column = 0; column < 2; ++column) {
    if (!version) {
      KORVEL_FUZZ_CHECK(sqlite3_column_type(statement, column) == SQLITE_NULL);
      continue;
    }
    const auto* text = sqlite3_column_text(statement, column);
    const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
    KORVEL_FUZZ_CHECK(bytes == input.size() && std::memcmp(text, input.data(), bytes) == 0);
  }
}

// A version equals itself; a text that is not one gives NULL. With no
// separators, any text that does not start with a NUL is one component.
void check_self_compare(sqlite3_stmt* statement, std::string_view input) {
  const bool versions[2] = {naive_is_version(input), !input.empty() && input.front() != '\0'};
  for (int column = 0; column < 2; ++column) {
    const int type = sqlite3_column_type(statement, column);
    if (!versions[column]) {
      KORVEL_FUZZ_CHECK(type == SQLITE_NULL);
    } else {
      KORVEL_FUZZ_CHECK(type == SQLITE_INTEGER && sqlite3_column_int(statement, column) == 0);
    }
  }
}

struct fuzz_statement {
  const char* sql;
  bool utf16;          // runs on the UTF-16le database
  result_check check;  // or nullptr: sanitizers and errors only
};

// One row per statement; a new SQL function joins the fuzzing with one row.
constexpr fuzz_statement kStatements[] = {
    {"SELECT format_ip_address(?1)", false, check_fold},
    {"SELECT min_version(?1), max_version(?1)", false, check_single_row},
    {"SELECT min_version(?1, ?1), max_version(CAST(?2 AS TEXT), ''), "
     "max_version('1.2-3/4 5', CAST(?2 AS TEXT))",
     false, nullptr},
    {KORVEL_LINES "min_version(v), max_version(v), total(format_ip_address(v))" KORVEL_FROM_LINES,
     false, nullptr},
    {KORVEL_LINES
     "min_version(v, substr(v, 3, 2)), max_version(v, substr(v, 2, 1))" KORVEL_FROM_LINES,
     false, nullptr},
    {KORVEL_LINES "length(v) % 3 AS k, min_version(v), max_version(v, '.')" KORVEL_FROM_LINES
                  " GROUP BY k",
     false, nullptr},
    {"SELECT version_compare(?1, ?1), version_compare(?1, ?1, '')", false, check_self_compare},
    {"SELECT version_compare(?1, CAST(?2 AS TEXT), '.'), ip_address_text(format_ip_address(?1)), "
     "ip_address_text(length(?2) * 16777259)",
     false, nullptr},
    {KORVEL_LINES "min(v COLLATE version), max(v COLLATE version), count(DISTINCT v COLLATE "
                  "version)" KORVEL_FROM_LINES,
     false, nullptr},
    {KORVEL_LINES "group_concat(v, x'0a') FROM (SELECT v" KORVEL_FROM_LINES
                  " ORDER BY v COLLATE version)",
     false, nullptr},
    {"SELECT format_ip_address(?1), min_version(?1), max_version(?1, ?1), version_compare(?1, '1')",
     true, nullptr},
    {KORVEL_LINES "min_version(v), max_version(v), max(format_ip_address(v))" KORVEL_FROM_LINES,
     true, nullptr},
};

sqlite3* open_connection(bool utf16) {
  sqlite3* db = nullptr;
  KORVEL_FUZZ_CHECK(sqlite3_open(":memory:", &db) == SQLITE_OK);
  if (utf16) {
    KORVEL_FUZZ_CHECK(sqlite3_exec(db, "PRAGMA encoding='UTF-16le'", nullptr, nullptr, nullptr) ==
                      SQLITE_OK);
  }
  (void)register_functions(db);
  return db;
}

// Connections and statements live for the whole run: preparing once keeps
// the fuzzer's time on the functions.
sqlite3_stmt* statement_for(std::size_t index) {
  static sqlite3* const databases[2] = {open_connection(false), open_connection(true)};
  static sqlite3_stmt* prepared[std::size(kStatements)] = {};
  if (prepared[index] == nullptr) {
    sqlite3* db = databases[kStatements[index].utf16 ? 1 : 0];
    if (sqlite3_prepare_v2(db, kStatements[index].sql, -1, &prepared[index], nullptr) !=
        SQLITE_OK) {
      std::fprintf(stderr, "%s\n%s\n", kStatements[index].sql, sqlite3_errmsg(db));
      std::abort();
    }
  }
  return prepared[index];
}

void run(std::size_t index, std::string_view input) {
  sqlite3_stmt* statement = statement_for(index);
  const auto length = static_cast<int>(input.size());
  sqlite3_bind_text(statement, 1, input.data(), length, SQLITE_TRANSIENT);
  if (sqlite3_bind_parameter_count(statement) >= 2) {
    sqlite3_bind_blob(statement, 2, input.data(), length, SQLITE_TRANSIENT);
  }
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    if (kStatements[index].check != nullptr) kStatements[index].check(statement, input);
  }
  if (rc != SQLITE_DONE) {
    std::fprintf(stderr, "%s\n%s\n", kStatements[index].sql,
                 sqlite3_errmsg(sqlite3_db_handle(statement)));
    std::abort();
  }
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
}

// A group of three rows sharing separators: the aggregates' winners must be
// the ones the parser picks, the earliest row among equals.
constexpr const char* kGroupSql =
    "SELECT min_version(v, s), max_version(v, s) FROM (SELECT ?1 AS v, ?4 AS s "
    "UNION ALL SELECT ?2, ?4 UNION ALL SELECT ?3, ?4)";

const std::string_view* winner_or_null(const std::string_view (&texts)[3], std::size_t index) {
  return index < 3 ? &texts[index] : nullptr;
}

void check_winner(sqlite3_stmt* statement, int column, const std::string_view* winner) {
  if (winner == nullptr) {
    KORVEL_FUZZ_CHECK(sqlite3_column_type(statement, column) == SQLITE_NULL);
    return;
  }
  const auto* text = sqlite3_column_text(statement, column);
  const auto bytes = static_cast<std::size_t>(sqlite3_column_bytes(statement, column));
  KORVEL_FUZZ_CHECK(bytes == winner->size() && std::memcmp(text, winner->data(), bytes) == 0);
}

void run_group(fuzz_input& input) {
  static sqlite3_stmt* const statement = [] {
    sqlite3_stmt* prepared = nullptr;
    KORVEL_FUZZ_CHECK(sqlite3_prepare_v2(sqlite3_db_handle(statement_for(0)), kGroupSql, -1,
                                         &prepared, nullptr) == SQLITE_OK);
    return prepared;
  }();
  const exact_copy separators(input.take_sized());
  const exact_copy a(input.take_sized());
  const exact_copy b(input.take_sized());
  const exact_copy c(input.rest());
  const std::string_view texts[3] = {a.view(), b.view(), c.view()};
  for (int i = 0; i < 3; ++i) {
    sqlite3_bind_text(statement, i + 1, texts[i].data(), static_cast<int>(texts[i].size()),
                      SQLITE_STATIC);
  }
  sqlite3_bind_text(statement, 4, separators.view().data(),
                    static_cast<int>(separators.view().size()), SQLITE_STATIC);
  KORVEL_FUZZ_CHECK(sqlite3_step(statement) == SQLITE_ROW);
  const separator_set set = make_separator_set(separators.view());
  check_winner(statement, 0, winner_or_null(texts, testing::reference_winner(texts, set, -1)));
  check_winner(statement, 1, winner_or_null(texts, testing::reference_winner(texts, set, 1)));
  KORVEL_FUZZ_CHECK(sqlite3_step(statement) == SQLITE_DONE);
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const std::size_t index = input.take_byte() % (std::size(kStatements) + 1);
  if (index == std::size(kStatements)) {
    run_group(input);
    return 0;
  }
  const exact_copy text(input.rest());
  run(index, text.view());
  return 0;
}
