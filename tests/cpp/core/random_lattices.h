// Random lattices for the differential tests of the lattice searches.
//
// Four shapes, all from a fixed seed so that a failure reproduces:
//   - chain: a random path list through the chain builder (the module's
//     path lists), which the searches compare path by path;
//   - chain with extra arcs: the same plus one or two arcs drawn at
//     random, which take the node-pair searches over long chains;
//   - compact: the same kind of list through the compact builder (shared
//     prefixes and endings, nodes with several arcs in and out);
//   - any: arcs drawn at random through from_arcs, so parallel arcs, arcs
//     outside the start..end range, unreachable ends and start == end all
//     occur.
// Small alphabets make matches, ties and transpositions common.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/lattice/lattice.h"
#include "lattice_test_support.h"

namespace lumra::testing {

enum class LatticeShape { kChain, kChainWithExtraArcs, kCompact, kAny };

inline const char* shape_name(LatticeShape shape) {
  switch (shape) {
    case LatticeShape::kChain: return "chain";
    case LatticeShape::kChainWithExtraArcs: return "chain_plus";
    case LatticeShape::kCompact: return "compact";
    case LatticeShape::kAny: return "any";
  }
  return "?";
}

class LatticeGenerator {
 public:
  LatticeGenerator(std::uint64_t seed, std::size_t alphabet) : rng_(seed), alphabet_(alphabet) {}

  std::size_t below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }

  Symbol symbol() { return static_cast<Symbol>('a' + below(alphabet_)); }

  // Lists of 1..max_paths paths of 1..max_length symbols; now and then the
  // list of the empty string alone.
  std::vector<std::vector<Symbol>> path_list(std::size_t max_paths, std::size_t max_length) {
    if (below(8) == 0) return {{}};
    std::vector<std::vector<Symbol>> list(1 + below(max_paths));
    for (auto& path : list) {
      path.resize(1 + below(max_length));
      for (Symbol& s : path) s = symbol();
    }
    return list;
  }

  PathLattice lattice(LatticeShape shape, std::size_t max_paths = 4, std::size_t max_length = 6) {
    if (shape == LatticeShape::kAny) return any_lattice(9, 16);
    const auto list = path_list(max_paths, max_length);
    if (list[0].empty()) return PathLattice::empty_string();
    if (shape == LatticeShape::kCompact) return PathLattice::from_paths_compact(list).value();
    PathLattice chains = PathLattice::from_paths(list).value();
    return shape == LatticeShape::kChain ? std::move(chains) : with_extra_arcs(chains);
  }

  // `lattice` with one or two more arcs between any two of its nodes.
  PathLattice with_extra_arcs(const PathLattice& lattice) {
    std::vector<LatticeArc> arcs(lattice.arcs().begin(), lattice.arcs().end());
    const std::uint64_t nodes = lattice.node_count();
    for (std::size_t extra = 1 + below(2); extra > 0; --extra) {
      std::uint64_t src = below(nodes), dst = below(nodes);
      if (src == dst) continue;
      if (src > dst) std::swap(src, dst);
      arcs.push_back({src, dst, symbol()});
    }
    return PathLattice::from_arcs(nodes, lattice.start(), lattice.end(), std::move(arcs)).value();
  }

  // Up to `max_nodes` nodes and `max_arcs` arcs, endpoints anywhere.
  PathLattice any_lattice(std::size_t max_nodes, std::size_t max_arcs) {
    const std::uint64_t nodes = 1 + below(max_nodes);
    std::uint64_t start = below(nodes), end = below(nodes);
    if (start > end) std::swap(start, end);
    std::vector<LatticeArc> arcs;
    if (nodes > 1) {
      for (std::size_t a = below(max_arcs + 1); a > 0; --a) {
        std::uint64_t src = below(nodes), dst = below(nodes);
        if (src == dst) continue;
        if (src > dst) std::swap(src, dst);
        arcs.push_back({src, dst, symbol()});
      }
    }
    return PathLattice::from_arcs(nodes, start, end, std::move(arcs)).value();
  }

 private:
  std::mt19937_64 rng_;
  std::size_t alphabet_;
};

}  // namespace lumra::testing
