// Asking the system to back a large buffer with huge pages.
//
// A surface table's arena and the keys that sort it run to tens of
// megabytes and are read in an order unrelated to their layout: with small
// pages nearly every such read misses the address-translation cache, and
// the processor then also drops the prefetches that were meant to hide the
// read's latency. Huge pages cover such a buffer with a few hundred
// translations instead of tens of thousands.
#pragma once

#include <cstddef>

namespace lumra::payload {

// Advises the system to back the huge-page-aligned part of
// [data, data + bytes) with huge pages as it is first touched. Only a hint:
// nothing changes where the system has no such pages or declines, and
// buffers too small to hold one are left alone.
void advise_huge_pages(void* data, std::size_t bytes);

}  // namespace lumra::payload
