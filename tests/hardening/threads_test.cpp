// Threads, each with its own connections, run every function at once over
// data they share (one database file) and data of their own (a private
// in-memory database). Built under ThreadSanitizer this proves the library
// keeps no unsynchronised state; in any build every answer must be right.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "extension/registration.h"
#include "hardening_workload.h"
#include "sql_test_support.h"
#include "version_test_support.h"

namespace korvel::testing {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 15;

constexpr const char* kPrivateQueries[] = {
    "SELECT g, min_version(v), max_version(v), min_version(v, '.-'), count(*) FROM p GROUP BY g",
    "SELECT group_concat(v, '|') FROM (SELECT v FROM p ORDER BY v COLLATE version, rowid)",
    // One query split over two lines; the parentheses tell clang the joined
    // literals are meant (-Wstring-concatenation).
    ("SELECT sum(version_compare(a.v, b.v)), total(format_ip_address(a.v)) FROM p a JOIN p b "
     "ON b.rowid = a.rowid + 1"),
};

// Rows of versions drawn from `seed`: the same seed gives the same table.
std::string private_data(unsigned seed) {
  std::mt19937 random(seed);
  std::string sql = "CREATE TABLE p(g, v); INSERT INTO p VALUES ";
  for (int i = 0; i < 300; ++i) {
    sql +=
        (i ? ",(" : "(") + std::to_string(i % 5) + ", " + sql_literal(random_version(random)) + ")";
  }
  return sql;
}

std::vector<std::vector<std::string>> private_answers(sqlite3* db) {
  std::vector<std::vector<std::string>> answers;
  for (const char* query : kPrivateQueries) answers.push_back(rows(db, query));
  return answers;
}

connection open_for_thread(int index, const std::string& filename) {
  if (index % 2 == 0) return open_with_extension(filename.c_str());
  connection db = open_plain(filename.c_str());
  (void)register_functions(db.get());
  return db;
}

// One thread's work; returns how many answers were wrong.
int work(int index, const std::string& shared_file,
         const std::vector<std::vector<std::string>>& expected_private) {
  connection shared = open_for_thread(index, shared_file);
  connection own = open_for_thread(index, ":memory:");
  int wrong = exec(own.get(), private_data(100 + index)).empty() ? 0 : 1;
  for (int round = 0; round < kRounds; ++round) {
    for (const workload_statement& statement : workload_statements()) {
      wrong += rows(shared.get(), statement.sql) != statement.rows;
    }
    wrong += private_answers(own.get()) != expected_private;
  }
  return wrong;
}

TEST(Threads, ConcurrentConnectionsGiveTheSameAnswersAsOne) {
  const std::string shared_file = (std::filesystem::temp_directory_path() /
                                   ("korvel_threads_" + std::to_string(getpid()) + ".db"))
                                      .string();
  std::filesystem::remove(shared_file);
  {
    connection setup = open_with_extension(shared_file.c_str());
    ASSERT_EQ(exec(setup.get(), kWorkloadSetup), "");
  }
  // Each thread's private answers, worked out first on one thread.
  std::vector<std::vector<std::vector<std::string>>> expected(kThreads);
  for (int i = 0; i < kThreads; ++i) {
    connection reference = open_with_extension();
    ASSERT_EQ(exec(reference.get(), private_data(100 + i)), "");
    expected[i] = private_answers(reference.get());
  }
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] { wrong[i] = work(i, shared_file, expected[i]); });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(wrong[i], 0) << "thread " << i;
  std::filesystem::remove(shared_file);
}

}  // namespace
}  // namespace korvel::testing
