#include "core/lattice/lattice_error.h"

#include <string>

namespace lumra {

namespace {

using namespace lattice_errors;

std::string describe(const Empty&) { return "lattice must contain at least one node"; }

std::string describe(const MixedEmptyAndNonEmptyPaths&) {
  return "mixed empty and non-empty paths need epsilon arcs, which lumra-core does not model yet";
}

std::string describe(const InvalidNode& e) {
  return "node " + std::to_string(e.node) + " is outside 0.." + std::to_string(e.node_count);
}

std::string describe(const InvalidArcOrder& e) {
  return "arc " + std::to_string(e.src) + "->" + std::to_string(e.dst) +
         " violates topological node order";
}

std::string describe(const InvalidEndpoint& e) {
  return "invalid endpoints start=" + std::to_string(e.start) + ", end=" + std::to_string(e.end);
}

std::string describe(const Interrupted& e) { return lumra::message(e); }

}  // namespace

std::string message(const LatticeError& error) {
  return std::visit([](const auto& e) { return describe(e); }, error);
}

}  // namespace lumra
