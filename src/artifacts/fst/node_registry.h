// The writer's memory of the nodes it has written, so that an equal state is
// written once and shared: this is what makes the written map minimal.
//
// The reference library keeps a small fixed-size cache instead and so only
// comes close to minimal on large maps; we keep every node. A slot holds
// the node's address and 32 bits of its hash (12 bytes; the table is at most
// half full), so most mismatches and all of growing cost no decoding;
// equality is decided on the written bytes themselves.
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
    std::uint32_t hash;
  };
  Probe find(const FrozenNode& node, std::span<const std::uint8_t> written) const;

  // Remembers that `address` (just written) holds the node of a failed find.
  void insert(const Probe& probe, std::uint64_t address);

 private:
  void grow();
  void place(std::uint32_t hash, std::uint64_t address);

  std::vector<std::uint64_t> addresses_;  // 0 = free slot
  std::vector<std::uint32_t> hashes_;
  std::size_t used_ = 0;
};

}  // namespace lumra::fst
