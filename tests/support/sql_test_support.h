// Shared fixtures for SQL-level tests: connections with the built extension
// loaded for real, and compact rendering of query results.
#pragma once

#include <sqlite3.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace korvel::testing {

struct connection_closer {
  void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using connection = std::unique_ptr<sqlite3, connection_closer>;

// Path of the loadable korvel_sql shared object under test.
const char* extension_path();

// A new in-memory connection with the extension loaded through
// sqlite3_load_extension(); fails the current test when loading fails.
connection open_with_extension(const char* filename = ":memory:");

// A connection without the extension.
connection open_plain(const char* filename = ":memory:");

// A new in-memory database in `encoding` ("UTF-16le", ...) with the extension
// loaded as open_with_extension() loads it.
connection open_in_encoding(const char* encoding);

// Runs every statement of `sql`; returns "" or SQLite's error message (its
// text for the error code when SQLite had no memory for one).
std::string exec(sqlite3* db, const std::string& sql);

// Every row of the one statement `sql`, each rendered as SQL's quote() would:
// NULL, 42, 1.5, 'text', X'00FF'; columns joined by "|". An error becomes
// the single row "error: <message>".
// `parameters` are bound as texts to ?1, ?2, ...
std::vector<std::string> rows(sqlite3* db, const std::string& sql,
                              const std::vector<std::string>& parameters = {});

// The one value of a one-row, one-column query, rendered as rows() does.
std::string value(sqlite3* db, const std::string& sql);

// An SQL expression and its value as rows() renders it.
struct expression_case {
  const char* expression;
  const char* expected;
};

// Evaluates each expression with SELECT and checks its rendered value.
void expect_values(sqlite3* db, std::initializer_list<expression_case> cases);

// Quotes `text` as an SQL string literal.
std::string sql_literal(const std::string& text);

}  // namespace korvel::testing
