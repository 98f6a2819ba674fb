#include "bench_sqlite.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace korvel::bench {

namespace {

sqlite3_mem_methods g_default_methods;
std::atomic<std::uint64_t> g_allocations{0};

void* counting_malloc(int bytes) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return g_default_methods.xMalloc(bytes);
}

void* counting_realloc(void* block, int bytes) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  return g_default_methods.xRealloc(block, bytes);
}

[[noreturn]] void die(const std::string& what, const char* detail) {
  std::fprintf(stderr, "korvel_bench: %s: %s\n", what.c_str(), detail != nullptr ? detail : "");
  std::exit(1);
}

// The floor of an extension aggregate: SQLite calls it once per row and it
// reads the argument as every real aggregate must.
void noop_step(sqlite3_context*, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return;
  if (sqlite3_value_text(argv[0]) == nullptr) return;
  (void)sqlite3_value_bytes(argv[0]);
}

void noop_final(sqlite3_context* context) {
  sqlite3_result_null(context);
}

void noop_scalar(sqlite3_context* context, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || sqlite3_value_text(argv[0]) == nullptr) {
    sqlite3_result_null(context);
    return;
  }
  sqlite3_result_int64(context, sqlite3_value_bytes(argv[0]));
}

// The floor of any function that returns a BLOB: the argument's bytes,
// copied by SQLite into the result as every returned BLOB is.
void noop_blob(sqlite3_context* context, int, sqlite3_value** argv) {
  const void* text = sqlite3_value_text(argv[0]);
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || text == nullptr) {
    sqlite3_result_null(context);
    return;
  }
  sqlite3_result_blob(context, text, sqlite3_value_bytes(argv[0]), SQLITE_TRANSIENT);
}

// The floor of any function that returns TEXT: the argument, copied by
// SQLite into the result as every returned text is.
void noop_text(sqlite3_context* context, int, sqlite3_value** argv) {
  const unsigned char* text = sqlite3_value_text(argv[0]);
  if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || text == nullptr) {
    sqlite3_result_null(context);
    return;
  }
  sqlite3_result_text(context, reinterpret_cast<const char*>(text), sqlite3_value_bytes(argv[0]),
                      SQLITE_TRANSIENT);
}

bool is_digit(unsigned char byte) {
  return byte >= '0' && byte <= '9';
}

}  // namespace

// The baseline for collations: texts compared byte by byte, except that runs
// of digits compare as unsigned numbers of any length, as SQLite's own uint
// extension collation does.
int uint_collation(void*, int lhs_bytes, const void* lhs, int rhs_bytes, const void* rhs) {
  const auto* a = static_cast<const unsigned char*>(lhs);
  const auto* b = static_cast<const unsigned char*>(rhs);
  int i = 0, j = 0;
  while (i < lhs_bytes && j < rhs_bytes) {
    if (is_digit(a[i]) && is_digit(b[j])) {
      while (i < lhs_bytes && a[i] == '0') ++i;
      while (j < rhs_bytes && b[j] == '0') ++j;
      int run_a = 0, run_b = 0;
      while (i + run_a < lhs_bytes && is_digit(a[i + run_a])) ++run_a;
      while (j + run_b < rhs_bytes && is_digit(b[j + run_b])) ++run_b;
      if (run_a != run_b) return run_a < run_b ? -1 : 1;
      for (int k = 0; k < run_a; ++k) {
        if (a[i + k] != b[j + k]) return a[i + k] < b[j + k] ? -1 : 1;
      }
      i += run_a;
      j += run_b;
    } else {
      if (a[i] != b[j]) return a[i] < b[j] ? -1 : 1;
      ++i;
      ++j;
    }
  }
  return (lhs_bytes - i > 0) - (rhs_bytes - j > 0);
}

void install_counting_allocator() {
  if (sqlite3_config(SQLITE_CONFIG_GETMALLOC, &g_default_methods) != SQLITE_OK) {
    die("reading the default allocator", "");
  }
  sqlite3_mem_methods counting = g_default_methods;
  counting.xMalloc = counting_malloc;
  counting.xRealloc = counting_realloc;
  if (sqlite3_config(SQLITE_CONFIG_MALLOC, &counting) != SQLITE_OK) {
    die("installing the counting allocator", "");
  }
}

std::uint64_t allocation_count() {
  return g_allocations.load(std::memory_order_relaxed);
}

void register_noop_functions(sqlite3* db) {
  constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  if (sqlite3_create_function(db, "noop_agg", 1, flags, nullptr, nullptr, noop_step, noop_final) !=
          SQLITE_OK ||
      sqlite3_create_function(db, "noop_scalar", 1, flags, nullptr, noop_scalar, nullptr,
                              nullptr) != SQLITE_OK ||
      sqlite3_create_function(db, "noop_blob", 1, flags, nullptr, noop_blob, nullptr, nullptr) !=
          SQLITE_OK ||
      sqlite3_create_function(db, "noop_text", 1, flags, nullptr, noop_text, nullptr, nullptr) !=
          SQLITE_OK ||
      sqlite3_create_collation(db, "uint", SQLITE_UTF8, nullptr, uint_collation) != SQLITE_OK) {
    die("registering the no-op functions", sqlite3_errmsg(db));
  }
}

void load_module(sqlite3* db, const std::string& path) {
  sqlite3_enable_load_extension(db, 1);
  char* error = nullptr;
  if (sqlite3_load_extension(db, path.c_str(), nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "unknown error";
    sqlite3_free(error);
    die("loading " + path, message.c_str());
  }
  sqlite3_enable_load_extension(db, 0);
}

void exec_or_die(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string message = error != nullptr ? error : "unknown error";
    sqlite3_free(error);
    die(sql, message.c_str());
  }
}

scratch_dir make_scratch_dir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern =
      std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/korvel-bench-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) die("creating a directory from " + pattern, "");
  return {pattern};
}

void remove_scratch_dir(const scratch_dir& dir) {
  std::error_code ignored;
  std::filesystem::remove_all(dir.path, ignored);
}

}  // namespace korvel::bench
