// A first-in first-out queue of node-pair states that keeps its storage.
//
// The bounded lattice searches push and pop millions of states per call and
// a batch matrix runs one search per cell; a ring buffer that only grows
// lets them stop allocating once it has reached the largest frontier, which
// std::deque, freeing and refetching blocks as it goes, does not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumra {

// One state of a search over two lattices: a node of each.
struct PairState {
  std::uint64_t left;
  std::uint64_t right;
};

class PairQueue {
 public:
  bool empty() const { return size_ == 0; }
  std::size_t size() const { return size_; }

  // Forgets the contents, keeps the storage.
  void clear() {
    head_ = 0;
    size_ = 0;
  }

  void push(PairState state) {
    if (size_ == ring_.size()) grow();
    ring_[wrap(head_ + size_)] = state;
    ++size_;
  }

  // The queue must not be empty.
  PairState pop() {
    const PairState front = ring_[head_];
    head_ = wrap(head_ + 1);
    --size_;
    return front;
  }

 private:
  std::size_t wrap(std::size_t i) const { return i >= ring_.size() ? i - ring_.size() : i; }

  // Doubles the ring and lays the contents out from slot 0 again.
  void grow() {
    std::vector<PairState> larger(ring_.empty() ? 64 : ring_.size() * 2);
    for (std::size_t i = 0; i < size_; ++i) larger[i] = ring_[wrap(head_ + i)];
    ring_.swap(larger);
    head_ = 0;
  }

  std::vector<PairState> ring_;
  std::size_t head_ = 0;
  std::size_t size_ = 0;
};

}  // namespace lumra
