#include "largest_allocation.h"

#include <cstdlib>
#include <new>

namespace {

// Written only by the thread that runs the test.
bool probing = false;
std::size_t largest = 0;

void* allocate(std::size_t size) {
  if (probing && size > largest) largest = size;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

}  // namespace

// The replaceable allocation functions of the whole test program; the array
// and nothrow forms reach these through the standard library's defaults.
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace lumra::test_support {

LargestAllocation::LargestAllocation() {
  largest = 0;
  probing = true;
}
LargestAllocation::~LargestAllocation() { probing = false; }
std::size_t LargestAllocation::bytes() const { return largest; }

}  // namespace lumra::test_support
