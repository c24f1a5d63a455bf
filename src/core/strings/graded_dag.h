// GradedDag: a set of strings as an acyclic graph of symbol arcs in which
// every path from the root to a node has the same length, the node's depth.
//
// Grading is what lets one table answer the best normalized similarity of
// two sets: the table gives, for each pair of nodes, the smallest
// Levenshtein distance between a string ending at one and a string ending
// at the other, and since every string ending at a node has the node's
// depth as its length, that distance turns into the best similarity of the
// pairs ending there without knowing which strings they were. A node is
// final when the strings ending at it are members (all of them: finality is
// a property of the node, not of the path that reached it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/base/symbols.h"

namespace lumra {

struct GradedDag {
  struct InArc {
    std::uint32_t source;
    Symbol symbol;
  };

  // Nodes are numbered by nondecreasing depth, the root (depth 0) first, so
  // that every arc goes from a lower number to a higher one. Node n's
  // entering arcs are in_arcs[first_in[n] .. first_in[n + 1]), and each
  // goes from a node one shallower. Every node but the root has one at
  // least: every node lies on a path from the root.
  std::vector<std::uint32_t> depth;
  std::vector<std::uint8_t> final;
  std::vector<std::uint32_t> first_in;
  std::vector<InArc> in_arcs;

  std::size_t node_count() const { return depth.size(); }
  // The heap the graph takes.
  std::size_t memory_bytes() const {
    return depth.capacity() * sizeof(std::uint32_t) + final.capacity() +
           first_in.capacity() * sizeof(std::uint32_t) + in_arcs.capacity() * sizeof(InArc);
  }
};

// The table of two graphs takes this many cells at most (some 16 MB).
inline constexpr std::uint64_t kMaxGradedTableCells = std::uint64_t{1} << 22;

// The best normalized similarity of a string of `left` with one of `right`,
// exactly as best_pair_similarity over the written-out strings: the largest
// similarity_from_distance(lev(a, b), |a|, |b|), 0.0 when either set is
// empty. `reached` is a similarity that some pair of the two sets is known
// to reach (0.0 when none is known): only distances that could beat it
// matter, so the table fills only the cells whose depths differ by no more
// than the largest such distance, and the higher it is the fewer. nullopt
// when the table would take more than `max_cells` cells. A stop asked by
// the thread's interruption source returns a value that means nothing.
std::optional<double> graded_best_similarity(const GradedDag& left, const GradedDag& right,
                                             double reached = 0.0,
                                             std::uint64_t max_cells = kMaxGradedTableCells);

// The work of graded_best_similarity, in table cell updates.
std::uint64_t graded_table_work(const GradedDag& left, const GradedDag& right);

}  // namespace lumra
