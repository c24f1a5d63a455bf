#include "artifacts/fst/fst_map.h"

#include <bit>
#include <vector>

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

Failure<FstError> fault(FstErrorKind kind, std::uint64_t where) { return Fail(FstError{kind, where}); }

// The library's own constructor refuses anything shorter, whatever the
// version: header, footer and checksum of the map {"" -> 0}.
constexpr std::uint64_t kSmallestFst = kHeaderBytes + kFooterBytes + kChecksumBytes;

}  // namespace

Result<FstMap, FstError> FstMap::open(std::span<const std::uint8_t> bytes) {
  const std::uint64_t size = bytes.size();
  if (size < kSmallestFst) return fault(FstErrorKind::kTooShort, size);
  FstMap map;
  map.version_ = unpack(bytes.data(), 8);
  if (map.version_ < kOldestFormatVersion || map.version_ > kFormatVersion) {
    return fault(FstErrorKind::kUnsupportedVersion, map.version_);
  }
  const std::uint64_t trailer = trailer_bytes(map.version_);
  const std::uint64_t footer = size - trailer;
  map.key_count_ = unpack(bytes.data() + footer, 8);
  const std::uint64_t root = unpack(bytes.data() + footer + 8, 8);
  // The root is written last, right before the footer, except in the map
  // {"" -> 0}, which has no nodes at all.
  if (root == kEmptyFinalAddress) {
    if (footer != kHeaderBytes) return fault(FstErrorKind::kBadRootAddress, root);
  } else if (root != footer - 1 || root < kHeaderBytes) {
    return fault(FstErrorKind::kBadRootAddress, root);
  }
  map.nodes_ = bytes.first(footer);
  LUMRA_TRY_ASSIGN(map.root_, map.node(root));
  LUMRA_TRY(map.check_reachable_nodes());
  return map;
}

// Visits each reachable node once, highest address first. Every transition
// leads strictly downwards, so by the time the scan reaches a node, all its
// parents have marked it; one bit per byte is all the memory it needs.
Status<FstError> FstMap::check_reachable_nodes() {
  const std::uint64_t root = root_.address();
  if (root == kEmptyFinalAddress) {
    if (key_count_ != 1) return fault(FstErrorKind::kKeyCountMismatch, key_count_);
    return Unit{};
  }
  if ((key_count_ == 0) != root_.is_dead_end()) {
    return fault(FstErrorKind::kKeyCountMismatch, key_count_);
  }
  std::vector<std::uint64_t> marked(root / 64 + 1, 0);
  auto mark = [&](std::uint64_t address) { marked[address / 64] |= std::uint64_t{1} << (address % 64); };
  mark(root);
  bool reaches_empty_final = false;
  std::uint64_t finals = 0;
  for (std::size_t word = marked.size(); word-- > 0;) {
    while (marked[word] != 0) {
      const int bit = 63 - std::countl_zero(marked[word]);
      marked[word] &= ~(std::uint64_t{1} << bit);
      const std::uint64_t address = word * 64 + static_cast<std::uint64_t>(bit);
      LUMRA_TRY_ASSIGN(const Node node, this->node(address));
      LUMRA_TRY(check_transitions(node));
      if (node.is_dead_end() && address != root) return fault(FstErrorKind::kDeadEnd, address);
      ++node_count_;
      if (node.is_final()) ++finals;
      for (std::size_t i = 0; i < node.transition_count(); ++i) {
        const std::uint64_t target = node.transition(i).target;
        if (target == kEmptyFinalAddress) {
          reaches_empty_final = true;
        } else {
          mark(target);
        }
      }
    }
  }
  // Each final state ends at least one key.
  if (finals + (reaches_empty_final ? 1 : 0) > key_count_) {
    return fault(FstErrorKind::kKeyCountMismatch, key_count_);
  }
  return Unit{};
}

std::optional<std::uint64_t> FstMap::get(std::string_view key) const {
  Node node = root_;
  std::uint64_t value = 0;
  for (char c : key) {
    const std::optional<std::size_t> i = node.find(static_cast<std::uint8_t>(c));
    if (!i) return std::nullopt;
    const Transition transition = node.transition(*i);
    value += transition.output;  // modulo 2^64; see FORMAT.md
    Result<Node, FstError> next = this->node(transition.target);
    if (!next.ok()) return std::nullopt;  // not reachable after open()
    node = next.value();
  }
  if (!node.is_final()) return std::nullopt;
  return value + node.final_output();
}

}  // namespace lumra::fst
