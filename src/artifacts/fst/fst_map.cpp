#include "artifacts/fst/fst_map.h"

#include <bit>
#include <cstring>
#include <vector>

#include "artifacts/fst/format.h"
#include "artifacts/fst/lookup_step.h"

namespace lumra::fst {
namespace {

Failure<FstError> fault(FstErrorKind kind, std::uint64_t where) { return Fail(FstError{kind, where}); }

// The library's own constructor refuses anything shorter, whatever the
// version: header, footer and checksum of the map {"" -> 0}.
constexpr std::uint64_t kSmallestFst = kHeaderBytes + kFooterBytes + kChecksumBytes;

}  // namespace

Result<FstMap, FstError> FstMap::open(std::span<const std::uint8_t> bytes) {
  LUMRA_TRY_ASSIGN(FstMap map, open_footer(bytes));
  LUMRA_TRY(map.check_reachable_nodes());
  map.cache_first_steps();
  return map;
}

Result<FstMap, FstError> FstMap::open_footer(std::span<const std::uint8_t> bytes) {
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
  if (root == kEmptyFinalAddress) {
    if (map.key_count_ != 1) return fault(FstErrorKind::kKeyCountMismatch, map.key_count_);
  } else if ((map.key_count_ == 0) != map.root_.is_dead_end()) {
    return fault(FstErrorKind::kKeyCountMismatch, map.key_count_);
  }
  return map;
}

void FstMap::cache_first_steps() {
  // Only once the nodes are checked: the targets are then known to decode.
  for (std::size_t i = 0; i < root_.transition_count(); ++i) {
    const Transition first = root_.transition(i);
    root_steps_[first.input] = {first.target, first.output};
    if (first.target == kEmptyFinalAddress) continue;
    const Node next = node(first.target).value();
    if (next.transition_count() <= kIndexThreshold) continue;
    second_steps_.resize(second_steps_.size() + 256);
    second_block_[first.input] = static_cast<std::uint16_t>(second_steps_.size() / 256);
    Step* block = second_steps_.data() + second_steps_.size() - 256;
    for (std::size_t j = 0; j < next.transition_count(); ++j) {
      const Transition second = next.transition(j);
      block[second.input] = {second.target, first.output + second.output};  // modulo 2^64
    }
  }
}

// The target of the one-transition node at `address` (state byte with the
// top bit set, kHeaderBytes <= address < nodes_.size()), after the checks
// Node::read() and check_transitions() make of such a node, in their order.
Result<std::uint64_t, FstError> FstMap::single_transition_target(std::uint64_t address) const {
  const std::uint8_t* data = nodes_.data();
  const std::uint8_t state = data[address];
  const std::uint64_t room = address - kHeaderBytes + 1;
  const std::uint64_t input_bytes = (state & kLowSixBits) == 0 ? 1 : 0;
  if (1 + input_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
  std::uint64_t target;
  if ((state & kEncodingMask) == kOneTransitionNextBits) {
    const std::uint64_t start = address - input_bytes;
    target = start - 1;
  } else {
    if (2 + input_bytes > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
    const std::uint8_t sizes = data[address - 1 - input_bytes];
    const std::uint8_t delta_size = sizes >> 4;
    const std::uint8_t output_size = sizes & 0x0F;
    if (delta_size == 0 || delta_size > 8 || output_size > 8) {
      return fault(FstErrorKind::kBadPackSize, address);
    }
    const std::uint64_t size = 2 + input_bytes + delta_size + output_size;
    if (size > room) return fault(FstErrorKind::kNodeOutOfBounds, address);
    const std::uint64_t start = address + 1 - size;
    const std::uint64_t delta = unpack(data + start + output_size, delta_size);
    if (delta == 0) return kEmptyFinalAddress;
    target = delta <= start ? start - delta : kNoAddress;
  }
  // A delta equal to the node's start lands on address 0, which is the
  // empty final state however it is reached (as Node::target() reads it).
  if (target == kEmptyFinalAddress) return kEmptyFinalAddress;
  if (target < kHeaderBytes) return fault(FstErrorKind::kBadTransitionTarget, address);
  return target;
}

// Visits each reachable node once, highest address first. Every transition
// leads strictly downwards, so by the time the scan reaches a node, all its
// parents have marked it; one bit per byte is all the memory it needs.
Status<FstError> FstMap::check_reachable_nodes() const {
  const std::uint64_t root = root_.address();
  if (root == kEmptyFinalAddress) return Unit{};
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
      // Most nodes have a single transition; they are checked here without
      // being decoded in full, with the checks and the faults of the
      // general path below.
      if ((nodes_[address] & 0x80) != 0) {
        LUMRA_TRY_ASSIGN(const std::uint64_t target, single_transition_target(address));
        if (target == kEmptyFinalAddress) {
          reaches_empty_final = true;
        } else {
          mark(target);
        }
        continue;
      }
      LUMRA_TRY_ASSIGN(const Node node, this->node(address));
      LUMRA_TRY(check_transitions(node));
      if (node.is_dead_end() && address != root) return fault(FstErrorKind::kDeadEnd, address);
      if (node.is_final()) ++finals;
      for (std::size_t i = 0; i < node.transition_count(); ++i) {
        const std::uint64_t target = node.target(i);
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
  const LookupContext map = lookup_context(nodes_.data(), version_);
  const auto* in = reinterpret_cast<const std::uint8_t*>(key.data());
  const std::uint8_t* const end = in + key.size();
  std::uint64_t address = root_.address();
  std::uint64_t value = 0;  // sums wrap modulo 2^64; see FORMAT.md
  if (in != end) {
    const Step* first = &first_steps(in, end);
    if (first->target == kNoAddress) return std::nullopt;
    address = first->target;
    value = first->output;
  }
  for (; in != end; ++in) {
    if (address == kEmptyFinalAddress) return std::nullopt;
    // Where the node's transition index would hold this input, if it has
    // one, is asked for together with the node itself: the two misses then
    // overlap instead of following each other. For a node without an index
    // the line is wasted, at the cost of one instruction.
    if (address >= kIndexBytes + 2) __builtin_prefetch(nodes_.data() + (address - 2 - kIndexBytes + *in));
    if (!follow(map, address, *in, value)) return std::nullopt;
  }
  if (!finish(map, address, value)) return std::nullopt;
  return value;
}

const FstMap::Step& FstMap::first_steps(const std::uint8_t*& in, const std::uint8_t* end) const {
  const std::uint16_t block = second_block_[in[0]];
  if (block != 0 && end - in >= 2) {
    const Step& step = second_steps_[(block - 1) * std::size_t{256} + in[1]];
    in += 2;
    return step;
  }
  return root_steps_[*in++];
}

void FstMap::extend(PrefixWalk& walk, std::string_view bytes) const {
  if (!walk.live || bytes.empty()) return;
  const LookupContext map = lookup_context(nodes_.data(), version_);
  const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::uint8_t* const end = in + bytes.size();
  if (walk.address == root_.address()) {
    // The root's first one or two steps are cached, as get() takes them;
    // no step leads back up to the root.
    const Step* first = &first_steps(in, end);
    if (first->target == kNoAddress) {
      walk.live = false;
      return;
    }
    walk.address = first->target;
    walk.value = first->output;
  }
  for (; in != end; ++in) {
    if (walk.address == kEmptyFinalAddress ||
        !follow(map, walk.address, *in, walk.value)) {
      walk.live = false;
      return;
    }
  }
}

std::optional<std::uint64_t> FstMap::value_of(const PrefixWalk& walk) const {
  if (!walk.live) return std::nullopt;
  std::uint64_t value = walk.value;
  if (!finish(lookup_context(nodes_.data(), version_), walk.address, value)) return std::nullopt;
  return value;
}

}  // namespace lumra::fst
