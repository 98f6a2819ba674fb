#include "sql_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace korvel::testing {

const char* extension_path() {
  return KORVEL_SQL_EXTENSION_PATH;
}

connection open_plain(const char* filename) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open(filename, &raw);
  connection db(raw);
  EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(raw);
  return db;
}

namespace {

void load_extension(sqlite3* db) {
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
  char* error = nullptr;
  const int rc = sqlite3_load_extension(db, extension_path(), nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error != nullptr ? error : "");
  sqlite3_free(error);
}

}  // namespace

connection open_with_extension(const char* filename) {
  connection db = open_plain(filename);
  load_extension(db.get());
  return db;
}

connection open_in_encoding(const char* encoding) {
  connection db = open_plain();
  EXPECT_EQ(exec(db.get(), std::string("PRAGMA encoding = '") + encoding + "'"), "");
  load_extension(db.get());
  return db;
}

std::string exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  // Out of memory, SQLite may fail without the memory for a message.
  std::string message = error != nullptr ? error : rc != SQLITE_OK ? sqlite3_errstr(rc) : "";
  sqlite3_free(error);
  return message;
}

namespace {

std::string render(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return "NULL";
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_column_int64(statement, column));
    case SQLITE_FLOAT: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%g", sqlite3_column_double(statement, column));
      return buffer;
    }
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      if (text == nullptr) return "";  // no memory to convert it; rows() reports the error
      return sql_literal(
          std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column))));
    }
    default: {
      const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(statement, column));
      std::string hex = "X'";
      for (int i = 0; i < sqlite3_column_bytes(statement, column); ++i) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", blob[i]);
        hex += digits;
      }
      return hex + "'";
    }
  }
}

}  // namespace

std::vector<std::string> rows(sqlite3* db, const std::string& sql,
                              const std::vector<std::string>& parameters) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    return {"error: " + std::string(sqlite3_errmsg(db))};
  }
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    sqlite3_bind_text(statement, static_cast<int>(i + 1), parameters[i].data(),
                      static_cast<int>(parameters[i].size()), SQLITE_STATIC);
  }
  std::vector<std::string> result;
  int rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    std::string row;
    for (int column = 0; column < sqlite3_column_count(statement); ++column) {
      if (column != 0) row += "|";
      row += render(statement, column);
    }
    result.push_back(row);
    // Reading a column can run out of memory too, converting its text.
    if (sqlite3_errcode(db) == SQLITE_NOMEM) {
      rc = SQLITE_NOMEM;
      break;
    }
  }
  if (rc != SQLITE_DONE) result = {"error: " + std::string(sqlite3_errmsg(db))};
  sqlite3_finalize(statement);
  return result;
}

std::string value(sqlite3* db, const std::string& sql) {
  const std::vector<std::string> result = rows(db, sql);
  EXPECT_EQ(result.size(), 1u) << sql;
  return result.empty() ? "<no row>" : result.front();
}

void expect_values(sqlite3* db, std::initializer_list<expression_case> cases) {
  for (const expression_case& c : cases) {
    EXPECT_EQ(value(db, std::string("SELECT ") + c.expression), c.expected) << c.expression;
  }
}

std::string sql_literal(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

}  // namespace korvel::testing
