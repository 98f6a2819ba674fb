// Reads any bytes as an OSV "affected" element and asks it about two
// versions, each text in a buffer of its exact size so that ASan catches a
// read past its end. Whether a record is malformed, and why, must not depend
// on the version; the excerpt of a malformed one lies within the record; and
// a record the reader takes must be JSON to SQLite's json_valid() too.
#include <sqlite3.h>

#include <cstdint>
#include <string_view>

#include "advisory/osv.h"
#include "fuzz_input.h"

namespace korvel::fuzzing {
namespace {

sqlite3_stmt* json_valid_statement() {
  static sqlite3_stmt* statement = [] {
    sqlite3* db = nullptr;
    sqlite3_stmt* prepared = nullptr;
    KORVEL_FUZZ_CHECK(sqlite3_open(":memory:", &db) == SQLITE_OK);
    KORVEL_FUZZ_CHECK(sqlite3_prepare_v2(db, "SELECT json_valid(?1)", -1, &prepared, nullptr) ==
                      SQLITE_OK);
    return prepared;
  }();
  return statement;
}

bool sqlite_json_valid(std::string_view text) {
  sqlite3_stmt* statement = json_valid_statement();
  sqlite3_bind_text(statement, 1, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  KORVEL_FUZZ_CHECK(sqlite3_step(statement) == SQLITE_ROW);
  const bool valid = sqlite3_column_int(statement, 0) == 1;
  sqlite3_reset(statement);
  return valid;
}

}  // namespace
}  // namespace korvel::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvel;
  using namespace korvel::fuzzing;
  fuzz_input input{data, size};
  const exact_copy version(input.take_sized());
  const exact_copy other(input.take_sized());
  const exact_copy record(input.rest());
  osv_answer answers[2] = {osv_answer::unknown, osv_answer::unknown};
  osv_problem problems[2] = {};
  const osv_status status = osv_affected(record.view(), version.view(), answers[0], problems[0]);
  KORVEL_FUZZ_CHECK(osv_affected(record.view(), other.view(), answers[1], problems[1]) == status);
  KORVEL_FUZZ_CHECK(status != osv_status::no_memory);
  if (status == osv_status::malformed) {
    const std::string_view text = record.view();
    for (const osv_problem& problem : problems) {
      KORVEL_FUZZ_CHECK(problem.reason != nullptr);
      KORVEL_FUZZ_CHECK(problem.excerpt.data() >= text.data() &&
                        problem.excerpt.data() + problem.excerpt.size() <=
                            text.data() + text.size());
    }
    KORVEL_FUZZ_CHECK(problems[0].reason == problems[1].reason &&
                      problems[0].excerpt == problems[1].excerpt &&
                      problems[0].order == problems[1].order);
    return 0;
  }
  KORVEL_FUZZ_CHECK(sqlite_json_valid(record.view()));
  // The same text asked the same question answers the same.
  osv_answer again = osv_answer::unknown;
  osv_problem unused{};
  KORVEL_FUZZ_CHECK(osv_affected(record.view(), version.view(), again, unused) == status);
  KORVEL_FUZZ_CHECK(again == answers[0]);
  return 0;
}
