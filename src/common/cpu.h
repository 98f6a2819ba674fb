// What the CPU this process runs on can do beyond the build's baseline, for
// the few loops that choose their instructions at run time.
#pragma once

#if defined(__x86_64__) && !defined(KORVEL_NO_MASKED_LOADS)
#define KORVEL_MASKED_LOADS 1

#include <atomic>

namespace korvel {

namespace detail {
// 0 until asked, then 1 without masked byte loads, 2 with them. Threads
// that ask at once all find the same answer, so a race is harmless.
inline std::atomic<unsigned char> masked_loads_state{0};
[[nodiscard]] bool detect_masked_loads() noexcept;
}  // namespace detail

// Whether the CPU loads bytes under a mask (AVX-512 BW and VL) and the
// system saves the registers that takes. Asking the CPU traps to the
// hypervisor on a virtual machine, so it is asked once.
inline bool has_masked_loads() noexcept {
  unsigned char state = detail::masked_loads_state.load(std::memory_order_relaxed);
  if (state == 0) [[unlikely]] {
    state = detail::detect_masked_loads() ? 2 : 1;
    detail::masked_loads_state.store(state, std::memory_order_relaxed);
  }
  return state == 2;
}

}  // namespace korvel
#endif
