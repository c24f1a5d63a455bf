#include "core/lattice/merged_lattice.h"

#include <algorithm>
#include <span>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/base/word_hash.h"

namespace lumra {

namespace {

// A lattice under reduction: nodes 0 .. nodes - 1, arcs from lower to
// higher node, every node on a start-to-end path.
struct Graph {
  std::uint64_t nodes;
  std::uint64_t start;
  std::uint64_t end;
  std::vector<LatticeArc> arcs;
};

// The same graph read backwards: its strings reversed, node order flipped
// so that arcs still lead upwards.
Graph reversed(Graph g) {
  const std::uint64_t last = g.nodes - 1;
  for (LatticeArc& arc : g.arcs) arc = {last - arc.dst, last - arc.src, arc.symbol};
  return {g.nodes, last - g.end, last - g.start, std::move(g.arcs)};
}

// Keeps the nodes that lie on a start-to-end path, renumbered in order, and
// the arcs between them; no nodes at all when the end cannot be reached.
Graph useful_part(const PathLattice& lattice) {
  const std::uint64_t n = lattice.node_count();
  std::vector<char> reached(n, 0);
  std::vector<char> reaches_end(n, 0);
  reached[lattice.start()] = 1;
  for (std::uint64_t node = lattice.start(); node < n; ++node) {
    if (!reached[node]) continue;
    for (ArcIndex a : lattice.outgoing(node)) reached[lattice.arc(a).dst] = 1;
  }
  if (!reached[lattice.end()]) return {0, 0, 0, {}};
  reaches_end[lattice.end()] = 1;
  for (std::uint64_t node = lattice.end() + 1; node-- > 0;) {
    if (!reaches_end[node]) continue;
    for (ArcIndex a : lattice.incoming(node)) reaches_end[lattice.arc(a).src] = 1;
  }
  std::vector<std::uint64_t> number(n, 0);
  std::uint64_t kept = 0;
  for (std::uint64_t node = 0; node < n; ++node) {
    if (reached[node] && reaches_end[node]) number[node] = kept++;
  }
  Graph g{kept, number[lattice.start()], number[lattice.end()], {}};
  for (const LatticeArc& arc : lattice.arcs()) {
    if (reached[arc.src] && reaches_end[arc.src] && reached[arc.dst] && reaches_end[arc.dst]) {
      g.arcs.push_back({number[arc.src], number[arc.dst], arc.symbol});
    }
  }
  return g;
}

// Classes of nodes keyed by their signature, a short list of words, stored
// end to end in one buffer and found through an open-addressing table, so
// that classifying a node allocates nothing.
class SignatureClasses {
 public:
  explicit SignatureClasses(std::uint64_t expected) {
    std::size_t slots = 16;
    while (slots < 2 * expected) slots *= 2;
    slots_.assign(slots, kEmpty);
    starts_.push_back(0);
  }

  // The class of `signature`, a new one numbered in order when unseen.
  std::uint64_t class_of(std::span<const std::uint64_t> signature) {
    const std::uint64_t hash = hash_words(signature);
    std::size_t slot = hash & (slots_.size() - 1);
    for (;; slot = (slot + 1) & (slots_.size() - 1)) {
      const std::uint64_t cls = slots_[slot];
      if (cls == kEmpty) break;
      if (hashes_[cls] == hash && std::ranges::equal(stored(cls), signature)) return cls;
    }
    const std::uint64_t cls = hashes_.size();
    slots_[slot] = cls;
    hashes_.push_back(hash);
    words_.insert(words_.end(), signature.begin(), signature.end());
    starts_.push_back(words_.size());
    return cls;
  }

  std::uint64_t size() const { return hashes_.size(); }

 private:
  static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};

  std::span<const std::uint64_t> stored(std::uint64_t cls) const {
    return {words_.data() + starts_[cls], starts_[cls + 1] - starts_[cls]};
  }

