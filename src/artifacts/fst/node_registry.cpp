#include "artifacts/fst/node_registry.h"

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

// Addresses take the low 44 bits of a slot (16 TiB of FST, far more than
// the writer can hold in memory) and hash bits the rest.
constexpr int kAddressBits = 44;
constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << kAddressBits) - 1;

class Hasher {
 public:
  void add(std::uint64_t word) { state_ = (state_ ^ word) * 0x9E3779B97F4A7C15ull; state_ ^= state_ >> 29; }
  std::uint64_t finish() const {
    std::uint64_t h = state_;
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
  }

 private:
  std::uint64_t state_ = 0x243F6A8885A308D3ull;
};

void hash_transition(Hasher& hasher, const Transition& t) {
  hasher.add(t.input);
  hasher.add(t.output);
  hasher.add(t.target);
}

std::uint64_t hash_of(const FrozenNode& node) {
  Hasher hasher;
  hasher.add(node.is_final);
  hasher.add(node.final_output);
  for (const Transition& t : node.transitions) hash_transition(hasher, t);
  return hasher.finish();
}

std::uint64_t hash_of(const Node& node) {
  Hasher hasher;
  hasher.add(node.is_final());
  hasher.add(node.final_output());
  for (std::size_t i = 0; i < node.transition_count(); ++i) hash_transition(hasher, node.transition(i));
  return hasher.finish();
}

std::uint64_t tag_of(std::uint64_t hash) { return hash >> kAddressBits << kAddressBits; }

}  // namespace

NodeRegistry::Probe NodeRegistry::find(const FrozenNode& node, std::span<const std::uint8_t> written) const {
  const std::uint64_t hash = hash_of(node);
  if (slots_.empty()) return {std::nullopt, hash};
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const std::uint64_t slot = slots_[i];
    if (slot == 0) return {std::nullopt, hash};
    if ((slot & ~kAddressMask) != tag_of(hash)) continue;
    Result<Node, FstError> candidate = Node::decode(written, kFormatVersion, slot & kAddressMask);
    if (candidate.ok() && same_state(node, candidate.value())) return {slot & kAddressMask, hash};
  }
}

void NodeRegistry::insert(const Probe& probe, std::uint64_t address, std::span<const std::uint8_t> written) {
  if (address > kAddressMask) return;  // still a valid map, just not shared
  if ((used_ + 1) * 2 > slots_.size()) grow(written);
  place(probe.hash, address);
  ++used_;
}

void NodeRegistry::place(std::uint64_t hash, std::uint64_t address) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = hash & mask;
  while (slots_[i] != 0) i = (i + 1) & mask;
  slots_[i] = tag_of(hash) | address;
}

// Hashes are not kept whole, so growing re-reads each node from the bytes.
void NodeRegistry::grow(std::span<const std::uint8_t> written) {
  std::vector<std::uint64_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
  for (std::uint64_t slot : old) {
    if (slot == 0) continue;
    const std::uint64_t address = slot & kAddressMask;
    Result<Node, FstError> node = Node::decode(written, kFormatVersion, address);
    if (node.ok()) place(hash_of(node.value()), address);
  }
}

}  // namespace lumra::fst
