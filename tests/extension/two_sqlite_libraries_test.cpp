// Two SQLite libraries in one process: the system's, which the test program
// links, and the newest release, opened with dlopen(RTLD_LOCAL) as a
// component that brings its own SQLite would. The dynamic loader maps
// korvel_sql.so once, so only the first library to load it gets it; the
// other is refused, and a copy of the file under another name serves it.
// Each load order is its own test, hence its own process.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <type_traits>

#include "sql_test_support.h"

namespace korvel::testing {
namespace {

// The calls the test makes, resolved in one library.
struct sqlite_library {
  decltype(&sqlite3_initialize) initialize = nullptr;
  decltype(&sqlite3_libversion) libversion = nullptr;
  decltype(&sqlite3_memory_used) memory_used = nullptr;
  decltype(&sqlite3_open) open = nullptr;
  decltype(&sqlite3_close) close = nullptr;
  decltype(&sqlite3_db_config) db_config = nullptr;
  decltype(&sqlite3_load_extension) load_extension = nullptr;
  decltype(&sqlite3_free) free = nullptr;
  decltype(&sqlite3_prepare_v2) prepare_v2 = nullptr;
  decltype(&sqlite3_step) step = nullptr;
  decltype(&sqlite3_column_text) column_text = nullptr;
  decltype(&sqlite3_finalize) finalize = nullptr;
  decltype(&sqlite3_errmsg) errmsg = nullptr;
};

// Fails the test when `handle` lacks one of the calls.
sqlite_library resolve(void* handle) {
  sqlite_library library;
  auto bind = [handle](auto& function, const char* symbol) {
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, symbol));
    EXPECT_NE(function, nullptr) << symbol;
  };
#define KORVEL_BIND(call) bind(library.call, "sqlite3_" #call)
  KORVEL_BIND(initialize);
  KORVEL_BIND(libversion);
  KORVEL_BIND(memory_used);
  KORVEL_BIND(open);
  KORVEL_BIND(close);
  KORVEL_BIND(db_config);
  KORVEL_BIND(load_extension);
  KORVEL_BIND(free);
  KORVEL_BIND(prepare_v2);
  KORVEL_BIND(step);
  KORVEL_BIND(column_text);
  KORVEL_BIND(finalize);
  KORVEL_BIND(errmsg);
#undef KORVEL_BIND
  return library;
}

// The system's library: the one the program's global scope reaches.
sqlite_library system_library() {
  return resolve(RTLD_DEFAULT);
}

// The newest release, kept out of the global scope.
sqlite_library newest_library() {
  void* handle = dlopen(KORVEL_NEWEST_SQLITE_PATH, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(handle, nullptr) << dlerror();
  return handle != nullptr ? resolve(handle) : sqlite_library{};
}

// An in-memory connection of one library that may load extensions.
struct library_connection {
  const sqlite_library& library;
  sqlite3* db = nullptr;

  explicit library_connection(const sqlite_library& owner) : library(owner) {
    EXPECT_EQ(library.open(":memory:", &db), SQLITE_OK);
    library.db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 1, nullptr);
  }
  library_connection(const library_connection&) = delete;
  library_connection& operator=(const library_connection&) = delete;
  ~library_connection() { library.close(db); }

  // "" when the file loaded, else SQLite's message.
  std::string load(const std::string& path) {
    char* error = nullptr;
    const int rc = library.load_extension(db, path.c_str(), nullptr, &error);
    std::string message = rc == SQLITE_OK ? "" : error != nullptr ? error : "no message";
    library.free(error);
    return message;
  }

  // The one text value of `sql`, or "error: " and the message.
  std::string text(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    std::string result;
    if (library.prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        library.step(statement) == SQLITE_ROW) {
      result = reinterpret_cast<const char*>(library.column_text(statement, 0));
    } else {
      result = std::string("error: ") + library.errmsg(db);
    }
    library.finalize(statement);
    return result;
  }

  // A function of each kind and the collation, the last what crashed once.
  std::string answers() {
    return text(
        "SELECT format_ip_address('10.0.0.1') || ' ' || version_compare('2.0', '10.0') || ' ' || "
        "(SELECT max_version(column1) FROM (VALUES ('1.9'), ('1.10'))) || ' ' || "
        "(SELECT group_concat(column1, ',') FROM "
        "(SELECT column1 FROM (VALUES ('1.10'), ('1.9'), ('1.2')) ORDER BY column1 COLLATE "
        "version))");
  }
};

constexpr const char kAnswers[] = "167772161 -1 1.10 1.2,1.9,1.10";
constexpr const char kRefusal[] =
    "error during initialization: korvel_sql is already bound to another SQLite library in this "
    "process; load a copy of the file under another name for this one";

// korvel_sql.so copied under another file name next to it (where loading
// is known to be allowed), removed with the object.
struct library_copy {
  std::filesystem::path path = std::filesystem::path(extension_path()).parent_path() /
                               ("korvel_sql_copy_" + std::to_string(getpid()) + ".so");
  library_copy() {
    std::filesystem::copy_file(extension_path(), path,
                               std::filesystem::copy_options::overwrite_existing);
  }
  ~library_copy() { std::filesystem::remove(path); }
};

void load_in_order(const sqlite_library& first, const sqlite_library& second) {
  ASSERT_NE(first.open, nullptr);
  ASSERT_NE(second.open, nullptr);
  ASSERT_STRNE(first.libversion(), second.libversion());
  std::printf("first: SQLite %s, second: SQLite %s\n", first.libversion(), second.libversion());
  library_connection bound(first);
  ASSERT_EQ(bound.load(extension_path()), "");
  EXPECT_EQ(bound.answers(), kAnswers);

  ASSERT_EQ(second.initialize(), SQLITE_OK);
  const sqlite3_int64 second_memory = second.memory_used();
  {
    library_connection refused(second);
    const std::string message = refused.load(extension_path());
    std::printf("second library's load: %s\n", message.c_str());
    EXPECT_EQ(message, kRefusal);
    EXPECT_EQ(refused.answers(), "error: no such function: format_ip_address");
  }
  // The message came from the refused library's allocator, which freed it.
  EXPECT_EQ(second.memory_used(), second_memory);
  EXPECT_EQ(bound.answers(), kAnswers);
  library_connection also_bound(first);
  EXPECT_EQ(also_bound.load(extension_path()), "");
  EXPECT_EQ(also_bound.answers(), kAnswers);

  const library_copy copy;
  library_connection served(second);
  ASSERT_EQ(served.load(copy.path.string()), "");
  EXPECT_EQ(served.answers(), kAnswers);
  EXPECT_EQ(bound.answers(), kAnswers);
  EXPECT_EQ(also_bound.answers(), kAnswers);
}

TEST(TwoSqliteLibraries, SystemLibraryFirst) {
  load_in_order(system_library(), newest_library());
}

TEST(TwoSqliteLibraries, NewestLibraryFirst) {
  load_in_order(newest_library(), system_library());
}

}  // namespace
}  // namespace korvel::testing
