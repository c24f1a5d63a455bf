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

// The replaceable allocation functions of the whole test program, every
// unaligned form, so that none of them pairs with another allocator's
// (the sanitizers replace each form on their own).
void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
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