  std::vector<std::uint64_t> slots_;
  std::vector<std::uint64_t> hashes_;
  std::vector<std::uint64_t> words_;
  std::vector<std::size_t> starts_;
};

// Merges the nodes with the same strings after them. Nodes are visited from
// the last: a node's strings are decided by whether it is the end and by
// its arcs' (symbol, class of target) pairs, whose classes are known by
// then. A class is numbered when first met, after the classes its arcs
// lead to, so numbering classes from the last met gives arcs leading
// upwards again.
Graph merge_same_endings(const Graph& g) {
  // The arcs grouped by source.
  std::vector<std::size_t> first(g.nodes + 1, 0);
  for (const LatticeArc& arc : g.arcs) ++first[arc.src + 1];
  for (std::uint64_t node = 0; node < g.nodes; ++node) first[node + 1] += first[node];
  std::vector<std::pair<Symbol, std::uint64_t>> leaving(g.arcs.size());
  {
    std::vector<std::size_t> next(first.begin(), first.end() - 1);
    for (const LatticeArc& arc : g.arcs) leaving[next[arc.src]++] = {arc.symbol, arc.dst};
  }
  std::vector<std::uint64_t> class_of(g.nodes, 0);
  SignatureClasses classes(g.nodes);
  std::vector<std::uint64_t> signature;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> sorted;
  for (std::uint64_t node = g.nodes; node-- > 0;) {
    signature.assign(1, node == g.end ? 1 : 0);
    for (std::size_t a = first[node]; a < first[node + 1]; ++a) {
      signature.push_back(leaving[a].first);
      signature.push_back(class_of[leaving[a].second]);
    }
    // Pairs in one order, each once.
    const std::size_t pairs = (signature.size() - 1) / 2;
    if (pairs > 1) {
      sorted.resize(pairs);
      for (std::size_t p = 0; p < pairs; ++p) {
        sorted[p] = {signature[1 + 2 * p], signature[2 + 2 * p]};
      }
      std::sort(sorted.begin(), sorted.end());
      sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
      signature.resize(1);
      for (const auto& [symbol, cls] : sorted) {
        signature.push_back(symbol);
        signature.push_back(cls);
      }
    }
    class_of[node] = classes.class_of(signature);
  }
  const std::uint64_t count = classes.size();
  Graph merged{count, count - 1 - class_of[g.start], count - 1 - class_of[g.end], {}};
  // Nodes of one class lead to the same classes with the same symbols, so
  // the first one met stands for all of them.
  std::vector<char> written(count, 0);
  for (std::uint64_t node = g.nodes; node-- > 0;) {
    const std::uint64_t cls = class_of[node];
    if (written[cls]) continue;
    written[cls] = 1;
    const auto arcs_before = static_cast<std::ptrdiff_t>(merged.arcs.size());
    for (std::size_t a = first[node]; a < first[node + 1]; ++a) {
      merged.arcs.push_back(
          {count - 1 - cls, count - 1 - class_of[leaving[a].second], leaving[a].first});
    }
    // Arcs that now lead to one class with one symbol are one arc.
    const auto own = merged.arcs.begin() + arcs_before;
    if (merged.arcs.end() - own > 1) {
      std::sort(own, merged.arcs.end(), [](const LatticeArc& a, const LatticeArc& b) {
        return a.dst != b.dst ? a.dst < b.dst : a.symbol < b.symbol;
      });
      merged.arcs.erase(std::unique(own, merged.arcs.end(),
                                    [](const LatticeArc& a, const LatticeArc& b) {
                                      return a.dst == b.dst && a.symbol == b.symbol;
                                    }),
                        merged.arcs.end());
    }
  }
  return merged;
}

// Merges the nodes with the same strings before them: the nodes with the
// same strings after them, read backwards.
Result<PathLattice, LatticeError> merge_beginnings(Graph g) {
  g = reversed(merge_same_endings(reversed(std::move(g))));
  std::sort(g.arcs.begin(), g.arcs.end(), [](const LatticeArc& a, const LatticeArc& b) {
    return a.src != b.src ? a.src < b.src : a.dst != b.dst ? a.dst < b.dst : a.symbol < b.symbol;
  });
  // Arcs lead upwards and the endpoints lie within the nodes by
  // construction, so only an interruption can fail the building.
  return PathLattice::from_arcs(g.nodes, g.start, g.end, std::move(g.arcs));
}

}  // namespace

Result<PathLattice, LatticeError> merge_equivalent_nodes(const PathLattice& lattice) {
  Graph g = useful_part(lattice);
  if (g.nodes == 0 || g.arcs.empty()) return lattice;
  // Merging beginnings may make more endings equal again, but on reading
  // lattices a second round finds almost nothing and costs more than the
  // searches it would save.
  return merge_beginnings(merge_same_endings(g));
}

Result<PathLattice, LatticeError> merge_equivalent_beginnings(std::uint64_t node_count,
                                                              std::uint64_t start,
                                                              std::uint64_t end,
                                                              std::vector<LatticeArc> arcs) {
  // Every node lies on a path, so no arc means a single node.
  if (arcs.empty()) return PathLattice::from_arcs(node_count, start, end, std::move(arcs));
  return merge_beginnings(Graph{node_count, start, end, std::move(arcs)});
}

}  // namespace lumra
