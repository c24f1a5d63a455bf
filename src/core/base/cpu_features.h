// What the processor running us can do beyond the portable baseline.
//
// The build targets the baseline instruction set, so that one binary runs
// everywhere; the few loops that gain from wider vectors are also compiled
// for them and chosen at run time with these answers.
#pragma once

namespace lumra {

// True on x86-64 processors with AVX2. Asked once; the answer cannot change
// while the process runs. The processor is probed here rather than left to
// the runtime's own constructor, so that a caller running before it (a
// static initialiser) gets the true answer too.
inline bool avx2_available() {
#if defined(__x86_64__)
  static const bool available = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
  return available;
#else
  return false;
#endif
}

}  // namespace lumra
