// Why a lattice could not be built.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "core/base/interruption.h"

namespace lumra {

namespace lattice_errors {

struct Empty {};
struct MixedEmptyAndNonEmptyPaths {};
struct InvalidNode {
  std::uint64_t node;
  std::uint64_t node_count;
};
struct InvalidArcOrder {
  std::uint64_t src;
  std::uint64_t dst;
};
struct InvalidEndpoint {
  std::uint64_t start;
  std::uint64_t end;
};

}  // namespace lattice_errors

// Interrupted is no fault of the arcs: the thread's interruption source
// (core/base/interruption.h) stopped the building, and whoever installed it
// discards the call's result.
using LatticeError =
    std::variant<lattice_errors::Empty, lattice_errors::MixedEmptyAndNonEmptyPaths,
                 lattice_errors::InvalidNode, lattice_errors::InvalidArcOrder,
                 lattice_errors::InvalidEndpoint, Interrupted>;

std::string message(const LatticeError& error);

}  // namespace lumra
