// Whether the processor counts a word's set bits in one instruction.
//
// The build targets any x86-64, where BitRow counts bits with a dozen
// instructions, and most processors (all but the oldest) have the count
// instruction. The searches that count most are compiled a second time for
// it, where the compiler turns BitRow's count into the one instruction, and
// take that build when the processor has it.
#pragma once

#if defined(__x86_64__) && defined(__GNUC__)
#define LUMRA_POPCNT_BUILD 1
#endif

namespace lumra::ja {

// Asked once; the answer cannot change while the process runs.
inline bool popcnt_available() {
#ifdef LUMRA_POPCNT_BUILD
  static const bool available = (__builtin_cpu_init(), __builtin_cpu_supports("popcnt"));
  return available;
#else
  return false;
#endif
}

}  // namespace lumra::ja
