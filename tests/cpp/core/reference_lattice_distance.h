// The straightforward lattice searches, kept as the oracle for the tuned
// ones in src/core.
//
// This is the plain formulation, kept deliberately simple: a pull-style
// fill over the full row-major table for the unbounded forms, and a FIFO
// label-correcting search over the full table (every state initialised up
// front) for the bounded forms and the threshold tests. The differential
// tests require the library to agree with it on every value, every
// boolean and every error.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <vector>

#include "core/base/cutoff.h"
#include "core/base/errors.h"
#include "core/lattice/lattice.h"
#include "core/lattice/lattice_distance.h"
#include "core/lattice/lattice_state_limit.h"
#include "core/strings/osa.h"
#include "core/base/result.h"

namespace lumra::reference {

enum class Metric { kLevenshtein, kDamerau };

inline std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t sum = a + b;
  return sum < a ? std::numeric_limits<std::uint64_t>::max() : sum;
}

template <Metric kMetric>
std::uint64_t fill_table(const PathLattice& left, const PathLattice& right, std::uint64_t states) {
  const std::uint64_t cols = right.node_count();
  std::vector<std::uint64_t> distances(states, kLatticeInfinity);
  auto at = [&distances, cols](std::uint64_t i, std::uint64_t j) {
    return distances[i * cols + j];
  };
  distances[left.start() * cols + right.start()] = 0;
  for (std::uint64_t i = left.start(); i <= left.end(); ++i) {
    const auto into_i = left.incoming(i);
    for (std::uint64_t j = right.start(); j <= right.end(); ++j) {
      if (i == left.start() && j == right.start()) continue;
      const auto into_j = right.incoming(j);
      std::uint64_t best = kLatticeInfinity;
      for (ArcIndex xi : into_i) {
        const LatticeArc& x = left.arc(xi);
        best = std::min(best, saturating_add(at(x.src, j), 1));
        for (ArcIndex yi : into_j) {
          const LatticeArc& y = right.arc(yi);
          best = std::min(best, saturating_add(at(x.src, y.src), x.symbol != y.symbol ? 1 : 0));
          if constexpr (kMetric == Metric::kDamerau) {
            for (ArcIndex x2i : left.incoming(x.src)) {
              const LatticeArc& x2 = left.arc(x2i);
              if (x2.symbol != y.symbol) continue;
              for (ArcIndex y2i : right.incoming(y.src)) {
                const LatticeArc& y2 = right.arc(y2i);
                if (y2.symbol != x.symbol) continue;
                best = std::min(best, saturating_add(at(x2.src, y2.src), 1));
              }
            }
          }
        }
      }
      for (ArcIndex yi : into_j) {
        best = std::min(best, saturating_add(at(i, right.arc(yi).src), 1));
      }
      distances[i * cols + j] = best;
    }
  }
  return at(left.end(), right.end());
}

struct SearchOutcome {
  bool stopped_at_end;
  std::uint64_t end_distance;
};

template <Metric kMetric, bool kStopAtEnd>
SearchOutcome bounded_search(const PathLattice& left, const PathLattice& right,
                             std::uint64_t states, std::uint64_t bound) {
  struct Pair {
    std::uint64_t i, j;
  };
  const std::uint64_t cols = right.node_count();
  std::vector<std::uint64_t> distances(states, kLatticeInfinity);
  std::vector<std::uint8_t> in_queue(states, 0);
  std::deque<Pair> queue;
  auto relax = [&](std::uint64_t i, std::uint64_t j, std::uint64_t cost) {
    const std::uint64_t index = i * cols + j;
    if (cost > bound || cost >= distances[index]) return;
    distances[index] = cost;
    if (!in_queue[index]) {
      in_queue[index] = 1;
      queue.push_back({i, j});
    }
  };
  distances[left.start() * cols + right.start()] = 0;
  in_queue[left.start() * cols + right.start()] = 1;
  queue.push_back({left.start(), right.start()});
  while (!queue.empty()) {
    const auto [i, j] = queue.front();
    queue.pop_front();
    in_queue[i * cols + j] = 0;
    const std::uint64_t d = distances[i * cols + j];
    if (d > bound) continue;
    if constexpr (kStopAtEnd) {
      if (i == left.end() && j == right.end()) return {true, d};
    }
    const std::uint64_t step = saturating_add(d, 1);
    const auto from_i = left.outgoing(i);
    const auto from_j = right.outgoing(j);
    for (ArcIndex yi : from_j) relax(i, right.arc(yi).dst, step);
    for (ArcIndex xi : from_i) relax(left.arc(xi).dst, j, step);
    for (ArcIndex xi : from_i) {
      const LatticeArc& x = left.arc(xi);
      for (ArcIndex yi : from_j) {
        const LatticeArc& y = right.arc(yi);
        relax(x.dst, y.dst, x.symbol != y.symbol ? step : d);
      }
    }
    if constexpr (kMetric == Metric::kDamerau) {
      for (ArcIndex xi : from_i) {
        const LatticeArc& x = left.arc(xi);
        for (ArcIndex yi : from_j) {
          const LatticeArc& y = right.arc(yi);
          for (ArcIndex x2i : left.outgoing(x.dst)) {
            const LatticeArc& x2 = left.arc(x2i);
            if (x2.symbol != y.symbol) continue;
            for (ArcIndex y2i : right.outgoing(y.dst)) {
              const LatticeArc& y2 = right.arc(y2i);
              if (y2.symbol == x.symbol) relax(x2.dst, y2.dst, step);
            }
          }
        }
      }
    }
  }
  return {false, distances[left.end() * cols + right.end()]};
}

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> unbounded(const PathLattice& left,
                                                        const PathLattice& right) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  return fill_table<kMetric>(left, right, states.value());
}

template <Metric kMetric>
Result<BoundedDistance, DistanceMatrixTooLarge> bounded(const PathLattice& left,
                                                        const PathLattice& right,
                                                        std::uint64_t bound) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  const std::uint64_t value =
      bounded_search<kMetric, false>(left, right, states.value(), bound).end_distance;
  return BoundedDistance{value <= bound, value};
}

template <Metric kMetric>
Result<bool, DistanceMatrixTooLarge> within(const PathLattice& left, const PathLattice& right,
                                            std::uint64_t threshold) {
  auto states = lattice_state_count(left, right);
  if (!states) return Fail(states.error());
  return bounded_search<kMetric, true>(left, right, states.value(), threshold).stopped_at_end;
}

template <Metric kMetric>
Result<std::uint64_t, DistanceMatrixTooLarge> with_cutoff(const PathLattice& left,
                                                          const PathLattice& right,
                                                          std::optional<std::uint64_t> cutoff) {
  if (!cutoff) return unbounded<kMetric>(left, right);
  auto result = bounded<kMetric>(left, right, *cutoff);
  if (!result) return Fail(result.error());
  return apply_integer_cutoff(result.value(), *cutoff);
}

inline Result<std::uint64_t, DistanceMatrixTooLarge> lattice_levenshtein_with_cutoff(
    const PathLattice& left, const PathLattice& right, std::optional<std::uint64_t> cutoff) {
  return with_cutoff<Metric::kLevenshtein>(left, right, cutoff);
}

}  // namespace lumra::reference
