#include "zh/reading/sorted_strings_lattice.h"

#include <algorithm>

#include "core/lattice/height_order.h"
#include "core/base/utf8.h"

namespace lumra::zh {

namespace {

constexpr std::uint32_t kFinal = static_cast<std::uint32_t>(-1);
constexpr std::size_t kMinSlots = 64;

std::uint64_t mix(std::uint64_t hash, std::uint64_t value) {
  hash ^= value + 0x9E3779B97F4A7C15 + (hash << 6) + (hash >> 2);
  return hash;
}

}  // namespace

void SortedStringsLattice::add(std::string_view utf8) {
  ++string_count_;
  if (utf8.empty()) {
    has_empty_ = true;
    return;
  }
  current_.clear();
  current_.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const NextChar c = next_char(utf8, at);
    current_.push_back(c.value);
    at += c.size;
  }
  if (open_first_item_.empty()) {
    // Sized from the first string, so that a few short strings (the common
    // case) never grow a buffer.
    const std::size_t room = 2 * current_.size() + 8;
    previous_.reserve(room);
    open_first_item_.reserve(room);
    open_items_.reserve(room);
    states_.reserve(room);
    state_items_.reserve(room);
    open_first_item_.push_back(0);  // the root
  }
  // Open node d is the prefix of length d of the previous string; the last
  // symbol of a string is a final item and opens no node.
  const std::size_t common = static_cast<std::size_t>(
      std::mismatch(previous_.begin(), previous_.end(), current_.begin(), current_.end()).first -
      previous_.begin());
  const std::size_t keep = std::min(common, current_.size() - 1);
  while (open_first_item_.size() > keep + 1) close_deepest();
  for (std::size_t depth = open_first_item_.size(); depth < current_.size(); ++depth) {
    open_first_item_.push_back(open_items_.size());
  }
  open_items_.push_back({current_.back(), kFinal});
  std::swap(previous_, current_);
}

void SortedStringsLattice::close_deepest() {
  const std::size_t first = open_first_item_.back();
  const std::uint32_t state = register_state(first, open_items_.size() - first);
  open_items_.resize(first);
  open_first_item_.pop_back();
  // The closed node is the prefix of the previous string one symbol longer
  // than its parent.
  open_items_.push_back({previous_[open_first_item_.size() - 1], state});
}

std::uint32_t SortedStringsLattice::register_state(std::size_t first, std::size_t count) {
  const Item* items = open_items_.data() + first;
  std::uint64_t hash = count;
  std::uint32_t height = 0;
  for (std::size_t k = 0; k < count; ++k) {
    hash = mix(mix(hash, items[k].symbol), items[k].target);
    height = std::max(height, items[k].target == kFinal ? 1 : states_[items[k].target].height + 1);
  }
  if (2 * (states_.size() + 1) > slots_.size()) {
    slots_.assign(std::max(kMinSlots, 2 * slots_.size()), 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = 0; s < states_.size(); ++s) {
      std::size_t slot = states_[s].hash & mask;
      while (slots_[slot] != 0) slot = (slot + 1) & mask;
      slots_[slot] = static_cast<std::uint32_t>(s + 1);
    }
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash & mask;
  for (; slots_[slot] != 0; slot = (slot + 1) & mask) {
    const State& other = states_[slots_[slot] - 1];
    if (other.hash != hash || other.item_count != count) continue;
    const Item* other_items = state_items_.data() + other.first_item;
    if (std::equal(items, items + count, other_items, [](const Item& a, const Item& b) {
          return a.symbol == b.symbol && a.target == b.target;
        })) {
      return slots_[slot] - 1;
    }
  }
  const std::uint32_t state = static_cast<std::uint32_t>(states_.size());
  states_.push_back({state_items_.size(), static_cast<std::uint32_t>(count), height, hash});
  state_items_.insert(state_items_.end(), items, items + count);
  slots_[slot] = state + 1;
  return state;
}

void SortedStringsLattice::reset() {
  previous_.clear();
  open_first_item_.clear();
  open_items_.clear();
  states_.clear();
  state_items_.clear();
  slots_.clear();
  string_count_ = 0;
  has_empty_ = false;
}

Result<PathLattice, LatticeError> SortedStringsLattice::finish() {
  const std::size_t strings = string_count_;
  const bool has_empty = has_empty_;
  if (strings == 0 || has_empty) {
    reset();
    if (strings == 0) return Fail(LatticeError(lattice_errors::Empty{}));
    if (strings == 1) return PathLattice::empty_string();
    return Fail(LatticeError(lattice_errors::MixedEmptyAndNonEmptyPaths{}));
  }
  while (open_first_item_.size() > 1) close_deepest();
  const std::uint32_t root = register_state(0, open_items_.size());

  const std::size_t state_count = states_.size();
  const HeightOrder order = order_by_height(states_, root);
  const std::vector<std::uint64_t>& node_of_state = order.node_of_state;

  const std::uint64_t end = state_count;
  std::vector<LatticeArc> arcs;
  arcs.reserve(state_items_.size());
  for (std::size_t node = 0; node < state_count; ++node) {
    const State& state = states_[order.state_of_node[node]];
    const Item* items = state_items_.data() + state.first_item;
    for (std::size_t k = 0; k < state.item_count; ++k) {
      if (items[k].target == kFinal) arcs.push_back({node, end, items[k].symbol});
    }
    for (std::size_t k = 0; k < state.item_count; ++k) {
      if (items[k].target != kFinal) {
        arcs.push_back({node, node_of_state[items[k].target], items[k].symbol});
      }
    }
  }
  reset();
  return PathLattice::from_arcs(end + 1, 0, end, std::move(arcs));
}

}  // namespace lumra::zh
