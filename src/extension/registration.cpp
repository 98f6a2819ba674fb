#include "extension/registration.h"

#include "address/address_functions.h"
#include "advisory/osv_functions.h"
#include "extension/library_version.h"
#include "version/aggregates.h"
#include "version/ranges/range_functions.h"
#include "version/scheme_functions.h"
#include "version/sql.h"

namespace korvel {

namespace {

using scalar_routine = void (*)(sqlite3_context*, int, sqlite3_value**);
using final_routine = void (*)(sqlite3_context*);

struct function_registration {
  const char* name;
  int argument_count;  // -1: any; the routine sorts out the count itself
  scalar_routine scalar;
  scalar_routine step;
  final_routine final;
};

// Pure functions of their arguments: deterministic, and harmless enough to be
// used in indexes, generated columns and views under trusted_schema=OFF.
constexpr int kFunctionFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;

constexpr function_registration kFunctions[] = {
    {"format_ip_address", 1, format_ip_address_func, nullptr, nullptr},
    {"min_version", -1, nullptr, min_version_step, version_final},
    {"max_version", -1, nullptr, max_version_step, version_final},
    {"version_compare", 2, version_compare_func, nullptr, nullptr},
    {"version_compare", 3, version_compare_func, nullptr, nullptr},
    {"version_key", 1, version_key_func, nullptr, nullptr},
    {"version_key", 2, version_key_func, nullptr, nullptr},
    {"version_satisfies", 2, version_satisfies_func, nullptr, nullptr},
    {"version_satisfies", 3, version_satisfies_func, nullptr, nullptr},
    {"version_in_vers", 2, version_in_vers_func, nullptr, nullptr},
    {"ip_address_text", 1, ip_address_text_func, nullptr, nullptr},
    {"osv_affected", 2, osv_affected_func, nullptr, nullptr},
    {"ip_text", 1, ip_text_func, nullptr, nullptr},
    {"ip_family", 1, ip_family_func, nullptr, nullptr},
    {"ip_network", 1, ip_network_func, nullptr, nullptr},
    {"ip_network", 2, ip_network_func, nullptr, nullptr},
    {"ip_network_first", 1, ip_network_first_func, nullptr, nullptr},
    {"ip_network_last", 1, ip_network_last_func, nullptr, nullptr},
    {"ip_masklen", 1, ip_masklen_func, nullptr, nullptr},
    {"ip_contains", 2, ip_contains_func, nullptr, nullptr},
    {"ip_key", 1, ip_key_func, nullptr, nullptr},
    {"korvel_sql_version", 0, korvel_sql_version_func, nullptr, nullptr},
};

}  // namespace

int register_functions(sqlite3* db) noexcept {
  for (const function_registration& function : kFunctions) {
    // A failure leaves that one function missing; the others still register.
    (void)sqlite3_create_function(db, function.name, function.argument_count, kFunctionFlags,
                                  nullptr, function.scalar, function.step, function.final);
  }
  (void)sqlite3_create_collation_v2(db, "version", SQLITE_UTF8, nullptr, version_collation,
                                    nullptr);
  (void)sqlite3_create_collation_v2(db, "ip", SQLITE_UTF8, nullptr, ip_collation, nullptr);
  register_schemes(db);
  return SQLITE_OK;
}

}  // namespace korvel
