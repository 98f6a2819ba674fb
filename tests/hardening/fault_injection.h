// An allocator for SQLite that fails on request: once at the Nth allocation,
// or at every allocation from the Nth on. It wraps SQLite's own allocator, so
// sqlite3_memory_used() keeps its meaning.
#pragma once

#include <sqlite3.h>

namespace korvel::testing {

// Puts the failing allocator under SQLite. Must run before any connection
// is opened; later calls do nothing.
void install_fault_injection();

// Starts counting allocations (malloc and realloc) from zero; allocation
// number `fail_at` fails, and with `persistent` every later one too.
// fail_at 0 never fails.
void arm_fault(long fail_at, bool persistent);

// Stops failing; counting goes on.
void disarm_fault();

// Allocations counted since the last arm_fault().
long allocations_counted();

// Whether an allocation has been made to fail since the last arm_fault().
bool fault_injected();

}  // namespace korvel::testing
