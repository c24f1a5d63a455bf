// SortedReadings: the distinct readings of a list, shortest first.
//
// The span scores are best pairs, which neither the order of the readings
// nor their repeats change. In order of length the readings that a length
// bound leaves in play are one run, found by binary search; and each
// carries a signature of its symbols, so that two readings sharing none
// (which are as far apart as the longer is long) need no distance kernel.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "core/alignment/reading_list.h"
#include "core/base/symbols.h"

namespace lumra {

class SortedReadings {
 public:
  // Views into `readings`, which must outlive their use; equal lengths in
  // symbol order.
  void assign(const ReadingList& readings);

  std::size_t size() const { return readings_.size(); }
  Symbols operator[](std::size_t i) const { return readings_[i].symbols; }
  // Two readings whose signatures share no bit share no symbol.
  std::uint64_t signature(std::size_t i) const { return readings_[i].signature; }
  // The positions [first, last) of the readings of `min_length` to
  // `max_length` symbols.
  std::pair<std::size_t, std::size_t> lengths_between(std::uint64_t min_length,
                                                      std::uint64_t max_length) const;
  // Whether `reading` is one of them.
  bool contains(Symbols reading) const;

 private:
  struct Entry {
    Symbols symbols;
    std::uint64_t signature;
  };
  std::vector<Entry> readings_;
};

}  // namespace lumra
