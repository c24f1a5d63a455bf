// Shared helpers for the lattice tests: symbol lists from UTF-8 literals and
// a compact, readable dump of a lattice to compare whole lattices at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/lattice/lattice.h"
#include "core/base/utf8.h"

namespace lumra::testing {

inline std::vector<Symbol> symbols(std::string_view text) { return decode_utf8(text); }

inline std::vector<std::vector<Symbol>> paths(std::initializer_list<std::string_view> texts) {
  std::vector<std::vector<Symbol>> out;
  for (std::string_view t : texts) out.push_back(decode_utf8(t));
  return out;
}

// "nodes start end: src>dst symbol, ..." with each symbol written as UTF-8.
inline std::string dump(const PathLattice& lattice) {
  std::string out = std::to_string(lattice.node_count()) + " " + std::to_string(lattice.start()) +
                    " " + std::to_string(lattice.end()) + ":";
  for (const LatticeArc& arc : lattice.arcs()) {
    const Symbol symbol[1] = {arc.symbol};
    out += " " + std::to_string(arc.src) + ">" + std::to_string(arc.dst) + " " +
           encode_utf8(Symbols(symbol));
  }
  return out;
}

// Whether the per-node arc lists list exactly the arcs that enter or leave
// each node, in increasing arc order.
inline bool adjacency_consistent(const PathLattice& lattice) {
  for (std::uint64_t node = 0; node < lattice.node_count(); ++node) {
    std::vector<ArcIndex> in, out;
    for (ArcIndex i = 0; i < lattice.arcs().size(); ++i) {
      if (lattice.arc(i).dst == node) in.push_back(i);
      if (lattice.arc(i).src == node) out.push_back(i);
    }
    auto incoming = lattice.incoming(node);
    auto outgoing = lattice.outgoing(node);
    if (std::vector<ArcIndex>(incoming.begin(), incoming.end()) != in) return false;
    if (std::vector<ArcIndex>(outgoing.begin(), outgoing.end()) != out) return false;
  }
  return true;
}

}  // namespace lumra::testing
