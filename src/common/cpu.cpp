#include "common/cpu.h"

#if defined(KORVEL_MASKED_LOADS)
#include <cpuid.h>

namespace korvel::detail {

bool detect_masked_loads() noexcept {
  unsigned eax = 0;
  unsigned ebx = 0;
  unsigned ecx = 0;
  unsigned edx = 0;
  constexpr unsigned kOsSavesState = 1U << 27;  // CPUID 1, ECX: OSXSAVE
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & kOsSavesState) == 0) return false;
  // XCR0: the system saves the SSE, AVX and all three AVX-512 states.
  unsigned low = 0;
  unsigned high = 0;
  __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  constexpr unsigned kStates = 0xE6;
  if ((low & kStates) != kStates) return false;
  constexpr unsigned kFoundation = 1U << 16;  // CPUID 7, EBX: AVX512F, BW, VL
  constexpr unsigned kBytes = 1U << 30;
  constexpr unsigned kShortVectors = 1U << 31;
  constexpr unsigned kNeeded = kFoundation | kBytes | kShortVectors;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  return (ebx & kNeeded) == kNeeded;
}

}  // namespace korvel::detail
#endif
