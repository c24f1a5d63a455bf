#include "artifacts/fst/fst_map.h"

#include <bit>
#include <cstring>
#include <vector>

#include "artifacts/fst/format.h"

namespace lumra::fst {
namespace {

Failure<FstError> fault(FstErrorKind kind, std::uint64_t where) { return Fail(FstError{kind, where}); }

// The library's own constructor refuses anything shorter, whatever the
// version: header, footer and checksum of the map {"" -> 0}.
constexpr std::uint64_t kSmallestFst = kHeaderBytes + kFooterBytes + kChecksumBytes;

// One lookup step: takes the transition for `input` out of the node at
// `address`, adding its output to `value` and moving `address` to its
// target. False when there is none.
//
// It decodes only what the step needs, which makes lookups several times
// cheaper than going through Node; the layout is the one Node::read()
// decodes (FORMAT.md). It trusts the sizes it reads, so it may only be used
// on nodes that open() validated, that is, on nodes reached from the root.
inline bool follow(std::span<const std::uint8_t> nodes, std::uint64_t version, std::uint64_t& address,
                   std::uint8_t input, std::uint64_t& value) {
  if (address == kEmptyFinalAddress || address >= nodes.size()) return false;
  const std::uint8_t* data = nodes.data();
  const std::uint8_t state = data[address];
  const std::uint8_t low = state & kLowSixBits;
  if ((state & kEncodingMask) == kOneTransitionNextBits) {
    const std::uint8_t stored = low != 0 ? common_input_byte(low) : data[address - 1];
    if (stored != input) return false;
    address -= low != 0 ? 1 : 2;  // the node written just before
    return true;
  }
  std::uint64_t start;
  std::uint64_t delta;
  if ((state & kEncodingMask) == kOneTransitionBits) {
    const std::uint64_t input_bytes = low != 0 ? 0 : 1;
    const std::uint8_t stored = low != 0 ? common_input_byte(low) : data[address - 1];
    if (stored != input) return false;
    const std::uint8_t sizes = data[address - 1 - input_bytes];
    const std::uint8_t delta_size = sizes >> 4;
    const std::uint8_t output_size = sizes & 0x0F;
    const std::uint64_t deltas = address - 1 - input_bytes - delta_size;
    delta = unpack_before(data + deltas + delta_size, delta_size);
    start = deltas - output_size;
    value += unpack_before(data + deltas, output_size);
  } else {
    const std::uint64_t count_bytes = low != 0 ? 0 : 1;
    std::size_t count = low;
    if (low == 0) count = data[address - 1] == kCountByteFor256 ? 256 : data[address - 1];
    const std::uint64_t pack_at = address - 1 - count_bytes;
    const std::uint8_t delta_size = data[pack_at] >> 4;
    const std::uint8_t output_size = data[pack_at] & 0x0F;
    const bool indexed = has_transition_index(version, count);
    const std::uint64_t inputs = pack_at - (indexed ? kIndexBytes : 0) - count;
    std::size_t slot;  // position in the arrays, which run last transition first
    if (indexed) {
      const std::size_t i = data[pack_at - kIndexBytes + input];
      if (i >= count) return false;
      slot = count - 1 - i;
    } else {
      const void* hit = std::memchr(data + inputs, input, count);
      if (hit == nullptr) return false;
      slot = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - (data + inputs));
    }
    const std::uint64_t deltas = inputs - count * delta_size;
    delta = unpack_before(data + deltas + (slot + 1) * delta_size, delta_size);
    const std::uint64_t outputs = deltas - count * output_size;
    value += unpack_before(data + outputs + (slot + 1) * output_size, output_size);
    start = outputs - ((state & kFinalBit) != 0 ? output_size : 0);
  }
  address = delta == 0 ? kEmptyFinalAddress : start - delta;
  return true;
}

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
  map.cache_root_steps();
  return map;
}

void FstMap::cache_root_steps() {
  // Only after check_reachable_nodes(): the targets are then known to decode.
  for (std::size_t i = 0; i < root_.transition_count(); ++i) {
    const Transition transition = root_.transition(i);
    root_steps_[transition.input] = {transition.target, transition.output};
  }
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
  std::uint64_t address = root_.address();
  std::uint64_t value = 0;  // sums wrap modulo 2^64; see FORMAT.md
  if (!key.empty()) {
    const RootStep& first = root_steps_[static_cast<std::uint8_t>(key[0])];
    if (first.target == kNoAddress) return std::nullopt;
    address = first.target;
    value = first.output;
    key.remove_prefix(1);
  }
  for (char c : key) {
    if (!follow(nodes_, version_, address, static_cast<std::uint8_t>(c), value)) return std::nullopt;
  }
  Node last;
  FstErrorKind unused;
  if (!read_node(address, last, unused) || !last.is_final()) return std::nullopt;
  return value + last.final_output();
}

}  // namespace lumra::fst
