#include "fault_injection.h"

#include <atomic>
#include <cstdlib>

namespace korvel::testing {

namespace {

sqlite3_mem_methods underlying{};
std::atomic<long> counted{0};
std::atomic<long> fail_at_count{0};
std::atomic<bool> fail_persistently{false};
std::atomic<bool> injected{false};

bool next_allocation_fails() {
  const long number = ++counted;
  const long target = fail_at_count.load();
  if (target == 0) return false;
  const bool fails = number == target || (fail_persistently.load() && number > target);
  if (fails) injected = true;
  return fails;
}

void* failing_malloc(int bytes) {
  return next_allocation_fails() ? nullptr : underlying.xMalloc(bytes);
}

void* failing_realloc(void* old, int bytes) {
  return next_allocation_fails() ? nullptr : underlying.xRealloc(old, bytes);
}

void pass_free(void* p) {
  underlying.xFree(p);
}
int pass_size(void* p) {
  return underlying.xSize(p);
}
int pass_roundup(int bytes) {
  return underlying.xRoundup(bytes);
}
int pass_init(void* data) {
  return underlying.xInit(data);
}
void pass_shutdown(void* data) {
  underlying.xShutdown(data);
}

}  // namespace

void install_fault_injection() {
  static const bool installed = [] {
    // Configuration is only accepted while SQLite is shut down.
    if (sqlite3_shutdown() != SQLITE_OK) std::abort();
    if (sqlite3_config(SQLITE_CONFIG_GETMALLOC, &underlying) != SQLITE_OK) std::abort();
    sqlite3_mem_methods failing = underlying;
    failing.xMalloc = failing_malloc;
    failing.xRealloc = failing_realloc;
    failing.xFree = pass_free;
    failing.xSize = pass_size;
    failing.xRoundup = pass_roundup;
    failing.xInit = pass_init;
    failing.xShutdown = pass_shutdown;
    failing.pAppData = underlying.pAppData;
    if (sqlite3_config(SQLITE_CONFIG_MALLOC, &failing) != SQLITE_OK) std::abort();
    if (sqlite3_initialize() != SQLITE_OK) std::abort();
    return true;
  }();
  (void)installed;
}

void arm_fault(long fail_at, bool persistent) {
  fail_at_count = 0;
  counted = 0;
  injected = false;
  fail_persistently = persistent;
  fail_at_count = fail_at;
}

void disarm_fault() {
  fail_at_count = 0;
}

long allocations_counted() {
  return counted.load();
}

bool fault_injected() {
  return injected.load();
}

}  // namespace korvel::testing
