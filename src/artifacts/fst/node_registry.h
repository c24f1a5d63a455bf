// The writer's memory of the nodes it has written, so that an equal state is
// written once and shared: this is what makes the written map minimal.
//
// The reference library keeps a small fixed-size cache instead and so only
// comes close to minimal on large maps; we keep every node. A slot is 8
// bytes (the address and a few bits of the hash, so most mismatches cost no
// decoding), and equality is decided on the written bytes themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "artifacts/fst/frozen_node.h"

namespace lumra::fst {

class NodeRegistry {
 public:
  // Where `node` is, or would go. `written` is everything written so far.
  struct Probe {
    std::optional<std::uint64_t> address;  // of an equal written node
    std::uint64_t hash;
  };
  Probe find(const FrozenNode& node, std::span<const std::uint8_t> written) const;

  // Remembers that `address` (just written) holds the node of a failed find.
  void insert(const Probe& probe, std::uint64_t address, std::span<const std::uint8_t> written);

 private:
  void grow(std::span<const std::uint8_t> written);
  void place(std::uint64_t hash, std::uint64_t address);

  std::vector<std::uint64_t> slots_;  // 0 = free
  std::size_t used_ = 0;
};

}  // namespace lumra::fst
