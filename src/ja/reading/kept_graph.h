// KeptGraph: the graded graph of a reading-string set, made the first
// time a search needs it and kept with the set from then on.
//
// A set that a dictionary keeps for later calls is shared by every thread
// that asks for its text, and the graph, once made, is the same whoever
// made it. So nobody waits: each thread that finds no graph makes one and
// offers it, the first offer is published with one atomic exchange, and the
// others are dropped for the published one. What is published is never
// changed again, so a reader needs nothing beyond the acquiring load.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>

#include "core/strings/graded_dag.h"

namespace lumra::ja {

class KeptGraph {
 public:
  // What a making gave: the graph, or nullopt when the set is too large for
  // one (a fact of the set, kept as well so that no later call tries again).
  using Made = std::optional<GradedDag>;

  KeptGraph() = default;
  // Only a set that nobody shares yet is moved.
  KeptGraph(KeptGraph&& other) noexcept
      : made_(other.made_.exchange(nullptr, std::memory_order_relaxed)) {}
  KeptGraph& operator=(KeptGraph&& other) noexcept {
    if (this != &other) {
      delete made_.exchange(other.made_.exchange(nullptr, std::memory_order_relaxed),
                            std::memory_order_relaxed);
    }
    return *this;
  }
  KeptGraph(const KeptGraph&) = delete;
  KeptGraph& operator=(const KeptGraph&) = delete;
  ~KeptGraph() { delete made_.load(std::memory_order_relaxed); }

  // What was published, or nullptr while nothing was.
  const Made* find() const { return made_.load(std::memory_order_acquire); }

  // Publishes `made` unless something was published first, and returns
  // what was.
  const Made& publish(Made made) {
    auto offered = std::make_unique<Made>(std::move(made));
    Made* expected = nullptr;
    if (made_.compare_exchange_strong(expected, offered.get(), std::memory_order_acq_rel,
                                      std::memory_order_acquire)) {
      return *offered.release();
    }
    return *expected;
  }

  // The heap the published graph takes, 0 while there is none.
  std::size_t memory_bytes() const {
    const Made* made = find();
    if (made == nullptr) return 0;
    return sizeof(Made) + (*made ? made->value().memory_bytes() : 0);
  }

 private:
  std::atomic<Made*> made_{nullptr};
};

}  // namespace lumra::ja
