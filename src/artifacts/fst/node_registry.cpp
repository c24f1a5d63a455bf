#include "artifacts/fst/node_registry.h"

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

class Hasher {
 public:
  void add(std::uint64_t word) { state_ = (state_ ^ word) * 0x9E3779B97F4A7C15ull; state_ ^= state_ >> 29; }
  std::uint32_t finish() const {
    std::uint64_t h = state_;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<std::uint32_t>(h);
  }

 private:
  std::uint64_t state_ = 0x243F6A8885A308D3ull;
};

std::uint32_t hash_of(const FrozenNode& node) {
  Hasher hasher;
  hasher.add(node.is_final);
  hasher.add(node.final_output);
  for (const Transition& t : node.transitions) {
    hasher.add(t.input);
    hasher.add(t.output);
    hasher.add(t.target);
  }
  return hasher.finish();
}

}  // namespace

NodeRegistry::Probe NodeRegistry::find(const FrozenNode& node, std::span<const std::uint8_t> written) const {
  const std::uint32_t hash = hash_of(node);
  if (addresses_.empty()) return {std::nullopt, hash};
  const std::size_t mask = addresses_.size() - 1;
  for (std::size_t i = hash & mask; addresses_[i] != 0; i = (i + 1) & mask) {
    if (hashes_[i] != hash) continue;
    Node candidate;
    FstErrorKind unused;
    if (Node::read(written, kFormatVersion, addresses_[i], candidate, unused) &&
        same_state(node, candidate)) {
      return {addresses_[i], hash};
    }
  }
  return {std::nullopt, hash};
}

void NodeRegistry::insert(const Probe& probe, std::uint64_t address) {
  if ((used_ + 1) * 2 > addresses_.size()) grow();
  place(probe.hash, address);
  ++used_;
}

void NodeRegistry::place(std::uint32_t hash, std::uint64_t address) {
  const std::size_t mask = addresses_.size() - 1;
  std::size_t i = hash & mask;
  while (addresses_[i] != 0) i = (i + 1) & mask;
  addresses_[i] = address;
  hashes_[i] = hash;
}

void NodeRegistry::grow() {
  std::vector<std::uint64_t> old_addresses = std::move(addresses_);
  std::vector<std::uint32_t> old_hashes = std::move(hashes_);
  const std::size_t size = old_addresses.empty() ? 1024 : old_addresses.size() * 2;
  addresses_.assign(size, 0);
  hashes_.assign(size, 0);
  for (std::size_t i = 0; i < old_addresses.size(); ++i) {
    if (old_addresses[i] != 0) place(old_hashes[i], old_addresses[i]);
  }
}

}  // namespace lumra::fst
